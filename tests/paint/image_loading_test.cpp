// An image that arrives from the loader thread while the page is being
// painted over and over: each paint sees it either still loading (nothing
// drawn) or loaded (the picture at its size), never half of it. Part of
// the ThreadSanitizer run.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "document/document.h"
#include "platform/rtl/dispatcher.h"
#include "support/trace_canvas.h"

namespace ht::testing {
namespace {

TEST(ImageLoading, AnImageLoadedMidPaintShowsOnTheNextPaint) {
  auto doc = std::make_unique<THtDocument>(&TTraceCanvas::ClassType);
  doc->BackgroundImageLoading = true;
  doc->OnGetImage = [](THtDocument*, const String&, TElement*) {
    // On the loader thread, while the main thread paints.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return TracePng(30, 20);
  };
  doc->Parse(u"<body style='margin:0'><img src='slow.png'></body>");
  doc->CalcSize(800, 600);
  auto& G = static_cast<TTraceCanvas&>(*doc->Surface);
  G.Groups = TTraceCanvas::tcAll;
  THtObject target;
  bool shown = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!shown && std::chrono::steady_clock::now() < end) {
    G.Calls.clear();
    doc->Draw(&target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
    // Before the picture arrives nothing stands in for it.
    EXPECT_EQ(G.Only("DrawRect"), "");
    shown = G.Only("DrawImage").rfind("DrawImage slow.png ", 0) == 0;
    TDispatcher::Main().Drain();
  }
  ASSERT_TRUE(shown);
  // Laid out again with its size.
  G.Calls.clear();
  doc->Draw(&target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
  EXPECT_EQ(G.Only("DrawImage"), "DrawImage slow.png 0,0,30,20 o1\n");
}

}  // namespace
}  // namespace ht::testing
