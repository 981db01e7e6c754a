#include "host/clipboard_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdlib>

#include "markup/url_utils.h"

namespace ht {

namespace {

int digits(uint64_t V) {
  int n = 1;
  while (V >= 10) V /= 10, ++n;
  return n;
}

std::string padded(uint64_t V) {
  std::string s = std::to_string(V);
  if (s.size() < 6) s.insert(0, 6 - s.size(), '0');
  return s;
}

uint32_t u32(const THtBytes& B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}

// Products and sums of lying header fields saturate instead of wrapping.
uint64_t mulSat(uint64_t A, uint64_t B) { return A != 0 && B > UINT64_MAX / A ? UINT64_MAX : A * B; }
uint64_t addSat(uint64_t A, uint64_t B) { return B > UINT64_MAX - A ? UINT64_MAX : A + B; }

void put32(THtBytes& B, uint32_t V) {
  for (int i = 0; i < 4; ++i) B.push_back(uint8_t(V >> (8 * i)));
}

}  // namespace

std::string HTMLClipboardText(StringView AHTML, StringView ASourceFile) {
  // The encoded URL is ASCII.
  std::string source;
  for (char16_t c : URLEncode(ASourceFile)) source.push_back(char(c));
  const std::string html = StringToUtf8(AHTML);
  // The fixed lines take 103 bytes besides the URL and the two numbers; a
  // number wider than six digits moves everything after it.
  int startWidth = 6, endWidth = 6;
  uint64_t start = 0, end = 0;
  for (;;) {
    start = 103 + source.size() + uint64_t(startWidth) + uint64_t(endWidth);
    end = start + html.size() + 2;
    const int sw = std::max(6, digits(start)), ew = std::max(6, digits(end));
    if (sw == startWidth && ew == endWidth) break;
    startWidth = sw;
    endWidth = ew;
  }
  std::string out;
  out.reserve(end + 18);
  out += "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:";
  out += padded(start);
  out += "\r\nEndFragment:";
  out += padded(end);
  out += "\r\nSourceURL:";
  out += source;
  out += "\r\n<!--StartFragment-->\r\n";
  out += html;
  out += "\r\n<!--EndFragment-->";
  return out;
}

String ClipboardBlockText(const THtBytes& Block) {
  const auto zero = std::find(Block.begin(), Block.end(), uint8_t(0));
  return Utf8ToString(std::string_view(reinterpret_cast<const char*>(Block.data()), size_t(zero - Block.begin())));
}

THtBytes DIBtoBMP(const THtBytes& Block) {
  if (Block.size() < 40) return THtBytes();
  const uint64_t headerSize = u32(Block, 0);
  if (headerSize < 40 || headerSize > Block.size()) return THtBytes();
  const int64_t width = int32_t(u32(Block, 4)), height = int32_t(u32(Block, 8));
  const uint64_t bitCount = uint16_t(Block[14] | Block[15] << 8);
  const uint32_t compression = u32(Block, 16), imageSize = u32(Block, 20), colorsUsed = u32(Block, 32);
  // A 40-byte header is followed by its three masks; larger headers hold
  // them inside.
  const uint64_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
  const uint64_t colors = colorsUsed != 0 ? colorsUsed : bitCount <= 8 ? uint64_t(1) << bitCount : 0;
  const uint64_t stride = (uint64_t(std::llabs(width)) * bitCount + 31) / 32 * 4;
  const uint64_t pixels = imageSize != 0 ? imageSize : mulSat(stride, uint64_t(std::llabs(height)));
  const uint64_t pixelOffset = headerSize + masks + colors * 4;
  const uint64_t copied = std::min<uint64_t>(addSat(pixelOffset, pixels), Block.size());
  THtBytes out;
  out.reserve(size_t(copied) + 14);
  out.push_back('B');
  out.push_back('M');
  put32(out, uint32_t(std::min<uint64_t>(copied + 14, UINT32_MAX)));
  put32(out, 0);
  put32(out, uint32_t(std::min<uint64_t>(std::min(pixelOffset, copied) + 14, UINT32_MAX)));
  out.insert(out.end(), Block.begin(), Block.begin() + std::ptrdiff_t(copied));
  return out;
}

}  // namespace ht
