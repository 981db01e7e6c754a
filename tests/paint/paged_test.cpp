// Paged output: page sizes and margins, page selectors and running
// elements, doc-section, the PDF exporter, preview templates and text
// look-ups on recorded pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "backends/canvas_gdi.h"
#include "backends/canvas_gp.h"
#include "backends/page_images.h"
#include "backends/pdf_exporter.h"
#include "canvas/meta_canvas.h"
#include "canvas/meta_records.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "paint/paged_output.h"
#include "platform/core/core_fonts.h"
#include "platform/core/core_image.h"
#include "platform/core/core_surface.h"
#include "platform/gdi/gdi_canvas.h"

namespace ht::testing {

namespace fs = std::filesystem;

class PagedTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }
  void SetUp() override { saved_ = HtDefaultCanvasClass; }
  void TearDown() override {
    HtDefaultCanvasClass = saved_;
    THtPagedExporter::RegisterExporter(u"PDF", nullptr);
  }
  // A print document on the GDI back end's recording canvas.
  std::unique_ptr<THtDocument> Print(StringView Html) {
    auto d = std::make_unique<THtDocument>(THtCanvasGDI::ClassType.PrintCanvasClass());
    d->Parse(String(Html));
    return d;
  }
  static TElement* ById(THtDocument& D, StringView Id) { return D.GetElementbyId(Id); }
  const THtCanvasClass* saved_ = nullptr;
};

struct TSizeCase {
  const char* Name;
  const char16_t* Css;
  float W, H;         // caller's size
  float ExpectW, ExpectH;
  bool Fit;
};

class PageSizeTest : public PagedTest, public ::testing::WithParamInterface<TSizeCase> {};

