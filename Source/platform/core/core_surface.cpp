#include "platform/core/core_surface.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ht::core {

// ---------------------------------------------------------------- surface

TCoreSurface::TCoreSurface(int AWidth, int AHeight, bool ABottomUp)
    : FWidth(std::max(AWidth, 0)), FHeight(std::max(AHeight, 0)), FBottomUp(ABottomUp) {
  int rowBytes = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, std::max(FWidth, 1));
  FBits.assign(size_t(rowBytes) * std::max(FHeight, 1), 0);
  uint8_t* top = FBits.data();
  FStride = rowBytes;
  if (FBottomUp) {
    top = FBits.data() + size_t(rowBytes) * (std::max(FHeight, 1) - 1);
    FStride = -rowBytes;
  }
  FTop = top;
  FSurface = cairo_image_surface_create_for_data(top, CAIRO_FORMAT_ARGB32, FWidth, FHeight, FStride);
}

TCoreSurface::TCoreSurface(uint8_t* Top, int AWidth, int AHeight, int AStride)
    : FWidth(std::max(AWidth, 0)), FHeight(std::max(AHeight, 0)), FStride(AStride), FBottomUp(AStride < 0), FTop(Top) {
  FSurface = cairo_image_surface_create_for_data(Top, CAIRO_FORMAT_ARGB32, FWidth, FHeight, FStride);
}

TCoreSurface::TCoreSurface(cairo_surface_t* Adopt, int AWidth, int AHeight)
    : FWidth(std::max(AWidth, 0)), FHeight(std::max(AHeight, 0)), FStride(0), FBottomUp(false), FSurface(Adopt) {}

TCoreSurface::~TCoreSurface() { cairo_surface_destroy(FSurface); }

uint8_t* TCoreSurface::ScanLine(int y) {
  return FTop + ptrdiff_t(y) * FStride;
}

