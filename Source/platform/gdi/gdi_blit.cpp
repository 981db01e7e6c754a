// Alpha blending between DCs.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_internal.h"

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

}  // namespace

BOOL AlphaBlend(HDC Dest, int X, int Y, int W, int H, HDC Src, int SX, int SY, int SW, int SH, BLENDFUNCTION Blend) {
  if (!Dest || !Src || W <= 0 || H <= 0 || SW <= 0 || SH <= 0) return 0;
  core::TCoreSurface& src = Src->Bitmap->Surface;
  if (SX < 0 || SY < 0 || SX + SW > src.Width() || SY + SH > src.Height()) return 0;
  if (GdiTrace().Enabled)
    GdiTrace().Add("AlphaBlend(" + std::to_string(X) + "," + std::to_string(Y) + "," + std::to_string(W) + "," +
                   std::to_string(H) + ")");
  // The destination passes through the world transform.
  TRect d;
  if (!detail::DeviceDestRect(Dest, X, Y, W, H, d)) return 1;
  X = d.Left, Y = d.Top, W = d.Right - d.Left, H = d.Bottom - d.Top;
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

}  // namespace ht::gdi
