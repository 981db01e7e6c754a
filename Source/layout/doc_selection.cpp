// The document selection's operations: its ends in document order, which
// elements it covers (text ranges or a block of table cells), the touch
// handles' hit test, absolute positions with save and restore, and editing
// the selected text.
#include <algorithm>
#include <cmath>
#include <set>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "document/document.h"
#include "document/table_hooks.h"
#include "layout/image_element.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "platform/rtl/case_mapping.h"
#include "platform/rtl/numeric.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

namespace {

TTextElement* asText(const TElement* E) { return dynamic_cast<TTextElement*>(const_cast<TElement*>(E)); }

bool isCellTag(const TElement* E) { return E && (E->Tag() == u"td" || E->Tag() == u"th"); }

// E itself when it is a "td" or "th", else its nearest such ancestor.
TElement* cellOf(const TElement* E) {
  if (!E) return nullptr;
  if (isCellTag(E)) return const_cast<TElement*>(E);
  return static_cast<TElement*>(E->UpTo({u"td", u"th"}));
}

// The nearest "td" or "th" strictly above E.
TElement* cellAbove(const TElement* E) { return E ? static_cast<TElement*>(E->UpTo({u"td", u"th"})) : nullptr; }

bool isCell(const TElement* E) { return E && HtTableHooks().IsTableCell(*E); }
bool isRow(const TElement* E) { return E && HtTableHooks().IsTableRow(*E); }
TElement* tableOf(const TElement* E) { return E ? HtTableHooks().Table(*E) : nullptr; }
int rowOf(const TElement* E) { return HtTableHooks().Row(*E); }
int colOf(const TElement* E) { return HtTableHooks().Col(*E); }
int colSpanOf(const TElement* E) { return HtTableHooks().ColSpan(*E); }
int rowSpanOf(const TElement* E) { return HtTableHooks().RowSpan(*E); }

// The deepest last descendant element of E (E itself without children).
TElement* lastOf(const TElement* E) {
  THtNode* n = const_cast<TElement*>(E)->Last();
  while (n && n != E && !AsElement(n)) n = n->PreviousNode();
  return n ? AsElement(n) : const_cast<TElement*>(E);
}

// Inside: E is Ancestor or lies in its subtree.
bool inside(const TElement* E, const TElement* Ancestor) { return E == Ancestor || (E && E->HasAsParent(Ancestor)); }

// The last character position a text element shows; 0 for other elements.
int lastCharOf(const TElement* E) {
  const TTextElement* t = asText(E);
  return t ? t->LastChar() : 0;
}

// A caret position at an element's start: its first character for text,
// else before the element.
int startPosOf(const TElement* E) {
  const TTextElement* t = asText(E);
  return t ? t->FirstChar() : 0;
}

// After the element's last character: LastChar + 1 for text, else 1.
int endPosOf(const TElement* E) { return lastCharOf(E) + 1; }

bool displayIn(const TElement* E, std::initializer_list<TDisplayStyle> Set) {
  const TDisplayStyle d = DisplayOf(E);
  return std::find(Set.begin(), Set.end(), d) != Set.end();
}

bool tagIn(const TElement* E, std::initializer_list<StringView> Tags) {
  for (StringView t : Tags)
    if (E->Tag() == t) return true;
  return false;
}

}  // namespace

// --- Ends ---------------------------------------------------------------------------

void TDocSelection::orderIndexes() const {
  if (FDocument && FDocument->FIndexesDirty) FDocument->RecalcIndexes();
}

void TDocSelection::SetStartElement(TElement* Value) {
  FStartElement = Value;
  UpdateCellMode();
}

void TDocSelection::SetEndElement(TElement* Value) {
  FEndElement = Value;
  UpdateCellMode();
}

bool TDocSelection::Empty() const {
  if (!FStartElement || !FEndElement) return true;
  if (FStartElement == FEndElement && StartPos == EndPos) return !(CellMode && SingleTable);
  return false;
}

bool TDocSelection::Inverted() const {
  if (Empty()) return false;
  orderIndexes();
  return FStartElement->Index > FEndElement->Index || (FStartElement == FEndElement && EndPos < StartPos);
}

