// Dragging elements with the pointer: the press that starts a drag, the
// moves that follow it and the drag-over chains, and the drop that makes
// the move permanent in the inline style (left/top, a translation, or a
// new place among the items of a "sortable" list).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "document/computed_style.h"
#include "document/document.h"
#include "document/pointer_services.h"
#include "document/script_adapter.h"
#include "document/table_hooks.h"
#include "layout/flow.h"
#include "layout/overflow_data.h"
#include "markup/node_list.h"
#include "markup/str_utils.h"
#include "paint/pointer.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

int clampInt(int64_t V) { return int(std::clamp<int64_t>(V, INT_MIN, INT_MAX)); }

bool isAncestorOf(const TElement* A, const TElement* E) {
  for (const TElement* p = E ? E->Parent() : nullptr; p; p = p->Parent())
    if (p == A) return true;
  return false;
}

String intText(int64_t V) { return FloatToText(double(V)); }

// Queues Event on E and on each of its ancestors.
void runUpChain(TElement* E, StringView Event, TShiftState Shift) {
  for (TElement* e = E; e; e = e->Parent()) e->RunEvent(Event, Shift);
}

TElement* containerOf(const TElement& E) { return dynamic_cast<TElement*>(E.Container); }

int wholeLeft(const TElementStyle& S) { return S.Left().ToIntPixels(); }
int wholeTop(const TElementStyle& S) { return S.Top().ToIntPixels(); }

}  // namespace

void TElement::BeginDrag(int X, int Y) {
  THtDocument* doc = Document;
  TElementStyle* S = ElementStyleOf(this);
  if (!doc || !S) return;
  IncludeFlag(efDrag);
  ExcludeFlag(efDragMoved);
  doc->DragPoint = TPoint{X, Y};
  doc->DragElement = this;
  doc->FDragSavedPosition = S->Position();
  if (S->Position() == epStatic && OwnsStyle()) S->SetPosition(epRelative);
  // The dragged element is raised above ordinary content by the restyle.
  doc->RecalcStyles();
}

void TElement::DragMove(int X, int Y, TShiftState State) {
  THtDocument* doc = Document;
  if (!doc || !HasFlag(efDrag) || X <= 0) return;
  const int64_t dx = int64_t(X) - doc->DragPoint.X, dy = int64_t(Y) - doc->DragPoint.Y;
  if (!HasFlag(efDragMoved)) {
    if (std::llabs(dx) <= 10 && std::llabs(dy) <= 10) return;
    RunEvent(u"dragstart", State);
  }
  IncludeFlag(efDragMoved);
  doc->DragX = clampInt(dx);
  doc->DragY = clampInt(dy);
  doc->NeedRepaint = true;
}

void THtDocument::DragOver(int X, int Y, TShiftState State) {
  TElement* dragged = DragElement;
  if (!dragged) return;
  dragged->DragMove(X, Y, State);
  if (!dragged->HasFlag(efDragMoved) || !ScriptAdapter()) return;
  const TPointF v = DocumenttoViewport(TPointF{float(X), float(Y)});
  IHtNodeList under = ElementsFromPoint(v.X, v.Y);
  TElement* found = nullptr;
  if (under)
    for (int i = 0; i < under->Count() && !found; ++i) {
      TElement* e = AsElement(under->Get(i));
      if (e && e != dragged && !isAncestorOf(dragged, e)) found = e;
    }
  if (!found) return;
  std::vector<TElement*> left = FDragOverList;
  for (TElement* e = found; e; e = e->Parent()) {
    auto it = std::find(left.begin(), left.end(), e);
    if (it == left.end()) {
      Event.Target = e;
      runUpChain(e, u"dragenter", State);
    } else {
      left.erase(it);
    }
  }
  if (!left.empty()) {
    Event.Target = left.front();
    runUpChain(left.front(), u"dragleave", State);
  }
  FDragOverList.clear();
  for (TElement* e = found; e; e = e->Parent()) FDragOverList.push_back(e);
}

