#pragma once
// Classic control pictures of the GDI facade (DrawFrameControl): the check
// box, radio button and push button of a button frame control, drawn aliased in the
// classic system colours into the DC's bitmap.
#include "platform/gdi/gdi.h"

namespace ht::gdi {

constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONCHECK = 0x0000, DFCS_BUTTONRADIO = 0x0004, DFCS_BUTTONPUSH = 0x0010, DFCS_INACTIVE = 0x0100,
               DFCS_PUSHED = 0x0200, DFCS_CHECKED = 0x0400, DFCS_HOT = 0x1000;

// Draws the control of Type and State into R (device pixels of Dc's
// bitmap). False for kinds not drawn here, an empty R or no DC.
BOOL DrawFrameControl(HDC Dc, const RECT* R, UINT Type, UINT State);

}  // namespace ht::gdi
