// Alpha blending between DCs and the classic button pictures.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/gdi/gdi.h"

namespace ht::gdi {

namespace {

core::TCorePaint solid(uint32_t rgb) { return core::TCorePaint::Solid(0xFF000000u | rgb); }

void clipToDc(core::TCoreContext& c, HDC Dc) {
  std::vector<TRect> clip;
  if (Dc->ClipRects(clip)) c.ClipDeviceRects(clip);
}

void fillBox(core::TCoreContext& c, double x, double y, double w, double h, uint32_t rgb) {
  if (w <= 0 || h <= 0) return;
  core::TCorePath p;
  p.Rectangle(float(x), float(y), float(w), float(h));
  c.Fill(p, solid(rgb));
}

// The system colours of the classic look.
constexpr uint32_t kFace = 0xF0F0F0, kHighlight = 0xFFFFFF, kLight = 0xE3E3E3, kShadow = 0xA0A0A0,
                   kDarkShadow = 0x696969, kWindow = 0xFFFFFF, kText = 0x000000, kGrayText = 0x6D6D6D;

// Two-pixel 3D edge: Raised draws light above and left, dark below and
// right; sunken the other way round.
void edge(core::TCoreContext& c, double x, double y, double w, double h, bool Raised) {
  const uint32_t outerTL = Raised ? kHighlight : kShadow, outerBR = Raised ? kDarkShadow : kHighlight;
  const uint32_t innerTL = Raised ? kLight : kDarkShadow, innerBR = Raised ? kShadow : kLight;
  fillBox(c, x, y, w, 1, outerTL);
  fillBox(c, x, y, 1, h, outerTL);
  fillBox(c, x, y + h - 1, w, 1, outerBR);
  fillBox(c, x + w - 1, y, 1, h, outerBR);
  fillBox(c, x + 1, y + 1, w - 2, 1, innerTL);
  fillBox(c, x + 1, y + 1, 1, h - 2, innerTL);
  fillBox(c, x + 1, y + h - 2, w - 2, 1, innerBR);
  fillBox(c, x + w - 2, y + 1, 1, h - 2, innerBR);
}

}  // namespace

BOOL AlphaBlend(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH, BLENDFUNCTION Blend) {
  if (!Dest || !Src || W <= 0 || H <= 0 || SW <= 0 || SH <= 0) return 0;
  core::TCoreSurface& src = Src->Bitmap->Surface;
  if (SX < 0 || SY < 0 || SX + SW > src.Width() || SY + SH > src.Height()) return 0;
  if (GdiTrace().Enabled)
    GdiTrace().Add("AlphaBlend(" + std::to_string(X) + "," + std::to_string(Y) + "," + std::to_string(W) + "," +
                   std::to_string(H) + ")");
  core::TCoreContext c(Dest->Bitmap->Surface);
  clipToDc(c, Dest);
  c.ClipDeviceRect(TRectF(float(X), float(Y), float(X + W), float(Y + H)));
  core::TCorePaint p;
  p.Kind = core::pkSurface;
  p.Surface = &src;
  p.ExtendX = p.ExtendY = core::exPad;
  p.Smooth = false;
  const double sx = double(W) / SW, sy = double(H) / SH;
  p.Matrix = core::TCoreMatrix{sx, 0, 0, sy, X - SX * sx, Y - SY * sy};
  if (Blend.AlphaFormat != AC_SRC_ALPHA) {
    // The source counts as opaque: paint it over an opaque black block.
    c.PushGroup();
    fillBox(c, X, Y, W, H, 0);
    c.Paint(p);
    c.PopGroup(Blend.SourceConstantAlpha / 255.0f);
    return 1;
  }
  c.Paint(p, Blend.SourceConstantAlpha / 255.0f);
  return 1;
}

BOOL DrawFrameControl(HDC Dc, RECT* R, UINT Type, UINT State) {
  if (!Dc || !R || Type != DFC_BUTTON) return 0;
  const int w = R->right - R->left, h = R->bottom - R->top;
  if (w <= 0 || h <= 0) return 0;
  if (GdiTrace().Enabled) GdiTrace().Add("DrawFrameControl(" + std::to_string(State) + ")");
  core::TCoreContext c(Dc->Bitmap->Surface);
  clipToDc(c, Dc);
  c.SetAntialias(false);
  const bool inactive = State & DFCS_INACTIVE, pushed = State & DFCS_PUSHED, checked = State & DFCS_CHECKED;
  const double x = R->left, y = R->top;
  const UINT kind = State & 0x1F;
  if (kind == DFCS_BUTTONPUSH) {
    fillBox(c, x, y, w, h, kFace);
    edge(c, x, y, w, h, !pushed);
    return 1;
  }
  const int s = std::min(w, h);
  const double bx = x + (w - s) / 2, by = y + (h - s) / 2;
  const uint32_t inside = inactive || pushed ? kFace : kWindow;
  const uint32_t mark = inactive ? kGrayText : kText;
  if (kind == DFCS_BUTTONRADIO) {
    c.SetAntialias(true);
    auto disc = [&](double inset, uint32_t rgb, double from, double sweep) {
      core::TCorePath p;
      const double r = s / 2.0 - inset, cx = bx + s / 2.0, cy = by + s / 2.0;
      if (r <= 0) return;
      if (sweep >= 360) {
        p.Arc(float(cx - r), float(cy - r), float(2 * r), float(2 * r), 0, 360, false);
      } else {
        p.MoveTo(float(cx), float(cy));
        p.Arc(float(cx - r), float(cy - r), float(2 * r), float(2 * r), float(from), float(sweep), true);
      }
      p.Close();
      c.Fill(p, solid(rgb));
    };
    // Upper-left half in the shadows, lower-right in the lights.
    disc(0, kShadow, 135, 180);
    disc(0, kHighlight, 315, 180);
    disc(1, kDarkShadow, 135, 180);
    disc(1, kLight, 315, 180);
    disc(2, inside, 0, 360);
    if (checked) disc(s * 0.34, mark, 0, 360);
    return 1;
  }
  edge(c, bx, by, s, s, false);
  fillBox(c, bx + 2, by + 2, s - 4, s - 4, inside);
  if (checked) {
    // The tick: a short stroke down to the right, a long one up.
    const double u = (s - 4) / 9.0, ox = bx + 2, oy = by + 2;
    core::TCorePath p;
    p.MoveTo(float(ox + 1.5 * u), float(oy + 4 * u));
    p.LineTo(float(ox + 3.5 * u), float(oy + 6 * u));
    p.LineTo(float(ox + 7.5 * u), float(oy + 2 * u));
    core::TCoreStroke st;
    st.Width = float(std::max(1.0, 1.6 * u));
    c.SetAntialias(true);
    c.Stroke(p, st, solid(mark));
  }
  return 1;
}

}  // namespace ht::gdi