void BaseEndDrag(TElement& E, int X, int Y) {
  THtDocument* doc = E.Document;
  TElementStyle* S = ElementStyleOf(&E);
  if (!doc || !S) return;
  E.ExcludeFlag(efDrag);
  const bool moved = E.HasFlag(efDragMoved);
  E.ExcludeFlag(efDragMoved);
  if (moved) {
    TElement* home = containerOf(E);
    if (home && home->HasClass(u"sortable") && S->Position() != epAbsolute) {
      E.SortableDrop(X, Y);
    } else if (doc->FDragSavedPosition != epStatic && S->Position() != epStatic) {
      const int64_t left = int64_t(wholeLeft(*S)) + doc->DragX;
      const int64_t top = int64_t(wholeTop(*S)) + doc->DragY;
      E.AddCSS(u"left: " + intText(left) + u"px;", true, 0);
      E.AddCSS(u"top: " + intText(top) + u"px;", true, 0);
    } else if (S->IsSet(cspTransform)) {
      TTransform t;
      S->GetTransform(t, false);
      const TMeasure* mx = t.TranslateX(false);
      const TMeasure* my = t.TranslateY(false);
      const int64_t tx = int64_t(RoundHalfEven(mx ? mx->ToPixels() : 0.0)) + doc->DragX;
      const int64_t ty = int64_t(RoundHalfEven(my ? my->ToPixels() : 0.0)) + doc->DragY;
      E.AddCSS(u"transform: translate(" + intText(tx) + u", " + intText(ty) + u");", false, 0);
    }
  }
  doc->NeedRepaint = true;
  if (moved) {
    THtLineBlock* run = nullptr;
    doc->GetLineBlockAt(float(X), float(Y), u"*", u"", run);
    TElement* target = run ? run->E : nullptr;
    doc->Event.Target = target;
    runUpChain(target, u"drop", 0);
    E.RunEvent(u"dragend", 0);
  }
  S->SetPosition(doc->FDragSavedPosition);
  if (moved && doc->OnElementDragEnd) {
    const bool tracked = doc->DragElement == &E;
    doc->OnElementDragEnd(&E, TPoint{X, Y});
    // The handler removed the element: nothing of it is left to finish.
    if (tracked && doc->DragElement != &E) {
      doc->DragX = doc->DragY = 0;
      return;
    }
  }
  doc->DragX = 0;
  doc->DragY = 0;
  if (E.GetAttribute(u"class") == u"group-tag") {
    THtLineBlock* run = nullptr;
    doc->GetLineBlockAt(float(X), float(Y), u"th", u"", run);
    TElement* cell = run ? run->E : nullptr;
    if (cell && HtTableHooks().IsTableCell(*cell)) {
      if (TElement* table = HtTableHooks().Table(*cell))
        HtPointerServices().Ungroup(*table, E.GetAttribute(u"field"), HtTableHooks().Col(*cell));
      E.StyleChanged(true);
      doc->NeedRecalc = true;
      // The release still walks the element and its ancestors: it leaves
      // the tree once the entry point has run its events.
      if (std::find(doc->FPendingRemovals.begin(), doc->FPendingRemovals.end(), &E) == doc->FPendingRemovals.end())
        doc->FPendingRemovals.push_back(&E);
    }
  }
}

