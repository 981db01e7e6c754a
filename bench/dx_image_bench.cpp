// The Direct2D back end's images and shadows beside what they stand for:
// - composing an animated GIF frame for a target (PrepareFrame) beside the
//   GIF codec compositing the same frame alone;
// - resampling a 4000 x 3000 picture to an 800 x 600 device bitmap (the
//   scaler, converter and Direct2D bitmap of an image draw) beside a raw
//   cairo bilinear scale;
// - a 1000 x 1000 box shadow from nine slices beside a Gaussian blur of the
//   whole box (the software route).
// Compare the times of each pair.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstring>
#include <random>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/dx_images.h"
#include "backends/gif_image.h"
#include "canvas/blur.h"
#include "canvas/box_shadow.h"
#include "platform/core/core_image.h"

namespace {

using namespace ht;

// ---------------------------------------------------------------- GIF frames

constexpr int kFrames = 60, kSize = 300;

// Frames covering the whole screen (Arg 0) or a quarter of it moving
// around (Arg 1), with a mix of disposals.
std::vector<uint8_t> animation(bool Quarter) {
  THtGifImage image;
  TGIFPalette pal;
  for (int i = 0; i < 256; ++i) pal.push_back(TGIFColor{uint8_t(i), uint8_t(i * 7), uint8_t(255 - i)});
  image.GlobalColorTable().ImportPalette(pal);
  image.Header().SetWidth(kSize);
  image.Header().SetHeight(kSize);
  std::mt19937 rng{7};
  for (int f = 0; f < kFrames; ++f) {
    auto* frame = new THtGIFFrame(&image);
    const int side = Quarter ? kSize / 2 : kSize;
    const int x = Quarter ? (f * 37) % (kSize - side) : 0, y = Quarter ? (f * 53) % (kSize - side) : 0;
    frame->SetBounds(x, y, side, side);
    std::vector<uint8_t>& px = frame->Data();
    for (int j = 0; j < side; ++j)
      for (int i = 0; i < side; ++i)
        px[size_t(j) * side + i] = j % 11 == 0 ? uint8_t(rng()) : uint8_t((i * i + j * j) / 91 + f);
    frame->SetDelay(4);
    frame->GraphicControlExtension()->SetDisposal(f % 3 == 0 ? fdmBackground : fdmNoDisposal);
  }
  TMemoryStream out;
  image.SaveToStream(out);
  return out.Data();
}

struct TStarted {
  TStarted() { HtBackendsInitialize(); }
};

void BM_PrepareFrame(benchmark::State& state) {
  static TStarted started;
  const std::vector<uint8_t> bytes = animation(state.range(0) != 0);
  THtImageDX img;
  img.LoadFromBytes(bytes, false);
  std::shared_ptr<d2d::IWICBitmap> buffer;
  D2DHelper().WICFactory()->CreateBitmap(1, 1, d2d::GUID_WICPixelFormat32bppPBGRA, d2d::WICBitmapCacheOnLoad, &buffer);
  std::shared_ptr<d2d::ID2D1RenderTarget> target;
  D2DHelper().D2DFactory->CreateWicBitmapRenderTarget(buffer, d2d::D2D1_RENDER_TARGET_PROPERTIES(), &target);
  // One pass first: the codec decodes each frame's pixels once.
  for (int i = 0; i < kFrames; ++i) {
    img.SetCurrentFrame(i);
    img.PrepareFrame(target.get());
  }
  int i = 0;
  for (auto _ : state) {
    img.SetCurrentFrame(i);
    img.PrepareFrame(target.get());
    i = (i + 1) % kFrames;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrepareFrame)->Arg(0)->Arg(1);

void BM_CodecComposite(benchmark::State& state) {
  const std::vector<uint8_t> bytes = animation(state.range(0) != 0);
  THtGifImage gif;
  TMemoryStream in(bytes.data(), bytes.size());
  gif.LoadFromStream(in);
  for (int i = 0; i < kFrames; ++i) gif.SetFrameIndex(i);
  int i = 0;
  for (auto _ : state) {
    gif.SetFrameIndex(i);
    benchmark::DoNotOptimize(gif.Bitmap());
    i = (i + 1) % kFrames;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CodecComposite)->Arg(0)->Arg(1);

// ---------------------------------------------------------------- scaling

constexpr int kBigW = 4000, kBigH = 3000, kSmallW = 800, kSmallH = 600;

std::shared_ptr<core::TCoreSurface> bigPicture() {
  auto s = std::make_shared<core::TCoreSurface>(kBigW, kBigH);
  for (int y = 0; y < kBigH; ++y) {
    uint8_t* row = s->ScanLine(y);
    for (int x = 0; x < kBigW; ++x) row[x * 4] = uint8_t(x), row[x * 4 + 1] = uint8_t(y), row[x * 4 + 2] = uint8_t(x ^ y),
                                    row[x * 4 + 3] = 255;
  }
  s->MarkDirty();
  return s;
}

void BM_DeviceBitmapScale(benchmark::State& state) {
  static TStarted started;
  auto decoded = std::make_shared<d2d::IWICBitmap>(bigPicture(), d2d::GUID_WICPixelFormat32bppPBGRA);
  auto wic = D2DHelper().WICFactory();
  std::shared_ptr<d2d::IWICBitmap> tb;
  wic->CreateBitmap(kSmallW, kSmallH, d2d::GUID_WICPixelFormat32bppPBGRA, d2d::WICBitmapCacheOnLoad, &tb);
  std::shared_ptr<d2d::ID2D1RenderTarget> target;
  D2DHelper().D2DFactory->CreateWicBitmapRenderTarget(tb, d2d::D2D1_RENDER_TARGET_PROPERTIES(), &target);
  for (auto _ : state) {
    // What GetImageBitmap does for a new device size.
    std::shared_ptr<d2d::IWICFormatConverter> conv;
    wic->CreateFormatConverter(&conv);
    std::shared_ptr<d2d::IWICBitmapScaler> scaler;
    wic->CreateBitmapScaler(&scaler);
    scaler->Initialize(decoded, kSmallW, kSmallH, d2d::WICBitmapInterpolationModeLinear);
    conv->Initialize(scaler, d2d::GUID_WICPixelFormat32bppPBGRA, d2d::WICBitmapDitherTypeNone, nullptr, 0,
                     d2d::WICBitmapPaletteTypeCustom);
    std::shared_ptr<d2d::ID2D1Bitmap> bitmap;
    target->CreateBitmapFromWicBitmap(conv.get(), nullptr, &bitmap);
    benchmark::DoNotOptimize(bitmap);
  }
}
BENCHMARK(BM_DeviceBitmapScale)->Unit(benchmark::kMillisecond);

void BM_RawCairoScale(benchmark::State& state) {
  auto src = bigPicture();
  for (auto _ : state) {
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSmallW, kSmallH);
    cairo_t* cr = cairo_create(out);
    cairo_scale(cr, double(kSmallW) / kBigW, double(kSmallH) / kBigH);
    cairo_set_source_surface(cr, src->Handle(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(out);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(out));
    cairo_surface_destroy(out);
  }
}
BENCHMARK(BM_RawCairoScale)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- box shadows

constexpr float kBox = 1000, kBlur = 8;

void BM_NineSliceShadow(benchmark::State& state) {
  static TStarted started;
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateDIBSection32(1100, 1100, nullptr);
  gdi::SelectObject(dc, bmp);
  gdi::TCanvas target(dc);
  THtCanvasDX canvas;
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 1100, 1100), &target);
  canvas.BeginScene(scene);
  uint32_t color = 0xFF000000;
  for (auto _ : state) {
    THtShadowProps p;
    HtShadowProps(p, TRectF(40, 40, 40 + kBox, 40 + kBox), 6, true, 3, 3, kBlur, color, 255, false);
    // A new colour each time: the pieces are blurred again, nothing cached.
    if (state.range(0) == 0) color ^= 1;
    canvas.DrawShadow(nullptr, p);
  }
  canvas.BeforeEndScene();
  canvas.EndScene();
  gdi::DeleteDC(dc);
  gdi::DeleteObject(bmp);
}
BENCHMARK(BM_NineSliceShadow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WholeBoxGaussian(benchmark::State& state) {
  const int pad = int(std::ceil(kBlur * 2.5f)), side = int(kBox) + 2 * pad;
  std::vector<uint32_t> px(size_t(side) * side);
  THtPixelMap map;
  map.Bits = reinterpret_cast<uint8_t*>(px.data());
  map.Width = map.Height = side;
  map.Stride = ptrdiff_t(side) * 4;
  for (auto _ : state) {
    std::fill(px.begin(), px.end(), 0u);
    for (int y = pad; y < side - pad; ++y) std::fill_n(px.begin() + ptrdiff_t(y) * side + pad, int(kBox), 0xFF000000u);
    TGaussKernel k;
    MakeGaussKernel(k, kBlur, 255, 1);
    BlurBitmapRect(map, k, TRect(0, 0, side - 1, side - 1), TRect(-1, -1, -1, -1));
    benchmark::DoNotOptimize(px.data());
  }
}
BENCHMARK(BM_WholeBoxGaussian)->Unit(benchmark::kMillisecond);

}  // namespace
