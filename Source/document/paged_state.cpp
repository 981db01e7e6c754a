// The parts of paged output that the style pass and layout call: the lists
// of running elements and footnotes, page selectors and the last page's
// height. The page loop itself belongs to the painting unit.
#include <algorithm>
#include <cmath>

#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "platform/rtl/numeric.h"

namespace ht {

void THtDocument::AddRunningElement(TElement* E) {
  if (!E) return;
  if (const TElementStyle* st = ElementStyleOf(E); st && st->Float() == fFootNote) return;
  if (std::find(FRunningElements.begin(), FRunningElements.end(), E) == FRunningElements.end())
    FRunningElements.push_back(E);
}

void THtDocument::AddFootNote(TElement* E) {
  if (!E || std::find(FFootNotes.begin(), FFootNotes.end(), E) != FFootNotes.end()) return;
  FFootNotes.push_back(E);
  const float h = E->OuterRect.Bottom - E->OuterRect.Top;
  if (std::isfinite(h)) PageMargins[2] += RoundHalfEven(h);
}

float THtDocument::LastPageHeight() {
  const float top = float(PageMargins[0]);
  TElement* body = BodyElement;
  if (!body || !body->SelfFlow || body->SelfFlow->LineCount() == 0) return top;
  PHtLineInfo last = body->SelfFlow->Lines(body->SelfFlow->LineCount() - 1);
  return last->Y + last->Height + top;
}

bool TElement::IsOnPage(int APage) const {
  const TElementStyle* st = ElementStyleOf(this);
  THtDocument* doc = Document;
  if (!st || !doc) return true;
  const int code = st->Page();
  if (code == 0) return true;
  if (code == 1) return doc->Page == APage;
  if (code == doc->ForcedPage + 1) return true;
  switch (code) {
    case -9991: return doc->HasFlag(efCompletelyDrawn);
    case -9992: return (doc->Page - APage) % 2 == 0;
    case -9993: return (doc->Page - APage) % 2 != 0;
    case -9994: return !doc->HasFlag(efCompletelyDrawn);
    default: return code < 0 && doc->ForcedPage + 1 >= -code;
  }
}

}  // namespace ht