void TDocSelection::Invert() {
  std::swap(FStartElement, FEndElement);
  std::swap(StartPos, EndPos);
}

TElement* TDocSelection::RealStartElement() const { return Inverted() ? FEndElement : FStartElement; }
TElement* TDocSelection::RealEndElement() const { return Inverted() ? FStartElement : FEndElement; }
int TDocSelection::RealStartPos() const { return Inverted() ? EndPos : StartPos; }
int TDocSelection::RealEndPos() const { return Inverted() ? StartPos : EndPos; }

void TDocSelection::Clear() {
  if (!Empty() && FDocument) {
    FDocument->NeedRepaint = true;
    FDocument->fCacheReady = false;
  }
  FStartElement = FEndElement = nullptr;
  StartPos = EndPos = 0;
  CellMode = SingleTable = false;
}

void TDocSelection::SelectAll() {
  TElement* body = FDocument ? FDocument->BodyElement : nullptr;
  if (!body) return;
  SetStartElement(body->NextVisibleElement());
  StartPos = StartElement() ? startPosOf(StartElement()) : 0;
  SetEndElement(lastOf(body));
  EndPos = endPosOf(EndElement());
}

void TDocSelection::UpdateCellMode() {
  if (!FStartElement || !FEndElement) {
    if (!FStartElement) CellMode = false;
    SingleTable = false;
    return;
  }
  TElement* c1 = cellOf(FStartElement);
  TElement* c2 = cellOf(FEndElement);
  if (c1 && c2 && c1 != c2 && isCell(c1) && isCell(c2)) {
    TElement* t1 = tableOf(c1);
    TElement* t2 = tableOf(c2);
    if (t1 != t2) {
      // The cell of a nested table is lifted to the outer table's cell
      // that contains it.
      if (t1 && t2 && t1->HasAsParent(t2)) {
        if (TElement* up = cellAbove(c1)) c1 = up;
      } else if (t1 && t2 && t2->HasAsParent(t1)) {
        if (TElement* up = cellAbove(c2)) c2 = up;
      }
    }
    CellMode = true;
    FStartElement = c1;
    FEndElement = c2;
    SingleTable = tableOf(c1) == tableOf(c2);
    StartPos = 0;
    EndPos = 1;
  } else if (c1 && c1 == c2 && CellMode) {
    FStartElement = FEndElement = c1;
    SingleTable = true;
    StartPos = 0;
    EndPos = 1;
  } else {
    if (!c1 && !c2) CellMode = false;
    SingleTable = false;
  }
  if (!c1 && c2 && isCell(c2)) {
    // A text selection from outside any cell that already takes a whole
    // neighbour cell selects cells.
    const THtTableHooks& hooks = HtTableHooks();
    TElement* next = hooks.NextCell(*c2);
    TElement* previous = hooks.PreviousCell(*c2);
    if ((next && FullSelected(next)) || (previous && FullSelected(previous))) CellMode = true;
  }
}

// --- Coverage -------------------------------------------------------------------------

bool TDocSelection::InSelection(const TElement* E) const {
  if (!E || Empty()) return false;
  TElement* rs = RealStartElement();
  TElement* re = RealEndElement();
  if (!CellMode || !SingleTable) {
    bool r = rs->Index <= E->Index && E->Index <= re->Index;
    if (r && E->IsReplacedElement() && E == rs && RealStartPos() == 1) r = false;
    if (r && E == re)
      if (const TTextElement* t = asText(E); t && RealEndPos() < t->FirstChar()) r = false;
    // The content of the end cell counts as selected.
    if (!r && CellMode && E->Index > re->Index) r = E->HasAsParent(re);
    return r;
  }
  TElement* s = rs;
  TElement* t = re;
  if (!isCell(s) || !isCell(t)) return false;
  TElement* table = tableOf(t);
  if (E->Tag() == u"col" && E->Parent() == table) {
    const int col = E->TagIndex();
    return colOf(s) <= col && col <= colOf(t);
  }
  if (E->Index < s->Index || (E->Index > t->Index && !E->HasAsParent(t))) {
    if (E != tableOf(s)) return false;
    const THtTableHooks& hooks = HtTableHooks();
    if (table && colOf(s) == 0 && rowOf(s) == 0 && rowOf(t) + rowSpanOf(t) == hooks.RowCount(*table) &&
        colOf(t) + colSpanOf(t) == hooks.ColCount(*table))
      return true;
  }
  if (isRow(E) && tableOf(E) == table) {
    const int row = rowOf(E);
    return rowOf(s) <= row && row <= rowOf(t);
  }
  const TElement* c = E;
  while (c && !(isCell(c) && tableOf(c) == table)) c = c->Parent();
  if (!c) return false;
  const int row = rowOf(c), col = colOf(c);
  return rowOf(s) <= row && row <= rowOf(t) && colOf(s) <= col && col <= colOf(t) + colSpanOf(t) - 1;
}

