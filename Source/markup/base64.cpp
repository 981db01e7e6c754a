#include "markup/base64.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HT_HAVE_X86 1
#endif

namespace ht {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Base64 value of each byte; -1 outside the alphabet.
struct DecodeTable {
  int8_t values[256];
  constexpr DecodeTable() : values() {
    for (int i = 0; i < 256; ++i) values[i] = -1;
    for (int i = 0; i < 64; ++i) values[uint8_t(kAlphabet[i])] = int8_t(i);
  }
};
constexpr DecodeTable kDecode;

String withLineBreaks(const String& flat) {
  constexpr size_t kLine = 76;
  String out;
  out.reserve(flat.size() + flat.size() / kLine * 2 + 2);
  for (size_t i = 0; i < flat.size(); i += kLine) {
    const size_t n = std::min(kLine, flat.size() - i);
    out.append(flat, i, n);
    if (n == kLine) out.append(u"\r\n");
  }
  return out;
}

}  // namespace

void EncodeBase64Scalar(const uint8_t* bytes, size_t count, char16_t* out) {
  size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    const uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
    *out++ = char16_t(kAlphabet[v >> 18]);
    *out++ = char16_t(kAlphabet[(v >> 12) & 63]);
    *out++ = char16_t(kAlphabet[(v >> 6) & 63]);
    *out++ = char16_t(kAlphabet[v & 63]);
  }
  const size_t rest = count - i;
  if (rest == 1) {
    const uint32_t v = uint32_t(bytes[i]) << 16;
    *out++ = char16_t(kAlphabet[v >> 18]);
    *out++ = char16_t(kAlphabet[(v >> 12) & 63]);
    *out++ = u'=';
    *out++ = u'=';
  } else if (rest == 2) {
    const uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8;
    *out++ = char16_t(kAlphabet[v >> 18]);
    *out++ = char16_t(kAlphabet[(v >> 12) & 63]);
    *out++ = char16_t(kAlphabet[(v >> 6) & 63]);
    *out++ = u'=';
  }
}

#ifdef HT_HAVE_X86
// Four 3-byte units per step: spread each unit over four bytes, cut out the
// 6-bit fields with two multiplies, map them to ASCII with a table of
// offsets, and widen to UTF-16.
__attribute__((target("sse4.2"))) void EncodeBase64Block12(const uint8_t* bytes, size_t groups,
                                                             char16_t* out) {
  const __m128i spread = _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
  const __m128i offsets = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                        '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62,
                                        '/' - 63, 'A', 0, 0);
  const __m128i zero = _mm_setzero_si128();
  for (size_t g = 0; g < groups; ++g) {
    // Every group but the last is followed by at least four more input
    // bytes, so it can be loaded as 16; the last is copied out so that no
    // byte after the input is read.
    __m128i raw;
    if (g + 1 < groups) {
      raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + g * 12));
    } else {
      uint8_t block[16] = {};
      std::memcpy(block, bytes + g * 12, 12);
      raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    }
    const __m128i in = _mm_shuffle_epi8(raw, spread);
    const __m128i hi = _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0FC0FC00)),
                                       _mm_set1_epi32(0x04000040));
    const __m128i lo = _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003F03F0)),
                                       _mm_set1_epi32(0x01000010));
    const __m128i indices = _mm_or_si128(hi, lo);
    __m128i reduced = _mm_subs_epu8(indices, _mm_set1_epi8(51));
    const __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(26), indices);
    reduced = _mm_or_si128(reduced, _mm_and_si128(upper, _mm_set1_epi8(13)));
    const __m128i ascii = _mm_add_epi8(_mm_shuffle_epi8(offsets, reduced), indices);
    char16_t* dst = out + g * 16;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(ascii, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(ascii, zero));
  }
}
#else
void EncodeBase64Block12(const uint8_t* bytes, size_t groups, char16_t* out) {
  EncodeBase64Scalar(bytes, groups * 12, out);
}
#endif

String FastEncodeBase64(const uint8_t* bytes, size_t count) {
  String out((count + 2) / 3 * 4, u'\0');
  size_t done = 0;
  if (count >= 12 && HasSSE42()) {
    const size_t groups = count / 12;
    EncodeBase64Block12(bytes, groups, out.data());
    done = groups * 12;
  }
  EncodeBase64Scalar(bytes + done, count - done, out.data() + done / 3 * 4);
  return out;
}

String FastEncodeBase64(const TBytes& bytes) { return FastEncodeBase64(bytes.data(), bytes.size()); }

String EncodeBase64Bytes(const TBytes& bytes) { return withLineBreaks(FastEncodeBase64(bytes)); }

String EncodeBase64String(StringView s) { return withLineBreaks(EncodeBase64StringUnbroken(s)); }

String EncodeBase64StringUnbroken(StringView s) {
  const std::string utf8 = StringToUtf8(s);
  return FastEncodeBase64(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
}

TBytes DecodeBase64ToBytes(StringView s) {
  TBytes out;
  out.reserve(s.size() / 4 * 3 + 3);
  uint32_t bits = 0;
  int bitCount = 0;
  for (char16_t c : s) {
    if (c == u'=') break;
    const int v = c < 256 ? kDecode.values[c] : -1;
    if (v < 0) continue;
    bits = (bits << 6) | uint32_t(v);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      out.push_back(uint8_t(bits >> bitCount));
    }
  }
  return out;
}

}  // namespace ht
