#include "css/property_registry.h"

#include <gtest/gtest.h>

namespace ht {
namespace {

class PropertyRegistry : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }
};

TEST_F(PropertyRegistry, EntriesCarryTheirTableFields) {
  struct Case {
    const char16_t* name;
    TCSSProperty id;
    TCSSPropertyType kind;
    int percentBase;
    bool inherited, layout;
    float dflt;
  } cases[] = {
      {u"unknown", cspUnknown, cptNumber, 0, false, false, 0},
      {u"display", cspDisplay, cptEnum, 0, false, true, 0},
      {u"font-size", cspFontSize, cptLength, 2, true, true, 0},
      {u"word-spacing", cspWordSpacing, cptLength, 2, false, true, 0},
      {u"line-height", cspLineHeight, cptLength, 2, true, true, 0},
      {u"font", cspFont, cptComplex, 2, false, true, 0},
      {u"background-position-y", cspbackgroundPositionY, cptLength, 1, false, false, 0},
      {u"min-height", cspMinHeight, cptLength, 4, false, true, 0},
      {u"margin-top", cspMarginTop, cptLength, 3, false, true, 0},
      {u"border", cspBorder, cptComplex, 0, false, true, 0},
      {u"border-left", cspBorderLeft, cptComplex, 0, false, true, 0},
      {u"border-color", cspBorderColor, cptColor, 0, false, false, 0},
      {u"border-top-color", cspBorderTopColor, cptColor, 0, false, false, 0},
      {u"border-top-left-radius", cspBorderTopLeftradius, cptLength, 0, false, false, 0},
      {u"opacity", cspOpacity, cptNumber, 0, false, false, 1},
      {u"zoom", cspZoom, cptNumber, 0, false, true, 1},
      {u"break-after", cspBreakAfter, cptEnum, 0, false, false, 0},
      {u"font-kerning", cspFontKerning, cptEnum, 0, false, false, 0},
  };
  for (const auto& c : cases) {
    const TCSSPropRec* rec = FindCSSProp(c.name);
    ASSERT_NE(rec, nullptr) << EnumName(c.id);
    EXPECT_EQ(rec->Id, c.id) << EnumName(c.id);
    EXPECT_EQ(rec->Kind, c.kind) << EnumName(c.id);
    EXPECT_EQ(rec->PercentBase, c.percentBase) << EnumName(c.id);
    EXPECT_EQ(rec->Inherited, c.inherited) << EnumName(c.id);
    EXPECT_EQ(rec->AffectsLayout, c.layout) << EnumName(c.id);
    EXPECT_EQ(rec->DefaultValue, c.dflt) << EnumName(c.id);
  }
}

TEST_F(PropertyRegistry, EveryIdOnceUnderOneNameExceptTheSvgIds) {
  int seen[EnumCount<TCSSProperty>()] = {};
  int32_t pos = 0;
  while (const THtObject* obj = CSSPropRegistry()->NextObject(pos)) {
    const auto* rec = static_cast<const TCSSPropRec*>(obj);
    ++seen[rec->Id];
    EXPECT_EQ(FindCSSProp(rec->Name), rec);
  }
  for (int id = 0; id < int(EnumCount<TCSSProperty>()); ++id) {
    const bool svg = (id >= cspClipPath && id <= cspStopColor) || (id >= cspStopOpacity && id <= cspTextAnchor);
    if (svg)
      EXPECT_LE(seen[id], 1) << EnumName(TCSSProperty(id));  // only if SVG registered it
    else
      EXPECT_EQ(seen[id], 1) << EnumName(TCSSProperty(id));
  }
}

TEST_F(PropertyRegistry, NamesAreCaseSensitiveAndSvgIdsAreLeftToSvg) {
  EXPECT_EQ(FindCSSProp(u"Display"), nullptr);
  EXPECT_EQ(FindCSSProp(u"fill"), nullptr);
  EXPECT_EQ(FindCSSProp(u"text-anchor"), nullptr);
  EXPECT_EQ(EnumName(cspFontKerning), "cspFontKerning");
  EXPECT_EQ(EnumName(cspStopOpacity), "cspStopOpacity");
}

