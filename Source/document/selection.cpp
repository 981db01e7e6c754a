// The part of the document selection that writing the selected HTML reads:
// its ends in document order and which elements it covers. Painting and
// interaction complete it.
#include <algorithm>

#include "document/document.h"
#include "document/table_hooks.h"

namespace ht {

namespace {

bool isTag(const TElement& E, StringView Tag) { return E.Tag() == Tag; }

TElement* defaultTable(const TElement& E) {
  for (TElement* p = E.Parent(); p; p = p->Parent())
    if (isTag(*p, u"table")) return p;
  return nullptr;
}

int defaultRow(const TElement& E) {
  const TElement* row = &E;
  while (row && !isTag(*row, u"tr")) row = row->Parent();
  if (!row) return -1;
  TElement* table = defaultTable(*row);
  if (!table) return -1;
  int n = 0;
  for (THtNode* x = table->NextNode(); x && x != row; x = x->NextNode())
    if (auto* e = dynamic_cast<TElement*>(x); e && isTag(*e, u"tr") && defaultTable(*e) == table) ++n;
  return n;
}

const THtTableHooks kDefaultHooks{
    [](const TElement& E) { return isTag(E, u"tr"); },
    [](const TElement& E) { return isTag(E, u"td") || isTag(E, u"th"); },
    defaultTable,
    defaultRow,
};

THtTableHooks gHooks = kDefaultHooks;

// A point of the selection: an element's order number and a caret
// position in it.
struct TPoint2 {
  int64_t Index;
  int Pos;
  bool operator<(const TPoint2& O) const { return Index != O.Index ? Index < O.Index : Pos < O.Pos; }
  bool operator<=(const TPoint2& O) const { return !(O < *this); }
};

int textSize(const TElement* E) { return int(E->Content().size()); }

// The first leaf of E's subtree (E itself without children).
const TElement* firstLeaf(const TElement* E) {
  for (;;) {
    const THtNodeList* nodes = E->ChildNodeList();
    TElement* c = nodes && nodes->Count() ? AsElement(nodes->Get(0)) : nullptr;
    if (!c) return E;
    E = c;
  }
}

const TElement* lastLeaf(const TElement* E) {
  while (auto* c = AsElement(E->LastChild())) E = c;
  return E;
}

// Where E's content begins and ends: a text leaf spans positions 1 to its
// length + 1, any other leaf 1 to 2.
TPoint2 startOf(const TElement* E) { return {firstLeaf(E)->Index, 1}; }

TPoint2 endOf(const TElement* E) {
  const TElement* l = lastLeaf(E);
  return {l->Index, l->IsText() ? textSize(l) + 1 : 2};
}

}  // namespace

THtTableHooks& HtTableHooks() { return gHooks; }
const THtTableHooks& HtDefaultTableHooks() { return kDefaultHooks; }

TElement* EnclosingTableCell(const TElement* E) {
  for (const TElement* p = E; p; p = p->Parent()) {
    if (gHooks.IsTableCell(*p)) return const_cast<TElement*>(p);
    if (isTag(*p, u"table")) break;
  }
  return nullptr;
}

void TDocSelection::Clear() {
  const bool had = !Empty();
  StartElement = EndElement = nullptr;
  StartPos = EndPos = 0;
  if (had && FDocument) FDocument->NeedRepaint = true;
}

bool TDocSelection::ordered(TElement*& S, int& SPos, TElement*& E, int& EPos) const {
  if (Empty()) return false;
  // Order numbers are only approximate after edits.
  if (FDocument && FDocument->FIndexesDirty) FDocument->RecalcIndexes();
  S = StartElement;
  SPos = StartPos;
  E = EndElement;
  EPos = EndPos;
  if (E->Index < S->Index || (E == S && EPos < SPos)) {
    std::swap(S, E);
    std::swap(SPos, EPos);
  }
  return true;
}

TElement* TDocSelection::RealStartElement() const {
  TElement *s, *e;
  int sp, ep;
  return ordered(s, sp, e, ep) ? s : nullptr;
}

TElement* TDocSelection::RealEndElement() const {
  TElement *s, *e;
  int sp, ep;
  return ordered(s, sp, e, ep) ? e : nullptr;
}

int TDocSelection::RealStartPos() const {
  TElement *s, *e;
  int sp = 0, ep = 0;
  ordered(s, sp, e, ep);
  return sp;
}

int TDocSelection::RealEndPos() const {
  TElement *s, *e;
  int sp = 0, ep = 0;
  ordered(s, sp, e, ep);
  return ep;
}

TElement* TDocSelection::SelectedTable() const {
  if (!CellMode || Empty()) return nullptr;
  TElement* a = EnclosingTableCell(StartElement);
  TElement* b = EnclosingTableCell(EndElement);
  if (!a || !b) return nullptr;
  TElement* t = gHooks.Table(*a);
  return t && t == gHooks.Table(*b) ? t : nullptr;
}

TDocSelection::TCoverage TDocSelection::Coverage(const TElement* E) const {
  TElement *s, *e;
  int sp, ep;
  if (!E || !ordered(s, sp, e, ep)) return scNone;
  const TPoint2 selStart{s->Index, sp}, selEnd{e->Index, ep};
  const TPoint2 from = startOf(E), to = endOf(E);
  if (!(from < selEnd && selStart < to)) return scNone;
  return selStart <= from && to <= selEnd ? scFull : scPartial;
}

bool TDocSelection::PartiallyInSelection(const TElement* E) const {
  TElement *s, *e;
  int sp, ep;
  if (!E || !ordered(s, sp, e, ep)) return false;
  const TPoint2 selStart{s->Index, sp}, selEnd{e->Index, ep};
  return startOf(E) < selEnd && selStart < endOf(E);
}

bool TDocSelection::FullSelected(const TElement* E) const {
  TElement *s, *e;
  int sp, ep;
  if (!E || !ordered(s, sp, e, ep)) return false;
  const TPoint2 selStart{s->Index, sp}, selEnd{e->Index, ep};
  return selStart <= startOf(E) && endOf(E) <= selEnd;
}

}  // namespace ht
