#include "elements/table_element.h"

#include <algorithm>
#include <array>

#include "css/element_style.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_util.h"
#include "layout/layout_style.h"
#include "platform/rtl/string.h"

namespace ht {

const THtNodeClass TTableElement::ClassType{"TTableElement", &TElement::ClassType,
                                            CreateInstance<TTableElement, THtNode>};
const THtNodeClass TTableRow::ClassType{"TTableRow", &TElement::ClassType, CreateInstance<TTableRow, THtNode>};
const THtNodeClass TTableCell::ClassType{"TTableCell", &TElement::ClassType, CreateInstance<TTableCell, THtNode>};

namespace {

using table_util::childAs;
using table_util::leadingInteger;
using table_util::tagIs;

TElement* asElement(THtNode* N) { return dynamic_cast<TElement*>(N); }

}  // namespace

// --- TTableElement --------------------------------------------------------------

TTableElement::TTableElement() { setStyleDisplay(dsTable); }
TTableElement::~TTableElement() {
  // Rows bound to the table, inside it or moved out of it, must not point
  // at it once it is gone. When the children went first (a tree freed from
  // above) each row already let go of the table.
  if (Count() == 0) return;
  auto unbind = [this](THtNode* N) {
    if (auto* r = childAs<TTableRow>(N); r && r->Table == this) r->Table = nullptr;
  };
  for (TElementList* list : {Header.get(), Body.get()})
    if (list)
      for (int i = 0; i < list->Count(); ++i) unbind(list->Get(i));
  auto inside = [this](THtNode* N) {
    for (THtNode* p = N->Parent(); p; p = p->Parent())
      if (p == this) return true;
    return false;
  };
  for (THtNode* n = NextNode(); n && inside(n); n = n->NextNode()) unbind(n);
}

void TTableElement::ForgetPart(TElement* E) {
  if (!E || E == this) return;
  // Every element freed is told so on its own, before its children and
  // while it and its ancestors are whole (a row also tells its table from
  // its destructor), so each entry leaves when it goes itself: E is only
  // compared, and an element that cannot be an entry costs no list walk.
  bool changed = false;
  auto drop = [&](TElementList* L, int Hint) {
    if (!L) return false;
    int at = Hint >= 0 && Hint < L->Count() && L->Get(Hint) == E ? Hint : -1;
    for (int i = L->Count() - 1; at < 0 && i >= 0; --i)
      if (L->Get(i) == E) at = i;
    if (at < 0) return false;
    L->Delete(at);
    changed = true;
    return true;
  };
  // Listed rows of the row class are bound to this table; a row the table
  // took out of its lists itself was unbound first.
  auto* row = childAs<TTableRow>(E);
  if (row ? row->Table == this : fPlainRows) {
    const int hint = row ? row->Row : -1;
    if (!drop(Header.get(), hint)) drop(Body.get(), hint - HeaderCount());
  }
  drop(TBodies.get(), -1);
  for (TElement** part : {&THead, &TFoot, &Caption})
    if (*part == E) {
      *part = nullptr;
      changed = true;
    }
  if (std::find(ColDesc.begin(), ColDesc.end(), E) != ColDesc.end()) {
    int described = 0;
    std::vector<TElement*> kept;
    for (size_t i = 0; i < ColDesc.size(); ++i) {
      if (ColDesc[i] == E) continue;
      kept.push_back(ColDesc[i]);
      if (int(i) < ColDescCount) ++described;
    }
    ColDesc = std::move(kept);
    ColDescCount = described;
    changed = true;
  }
  if (!changed) return;
  RowCount = HeaderCount() + BodyCount();
  IncludeTableFlag(tfNeedPrepare);
}

void TTableElement::freeRow(TElement* R) {
  if (auto* r = childAs<TTableRow>(R); r && r->Table == this) r->Table = nullptr;
  if (TElement* p = R->Parent()) p->DeleteChild(R);
}

void TTableElement::setGridColCount(int Value) {
  if (Value >= kMaxTableColumns) throw Exception(u"Too many table columns");
  ColCount = uint16_t(Value);
}

void TTableElement::registerRow(TElement* R, TElementList& List) {
  if (auto* row = childAs<TTableRow>(R)) {
    row->Row = RowCount;
    row->Table = this;
  } else {
    fPlainRows = true;
  }
  List.Add(R);
  ++RowCount;
}

void TTableElement::addColDesc(TElement* Col) {
  const String& span = Col->GetAttribute(u"span");
  long long n = 1;
  if (!span.empty()) {
    bool digits = false;
    const long long v = leadingInteger(span, &digits);
    if (digits) n = v;
  }
  if (n <= 0) return;
  if (ColDescCount + n >= kMaxTableColumns) throw Exception(u"Too many table columns");
  if (int(ColDesc.size()) < ColDescCount + n) ColDesc.resize(size_t(ColDescCount + n), nullptr);
  for (long long i = 0; i < n; ++i) ColDesc[size_t(ColDescCount + i)] = Col;
  ColDescCount += int(n);
}

void TTableElement::Prepare() {
  Caption = nullptr;
  for (int i = 0; i < Count(); ++i)
    if (tagIs(ChildNodes(i), u"caption")) {
      Caption = asElement(ChildNodes(i));
      break;
    }
  if (!Header) Header = std::make_unique<TElementList>(false);
  if (!Body) Body = std::make_unique<TElementList>(false);
  if (!TBodies) TBodies = std::make_unique<TElementList>(false);
  // Rows that left the table since the last Prepare are bound again only
  // when still in it.
  for (TElementList* list : {Header.get(), Body.get()})
    for (int i = 0; i < list->Count(); ++i)
      if (auto* r = childAs<TTableRow>(list->Get(i)); r && r->Table == this) r->Table = nullptr;
  Header->Clear();
  Body->Clear();
  TBodies->Clear();
  THead = TFoot = nullptr;
  TableFlags = 0;
  fPlainRows = false;
  RowCount = 0;
  ColDescCount = 0;
  ColDesc.clear();
  auto registerRows = [this](TElement* Section, TElementList& List) {
    for (int j = 0; j < Section->Count(); ++j) {
      TElement* r = asElement(Section->ChildNodes(j));
      if (r && DisplayOf(r) == dsTableRow) registerRow(r, List);
    }
  };
  for (int i = 0; i < Count(); ++i) {
    TElement* c = asElement(ChildNodes(i));
    if (!c || c->IsText()) continue;
    if (DisplayOf(c) == dsTableRow) registerRow(c, *Body);
    else if (tagIs(c, u"thead")) {
      THead = c;
      registerRows(c, *Header);
    } else if (tagIs(c, u"tbody")) {
      TBodies->Add(c);
      registerRows(c, *Body);
    } else if (tagIs(c, u"tfoot")) {
      TFoot = c;
      registerRows(c, *Body);
    } else if (tagIs(c, u"col"))
      addColDesc(c);
    else if (tagIs(c, u"colgroup"))
      for (int j = 0; j < c->Count(); ++j)
        if (tagIs(c->ChildNodes(j), u"col"))
          if (TElement* col = asElement(c->ChildNodes(j))) addColDesc(col);
  }
  auto firstCaption = [](TElement* Section) -> TElement* {
    for (int j = 0; j < Section->Count(); ++j)
      if (tagIs(Section->ChildNodes(j), u"caption")) return asElement(Section->ChildNodes(j));
    return nullptr;
  };
  if (!Caption && THead) Caption = firstCaption(THead);
  if (!Caption && TBodies->Count() > 0) Caption = firstCaption(static_cast<TElement*>(TBodies->Get(0)));
  if (TBodies->Count() == 0) {
    auto* tb = static_cast<TElement*>(AddChild(&TElement::ClassType));
    tb->SetTag(u"tbody");
    tb->TagType = htIdent;
    if (Document && Document->Styles) tb->CalcStyle(Document->Styles.get());
    if (HasFlag(efHasOutOfFlowElements)) tb->IncludeFlag(efHasOutOfFlowElements);
    if (HasFlag(efHasFloatElements)) tb->IncludeFlag(efHasFloatElements);
    TBodies->Add(tb);
    // Rows written straight into the table move into the section; rows of
    // a tfoot stay in their own section.
    for (int i = 0; i < Body->Count(); ++i) {
      auto* r = static_cast<TElement*>(Body->Get(i));
      if (r->Parent() == this) tb->Add(r);
    }
  }
  BuildGrid();
}

void TTableElement::BuildGrid() {
  ColCount = 0;
  // For each column, how many further rows a row-spanning cell still covers,
  // and the last row that consumed or set it.
  std::array<uint16_t, kMaxTableColumns> carry{};
  std::array<int, kMaxTableColumns> touched;
  touched.fill(-1);
  int spanEnd = 0;  // one past the last column a counter was set in
  auto visit = [&](TElement* R, int Index) {
    auto* row = childAs<TTableRow>(R);
    if (row) row->Row = Index;
    int c = -1;
    for (int k = 0; k < R->Count(); ++k) {
      TTableCell* cell = childAs<TTableCell>(R->ChildNodes(k));
      if (!cell || DisplayOf(cell) == dsNone) continue;
      ++c;
      while (c < ColCount && carry[size_t(c)] > 0) {
        --carry[size_t(c)];
        touched[size_t(c)] = Index;
        ++c;
      }
      if (c == ColCount) setGridColCount(c + 1);
      cell->Col = uint16_t(c);
      const int rowSpan = cell->GetRowSpan();
      const int last = std::min(c + int(cell->ColSpan) - 1, kMaxTableColumns - 1);
      for (int j = c; j <= last; ++j) {
        carry[size_t(j)] = uint16_t(std::min(rowSpan - 1, 65535));
        touched[size_t(j)] = Index;
      }
      spanEnd = std::max(spanEnd, last + 1);
      if (c + 1 >= ColCount) setGridColCount(c + 1);
      c += cell->ColSpan - 1;
      if (c >= ColCount && c < int(ColDesc.size())) setGridColCount(c + 1);
      if (cell->ColSpan > 1) IncludeTableFlag(tfHasColspans);
      if (rowSpan > 1) IncludeTableFlag(tfHasRowspans);
    }
    if (ColCount < ColDesc.size()) setGridColCount(int(ColDesc.size()));
    // Every column still covered from above that this row's cells did not
    // pass over counts this row too.
    for (int j = 0; j < spanEnd; ++j)
      if (carry[size_t(j)] > 0 && touched[size_t(j)] != Index) --carry[size_t(j)];
  };
  int index = 0;
  if (Header)
    for (int i = 0; i < Header->Count(); ++i) visit(static_cast<TElement*>(Header->Get(i)), index++);
  if (Body)
    for (int i = 0; i < Body->Count(); ++i) visit(static_cast<TElement*>(Body->Get(i)), index++);
}

TTableRow* TTableElement::Row(int Index) const {
  const int h = Header ? Header->Count() : 0;
  THtNode* n = Index < h ? Header->Get(Index) : Body->Get(Index - h);
  return childAs<TTableRow>(n);
}

TTableCell* TTableElement::GetCells(int Col, int ARow) const {
  if (ARow >= RowCount) throw ERangeError(u"Table row index out of range");
  TTableRow* r = Row(ARow);
  return r ? r->Cells(Col) : nullptr;
}

TTableCell* TTableElement::GetLastCell() const {
  if (RowCount == 0 || ColCount == 0) return nullptr;
  return GetCells(ColCount - 1, RowCount - 1);
}

TTableCell* TTableElement::HeaderCell(int Col) const {
  if (!Header || Header->Count() == 0) return nullptr;
  if (Header->Count() == 1) {
    TTableRow* r = childAs<TTableRow>(Header->Get(0));
    return r ? r->Cells(Col) : nullptr;
  }
  for (int i = Header->Count() - 1; i >= 0; --i) {
    THtNode* r = Header->Get(i);
    for (int k = 0; k < r->Count(); ++k) {
      TTableCell* c = childAs<TTableCell>(r->ChildNodes(k));
      if (c && DisplayOf(c) == dsTableCell && c->Col == Col) return c;
    }
  }
  return nullptr;
}

TTableCell* TTableElement::BodyCell(int Index) const {
  if (!Body || Body->Count() == 0) return nullptr;
  for (int i = Body->Count() - 1; i >= 0; --i)
    if (TTableRow* r = childAs<TTableRow>(Body->Get(i)))
      if (TTableCell* c = r->Cells(Index)) return c;
  return nullptr;
}

void TTableElement::RemoveUnecessaryColspans() {
  bool reduced = false;
  for (int c = 0; c < ColCount; ++c) {
    int a = 9999, b = 1;
    std::vector<TTableCell*> starting;
    for (int r = 0; r < RowCount; ++r) {
      TTableRow* row = Row(r);
      TTableCell* cell = row ? row->Cells(c) : nullptr;
      if (!cell || cell->Col != c) continue;
      starting.push_back(cell);
      a = std::min<int>(a, cell->ColSpan);
      b = std::max<int>(b, cell->ColSpan);
    }
    if (a == b && a > 1) {
      for (TTableCell* cell : starting)
        if (cell->Attributes()) {
          cell->Attributes()->ClearAttr(u"colspan");
          cell->ColSpan = 1;
        }
      ColCount = uint16_t(ColCount - (b - 1));
      reduced = true;
    }
  }
  if (reduced) BuildGrid();
}

void TTableElement::SetInnerHTML(StringView s) {
  Header.reset();
  Body.reset();
  TBodies.reset();
  THead = TFoot = nullptr;
  TableFlags = 0;
  RowCount = 0;
  ColDescCount = 0;
  TElement::SetInnerHTML(s);
  Prepare();
}

void TTableElement::SetOuterHTML(StringView s) {
  TElement::SetOuterHTML(s);
  Prepare();
}

void TTableElement::ResetPaging() {
  fLastRowComplete = fHeaderComplete = false;
  fFirstBodyRow = fLastBodyRow = fPrevLastBodyRow = 0;
  fFirstHeaderRow = fLastHeaderRow = fPrevLastHeaderRow = 0;
}

bool TTableElement::CalcStyle(TCSSStyleSheet* Styles) {
  const bool result = TElement::CalcStyle(Styles);
  if (RowCount > 0) BuildGrid();
  const TDisplayStyle d = DisplayOf(this);
  if (d != dsTable && d != dsInlineTable) IncludeFlag(efHasBackground);
  if (!fBorderCollapse && CellBorderWidth > 0) BorderWidth = CellBorderWidth;
  ResetPaging();
  auto asGroup = [](TElement* E) {
    if (TElementStyle* st = E ? ElementStyleOf(E) : nullptr) st->SetDisplay(dsTableRowGroup);
  };
  asGroup(THead);
  if (TBodies)
    for (int i = 0; i < TBodies->Count(); ++i) asGroup(static_cast<TElement*>(TBodies->Get(i)));
  asGroup(TFoot);
  // A parsed table builds its sections and grid at its first style pass,
  // before its boxes are built.
  if (HasTableFlag(tfNeedPrepare) || !Body) {
    ExcludeTableFlag(tfNeedPrepare);
    Prepare();
  }
  return result;
}

int TTableElement::GroupRowIndex(TElement* RowElement) const {
  int i = Body ? Body->IndexOf(RowElement) : -1;
  if (i < 0) return 0;
  while (i > 0 && static_cast<TElement*>(Body->Get(i))->GetAttribute(u"class") != u"group") --i;
  return i;
}

// --- TTableRow ----------------------------------------------------------------

TTableRow::TTableRow() { setStyleDisplay(dsTableRow); }

TTableRow::~TTableRow() {
  // A document being freed whole keeps no table bookkeeping up to date.
  if (Table && !(Document && Document->Destroying)) Table->ForgetPart(this);
}

TTableCell* TTableRow::Cells(int Index) const {
  for (int k = 0; k < Count(); ++k) {
    TTableCell* c = childAs<TTableCell>(ChildNodes(k));
    if (c && Index >= c->Col && Index < c->Col + c->ColSpan) return c;
  }
  return nullptr;
}

TTableCell* TTableRow::AddCell(StringView CellHTML) {
  auto* cell = static_cast<TTableCell*>(AddChild(&TTableCell::ClassType));
  cell->SetTag(u"td");
  cell->TagType = htIdent;
  cell->SetInnerHTML(CellHTML);
  StyleChanged(true);
  return cell;
}

float TTableRow::MaxSpanHeight() const {
  float m = ContentHeight;
  for (float h : fSpanHeights) m = std::max(m, h);
  return m;
}

bool TTableRow::CalcStyle(TCSSStyleSheet* Styles) {
  const TDisplayStyle before = Style() ? DisplayOf(this) : dsTableRow;
  const bool result = TElement::CalcStyle(Styles);
  if (!Table) {
    auto* cb = dynamic_cast<TElement*>(Container);
    if (auto* t = childAs<TTableElement>(cb)) Table = t;
    else if (cb && cb->Container != cb) Table = childAs<TTableElement>(dynamic_cast<TElement*>(cb->Container));
  }
  TElementStyle* st = ElementStyleOf(this);
  if (!st) return result;
  if (!Table) {
    st->SetDisplay(dsBlock);
    return result;
  }
  if (st->Display() != dsNone) st->SetDisplay(dsTableRow);
  if (st->Display() != before) Table->IncludeTableFlag(tfNeedPrepare);
  return result;
}

// --- TTableCell ---------------------------------------------------------------

TTableCell::TTableCell() { setStyleDisplay(dsBlock); }

TTableRow* TTableCell::parentRow() const { return childAs<TTableRow>(Parent()); }

TTableElement* TTableCell::Table() const {
  if (TTableRow* r = parentRow(); r && DisplayOf(r) == dsTableRow && r->Table) return r->Table;
  for (THtNode* p = Parent(); p; p = p->Parent())
    if (tagIs(p, u"table")) return childAs<TTableElement>(p);
  return nullptr;
}

int TTableCell::GetRow() const {
  TTableRow* r = parentRow();
  return r ? r->Row : 0;
}

int TTableCell::GetRowSpan() const {
  if (!HasAttribute(u"rowspan")) return 1;
  long long v = leadingInteger(GetAttribute(u"rowspan"));
  if (v <= 0) v = 1;
  if (TTableRow* r = parentRow(); r && r->Table) v = std::min<long long>(v, std::max(1, r->Table->RowCount - r->Row));
  return int(std::min<long long>(v, 65535));
}

TTableCell* TTableCell::GetNextRowCell() const {
  for (THtNode* n = NextSibling(); n; n = n->NextSibling())
    if (auto* c = childAs<TTableCell>(n)) return c;
  return nullptr;
}

TTableCell* TTableCell::GetPreviousRowCell() const {
  for (THtNode* n = PreviousSibling(); n; n = n->PreviousSibling())
    if (auto* c = childAs<TTableCell>(n)) return c;
  return nullptr;
}

TTableCell* TTableCell::GetNextCell() const {
  if (TTableCell* c = GetNextRowCell()) return c;
  TTableElement* t = Table();
  if (t && GetRow() < t->RowCount - 1) return t->GetCells(0, GetRow() + 1);
  return nullptr;
}

TTableCell* TTableCell::GetPreviousCell() const {
  if (TTableCell* c = GetPreviousRowCell()) return c;
  TTableElement* t = Table();
  if (t && GetRow() > 0 && t->ColCount > 0) return t->GetCells(t->ColCount - 1, GetRow() - 1);
  return nullptr;
}

void TTableCell::ParseAttribute(StringView Param, StringView Value) {
  TElement::ParseAttribute(Param, Value);
  if (!SameTextAscii(Param, u"colspan")) return;
  bool digits = false;
  const long long v = leadingInteger(Value, &digits);
  if (digits) ColSpan = uint16_t(std::clamp<long long>(v, 1, 1024));
}

void TTableCell::PrepareStacking() {
  TElement::PrepareStacking();
  TElementStyle* st = ElementStyleOf(this);
  if (!st) return;
  TCSSproperties margins;
  for (TCSSProperty p : {cspMarginLeft, cspMarginTop, cspMarginRight, cspMarginBottom}) margins.set(p);
  st->DeleteProps(margins);
  MarginLeft = MarginTop = MarginRight = MarginBottom = 0;
  TTableElement* t = Table();
  if (t && t->CellPadding != 0) {
    const auto pad = float(t->CellPadding);
    if (!st->IsSet(cspPaddingTop)) PaddingTop = pad;
    if (!st->IsSet(cspPaddingLeft)) FPaddingLeft = pad;
    if (!st->IsSet(cspPaddingRight)) FPaddingRight = pad;
    if (!st->IsSet(cspPaddingBottom)) PaddingBottom = pad;
    st->GeneralProps |= GeneralBit(cgPadding);
  }
  if (TElement* p = Parent(); p && st->fDisplay == dsTableCell && !HasFlag(efHasBackground)) {
    TElementStyle* ps = ElementStyleOf(p);
    if (ps && ps->BackgroundPresent()) st->Background().Assign(ps->Background());
  }
  if (!t) {
    if (st->fDisplay != dsNone) st->SetDisplay(dsBlock);
    return;
  }
  st->PropertySet.reset(cspFloat);
  // A cell of a column the table is grouped by stays hidden.
  if (tagIs(this, u"desc")) st->SetDisplay(dsNone);
  if (st->fDisplay != dsNone) st->SetDisplay(dsTableCell);
  if (t->CellBorderWidth != 0) {
    const auto w = float(t->CellBorderWidth);
    if (!st->IsSet(cspBorderTopStyle) && !st->IsSet(cspBorderTop)) BorderTop = w;
    if (!st->IsSet(cspBorderLeftStyle) && !st->IsSet(cspBorderLeft)) BorderLeft = w;
    if (!st->IsSet(cspBorderRightStyle) && !st->IsSet(cspBorderRight)) BorderRight = w;
    if (!st->IsSet(cspBorderBottomStyle) && !st->IsSet(cspBorderBottom)) BorderBottom = w;
    st->GeneralProps |= GeneralBit(cgBorder);
  }
}

THAlign TTableCell::DefaultTextAlign() const {
  if (tagIs(this, u"th")) return thCenter;
  return TElement::DefaultTextAlign();
}

uint32_t TTableCell::DefaultBorderColor() const {
  if (TTableElement* t = Table())
    if (TElementStyle* ts = ElementStyleOf(t)) {
      uint32_t c = 0;
      if (ts->IsSet(cspBorderTopColor) && ts->GetColorProp(cspBorderTopColor, c, false, true)) return c;
    }
  return TElement::DefaultBorderColor();
}

}  // namespace ht
