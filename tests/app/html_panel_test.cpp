// THtPanel on the virtual X server: scrolling and its clamps, the scroll
// bars' ranges, scroll messages, rebuilds and loading, the style hook.
#include "host/html_panel.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>

#include "app/window_fixture.h"
#include "backends/canvas_dx.h"
#include "backends/canvas_gp.h"
#include "document/global.h"
#include "platform/rtl/dispatcher.h"
#include "support/trace_canvas.h"
#include "platform/rtl/stream.h"

namespace ht::testing {
namespace {

namespace fs = std::filesystem;

// A panel whose document size a test sets (negative: the document's own).
class TSizedPanel : public THtPanel {
 public:
  int DocW = -1, DocH = -1;
  int Builds = 0;
  int DocumentPixelWidth() override { return DocW >= 0 ? DocW : THtPanel::DocumentPixelWidth(); }
  int DocumentPixelHeight() override { return DocH >= 0 ? DocH : THtPanel::DocumentPixelHeight(); }
  void CreateDocument() override {
    ++Builds;
    THtPanel::CreateDocument();
  }
  int ScrollDY() const { return FScrollDY; }
  using THtPanel::BeginDocEvent;
  using THtPanel::EndDocEvent;
};

class HtPanelTest : public WindowTest {
 protected:
  void SetUp() override {
    Panel = std::make_unique<TSizedPanel>();
    Panel->SetVerticalScrollBar(hsbAlways);
    Panel->SetHorizontalScrollBar(hsbAlways);
    Panel->SetHTML({u"<p>Some text</p>"});
    Panel->FOnScroll = [this](THtObject*) { ++Scrolls; };
  }
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
  }
  void Show(int W = 640, int H = 480) {
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(W, H);
    Panel->SetParent(Form.get());
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Panel->Width() == W && Panel->Height() == H; }));
    Settle();
    Cw = Panel->ClientWidth();
    Ch = Panel->ClientHeight();
    ASSERT_GT(Cw, 100);
    ASSERT_GT(Ch, 100);
  }
  // Runs smooth-scroll ticks of 10 ms until the scroll ends.
  void FinishSmoothScroll() {
    for (int i = 0; i < 100 && Panel->InSmoothScroll(); ++i) {
      ui::TMessage m{ui::WM_USER + 3, 0, 10, 0};
      Panel->Dispatch(m);
    }
  }
  ui::SCROLLINFO Bar(int Which) {
    ui::SCROLLINFO si;
    si.fMask = 23;
    Panel->GetScrollInfo(Which, si);
    return si;
  }
  std::unique_ptr<TSizedPanel> Panel;
  int Scrolls = 0;
  int Cw = 0, Ch = 0;
};

TEST_F(HtPanelTest, ScrollStopsAtTheDocumentsEnd) {
  Show();
  Panel->DocH = Ch + 1500;
  Panel->DocW = Cw + 300;
  struct Case {
    int fromX, fromY;
    float dx, dy;
    int wantX, wantY;
  } cases[] = {
      {0, 0, 0, 1600, 0, 1500},      // 100 past the end stops at height - client height
      {0, 1500, 0, 1, 0, 1500},      // at the end: unchanged, still an event
      {0, 700, 0, -1000, 0, 0},      // not above the top
      {0, 0, 400, 0, 300, 0},        // the same across
      {0, 0, 0, 10.5f, 0, 10},       // halves go to even
      {0, 0, 0, 11.5f, 0, 12},
  };
  for (const Case& c : cases) {
    Panel->OffsetX = c.fromX;
    Panel->OffsetY = c.fromY;
    Scrolls = 0;
    Panel->Scroll(c.dx, c.dy, false);
    EXPECT_EQ(Panel->OffsetX, c.wantX) << c.dx << "," << c.dy;
    EXPECT_EQ(Panel->OffsetY, c.wantY) << c.dx << "," << c.dy;
    EXPECT_EQ(Scrolls, 1);
  }
}

