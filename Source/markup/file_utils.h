#pragma once
// Whole-file loading and saving. Files are opened through the platform's
// file stream; a file that cannot be opened or created raises EFOpenError or
// EFCreateError (platform/rtl/stream.h), which these routines let through.
// 8-bit strings are std::string.
#include <string>
#include <string_view>

#include "platform/rtl/string.h"

namespace ht {

// The whole file as bytes (text in the system's ANSI code page).
std::string LoadFileToRawString(StringView fileName);

// The whole file as text; its first bytes decide how it is read:
//   FF FE: UTF-16 little-endian after the mark; FE FF: big-endian after it;
//   a second byte 0: UTF-16 little-endian from the first byte;
//   EF BB: UTF-8 after three bytes; anything else, including a file of one
//   byte: the system's ANSI code page. An odd last byte of UTF-16 is ignored.
String LoadFileToString(StringView fileName);
// The decoding LoadFileToString applies to a file's bytes.
String DecodeFileBytes(std::string_view bytes);
// Whether DecodeFileBytes reads these bytes in the system's ANSI code page.
bool FileBytesAreAnsi(std::string_view bytes);

// Creates or truncates the file: the mark FF FE, then s as UTF-16LE.
void SaveStringToFileUTF16(StringView s, StringView fileName);
// Create or truncate the file and write the bytes of s, with no mark.
void SaveAnsiStringToFile(std::string_view s, StringView fileName);
void SaveRawBytesToFile(std::string_view s, StringView fileName);

// The folder part of a path, up to and with its last "/" or "\\" ("" when
// there is none).
String FolderOf(StringView path);
// The running program's folder, ending in "/" ("" when it cannot be read).
String ExecutableFolder();

}  // namespace ht
