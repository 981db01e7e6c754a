// Colour reduction: the cached nearest-colour lookup, the ditherers, the
// octree palette, and one global colour table built for a whole image.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "backends/gif_color_reduction.h"
#include "backends/gif_image.h"

namespace ht {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

TGifBitmap bitmap24(int32_t w, int32_t h, const std::vector<uint32_t>& rgb) {
  TGifBitmap b;
  b.SetWidth(w);
  b.SetHeight(h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = rgb[size_t(y * w + x)];
      uint8_t* p = b.ScanLine(y) + x * 3;
      p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
    }
  return b;
}

TEST(GifColorLookup, NearestEntryCachedPerKey) {
  uint8_t res[3];
  // Equal colours: the lower index wins, for the exact colour and a near one.
  TFastColorLookup dup({{10, 10, 10}, {200, 0, 0}, {10, 10, 10}});
  EXPECT_EQ(dup.Lookup(0x0A0A0A, res), 0);
  EXPECT_EQ(dup.Lookup(0x141414, res), 0);
  // White is as far from black as colours get, and still finds it.
  TFastColorLookup black({{0, 0, 0}});
  EXPECT_EQ(black.Lookup(kWhite, res), 0);
  EXPECT_EQ(res[0] | res[1] | res[2], 0);
  // Colours of one 5-6-5 key share the answer found for the first of them,
  // even where another entry is nearer to a later one.
  const TGIFPalette pair{{0, 0, 0}, {24, 24, 24}};
  TFastColorLookup first(pair);
  EXPECT_EQ(first.Lookup(0x080408, res), 0);
  EXPECT_EQ(first.Lookup(0x0F070F, res), 0);
  TFastColorLookup fresh(pair);
  EXPECT_EQ(fresh.Lookup(0x0F070F, res), 1);
  EXPECT_EQ(res[0], 24);  // blue, green, red
  // An entry's own key is filled in advance by the first entry holding it.
  TFastColorLookup sameKey({{0, 0, 0}, {7, 3, 7}});
  EXPECT_EQ(sameKey.Lookup(0x070307, res), 0);
  // A whole row answers as pixel by pixel.
  std::mt19937 rng(5);
  TGIFPalette some;
  for (int i = 0; i < 40; ++i) some.push_back(TGIFColor{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
  std::vector<uint8_t> row(3 * 500);
  for (auto& v : row) v = uint8_t(rng());
  TFastColorLookup byRow(some), byPixel(some);
  std::vector<uint8_t> indices(500);
  byRow.LookupRow(row.data(), indices.data(), 500);
  for (size_t x = 0; x < 500; ++x) {
    const uint8_t* p = row.data() + 3 * x;
    ASSERT_EQ(indices[x], byPixel.Lookup(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0], res)) << x;
  }
}

TEST(GifDither, RowsAlternateDirection) {
  TFastColorLookup lookup({{0, 0, 0}});
  for (bool fs : {false, true}) {
    std::unique_ptr<TDitherEngine> e;
    if (fs)
      e = std::make_unique<TFloydSteinbergDitherer>(5, lookup);
    else
      e = std::make_unique<TDitherEngine>(5, lookup);
    e->Reset();
    uint8_t res[3];
    for (int i = 0; i < 5; ++i) e->Dither(0, res);
    e->NextLine();
    EXPECT_EQ(e->Direction(), -1);
    EXPECT_EQ(e->Column(), 4);
    for (int i = 0; i < 5; ++i) e->Dither(0, res);
    EXPECT_EQ(e->Column(), -1);
    e->NextLine();
    EXPECT_EQ(e->Direction(), 1);
    EXPECT_EQ(e->Column(), 0);
  }
}

TEST(GifDither, FloydSteinbergKeepsTheMeanNearestDoesNot) {
  const int32_t n = 16;
  const TGifBitmap grey = bitmap24(n, n, std::vector<uint32_t>(n * n, 0x808080));
  const TGIFPalette bw{{0, 0, 0}, {255, 255, 255}};
  auto nearest = ReduceColors(grey, rmPalette, dmNearest, 8, &bw);
  auto fs = ReduceColors(grey, rmPalette, dmFloydSteinberg, 8, &bw);
  ASSERT_EQ(fs->PixelFormat(), gpf8bit);
  int whiteNearest = 0, whiteFs = 0;
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      whiteNearest += nearest->ScanLine(y)[x];
      whiteFs += fs->ScanLine(y)[x];
    }
  EXPECT_EQ(whiteNearest, n * n);  // 128 is nearer to white
  EXPECT_GT(whiteFs, n * n * 2 / 5);
  EXPECT_LT(whiteFs, n * n * 3 / 5);
  // The source is left as it was.
  EXPECT_EQ(grey.ScanLine(3)[5], 0x80);
}

TEST(GifQuantize, PaletteHoldsOnlyTheColoursFound) {
  const TGifBitmap b = bitmap24(2, 2, {kRed, kBlue, kBlue, kRed});
  for (int32_t bits : {1, 3, 8}) {
    auto r = ReduceColors(b, rmQuantize, dmNearest, bits, nullptr);
    ASSERT_EQ(r->Palette().size(), 2u) << bits;  // never padded with black
    const TGIFColor c0 = r->Palette()[r->ScanLine(0)[0]], c1 = r->Palette()[r->ScanLine(0)[1]];
    EXPECT_EQ(GifColorValue(c0), 0x0000FFu) << bits;  // red in the lowest byte
    EXPECT_EQ(GifColorValue(c1), 0xFF0000u) << bits;
    EXPECT_EQ(r->ScanLine(1)[0], r->ScanLine(0)[1]);
  }
  // More colours than the palette holds: leaves are merged to averages.
  std::vector<uint32_t> ramp;
  for (uint32_t i = 0; i < 64; ++i) ramp.push_back(i * 4 << 16 | (255 - i * 4) << 8 | i);
  auto r = ReduceColors(bitmap24(64, 1, ramp), rmQuantize, dmNearest, 3, nullptr);
  EXPECT_LE(r->Palette().size(), 8u);
  EXPECT_GE(r->Palette().size(), 2u);
  // rmNone: a 24-bit copy; a palette without colours: an empty bitmap.
  EXPECT_EQ(ReduceColors(b, rmNone, dmNearest, 8, nullptr)->PixelFormat(), gpf24bit);
  const TGIFPalette none;
  EXPECT_EQ(ReduceColors(b, rmPalette, dmNearest, 8, &none)->Width(), 0);
}

// The quantiser remembers the leaf each colour path reached; the plain walk
// for every pixel must give the same palette.
class TPlainQuantizer : public TColorQuantizer {
 public:
  using TColorQuantizer::TColorQuantizer;
  void Process(const TGifBitmap& b) {
    if (!FTree) FTree = NewNode(0);
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int32_t x = 0; x < b.Width(); ++x) {
        const uint8_t* p = b.ScanLine(y) + x * 3;
        AddColor(FTree, p[2], p[1], p[0], 0);
        while (FLeafCount > FMaxColors) ReduceTree();
      }
  }
};

