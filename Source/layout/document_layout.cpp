// The document's layout pass: boxes built into the document's own flow,
// sized and laid out from the root down, out-of-flow boxes placed, and the
// document's size taken from the result.
#include <algorithm>
#include <cmath>

#include "css/element_style.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"

namespace ht {

namespace {

bool styleLengthPx(const TStyledHTMLNode* N, bool Width, int& Px) {
  auto* facts = N ? (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr) : nullptr;
  if (!facts) return false;
  const TMeasure m = Width ? facts->Style().Width() : facts->Style().Height();
  if (m.GetAuto()) return false;
  Px = m.ToIntPixels();
  return true;
}

float flowContentHeight(const TFlow& F) { return F.FHeight; }

}  // namespace

void THtDocument::LayoutPass() {
  if (!FDocFlow) FDocFlow = std::make_unique<TFlow>(this);
  else FDocFlow->Reset();
  int w = ClientWidth;
  if (int sw = 0; styleLengthPx(this, true, sw)) w = sw;
  InnerWidth = float(w) - OuterDeltaX() - InnerDeltaX();
  OuterRect = TRectF{0, 0, float(w), float(ClientHeight)};
  CalcRects();
  Container = this;
  LayoutDepth() = 0;
  // Placement lists the fixed and filtered boxes of this pass.
  ScrollRepaintList.clear();
  CalcBoxes(FDocFlow.get());
  BeforeCalcLayout();
  if (THtLineBlock* run = FirstRun()) {
    run->Left = 0;
    run->Top = 0;
  }
  CalcLayout();
  PlaceOutOfFlowElements();

  DocumentWidth = int(std::lround(CalcWidth()));
  DocumentHeight = int(std::lround(CalcHeight()));
  if (SelfFlow) {
    DocumentWidth = std::max(DocumentWidth, int(std::ceil(float(SelfFlow->ContentWidth) + InnerDeltaX() + OuterDeltaX())));
    DocumentHeight = std::max(DocumentHeight, int(std::ceil(flowContentHeight(*SelfFlow) + InnerDeltaY() + OuterDeltaY())));
  }
  DocumentWidth = std::max(DocumentWidth, int(std::lround(ContentWidth)));

  float right = OuterRect.Right, bottom = OuterRect.Bottom;
  int bodyPx = 0;
  const bool bodyHeight = BodyElement && styleLengthPx(BodyElement, false, bodyPx);
  if (ContentHeight > CalcHeight() && !bodyHeight) {
    bottom = std::max(bottom, ContentHeight);
    DocumentHeight = std::max(DocumentHeight, int(std::lround(bottom - OuterRect.Top)));
  }
  if (bodyHeight) bottom = float(bodyPx);
  if (int bodyW = 0; BodyElement && styleLengthPx(BodyElement, true, bodyW)) right = float(bodyW);
  OuterRect = TRectF{0, 0, right, std::max(bottom, float(ClientHeight))};
  CalcRects();
  ContentHeight += InnerDeltaY() + OuterDeltaY();
}

}  // namespace ht