TEST_P(PageSizeTest, SizeFromCallerOrPageRule) {
  const TSizeCase& c = GetParam();
  auto d = Print(String(u"<style>") + c.Css + u"</style><p>x</p>");
  d->BeginPaging(c.W, c.H, false, 0);
  EXPECT_NEAR(d->PageWidthMM, c.ExpectW, 0.1);  // lengths go through whole pixels
  EXPECT_NEAR(d->PageHeightMM, c.ExpectH, 0.1);
  EXPECT_EQ(d->FitInOnePage, c.Fit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageSizeTest,
    ::testing::Values(TSizeCase{"Default", u"", 0, 0, 210, 297, false},
                      TSizeCase{"A4Landscape", u"@page {size: A4 landscape}", 0, 0, 297, 210, false},
                      TSizeCase{"Letter", u"@page {size: letter}", 0, 0, 216, 279, false},
                      TSizeCase{"LowerCaseOnlyPortrait", u"@page {size: a4 landscape}", 0, 0, 210, 297, false},
                      TSizeCase{"TwoLengthsWide", u"@page {size: 200mm 100mm}", 0, 0, 200, 100, false},
                      TSizeCase{"LandscapeSwaps", u"@page {size: 100mm 200mm landscape}", 0, 0, 200, 100, false},
                      TSizeCase{"Fit", u"@page {size: A4 landscape fit}", 0, 0, 297, 210, true},
                      TSizeCase{"FitAsOrientationWord", u"@page {size: A4 fit}", 0, 0, 210, 297, false},
                      TSizeCase{"CallerWins", u"@page {size: A5}", 100, 150, 100, 150, false},
                      TSizeCase{"LandscapeSwapsCaller", u"@page {size: A5 landscape}", 100, 150, 150, 100, false},
                      TSizeCase{"NegativeFallsBack", u"@page {size: -10mm -5mm}", 0, 0, 210, 297, false},
                      TSizeCase{"HugeIsClamped", u"@page {size: 1e30mm 1e30mm}", 0, 0, 5000, 5000, false},
                      TSizeCase{"CallerNonFinite", u"", 1.0f / 0.0f, 20, 210, 297, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(PagedTest, DefaultPagesAreA4WithFifteenPixelMargins) {
  auto d = Print(u"<p>one</p>");
  d->GeneratePagesForPrint(0, 0, false, 0);
  ASSERT_GE(d->Surface->PageCount(), 1);
  EXPECT_EQ(d->Surface->GetPage(0)->WidthPx, 794);
  EXPECT_EQ(d->Surface->GetPage(0)->HeightPx, 1123);
  for (int m : d->PageMargins) EXPECT_EQ(m, 15);
  EXPECT_TRUE(d->Paged);
}

TEST_F(PagedTest, MarginsFromPageRuleAndSection) {
  auto d = Print(u"<style>@page {margin-top: 40px; margin-left: 7px}</style><p>x</p>");
  d->BeginPaging(0, 0, false, 0);
  d->CalcPageMargins();
  EXPECT_EQ(d->PageMargins[0], 40);
  EXPECT_EQ(d->PageMargins[1], 15);
  EXPECT_EQ(d->PageMargins[3], 7);

  auto one = Print(u"<doc-section margins=\"20px\"></doc-section><p>x</p>");
  one->BeginPaging(0, 0, false, 0);
  one->CalcPageMargins();
  for (int m : one->PageMargins) EXPECT_EQ(m, 20);
  // Two values: the top takes the first, the rest repeat the second; a
  // word that is no length keeps the value before it.
  auto two = Print(u"<doc-section margins=\"10px 30px junk\"></doc-section><p>x</p>");
  two->BeginPaging(0, 0, false, 0);
  two->CalcPageMargins();
  EXPECT_EQ(two->PageMargins[0], 10);
  EXPECT_EQ(two->PageMargins[1], 30);
  EXPECT_EQ(two->PageMargins[2], 30);
  EXPECT_EQ(two->PageMargins[3], 30);
}

TEST_F(PagedTest, FitStopsAtHalfZoom) {
  String tall;
  for (int i = 0; i < 400; ++i) tall += u"<div style=\"height: 50px\">x</div>";
  auto d = Print(tall);
  d->BeginPaging(0, 0, true, 0);
  EXPECT_LE(d->FShrinkFactor, 0.5f);
  EXPECT_GT(d->FShrinkFactor, 0.5f * 0.95f - 0.001f);
}

TEST_F(PagedTest, PageSelectors) {
  auto d = Print(
      u"<style>#f{page: first} #n{page: 2} #l{page: last-} #o{page: odd} #e{page: even} #m{page: -2}"
      u" #z{page: 5}</style><p id=f>a</p><p id=n>b</p><p id=l>c</p><p id=o>d</p><p id=e>e</p><p id=m>f</p>"
      u"<p id=z>g</p><p id=a>h</p>");
  auto on = [&](StringView Id) { return ById(*d, Id)->IsOnPage(0); };
  d->Page = 0;
  d->ForcedPage = 0;
  EXPECT_TRUE(on(u"f"));
  EXPECT_FALSE(on(u"n"));
  EXPECT_TRUE(on(u"o"));
  EXPECT_FALSE(on(u"e"));
  EXPECT_FALSE(on(u"m"));
  EXPECT_FALSE(on(u"z"));
  EXPECT_TRUE(on(u"a"));
  d->Page = 1;
  d->ForcedPage = 1;  // the first forced break lies before this page
  EXPECT_FALSE(on(u"f"));
  EXPECT_TRUE(on(u"n"));
  EXPECT_TRUE(on(u"e"));
  EXPECT_TRUE(on(u"m"));
  d->ForcedPage = 2;
  EXPECT_FALSE(on(u"n"));
  EXPECT_TRUE(on(u"m"));
  d->SetFlag(efCompletelyDrawn, true, false, false);  // the last page
  EXPECT_FALSE(on(u"l"));
  d->SetFlag(efCompletelyDrawn, false, false, false);
  EXPECT_TRUE(on(u"l"));
}

TEST_F(PagedTest, RunningElementChoice) {
  auto d = Print(
      u"<style>.h{position: running(heading)} .f{position: running(footer)} .x{position: running(side)}"
      u" #f2{page: first}</style>"
      u"<div class=f id=f1>1</div><div class=h id=h1>h</div><div class=f id=f2>2</div><p>body</p>");
  d->BeginPaging(0, 0, false, 0);
  ASSERT_EQ(d->FRunningElements.size(), 3u);
  d->Page = 0;
  auto ids = [&] {
    String s;
    for (TElement* e : d->ChooseRunningElements()) s += e->GetAttribute(u"id") + u" ";
    return s;
  };
  // The later footer wins while it matches.
  EXPECT_EQ(ids(), u"f2 h1 ");
  d->Page = 1;
  EXPECT_EQ(ids(), u"h1 f1 ");

  // A running element of another name is always chosen and blocks headings.
  auto x = Print(
      u"<style>.h{position: running(heading)} .x{position: running(side)}</style>"
      u"<div class=h id=h>h</div><div class=x id=x>x</div><p>body</p>");
  x->BeginPaging(0, 0, false, 0);
  x->Page = 0;
  ASSERT_EQ(x->ChooseRunningElements().size(), 1u);
  EXPECT_EQ(x->ChooseRunningElements()[0]->GetAttribute(u"id"), u"x");
}

TEST_F(PagedTest, FootnotesRegisterOnceAndRoundEach) {
  auto d = Print(u"<p>body<span id=a>a</span><span id=b>b</span><span id=c>c</span></p>");
  d->BeginPaging(0, 0, false, 0);
  d->PageMargins[2] = 15;
  const float heights[3] = {20.4f, 20.4f, 20.6f};
  const char16_t* ids[3] = {u"a", u"b", u"c"};
  for (int i = 0; i < 3; ++i) {
    TElement* e = ById(*d, ids[i]);
    e->OuterRect = TRectF{0, 0, 100, heights[i]};
    d->AddFootNote(e);
  }
  d->AddFootNote(ById(*d, u"a"));  // cited twice
  EXPECT_EQ(d->FFootNotes.size(), 3u);
  EXPECT_EQ(d->PageMargins[2], 15 + 61);
}

TEST_F(PagedTest, FooterSurfaceOriginIncludesFootnotes) {
  auto d = Print(u"<style>.f{position: running(footer)}</style><div class=f id=f>x</div><p>body</p>");
  d->BeginPaging(0, 0, false, 0);
  d->PageMargins[0] = 15;
  d->PageMargins[2] = 40;
  d->FFootnoteHeight = 61;
  TElement* f = ById(*d, u"f");
  EXPECT_FLOAT_EQ(f->SurfaceTop(), d->PageHeightPixels - 40 - 15 + 61);
  EXPECT_FLOAT_EQ(f->SurfaceLeft(), -float(d->PageMargins[3]));
}

TEST_F(PagedTest, RefusedPageLeavesNoEmptyPage) {
  auto d = Print(u"<p>x</p>");
  int asked = -1;
  d->OnNewPage = [&](THtDocument*, int Page) {
    asked = Page;
    return Page < 1;
  };
  d->BeginPaging(0, 0, false, 0);
  EXPECT_FALSE(d->NextPage(0) && d->NextPage(0));
  d->EndPaging();
  EXPECT_EQ(d->Surface->PageCount(), 1);
}

TEST_F(PagedTest, SectionSizeAppliesToFollowingPages) {
  auto d = Print(u"<p>x</p><doc-section id=s size=\"A5 landscape\"></doc-section>");
  d->BeginPaging(0, 0, false, 0);
  auto* s = dynamic_cast<TPageBreakElement*>(ById(*d, u"s"));
  ASSERT_TRUE(s);
  d->Page = 2;
  s->Draw(nullptr, THtDrawInfo{});
  EXPECT_EQ(d->FCurrentSection, s);
  EXPECT_EQ(s->FirstPage, 3);
  EXPECT_EQ(d->FNextPageOrientation, coLandscape);
  d->Surface->SetPageWidthMM(d->PageWidthMM);
  d->Surface->SetPageHeightMM(d->PageHeightMM);
  d->Surface->NewPage(d->FNextPageOrientation);
  EXPECT_FLOAT_EQ(d->Surface->PageWidthMM(), 210);
  EXPECT_FLOAT_EQ(d->Surface->PageHeightMM(), 148);

  // "A4" with lengths in a section: whole millimetres.
  d->ApplySectionPageSize(u"100mm 50mm");
  EXPECT_FLOAT_EQ(d->PageWidthMM, 100);
  EXPECT_FLOAT_EQ(d->PageHeightMM, 50);
  EXPECT_EQ(d->Orientation, coPortrait);
  // A size of nothing would leave no room on the following pages: A4.
  d->ApplySectionPageSize(u"0mm -5mm landscape");
  EXPECT_FLOAT_EQ(d->PageWidthMM, 210);
  EXPECT_FLOAT_EQ(d->PageHeightMM, 297);
}

TEST_F(PagedTest, SectionHeaderAndFooterReferences) {
  auto d = Print(
      u"<style>.r{position: running(footer)} #first{page: first}</style>"
      u"<div class=r id=plain>p</div><div class=r id=once>o</div><div class=r>noid</div>"
      u"<doc-section id=a><footer ref=plain></footer><header></header></doc-section>"
      u"<doc-section id=b><footer id=first ref=once></footer></doc-section><p>x</p>");
  d->BeginPaging(0, 0, false, 0);
  auto* a = dynamic_cast<TPageBreakElement*>(ById(*d, u"a"));
  auto* b = dynamic_cast<TPageBreakElement*>(ById(*d, u"b"));
  ASSERT_TRUE(a && b);
  d->Page = 0;
  a->Draw(nullptr, THtDrawInfo{});
  d->Page = 1;
  b->Draw(nullptr, THtDrawInfo{});
  EXPECT_EQ(b->FPreviousSection, a);
  // b's first page shows its own footer, later pages the previous section's.
  d->Page = 2;
  EXPECT_EQ(b->Footer()->GetAttribute(u"id"), u"once");
  d->Page = 3;
  EXPECT_EQ(b->Footer()->GetAttribute(u"id"), u"plain");
  // A header without ref names the first running element without an id.
  ASSERT_TRUE(b->Header());
  EXPECT_EQ(b->Header(), d->FRunningElements[2]);
}

// --- PDF ---------------------------------------------------------------------------------

std::string run(const std::string& Cmd) {
  std::string out;
  FILE* p = ::popen(Cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
}

bool havePoppler() { return run("command -v pdfinfo").find("pdfinfo") != std::string::npos; }

TEST_F(PagedTest, WithoutExporterTheFileIsKept) {
  HtDefaultCanvasClass = &THtCanvasGDI::ClassType;
  const fs::path file = fs::temp_directory_path() / ("ht_keep_" + std::to_string(::getpid()) + ".pdf");
  { std::ofstream(file) << "old"; }
  try {
    THtDocument::HTMLtoPDFFile(u"<p>x</p>", Utf8ToString(file.string()));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"PDF exporter not registered (add quennet unit into project)");
  }
  std::ifstream in(file);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "old");
  fs::remove(file);

  HtDefaultCanvasClass = nullptr;
  try {
    THtDocument::HTMLtoPDF(u"<p>x</p>", u"");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"VCL default canvas class is null: add htcanvasgdip to uses list");
  }
}

TEST_F(PagedTest, PdfPagesSizesAndLinks) {
  if (!havePoppler()) GTEST_SKIP() << "pdfinfo not installed";
  RegisterPdfExporter();
  // Three pages recorded by hand: the exporter's work does not wait for
  // text painting or page breaking.
  THtMetaCanvas& meta = *new THtMetaCanvas();
  std::unique_ptr<THtMetaCanvas> owner(&meta);
  meta.BeginPaging(210, 297, 96);
  THtFont* font = nullptr;
  auto text = [&](StringView S) {
    if (!font) font = THtCanvasGDI::ClassType.SharedFontCollection()->GetFont(u"Arial", 16, THtFontStyles{});
    THtTextStyle st;
    st.Color = 0xFF000000u;
    meta.DrawString(S, TRectF{50, 50, 500, 80}, font, st, 1, -1);
  };
  text(u"first of $$|$#");
  meta.DrawLink(TRectF{50, 100, 200, 120}, u"https://example.org/", false);
  meta.NewPage(coDefault);
  text(u"second");
  meta.NewPage(coLandscape);
  text(u"third");
  meta.EndPaging();
  const fs::path file = fs::temp_directory_path() / ("ht_pages_" + std::to_string(::getpid()) + ".pdf");
  meta.SavetoPDF(Utf8ToString(file.string()));
  const std::string info = run("pdfinfo -f 1 -l 3 '" + file.string() + "'");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    1 size:  595.5 x 842.25 pts"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    3 size:  842.25 x 595.5 pts"), std::string::npos) << info;
  const std::string txt = run("pdftotext '" + file.string() + "' -");
  EXPECT_NE(txt.find("first of 3"), std::string::npos) << txt;
  EXPECT_NE(txt.find("third"), std::string::npos) << txt;
  // The link is an annotation of the first page.
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_NE(bytes.str().find("https://example.org/"), std::string::npos);
  fs::remove(file);
}

