// The LZW encoder against giflib, and the reader on broken input: every
// fixture cut at every offset and with bytes flipped must end in the codec's
// exception or a partial image.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "backends/gif_image.h"
#include "gif_test_util.h"

namespace ht {
namespace {

using giftest::FixtureBytes;
using giftest::GiflibDecode;
using giftest::Load;
using giftest::Save;

// An image of one frame over a global table of `colors` entries.
std::vector<uint8_t> encode(int width, int height, const std::vector<uint8_t>& pixels, int colors) {
  THtGifImage image;
  TGIFPalette palette;
  for (int i = 0; i < colors; ++i) palette.push_back(TGIFColor{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
  image.GlobalColorTable().ImportPalette(palette);
  auto* frame = new THtGIFFrame(&image);
  frame->SetBounds(0, 0, width, height);
  frame->Data() = pixels;
  return Save(image);
}

TEST(GifEncoder, RandomPicturesDecodeUnderGiflib) {
  std::mt19937 rng(1234);
  struct Case {
    int width, height, colors;
    int runLength;  // pixels repeat in runs of this length
  } cases[] = {
      {511, 40, 256, 1},   // noise: the table fills and resets many times
      {512, 40, 256, 1},
      {513, 3, 2, 1},
      {512, 64, 4, 300},   // long runs build long strings
      {1, 1, 2, 1},
      {7, 5, 16, 3},
      {64, 64, 1, 1},      // one colour: minimum code size 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << c.colors << " colours");
    std::vector<uint8_t> pixels(size_t(c.width) * c.height);
    std::uniform_int_distribution<int> pick(0, c.colors - 1);
    uint8_t v = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
      if (i % size_t(c.runLength) == 0) v = uint8_t(pick(rng));
      pixels[i] = v;
    }
    const auto bytes = encode(c.width, c.height, pixels, c.colors);
    const giftest::RefImage ref = GiflibDecode(bytes);
    ASSERT_TRUE(ref.Ok);
    ASSERT_EQ(ref.Frames.size(), 1u);
    EXPECT_EQ(ref.Frames[0].Pixels, pixels);
    THtGifImage again;
    ASSERT_EQ(Load(again, bytes), "");
    EXPECT_EQ(again.Frames().Frames(0)->Data(), pixels);
  }
}

// giflib's own encoder (another code-width schedule) read by ours, with an
// interlaced frame among them.
TEST(GifDecoder, ReadsWhatGiflibWrites) {
  std::mt19937 rng(77);
  std::vector<uint8_t> out;
  auto writer = [](GifFileType* gif, const GifByteType* buf, int n) -> int {
    auto* o = static_cast<std::vector<uint8_t>*>(gif->UserData);
    o->insert(o->end(), buf, buf + n);
    return n;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writer, &error);
  ASSERT_NE(gif, nullptr);
  std::vector<GifColorType> colors(256);
  for (int i = 0; i < 256; ++i) colors[size_t(i)] = GifColorType{uint8_t(i), uint8_t(i), uint8_t(i)};
  ColorMapObject* map = GifMakeMapObject(256, colors.data());
  EGifPutScreenDesc(gif, 300, 40, 8, 0, map);
  struct Frame {
    int width, height, colors;
    bool interlaced;
  } frames[] = {{300, 40, 256, false}, {129, 17, 256, true}, {64, 8, 4, false}};
  std::vector<std::vector<uint8_t>> expected;
  for (const Frame& f : frames) {
    std::vector<uint8_t> pixels(size_t(f.width) * f.height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i % 97 < 50 ? (i / 13) % f.colors : rng() % f.colors);
    EGifPutImageDesc(gif, 0, 0, f.width, f.height, f.interlaced, nullptr);
    if (f.interlaced) {
      // giflib takes the rows in the file's order.
      for (int start : {0, 4, 2, 1})
        for (int y = start; y < f.height; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
          EGifPutLine(gif, pixels.data() + size_t(y) * f.width, f.width);
    } else {
      EGifPutLine(gif, pixels.data(), int(pixels.size()));
    }
    expected.push_back(std::move(pixels));
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  THtGifImage image;
  ASSERT_EQ(Load(image, out), "");
  ASSERT_EQ(image.Frames().Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(image.Frames().Frames(i)->Data(), expected[size_t(i)]) << "frame " << i;
}

TEST(GifEncoder, CompressEdgeCases) {
  // All zero with one bit per pixel: the minimum code size is still 2.
  {
    TMemoryStream out;
    const uint8_t data[4] = {};
    TLZWEncoder encoder;
    encoder.Compress(out, 1, 2, 2, data, 2);
    EXPECT_EQ(out.Data()[0], 2);
  }
  // No pixel data: the code size, the end code alone and the terminator.
  {
    TMemoryStream out;
    TLZWEncoder encoder;
    encoder.Compress(out, 2, 0, 0, nullptr, 4);
    EXPECT_EQ(out.Data(), (std::vector<uint8_t>{2, 1, 5, 0}));
  }
  // A pixel beyond the table.
  {
    TMemoryStream out;
    const uint8_t data[2] = {1, 4};
    TLZWEncoder encoder;
    try {
      encoder.Compress(out, 2, 2, 1, data, 4);
      ADD_FAILURE();
    } catch (const EHtGIFException& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
  }
}

TEST(GifEncoder, FullSubBlocksAreNotFollowedByAnEmptyOne) {
  for (size_t count : {size_t(255), size_t(510), size_t(3)}) {
    TMemoryStream out;
    {
      TGIFWriter writer(out);
      for (size_t i = 0; i < count; ++i) writer.WriteByte(uint8_t(i));
      writer.Flush();
    }
    gif::WriteByte(out, 0);
    // Length bytes for every 255 data bytes (and the short rest), one terminator.
    EXPECT_EQ(out.Data().size(), count + (count + 254) / 255 + 1);
    EXPECT_EQ(out.Data().back(), 0);
    if (count >= 255) {
      EXPECT_EQ(out.Data()[0], 255);
    }
  }
  // The fixture whose data is exactly 255 bytes comes back readable by giflib.
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("exactly_255_bytes")), "");
  const giftest::RefImage ref = GiflibDecode(Save(image));
  ASSERT_TRUE(ref.Ok);
  EXPECT_EQ(ref.Frames[0].Pixels, image.Frames().Frames(0)->Data());
}

TEST(GifEncoder, InterlacedFrameIsWrittenSequentially) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("interlace_height5")), "");
  ASSERT_TRUE(image.Frames().Frames(0)->Interlaced());
  THtGifImage again;
  ASSERT_EQ(Load(again, Save(image)), "");
  EXPECT_FALSE(again.Frames().Frames(0)->Interlaced());
  EXPECT_EQ(again.Frames().Frames(0)->Data(), image.Frames().Frames(0)->Data());
}

// Loading, compositing and saving may only raise the codec's exception.
// A flipped size byte can make a frame of 65535 pixels; compositing and
// encoding those is covered elsewhere and would only slow this test down.
void exercise(const std::vector<uint8_t>& bytes) {
  THtGifImage image;
  Load(image, bytes);
  for (int32_t i = 0; i < image.Frames().Count(); ++i)
    if (image.Frames().Frames(i)->DataSize() > 4096) return;
  try {
    if (int64_t(image.Width()) * image.Height() <= 1 << 16)
      for (int32_t i = 0; i < image.Frames().Count(); ++i) image.SetFrameIndex(i);
    if (!image.Empty()) Save(image);
  } catch (const EHtGIFException&) {
  }
}

std::vector<std::string> fixtureNames() {
  std::vector<std::string> names;
  const char* root = std::getenv("TARNWICK_SOURCE_DIR");
  for (const auto& e : std::filesystem::directory_iterator(std::string(root ? root : ".") + "/tests/data/gif"))
    names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(GifBadInput, EveryCutAndFlippedByte) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a single-threaded sweep: nothing here for the ThreadSanitizer run";
#endif
  const auto names = fixtureNames();
  ASSERT_GE(names.size(), 20u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = FixtureBytes(name);
    for (size_t cut = 0; cut < bytes.size(); ++cut) exercise(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    for (size_t at = 0; at < bytes.size(); ++at)
      for (uint8_t mask : {0xFF, 0x01}) {
        auto flipped = bytes;
        flipped[at] ^= mask;
        exercise(flipped);
      }
  }
}

TEST(GifBadInput, HugeDescriptorIsRefusedAndEarlierFramesKept) {
  auto bytes = FixtureBytes("loop_absent");
  ASSERT_FALSE(bytes.empty());
  bytes.pop_back();  // the trailer
  const uint8_t huge[] = {',', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 0x01, 0, ';'};
  bytes.insert(bytes.end(), std::begin(huge), std::end(huge));
  THtGifImage image;
  EXPECT_EQ(Load(image, bytes), "Image is too large");
  EXPECT_EQ(image.Frames().Count(), 1);
}

// A file may claim no more pixels than its bytes could paint (above a free
// allowance): the screen is checked before any frame, each frame as it
// comes, and all frames together stay under the load budget however long
// the file is.
TEST(GifBadInput, ClaimsBeyondWhatTheBytesCanPaintAreRefused) {
  auto gif = [](int screen, int frameSide, int frames, size_t padding) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', uint8_t(screen), uint8_t(screen >> 8), uint8_t(screen),
                              uint8_t(screen >> 8), 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    // A comment extension of padding (255-byte sub-blocks).
    if (padding) {
      b.insert(b.end(), {'!', 0xFE});
      for (size_t left = padding; left > 0;) {
        const size_t n = std::min<size_t>(left, 255);
        b.push_back(uint8_t(n));
        b.insert(b.end(), n, 'x');
        left -= n;
      }
      b.push_back(0);
    }
    const uint8_t lo = uint8_t(frameSide), hi = uint8_t(frameSide >> 8);
    const uint8_t frame[] = {',', 0, 0, 0, 0, lo, hi, lo, hi, 0, 2, 2, 0x4C, 0x01, 0};
    for (int i = 0; i < frames; ++i) b.insert(b.end(), std::begin(frame), std::end(frame));
    b.push_back(';');
    return b;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* error;
    int framesKept;
  } cases[] = {
      // Thirty-five bytes claiming 8192 x 8192: refused before a frame is read.
      {"tiny file, huge screen", gif(8192, 8192, 1, 0), "Image is too large", 0},
      {"huge frame on a small screen", gif(16, 8192, 1, 0), "Image is too large", 0},
      // 2048 x 2048 is within the free allowance, twice is not.
      {"free allowance", gif(2048, 2048, 2, 0), "Image is too large", 1},
      {"free allowance, once", gif(2048, 2048, 1, 0), "", 1},
      // Padding buys pixels, up to the budget of all frames together.
      {"paid for", gif(8192, 8192, 1, 16400), "", 1},
      {"load budget", gif(8192, 8192, 5, 70000), "Image is too large", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    THtGifImage image;
    EXPECT_EQ(Load(image, c.bytes), c.error);
    EXPECT_EQ(image.Frames().Count(), c.framesKept);
  }
}

TEST(GifBadInput, SignatureAndHeader) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* error;
  } cases[] = {
      {{'G', 'I', 'X', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Bad GIF signature"},
      {{'G', 'I', 'F', '8', '9', 'a', 1, 0}, "Premature end of data"},
      {{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0, 1, 2, 3}, "Premature end of data"},
      {{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, '!', 0xF9, 4}, ""},
  };
  for (const Case& c : cases) {
    THtGifImage image;
    EXPECT_EQ(Load(image, c.bytes), c.error);
  }
}

}  // namespace
}  // namespace ht
