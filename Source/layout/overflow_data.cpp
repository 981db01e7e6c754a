// Overflow data and element scroll bars: creation, ranges after layout and
// placement before a paint.
#include "layout/overflow_data.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "canvas/canvas.h"
#include "document/document.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

bool scrolls(TElementOverflow o) { return o == eoScroll || o == eoAuto; }

int round(float v) { return RoundHalfEven(v); }

}  // namespace

TOverflowData::TOverflowData(TElement* E) : Element(E) {
  THtDocument* doc = E ? E->Document : nullptr;
  if (!doc || !doc->Control) return;
  HBar = doc->Control->CreateScrollBar();
  HBar->SetVisible(false);
  HBar->SetKind(ui::sbHorizontal);
  HBar->OnChange = [this] { Change(); };
  HBar->SetTabStop(false);
  VBar = doc->Control->CreateScrollBar();
  VBar->SetVisible(false);
  BarThickness = VBar->Height();
  VBar->SetKind(ui::sbVertical);
  VBar->OnChange = [this] { Change(); };
  VBar->SetTabStop(false);
}

TOverflowData::~TOverflowData() = default;

bool TOverflowData::setOffset(int& Offset, ui::TScrollBar* Bar, int Value) {
  // Never below 0, also when the bar's range is smaller than its page.
  if (Bar) Value = std::min(Value, Bar->Max() - Bar->PageSize());
  Value = std::max(Value, 0);
  if (Value == Offset) return false;
  if (Bar) {
    // Moving the bar from here must not come back as the user's scroll.
    std::function<void()> handler = std::move(Bar->OnChange);
    Bar->OnChange = nullptr;
    Bar->SetPosition(Value);
    Bar->OnChange = std::move(handler);
  }
  Offset = Value;
  return true;
}

void TOverflowData::SetHOffset(int Value) {
  if (setOffset(HOffset, HBar.get(), Value) && Element && Element->Document) Element->Document->Repaint();
}

void TOverflowData::SetVOffset(int Value) {
  if (setOffset(VOffset, VBar.get(), Value) && Element && Element->Document) Element->Document->Repaint();
}

void TOverflowData::Change() {
  if (VBar) SetVOffset(VBar->Position());
  if (HBar) SetHOffset(HBar->Position());
  if (!Element || !Element->Document) return;
  Element->Document->NeedRepaint = true;
  Element->RunImmediateEvent(u"scroll");
}

void TOverflowData::Updatepos() {
  TElement* e = Element;
  THtDocument* doc = e ? e->Document : nullptr;
  if (!HBar || !VBar || !doc) return;
  if (!e->Visible() || doc->Paged) {
    HBar->SetVisible(false);
    VBar->SetVisible(false);
    return;
  }
  const TRectF b = e->BorderRect();
  const TPoint topLeft = e->ClientToDestCanvas(TPoint(round(b.Left), round(b.Top)));
  const TPoint bottomRight = e->ClientToDestCanvas(TPoint(round(b.Right), round(b.Bottom)));
  const float scale = doc->Surface ? doc->Surface->ScaleFactor() : 1.0f;
  IElementStyleFacts* style = e->Style();
  const TElementOverflow ox = style ? style->OverflowX() : eoVisible;
  const TElementOverflow oy = style ? style->OverflowY() : eoVisible;
  const bool showH = ox == eoScroll || (ox == eoAuto && HBar->PageSize() < HBar->Max());
  const bool showV = oy == eoScroll || (oy == eoAuto && VBar->PageSize() < VBar->Max());
  HBar->SetVisible(showH);
  VBar->SetVisible(showV);
  if (showH) {
    const int left = topLeft.X, top = bottomRight.Y - HBar->Height();
    const int width = round(float(round(e->CalcWidth())) * scale) - (showV ? VBar->Width() : 0);
    if (left != HBar->Left() || top != HBar->Top() || width != HBar->Width())
      HBar->SetWindowPos(left, top, width, BarThickness);
  }
  if (showV) {
    const int left = bottomRight.X - VBar->Width(), top = topLeft.Y;
    const int height = round((e->InnerHeight + e->PaddingTop + e->PaddingBottom) * scale);
    if (left != VBar->Left() || top != VBar->Top() || height != VBar->Height()) {
      VBar->SetWindowPos(left, top, BarThickness, height);
      doc->NeedRepaint = true;
    }
  }
}

// --- The element's side -----------------------------------------------------------------

