// The clipboard's byte blocks: the HTML Format text with its offsets, text
// blocks from other programs, and BMP files built from their bitmaps.
#include "host/clipboard_blocks.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/core_image.h"

namespace ht {
namespace {

uint32_t u32(const THtBytes& B, size_t At) {
  uint32_t v = 0;
  std::memcpy(&v, B.data() + At, 4);
  return v;
}

// The number after Name in the header lines.
uint64_t field(const std::string& Text, const std::string& Name) {
  const size_t at = Text.find(Name);
  return at == std::string::npos ? 0 : std::stoull(Text.substr(at + Name.size()));
}

TEST(HTMLClipboardText, HeaderAndFragmentBytes) {
  const std::string t = HTMLClipboardText(u"<b>x</b>", u"");
  EXPECT_EQ(t,
            "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:000115\r\nEndFragment:000125\r\n"
            "SourceURL:\r\n<!--StartFragment-->\r\n<b>x</b>\r\n<!--EndFragment-->");
}

TEST(HTMLClipboardText, OffsetsPointAtTheFragmentAndItsEnd) {
  struct Case {
    String Html, Source;
    std::string SourceLine;
  } cases[] = {
      {u"", u"", "SourceURL:\r\n"},
      {u"<p>caf\u00e9</p>\r\n<p>two</p>", u"file:///tmp/a b\u00e9.html", "SourceURL:file%3a%2f%2f%2ftmp%2fa+b%c3%a9.html\r\n"},
      // An offset of seven digits widens its field, and moves the other.
      {String(1000000, u'x'), u"s", "SourceURL:s\r\n"},
  };
  for (const Case& c : cases) {
    const std::string t = HTMLClipboardText(c.Html, c.Source);
    const std::string html = StringToUtf8(c.Html);
    const uint64_t s = field(t, "StartFragment:"), e = field(t, "EndFragment:");
    EXPECT_NE(t.find(c.SourceLine), std::string::npos) << c.SourceLine;
    EXPECT_EQ(s, 115 + c.SourceLine.size() - 12 + (e >= 1000000 ? 1 : 0));
    EXPECT_EQ(t.substr(s, html.size()), html);
    EXPECT_EQ(e, s + html.size() + 2);
    EXPECT_EQ(t.substr(e), "<!--EndFragment-->");
  }
}

TEST(ClipboardBlockText, StopsAtTheFirstZeroOrTheBlockEnd) {
  const std::string text = "Version:0.9\r\ncaf\xc3\xa9";
  EXPECT_EQ(ClipboardBlockText(THtBytes(text.begin(), text.end())), u"Version:0.9\r\ncaf\u00e9");
  EXPECT_EQ(ClipboardBlockText(THtBytes{'a', 'b', 0, 'c'}), u"ab");
  EXPECT_EQ(ClipboardBlockText(THtBytes{}), u"");
  EXPECT_EQ(ClipboardBlockText(THtBytes{0}), u"");
  // A cut UTF-8 sequence decodes to something, not past the block.
  EXPECT_FALSE(ClipboardBlockText(THtBytes{'a', 0xC3}).empty());
}

// A packed bitmap: the header (HeaderSize bytes, the 40-byte fields set),
// then Extra bytes of masks or colours and pixel rows, numbered.
THtBytes dib(uint32_t HeaderSize, int32_t W, int32_t H, uint16_t Bits, uint32_t Compression, uint32_t ImageSize,
             size_t Extra) {
  THtBytes b(HeaderSize + Extra);
  auto put = [&b](size_t At, uint32_t V) { std::memcpy(b.data() + At, &V, 4); };
  if (b.size() >= 40) {
    put(0, HeaderSize);
    put(4, uint32_t(W));
    put(8, uint32_t(H));
    b[12] = 1;
    b[14] = uint8_t(Bits);
    b[15] = uint8_t(Bits >> 8);
    put(16, Compression);
    put(20, ImageSize);
  }
  for (size_t i = HeaderSize; i < b.size(); ++i) b[i] = uint8_t(i);
  return b;
}

TEST(DIBtoBMP, FileHeaderAndCopiedBytes) {
  struct Case {
    const char* Name;
    THtBytes Block;
    size_t Copied;     // bytes of the block in the file
    uint32_t Offset;   // the pixel offset
  } cases[] = {
      {"plain", dib(40, 2, 2, 24, 0, 16, 16), 56, 54},
      {"bit fields", dib(40, 1, 1, 32, 3, 4, 16), 56, 66},
      {"image size 0, rows padded", dib(40, 3, 2, 24, 0, 0, 24 + 5), 64, 54},
      {"negative height", dib(40, 3, -2, 24, 0, 0, 24), 64, 54},
      {"oversized header", dib(124, 1, 1, 32, 3, 4, 4), 128, 138},
      {"colour table", dib(40, 2, 1, 8, 0, 0, 1024 + 4), 40 + 1024 + 4, 14 + 40 + 1024},
      {"image size past the block", dib(40, 2, 2, 24, 0, 0x7FFFFFFF, 16), 56, 54},
      {"rows past the block", dib(40, 100000, -100000, 32, 0, 0, 8), 48, 54},
      {"extreme fields", dib(40, INT32_MIN, INT32_MIN, 0xFFFF, 3, 0, 8), 48, 66},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const THtBytes bmp = DIBtoBMP(c.Block);
    ASSERT_EQ(bmp.size(), 14 + c.Copied);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(u32(bmp, 2), bmp.size());
    EXPECT_EQ(u32(bmp, 6), 0u);
    EXPECT_EQ(u32(bmp, 10), std::min<uint32_t>(c.Offset, uint32_t(bmp.size())));
    EXPECT_TRUE(std::equal(bmp.begin() + 14, bmp.end(), c.Block.begin()));
  }
}

TEST(DIBtoBMP, RefusesBlocksWithoutAWholeHeader) {
  EXPECT_TRUE(DIBtoBMP(THtBytes{}).empty());
  EXPECT_TRUE(DIBtoBMP(THtBytes(39, 0)).empty());
  EXPECT_TRUE(DIBtoBMP(dib(12, 1, 1, 24, 0, 0, 40)).empty()) << "a core header under 40 bytes";
  THtBytes lying = dib(40, 1, 1, 24, 0, 0, 4);
  lying[0] = 200;  // a header longer than the block
  EXPECT_TRUE(DIBtoBMP(lying).empty());
}

TEST(DIBtoBMP, FilesDecodeToTheirPixels) {
  // A blue pixel bottom-up with bit fields, and a red one top-down behind a
  // 124-byte header: the pixel offset must skip masks and header alike.
  THtBytes fields = dib(40, 1, 1, 32, 3, 4, 16);
  const uint32_t masks[] = {0x00FF0000, 0x0000FF00, 0x000000FF}, blue = 0x000000FF;
  std::memcpy(fields.data() + 40, masks, 12);
  std::memcpy(fields.data() + 52, &blue, 4);
  THtBytes v5 = dib(124, 1, -1, 24, 0, 0, 4);
  const uint8_t red[] = {0, 0, 255, 0};
  std::memcpy(v5.data() + 124, red, 4);
  for (const auto& [block, bgra] : {std::pair{fields, 0xFF0000FFu}, std::pair{v5, 0xFFFF0000u}}) {
    const THtBytes bmp = DIBtoBMP(block);
    core::TCoreImage image;
    ASSERT_TRUE(core::DecodeImage(bmp.data(), bmp.size(), image));
    ASSERT_EQ(image.Width, 1);
    uint32_t px = 0;
    std::memcpy(&px, image.Row(0, 0), 4);
    EXPECT_EQ(px, bgra);
  }
}

}  // namespace
}  // namespace ht
