// The document's hit-testing queries: viewport and document points, the
// element and run under a point, every element under a point, the element
// nearest to a point and the element holding a character of the document's
// text.
#include <cmath>

#include "canvas/canvas.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "markup/node_list.h"

namespace ht {

namespace {

// The surface's scale; a missing surface or an unusable scale (0, NaN,
// infinite) counts as 1, so no point is divided by 0 or turned into NaN.
float scaleOf(const THtDocument& Doc) {
  const float s = Doc.Surface ? Doc.Surface->ScaleFactor() : 1.0f;
  return std::isfinite(s) && s != 0 ? s : 1.0f;
}

bool isLineRun(const THtLineBlock* B) { return B && (B->IsText() || (B->E && B->E->IsLineElement())); }

}  // namespace

TPointF THtDocument::ViewporttoDocument(TPointF P) const {
  const float s = scaleOf(*this);
  return TPointF{P.X / s - FDocOffsetX, P.Y / s - FDocOffsetY};
}

TPointF THtDocument::DocumenttoViewport(TPointF P) const {
  const float s = scaleOf(*this);
  return TPointF{(P.X + FDocOffsetX) * s, (P.Y + FDocOffsetY) * s};
}

void THtDocument::GetLineBlockAt(float X, float Y, StringView ATag, StringView AStyleClass, THtLineBlock*& Res) {
  TElement::GetLineBlockAt(X, Y, ATag, AStyleClass, Res, THtDrawInfo{}, false);
}

TElement* THtDocument::GetElementAt(int X, int Y, StringView ATag, StringView AStyleClass) {
  const TPointF p = ViewporttoDocument(TPointF{float(X), float(Y)});
  THtLineBlock* run = nullptr;
  GetLineBlockAt(p.X, p.Y, ATag, AStyleClass, run);
  return run ? run->E : nullptr;
}

IHtNodeList THtDocument::ElementsFromPoint(float x, float y) {
  IHtNodeList result(new THtNodeList(false, true));
  const TPointF p = ViewporttoDocument(TPointF{x, y});
  // Whole pixels, kept in floating point: a point far outside the int
  // range still finds nothing rather than wrapping.
  const float X = std::nearbyint(p.X), Y = std::nearbyint(p.Y);
  if (!std::isfinite(X) || !std::isfinite(Y)) return result;
  const std::vector<int32_t> levels = FZLevels.empty() ? std::vector<int32_t>{0} : FZLevels;
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    THtDrawInfo di;
    di.ZIndex = *it;
    CollectElementsAtPoint(X, Y, *it, false, *result, di);
  }
  return result;
}

void THtDocument::GetNearestElement(int X, int Y, TElement*& E, int& CharPos) {
  E = nullptr;
  CharPos = 0;
  THtLineBlock* run = nullptr;
  GetLineBlockAt(float(X), float(Y), {}, {}, run);
  if (!run) run = FirstRun();
  if (run && !isLineRun(run) && run->E) {
    TElement* owner = run->E;
    if (owner->Tag() == u"html" && BodyElement) owner = BodyElement;
    run = owner->GetNearestLineBlockAt(float(X), float(Y));
  }
  if (!run || !run->E) return;
  TElement* e = run->E;
  if (e->Count() == 0) {
    if (e->Tag() == u"td" || e->Tag() == u"th") return;
    if (!run->IsText() && e->IsLineElement()) {
      E = e;
      return;
    }
  }
  while (run && !isLineRun(run)) run = run->NextVisible();
  if (!run) return;
  if (run->IsText())
    if (auto* t = dynamic_cast<TTextElement*>(run->E)) CharPos = t->NearestSpace(X, run);
  E = run->E;
}

TElement* THtDocument::GetElementbyAbsolutePosition(int Value, bool SelectRight) {
  if (Value == -1) return nullptr;
  TElement* candidate = nullptr;
  int64_t sum = 0;
  for (TElement* e = this; e; e = e->NextElement()) {
    sum += e->AbsolutePositionDelta();
    if (e->IsText()) candidate = e;
    if (Value < sum || (Value == sum && e->IsText())) {
      if (e->IsLineElement()) candidate = e;
      break;
    }
  }
  if (!candidate) return nullptr;
  if (SelectRight && Value == sum)
    if (TElement* next = candidate->NextLineElement()) return next;
  return candidate;
}

THtLineBlock* THtDocument::GetLineBlockbyAbsoluteCharPosition(int& CharPos) {
  auto* t = dynamic_cast<TTextElement*>(GetElementbyAbsolutePosition(CharPos, true));
  if (!t) return nullptr;
  CharPos = t->CharIndexFromVisible(CharPos - t->AbsoluteLinePosition() + 1);
  return t->CharBlock(CharPos);
}

}  // namespace ht
