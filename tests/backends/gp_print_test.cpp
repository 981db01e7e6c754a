// Pages recorded as metafiles, the page-count placeholder, printing through
// the print sink (job order, disabled pages) and a page printed to PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "backends/backends_startup.h"
#include "backends/gp_pages.h"
#include "canvas/box_shadow.h"
#include "gp_test_fixture.h"
#include "platform/core/core_image.h"

namespace ht::testing {
namespace {

// Keeps each job's title and, per sheet, the text of its text records.
class TJobLog : public gdi::TPrintSink {
 public:
  bool Print(gdi::TPrintJob& Job) override {
    std::vector<String> sheets;
    for (auto& p : Job.Pages) {
      String text;
      gdi::EnumEnhMetaFile(nullptr, p.Meta.get(), [&](gdi::HENHMETAFILE, gdi::TMetaRecord& r) {
        if (r.Text) text += r.Text->Text;
        return 1;
      });
      sheets.push_back(text);
    }
    Titles.push_back(Job.Title);
    Sheets.push_back(sheets);
    return true;
  }
  std::vector<String> Titles;
  std::vector<std::vector<String>> Sheets;
};

class GPPrint : public GPCanvasTest {
 protected:
  static THtTextStyle Black() {
    THtTextStyle s;
    s.Color = 0xFF000000;
    return s;
  }
  static void SetUpTestSuite() {
    GPCanvasTest::SetUpTestSuite();
    HtBackendsInitialize();
  }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
  void SetUp() override {
    GPCanvasTest::SetUp();
    Log = std::make_shared<TJobLog>();
    gdi::SetPrintSink(Log);
  }
  void TearDown() override {
    gdi::SetPrintSink(nullptr);
    GPCanvasTest::TearDown();
  }
  // Draws on page I of the canvas through a scene on its metafile canvas.
  void OnPage(int I, const std::function<void()>& Draw) {
    auto* page = static_cast<THtPageGP*>(Canvas->GetPage(I));
    THtCanvasScene s;
    s.Init(TRect(0, 0, page->WidthPx, page->HeightPx), page->MetaCanvas.get());
    Canvas->BeginScene(s);
    Draw();
    Canvas->EndScene();
  }
  std::shared_ptr<TJobLog> Log;
};

TEST_F(GPPrint, PageCountPlaceholder) {
  Canvas->BeginPaging(100, 100, 96);
  for (int i = 1; i < 12; ++i) Canvas->NewPage(coDefault);
  ASSERT_EQ(Canvas->PageCount(), 12);
  THtFontGP* f = Font(u"Arial", 16);
  OnPage(0, [&] { Canvas->DrawString(u"Page $$|$# of", TRectF(10, 10, 200, 40), f, Black(), 1, -1); });
  OnPage(11, [&] { Canvas->DrawString(u"$$|$#", TRectF(10, 10, 200, 40), f, Black(), 1, -1); });
  Canvas->EndPaging();
  std::vector<String> texts;
  for (int i : {0, 11})
    gdi::EnumEnhMetaFile(nullptr, static_cast<THtPageGP*>(Canvas->GetPage(i))->Meta,
                         [&](gdi::HENHMETAFILE, gdi::TMetaRecord& r) {
                           if (r.Text) texts.push_back(r.Text->Text);
                           return 1;
                         });
  EXPECT_EQ(texts, (std::vector<String>{u"Page 12    of", u"12   "}));
  // Counts that do not fit leave the placeholder.
  auto* last = static_cast<THtPageGP*>(Canvas->GetPage(11));
  last->Meta->Records.clear();
  gdi::TMetaRecord r;
  r.iType = gdi::EMR_EXTTEXTOUTW;
  r.Text = std::make_unique<gdi::TMetaTextRecord>();
  r.Text->Text = u"$$|$#";
  last->Meta->Records.push_back(std::move(r));
  ReplacePageCountPlaceholder(last->Meta, 100000);
  EXPECT_EQ(last->Meta->Records[0].Text->Text, u"$$|$#");
}

TEST_F(GPPrint, RecordedPagesReplayInOrder) {
  auto bytes = AhemBytes();
  TMemoryStream ahem(bytes.data(), bytes.size());
  Fonts->AddFontStream(u"Ahem", ahem);
  Canvas->BeginPaging(50, 50, 96);
  OnPage(0, [&] {
    Canvas->FillRectangle(Canvas->GetBrush(0xFFFF0000), 0, 0, 100, 100);
    Canvas->DrawString(u"X", TRectF(0, 0, 50, 40), Font(u"Ahem", 20), Black(), 1, -1);
    Canvas->FillRectangle(Canvas->GetBrush(0xFF0000FF), 10, 0, 100, 100);
  });
  auto img = Canvas->GetPage(0)->AsImage(0, 96);
  ASSERT_TRUE(img->IsLoaded());
  Begin(60, 60);
  Canvas->DrawImage(img.get(), TRectF(0, 0, float(img->Width), float(img->Height)), 1);
  // The text lies over the red and under the blue.
  EXPECT_EQ(Px(5, 10), 0xFF000000u);
  EXPECT_EQ(Px(15, 10), 0xFF0000FFu);
  EXPECT_EQ(Px(5, 30), 0xFFFF0000u);
  const THtBytes meta = Canvas->GetPage(0)->AsMetaFileBytes();
  ASSERT_GE(meta.size(), 16u);
  EXPECT_EQ(std::string(meta.begin(), meta.begin() + 4), "HTMF");
  // The metafile object is the page's own one, replayable on any surface.
  THtObject* mf = Canvas->GetPage(0)->AsMetaFile();
  ASSERT_NE(mf, nullptr);
  EXPECT_EQ(mf, Canvas->GetPage(0)->AsMetaFile());
  gdi::HENHMETAFILE h = static_cast<THtMetafileGDI*>(mf)->Handle;
  EXPECT_EQ(h, static_cast<THtPageGP*>(Canvas->GetPage(0))->Meta);
  EXPECT_EQ(gdi::GetEnhMetaFileBits(h), meta);
  core::TCoreSurface s(h->Width, h->Height);
  {
    core::TCoreContext c(s);
    gdi::PlayEnhMetaFileOn(c, h, core::TCoreMatrix());
  }
  s.Flush();
  EXPECT_EQ(s.Pixel(5, 30), 0xFFFF0000u);
  EXPECT_EQ(s.Pixel(15, 30), 0xFF0000FFu);
}

TEST_F(GPPrint, PrintOrderAndDisabledPages) {
  THtMetaCanvasGP mc;
  mc.SetFontCollection(Fonts.get());
  mc.BeginPaging(100, 100, 96);
  THtFont* f = Font(u"Arial", 16);
  const char16_t* words[] = {u"one", u"two", u"three"};
  for (int i = 0; i < 3; ++i) {
    if (i) mc.NewPage(coDefault);
    mc.DrawString(words[i], TRectF(10, 10, 200, 40), f, Black(), 1, -1);
  }
  mc.EndPaging();
  mc.PrintOrder = {2, 1, 0};
  mc.GetPage(1)->Disabled = true;
  EXPECT_TRUE(mc.Print(nullptr, u""));
  ASSERT_EQ(Log->Sheets.size(), 1u);
  EXPECT_EQ(Log->Titles[0], u"Unnamed");
  EXPECT_EQ(Log->Sheets[0], (std::vector<String>{u"three", u"one"}));

  // A cancelled dialog prints nothing; a range is honoured.
  // The user picks page 1 only.
  struct Dialog : gdi::TPrintDialog {
    bool Ok = false;
    bool Execute() override {
      PageNumsRange = true;
      FromPage = ToPage = 1;
      return Ok;
    }
  } dlg;
  EXPECT_FALSE(mc.Print(&dlg, u"T"));
  EXPECT_EQ(Log->Sheets.size(), 1u);
  dlg.Ok = true;
  mc.PrintOrder.clear();
  EXPECT_TRUE(mc.Print(&dlg, u"T"));
  EXPECT_EQ(Log->Sheets.back(), (std::vector<String>{u"one"}));
}

TEST_F(GPPrint, PageWithTextImagesAndShadowPrintsToPDF) {
  const std::string pdf = ::testing::TempDir() + "gp_print_test.pdf";
  auto sink = std::make_shared<gdi::TPdfPrintSink>(pdf);
  gdi::SetPrintSink(sink);
  Canvas->BeginPaging(210, 297, 96);
  std::vector<uint32_t> px(16, 0xFF00FF00);
  auto png = std::make_unique<THtImageGP>();
  png->LoadFromBytes(core::EncodePNG(reinterpret_cast<const uint8_t*>(px.data()), 4, 4), false);
  const std::vector<uint8_t> gifBytes = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255,
                                         0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B};
  auto gif = std::make_unique<THtImageGP>();
  gif->LoadFromBytes(gifBytes, false);
  ASSERT_TRUE(png->IsLoaded() && gif->IsLoaded());
  OnPage(0, [&] {
    THtShadowProps p;
    HtShadowProps(p, TRectF(100, 300, 300, 400), 0, true, 5, 5, 8, 0xFF000000, 255, false);
    Canvas->DrawShadow(nullptr, p);
    Canvas->DrawString(u"Hello printer", TRectF(100, 100, 500, 140), Font(u"Arial", 20), Black(), 1, -1);
    Canvas->DrawImage(png.get(), TRectF(100, 200, 140, 240), 1);
    Canvas->DrawImage(gif.get(), TRectF(200, 200, 240, 240), 1);
  });
  Canvas->EndPaging();
  EXPECT_TRUE(Canvas->Print(nullptr, u"Tarnwick page"));
  ASSERT_EQ(sink->Log.size(), 1u);
  EXPECT_EQ(sink->Log[0], "Tarnwick page: 1 pages");
  FILE* info = popen(("pdfinfo '" + pdf + "' 2>&1").c_str(), "r");
  ASSERT_NE(info, nullptr);
  std::string out;
  for (int c; (c = std::fgetc(info)) != EOF;) out += char(c);
  pclose(info);
  if (out.find("not found") != std::string::npos) GTEST_SKIP() << "pdfinfo is not installed";
  auto field = [&](const std::string& Name) {
    size_t at = out.find(Name + ":");
    if (at == std::string::npos) return std::string();
    at = out.find_first_not_of(' ', at + Name.size() + 1);
    return out.substr(at, out.find('\n', at) - at);
  };
  EXPECT_EQ(field("Pages"), "1") << out;
  EXPECT_EQ(field("Title"), "Tarnwick page") << out;
  FILE* text = popen(("pdftotext '" + pdf + "' - 2>&1").c_str(), "r");
  std::string words;
  for (int c; (c = std::fgetc(text)) != EOF;) words += char(c);
  pclose(text);
  EXPECT_NE(words.find("Hello printer"), std::string::npos) << words;
  std::remove(pdf.c_str());
}

}  // namespace
}  // namespace ht::testing