bool TDocSelection::PartiallyInSelection(const TElement* E) const {
  if (!E || Empty()) return false;
  const bool r = InSelection(E);
  if (r || asText(E)) return r;
  if (CellMode) {
    const TElement* table = E->Tag() == u"table" ? E
                            : E->Tag() == u"col" ? nullptr
                                                 : static_cast<TElement*>(E->UpTo(u"table"));
    if (table && ((isCell(FStartElement) && tableOf(FStartElement) == table) ||
                  (isCell(FEndElement) && tableOf(FEndElement) == table)))
      return true;
  }
  TElement* rs = RealStartElement();
  TElement* re = RealEndElement();
  const TElement* last = lastOf(E);
  if (E->Index <= rs->Index && rs->Index <= last->Index) return true;
  if (E->Index >= re->Index) return r;
  return last->Index >= re->Index ? true : r;
}

bool TDocSelection::FullSelected(const TElement* E) const {
  if (!E || Empty()) return false;
  TElement* rs = RealStartElement();
  TElement* re = RealEndElement();
  const int rsPos = RealStartPos(), rePos = RealEndPos();
  if (E == re && dynamic_cast<const TImageElement*>(E)) return true;
  int64_t startIndex = rs->Index;
  if (CellMode) {
    if (SingleTable) return InSelection(E);
    if (E->Tag() == u"table" && isCell(rs) && tableOf(rs) == E && rowOf(rs) == 0 && colOf(rs) == 0) {
      if (!inside(re, E)) return true;
      if (isCell(re) && re == HtTableHooks().LastCell(*E)) return true;
    }
    if (rs->Index <= E->Index && E->Index <= re->Index) return true;
    if (E->Index > re->Index && E->HasAsParent(re)) return true;
  }
  // Wrappers that begin exactly where the selection begins count as
  // starting with it.
  if (rs->HasAsParent(E) && asText(rs) && rs->Parent() && rs->Parent()->FirstNonEmptyChild() == rs &&
      rsPos <= asText(rs)->FirstChar()) {
    TElement* p = rs->Parent();
    while (p != E && p->Parent() && tagIn(p->Parent(), {u"b", u"i", u"u", u"s", u"span", u"li", u"a"}) &&
           p->Parent()->Count() == 1)
      p = p->Parent();
    bool wrapped;
    if (p == E)
      wrapped = tagIn(p, {u"b", u"i", u"u", u"s", u"a", u"span", u"li", u"p", u"blockquote", u"div"});
    else
      wrapped = p->Parent() == E && E->FirstNonEmptyChild() == p && (CellMode || !tagIn(p, {u"td", u"tr"}));
    if (wrapped) startIndex = E->Index;
  }
  const TElement* last = lastOf(E);
  const bool r = E->Index >= startIndex &&
                 (last->Index < re->Index || (last->Index == re->Index && lastCharOf(re) < rePos));
  const TTextElement* t = asText(E);
  if (!t) return r;
  if (rs->Index >= E->Index && !(E == rs && t->FirstChar() >= rsPos)) return false;
  if (E->Index < re->Index) return true;
  return E == re && t->LastChar() < rePos;
}

// --- Touch handles -----------------------------------------------------------------------