TEST_F(PagedTest, HtmlToPdfBytes) {
  if (!havePoppler()) GTEST_SKIP() << "pdfinfo not installed";
  RegisterPdfExporter();
  HtDefaultCanvasClass = &THtCanvasGDI::ClassType;
  const std::vector<uint8_t> pdf = THtDocument::HTMLtoPDF(u"<p id=top>Hello</p>", u"p {color: red}");
  ASSERT_GT(pdf.size(), 100u);
  EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
  const fs::path file = fs::temp_directory_path() / ("ht_html_" + std::to_string(::getpid()) + ".pdf");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
  const std::string info = run("pdfinfo '" + file.string() + "'");
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
  EXPECT_NE(info.find("595.5 x 842.25 pts (A4)"), std::string::npos) << info;
  fs::remove(file);
}

// A fixture of three chapters, the last after a section that turns the pages,
// with a running footer that counts the pages and a link out.
String bookFixture() {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  std::ifstream in(std::string(src && *src ? src : ".") + "/tests/data/paged/book.html");
  std::stringstream text;
  text << in.rdbuf();
  return Utf8ToString(text.str());
}

TEST_F(PagedTest, FixtureToPdfFileReadsBack) {
  if (!havePoppler()) GTEST_SKIP() << "pdfinfo not installed";
  RegisterPdfExporter();
  HtDefaultCanvasClass = &THtCanvasGDI::ClassType;
  const String html = bookFixture();
  ASSERT_FALSE(html.empty());
  const fs::path file = fs::temp_directory_path() / ("ht_book_" + std::to_string(::getpid()) + ".pdf");
  THtDocument::HTMLtoPDFFile(html, Utf8ToString(file.string()));
  const std::string info = run("pdfinfo -f 1 -l 3 '" + file.string() + "'");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    1 size:  595.5 x 842.25 pts"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    2 size:  595.5 x 842.25 pts"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    3 size:  842.25 x 595.5 pts"), std::string::npos) << info;
  const std::string txt = run("pdftotext -layout '" + file.string() + "' -");
  EXPECT_NE(txt.find("First chapter"), std::string::npos) << txt;
  EXPECT_NE(txt.find("Third chapter"), std::string::npos) << txt;
  EXPECT_NE(txt.find("Page 1 of 3"), std::string::npos) << txt;
  EXPECT_NE(txt.find("Page 3 of 3"), std::string::npos) << txt;
  EXPECT_EQ(txt.find("$$|$#"), std::string::npos) << txt;
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_NE(bytes.str().find("https://example.org/book"), std::string::npos);
  fs::remove(file);
}