TEST_F(HtPanelTest, AWindowScrollRepaintsAndTheNextPaintTakesTheDistance) {
  Show();
  Panel->DocH = Ch + 1500;
  Panel->DocW = Cw;
  struct Case {
    const THtCanvasClass* canvas;
    std::string smallMoves;  // two small moves of 10 and 15
  } cases[] = {
      {&TTraceCanvas::ClassType, "ScrollWindowEx 0 -10; ScrollWindowEx 0 -15"},
      // The GDI+ canvas repaints everything on every scroll.
      {&THtCanvasGP::ClassType, "Invalidate; Invalidate"},
      // So does the Direct2D canvas, whose frames reach the panel through
      // the present sink.
      {&THtCanvasDX::ClassType, "Invalidate; Invalidate"},
  };
  for (const Case& c : cases) {
    Panel->SetCanvasClass(c.canvas);
    Settle();
    Panel->OffsetY = 0;
    Panel->Doc()->NeedRepaint = false;
    Panel->Doc()->NeedRecalc = false;
    ui::UiTrace().Clear();
    ui::UiTrace().Enabled = true;
    Panel->ScrollY(10);
    Panel->ScrollY(15);
    EXPECT_EQ(ui::UiTrace().Text(), c.smallMoves);
    EXPECT_EQ(Panel->ScrollDY(), 25);
    ui::UiTrace().Clear();
    ASSERT_TRUE(RunUntil([&] { return ui::UiTrace().Count("Paint") > 0; }));
    EXPECT_EQ(Panel->ScrollDY(), 0);  // the paint took the distance
    ui::UiTrace().Clear();
    Panel->Doc()->NeedRepaint = false;
    Panel->ScrollY(Ch);  // a page or more: the whole client area again
    EXPECT_EQ(ui::UiTrace().Text(), c.canvas == &TTraceCanvas::ClassType
                                        ? "ScrollWindowEx 0 -" + std::to_string(Ch) + "; Invalidate"
                                        : std::string("Invalidate"));
    ui::UiTrace().Enabled = false;
    Settle();
  }
}

TEST_F(HtPanelTest, NotificationsReachTheDocument) {
  Show();
  Panel->SetFont(u"Arial", -20);
  EXPECT_FLOAT_EQ(Panel->Doc()->DefaultFontSize, 20.0f);
  EXPECT_EQ(Panel->Doc()->FDefaultFontName, u"Arial");
  Panel->SetPanelColor(TColor(0x00336699));  // BGR: red 0x99, blue 0x33
  EXPECT_EQ(Panel->Doc()->DefaultBackgroundColor, 0xFF996633u);
  EXPECT_EQ(Panel->Color, 0x996633u);
  Panel->SetVisible(false);
  EXPECT_FALSE(Panel->Doc()->FVisible);
  Panel->SetVisible(true);
  EXPECT_TRUE(Panel->Doc()->FVisible);
  Panel->Doc()->NeedRecalc = true;
  ui::TMessage m{ui::WM_USER + 1, 0, 0, 0};
  Panel->Dispatch(m);
  EXPECT_FALSE(Panel->Doc()->NeedRecalc);
}

TEST_F(HtPanelTest, AShortDocumentReturnsToTheTop) {
  Show();
  Panel->DocH = Ch - 50;
  Panel->DocW = Cw - 50;
  Panel->OffsetY = 40;
  Panel->ScrollY(10);
  EXPECT_EQ(Panel->OffsetY, 0);
  EXPECT_EQ(Scrolls, 1);
  Panel->ScrollY(10);  // already at 0: nothing happens, no event
  Panel->ScrollX(-10);
  EXPECT_EQ(Panel->OffsetY, 0);
  EXPECT_EQ(Scrolls, 1);
}

TEST_F(HtPanelTest, ScaleFromCenterNeitherClampsNorSnapsBack) {
  Show();
  Panel->FScaleFromCenter = true;
  Panel->DocH = Ch - 50;
  Panel->ScrollY(-30);
  EXPECT_EQ(Panel->OffsetY, -30);
  Panel->ScrollY(5000);
  EXPECT_EQ(Panel->OffsetY, 4970);
  Panel->UpdateScrollBars();
  EXPECT_EQ(Panel->OffsetY, 4970);
}

TEST_F(HtPanelTest, BarRangesStayBelowThePageWhenTheContentJustFits) {
  Show();
  struct Case {
    int docH, wantMax;
    bool sensitive;
  } cases[] = {{Ch, Ch - 1, false}, {Ch + 1, Ch - 1, false}, {Ch + 200, Ch + 200, true}, {Ch - 30, Ch - 30, false}};
  for (const Case& c : cases) {
    Panel->DocH = c.docH;
    Panel->UpdateScrollBars();
    const ui::SCROLLINFO si = Bar(ui::SB_VERT);
    EXPECT_EQ(si.nMax, c.wantMax) << c.docH - Ch;
    EXPECT_EQ(int(si.nPage), std::min(Ch, c.wantMax + 1));  // a page never exceeds the range
    EXPECT_EQ(bool(gtk_widget_get_sensitive(Panel->ScrollBar(ui::SB_VERT))), c.sensitive);
  }
  // Scrolled down, the range stretches to the offset.
  Panel->DocH = Ch + 200;
  Panel->ScrollY(150);
  Panel->UpdateScrollBars();
  EXPECT_EQ(Bar(ui::SB_VERT).nPos, 150);
  EXPECT_EQ(Bar(ui::SB_VERT).nMax, Ch + 200);

  // Across, the range is the document's width; one that just fits is cut by 2.
  Panel->Doc()->DocumentWidth = Cw + 1;
  Panel->Doc()->ContentWidth = 0;
  Panel->UpdateScrollBars();
  EXPECT_EQ(Bar(ui::SB_HORZ).nMax, Cw - 1);
  EXPECT_FALSE(gtk_widget_get_sensitive(Panel->ScrollBar(ui::SB_HORZ)));
}

