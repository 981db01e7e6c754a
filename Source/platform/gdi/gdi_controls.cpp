#include "platform/gdi/gdi_controls.h"

#include <algorithm>
#include <string>

namespace ht::gdi {

namespace {

// Classic system colours (opaque ARGB).
constexpr uint32_t kFace = 0xFFF0F0F0, kWindow = 0xFFFFFFFF, kShadow = 0xFFA0A0A0, kDarkShadow = 0xFF696969,
                   kHighlight = 0xFFFFFFFF, kLight = 0xFFE3E3E3, kText = 0xFF000000, kGrayText = 0xFF6D6D6D;

void fillRect(core::TCoreContext& C, float l, float t, float r, float b, uint32_t Color) {
  if (r <= l || b <= t) return;
  core::TCorePath p;
  p.Rectangle(l, t, r - l, b - t);
  C.Fill(p, core::TCorePaint::Solid(Color));
}

void fillEllipse(core::TCoreContext& C, float l, float t, float r, float b, uint32_t Color) {
  if (r <= l || b <= t) return;
  core::TCorePath p;
  p.Arc(l, t, r - l, b - t, 0, 360, false);
  p.Close();
  C.Fill(p, core::TCorePaint::Solid(Color));
}

}  // namespace

BOOL DrawFrameControl(HDC Dc, const RECT* R, UINT Type, UINT State) {
  if (!Dc || !R || !Dc->Bitmap || Type != DFC_BUTTON) return 0;
  float l = float(R->left), t = float(R->top), r = float(R->right), b = float(R->bottom);
  if (r - l < 2 || b - t < 2) return 0;
  if (GdiTrace().Enabled) GdiTrace().Add("DrawFrameControl(" + std::to_string(State) + ")");
  core::TCoreContext c(Dc->Bitmap->Surface);
  c.SetAntialias(false);
  bool inactive = State & DFCS_INACTIVE, checked = State & DFCS_CHECKED;
  uint32_t inside = (State & (DFCS_PUSHED | DFCS_INACTIVE)) ? kFace : kWindow;
  uint32_t mark = inactive ? kGrayText : kText;
  if ((State & 0x001F) == DFCS_BUTTONPUSH) {
    // Face with a raised edge; pushed, a sunken one.
    const bool up = !(State & DFCS_PUSHED);
    fillRect(c, l, t, r, b, up ? kDarkShadow : kHighlight);
    fillRect(c, l, t, r - 1, b - 1, up ? kHighlight : kDarkShadow);
    fillRect(c, l + 1, t + 1, r - 1, b - 1, up ? kShadow : kLight);
    fillRect(c, l + 1, t + 1, r - 2, b - 2, up ? kLight : kShadow);
    fillRect(c, l + 2, t + 2, r - 2, b - 2, kFace);
  } else if ((State & 0x001F) == DFCS_BUTTONRADIO) {
    // Outer ring shadow over highlight, inner ring dark shadow over light.
    fillEllipse(c, l, t, r, b, kHighlight);
    fillEllipse(c, l, t, r - 1, b - 1, kShadow);
    fillEllipse(c, l + 1, t + 1, r - 1, b - 1, kLight);
    fillEllipse(c, l + 1, t + 1, r - 2, b - 2, kDarkShadow);
    fillEllipse(c, l + 2, t + 2, r - 2, b - 2, inside);
    if (checked) {
      float dw = (r - l) * 0.3f, dh = (b - t) * 0.3f;
      fillEllipse(c, l + dw, t + dh, r - dw, b - dh, mark);
    }
  } else if ((State & 0x001F) == DFCS_BUTTONCHECK) {
    // Sunken frame: shadow and dark shadow on the top and left, highlight
    // and light on the bottom and right.
    fillRect(c, l, t, r, b, kHighlight);
    fillRect(c, l, t, r - 1, b - 1, kShadow);
    fillRect(c, l + 1, t + 1, r - 1, b - 1, kLight);
    fillRect(c, l + 1, t + 1, r - 2, b - 2, kDarkShadow);
    fillRect(c, l + 2, t + 2, r - 2, b - 2, inside);
    if (checked) {
      float w = r - l - 4, h = b - t - 4, x = l + 2, y = t + 2;
      core::TCorePath p;
      p.MoveTo(x + w * 0.2f, y + h * 0.5f);
      p.LineTo(x + w * 0.42f, y + h * 0.72f);
      p.LineTo(x + w * 0.8f, y + h * 0.28f);
      core::TCoreStroke s;
      s.Width = std::max(1.0f, w / 6);
      c.Stroke(p, s, core::TCorePaint::Solid(mark));
    }
  } else {
    return 0;
  }
  Dc->Bitmap->Surface.Flush();
  return 1;
}

}  // namespace ht::gdi
