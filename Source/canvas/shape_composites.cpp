#include "canvas/shape_composites.h"

#include <algorithm>
#include <cmath>

namespace ht {

void RoundRect(THtCanvas& Canvas, THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  const float w = Pen->GetWidth(), h = w / 2;
  const float ew = std::min(2 * RadiusX, R.Right - R.Left);
  const float eh = std::min(2 * RadiusY, R.Bottom - R.Top);
  const float l = R.Left + h, t = R.Top + h, r = R.Right - h, b = R.Bottom - h;
  if (2 * RadiusX >= r - l && RadiusY >= 0) {
    Canvas.DrawEllipse(Pen, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
    return;
  }
  const float sweep = 90 + 2 * w;
  const float mid = (l + r) / 2;
  Canvas.DrawArc(Pen, R.Left, R.Top, ew, eh, 180 - w, sweep);
  Canvas.DrawLine(Pen, std::min(l + RadiusX, mid), t, std::max(mid, r - RadiusX), t);
  Canvas.DrawArc(Pen, r - ew - h, R.Top, ew, eh, 270 - w, sweep);
  Canvas.DrawLine(Pen, r, t + RadiusY, r, b - RadiusY);
  Canvas.DrawArc(Pen, r - ew - h, b - eh - h, ew, eh, 360 - w, sweep);
  Canvas.DrawLine(Pen, r - RadiusX, b, l + RadiusX, b);
  Canvas.DrawArc(Pen, R.Left, b - eh - h, ew, eh, 90 - w, sweep);
  Canvas.DrawLine(Pen, l, t + RadiusY, l, b - RadiusY);
}

namespace {

// The glyph outline colour: grey when disabled, dark blue under the mouse.
uint32_t glyphPenColor(bool HOver, bool Disabled) {
  if (Disabled) return 0xFFAAAAAA;
  if (HOver) return 0xFF000050;
  return 0xFF000000;
}

}  // namespace

void DrawCheck(THtCanvas& Canvas, const TRectF& R, int, bool Checked, bool, bool HOver, bool Disabled) {
  std::unique_ptr<THtPen> pen = Canvas.PenClass()->Create(0xFF000000, 1.0f);
  pen->SetColor(glyphPenColor(HOver, Disabled));
  const float width = R.Right - R.Left, height = R.Bottom - R.Top;
  Canvas.DrawRectangle(pen.get(), R.Left + 1, R.Top + 1, width - 2, height - 2);
  if (Checked) {
    pen->SetWidth(2);
    Canvas.DrawLine(pen.get(), R.Left + 4, R.Bottom - 8, R.Left + 6, R.Bottom - 5);
    Canvas.DrawLine(pen.get(), R.Left + 6, R.Bottom - 5, R.Left + 11, R.Top + 3);
  }
}

void DrawRadio(THtCanvas& Canvas, const TRectF& R, int, bool Checked, bool, bool HOver, bool Disabled) {
  std::unique_ptr<THtPen> pen = Canvas.PenClass()->Create(0xFF000000, 1.0f);
  std::unique_ptr<THtBrush> brush = Canvas.BrushClass()->Create(0xFF000000);
  pen->SetColor(glyphPenColor(HOver, Disabled));
  const float width = R.Right - R.Left, height = R.Bottom - R.Top;
  Canvas.DrawEllipse(pen.get(), R.Left, R.Top, width - 3, height - 3);
  if (Checked) Canvas.FillEllipse(brush.get(), R.Left + 3, R.Top + 3, width - 9, height - 9);
}

void DrawButton(THtCanvas& Canvas, const TRectF& R, int, bool, bool Active, bool HOver, bool) {
  std::unique_ptr<THtPen> pen = Canvas.PenClass()->Create(Active ? 0xFF505090 : 0xFF909090, 1.0f);
  std::unique_ptr<THtBrush> brush = Canvas.BrushClass()->CreateGradient(R, 0, 0, 1.0f, R);
  uint32_t top = 0xFFEEEEEE, bottom = 0xFFDDDDDD;
  if (Active) {
    top = 0xFFE3F9FF;
    bottom = 0xFFA5D0E5;
  } else if (HOver) {
    top = 0xFFE3F9FF;
    bottom = 0xFFBADFF0;
  }
  brush->SetGradientColors({0, 0.5f, 0.5f, 1}, {top, top, bottom, bottom});
  Canvas.FillRoundRect(brush.get(), R, 5, 5);
  // Through the canvas, so a back end's own outline is used.
  Canvas.RoundRect(pen.get(), R, 5, 5);
}

void DrawWavyLine(THtCanvas& Canvas, float x1, float y1, float x2, float, THtPen* Pen) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2)) return;
  const THtPathClass* cls = Canvas.PathClass();
  std::unique_ptr<THtPath> path = cls ? cls->Create(false) : nullptr;
  if (!path) throw EAbstractError(String(u"Abstract Error"));
  path->MoveTo(x1, y1 + 1);
  // Double steps: a float x would stop advancing on very long lines.
  double x = x1;
  constexpr int kMaxSteps = 1 << 16;
  for (int steps = 0; x2 > x && steps < kMaxSteps; ++steps) {
    x += 3;
    path->LineTo(float(std::min(x, double(x2))), y1 - 1);
    x += 3;
    if (x2 > x) path->LineTo(float(x), y1 + 1);
  }
  Canvas.DrawPath(Pen, path.get());
}

void DrawTextShadow(THtCanvas& Canvas, StringView s, const TRectF& R, const THtTextStyle& TextStyle, THtFont* Font,
                    float HOffset, float VOffset, float, uint32_t ShadowColor) {
  THtTextStyle shadow = TextStyle;
  shadow.Color = ShadowColor;
  const TRectF moved(R.Left + HOffset, R.Top + VOffset, R.Right + HOffset, R.Bottom + VOffset);
  const int len = int(s.size());
  Canvas.DrawString(s, moved, Font, shadow, 1, len);
  Canvas.DrawString(s, R, Font, TextStyle, 1, len);
}

}  // namespace ht
