// The main window as the program makes it, and the panel's picture on the
// screen against the same document drawn off screen.
#include "app/unit_main.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <cstdlib>

#include "app/window_fixture.h"
#include "canvas/canvas.h"
#include "document/paint_services.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/stream.h"

namespace ht::testing {
namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, WithoutIndexTheBuiltInPageShowsAndTheErrorIsReported) {
  std::vector<String> reported;
  ui::TApplication::OnException = [&](const String& M) { reported.push_back(M); };
  TForm1 form;
  EXPECT_EQ(form.Caption(), u"Lorimel - Tarnwick");
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_NE(reported[0].find(u"index.html"), String::npos);
  THtPanel& p = *form.HtPanel1;
  EXPECT_EQ(p.fCurrentFile, TForm1::ExeFolder() + u"index.html");
  ASSERT_NE(p.Doc(), nullptr);
  EXPECT_NE(p.Doc()->Body()->GetInnerText().find(u"Test"), String::npos);
  EXPECT_TRUE(p.ScrollBarShown(ui::SB_VERT));
  EXPECT_TRUE(p.ScrollBarShown(ui::SB_HORZ));
  EXPECT_NEAR(p.Doc()->DefaultFontSize, 17.3333f, 0.001);
  EXPECT_EQ(p.HighlightTextColor(), 0u);
  form.Show();
  EXPECT_TRUE(RunUntil([&] { return p.Width() == 1171 && p.Height() == 723; }));
  form.SetVisible(false);
}

TEST_F(MainWindowTest, OnlyLinksStartingWithIndexLoadAFile) {
  ui::TApplication::OnException = [](const String&) {};
  TForm1 form;
  THtPanel& p = *form.HtPanel1;
  THtDocument* doc = p.Doc();
  auto link = doc->CreateElement(u"a");
  for (const char16_t* href : {u"Index.html", u"./index.html", u"#top", u"", u"http://example.invalid/index.html"}) {
    link->SetAttribute(u"href", href);
    form.HtPanel1UrlClick(link.get());
    EXPECT_EQ(p.Doc(), doc) << StringToUtf8(href);
  }
  // A fragment is part of the file name.
  link->SetAttribute(u"href", u"index.html#part");
  EXPECT_THROW(form.HtPanel1UrlClick(link.get()), EFOpenError);
  EXPECT_EQ(p.fCurrentFile, TForm1::ExeFolder() + u"index.html#part");
  EXPECT_EQ(p.Doc(), doc);
}

TEST_F(MainWindowTest, TheWindowShowsWhatTheDocumentDrawsOffScreen) {
  if (HtPaintServices().InternalPaint == NeutralPaintServices().InternalPaint)
    GTEST_SKIP() << "documents paint nothing until the painting unit is started";
  ui::TApplication::OnException = [](const String&) {};
  TForm1 form;
  THtPanel& p = *form.HtPanel1;
  std::vector<String> tall{u"<div style='height: 3000px; background: linear-gradient(#fff, #248)'>"};
  for (int i = 0; i < 40; ++i) tall.push_back(u"<p>Line of text number " + AsciiToString(std::to_string(i)) + u"</p>");
  tall.push_back(u"</div>");
  p.SetHTML(tall);
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return p.Width() == 1171 && p.Height() == 723; }));
  Settle();
  if (p.Doc()->ContentHeight <= float(p.Height()))
    GTEST_SKIP() << "the page cannot scroll until layout places its boxes";
  for (int scroll : {0, 100}) {
    p.ScrollY(scroll);
    EXPECT_EQ(p.OffsetY, scroll);
    Settle();
    const auto screen = screenPixels(p);
    const auto offscreen = offscreenPixels(p);
    ASSERT_EQ(screen.size(), offscreen.size());
    EXPECT_LE(differing(screen, offscreen), int(screen.size() / 1000)) << "scrolled by " << scroll;
  }
  form.SetVisible(false);
}

}  // namespace
}  // namespace ht::testing