TEST_F(PropertyRegistry, ShorthandsListTheirLonghandsInOrder) {
  auto names = [](const char16_t* name) {
    String s;
    for (const TCSSPropRec* sub : FindCSSProp(name)->SubProps) s += sub->Name + u";";
    return s;
  };
  EXPECT_EQ(names(u"margin"), u"margin-top;margin-right;margin-bottom;margin-left;");
  EXPECT_EQ(names(u"border"), u"border-color;border-style;border-width;");
  EXPECT_EQ(names(u"font"), u"font-style;font-weight;font-size;font-family;");
  EXPECT_EQ(names(u"border-radius"),
            u"border-top-left-radius;border-top-right-radius;border-bottom-right-radius;border-bottom-left-radius;");
  EXPECT_EQ(names(u"outline"), u"outline-style;outline-color;outline-width;");
  EXPECT_EQ(names(u"color"), u"");

  TCSSPropRec probe;
  EXPECT_EQ(probe.AddSubProp(u"no-such-property")->AddSubProp(u"color"), &probe);
  ASSERT_EQ(probe.SubProps.size(), 1u);
  EXPECT_EQ(probe.SubProps[0]->Id, cspColor);
}

TEST_F(PropertyRegistry, EnumerationsAndPrefixes) {
  EXPECT_EQ(FindCSSProp(u"align-items")->EnumType, FindCSSProp(u"align-self")->EnumType);
  EXPECT_EQ(FindCSSProp(u"page-break-after")->EnumType, EnumTypeInfo<TCSSPageBreak>());
  EXPECT_EQ(FindCSSProp(u"outline-style")->EnumType, EnumTypeInfo<TLineStyle>());
  EXPECT_EQ(FindCSSProp(u"text-transform")->EnumPrefix, u"ctt");
  EXPECT_EQ(FindCSSProp(u"overflow")->EnumType, nullptr);
  EXPECT_EQ(FindCSSProp(u"contenteditable")->EnumType, nullptr);
  EXPECT_EQ(FindCSSProp(u"contenteditable")->Kind, cptEnum);
  EXPECT_EQ(EnumTypeInfo<TListStyleType>()->Count, 11u);
  EXPECT_EQ(EnumTypeInfo<TDisplayStyle>()->Name, "TDisplayStyle");
}

// A numeric font-weight such as 600 is found by the keyword rule (fw600),
// not marked unknown.
TEST_F(PropertyRegistry, KeywordRule) {
  struct Case {
    const char16_t* property;
    const char16_t* keyword;
    int value;  // -1: not a keyword of the property
  } cases[] = {
      {u"display", u"inline-block", dsInlineBlock},
      {u"display", u"inlin-eblock", dsInlineBlock},
      {u"display", u"BLOCK", dsBlock},
      {u"display", u"blocks", -1},
      {u"display", u"", -1},
      {u"cursor", u"w-resize", ecWResize},
      {u"writing-mode", u"horizontal-tb", wmHorizontalTB},
      {u"font-weight", u"100", fw100},
      {u"font-weight", u"600", fw600},
      {u"font-weight", u"650", -1},
      {u"flex-wrap", u"wrap-reverse", -1},
      {u"list-style-type", u"disk", lstDisk},
      {u"list-style-type", u"disc", lstDisk},
      {u"list-style-type", u"DISC", lstDisk},
      {u"float", u"disc", -1},
      {u"float", u"none", fNone},
  };
  for (const auto& c : cases) {
    const TCSSPropRec* rec = FindCSSProp(c.property);
    int v = -1;
    const bool found = TryGetEnumValue(rec->EnumPrefix, c.keyword, rec->EnumType, v);
    EXPECT_EQ(found, c.value >= 0) << StringToUtf8(c.keyword);
    EXPECT_EQ(v, c.value) << StringToUtf8(c.keyword);
  }
  int v = 7;
  EXPECT_FALSE(TryGetEnumValue(u"", u"auto", nullptr, v));
  EXPECT_EQ(v, 7);
}

TEST_F(PropertyRegistry, SvgRegistersItsOwnEntries) {
  TCSSPropRec* fill = RegisterCSSProp(u"fill-opacity", cspFillOpacity, cptNumber, true, 0, 1.0f, false);
  EXPECT_EQ(FindCSSProp(u"fill-opacity"), fill);
  EXPECT_EQ(fill->DefaultValue, 1.0f);
  EXPECT_TRUE(fill->SubProps.empty());
  EXPECT_EQ(fill->EnumType, nullptr);
  // Registering again keeps the entry that longhand links may point to.
  EXPECT_EQ(RegisterCSSProp(u"fill-opacity", cspFillOpacity, cptNumber, false, 0, 1.0f, false), fill);
  EXPECT_FALSE(fill->Inherited);
}

}  // namespace
}  // namespace ht
