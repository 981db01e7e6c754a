#include "elements/form_support.h"

#include <cmath>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/layout_style.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numeric.h"
#include "platform/ui/form_controls.h"

namespace ht {

bool TryStrToInt(StringView Text, int& Value) {
  const StringView t = TrimBlanks(Text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  if (i == t.size()) return false;
  int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < u'0' || t[i] > u'9') return false;
    v = v * 10 + (t[i] - u'0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  Value = int(v);
  return true;
}

float SceneScaleOf(const THtDocument* Doc) {
  const float s = Doc && Doc->Surface ? Doc->Surface->ScaleFactor() : 1.0f;
  return std::isfinite(s) && s > 0 ? s : 1.0f;
}

int ScaleToDevice(const THtDocument* Doc, float X) {
  const double v = double(X) * SceneScaleOf(Doc);
  if (!std::isfinite(v)) return 0;
  const double limit = ui::MaxControlExtent;
  return RoundHalfEven(v < -limit ? -limit : (v > limit ? limit : v));
}

int FontSizeInPixels(const TElement* E) {
  const float f = FontSizePxOf(E);
  return std::isfinite(f) && f < float(ui::MaxControlExtent) ? int(f) : ui::MaxControlExtent;
}

bool HasPseudoClass(const TElement* E, TCSSPseudoClass PClass) {
  const TElementStyle* st = ElementStyleOf(E);
  return st && (st->CurrentPC & (1u << unsigned(PClass)));
}

uint32_t ToPlatformColor(uint32_t ARGB) {
  return ((ARGB & 0xFF) << 16) | (ARGB & 0xFF00) | ((ARGB >> 16) & 0xFF);
}

}  // namespace ht