// --- Page images -------------------------------------------------------------------------

core::TCoreImage decodePng(const THtBytes& Png) {
  core::TCoreImage img;
  EXPECT_TRUE(core::DecodeImage(Png.data(), Png.size(), img));
  return img;
}

uint32_t pixelOf(core::TCoreImage& Img, int X, int Y) {
  const uint8_t* p = Img.Row(0, Y) + size_t(X) * 4;
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST_F(PagedTest, PageImages) {
  auto d = Print(bookFixture());
  d->GeneratePagesForPrint(0, 0, false, 0);
  ASSERT_EQ(d->Surface->PageCount(), 3);

  core::TCoreImage first = decodePng(PagetoPNG(*d->Surface, 0));
  ASSERT_EQ(first.Width, 794);
  ASSERT_EQ(first.Height, 1123);
  EXPECT_EQ(pixelOf(first, 2, 2), 0xFFFFFFFFu);  // the page is white where nothing is drawn
  // The red heading lies in the top margin's first lines.
  int red = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 400; ++x) {
      const uint32_t c = pixelOf(first, x, y);
      if (((c >> 16) & 0xFF) > 150 && ((c >> 8) & 0xFF) < 80 && (c & 0xFF) < 80) ++red;
    }
  EXPECT_GT(red, 100);
  // The footer sits at the page's bottom, in dark text.
  int dark = 0;
  for (int y = 1123 - 60; y < 1123; ++y)
    for (int x = 0; x < 794; ++x)
      if (((pixelOf(first, x, y) >> 8) & 0xFF) < 100) ++dark;
  EXPECT_GT(dark, 20);

  // The landscape page, and a page at half its size.
  core::TCoreImage third = decodePng(PagetoPNG(*d->Surface, 2));
  EXPECT_EQ(third.Width, 1123);
  EXPECT_EQ(third.Height, 794);
  std::unique_ptr<gdi::TBitmap> half = RenderPageBitmap(*d->Surface, 0, 0.5f);
  EXPECT_EQ(half->Width(), 397);
  EXPECT_EQ(half->Height(), 562);

  // A file, written only when the picture is made.
  const fs::path file = fs::temp_directory_path() / ("ht_page_" + std::to_string(::getpid()) + ".png");
  SavePagetoPNG(*d->Surface, 1, Utf8ToString(file.string()));
  std::unique_ptr<core::TCoreSurface> back = core::TCoreSurface::ReadPNG(file.string());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Width(), 794);
  fs::remove(file);
  EXPECT_THROW(SavePagetoPNG(*d->Surface, 3, Utf8ToString(file.string())), EListError);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_THROW(PagetoPNG(*d->Surface, 0, 0), Exception);
  EXPECT_THROW(PagetoPNG(*d->Surface, 0, 1e9f), Exception);
  EXPECT_THROW(SavePagetoPNG(*d->Surface, 0, u"/nonexistent/dir/page.png"), Exception);

  // A screen canvas records no pages.
  THtDocument screen(&THtCanvasGDI::ClassType);
  screen.Parse(u"<p>x</p>");
  EXPECT_THROW(PagetoPNG(*screen.Surface, 0), Exception);
}

