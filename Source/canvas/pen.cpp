#include "canvas/pen.h"

namespace ht {

const THtPenClass THtPen::ClassType{"THtPen", nullptr, &CreateInstance<THtPen, THtPen, uint32_t, float>};

THtPen::THtPen(uint32_t AColor, float AWidth) : FColor(AColor), FWidth(AWidth) {}

void THtPen::SetDashes(const TSingleArray& ADashes) {
  Dashes.clear();
  // Widths that are 0 within the single tolerance (or negative, or NaN)
  // draw a hairline; dividing by them would store infinite lengths.
  const float width = GetWidth();
  const float w = width > 1e-4f ? width : 1.0f;
  for (float d : ADashes) Dashes.push_back(d / w);
}

std::unique_ptr<THtPen> THtPen::Clone() const {
  std::unique_ptr<THtPen> p = ClassRefOf()->Create(GetColor(), GetWidth());
  p->SetLineJoin(GetLineJoin());
  p->SetLineCap(GetLineCap());
  p->SetStyle(GetStyle());
  p->SetDashOffset(GetDashOffset());
  p->SetMode(FMode);
  p->Dashes = Dashes;
  return p;
}

void THtPen::Assign(const THtPen& ASource) {
  SetColor(ASource.GetColor());
  SetWidth(ASource.GetWidth());
  SetLineJoin(ASource.GetLineJoin());
  SetLineCap(ASource.GetLineCap());
  SetStyle(ASource.GetStyle());
  SetDashOffset(ASource.GetDashOffset());
  SetMode(ASource.Mode());
  if (!ASource.Dashes.empty()) Dashes = ASource.Dashes;
}

}  // namespace ht
