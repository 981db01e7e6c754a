#pragma once
// The platform clipboard in the Windows manner, over GTK's CLIPBOARD
// selection.
//
// Formats are numbers: the standard ones below, and registered names
// (RegisterClipboardFormat), which are offered to and read from other
// programs under a target of the same name ("HTML Format", "text/html",
// "image/png"...). The standard formats map onto the usual targets:
//   CF_UNICODETEXT  UTF-16 with a two-byte zero; offered as UTF8_STRING and
//                   text/plain;charset=utf-8 (UTF-8, no zero)
//   CF_TEXT         8-bit text with a zero; offered as STRING, TEXT and
//                   text/plain (the bytes, no zero)
//   CF_BITMAP       a BMP file; offered as image/bmp
//   CF_DIB          read only: image/bmp without its 14-byte file header
//   CF_METAFILEPICT, CF_ENHMETAFILE  never available: there are no metafiles
//
// Writing: between OpenClipboard and CloseClipboard, SetClipboardData
// collects blocks; CloseClipboard offers them. After EmptyClipboard the
// collection starts empty; without it the blocks join what this program
// itself offers now (never another program's content, which cannot be
// kept). Reading takes this program's own blocks directly and asks the
// owning program otherwise.
//
// Failures (opening twice, closing unopened, the toolkit refusing the
// selection) raise EOSError with the error number in the message.
#include <cstdint>
#include <vector>

#include "platform/rtl/string.h"

namespace ht::ui {

enum : unsigned {
  CF_TEXT = 1,
  CF_BITMAP = 2,
  CF_METAFILEPICT = 3,
  CF_DIB = 8,
  CF_UNICODETEXT = 13,
  CF_ENHMETAFILE = 14,
};

using TClipboardBlock = std::vector<uint8_t>;

// The number of a registered format (0xC000 and up, one per name).
unsigned RegisterClipboardFormat(StringView Name);

void OpenClipboard();
void CloseClipboard();
void EmptyClipboard();
// Only while open.
void SetClipboardData(unsigned Format, TClipboardBlock Block);
bool IsClipboardFormatAvailable(unsigned Format);
// The block of the format; empty when it is missing.
TClipboardBlock GetClipboardData(unsigned Format);

// Opens the clipboard for the scope. Close offers what was written (and may
// raise); a scope left without Close, by an exception, closes the clipboard
// and drops what was written.
class TClipboardScope {
 public:
  TClipboardScope() { OpenClipboard(); }
  ~TClipboardScope();
  void Close();
  TClipboardScope(const TClipboardScope&) = delete;
  TClipboardScope& operator=(const TClipboardScope&) = delete;

 private:
  bool FOpen = true;
};

}  // namespace ht::ui
