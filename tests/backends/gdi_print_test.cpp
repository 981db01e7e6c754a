// Recorded pages of the GDI back end: rendered into metafiles once, printed
// through the GDI canvas on the printer (sheets, titles, orientation, a
// dialog's range), a PNG drawn only with an image converter registered, and
// a page printed to PDF.
#include <gtest/gtest.h>

#include <cstdio>

#include "backends/backends_startup.h"
#include "backends/canvas_gdi.h"
#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"

namespace ht {
namespace {

// Keeps each job's title and, per sheet, the text of its text records and
// its size.
class TJobLog : public gdi::TPrintSink {
 public:
  bool Print(gdi::TPrintJob& Job) override {
    std::vector<String> sheets;
    for (auto& p : Job.Pages) {
      String text;
      for (auto& r : p.Meta->Records)
        if (r.Text) text += r.Text->Text;
      sheets.push_back(text);
      Landscape.push_back(p.Orientation == gdi::poLandscape);
    }
    Titles.push_back(Job.Title);
    Sheets.push_back(sheets);
    return true;
  }
  std::vector<String> Titles;
  std::vector<std::vector<String>> Sheets;
  std::vector<bool> Landscape;
};

THtTextStyle black() {
  THtTextStyle s;
  s.Color = 0xFF000000;
  return s;
}

class GDIPrint : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    core::FontSystem::UseTestFonts();
    HtBackendsInitialize();
  }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
  void SetUp() override {
    Log = std::make_shared<TJobLog>();
    gdi::SetPrintSink(Log);
    Fonts = THtCanvasGDI::ClassType.CreateFontCollection();
    Meta.SetFontCollection(Fonts.get());
  }
  void TearDown() override {
    gdi::SetPrintSink(nullptr);
    THtDocumentConverter::RegisterImageConverter(nullptr);
  }
  THtFont* Font(float Height) { return Fonts->GetFont(u"Arial", Height, {}); }
  std::shared_ptr<TJobLog> Log;
  std::unique_ptr<THtFontCollection> Fonts;
  THtMetaCanvasGDI Meta;
};

TEST_F(GDIPrint, PagesPrintThroughTheGdiCanvasWithTitlesRangesAndOrientation) {
  Meta.BeginPaging(100, 100, 96);
  const char16_t* words[] = {u"one", u"two", u"three"};
  for (int i = 0; i < 3; ++i) {
    if (i) Meta.NewPage(coDefault);
    Meta.FillRectangle(Meta.GetBrush(0xFFFF0000), 5, 5, 20, 20);
    Meta.DrawString(words[i], TRectF(10, 10, 200, 40), Font(16), black(), 1, -1);
  }
  Meta.EndPaging();
  EXPECT_EQ(&THtPageGDI::ClassType, Meta.GetPage(0)->ClassRefOf());
  EXPECT_TRUE(Meta.Print(nullptr, u""));
  ASSERT_EQ(1u, Log->Sheets.size());
  EXPECT_EQ(u"Unnamed", Log->Titles[0]);
  EXPECT_EQ((std::vector<String>{u"one", u"two", u"three"}), Log->Sheets[0]);

  struct Dialog : gdi::TPrintDialog {
    bool Ok = false;
    bool Execute() override {
      PageNumsRange = true;
      FromPage = 2, ToPage = 3, Copies = 2;
      return Ok;
    }
  } dlg;
  EXPECT_FALSE(Meta.Print(&dlg, u"T"));
  EXPECT_EQ(1u, Log->Sheets.size());
  EXPECT_EQ(3, dlg.MaxPage);
  dlg.Ok = true;
  EXPECT_TRUE(Meta.Print(&dlg, u"T"));
  ASSERT_EQ(3u, Log->Sheets.size());  // two copies
  EXPECT_EQ((std::vector<String>{u"two", u"three"}), Log->Sheets[2]);

  // A landscape page ends the document and starts one of its own; no empty
  // sheet or document is printed for a change of orientation.
  THtMetaCanvasGDI mixed;
  mixed.BeginPaging(100, 100, 96);
  mixed.DrawString(u"tall", TRectF(10, 10, 200, 40), Font(16), black(), 1, -1);
  mixed.SetPageWidthMM(150);
  mixed.SetPageHeightMM(100);
  mixed.NewPage(coLandscape);
  mixed.DrawString(u"wide", TRectF(10, 10, 200, 40), Font(16), black(), 1, -1);
  mixed.EndPaging();
  Log->Sheets.clear();
  Log->Landscape.clear();
  EXPECT_TRUE(mixed.Print(nullptr, u"Mixed"));
  ASSERT_EQ(2u, Log->Sheets.size());
  EXPECT_EQ((std::vector<String>{u"tall"}), Log->Sheets[0]);
  EXPECT_EQ((std::vector<String>{u"wide"}), Log->Sheets[1]);
  EXPECT_EQ((std::vector<bool>{false, true}), Log->Landscape);
}