uint32_t TCoreSurface::Pixel(int x, int y) {
  if (!FTop || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  cairo_surface_flush(FSurface);
  uint32_t v;
  std::memcpy(&v, ScanLine(y) + 4 * x, 4);
  return v;
}

void TCoreSurface::SetPixel(int x, int y, uint32_t PremultipliedArgb) {
  if (!FTop || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  cairo_surface_flush(FSurface);
  std::memcpy(ScanLine(y) + 4 * x, &PremultipliedArgb, 4);
  cairo_surface_mark_dirty(FSurface);
}

void TCoreSurface::Fill(uint32_t Argb) {
  if (!FTop) return;
  cairo_surface_flush(FSurface);
  for (int y = 0; y < FHeight; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(ScanLine(y));
    std::fill(row, row + FWidth, Argb);
  }
  cairo_surface_mark_dirty(FSurface);
}

void TCoreSurface::MarkDirty() { cairo_surface_mark_dirty(FSurface); }
void TCoreSurface::Flush() { cairo_surface_flush(FSurface); }

bool TCoreSurface::WritePNG(const std::string& FileName) {
  cairo_surface_flush(FSurface);
  return cairo_surface_write_to_png(FSurface, FileName.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<TCoreSurface> TCoreSurface::ReadPNG(const std::string& FileName) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(FileName.c_str());
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    return nullptr;
  }
  auto s = std::make_unique<TCoreSurface>(cairo_image_surface_get_width(png), cairo_image_surface_get_height(png));
  cairo_t* cr = cairo_create(s->Handle());
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, png, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(png);
  return s;
}

uint32_t ArgbWithOpacity(uint32_t Argb, float Opacity) {
  if (!(Opacity < 1)) return Argb;  // also NaN: leave as is
  float o = std::max(Opacity, 0.0f);
  uint32_t a = uint32_t(std::lround(((Argb >> 24) & 0xFF) * o));
  return (a << 24) | (Argb & 0xFFFFFF);
}

// ---------------------------------------------------------------- patterns

static cairo_extend_t cairoExtend(TCoreExtend e) {
  switch (e) {
    case exNone: return CAIRO_EXTEND_NONE;
    case exRepeat: return CAIRO_EXTEND_REPEAT;
    case exReflect: return CAIRO_EXTEND_REFLECT;
    case exPad: return CAIRO_EXTEND_PAD;
  }
  return CAIRO_EXTEND_PAD;
}

cairo_pattern_t* CreatePattern(const TCorePaint& Paint) {
  cairo_pattern_t* p = nullptr;
  switch (Paint.Kind) {
    case pkSolid:
      return cairo_pattern_create_rgba(ArgbR(Paint.Color), ArgbG(Paint.Color), ArgbB(Paint.Color),
                                       ArgbA(Paint.Color));
    case pkLinear:
      p = cairo_pattern_create_linear(Paint.P0.X, Paint.P0.Y, Paint.P1.X, Paint.P1.Y);
      break;
    case pkRadial:
      p = cairo_pattern_create_radial(Paint.P0.X, Paint.P0.Y, Paint.R0, Paint.P1.X, Paint.P1.Y, Paint.R1);
      break;
    case pkSurface:
      if (!Paint.Surface) return cairo_pattern_create_rgba(0, 0, 0, 0);
      p = cairo_pattern_create_for_surface(Paint.Surface->Handle());
      cairo_pattern_set_filter(p, Paint.Smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
      break;
  }
  if (Paint.Kind != pkSurface)
    for (const auto& s : Paint.Stops)
      cairo_pattern_add_color_stop_rgba(p, std::clamp(s.Offset, 0.0, 1.0), ArgbR(s.Color), ArgbG(s.Color),
                                        ArgbB(s.Color), ArgbA(s.Color));
  // Per-axis extends of surfaces: the pattern repeats where either axis
  // does; the other axis is bounded by a clip (see withPaint).
  TCoreExtend e = Paint.ExtendX;
  if (Paint.Kind == pkSurface && Paint.ExtendX != Paint.ExtendY)
    e = Paint.ExtendX == exNone ? Paint.ExtendY : Paint.ExtendX;
  cairo_pattern_set_extend(p, cairoExtend(e));
  // Cairo's pattern matrix maps user space to pattern space.
  cairo_matrix_t m;
  cairo_matrix_init(&m, Paint.Matrix.xx, Paint.Matrix.yx, Paint.Matrix.xy, Paint.Matrix.yy, Paint.Matrix.x0,
                    Paint.Matrix.y0);
  if (cairo_matrix_invert(&m) == CAIRO_STATUS_SUCCESS) cairo_pattern_set_matrix(p, &m);
  return p;
}

// ---------------------------------------------------------------- context

TCoreContext::TCoreContext(TCoreSurface& ASurface) : FCr(cairo_create(ASurface.Handle())) {}

TCoreContext::TCoreContext(cairo_t* ACr) : FCr(cairo_reference(ACr)) {}

TCoreContext::~TCoreContext() {
  while (FGroups > 0) {
    cairo_pattern_destroy(cairo_pop_group(FCr));
    --FGroups;
  }
  cairo_destroy(FCr);
}

bool TCoreContext::InError() const { return FError || cairo_status(FCr) != CAIRO_STATUS_SUCCESS; }

bool TCoreContext::Check(double v) {
  if (!std::isfinite(v)) FError = true;
  return !FError;
}

bool TCoreContext::Check(const TCorePath& Path) {
  if (!Path.IsFinite()) FError = true;
  return !FError;
}

bool TCoreContext::Check(const TCoreMatrix& M) {
  if (!M.IsInvertible()) FError = true;
  return !FError;
}

bool TCoreContext::Check(const TCorePaint& P) {
  if (!std::isfinite(P.P0.X) || !std::isfinite(P.P0.Y) || !std::isfinite(P.P1.X) || !std::isfinite(P.P1.Y) ||
      !std::isfinite(P.R0) || !std::isfinite(P.R1) || !P.Matrix.IsFinite())
    FError = true;
  for (const auto& s : P.Stops)
    if (!std::isfinite(s.Offset)) FError = true;
  return !FError;
}

void TCoreContext::Save() {
  if (InError()) return;
  cairo_save(FCr);
  ++FDepth;
}

void TCoreContext::Restore() {
  if (FDepth == 0 || InError()) return;
  cairo_restore(FCr);
  --FDepth;
}

void TCoreContext::SetMatrix(const TCoreMatrix& M) {
  // A singular matrix draws nothing but is no error: scale(0) collapses a box.
  if (!M.IsFinite()) {
    FError = true;
    return;
  }
  if (InError()) return;
  if (!M.IsInvertible()) {
    cairo_matrix_t z;
    cairo_matrix_init(&z, 1e-30, 0, 0, 1e-30, M.x0, M.y0);
    cairo_set_matrix(FCr, &z);
    return;
  }
  cairo_matrix_t m;
  cairo_matrix_init(&m, M.xx, M.yx, M.xy, M.yy, M.x0, M.y0);
  cairo_set_matrix(FCr, &m);
}

TCoreMatrix TCoreContext::Matrix() const {
  cairo_matrix_t m;
  cairo_get_matrix(FCr, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void TCoreContext::SetAntialias(bool On) {
  if (InError()) return;
  cairo_set_antialias(FCr, On ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
}

bool TCoreContext::Antialias() const { return cairo_get_antialias(FCr) != CAIRO_ANTIALIAS_NONE; }

void TCoreContext::SetOperator(TCoreOperator Op) {
  if (InError()) return;
  cairo_set_operator(FCr, Op == opOver ? CAIRO_OPERATOR_OVER : Op == opSource ? CAIRO_OPERATOR_SOURCE
                                                                                 : CAIRO_OPERATOR_CLEAR);
}

void TCoreContext::ResetClip() {
  if (InError()) return;
  cairo_reset_clip(FCr);
}

void TCoreContext::ClipDeviceRect(const TRectF& R) {
  if (!Check(R.Left) || !Check(R.Top) || !Check(R.Right) || !Check(R.Bottom) || InError()) return;
  cairo_save(FCr);
  cairo_identity_matrix(FCr);
  cairo_new_path(FCr);
  cairo_rectangle(FCr, R.Left, R.Top, std::max(0.0f, R.Right - R.Left), std::max(0.0f, R.Bottom - R.Top));
  cairo_restore(FCr);  // back to the user matrix; the path stays in device space
  cairo_clip(FCr);
}

void TCoreContext::ClipDeviceRects(const std::vector<TRect>& Rects) {
  if (InError()) return;
  cairo_matrix_t m;
  cairo_get_matrix(FCr, &m);
  cairo_identity_matrix(FCr);
  cairo_new_path(FCr);
  for (const auto& r : Rects)
    if (r.Right > r.Left && r.Bottom > r.Top) cairo_rectangle(FCr, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  cairo_set_fill_rule(FCr, CAIRO_FILL_RULE_WINDING);
  cairo_clip(FCr);
  cairo_set_matrix(FCr, &m);
}

void TCoreContext::ClipPath(const TCorePath& Path) {
  if (!Check(Path) || InError()) return;
  Path.Apply(FCr);
  cairo_clip(FCr);
}

TRectF TCoreContext::DeviceClipExtents() const {
  double x1, y1, x2, y2;
  cairo_matrix_t m;
  cairo_get_matrix(FCr, &m);
  cairo_identity_matrix(FCr);
  cairo_clip_extents(FCr, &x1, &y1, &x2, &y2);
  cairo_set_matrix(FCr, &m);
  return TRectF(float(x1), float(y1), float(x2), float(y2));
}

void TCoreContext::setSource(const TCorePaint& Paint) {
  cairo_pattern_t* p = CreatePattern(Paint);
  cairo_set_source(FCr, p);
  cairo_pattern_destroy(p);
}

void TCoreContext::withPaint(const TCorePaint& Paint, void (*op)(cairo_t*)) {
  bool band = Paint.Kind == pkSurface && Paint.Surface && Paint.ExtendX != Paint.ExtendY &&
              (Paint.ExtendX == exNone || Paint.ExtendY == exNone);
  if (!band) {
    setSource(Paint);
    op(FCr);
    return;
  }
  // One axis repeats, the other stops at the surface's edge: clip to the
  // band the surface covers along the stopping axis.
  cairo_path_t* saved = cairo_copy_path(FCr);
  cairo_save(FCr);
  cairo_new_path(FCr);
  const auto& M = Paint.Matrix;
  float w = float(Paint.Surface->Width()), h = float(Paint.Surface->Height());
  const float big = 1e6f;
  float x0 = Paint.ExtendX == exNone ? 0 : -big, x1 = Paint.ExtendX == exNone ? w : big;
  float y0 = Paint.ExtendY == exNone ? 0 : -big, y1 = Paint.ExtendY == exNone ? h : big;
  TPointF a = M.Map(x0, y0), b = M.Map(x1, y0), c = M.Map(x1, y1), d = M.Map(x0, y1);
  cairo_move_to(FCr, a.X, a.Y);
  cairo_line_to(FCr, b.X, b.Y);
  cairo_line_to(FCr, c.X, c.Y);
  cairo_line_to(FCr, d.X, d.Y);
  cairo_close_path(FCr);
  cairo_clip(FCr);
  cairo_new_path(FCr);
  cairo_append_path(FCr, saved);
  setSource(Paint);
  op(FCr);
  cairo_restore(FCr);
  cairo_path_destroy(saved);
}

void TCoreContext::Fill(const TCorePath& Path, const TCorePaint& Paint) {
  if (!Check(Path) || !Check(Paint) || InError()) return;
  Path.Apply(FCr);
  withPaint(Paint, [](cairo_t* cr) { cairo_fill(cr); });
}

void TCoreContext::Stroke(const TCorePath& Path, const TCoreStroke& S, const TCorePaint& Paint) {
  if (!Check(Path) || !Check(Paint) || !Check(S.Width) || !Check(S.DashOffset) || InError()) return;
  for (double d : S.Dashes)
    if (!Check(d)) return;
  Path.Apply(FCr);
  cairo_set_line_width(FCr, std::max(0.0f, S.Width));
  cairo_set_line_cap(FCr, S.Cap == lcButt ? CAIRO_LINE_CAP_BUTT : S.Cap == lcSquareCap ? CAIRO_LINE_CAP_SQUARE
                                                                                       : CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(FCr, S.Join == ljMiterJoin  ? CAIRO_LINE_JOIN_MITER
                           : S.Join == ljBevelJoin ? CAIRO_LINE_JOIN_BEVEL
                                                   : CAIRO_LINE_JOIN_ROUND);
  cairo_set_miter_limit(FCr, S.MiterLimit);
  // Cairo rejects negative dashes and all-zero patterns: such a pattern
  // draws solid.
  bool usable = !S.Dashes.empty();
  double sum = 0;
  for (double d : S.Dashes) {
    if (d < 0) usable = false;
    sum += d;
  }
  if (usable && sum > 0)
    cairo_set_dash(FCr, S.Dashes.data(), int(S.Dashes.size()), S.DashOffset);
  else
    cairo_set_dash(FCr, nullptr, 0, 0);
  withPaint(Paint, [](cairo_t* cr) { cairo_stroke(cr); });
}

void TCoreContext::Paint(const TCorePaint& Paint, float Alpha) {
  if (!Check(Paint) || !Check(Alpha) || InError()) return;
  setSource(Paint);
  cairo_paint_with_alpha(FCr, std::clamp(Alpha, 0.0f, 1.0f));
}

void TCoreContext::PushGroup() {
  if (InError()) return;
  cairo_push_group(FCr);
  ++FGroups;
}

void TCoreContext::PopGroup(float Opacity) {
  if (FGroups == 0) return;
  --FGroups;
  cairo_pop_group_to_source(FCr);
  if (!std::isfinite(Opacity)) FError = true;
  if (!InError()) cairo_paint_with_alpha(FCr, std::clamp(Opacity, 0.0f, 1.0f));
}

void TCoreContext::PopGroupMasked(const TCorePaint& Mask) {
  if (FGroups == 0) return;
  --FGroups;
  cairo_pop_group_to_source(FCr);
  if (!Check(Mask) || InError()) return;
  cairo_pattern_t* m = CreatePattern(Mask);
  cairo_mask(FCr, m);
  cairo_pattern_destroy(m);
}

bool TCoreContext::InFill(const TCorePath& Path, float x, float y) {
  if (!Path.IsFinite() || !std::isfinite(x) || !std::isfinite(y) || InError()) return false;
  Path.Apply(FCr);
  bool r = cairo_in_fill(FCr, x, y);
  cairo_new_path(FCr);
  return r;
}

bool TCoreContext::InStroke(const TCorePath& Path, const TCoreStroke& S, float x, float y) {
  if (!Path.IsFinite() || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(S.Width) || InError())
    return false;
  Path.Apply(FCr);
  cairo_set_line_width(FCr, std::max(0.0f, S.Width));
  bool r = cairo_in_stroke(FCr, x, y);
  cairo_new_path(FCr);
  return r;
}

}  // namespace ht::core
