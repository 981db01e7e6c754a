#include "canvas/hyphenation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace ht {
namespace {

std::string DataFile(const char* name) {
  const char* root = std::getenv("TARNWICK_SOURCE_DIR");
  return std::string(root ? root : ".") + "/tests/data/" + name;
}

class Hyphenation : public ::testing::Test {
 protected:
  void TearDown() override { FinalizeLanguages(); }
};

TEST_F(Hyphenation, BuiltInRussianRule) {
  struct Case {
    StringView word;
    TCardinalArray positions;
  } cases[] = {
      {u"МОЛОКО", {3, 5}},  {u"молоко", {3, 5}}, {u"ЯБЛОКО", {3, 5}},     {u"ЧАЙКА", {4}},
      {u"ОАЗИС", {}},       {u"ДОМ", {}},        {u"hyphenation", {}},   {u"СТРАНА", {5}},
  };
  THtLanguage* ru = THtLanguage::GetLanguage(u"ru");
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.word));
    EXPECT_EQ(ru->GetHyphenationPositions(c.word), c.positions);
  }
  // Only "ru" has the rule, and language codes keep their case.
  THtLanguage* upper = THtLanguage::GetLanguage(u"RU");
  EXPECT_NE(upper, ru);
  EXPECT_TRUE(upper->GetHyphenationPositions(u"МОЛОКО").empty());
  EXPECT_EQ(THtLanguage::GetLanguage(u"ru"), ru);
}

TEST_F(Hyphenation, DictionaryFromText) {
  THtLanguage* en = THtLanguage::GetLanguage(u"en");
  TFileStream file(Utf8ToString(DataFile("hyphenation_dictionary.txt")), fmOpenRead);
  en->LoadHyphenationfromStream(file);
  EXPECT_EQ(en->GetHyphenationPositions(u"hyphenation"), (TCardinalArray{3, 7, 8}));
  EXPECT_EQ(en->GetHyphenationPositions(u"HyPhenation"), (TCardinalArray{3, 7, 8}));
  EXPECT_EQ(en->GetHyphenationPositions(u"molecule"), (TCardinalArray{4, 5}));
  // Listed, but three letters are never split.
  EXPECT_TRUE(en->GetHyphenationPositions(u"cat").empty());
  EXPECT_TRUE(en->GetHyphenationPositions(u"unlisted").empty());
}

TEST_F(Hyphenation, DictionaryOverridesTheRule) {
  THtLanguage* ru = THtLanguage::GetLanguage(u"ru");
  TFileStream file(Utf8ToString(DataFile("hyphenation_dictionary.txt")), fmOpenRead);
  ru->LoadHyphenationfromStream(file);
  EXPECT_EQ(ru->GetHyphenationPositions(u"молоко"), (TCardinalArray{5}));
  EXPECT_EQ(ru->GetHyphenationPositions(u"ЯБЛОКО"), (TCardinalArray{3, 5}));
  ru->AddHyphenation(u"яблоко", {2});
  EXPECT_EQ(ru->GetHyphenationPositions(u"ЯБЛОКО"), (TCardinalArray{2}));
}

TEST_F(Hyphenation, TextEncodings) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"utf-16le", std::string("\xFF\xFE" "a\0b\0c\0d\0 \0a\0b\0-\0c\0d\0", 22)},
      {"utf-16be", std::string("\xFE\xFF" "\0a\0b\0c\0d\0 \0a\0b\0-\0c\0d", 22)},
      {"ansi, lf", "x y\nabcd ab-cd\n"},
      {"cr only", "abcd ab-cd\rx y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    THtLanguage lang(u"test");
    TMemoryStream st(c.bytes.data(), c.bytes.size());
    lang.LoadHyphenationfromStream(st);
    EXPECT_EQ(lang.GetHyphenationPositions(u"abcd"), (TCardinalArray{3}));
  }
}

}  // namespace
}  // namespace ht
