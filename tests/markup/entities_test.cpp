#include "markup/entities.h"

#include <gtest/gtest.h>

#include <set>

namespace ht {
namespace {

class Entities : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CreateEntityDictionaries(); }
  static uint32_t find(StringView name) {
    return EntityDictionary->FindEntity(name.data(), int32_t(name.size()));
  }
  static String reverseName(uint32_t ch) {
    const THtmlEntity* row = EntityReverseDictionary->FindEntity(ch);
    return row ? String(row->Name) : String(u"(nil)");
  }
};

TEST_F(Entities, TableFigures) {
  int above = 0, latin1 = 0;
  std::set<uint32_t> distinct;
  for (const THtmlEntity& row : HtmlEntities) {
    above += row.Value > 0xFFFF;
    latin1 += row.Value <= 0xFF;
    distinct.insert(row.Value);
  }
  EXPECT_EQ(above, 133);
  EXPECT_EQ(distinct.size(), 1447u);
  EXPECT_EQ(latin1, 162);
  EXPECT_EQ(HtmlEntities[0].Name, u"Aacute");
  EXPECT_EQ(HtmlEntities[HtmlEntityCount - 1].Name, u"zwnj");
  EXPECT_EQ(EntityDictionary->Count(), HtmlEntityCount);  // no duplicate names
  EXPECT_EQ(EntityReverseDictionary->Count(), 995);
  // Names differing only in case: the upper-case one first.
  for (int i = 1; i < HtmlEntityCount; ++i) {
    const String a = AsciiLowerCase(HtmlEntities[i - 1].Name), b = AsciiLowerCase(HtmlEntities[i].Name);
    ASSERT_TRUE(a < b || (a == b && HtmlEntities[i - 1].Name < HtmlEntities[i].Name)) << i;
  }
}

TEST_F(Entities, NameLookUp) {
  const struct {
    StringView name;
    uint32_t value;
  } cases[] = {
      {u"amp", 0x26},          {u"AMP", 0x26},     {u"Amp", 0},      {u"amp;", 0},     {u"lt", 0x3C},
      {u"quot", 0x22},         {u"apos", 0x27},    {u"nbsp", 0xA0},  {u"COPY", 0xA9},  {u"euro", 0x20AC},
      {u"NotEqualTilde", 0x2242}, {u"acE", 0x223E}, {u"fjlig", 0x66}, {u"Afr", 0x1D504}, {u"mldr", 0x2026},
      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(find(c.name), c.value) << StringToUtf8(c.name);
  // Looked up in place: only CharCount units of the buffer count.
  const char16_t buffer[] = u"copy;more";
  EXPECT_EQ(EntityDictionary->FindEntity(buffer, 4), 0xA9u);
}

TEST_F(Entities, ReverseLookUp) {
  EXPECT_EQ(reverseName(0x00E9), u"(nil)");
  EXPECT_EQ(reverseName(0x03B1), u"(nil)");
  EXPECT_EQ(reverseName(0x2014), u"(nil)");
  EXPECT_EQ(reverseName(0x2264), u"le");
  // U+2000..U+209F are written as they are, the ellipsis included.
  EXPECT_EQ(reverseName(0x2026), u"(nil)");
  EXPECT_EQ(reverseName(0x2122), u"TRADE");
  EXPECT_EQ(reverseName(0x20AC), u"euro");
  EXPECT_EQ(reverseName(0x1D504), u"(nil)");  // only the low 16 bits are looked up
}

}  // namespace
}  // namespace ht
