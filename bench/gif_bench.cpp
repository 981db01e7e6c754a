// The GIF codec beside giflib on one generated animation of 200 frames of
// 500 x 500 pixels: decoding (against DGifSlurp), encoding (against
// EGifPutLine) and compositing one frame into the 32-bit picture. Items are
// pixels; compare the items_per_second of each pair.
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <cstring>
#include <random>

#include "backends/gif_image.h"

namespace {

using namespace ht;

constexpr int kFrames = 200, kSize = 500;
constexpr int64_t kPixels = int64_t(kFrames) * kSize * kSize;

// Rings drifting across a 256-colour table, with some rows of noise, so the
// data has both long strings and table resets.
std::vector<uint8_t> framePixels(int f) {
  std::vector<uint8_t> p(size_t(kSize) * kSize);
  std::mt19937 rng{static_cast<uint32_t>(f)};
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const int dx = x - 250 - f, dy = y - 250;
      p[size_t(y) * kSize + x] = y % 9 == 0 ? uint8_t(rng()) : uint8_t((dx * dx + dy * dy) / 97 + f);
    }
  return p;
}

TGIFPalette palette() {
  TGIFPalette pal;
  for (int i = 0; i < 256; ++i) pal.push_back(TGIFColor{uint8_t(i), uint8_t(i * 7), uint8_t(255 - i)});
  return pal;
}

std::vector<std::vector<uint8_t>>& frames() {
  static std::vector<std::vector<uint8_t>> all = [] {
    std::vector<std::vector<uint8_t>> v;
    for (int f = 0; f < kFrames; ++f) v.push_back(framePixels(f));
    return v;
  }();
  return all;
}

void buildImage(THtGifImage& image) {
  image.GlobalColorTable().ImportPalette(palette());
  for (int f = 0; f < kFrames; ++f) {
    auto* frame = new THtGIFFrame(&image);
    frame->SetBounds(0, 0, kSize, kSize);
    frame->Data() = frames()[size_t(f)];
    frame->SetDelay(4);
    frame->GraphicControlExtension()->SetDisposal(f % 3 == 0 ? fdmBackground : fdmNoDisposal);
  }
}

const std::vector<uint8_t>& animationBytes() {
  static std::vector<uint8_t> bytes = [] {
    THtGifImage image;
    buildImage(image);
    TMemoryStream out;
    image.SaveToStream(out);
    return out.Data();
  }();
  return bytes;
}

struct MemReader {
  const std::vector<uint8_t>* data;
  size_t pos;
};

int readMem(GifFileType* gif, GifByteType* buf, int n) {
  auto* r = static_cast<MemReader*>(gif->UserData);
  const size_t avail = std::min(size_t(n), r->data->size() - r->pos);
  std::memcpy(buf, r->data->data() + r->pos, avail);
  r->pos += avail;
  return int(avail);
}

int writeMem(GifFileType* gif, const GifByteType* buf, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), buf, buf + n);
  return n;
}

void BM_DecodeOurs(benchmark::State& state) {
  const auto& bytes = animationBytes();
  for (auto _ : state) {
    THtGifImage image;
    TMemoryStream in(bytes.data(), bytes.size());
    image.LoadFromStream(in);
    benchmark::DoNotOptimize(image.Frames().Count());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);

void BM_DecodeGiflib(benchmark::State& state) {
  const auto& bytes = animationBytes();
  for (auto _ : state) {
    MemReader r{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&r, readMem, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
    benchmark::DoNotOptimize(gif->ImageCount);
    DGifCloseFile(gif, &error);
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_DecodeGiflib)->Unit(benchmark::kMillisecond);

void BM_EncodeOurs(benchmark::State& state) {
  THtGifImage image;
  buildImage(image);
  for (auto _ : state) {
    TMemoryStream out;
    image.SaveToStream(out);
    benchmark::DoNotOptimize(out.Size());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);

void BM_EncodeGiflib(benchmark::State& state) {
  const TGIFPalette pal = palette();
  std::vector<GifColorType> colors;
  for (const TGIFColor& c : pal) colors.push_back(GifColorType{c.Red, c.Green, c.Blue});
  for (auto _ : state) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeMem, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    EGifPutScreenDesc(gif, kSize, kSize, 8, 0, map);
    for (int f = 0; f < kFrames; ++f) {
      GraphicsControlBlock gcb{f % 3 == 0 ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT, false, 4, NO_TRANSPARENT_COLOR};
      GifByteType ext[4];
      const size_t len = EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext);
      EGifPutImageDesc(gif, 0, 0, kSize, kSize, false, nullptr);
      uint8_t* pixels = frames()[size_t(f)].data();
      for (int y = 0; y < kSize; ++y) EGifPutLine(gif, pixels + size_t(y) * kSize, kSize);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    benchmark::DoNotOptimize(out.size());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_EncodeGiflib)->Unit(benchmark::kMillisecond);

// One frame composited over the previous ones (the frames' 8-bit bitmaps
// already made, as when an animation plays its second round).
void BM_CompositeFrame(benchmark::State& state) {
  THtGifImage image;
  const auto& bytes = animationBytes();
  TMemoryStream in(bytes.data(), bytes.size());
  image.LoadFromStream(in);
  for (int f = 0; f < kFrames; ++f) image.SetFrameIndex(f);
  int next = 0;
  for (auto _ : state) {
    image.SetFrameIndex(next);
    next = (next + 1) % kFrames;
    benchmark::DoNotOptimize(image.Bitmap());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_CompositeFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
