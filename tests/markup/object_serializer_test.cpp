#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "markup/xml_node.h"
#include "platform/rtl/reflection.h"

namespace ht {

#define HT_XML_FIXTURE_SHADE_VALUES(X) \
  X(fsLight)                           \
  X(fsDarkGrey)
HT_ENUM(TXmlFixtureShade, uint8_t, HT_XML_FIXTURE_SHADE_VALUES);

#define HT_XML_FIXTURE_TONE_VALUES(X) X(ftWarm)
HT_ENUM(TXmlFixtureTone, uint8_t, HT_XML_FIXTURE_TONE_VALUES);  // no element type name

HT_REFLECT_ENUM(TXmlFixtureShade)

struct TXmlFixturePoint {
  int X = 1;
  bool Visible = true;
  TXmlFixtureShade Shade = fsDarkGrey;
};
HT_REFLECT(TXmlFixturePoint, void, HT_FIELD(X, mvPublic), HT_FIELD(Visible, mvPublic), HT_FIELD(Shade, mvPublic))

class TXmlFixtureBase : public THtObject {
 public:
  String FName = u"x";
  int FHidden = 9;
};
HT_REFLECT(TXmlFixtureBase, void, HT_FIELD(FName, mvPublic), HT_FIELD(FHidden, mvPrivate))

class TXmlFixtureItem : public TXmlFixtureBase {
 public:
  int GetCount() const { return 3; }
  bool FFlag = true;
  double FRatio = 1.5;
  TDateTime FWhen = 45292.5;  // 2024-01-01 12:00
  TDateTime FDay = 45292;
  int64_t FBig = 5000000000;
  TXmlFixtureShade FShade = fsLight;
  std::vector<int> FNumbers{1, 2};
  std::vector<TXmlFixtureShade> FShades{fsDarkGrey};
  TXmlFixturePoint FPoint;
  TXmlFixtureBase* FChild = nullptr;
  std::unique_ptr<TXmlFixtureItem> FNested;
  void* FRaw = nullptr;
};
HT_REFLECT(TXmlFixtureItem, TXmlFixtureBase, HT_PROPERTY(Count, GetCount, mvPublished), HT_FIELD(FFlag, mvPublic),
           HT_FIELD(FRatio, mvPublic), HT_FIELD(FWhen, mvPublic, mkDateTime), HT_FIELD(FDay, mvPublic, mkDate),
           HT_FIELD(FBig, mvPublic), HT_FIELD(FShade, mvPublic), HT_FIELD(FNumbers, mvPublic),
           HT_FIELD(FShades, mvPublic), HT_FIELD(FPoint, mvPublic), HT_FIELD(FChild, mvPublic),
           HT_FIELD(FNested, mvPublic), HT_FIELD(FRaw, mvPublic))

struct TXmlFixtureBadArray {
  std::vector<TXmlFixtureTone> Tones{ftWarm};
};
HT_REFLECT(TXmlFixtureBadArray, void, HT_FIELD(Tones, mvPublic))

namespace {

std::string u8(StringView s) { return StringToUtf8(s); }

TEST(Reflection, MemberTables) {
  const TTypeInfo& info = TReflect<TXmlFixtureItem>::Info();
  EXPECT_EQ(info.Name, "TXmlFixtureItem");
  EXPECT_EQ(info.Parent, &TReflect<TXmlFixtureBase>::Info());
  ASSERT_EQ(info.Members.size(), 13u);
  EXPECT_EQ(info.Members[0].Name, "Count");
  EXPECT_EQ(info.Members[0].Role, mrProperty);
  const TMemberKind kinds[] = {mkInteger, mkEnumeration, mkFloat,  mkDateTime, mkDate,   mkInt64,  mkEnumeration,
                               mkArray,   mkArray,       mkRecord, mkObject,   mkObject, mkPointer};
  for (size_t i = 0; i < info.Members.size(); ++i) EXPECT_EQ(info.Members[i].Kind, kinds[i]) << info.Members[i].Name;
  EXPECT_EQ(info.Members[7].ElementTypeName, "Integer");
  TXmlFixtureItem item;
  const TXmlFixtureBase& asBase = item;
  EXPECT_EQ(FindTypeInfo(asBase), &info);  // found by the dynamic type
}

TEST(ObjectSerializer, ObjectMembersAsAttributesAndChildren) {
  TXmlFixtureItem item;
  THtXMLNode root;
  THtXMLNode* e = root.AddObject(&item, u"", true, false, false);
  EXPECT_EQ(u8(e->Tag()), "Object");
  EXPECT_EQ(u8(e->GetAttribute(u"Count")), "3");
  EXPECT_EQ(u8(e->GetAttribute(u"FName")), "x");
  EXPECT_FALSE(e->HasAttribute(u"FHidden"));
  EXPECT_EQ(u8(e->GetAttribute(u"FFlag")), "True");
  EXPECT_EQ(u8(e->GetAttribute(u"FRatio")), "1.5");
  EXPECT_EQ(u8(e->GetAttribute(u"FWhen")), "2024-01-01T12:00:00");
  EXPECT_EQ(u8(e->GetAttribute(u"FDay")), "2024-01-01");
  EXPECT_EQ(u8(e->GetAttribute(u"FBig")), "5000000000");
  EXPECT_EQ(u8(e->GetAttribute(u"FShade")), "fsLight");
  EXPECT_FALSE(e->HasAttribute(u"FRaw"));
  EXPECT_EQ(u8(e->NodebyName(u"FNumbers")->Code()),
            "<FNumbers><INTEGER V=\"1\"/><INTEGER V=\"2\"/></FNumbers>");
  EXPECT_EQ(u8(e->NodebyName(u"FShades")->Code()), "<FShades><TXMLFIXTURESHADE V=\"fsDarkGrey\"/></FShades>");
  EXPECT_EQ(u8(e->NodebyName(u"FPoint")->Code()), "<FPoint Shade=\"fsDarkGrey\" Visible=\"True\" X=\"1\"/>");
  EXPECT_EQ(e->NodebyName(u"FChild"), nullptr);  // objects need ClassProp

  // This node itself takes the tag; upper-cased names and values.
  THtXMLNode self;
  self.AddObject(&item, u"item", false, false, true);
  EXPECT_EQ(u8(self.Tag()), "item");
  EXPECT_EQ(u8(self.GetAttribute(u"FFLAG")), "TRUE");
  EXPECT_EQ(u8(self.GetAttribute(u"FSHADE")), "FSLIGHT");
}

TEST(ObjectSerializer, OneLevelOfNestedObjects) {
  TXmlFixtureItem item;
  TXmlFixtureBase child;
  child.FName = u"kid";
  item.FChild = &child;
  item.FNested = std::make_unique<TXmlFixtureItem>();
  item.FNested->FChild = &child;
  THtXMLNode root;
  root.AddObject(&item, u"o", false, true, false);
  THtXMLNode* c = root.NodebyName(u"FChild");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(u8(c->Code()), "<FChild FNAME=\"kid\"/>");
  THtXMLNode* nested = root.NodebyName(u"FNested");
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(u8(nested->GetAttribute(u"COUNT")), "3");
  EXPECT_EQ(nested->NodebyName(u"FCHILD"), nullptr);  // the nested object's own objects are skipped
}

TEST(ObjectSerializer, RecordsAndErrors) {
  TXmlFixturePoint p;
  p.Visible = false;
  THtXMLNode root;
  THtXMLNode* e = root.AddRecord(p, u"pt", true, false);
  EXPECT_EQ(u8(e->Code()), "<pt SHADE=\"FSDARKGREY\" VISIBLE=\"FALSE\" X=\"1\"/>");

  TXmlFixtureBadArray bad;
  try {
    root.AddRecord(bad, u"bad", true, false);
    FAIL() << "no exception";
  } catch (const EHtXML& ex) {
    EXPECT_EQ(u8(ex.Message()), "Unknown array type");
  }
}

}  // namespace
}  // namespace ht