// The fixture's centred footer ("Page N of 3"), found as dark ink in the
// page image's bottom band, stands centred on the portrait and the
// landscape page: laid out with the page's width, not the content column's
// (it is drawn from the page's left edge), and around the page count
// itself, not around the placeholder the count replaces.
TEST_F(PagedTest, CentredFooterStandsOnThePageCentre) {
  auto d = Print(bookFixture());
  d->GeneratePagesForPrint(0, 0, false, 0);
  ASSERT_EQ(d->Surface->PageCount(), 3);
  for (int page : {0, 2}) {
    SCOPED_TRACE(page);
    core::TCoreImage img = decodePng(PagetoPNG(*d->Surface, page));
    int left = img.Width, right = -1;
    for (int y = img.Height - 20; y < img.Height; ++y)
      for (int x = 0; x < img.Width; ++x)
        if (((pixelOf(img, x, y) >> 8) & 0xFF) < 100) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    ASSERT_GT(right, left);
    EXPECT_NEAR((left + right + 1) / 2.0, img.Width / 2.0, 2.0) << left << ".." << right;
  }
}

// --- Preview and text look-up -------------------------------------------------------------

std::unique_ptr<THtDocument> pagesDoc(int Count) {
  auto d = std::make_unique<THtDocument>(THtCanvasGDI::ClassType.PrintCanvasClass());
  d->Surface->BeginPaging(210, 297, 96);
  for (int i = 1; i < Count; ++i) d->Surface->NewPage(coDefault);
  return d;
}