TEST_F(GDIPrint, APageRendersIntoItsMetafileOnce) {
  Meta.BeginPaging(50, 50, 96);
  Meta.FillRectangle(Meta.GetBrush(0xFF0000FF), 0, 0, 30, 30);
  Meta.DrawString(u"Hi", TRectF(2, 2, 40, 20), Font(12), black(), 1, -1);
  Meta.EndPaging();
  THtPage* page = Meta.GetPage(0);
  THtObject* first = page->AsMetaFile();
  const THtBytes a = page->AsMetaFileBytes(), b = page->AsMetaFileBytes();
  EXPECT_EQ(first, page->AsMetaFile());
  EXPECT_EQ(a, b);
  ASSERT_GE(a.size(), 16u);
  EXPECT_EQ("HTMF", std::string(a.begin(), a.begin() + 4));
  auto* mf = static_cast<THtMetafileGDI*>(first)->Handle;
  String text;
  for (auto& r : mf->Records)
    if (r.Text) text += r.Text->Text;
  EXPECT_EQ(u"Hi", text);
}

TEST_F(GDIPrint, ARecordedPngPrintsWithTheConverterRegistered) {
  std::vector<uint32_t> px(16, 0xFF00FF00);
  const THtBytes png = core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), 4, 4);
  auto draw = [&](THtMetaCanvas& M, THtImage* Img) {
    M.BeginPaging(50, 50, 96);
    M.DrawImage(Img, TRectF(10, 10, 30, 30), 1);
    M.EndPaging();
  };
  THtImageGDI without;
  without.LoadFromBytes(png, false);
  EXPECT_FALSE(without.IsLoaded());  // the engine registers no converter

  THtDocumentConverter::RegisterImageConverter(std::make_shared<CoreImageConverter>());
  THtImageGDI with;
  with.LoadFromBytes(png, false);
  ASSERT_TRUE(with.IsLoaded());
  EXPECT_EQ(4, with.Width);
  THtMetaCanvasGDI m;
  draw(m, &with);
  THtPage* page = m.GetPage(0);
  auto* mf = static_cast<THtMetafileGDI*>(page->AsMetaFile())->Handle;
  core::TCoreSurface s(mf->Width, mf->Height);
  s.Fill(0xFFFFFFFF);
  {
    core::TCoreContext c(s);
    gdi::PlayEnhMetaFileOn(c, mf, core::TCoreMatrix());
  }
  s.Flush();
  EXPECT_EQ(0xFF00FF00u, s.Pixel(20, 20));
  EXPECT_EQ(0xFFFFFFFFu, s.Pixel(35, 20));
  EXPECT_TRUE(m.Print(nullptr, u"Picture"));
}

TEST_F(GDIPrint, TextPrintsToPdf) {
  const std::string pdf = ::testing::TempDir() + "gdi_print_test.pdf";
  auto sink = std::make_shared<gdi::TPdfPrintSink>(pdf);
  gdi::SetPrintSink(sink);
  Meta.BeginPaging(210, 297, 96);
  Meta.DrawString(u"Hello printer", TRectF(100, 100, 500, 140), Font(20), black(), 1, -1);
  Meta.EndPaging();
  EXPECT_TRUE(Meta.Print(nullptr, u"GDI page"));
  ASSERT_EQ(1u, sink->Log.size());
  EXPECT_EQ("GDI page: 1 pages", sink->Log[0]);
  FILE* text = popen(("pdftotext '" + pdf + "' - 2>&1").c_str(), "r");
  ASSERT_NE(text, nullptr);
  std::string words;
  for (int c; (c = std::fgetc(text)) != EOF;) words += char(c);
  pclose(text);
  std::remove(pdf.c_str());
  if (words.find("not found") != std::string::npos) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_NE(words.find("Hello printer"), std::string::npos) << words;
}

}  // namespace
}  // namespace ht
