#pragma once
// The byte blocks the clipboard class writes and reads, as pure functions:
// the "HTML Format" text, the reading of a zero-terminated text block and
// the BMP file made from a device-independent bitmap. Blocks from other
// programs are untrusted: nothing here reads past a block's end.
#include <string>

#include "canvas/canvas_types.h"
#include "platform/rtl/string.h"

namespace ht {

// The HTML clipboard text for AHTML (written as UTF-8) with ASourceFile
// form-encoded as its source URL, without the terminating zero:
//   Version:0.9, StartHTML:-1, EndHTML:-1, StartFragment:S, EndFragment:E,
//   SourceURL:..., each ending in CR LF, then "<!--StartFragment-->" CR LF,
//   the HTML, CR LF, "<!--EndFragment-->".
// S is the byte offset of the HTML and E that of "<!--EndFragment-->", in
// at least six digits (more when the offset needs them).
std::string HTMLClipboardText(StringView AHTML, StringView ASourceFile);

// A block read as UTF-8 text up to its first zero byte or its end.
String ClipboardBlockText(const THtBytes& Block);

// A BMP file from a packed device-independent bitmap: a 14-byte file header
// before the information header, the bit-field masks of a 40-byte header
// (compression 3), the colour table and the pixel rows, whose size is the
// header's image size or, when that is 0, the rows padded to 4 bytes times
// |height| (bottom-up and top-down alike). The pixel offset points past
// the colour table. Whatever the header claims, only the block's own bytes
// are copied. Empty for a block shorter than 40 bytes or whose header size
// is under 40 or past the block.
THtBytes DIBtoBMP(const THtBytes& Block);

}  // namespace ht
