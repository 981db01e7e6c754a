#pragma once
// Direction classes of single UTF-16 units, used to cut text into runs for
// drawing and to keep Arabic combining marks with the letter before them.
#include <cstdint>

namespace ht {

enum THtTextRunBidi : uint8_t { bdLTR, bdNeutral, bdWeakLRT, bdRTL };

// Surrogates and everything above U+2000 outside the Hebrew and Arabic
// presentation forms count as neutral.
THtTextRunBidi CharBidiClass(char16_t Ch);

// The Arabic marks U+064B..U+0653 (tanween, harakat, shadda, sukun, maddah).
inline bool IsArabicMark(char16_t Ch) { return Ch >= 0x064B && Ch <= 0x0653; }

}  // namespace ht