TEST(GifQuantize, RememberedPathsMatchThePlainWalk) {
  std::mt19937 rng(150);
  for (int32_t maxColors : {2, 16, 256}) {
    const int32_t w = 97, h = 61;
    std::vector<uint32_t> rgb(size_t(w * h));
    for (int32_t i = 0; i < w * h; ++i) {
      // Smooth areas with grain and some wild pixels, so leaves merge often.
      const uint32_t base = uint32_t(i % w * 2) << 16 | uint32_t(i / w * 4) << 8 | 0x40;
      rgb[size_t(i)] = rng() % 7 == 0 ? rng() & 0xFFFFFF : base ^ (rng() & 0x070707);
    }
    const TGifBitmap b = bitmap24(w, h, rgb);
    TDIBQuantizer fast(maxColors, 6);
    fast.ProcessPixels(b);
    TPlainQuantizer plain(maxColors, 6);
    plain.Process(b);
    std::array<std::array<uint8_t, 4>, 256> a{}, c{};
    ASSERT_EQ(fast.GetColorTable(a), plain.GetColorTable(c)) << maxColors;
    EXPECT_EQ(a, c) << maxColors;
  }
}

TEST(GifQuantize, WriterRefusesBadTargets) {
  TGifBitmap b;
  EXPECT_THROW(TDIBWriter(b, gpf16bit, 2, 2, {}), EHtGIFException);
  try {
    TDIBWriter(b, gpf8bit, 0, 2, {});
    FAIL();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid image dimensions");
  }
}