TEST_F(HtPanelTest, ScrollBarMessagesMoveTheDocument) {
  Show();
  Panel->DocH = Ch + 1000;
  Panel->DocW = Cw;
  Panel->UpdateScrollBars();
  GtkWidget* bar = Panel->ScrollBar(ui::SB_VERT);
  auto change = [&](GtkScrollType t, double v) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(bar, "change-value", t, v, &handled);
  };
  change(GTK_SCROLL_STEP_FORWARD, 0);
  EXPECT_EQ(Panel->OffsetY, 5);
  EXPECT_EQ(Bar(ui::SB_VERT).nPos, 5);
  // The thumb and the page steps scroll smoothly.
  change(GTK_SCROLL_JUMP, 300);  // dragging the thumb
  FinishSmoothScroll();
  EXPECT_EQ(Panel->OffsetY, 300);
  EXPECT_EQ(Bar(ui::SB_VERT).nPos, 300);
  change(GTK_SCROLL_PAGE_FORWARD, 0);
  FinishSmoothScroll();
  EXPECT_EQ(Panel->OffsetY, 300 + Ch);
  change(GTK_SCROLL_PAGE_BACKWARD, 0);
  FinishSmoothScroll();
  EXPECT_EQ(Panel->OffsetY, 300);
  change(GTK_SCROLL_STEP_BACKWARD, 0);
  EXPECT_EQ(Panel->OffsetY, 295);
  change(GTK_SCROLL_END, 0);
  EXPECT_EQ(Panel->OffsetY, 1000);
  // The whole control's height, not the client height.
  Panel->OffsetY = 0;
  Panel->PageDown();
  EXPECT_EQ(Panel->OffsetY, Panel->Height());
}

TEST_F(HtPanelTest, TheDocumentIsBuiltOnceItHasAParentAndOnEachChange) {
  EXPECT_EQ(Panel->Doc(), nullptr);
  EXPECT_EQ(Panel->Scale(), 100);
  Show();
  ASSERT_NE(Panel->Doc(), nullptr);
  EXPECT_EQ(Panel->Builds, 1);
  EXPECT_EQ(Panel->Doc()->Control, Panel.get());  // element scroll bars come from the panel
  Panel->OffsetY = 30;
  Panel->SetStyles({u"p {color: red}"});
  EXPECT_EQ(Panel->Builds, 2);
  EXPECT_EQ(Panel->OffsetY, 0);
  // The panel font: height 16 is 12 points.
  EXPECT_FLOAT_EQ(Panel->Doc()->DefaultFontSize, 16.0f);
  Panel->FontHeight = 17;
  Panel->HTMLChanged();
  EXPECT_NEAR(Panel->Doc()->DefaultFontSize, 17.3333f, 0.001);
}

TEST_F(HtPanelTest, ClearHTMLAfterLoadEmptiesTheLinesAfterOneRebuild) {
  Show();
  Panel->FClearHTMLAfterLoad = true;
  Panel->SetHTML({u"<p>first</p>", u"<p>second</p>"});
  EXPECT_EQ(Panel->Builds, 2);
  EXPECT_EQ(Panel->HTML().Count(), 0);
  EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(u"second"), String::npos);
}

TEST_F(HtPanelTest, ARebuildAskedDuringAPressRunsOnceAfterIt) {
  Show();
  THtDocument* before = Panel->Doc();
  Panel->BeginDocEvent();
  Panel->SetHTML({u"<p>one</p>"});
  Panel->SetStyles({u"p {margin: 0}"});
  EXPECT_EQ(Panel->Doc(), before);
  EXPECT_EQ(Panel->Builds, 1);
  Panel->EndDocEvent();
  EXPECT_EQ(Panel->Builds, 2);
  EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(u"one"), String::npos);
}

TEST_F(HtPanelTest, LoadFromStringLeavesTheLinesAlone) {
  Show();
  Panel->LoadFromString(u"<p>direct</p>");
  EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(u"direct"), String::npos);
  EXPECT_EQ(Panel->HTML()[0], u"<p>Some text</p>");
  Panel->HTML().Add(u"<p>more</p>");  // rebuilds from the lines
  EXPECT_EQ(Panel->Doc()->Body()->GetInnerText().find(u"direct"), String::npos);
}

