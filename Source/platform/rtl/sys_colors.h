#pragma once
// The platform's colour numbers and its system colours. A TColor holds red in
// bits 0-7, green in 8-15 and blue in 16-23 (COLORREF order); a negative
// TColor names a system colour by its low byte. System colours come from a
// fixed table of the usual desktop defaults, so output never depends on the
// machine's theme.
#include <cstdint>

namespace ht {

using TColor = int32_t;

// Marks a TColor as a system colour: clSystemColor | index.
inline constexpr TColor clSystemColor = TColor(0xFF000000u);

enum TSysColorIndex : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
};

// The COLORREF (0x00BBGGRR) of a system colour; 0 (black) for an index the
// table does not know, as the platform answers.
uint32_t GetSysColor(int index);

}  // namespace ht
