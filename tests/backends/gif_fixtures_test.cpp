// The reader over the developers' fixtures (tools/make_gif_fixtures.py), and
// the same fixtures through giflib: well-formed ones must decode alike, and
// every file we write back must decode under giflib to what we read.
#include <gtest/gtest.h>

#include "backends/gif_image.h"
#include "gif_test_util.h"

namespace ht {
namespace {

using giftest::FixtureBytes;
using giftest::GiflibDecode;
using giftest::Load;
using giftest::Save;
using Pixels = std::vector<uint8_t>;

Pixels repeat(std::initializer_list<uint8_t> pattern, size_t count) {
  Pixels p;
  while (p.size() < count)
    for (uint8_t v : pattern) p.push_back(v);
  p.resize(count);
  return p;
}

Pixels halfDecoded(bool interlaced) {
  Pixels half;
  for (int i = 0; i < 32; ++i) half.push_back(uint8_t(i % 3 + 1));
  if (!interlaced) {
    Pixels p = half;
    p.resize(64, 2);  // the rest keeps the transparent index
    return p;
  }
  // Rows 0 and 2 arrive first; rows 1 and 3 keep 0 (no transparency).
  Pixels p(64, 0);
  std::copy(half.begin(), half.begin() + 16, p.begin());
  std::copy(half.begin() + 16, half.end(), p.begin() + 32);
  return p;
}

Pixels pairs255() {
  Pixels p;
  for (int i = 0; i < 226; ++i) {
    p.push_back(uint8_t(i % 4));
    p.push_back(uint8_t((i + 1) % 4));
  }
  return p;
}

struct FixtureCase {
  const char* name;
  const char* error;    // "" when the file loads
  int frames;           // entries of the frame list after loading
  Pixels firstPixels;   // pixels of the first frame
  int loopCount;
  bool wellFormed;      // giflib reads it too, and must agree
};

const FixtureCase kCases[] = {
    {"junk_prefix", "", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"lowercase_signature", "", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"zero_bytes_between_blocks", "", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"trailing_comment_frame", "", 2, repeat({0, 1, 2, 3}, 8), 1, true},
    {"width_zero", "", 1, {1, 2, 3, 0, 1, 2}, 1, false},
    {"label_0x33", "Unknown extension type", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"one_pixel_code_size_2", "", 1, {2}, 1, true},
    {"truncated_half", "", 2, halfDecoded(false), 1, false},
    {"truncated_half_interlaced", "", 1, halfDecoded(true), 1, false},
    {"interlace_height5", "", 1, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}, 1, true},
    {"repeated_clears", "", 1, {1, 2, 3, 0}, 1, true},
    {"kwkwk", "", 1, {1, 1, 1, 1, 1, 1}, 1, true},
    {"code_size_12", "", 0, {}, 1, false},
    {"circular_table", "Circular decoder table entry", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"stack_overflow", "Invalid GIF data", 1, repeat({0, 1, 2, 3}, 8), 1, false},
    {"exactly_255_bytes", "", 1, pairs255(), 1, true},
    {"end_after_clear", "", 1, {3, 3, 3, 3}, 1, false},
    {"disposal_1", "", 3, Pixels(16, 1), 1, true},
    {"disposal_2", "", 3, Pixels(16, 1), 1, true},
    {"disposal_3", "", 3, Pixels(16, 1), 1, true},
    {"loop_0", "", 1, repeat({0, 1, 2, 3}, 8), 0, true},
    {"loop_3", "", 1, repeat({0, 1, 2, 3}, 8), 4, true},
    {"loop_absent", "", 1, repeat({0, 1, 2, 3}, 8), 1, true},
    {"loop_two", "", 2, {1, 2}, 4, true},
    {"gce_size_5", "", 1, {3, 1}, 1, false},
    {"app_size_10", "", 1, repeat({0, 1, 2, 3}, 8), 1, true},
    {"app_size_12", "", 1, repeat({0, 1, 2, 3}, 8), 1, true},
    {"comment_300", "", 1, repeat({0, 1, 2, 3}, 8), 1, true},
    {"unknown_app", "", 1, repeat({0, 1, 2, 3}, 8), 1, true},
    {"animation", "", 2, repeat({0, 1}, 15), 0, true},
};

std::vector<FixtureCase> casesWhere(bool (*pred)(const FixtureCase&)) {
  std::vector<FixtureCase> out;
  for (const FixtureCase& c : kCases)
    if (pred(c)) out.push_back(c);
  return out;
}

class GifFixture : public testing::TestWithParam<FixtureCase> {};
class GifWellFormed : public GifFixture {};
class GifWritable : public GifFixture {};

TEST_P(GifFixture, LoadsAsExpected) {
  const FixtureCase& c = GetParam();
  const auto bytes = FixtureBytes(c.name);
  ASSERT_FALSE(bytes.empty());
  THtGifImage image;
  EXPECT_EQ(Load(image, bytes), c.error);
  ASSERT_EQ(image.Frames().Count(), c.frames);
  EXPECT_EQ(image.LoopCount(), c.loopCount);
  if (c.frames > 0) {
    EXPECT_EQ(image.Frames().Frames(0)->Data(), c.firstPixels);
  }
}

// Frames with image data, as giflib lists them.
std::vector<giftest::RefFrame> ourFrames(const THtGifImage& image) {
  std::vector<giftest::RefFrame> out;
  for (int32_t i = 0; i < image.Frames().Count(); ++i) {
    const THtGIFFrame* f = image.Frames().Frames(i);
    if (f->Empty()) continue;
    giftest::RefFrame r{f->Left(), f->Top(), f->Width(), f->Height(), f->Data()};
    if (const TGIFGraphicControlExtension* g = f->GraphicControlExtension()) {
      r.Delay = g->Delay();
      r.Disposal = g->Disposal();
      r.Transparent = g->Transparent() ? g->TransparentColorIndex() : -1;
    }
    out.push_back(std::move(r));
  }
  return out;
}

void expectSameFrames(const std::vector<giftest::RefFrame>& ours, const giftest::RefImage& ref) {
  ASSERT_TRUE(ref.Ok);
  ASSERT_EQ(ours.size(), ref.Frames.size());
  for (size_t i = 0; i < ours.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "frame " << i);
    EXPECT_EQ(ours[i].Left, ref.Frames[i].Left);
    EXPECT_EQ(ours[i].Top, ref.Frames[i].Top);
    EXPECT_EQ(ours[i].Width, ref.Frames[i].Width);
    EXPECT_EQ(ours[i].Height, ref.Frames[i].Height);
    EXPECT_EQ(ours[i].Pixels, ref.Frames[i].Pixels);
    EXPECT_EQ(ours[i].Delay, ref.Frames[i].Delay);
    EXPECT_EQ(ours[i].Disposal, ref.Frames[i].Disposal);
    EXPECT_EQ(ours[i].Transparent, ref.Frames[i].Transparent);
  }
}