bool TDocSelection::AtPoint(int X, int Y, bool& Left) const {
  if (Empty()) return false;
  float scale = 1.0f;
  if (FDocument && FDocument->Surface) scale = FDocument->Surface->Scene.Scale;
  const int r = scale > 0 ? RoundHalfEven(30.0 / std::sqrt(double(scale))) : 30;
  auto within = [](int V, int Centre, int R) { return Centre - R <= V && V <= Centre + R; };
  const int lx = RoundHalfEven(LeftPoint.X), ly = RoundHalfEven(LeftPoint.Y);
  const int rx = RoundHalfEven(RightPoint.X), ry = RoundHalfEven(RightPoint.Y);
  if (lx <= X && X <= rx && LeftPoint.Y == RightPoint.Y) {
    // Both handles on one line: the nearer one.
    if (!within(Y, ly, r)) return false;
    Left = (RightPoint.X - float(X)) > (float(X) - LeftPoint.X);
    return true;
  }
  if (within(X, rx, r) && within(Y, ry, r)) {
    Left = false;
    return true;
  }
  if (within(X, lx, r) && within(Y, ly, r)) {
    Left = true;
    return true;
  }
  return false;
}

// --- Absolute positions ---------------------------------------------------------------------

namespace {

int absolutePosition(TElement* E, int Pos) {
  const int before = E->AbsoluteLinePosition();
  if (const TTextElement* t = asText(E)) return before + t->VisibleCharIndex(Pos);
  return before + Pos;
}

}  // namespace

int TDocSelection::AbsoluteStart() const {
  if (Empty()) return 0;
  return absolutePosition(RealStartElement(), RealStartPos());
}

int TDocSelection::AbsoluteEnd() const {
  if (Empty()) return 0;
  return absolutePosition(RealEndElement(), RealEndPos());
}

void TDocSelection::SetAbsoluteStart(int Value) {
  if (!FDocument) return;
  int a = Value;
  for (TElement* e = FDocument; e; e = e->NextElement()) {
    const int d = e->AbsolutePositionDelta();
    const int v = a - d;
    if (v < 0 || (!CellMode && a == d)) {
      SetStartElement(e);
      if (TTextElement* t = asText(e)) {
        StartPos = t->CharIndexFromVisible(a);
        if (StartPos < t->FirstChar()) StartPos = t->FirstChar();
      } else {
        StartPos = a;
      }
      return;
    }
    a = v;
  }
}

void TDocSelection::SetAbsoluteEnd(int Value) {
  if (!FDocument) return;
  int a = Value;
  TElement* lastVisited = nullptr;
  for (TElement* e = FDocument; e; e = e->NextElement()) {
    lastVisited = e;
    const int d = e->AbsolutePositionDelta();
    const int v = a - d;
    if (v < 0 || (!CellMode && v <= 1)) {
      if (TTextElement* t = asText(e)) EndPos = t->CharIndexFromVisible(a);
      else EndPos = v < 0 ? d - a : v;
      SetEndElement(e);
      return;
    }
    a = v;
  }
  if (lastVisited) {
    SetEndElement(lastVisited);
    EndPos = lastCharOf(lastVisited);
  }
}

void TDocSelection::SaveSelection() {
  if (Empty()) {
    FSavedStart = FSavedEnd = -1;
  } else if (CellMode) {
    // A cell is kept as a position inside its first line element: before
    // its first character for the start, after it for the end. Positions
    // between two elements are written back into the element before them
    // (an end) or into the first element that starts there, so the
    // position just before the line element would restore the cell before.
    auto keep = [](TElement* Cell) {
      TElement* line = Cell->NextLineElement();
      return line && line->HasAsParent(Cell) ? line : Cell;
    };
    TElement* q = keep(FStartElement);
    TElement* p = keep(FEndElement);
    const TTextElement* pt = asText(p);
    FSavedStart = asText(q) ? absolutePosition(q, asText(q)->FirstChar()) : q->AbsoluteLinePosition();
    FSavedEnd = pt && pt->LastChar() >= pt->FirstChar() ? absolutePosition(p, pt->FirstChar() + 1)
                                                        : p->AbsoluteLinePosition();
  } else {
    FSavedStart = AbsoluteStart();
    FSavedEnd = AbsoluteEnd();
  }
  FSavedCellMode = CellMode;
}

