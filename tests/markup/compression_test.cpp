#include "markup/compression.h"

#include <gtest/gtest.h>

#include <random>

#include "markup/utils_startup.h"

namespace ht {
namespace {

class Compression : public ::testing::Test {
 protected:
  void SetUp() override { HtUtilsInitialize(); }
  void TearDown() override { HtUtilsFinalize(); }

  static TBytes sample(size_t size) {
    std::mt19937 rng(7);
    TBytes b(size);
    // Compressible but not trivial.
    for (auto& x : b) x = uint8_t("abcdefgh"[rng() % 8]);
    return b;
  }
};

TEST_F(Compression, RoundTrips) {
  for (size_t size : {size_t(0), size_t(1), size_t(1000), size_t(1048576), size_t(1048576 + 3)}) {
    SCOPED_TRACE(size);
    const TBytes original = sample(size);
    for (bool bestSpeed : {true, false}) {
      TBytes packed, unpacked{1, 2, 3};
      THtZIP::ZCompress(original, packed, bestSpeed);
      THtZIP::ZDecompress(packed, unpacked);
      EXPECT_EQ(unpacked, original);
    }
    TBytes packed, viaStream, oneShot(original.size());
    THtZIP::Compress(original, packed, false);
    THtZIP::ZDecompress(packed, viaStream);
    EXPECT_EQ(viaStream, original);
    THtZIP::Decompress(packed, oneShot);
    EXPECT_EQ(oneShot, original);
  }
}

TEST_F(Compression, TruncatedOrDamagedInputRaises) {
  const TBytes original = sample(5000);
  TBytes packed;
  THtZIP::ZCompress(original, packed, false);
  const TBytes truncated(packed.begin(), packed.end() - 6);
  TBytes out;
  EXPECT_THROW(THtZIP::ZDecompress(truncated, out), EZDecompressionError);
  EXPECT_TRUE(out.empty());
  EXPECT_THROW(THtZIP::ZDecompress(TBytes(), out), EZDecompressionError);
  TBytes sized(original.size());
  EXPECT_THROW(THtZIP::Decompress(truncated, sized), EZDecompressionError);
  // A bomb stops at the caller's limit: a megabyte of zeros against 64 KiB.
  TBytes bomb;
  THtZIP::ZCompress(TBytes(1 << 20, 0), bomb, false);
  EXPECT_THROW(THtZIP::ZDecompress(bomb, out, 1 << 16), EZDecompressionError);
  EXPECT_TRUE(out.empty());
  THtZIP::ZDecompress(bomb, out, 1 << 20);
  EXPECT_EQ(out.size(), size_t(1) << 20);

  TBytes damaged = packed;
  damaged[0] ^= 0xFF;  // header check fails
  try {
    THtZIP::ZDecompress(damaged, out);
    FAIL() << "no exception";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), u"data error");
  }
}

TEST_F(Compression, StreamSeeksReadsAgainAndStopsAtTheEnd) {
  const TBytes original = sample(100000);
  TBytes packed;
  THtZIP::ZCompress(original, packed, true);
  packed.push_back(0xAB);  // data after the compressed stream
  TMemoryStream source(packed.data(), packed.size());
  TFixedZDecompressionStream stream(&source);

  TBytes first(300);
  ASSERT_EQ(stream.Read(first, 0, first.size()), first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), original.begin()));
  EXPECT_EQ(stream.Seek(1000, soCurrent), 1300);
  EXPECT_EQ(stream.Seek(0, soBeginning), 0);
  TBytes again(300);
  ASSERT_EQ(stream.Read(again.data(), again.size()), again.size());
  EXPECT_EQ(again, first);
  EXPECT_EQ(stream.Seek(50000, soBeginning), 50000);
  EXPECT_EQ(stream.Seek(10, soBeginning), 10);
  uint8_t b = 0;
  ASSERT_EQ(stream.Read(&b, 1), 1u);
  EXPECT_EQ(b, original[10]);

  EXPECT_EQ(stream.Size(), int64_t(original.size()));
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Seek(0, soEnd), int64_t(original.size()));
  EXPECT_TRUE(stream.StreamEnded());

  EXPECT_THROW(stream.Seek(-1, soCurrent), EZDecompressionError);
  EXPECT_THROW(stream.Seek(5, soEnd), EZDecompressionError);
  try {
    stream.Write(&b, 1);
    FAIL() << "no exception";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), u"Invalid ZStream operation!");
  }
}

TEST_F(Compression, RegisteredImplementationIsReplaceable) {
  struct Counting : IHtZipImplementation {
    int calls = 0;
    void Compress(const TBytes&, TBytes&, bool) override { ++calls; }
    void Decompress(const TBytes&, TBytes&) override { ++calls; }
    void ZCompress(const TBytes&, TBytes&, bool) override { ++calls; }
    void ZDecompress(const TBytes&, TBytes&, size_t) override { ++calls; }
  };
  auto counting = std::make_shared<Counting>();
  const auto previous = THtZIP::Implementation();
  ASSERT_NE(previous, nullptr);
  THtZIP::RegisterImplementation(counting);
  TBytes out;
  THtZIP::ZCompress(TBytes{1}, out, false);
  THtZIP::ZDecompress(TBytes{1}, out);
  EXPECT_EQ(counting->calls, 2);
  THtZIP::RegisterImplementation(nullptr);
  EXPECT_THROW(THtZIP::ZCompress(TBytes{1}, out, false), EZCompressionError);
  THtZIP::RegisterImplementation(previous);
}

}  // namespace
}  // namespace ht