// --- one global colour table for the whole image -----------------------

THtGIFFrame* addFrame(THtGifImage& image, int32_t w, int32_t h, const TGIFPalette& local,
                      const std::vector<uint8_t>& pixels) {
  auto* f = new THtGIFFrame(&image);
  f->SetBounds(0, 0, w, h);
  f->ColorTable().ImportPalette(local);
  f->Data() = pixels;
  return f;
}

std::vector<uint32_t> composite(THtGifImage& image, int32_t index) {
  image.FreeBitmap();
  image.SetFrameIndex(index);
  TGifBitmap* b = image.Bitmap();
  std::vector<uint32_t> out(size_t(b->Width()) * b->Height());
  std::memcpy(out.data(), b->ScanLine(0), out.size() * 4);
  return out;
}

TEST(GifColorTableOptimizer, LocalTablesBecomeOneGlobalTable) {
  const TGIFColor red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
  THtGifImage image;
  addFrame(image, 2, 2, {red, green}, {0, 1, 1, 1});
  addFrame(image, 2, 2, {green, blue}, {1, 0, 1, 1});
  const auto before0 = composite(image, 0), before1 = composite(image, 1);
  image.OptimizeColorTable();
  EXPECT_EQ(image.GlobalColorTable().Count(), 3);
  EXPECT_EQ(image.GlobalColorTable().GetColor(0), GifColorValue(green));  // used most
  EXPECT_EQ(image.Frames().Frames(0)->ColorTable().Count(), 0);
  EXPECT_EQ(image.Frames().Frames(1)->ColorTable().Count(), 0);
  EXPECT_EQ(composite(image, 0), before0);
  EXPECT_EQ(composite(image, 1), before1);
}

TEST(GifColorTableOptimizer, OutOfTablePixelsAndUnusedTransparency) {
  THtGifImage image;
  TGIFPalette sixteen(16);
  for (int i = 0; i < 16; ++i) sixteen[size_t(i)] = TGIFColor{uint8_t(i * 16), 0, 0};
  THtGIFFrame* f = addFrame(image, 2, 1, sixteen, {20, 3});
  f->MakeTransparent(5);  // no pixel holds 5
  image.OptimizeColorTable();
  EXPECT_FALSE(f->Transparent());
  // 20 was read as 0 (black here), 3 kept its colour.
  EXPECT_EQ(image.GlobalColorTable().GetColor(f->Data()[0]), 0u);
  EXPECT_EQ(image.GlobalColorTable().GetColor(f->Data()[1]), GifColorValue(sixteen[3]));
  EXPECT_EQ(image.GlobalColorTable().Count(), 2);

  // A used transparent index gets a slot of its own after the colours.
  THtGifImage t;
  THtGIFFrame* g = addFrame(t, 3, 1, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {2, 0, 2});
  g->MakeTransparent(2);
  t.OptimizeColorTable();
  ASSERT_TRUE(g->Transparent());
  EXPECT_EQ(t.GlobalColorTable().Count(), 2);
  EXPECT_EQ(g->GraphicControlExtension()->TransparentColorIndex(), 1);
  EXPECT_EQ(g->Data(), (std::vector<uint8_t>{1, 0, 1}));
}

}  // namespace
}  // namespace ht