void TDocSelection::RestoreSelection() {
  if (FSavedStart < 0) {
    Clear();
    return;
  }
  CellMode = false;
  SingleTable = false;
  SetAbsoluteStart(FSavedStart);
  SetAbsoluteEnd(FSavedEnd);
  if (FSavedCellMode) {
    CellMode = true;
    if (FStartElement && !isCellTag(FStartElement))
      if (TElement* c = cellAbove(FStartElement)) FStartElement = c;
    if (FEndElement && !isCellTag(FEndElement))
      if (TElement* c = cellAbove(FEndElement)) FEndElement = c;
    CellMode = isCell(FStartElement) && isCell(FEndElement);
    // A block of one table comes back as one: without this the restored
    // block would select every cell between its corners in document order.
    SingleTable = CellMode && tableOf(FStartElement) == tableOf(FEndElement);
    if (CellMode) {
      StartPos = 0;
      EndPos = 1;
    }
  }
}

// --- Shaping the ends ------------------------------------------------------------------------

void TDocSelection::ShrinktoText() {
  if (Empty() || CellMode) return;
  if (Inverted()) Invert();
  TElement* body = FDocument ? FDocument->BodyElement : nullptr;
  if (body && FStartElement == body && FEndElement == body) {
    FEndElement = lastOf(body);
    if (FEndElement) EndPos = endPosOf(FEndElement);
  }
  if (FStartElement != FEndElement)
    if (TTextElement* t = asText(FStartElement); t && t->LastChar() < StartPos) {
      TElement* next = t->NextLineElement();
      if (next && next->NearestBlockParent() == t->NearestBlockParent()) {
        FStartElement = next;
        StartPos = 1;
      }
    }
  while (FStartElement && FStartElement != FEndElement && !FStartElement->IsLineElement()) {
    FStartElement = FStartElement->NextElement();
    StartPos = 1;
  }
  if (FEndElement && !FEndElement->IsLineElement()) {
    while (FEndElement && FEndElement != FStartElement && !FEndElement->IsLineElement())
      FEndElement = FEndElement->PreviousElement();
    if (FEndElement) EndPos = endPosOf(FEndElement);
  }
  UpdateCellMode();
}

// --- Measures ----------------------------------------------------------------------------------

int TDocSelection::VisibleLength() const {
  if (Empty()) return 0;
  TElement* s = RealStartElement();
  TElement* e = RealEndElement();
  const int sPos = RealStartPos(), ePos = RealEndPos();
  THtLineBlock* b1;
  int n;
  if (s->IsReplacedElement()) {
    b1 = s->FirstRun();
    n = 1;
  } else if (TTextElement* t = asText(s)) {
    b1 = t->CharBlock(sPos);
    n = b1 ? b1->LastChar() - sPos + 1 : 0;
  } else {
    b1 = s->FirstRun();
    n = 0;
  }
  THtLineBlock* b2;
  if (e->IsReplacedElement()) {
    b2 = e->FirstRun();
    n += 1;
  } else if (TTextElement* t = asText(e)) {
    b2 = t->CharBlock(ePos);
    if (b2 && b2 == b1) n = ePos - sPos;
    else if (b2) n += ePos - b2->Start;
  } else {
    b2 = e->FirstRun();
  }
  if (b1 && b1 != b2)
    for (THtLineBlock* b = b1->NextVisible(); b && b != b2; b = b->NextVisible()) n += b->VisibleLength();
  return n;
}

int TDocSelection::SelectedFontCount() const {
  if (Empty()) return 0;
  TElement* s = RealStartElement();
  TElement* e = RealEndElement();
  std::set<String> names;
  for (TElement* x = s; x; x = x->NextElement()) {
    if (TTextElement* t = asText(x); t && t->Font) names.insert(UpperCaseSameLength(t->Font->RealName));
    if (x == e) break;
  }
  return int(names.size());
}

TElement* TDocSelection::LastSelected() const {
  TElement* e = RealEndElement();
  if (const TTextElement* t = asText(e); t && RealEndPos() <= t->FirstChar()) return e->PreviousLineElement();
  return e;
}

TElement* TDocSelection::TopElement() const {
  if (Empty()) throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"doc_selection.cpp", __LINE__);
  TElement* e = RealEndElement();
  TElement* p = RealStartElement();
  if (asText(p)) p = p->Parent();
  while (p && !inside(e, p)) p = p->Parent();
  while (p && displayIn(p, {dsInline, dsInlineBlock}) && p->Count() == 1 && p->Parent()) p = p->Parent();
  while (p && displayIn(p, {dsTableRow, dsTableRowGroup})) p = p->Parent();
  return p ? p : FDocument;
}

