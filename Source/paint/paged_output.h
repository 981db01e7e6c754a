#pragma once
// Paged output's element class and painting steps: the "doc-section"
// element (TPageBreakElement), which paints nothing and, when the page
// painting reaches it, becomes the document's current section: its "size"
// sets the size of the following pages, its "margins" the page margins, and
// its "header" and "footer" children name (by "ref") the running elements
// its pages show.
#include "document/element.h"

namespace ht {

class TPageBreakElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  // The running elements the current page shows, or null; a section
  // without a matching child asks the section before it.
  TElement* Header();
  TElement* Footer();
  // The first running element whose id is Ref ("" matches one without id).
  TElement* FindRunningById(StringView Ref) const;

  TPageBreakElement* FPreviousSection = nullptr;  // not owned
  int FirstPage = 0;

 private:
  // The running element named by the first matching child; Matched tells
  // whether a child matched (its reference may still name nothing).
  TElement* runningChild(StringView Tag, bool& Matched);
  TElement* sectionRunning(StringView Tag, int Depth);
};

// Records link targets for an element's lines on the current page, once.
void DrawAnchors(TElement& E, const THtDrawInfo& DI);
// Opens a link on the surface with the element's "href" and "title" and
// records the element's line rectangles as its areas on the current page.
void DrawLinkAreas(TElement& E);

// The painting unit's start-up registers "doc-section".
void RegisterPagedElements();

}  // namespace ht
