// The Direct2D canvas against raw cairo on the same shapes, and a scrolled
// present against a plain move of the frame. Goals: shapes within 1.3x of
// raw cairo, a 30-pixel scroll at 1920 x 1080 within 2x of the memmove.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "backends/canvas_dx.h"

namespace {

using namespace ht;

constexpr int kShapes = 10000;
constexpr int kW = 800, kH = 600;

// Shape i's box: spread over the surface, 5 to 40 px.
void box(int i, float& x, float& y, float& w, float& h) {
  x = float((i * 37) % (kW - 40));
  y = float((i * 53) % (kH - 40));
  w = float(5 + i % 36);
  h = float(5 + (i * 7) % 36);
}

enum Kind { kRect, kRound, kPath };

void canvasShapes(benchmark::State& state, Kind kind) {
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateDIBSection32(kW, kH, nullptr);
  gdi::SelectObject(dc, bmp);
  gdi::TCanvas target(dc);
  THtCanvasDX canvas;
  THtBrush brush(0xFF336699u);
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, kW, kH), &target);
  for (auto _ : state) {
    canvas.BeginScene(scene);
    for (int i = 0; i < kShapes; ++i) {
      float x, y, w, h;
      box(i, x, y, w, h);
      brush.SetColor(0xFF000000u | uint32_t(i * 2654435761u >> 8));
      if (kind == kRect) {
        canvas.FillRectangle(&brush, x, y, w, h);
      } else if (kind == kRound) {
        canvas.FillRoundRect(&brush, TRectF(x, y, x + w, y + h), 4, 4);
      } else {
        THtPathDX p(false);
        p.MoveTo(x, y);
        p.LineTo(x + w, y);
        p.AddArc(x, y, w, h, 0, 90, 1);
        p.CloseFigure();
        canvas.FillPath(&brush, &p);
      }
    }
    canvas.EndScene();
  }
  state.SetItemsProcessed(state.iterations() * kShapes);
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bmp);
}

void cairoShapes(benchmark::State& state, Kind kind) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  for (auto _ : state) {
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < kShapes; ++i) {
      float x, y, w, h;
      box(i, x, y, w, h);
      uint32_t c = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
      cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, 1);
      if (kind == kRect) {
        cairo_rectangle(cr, x, y, w, h);
      } else if (kind == kRound) {
        double r = 4;
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + w - r, y + r, r, -std::numbers::pi / 2, 0);
        cairo_arc(cr, x + w - r, y + h - r, r, 0, std::numbers::pi / 2);
        cairo_arc(cr, x + r, y + h - r, r, std::numbers::pi / 2, std::numbers::pi);
        cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 3 * std::numbers::pi / 2);
        cairo_close_path(cr);
      } else {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + w, y);
        cairo_save(cr);
        cairo_translate(cr, x + w / 2, y + h / 2);
        cairo_scale(cr, w / 2, h / 2);
        cairo_arc(cr, 0, 0, 1, 0, std::numbers::pi / 2);
        cairo_restore(cr);
        cairo_close_path(cr);
      }
      cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(s);
  }
  state.SetItemsProcessed(state.iterations() * kShapes);
  cairo_surface_destroy(s);
}

void BM_CanvasDXRectangles(benchmark::State& s) { canvasShapes(s, kRect); }
void BM_CairoRectangles(benchmark::State& s) { cairoShapes(s, kRect); }
void BM_CanvasDXRoundRects(benchmark::State& s) { canvasShapes(s, kRound); }
void BM_CairoRoundRects(benchmark::State& s) { cairoShapes(s, kRound); }
void BM_CanvasDXPaths(benchmark::State& s) { canvasShapes(s, kPath); }
void BM_CairoPaths(benchmark::State& s) { cairoShapes(s, kPath); }
BENCHMARK(BM_CanvasDXRectangles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoRectangles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasDXRoundRects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoRoundRects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasDXPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoPaths)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- presents

constexpr int kFW = 1920, kFH = 1080;

void BM_Present1Scroll30(benchmark::State& state) {
  std::shared_ptr<d2d::ID3D11Device> dev;
  d2d::D3D11CreateDevice(nullptr, d2d::D3D_DRIVER_TYPE_HARDWARE, 0, 0, nullptr, 0, d2d::D3D11_SDK_VERSION, &dev,
                         nullptr, nullptr);
  d2d::IDXGISwapChain1 chain(dev, 1, kFW, kFH, true);
  d2d::RECT dirty{0, kFH - 30, kFW, kFH}, scroll{0, 0, kFW, kFH - 30};
  d2d::POINT offset{0, -30};
  d2d::DXGI_PRESENT_PARAMETERS p{1, &dirty, &scroll, &offset};
  for (auto _ : state) {
    chain.Present1(1, 0, &p);
    benchmark::ClobberMemory();
  }
}

void BM_MemmoveFrame(benchmark::State& state) {
  std::vector<uint8_t> frame(size_t(kFW) * kFH * 4, 1);
  for (auto _ : state) {
    std::memmove(frame.data(), frame.data() + size_t(kFW) * 4 * 30, size_t(kFW) * 4 * (kFH - 30));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Present1Scroll30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemmoveFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
