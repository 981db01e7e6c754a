#include <cmath>

#include "backends/gp_test_fixture.h"

namespace ht::testing {
namespace {

using GPFonts = GPCanvasTest;

TEST_F(GPFonts, SystemFontMetrics) {
  struct Case {
    const char16_t* family;
    const char16_t* realName;
    bool fixed;
  } cases[] = {
      {u"Arial", u"Arial", false},
      {u"Courier New", u"Courier New", true},
      {u"sans-serif", u"Arial", false},
      {u"Helvetica", u"Arial", false},  // not installed: falls back
  };
  for (const auto& c : cases) {
    THtFontGP* f = Font(c.family, 20);
    EXPECT_EQ(f->RealName, c.realName) << StringToUtf8(c.family);
    EXPECT_EQ(f->Fixed, c.fixed) << StringToUtf8(c.family);
    EXPECT_FALSE(f->Custom);
    EXPECT_FLOAT_EQ(f->FixedCharWidth, f->SpaceWidth);
  }
  THtFontGP* arial = Font(u"Arial", 20);
  EXPECT_NEAR(arial->LineHeight, 20.0f * 2355 / 2048, 1e-3);
  EXPECT_NEAR(arial->Ascent, arial->LineHeight * 1854 / 2288, 1e-3);
  EXPECT_NEAR(arial->Ascent + arial->Descent, arial->LineHeight, 1e-3);
  EXPECT_NEAR(arial->SpaceWidth, 20 * 278 / 1000.0f, 1e-4);  // the space: 278 at 1000 units
  EXPECT_FLOAT_EQ(arial->Size(), 15);
  EXPECT_FLOAT_EQ(arial->UnderlinePosition, arial->Descent / 2 - 1 / 2.0f);
  EXPECT_FLOAT_EQ(arial->StrikeoutPosition, arial->Ascent * 0.7f - arial->Ascent);
  EXPECT_FLOAT_EQ(arial->MinCharWidth, 4);  // "i" at 20 px
  EXPECT_EQ(std::ceil(Font(u"Courier New", 20)->Ascent), Font(u"Courier New", 20)->Ascent);
  // A tiny font still has an em of one pixel.
  EXPECT_FLOAT_EQ(Font(u"Arial", 0.5f)->Font->GetSize(), 1);
}

TEST_F(GPFonts, StyleChangesRealiseOnlyWhenTheFaceChanges) {
  THtFontGP* f = Font(u"Arial", 20);
  gdiplus::Font* before = f->Font.get();
  f->SetStyle({hfsUnderline});
  EXPECT_EQ(f->Font.get(), before);
  f->SetStyle({hfsBold});
  EXPECT_NE(f->Font.get(), before);
  EXPECT_EQ(f->Font->GetStyle(), gdiplus::FontStyleBold);
  f->AddWidth(u"abc", 12);
  f->SetScale(1.00001f);
  float w;
  EXPECT_TRUE(f->GetWidth(u"abc", 1, 3, w));
  f->SetScale(2);
  EXPECT_FALSE(f->GetWidth(u"abc", 1, 3, w));
}

TEST_F(GPFonts, WebFontsFromStreams) {
  auto bytes = AhemBytes();
  auto* coll = static_cast<THtGPFontCollection*>(Fonts.get());
  TMemoryStream s(bytes.data(), bytes.size());
  coll->AddFontStream(u"Ahem", s);
  coll->AddFontStream(u"AHEM", s);  // known under another case: ignored
  ASSERT_NE(coll->PrivateFonts(), nullptr);
  EXPECT_EQ(coll->PrivateFonts()->FontNames.size(), 1u);
  EXPECT_EQ(coll->PrivateFonts()->Fonts.GetFamilyCount(), 1);
  THtFontGP* f = Font(u"Ahem", 20);
  EXPECT_TRUE(f->Custom);
  EXPECT_FALSE(f->Fixed);
  EXPECT_FLOAT_EQ(f->MinCharWidth, 20 / 3.0f);
  EXPECT_FLOAT_EQ(Measure(u"XXXX", f), 80);  // shaped with the same face
  // The name inside the file decides: added as "Other", it is not found and
  // realises as a system font of that name, which falls back to Arial.
  TMemoryStream again(bytes.data(), bytes.size());
  coll->AddFontStream(u"Other", again);
  EXPECT_EQ(coll->PrivateFonts()->GetFont(u"Other"), nullptr);
  EXPECT_EQ(Font(u"Other", 20)->RealName, u"Arial");
  // Garbage bytes leave the collection usable.
  std::vector<uint8_t> junk(200, 0x5A);
  TMemoryStream bad(junk.data(), junk.size());
  coll->AddFontStream(u"Broken", bad);
  EXPECT_EQ(Font(u"Broken", 20)->RealName, u"Arial");
  EXPECT_FLOAT_EQ(Measure(u"XXXX", Font(u"Ahem", 10)), 40);
}

TEST_F(GPFonts, FontDataTravelsToOtherCollections) {
  auto bytes = AhemBytes();
  Fonts->KeepFontData = true;
  TMemoryStream s(bytes.data(), bytes.size());
  Fonts->AddFontStream(u"Ahem", s);
  auto other = THtCanvasGP::ClassType.CreateFontCollection();
  other->AddFontsFrom(Fonts.get());
  THtFont* f = other->GetFont(u"Ahem", 10, {});
  EXPECT_TRUE(f->Custom);
  THtCustomFont* cf = nullptr;
  ASSERT_TRUE(other->CustomFonts->TryGetValue(u"ahem", cf));
  EXPECT_TRUE(cf->FontData.empty());  // the copy does not keep bytes
  // Fonts from files are known to GDI too, so shaping and drawing agree.
  auto fromFile = THtCanvasGP::ClassType.CreateFontCollection();
  fromFile->AddFontFile(u"Ahem", Utf8ToString(SourceDir() + "/tests/data/fonts/ahem.ttf"));
  EXPECT_FLOAT_EQ(Measure(u"XX", fromFile->GetFont(u"Ahem", 10, {})), 20);
}

}  // namespace
}  // namespace ht::testing