// --- Cells --------------------------------------------------------------------------------------

TElement* TDocSelection::TopCell() const {
  if (Empty()) return nullptr;
  TElement* c = cellAbove(FStartElement);
  return c && c == cellAbove(FEndElement) ? c : nullptr;
}

TElement* TDocSelection::FirstCell() const {
  if (Empty()) return nullptr;
  TElement* e = RealEndElement();
  for (TElement* x = RealStartElement(); x && x != e; x = x->NextElement())
    if (isCell(x)) return x;
  return isCell(e) ? e : nullptr;
}

TElement* TDocSelection::LastCell() const {
  TElement* c = FirstCell();
  if (!c) return nullptr;
  TElement* e = RealEndElement();
  const THtTableHooks& hooks = HtTableHooks();
  while (c && c->Index < e->Index) {
    TElement* next = hooks.NextCell(*c);
    if (!next || next->Index > e->Index) break;
    c = next;
  }
  return c;
}

bool TDocSelection::IsTopSelectedCell(const TElement* E) const {
  if (Empty() || !CellMode || !isCell(E)) return false;
  TElement* t1 = isCell(FStartElement) ? tableOf(FStartElement) : nullptr;
  TElement* t2 = isCell(FEndElement) ? tableOf(FEndElement) : nullptr;
  TElement* table = tableOf(E);
  if (table && (table == t1 || table == t2)) return true;
  return !(t1 && inside(E, t1)) && !(t2 && inside(E, t2));
}

int TDocSelection::SelectedRows() const {
  if (Empty() || !CellMode || !SingleTable) return 0;
  TElement* s = RealStartElement();
  TElement* e = RealEndElement();
  if (!isCell(s) || !isCell(e)) return 0;
  return rowOf(e) - rowOf(s) + 1;
}

int TDocSelection::SelectedCols() const {
  if (Empty() || !CellMode || !SingleTable) return 0;
  TElement* s = RealStartElement();
  TElement* e = RealEndElement();
  if (!isCell(s) || !isCell(e)) return 0;
  if (s == e) return 1;
  return colOf(e) + colSpanOf(e) - colOf(s);
}

TElement* TDocSelection::SelectedTable() const {
  if (Empty() || !CellMode || !SingleTable || !isCell(FStartElement)) return nullptr;
  return tableOf(FStartElement);
}

// --- Whole selection and text -------------------------------------------------------------------

bool TDocSelection::AllSelected() const {
  if (Empty() || !FDocument || !FDocument->BodyElement) return false;
  TElement* body = FDocument->BodyElement;
  return RealStartElement() == body->NextVisibleElement() && RealStartPos() <= 1 &&
         RealEndElement() == lastOf(body) && RealEndPos() >= lastCharOf(FEndElement);
}

String TDocSelection::Text() const { return FDocument ? FDocument->GetSelectedText() : String(); }

void TDocSelection::SetText(StringView Value) {
  if (CellMode || Empty()) return;
  if (Inverted()) Invert();
  if (EndPos == 0 && FEndElement->PreviousLineElement() == FStartElement) {
    SetEndElement(FStartElement);
    EndPos = endPosOf(FStartElement);
  }
  TTextElement* t = asText(FStartElement);
  if (FStartElement != FEndElement || !t) return;
  // Caret positions index the prepared text, which keeps the content's
  // positions (collapsed white space stays in it as blank runs), so the
  // content is edited at those positions and text-transform stays out of
  // what is stored.
  String s = t->Content();
  const int size = int(s.size());
  const int from = std::clamp(StartPos, 1, size + 1) - 1;
  const int to = std::clamp(EndPos, from + 1, size + 1) - 1;
  s.replace(size_t(from), size_t(to - from), Value);
  t->SetAndPrepareContent(s);
  // The selection stays over the inserted text, so a replace-all resumes
  // after it.
  StartPos = from + 1;
  EndPos = from + 1 + int(Value.size());
  if (FDocument) FDocument->Refresh();
}

}  // namespace ht
