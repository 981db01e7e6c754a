#pragma once
// A form on the virtual X server that shows one control; helpers that run
// the main loop until GTK has placed and drawn it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <memory>

#include "canvas/canvas.h"
#include "host/html_panel.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace ht::testing {

// Runs the main loop until Pred holds or 5 s pass.
inline bool RunUntil(const std::function<bool()>& Pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    else g_usleep(1000);
  }
  return true;
}

// Lets pending events and draws run (a few frames' worth).
inline void Settle() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
  while (std::chrono::steady_clock::now() < end) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(2000);
  }
}

// The client area's pixels as the X server shows them (0x00RRGGBB).
inline std::vector<uint32_t> screenPixels(ui::TCustomPanel& P) {
  GtkWidget* area = P.ClientArea();
  GtkWidget* top = gtk_widget_get_toplevel(area);
  int x = 0, y = 0, ox = 0, oy = 0;
  gtk_widget_translate_coordinates(area, top, 0, 0, &x, &y);
  gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
  const int w = P.ClientWidth(), h = P.ClientHeight();
  GdkPixbuf* pb = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), ox + x, oy + y, w, h);
  std::vector<uint32_t> px;
  if (!pb) return px;
  const int n = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
  const guchar* bits = gdk_pixbuf_get_pixels(pb);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const guchar* p = bits + j * stride + i * n;
      px.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
  g_object_unref(pb);
  return px;
}

// The panel's document drawn on a bitmap of the client size at the
// panel's offsets.
inline std::vector<uint32_t> offscreenPixels(THtPanel& P) {
  const int w = P.ClientWidth(), h = P.ClientHeight();
  gdi::TBitmap bmp(w, h);
  bmp.Surface().Fill(0xFF000000u | P.Color);
  const TRect r{0, 0, w, h};
  const float s = P.Doc()->Surface->ScaleFactor();
  P.Doc()->Draw(&bmp.Canvas(), r, r, -float(P.OffsetX) / s, -float(P.OffsetY) / s, 0);
  bmp.Surface().Flush();
  std::vector<uint32_t> px;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) px.push_back(bmp.Surface().Pixel(i, j) & 0xFFFFFF);
  return px;
}

// Pixels whose channels differ by more than 2.
inline int differing(const std::vector<uint32_t>& A, const std::vector<uint32_t>& B) {
  int n = 0;
  for (size_t i = 0; i < A.size() && i < B.size(); ++i)
    for (int shift : {0, 8, 16})
      if (std::abs(int((A[i] >> shift) & 0xFF) - int((B[i] >> shift) & 0xFF)) > 2) {
        ++n;
        break;
      }
  return n;
}

class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ui::TApplication::OnException = nullptr;
    ui::TApplication::CloseDialogs();
    Form.reset();
    Settle();
  }
  // Shows Control in a new form of the given client size and waits until
  // its client area has that size less the scroll bars.
  void ShowIn(ui::TWinControl& Control, int W = 640, int H = 480) {
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(W, H);
    Form->InsertControl(Control);
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Control.Width() == W && Control.Height() == H; }));
    Settle();
  }
  std::unique_ptr<ui::TForm> Form;
};

}  // namespace ht::testing