TEST_F(PagedTest, PreviewTemplate) {
  auto five = pagesDoc(5);
  const String t = THtDocument::GeneratePrintPreviewTemplate(five.get(), 100, 2, 2, false);
  EXPECT_TRUE(t.starts_with(u"<style> body {margin: 18px 12px} .page {width: 794px; height: 1123px; margin: 12px 12px; }"))
      << StringToUtf8(t);
  EXPECT_NE(t.find(u"<body class=\"row\">"), String::npos);
  EXPECT_NE(t.find(u"<div id=\"page2\" class=\"page\" page=\"1\" ><div class=\"pagenum\">2</div>"), String::npos);
  EXPECT_EQ(t.find(u"id=\"page3\""), String::npos);
  EXPECT_NE(t.find(u"src=\"7\"/>"), String::npos);  // sheet 2 holds pages 4 to 7
  EXPECT_TRUE(t.ends_with(u"</table></div></div>"));

  const String small = THtDocument::GeneratePrintPreviewTemplate(five.get(), 25, 1, 2, true);
  EXPECT_TRUE(small.starts_with(u"<style> body {margin: 6px 4px} .page {width: 281px; height: 198px; margin: 4px 4px; }"))
      << StringToUtf8(small);
  EXPECT_NE(small.find(u"<tr height=\"50%\"><td width=\"100%\" style=\"border-bottom: solid #ea5 1px\">"), String::npos);

  const String one = THtDocument::GeneratePrintPreviewTemplate(five.get(), 50, 1, 1, false);
  EXPECT_NE(one.find(u"<div class=\"page\" id=\"page1\" page=\"0\" style=\"width:397px;height:561.5px\"><img "
                     u"id=\"pageimage0\" class=\"pageimage\" page=\"0\" src=\"0\"/><div class=\"pagenum\">1</div></div>"),
            String::npos)
      << StringToUtf8(one);

  auto six = pagesDoc(6), seven = pagesDoc(7);
  auto sheets = [](const String& T) {
    int n = 0;
    for (size_t p = T.find(u"<div class=\"pagenum\">"); p != String::npos; p = T.find(u"<div class=\"pagenum\">", p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(sheets(THtDocument::GeneratePrintPreviewTemplate(six.get(), 100, 3, 2, false)), 1);
  EXPECT_EQ(sheets(THtDocument::GeneratePrintPreviewTemplate(seven.get(), 100, 3, 2, false)), 2);
  const String none = THtDocument::GeneratePrintPreviewTemplate(six.get(), 100, 3, 3, false);
  EXPECT_EQ(sheets(none), 0);
  EXPECT_TRUE(none.ends_with(u"class=\"sortable\"></div>"));
  EXPECT_EQ(THtDocument::GeneratePrintPreviewTemplate(nullptr, 100, 1, 1, false), u"");
}

// The preview template shown by a document whose image getter answers each
// page index with that page's image (the GDI back end decodes no PNG by
// itself, so the preview is shown by GDI+).
TEST_F(PagedTest, PreviewShowsPageImages) {
  auto print = Print(bookFixture());
  print->GeneratePagesForPrint(0, 0, false, 0);
  ASSERT_EQ(print->Surface->PageCount(), 3);
  const String tpl = THtDocument::GeneratePrintPreviewTemplate(print.get(), 25, 1, 1, false);
  THtDocument preview(&THtCanvasGP::ClassType);
  std::vector<String> asked;
  preview.OnGetImage = [&](THtDocument*, const String& Url, TElement*) {
    asked.push_back(Url);
    return PagetoPNG(*print->Surface, std::stoi(StringToUtf8(Url)), 0.25f);
  };
  preview.Parse(tpl);
  preview.CalcSize(400, 1000);
  gdi::TBitmap target(400, 1000);
  preview.Draw(&target.Canvas(), TRect(0, 0, 400, 1000), TRect(0, 0, 400, 1000), 0, 0, 0);
  target.Surface().Flush();
  EXPECT_EQ(asked, (std::vector<String>{u"0", u"1", u"2"}));
  // Each sheet's red heading shows near its top.
  int red = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x) {
      const uint32_t c = target.Surface().Pixel(x, y);
      if (((c >> 16) & 0xFF) > 150 && ((c >> 8) & 0xFF) < 120 && (c & 0xFF) < 120) ++red;
    }
  EXPECT_GT(red, 10);
}

TEST_F(PagedTest, MetaTextAtPoint) {
  auto d = pagesDoc(1);
  auto& meta = static_cast<THtMetaCanvas&>(*d->Surface);
  THtFont* font = THtCanvasGDI::ClassType.SharedFontCollection()->GetFont(u"Arial", 16, THtFontStyles{});
  THtTextStyle st;
  st.Color = 0xFF000000u;
  meta.SaveState();
  meta.TranslateTransform(100, 200);
  meta.DrawString(u"moved", TRectF{0, 0, 50, 20}, font, st, 1, -1);
  meta.RestoreState();
  meta.DrawString(u"origin", TRectF{0, 0, 50, 20}, font, st, 1, -1);
  ASSERT_TRUE(d->GetMetaTextRecAt(0, 110, 210));
  EXPECT_EQ(d->GetMetaTextRecAt(0, 110, 210)->Text, u"moved");
  EXPECT_EQ(d->GetMetaTextRecAt(0, 10, 10)->Text, u"origin");
  EXPECT_EQ(d->GetMetaTextRecAt(0, 50, 10), nullptr);  // right edge excluded
  EXPECT_EQ(d->GetMetaTextRecAt(1, 10, 10), nullptr);  // past the last page
}

}  // namespace ht::testing
