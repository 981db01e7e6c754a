#pragma once
// Conversion between UTF-16 and 8-bit code pages.
//
// Linux has no system ANSI code page, so ours is fixed to Windows-1252. Its
// five bytes without a character (81, 8D, 8F, 90, 9D) decode to the C1
// controls of the same value and encode back to those bytes, so any byte
// string survives AnsiToString followed by StringToAnsi unchanged.
// Numbered code pages use the Windows numbering (1251, 866, 20866, 28592,
// 932, 65001...) and are converted by ICU.
#include <string>
#include <string_view>

#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

// Raised for a code page number that no converter serves.
HT_DECLARE_EXCEPTION(EEncodingError, Exception);

constexpr int CP_ACP = 0;        // the system ANSI code page
constexpr int CP_ANSI_FIXED = 1252;
constexpr int CP_UTF8 = 65001;

// The number CP_ACP stands for: always 1252.
int SystemAnsiCodePage();

// Bytes in the system ANSI code page to UTF-16 and back. Characters that
// Windows-1252 cannot hold become "?".
String AnsiToString(std::string_view bytes);
std::string StringToAnsi(StringView s);

// True when CodePageToString and StringToCodePage accept codePage.
bool IsCodePageSupported(int codePage);

// Bytes in a numbered code page (CP_ACP for the system one) to UTF-16 and
// back. Malformed bytes decode to U+FFFD; characters the code page cannot
// hold encode as "?". An unknown code page raises EEncodingError.
String CodePageToString(std::string_view bytes, int codePage);
std::string StringToCodePage(StringView s, int codePage);

}  // namespace ht
