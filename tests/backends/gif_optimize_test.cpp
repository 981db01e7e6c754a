// Making animations smaller: cleanup of settings without effect, merging of
// repeated pixels, cropping, and the promise under all of it: every
// composited picture stays the same.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "backends/gif_image.h"
#include "gif_test_util.h"

namespace ht {
namespace {

using giftest::Save;

// A global table of four colours: black, red, green, blue.
void fourColors(THtGifImage& image) {
  for (uint32_t c : {0x000000u, 0x0000FFu, 0x00FF00u, 0xFF0000u}) image.GlobalColorTable().Add(c);
}

THtGIFFrame* addFrame(THtGifImage& image, int32_t l, int32_t t, int32_t w, int32_t h, uint8_t fill) {
  auto* f = new THtGIFFrame(&image);
  f->SetBounds(l, t, w, h);
  std::fill(f->Data().begin(), f->Data().end(), fill);
  return f;
}

TGIFGraphicControlExtension& gce(THtGIFFrame* f) {
  if (!f->GraphicControlExtension()) new TGIFGraphicControlExtension(f);
  return *f->GraphicControlExtension();
}

std::vector<uint32_t> composite(THtGifImage& image, int32_t index) {
  image.FreeBitmap();
  image.SetFrameIndex(index);
  TGifBitmap* b = image.Bitmap();
  std::vector<uint32_t> out(size_t(b->Width()) * b->Height());
  std::memcpy(out.data(), b->ScanLine(0), out.size() * 4);
  return out;
}

TEST(GifOptimize, NoOptionsChangeNothing) {
  THtGifImage image;
  fourColors(image);
  addFrame(image, 0, 0, 4, 4, 1);
  THtGIFFrame* f = addFrame(image, 0, 0, 4, 4, 1);
  gce(f).SetDisposal(fdmBackground);
  new TGIFCommentExtension(f);
  const auto before = Save(image);
  image.Optimize({});
  EXPECT_EQ(Save(image), before);
}

TEST(GifOptimize, DisposalDroppedOnlyWhenTheNextOpaqueFrameCoversTheFrame) {
  struct Case {
    const char* name;
    int32_t l, t, w, h;  // the next frame's bounds; frame i is 2,2 4 x 4
    bool nextTransparent;
    int32_t disposal;  // expected
  } cases[] = {
      {"equal", 2, 2, 4, 4, false, 0},
      {"larger", 0, 0, 8, 8, false, 0},
      {"smaller", 3, 3, 2, 2, false, fdmBackground},
      {"beside", 6, 0, 2, 2, false, fdmBackground},
      {"transparent", 2, 2, 4, 4, true, fdmBackground},
  };
  for (const Case& c : cases) {
    THtGifImage image;
    fourColors(image);
    addFrame(image, 0, 0, 8, 8, 1);
    THtGIFFrame* i = addFrame(image, 2, 2, 4, 4, 2);
    gce(i).SetDisposal(fdmBackground);
    gce(i).SetDelay(5);
    THtGIFFrame* next = addFrame(image, c.l, c.t, c.w, c.h, 3);
    if (c.nextTransparent) {
      next->Data()[0] = 0;
      next->MakeTransparent(0);
    }
    gce(next).SetDelay(5);
    const auto before = composite(image, 2);
    image.Optimize({ooCleanup});
    EXPECT_EQ(i->GraphicControlExtension()->Disposal(), c.disposal) << c.name;
    EXPECT_EQ(composite(image, 2), before) << c.name;
  }
}

TEST(GifOptimize, CleanupDropsOptionalExtensions) {
  for (int frames : {1, 2}) {
    THtGifImage image;
    fourColors(image);
    THtGIFFrame* first = addFrame(image, 0, 0, 2, 2, 1);
    auto* loop = new TGIFAppExtNSLoop(first);
    loop->Loops = 3;
    new TGIFCommentExtension(first);
    gce(first).SetDelay(0);  // a control block without effect
    if (frames == 2) gce(addFrame(image, 0, 0, 2, 2, 2)).SetDelay(7);
    image.Optimize({ooCleanup});
    ASSERT_EQ(image.Frames().Count(), frames);
    // The loop block matters only for an animation.
    EXPECT_EQ(first->Extensions().Count(), frames == 2 ? 1 : 0) << frames;
    if (frames == 2) {
      EXPECT_EQ(first->Extensions().Extensions(0), loop);
    }
    EXPECT_EQ(first->GraphicControlExtension(), nullptr);
  }
}

TEST(GifOptimize, CropOfFullyTransparentFrames) {
  for (uint16_t delay : {0, 5}) {
    THtGifImage image;
    fourColors(image);
    addFrame(image, 0, 0, 4, 4, 1);
    THtGIFFrame* empty = addFrame(image, 1, 1, 3, 3, 0);
    empty->MakeTransparent(0);
    gce(empty).SetDelay(delay);
    gce(addFrame(image, 0, 0, 1, 1, 2)).SetDelay(3);
    image.Optimize({ooCrop});
    if (delay == 0) {
      EXPECT_EQ(image.Frames().Count(), 2);
    } else {
      ASSERT_EQ(image.Frames().Count(), 3);
      THtGIFFrame* f = image.Frames().Frames(1);
      EXPECT_EQ(f->Left(), 0);
      EXPECT_EQ(f->Top(), 0);
      EXPECT_EQ(f->Width(), 1);
      EXPECT_EQ(f->Height(), 1);
      EXPECT_EQ(f->Data(), std::vector<uint8_t>{0});
    }
  }
}

TEST(GifOptimize, CropShrinksToTheOpaquePixels) {
  THtGifImage image;
  fourColors(image);
  THtGIFFrame* f = addFrame(image, 2, 1, 5, 4, 0);
  f->MakeTransparent(0);
  f->SetPixel(1, 1, 2);
  f->SetPixel(3, 2, 3);
  f->Crop();
  EXPECT_EQ(f->Left(), 3);
  EXPECT_EQ(f->Top(), 2);
  EXPECT_EQ(f->Width(), 3);
  EXPECT_EQ(f->Height(), 2);
  EXPECT_EQ(f->Data(), (std::vector<uint8_t>{2, 0, 0, 0, 0, 3}));
  EXPECT_EQ(image.Width(), 7);  // the screen stays
}

TEST(GifOptimize, IdenticalFrameMergesAway) {
  THtGifImage image;
  fourColors(image);
  addFrame(image, 0, 0, 3, 3, 1);
  THtGIFFrame* same = addFrame(image, 0, 0, 3, 3, 1);
  gce(same).SetDelay(5);
  same->Merge(image.Frames().Frames(0));
  ASSERT_TRUE(same->Transparent());
  const uint8_t t = same->GraphicControlExtension()->TransparentColorIndex();
  EXPECT_EQ(t, 4);  // black added to the global table
  EXPECT_EQ(same->Data(), std::vector<uint8_t>(9, t));
  EXPECT_EQ(same->GraphicControlExtension()->Delay(), 5);
  image.Optimize({ooCrop});
  EXPECT_EQ(same->Width(), 1);
  EXPECT_EQ(same->Height(), 1);
}

TEST(GifOptimize, MergeNeedsRoomForATransparentIndex) {
  THtGifImage image;
  for (uint32_t i = 0; i < 256; ++i) image.GlobalColorTable().Add(i);
  addFrame(image, 0, 0, 2, 2, 1);
  THtGIFFrame* f = addFrame(image, 0, 0, 2, 2, 1);
  f->Merge(image.Frames().Frames(0));
  EXPECT_FALSE(f->Transparent());
  EXPECT_EQ(f->Data(), std::vector<uint8_t>(4, 1));
}

TEST(GifOptimize, MergeReusesAnotherIndexOnlyWhenThisFrameDoesNotUseIt) {
  for (bool usesIt : {false, true}) {
    THtGifImage image;
    fourColors(image);
    THtGIFFrame* a = addFrame(image, 0, 0, 2, 1, 1);
    a->MakeTransparent(3);  // blue is a's transparent index
    THtGIFFrame* b = addFrame(image, 0, 0, 2, 1, 1);
    if (usesIt) b->Data()[1] = 3;
    b->Merge(a);
    ASSERT_TRUE(b->Transparent());
    const uint8_t t = b->GraphicControlExtension()->TransparentColorIndex();
    EXPECT_EQ(t, usesIt ? 4 : 3);
    EXPECT_EQ(b->Data()[0], t);
    EXPECT_EQ(b->Data()[1], usesIt ? 3 : t);  // blue stays blue
  }
}

TEST(GifOptimize, MakeTransparentReusesTheControlBlock) {
  THtGifImage image;
  fourColors(image);
  THtGIFFrame* f = addFrame(image, 0, 0, 2, 2, 1);
  gce(f).SetDelay(9);
  f->MakeTransparent(3);
  EXPECT_EQ(f->Extensions().Count(), 1);
  EXPECT_TRUE(f->Transparent());
  EXPECT_EQ(f->GraphicControlExtension()->TransparentColorIndex(), 3);
  EXPECT_EQ(f->GraphicControlExtension()->Delay(), 9);
}

// A generated animation: a sprite moving over a still background, with
// frames that repeat, comments and assorted disposals. Optimising keeps
// every composited picture and makes the file smaller; giflib reads the
// result back to the pixels written.
TEST(GifOptimize, AnimationKeepsItsPicturesAndShrinks) {
  std::mt19937 rng(48);
  THtGifImage image;
  for (uint32_t i = 0; i < 16; ++i) image.GlobalColorTable().Add(i * 0x0F0F0Fu ^ (i & 3) * 0x40u);
  const int32_t w = 24, h = 16;
  std::vector<uint8_t> background(size_t(w) * h);
  for (auto& v : background) v = uint8_t(rng() % 4);
  for (int32_t n = 0; n < 10; ++n) {
    THtGIFFrame* f = addFrame(image, 0, 0, w, h, 0);
    f->Data() = background;
    const int32_t sx = (n * 2) % (w - 4), sy = n % (h - 4);
    for (int32_t y = sy; y < sy + 4; ++y)
      for (int32_t x = sx; x < sx + 4; ++x) f->Data()[size_t(y) * w + x] = uint8_t(8 + (n + x) % 8);
    if (n == 4) f->Data() = image.Frames().Frames(3)->Data();  // a repeat
    static const int32_t kDisposals[] = {fdmNoDisposal, fdmUnspecified, fdmPreviousFrame};
    gce(f).SetDisposal(kDisposals[n % 3]);
    gce(f).SetDelay(uint16_t(4 + n));
    if (n % 4 == 0) new TGIFCommentExtension(f);
  }
  new TGIFAppExtNSLoop(image.Frames().Frames(0));
  std::vector<std::vector<uint32_t>> before;
  for (int32_t i = 0; i < 10; ++i) before.push_back(composite(image, i));
  const size_t sizeBefore = Save(image).size();

  image.Optimize({ooCrop, ooMerge, ooCleanup, ooColorTable});
  ASSERT_EQ(image.Frames().Count(), 10);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(composite(image, i), before[size_t(i)]) << i;
  const auto bytes = Save(image);
  EXPECT_LT(bytes.size(), sizeBefore);

  const giftest::RefImage ref = giftest::GiflibDecode(bytes);
  ASSERT_TRUE(ref.Ok);
  ASSERT_EQ(ref.Frames.size(), 10u);
  for (int32_t i = 0; i < 10; ++i) {
    const THtGIFFrame* f = image.Frames().Frames(i);
    EXPECT_EQ(ref.Frames[size_t(i)].Pixels, f->Data()) << i;
    EXPECT_EQ(ref.Frames[size_t(i)].Width, f->Width()) << i;
  }
}

}  // namespace
}  // namespace ht
