#include <gtest/gtest.h>

#include <random>
#include <zlib.h>

#include "markup/base64.h"
#include "markup/crc32.h"
#include "platform/rtl/cpu_features.h"

namespace ht {
namespace {

TBytes bytesOf(std::string_view s) { return TBytes(s.begin(), s.end()); }

TEST(Base64, EncodesEveryLengthModThree) {
  struct Case {
    const char* bytes;
    const char16_t* expected;
  };
  const Case cases[] = {{"", u""},         {"f", u"Zg=="},     {"fo", u"Zm8="},
                        {"foo", u"Zm9v"},  {"foob", u"Zm9vYg=="}, {"fooba", u"Zm9vYmE="},
                        {"foobar", u"Zm9vYmFy"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FastEncodeBase64(bytesOf(c.bytes)), c.expected) << c.bytes;
    EXPECT_EQ(DecodeBase64ToBytes(c.expected), bytesOf(c.bytes)) << c.bytes;
  }
  const TBytes all = [] {
    TBytes b(256);
    for (int i = 0; i < 256; ++i) b[i] = uint8_t(i);
    return b;
  }();
  EXPECT_EQ(DecodeBase64ToBytes(FastEncodeBase64(all)), all);
  EXPECT_EQ(FastEncodeBase64(TBytes{0xFB, 0xFF, 0xBF}), u"+/+/");
}

TEST(Base64, LineBreaksEvery76Characters) {
  const TBytes sixty(60, 'a');
  const String text = EncodeBase64Bytes(sixty);
  ASSERT_EQ(text.size(), 76u + 2 + 4);
  EXPECT_EQ(text.substr(76, 2), u"\r\n");
  EXPECT_EQ(text.substr(78), u"YWFh");
  // A last line that is exactly full still ends in CR LF.
  const String full = EncodeBase64Bytes(TBytes(57, 'a'));
  ASSERT_EQ(full.size(), 78u);
  EXPECT_EQ(full.substr(76), u"\r\n");
  EXPECT_EQ(EncodeBase64Bytes(TBytes()), u"");
  // Strings go as UTF-8; the unbroken form keeps one line.
  EXPECT_EQ(EncodeBase64String(u"user:p\u00e4ss"), u"dXNlcjpww6Rzcw==");
  const String longText(100, u'x');
  EXPECT_NE(EncodeBase64String(longText).find(u"\r\n"), String::npos);
  EXPECT_EQ(EncodeBase64StringUnbroken(longText).find(u"\r\n"), String::npos);
  EXPECT_EQ(DecodeBase64ToBytes(EncodeBase64String(longText)), TBytes(100, 'x'));
}

TEST(Base64, DecoderSkipsForeignCharactersAndMissingPadding) {
  EXPECT_EQ(DecodeBase64ToBytes(u"Zm9v\r\nYmFy"), bytesOf("foobar"));
  EXPECT_EQ(DecodeBase64ToBytes(u"Zm9vYg"), bytesOf("foob"));
  EXPECT_EQ(DecodeBase64ToBytes(u"Zm9vYmE"), bytesOf("fooba"));
  EXPECT_EQ(DecodeBase64ToBytes(u"Zg==Zm9v"), bytesOf("f"));  // "=" ends the data
  EXPECT_EQ(DecodeBase64ToBytes(u"Z"), TBytes());
  EXPECT_EQ(DecodeBase64ToBytes(u"\u00e9Zg\u4e2d=="), bytesOf("f"));
}

// The block encoder against the scalar loop on seeded random input, every
// length from 0 to 64 bytes at every misalignment.
TEST(Base64, Block12MatchesScalar) {
  if (!CpuFeatures().SSE42) GTEST_SKIP() << "no SSE4.2";
  std::mt19937 rng(1234);
  std::vector<uint8_t> pool(64 + 16);
  for (int round = 0; round < 20; ++round) {
    for (auto& b : pool) b = uint8_t(rng());
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t length = 0; length <= 64; ++length) {
        // Exactly sized, so that a read past the input trips the address sanitizer.
        const std::vector<uint8_t> input(pool.begin(), pool.begin() + ptrdiff_t(offset + length));
        const uint8_t* bytes = input.data() + offset;
        const size_t groups = length / 12;
        std::u16string vector(groups * 16 + 1, u'#'), scalar(groups * 16 + 1, u'#');
        EncodeBase64Block12(bytes, groups, vector.data());
        EncodeBase64Scalar(bytes, groups * 12, scalar.data());
        ASSERT_EQ(vector, scalar) << "offset " << offset << " length " << length;

        const String mixed = FastEncodeBase64(bytes, length);
        String plain((length + 2) / 3 * 4, u'\0');
        EncodeBase64Scalar(bytes, length, plain.data());
        ASSERT_EQ(mixed, plain) << "offset " << offset << " length " << length;
      }
    }
  }
}

TEST(StrCRC32, ComplementOfStandardCrcOverLowBytes) {
  EXPECT_EQ(StrCRC32(u""), 0xFFFFFFFFu);
  EXPECT_EQ(StrCRC32(u"123456789"), 0x340BC6D9u);
  EXPECT_EQ(StrCRC32(String(u"12\0" "3", 4)), StrCRC32(u"12"));  // stops at U+0000
  EXPECT_EQ(StrCRC32(u"\u0141"), StrCRC32(u"A"));                 // only the low byte counts
  const std::string text = "The quick brown fox jumps over the lazy dog";
  const uint32_t standard = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(text.data()), uInt(text.size())));
  EXPECT_EQ(StrCRC32(AsciiToString(text)), ~standard);
}

}  // namespace
}  // namespace ht
