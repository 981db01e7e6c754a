// The "doc-section" element: sections of a paged document with their own
// page size, margins, running header and footer.
#include "document/computed_style.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "paint/paged_output.h"

namespace ht {

const THtNodeClass TPageBreakElement::ClassType{"TPageBreakElement", &TElement::ClassType,
                                                CreateInstance<TPageBreakElement, THtNode>};

void RegisterPagedElements() { RegisterElementClass(u"doc-section", &TPageBreakElement::ClassType); }

void TPageBreakElement::Draw(TFlow*, const THtDrawInfo&) {
  IncludeFlag(efDrawn);
  THtDocument* doc = Document;
  if (!doc) return;
  if (!FPreviousSection && doc->FCurrentSection != this)
    FPreviousSection = dynamic_cast<TPageBreakElement*>(doc->FCurrentSection);
  doc->FCurrentSection = this;
  FirstPage = doc->Page + 1;
  const String& size = GetAttribute(u"size");
  if (!size.empty()) {
    doc->ApplySectionPageSize(size);
    doc->FNextPageOrientation = doc->Orientation;
  }
}

TElement* TPageBreakElement::FindRunningById(StringView Ref) const {
  if (!Document) return nullptr;
  for (TElement* e : Document->FRunningElements)
    if (e->GetAttribute(u"id") == Ref) return e;
  return nullptr;
}

TElement* TPageBreakElement::runningChild(StringView Tag, bool& Matched) {
  Matched = false;
  if (!Document) return nullptr;
  auto children = [this, Tag](auto&& Pick) -> TElement* {
    for (int i = 0; i < Count(); ++i) {
      auto* c = dynamic_cast<TElement*>(GetNode(i));
      if (c && c->Tag() == Tag && Pick(c)) return c;
    }
    return nullptr;
  };
  TElement* c = nullptr;
  if (Document->Page == FirstPage)
    c = children([](TElement* e) {
      const TElementStyle* s = ElementStyleOf(e);
      return s && s->Page() == 1;
    });
  if (!c) c = children([this](TElement* e) { return e->IsOnPage(FirstPage); });
  if (!c) return nullptr;
  Matched = true;
  return FindRunningById(c->GetAttribute(u"ref"));
}

TElement* TPageBreakElement::sectionRunning(StringView Tag, int Depth) {
  bool matched = false;
  TElement* e = runningChild(Tag, matched);
  if (matched) return e;
  // Sections painted again on later pages can point at each other; the
  // chain is never longer than the document's sections.
  if (!FPreviousSection || FPreviousSection == this || Depth > 1000) return nullptr;
  if (Tag == u"header") FPreviousSection->FirstPage = FirstPage;
  return FPreviousSection->sectionRunning(Tag, Depth + 1);
}

TElement* TPageBreakElement::Header() { return sectionRunning(u"header", 0); }
TElement* TPageBreakElement::Footer() { return sectionRunning(u"footer", 0); }

}  // namespace ht