TEST_F(HtPanelTest, ResourcesLoadAsUtf16OrAnsiText) {
  Show();
  THtResourceEntry wide{u"PANEL_WIDE_PAGE", 23, u"", {}};
  for (char c : std::string("<p>resource text</p>")) wide.Data.insert(wide.Data.end(), {uint8_t(c), 0});
  RegisterHtResource(wide);
  RegisterHtResource(THtResourceEntry{u"PANEL_ANSI_PAGE", 23, u"", {'<', 'p', '>', 'c', 'a', 'f', 0xE9, '<', '/', 'p', '>'}});
  Panel->LoadfromResource(u"PANEL_WIDE_PAGE", heUTF16);
  EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(u"resource text"), String::npos);
  Panel->LoadfromResource(u"PANEL_ANSI_PAGE", heANSI);
  EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(u"caf\u00E9"), String::npos);
  THtDocument* before = Panel->Doc();
  EXPECT_THROW(Panel->LoadfromResource(u"NO_SUCH_PAGE", heDefault), EResNotFound);
  EXPECT_EQ(Panel->Doc(), before);
}

class HtPanelFileTest : public HtPanelTest {
 protected:
  void SetUp() override {
    HtPanelTest::SetUp();
    char tmpl[] = "/tmp/tarnwick-panel-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
  }
  void TearDown() override {
    HtPanelTest::TearDown();
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  String Write(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Dir / Name, std::ios::binary) << Bytes;
    return Utf8ToString((Dir / Name).string());
  }
  fs::path Dir;
};

TEST_F(HtPanelFileTest, AFailedLoadKeepsTheDocumentAndNamesTheNewFile) {
  Show();
  THtDocument* before = Panel->Doc();
  fs::create_directory(Dir / "index.html");
  const String missing = Utf8ToString((Dir / "missing.html").string());
  const String folder = Utf8ToString((Dir / "index.html").string());
  for (const String& name : {missing, folder}) {
    EXPECT_THROW(Panel->LoadFromFile(name), EFOpenError);
    EXPECT_EQ(Panel->Doc(), before);
    EXPECT_EQ(Panel->fCurrentFile, name);
    EXPECT_EQ(Panel->Builds, 1);
  }
}

TEST_F(HtPanelFileTest, OddFilesGiveAPage) {
  Show();
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(char((i * 7919 + 13) % 256));
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<p>wide text</p>")) utf16 += std::string{c, '\0'};
  struct Case {
    std::string name, bytes, want;
  } cases[] = {
      {"garbage.html", garbage, ""},
      {"wide.html", utf16, "wide text"},
      {"utf8.html", "\xEF\xBB\xBF<p>caf\xC3\xA9</p>", "caf\xC3\xA9"},
      {"empty.html", "", ""},
  };
  for (const Case& c : cases) {
    const int builds = Panel->Builds;
    Panel->LoadFromFile(Write(c.name, c.bytes));
    EXPECT_EQ(Panel->Builds, builds + 1) << c.name;
    ASSERT_NE(Panel->Doc(), nullptr);
    if (!c.want.empty()) {
      EXPECT_NE(Panel->Doc()->Body()->GetInnerText().find(Utf8ToString(c.want)), String::npos) << c.name;
    }
  }
}

TEST_F(HtPanelTest, TheStyleHookLetsTheProgramDrawOnTheVerticalBar) {
  ASSERT_NE(Panel->StyleHook(), nullptr);
  int calls = 0;
  TRect scrollRect;
  Panel->fVScrollBarPaint = [&](THtScrollingStyleHook* Hook, gdi::HDC DC) {
    ++calls;
    EXPECT_NE(DC, nullptr);
    scrollRect = Hook->VertScrollRect();
  };
  Show();
  ASSERT_TRUE(RunUntil([&] { return calls > 0; }));
  GtkWidget* bar = Panel->ScrollBar(ui::SB_VERT);
  EXPECT_EQ(scrollRect.Right, gtk_widget_get_allocated_width(bar));
  EXPECT_EQ(scrollRect.Bottom, gtk_widget_get_allocated_height(bar));
}

TEST_F(HtPanelTest, AQueuedMessageNeverReachesAFreedPanel) {
  Show();
  Panel->PostMessage(ui::WM_VSCROLL, ui::SB_LINEDOWN);
  Panel->Repaint();
  Panel.reset();
  Settle();  // draws and the queued message find nothing
  EXPECT_EQ(TDispatcher::Main().Pending(), 0u);
}

}  // namespace
}  // namespace ht::testing