void TElement::UpdateOverflow() {
  IElementStyleFacts* style = Style();
  if (!style || IsText()) return;
  const TElementOverflow ox = style->OverflowX(), oy = style->OverflowY();
  if ((scrolls(ox) || scrolls(oy)) && !FOverflowData && Document && Document->Control) {
    FOverflowData = std::make_unique<TOverflowData>(this);
    SetFlag(efHasOverflow, true, true, false);
    NoteTreeChange();  // its ancestors may have been passed over as idle
  }
  TOverflowData* od = FOverflowData.get();
  if (!od) return;
  od->VVisible = false;
  od->HVisible = false;
  ui::TScrollBar* v = od->VBar.get();
  ui::TScrollBar* h = od->HBar.get();
  if (!v || !h) return;
  if (scrolls(oy)) {
    if (ContentHeight > InnerHeight) {
      const int page = std::max(0, round(InnerHeight));
      v->SetPageSize(0);
      v->SetLargeChange(std::max(1, page));
      v->SetMax(round(std::max({ContentHeight, float(page), 0.0f})));
      v->SetPageSize(page);
      od->VVisible = true;
    } else {
      v->SetPageSize(0);
      v->SetLargeChange(std::max(1, round(InnerHeight)));
      const int all = std::max(0, round(CalcHeight()));
      v->SetMax(all);
      v->SetPageSize(all);
      od->VVisible = oy == eoScroll;
    }
  }
  float room = CalcWidth() - OuterDeltaX();
  if (od->VVisible && v->PageSize() < v->Max()) room -= float(v->Width());
  if (ox == eoScroll || (ox == eoAuto && ContentWidth - 1 > room)) {
    const int content = round(ContentWidth);
    h->SetPageSize(0);
    h->SetLargeChange(std::max(0, content));
    h->SetMax(std::max(0, content));
    h->SetPageSize(std::max(1, std::min(round(CalcWidth()), content)));
    od->HVisible = true;
    if (od->VVisible) {
      const int page = std::max(0, round(InnerHeight - float(h->Height())));
      v->SetPageSize(0);
      v->SetLargeChange(std::max(1, page));
      v->SetPageSize(page);
    }
  } else {
    h->SetMax(h->PageSize());
  }
}

void TElement::UpdateScrollBars() {
  // While a selection is under way every text must recompute its range, so
  // nothing is passed over and nothing is marked idle.
  const TDocSelection* sel = Document ? &Document->Selection : nullptr;
  const bool selecting = sel && Document->EnableSelection && sel->StartElement() && sel->EndElement();
  const uint64_t stamp = TreeChangeStamp();
  // Overflow data without bars (a document drawn off screen) has nothing
  // to place, and no bars come to it later: that box is idle as well.
  const TOverflowData* od = FOverflowData.get();
  bool idle = (!od || !od->HBar || !od->VBar) && !selecting;
  if (FOverflowData) FOverflowData->Updatepos();
  // A child is passed over while idle at this tree; a hidden child has
  // nothing to move (showing it again takes a layout pass, which moves the
  // stamp, so it does not keep this subtree busy).
  auto visit = [&](TElement* c) {
    if (!c || (!selecting && c->FScrollIdleStamp == stamp)) return false;
    if (c->Style() && c->Style()->Display() == dsNone) return false;
    c->UpdateScrollBars();
    if (c->FScrollIdleStamp != stamp) idle = false;
    return true;
  };
  // A long list of children, most of them idle, is read once per tree: the
  // children gone into are kept, and every later pass goes over them alone.
  // A child skipped then stays skipped until the tree or a style changes or
  // some element loses its idle mark. Entries are only written, never
  // erased, during a pass: a parent may be going over its own.
  THtDocument* doc = Document;
  if (doc && !selecting && Count() > 0) {
    const uint64_t style = StyleChangeStamp();
    // The document's own pass starts every walk: entries of an older tree
    // (some for elements since freed) go there.
    if (doc == this)
      if (auto own = doc->FScrollPass.find(this); own != doc->FScrollPass.end() && own->second.Tree != stamp)
        doc->FScrollPass.clear();
    THtDocument::TScrollPassEntry& entry = doc->FScrollPass[this];
    if (entry.Tree == stamp && entry.Style == style && entry.Marks == doc->FScrollPassMarks) {
      for (TElement* c : entry.Busy) visit(c);
    } else {
      std::vector<TElement*> busy;
      for (int i = 0; i < Count(); ++i) {
        TElement* c = AsElement(FNodes->Get(i));
        if (visit(c)) busy.push_back(c);
      }
      entry.Busy = std::move(busy);
      entry.Tree = stamp;
      entry.Style = style;
      entry.Marks = doc->FScrollPassMarks;
    }
  } else {
    for (int i = 0; i < Count(); ++i) visit(AsElement(FNodes->Get(i)));
  }
  if (!idle && FScrollIdleStamp == stamp && doc) ++doc->FScrollPassMarks;
  FScrollIdleStamp = idle ? stamp : 0;
}

int TElement::VScrollBarWidth() const {
  const TOverflowData* od = FOverflowData.get();
  return od && od->VVisible && od->VBar ? od->VBar->Width() : 0;
}

int TElement::HScrollBarHeight() const {
  const TOverflowData* od = FOverflowData.get();
  return od && od->HVisible && od->HBar ? od->HBar->Height() : 0;
}

}  // namespace ht