TEST_P(GifWellFormed, AgreesWithGiflib) {
  const FixtureCase& c = GetParam();
  const auto bytes = FixtureBytes(c.name);
  THtGifImage image;
  ASSERT_EQ(Load(image, bytes), "");
  const giftest::RefImage ref = GiflibDecode(bytes);
  expectSameFrames(ourFrames(image), ref);
  EXPECT_EQ(image.LoopCount(), ref.Loops < 0 ? 1 : ref.Loops == 0 ? 0 : ref.Loops + 1);
}

// What we write decodes, under giflib and under our reader, to what we read.
TEST_P(GifWritable, WrittenBackDecodesAlike) {
  const FixtureCase& c = GetParam();
  THtGifImage image;
  Load(image, FixtureBytes(c.name));
  const auto saved = Save(image);
  const auto ours = ourFrames(image);
  expectSameFrames(ours, GiflibDecode(saved));
  THtGifImage again;
  ASSERT_EQ(Load(again, saved), "");
  EXPECT_EQ(again.Frames().Count(), image.Frames().Count());
  EXPECT_EQ(again.LoopCount(), image.LoopCount());
  const auto reread = ourFrames(again);
  ASSERT_EQ(reread.size(), ours.size());
  for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(reread[i].Pixels, ours[i].Pixels);
}

auto caseName = [](const testing::TestParamInfo<FixtureCase>& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Fixtures, GifFixture, testing::ValuesIn(kCases), caseName);
INSTANTIATE_TEST_SUITE_P(Fixtures, GifWellFormed,
                         testing::ValuesIn(casesWhere([](const FixtureCase& c) { return c.wellFormed; })), caseName);
INSTANTIATE_TEST_SUITE_P(Fixtures, GifWritable,
                         testing::ValuesIn(casesWhere([](const FixtureCase& c) { return c.frames > 0; })), caseName);

}  // namespace
}  // namespace ht
