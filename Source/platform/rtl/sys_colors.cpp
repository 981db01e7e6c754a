#include "platform/rtl/sys_colors.h"

namespace ht {

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// The default desktop scheme; index 25 is unassigned.
constexpr uint32_t kSysColors[] = {
    rgb(200, 200, 200),  // COLOR_SCROLLBAR
    rgb(0, 0, 0),        // COLOR_BACKGROUND
    rgb(153, 180, 209),  // COLOR_ACTIVECAPTION
    rgb(191, 205, 219),  // COLOR_INACTIVECAPTION
    rgb(240, 240, 240),  // COLOR_MENU
    rgb(255, 255, 255),  // COLOR_WINDOW
    rgb(100, 100, 100),  // COLOR_WINDOWFRAME
    rgb(0, 0, 0),        // COLOR_MENUTEXT
    rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    rgb(0, 0, 0),        // COLOR_CAPTIONTEXT
    rgb(180, 180, 180),  // COLOR_ACTIVEBORDER
    rgb(244, 247, 252),  // COLOR_INACTIVEBORDER
    rgb(171, 171, 171),  // COLOR_APPWORKSPACE
    rgb(0, 120, 215),    // COLOR_HIGHLIGHT
    rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    rgb(240, 240, 240),  // COLOR_BTNFACE
    rgb(160, 160, 160),  // COLOR_BTNSHADOW
    rgb(109, 109, 109),  // COLOR_GRAYTEXT
    rgb(0, 0, 0),        // COLOR_BTNTEXT
    rgb(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    rgb(105, 105, 105),  // COLOR_3DDKSHADOW
    rgb(227, 227, 227),  // COLOR_3DLIGHT
    rgb(0, 0, 0),        // COLOR_INFOTEXT
    rgb(255, 255, 225),  // COLOR_INFOBK
    rgb(0, 0, 0),        // unassigned
    rgb(0, 102, 204),    // COLOR_HOTLIGHT
    rgb(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    rgb(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    rgb(0, 120, 215),    // COLOR_MENUHILIGHT
    rgb(240, 240, 240),  // COLOR_MENUBAR
};

}  // namespace

uint32_t GetSysColor(int index) {
  if (index < 0 || index >= int(sizeof kSysColors / sizeof kSysColors[0])) return 0;
  return kSysColors[index];
}

}  // namespace ht
