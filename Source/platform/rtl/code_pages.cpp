#include "platform/rtl/code_pages.h"

#include <unicode/ucnv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <memory>
#include <string>

namespace ht {

namespace {

// Windows-1252 bytes 80..9F; the five unassigned bytes keep their own value.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ansiByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] == c) return char(0x80 + i);
  return '?';
}

// ICU names of the Windows code page numbers whose ICU name is not simply
// "windows-N" or "cpN".
struct CodePageName {
  int codePage;
  const char* name;
};
constexpr CodePageName kCodePageNames[] = {
    {437, "ibm-437"},         {850, "ibm-850"},        {852, "ibm-852"},
    {855, "ibm-855"},         {857, "ibm-857"},        {862, "ibm-862"},
    {866, "ibm-866"},         {874, "windows-874"},    {932, "Shift_JIS"},
    {936, "GBK"},             {949, "windows-949"},    {950, "Big5"},
    {1200, "UTF-16LE"},       {1201, "UTF-16BE"},      {10000, "macintosh"},
    {20127, "US-ASCII"},      {20866, "KOI8-R"},       {21866, "KOI8-U"},
    {20932, "EUC-JP"},        {28591, "ISO-8859-1"},   {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},    {28594, "ISO-8859-4"},   {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},    {28597, "ISO-8859-7"},   {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},    {28603, "ISO-8859-13"},  {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"},   {51932, "EUC-JP"},       {51936, "GB2312"},
    {51949, "EUC-KR"},        {52936, "HZ"},           {54936, "GB18030"},
    {65000, "UTF-7"},         {65001, "UTF-8"},
};

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU converters are not thread-safe, so each conversion opens its own;
// ICU caches the tables behind them.
Converter openConverter(int codePage) {
  const char* name = nullptr;
  for (const auto& entry : kCodePageNames)
    if (entry.codePage == codePage) name = entry.name;
  std::string candidates[2];
  if (name) {
    candidates[0] = name;
  } else if (codePage > 0) {
    candidates[0] = "windows-" + std::to_string(codePage);
    candidates[1] = "cp" + std::to_string(codePage);
  }
  for (const auto& candidate : candidates) {
    if (candidate.empty()) continue;
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(candidate.c_str(), &status));
    if (U_SUCCESS(status) && conv) {
      UErrorCode subStatus = U_ZERO_ERROR;
      ucnv_setSubstChars(conv.get(), "?", 1, &subStatus);
      return conv;
    }
  }
  return nullptr;
}

bool isFixedAnsi(int codePage) { return codePage == CP_ACP || codePage == CP_ANSI_FIXED; }

}  // namespace

int SystemAnsiCodePage() { return CP_ANSI_FIXED; }

String AnsiToString(std::string_view bytes) {
  String out(bytes.size(), u'\0');
  size_t i = 0;
#if defined(__SSE2__)
  // ASCII blocks widen sixteen bytes at a time; a block with a high byte
  // goes through the table below.
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= bytes.size(); i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
    if (_mm_movemask_epi8(v) != 0) {
      for (size_t k = i; k < i + 16; ++k) {
        const uint8_t b = uint8_t(bytes[k]);
        out[k] = (b >= 0x80 && b < 0xA0) ? kHigh1252[b - 0x80] : char16_t(b);
      }
      continue;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < bytes.size(); ++i) {
    const uint8_t b = uint8_t(bytes[i]);
    out[i] = (b >= 0x80 && b < 0xA0) ? kHigh1252[b - 0x80] : char16_t(b);
  }
  return out;
}

std::string StringToAnsi(StringView s) {
  std::string out(s.size(), '\0');
  // A surrogate pair is one character: one "?", not two.
  size_t w = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) ++i;
    out[w++] = ansiByte(s[i]);
  }
  out.resize(w);
  return out;
}

bool IsCodePageSupported(int codePage) {
  return isFixedAnsi(codePage) || openConverter(codePage) != nullptr;
}

String CodePageToString(std::string_view bytes, int codePage) {
  if (isFixedAnsi(codePage)) return AnsiToString(bytes);
  if (codePage == CP_UTF8) return Utf8ToString(bytes);
  Converter conv = openConverter(codePage);
  if (!conv) throw EEncodingError(u"Code page %d is not supported", codePage);
  if (bytes.empty()) return String();
  // Every byte gives at most two UTF-16 units (a surrogate pair).
  String out(bytes.size() * 2 + 2, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                            bytes.data(), int32_t(bytes.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(size_t(n) + 1, u'\0');
    status = U_ZERO_ERROR;
    n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                      bytes.data(), int32_t(bytes.size()), &status);
  }
  if (U_FAILURE(status)) throw EEncodingError(u"Cannot decode text in code page %d", codePage);
  out.resize(size_t(n));
  return out;
}

std::string StringToCodePage(StringView s, int codePage) {
  if (isFixedAnsi(codePage)) return StringToAnsi(s);
  if (codePage == CP_UTF8) return StringToUtf8(s);
  Converter conv = openConverter(codePage);
  if (!conv) throw EEncodingError(u"Code page %d is not supported", codePage);
  if (s.empty()) return std::string();
  std::string out(size_t(UCNV_GET_MAX_BYTES_FOR_STRING(s.size(), ucnv_getMaxCharSize(conv.get()))),
                  '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(conv.get(), out.data(), int32_t(out.size()),
                                    reinterpret_cast<const UChar*>(s.data()), int32_t(s.size()),
                                    &status);
  if (U_FAILURE(status)) throw EEncodingError(u"Cannot encode text in code page %d", codePage);
  out.resize(size_t(n));
  return out;
}

}  // namespace ht