void TElement::SortableDrop(int X, int Y) {
  THtDocument* doc = Document;
  const TElementStyle* S = ElementStyleOf(this);
  TElement* home = containerOf(*this);
  if (!doc || !S || !home) return;
  SaveSortPositions(home);
  ExcludeFlag(efDrag);
  const TPointF v = doc->DocumenttoViewport(TPointF{float(X), float(Y)});
  TElement* target = doc->GetElementAt(RoundHalfEven(v.X), RoundHalfEven(v.Y), u"", u"sortable");
  if (target && target != home) SaveSortPositions(target);
  else target = home;
  double fx = double(RealLeft()) + OuterRect.Left + wholeLeft(*S) + doc->DragX - target->RealLeft() -
              target->OuterRect.Left;
  double fy = double(RealTop()) + OuterRect.Top + wholeTop(*S) + doc->DragY - target->RealTop() -
              target->OuterRect.Top;
  if (target->FOverflowData) {
    fx += target->FOverflowData->HOffset;
    fy += target->FOverflowData->VOffset;
  }
  TElement* before = nullptr;
  if (TFlow* flow = target->SelfFlow.get(); flow && flow->LineCount() > 0) {
    int line = 0;
    double best = 0;
    for (int i = 0; i < flow->LineCount(); ++i) {
      const PHtLineInfo li = flow->GetLine(i);
      if (i > 0 && !(li->Height > 0)) continue;
      const double d = std::fabs(double(li->Y) - fy);
      if (i == 0 || d < best) {
        best = d;
        line = i;
      }
    }
    before = flow->GetLineElement(line, float(fx));
  }
  if (before && before != this && before->Parent()) {
    TElement* parent = before->Parent();
    if (target == home) {
      fx += CalcWidth() / 2;
      if (double(before->RealLeft()) + before->OuterRect.Left + before->CalcWidth() > fx)
        parent->InsertBefore(before, this);
      else
        parent->InsertAfter(before, this);
    } else {
      parent->InsertBefore(before, this);
    }
  } else if (target != this && !isAncestorOf(target, this) && !isAncestorOf(this, target)) {
    target->Add(this);
  }
  doc->Changed = false;
  doc->Recalc();
  AnimateSortPositions(home);
  if (target != home) AnimateSortPositions(target);
  doc->RecalcStyles();
  doc->Recalc();
}

void TElement::SaveSortPositions(TElement* Container) {
  THtDocument* doc = Document;
  if (!Container || !doc) return;
  for (int i = 0; i < Container->Count(); ++i) {
    TElement* c = AsElement(Container->GetNode(i));
    if (!c || c->Tag() != Tag()) continue;
    TElementStyle* cs = ElementStyleOf(c);
    if (!cs || !c->OwnsStyle()) continue;
    if (!cs->IsSet(cspLeft)) {
      c->AddCSS(u"left:0px;top:0px", true, 0);
      c->RestyleSelf();
      cs = ElementStyleOf(c);
      if (!cs) continue;
    }
    TPoint p = c->ClienttoDocument(TPoint{0, 0});
    if (c == this) {
      p.X = clampInt(int64_t(p.X) + doc->DragX);
      p.Y = clampInt(int64_t(p.Y) + doc->DragY);
    }
    cs->SaveLastProps();
    cs->SetLastPropValue(u"left", p.X);
    cs->SetLastPropValue(u"top", p.Y);
  }
}

void TElement::AnimateSortPositions(TElement* Container) {
  if (!Container) return;
  for (int i = 0; i < Container->Count(); ++i) {
    TElement* c = AsElement(Container->GetNode(i));
    if (!c || c->Tag() != Tag()) continue;
    TElementStyle* cs = ElementStyleOf(c);
    if (!cs || !c->OwnsStyle()) continue;
    const TPoint now = c->ClienttoDocument(TPoint{0, 0});
    float savedLeft = 0, savedTop = 0;
    cs->GetLastNumberProp(cspLeft, savedLeft, false);
    cs->GetLastNumberProp(cspTop, savedTop, false);
    // The transition then runs from the old place to the new one.
    cs->SetLastPropValue(u"left", double(savedLeft) - now.X);
    cs->SetLastPropValue(u"top", double(savedTop) - now.Y);
    c->AddCSS(u"left: 0;", true, 0);
    c->AddCSS(u"top: 0", true, 0);
  }
}

}  // namespace ht
