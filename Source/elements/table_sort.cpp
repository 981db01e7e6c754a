// The data grid's sorting, grouping and column moves. Sorting reorders the
// body row list only (the tree keeps the markup's order); each run of rows
// between group rows is sorted on its own, over keys made once per row.
#include <algorithm>
#include <string>
#include <vector>

#include "document/computed_style.h"
#include "document/document.h"
#include "elements/table_element.h"
#include "elements/table_util.h"
#include "markup/date_utils.h"
#include "markup/html_writer.h"
#include "markup/str_utils.h"
#include "layout/layout_style.h"
#include "markup/xml_node.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/format.h"

namespace ht {

using namespace table_util;

namespace {

bool isGroupRow(const THtNode* R) { return R->GetAttribute(u"class") == u"group"; }
bool isTotalRow(const THtNode* R) { return R->GetAttribute(u"class") == u"total"; }

TElement* childTagged(TElement* E, StringView Tag) {
  for (int i = 0; E && i < E->Count(); ++i)
    if (tagIs(E->ChildNodes(i), Tag)) return AsElement(E->ChildNodes(i));
  return nullptr;
}

bool classHas(const THtNode* Cell, StringView Word) {
  return Cell->GetAttribute(u"class").find(Word) != String::npos;
}

enum class TKeyKind { Text, Float, Date };

struct TRowKey {
  bool Missing = true;
  double Number = 0;
  std::string Text;
};

String withoutSpaces(const String& S) {
  String t;
  t.reserve(S.size());
  for (char16_t c : S)
    if (c != u' ') t += c;
  return t;
}

// Hides a cell of the grouped column: the "desc" tag keeps it hidden
// through restyles.
void hideCell(TElement* Cell) {
  Cell->SetTag(u"desc");
  if (TElementStyle* st = ElementStyleOf(Cell)) st->SetDisplay(dsNone);
}

}  // namespace

// --- Sorting ------------------------------------------------------------------------

void TTableElement::sortBody() {
  const int n = BodyCount();
  std::vector<TElement*> rows(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) rows[size_t(i)] = static_cast<TElement*>(Body->Get(i));
  // One comparison for the whole column: numbers when the column's first
  // cell says "float", dates when it says "date" and every cell reads as
  // one, else the collation of the texts.
  std::vector<String> texts(static_cast<size_t>(n));
  std::vector<TTableCell*> cells(static_cast<size_t>(n), nullptr);
  TTableCell* first = nullptr;
  for (int i = 0; i < n; ++i) {
    auto* row = childAs<TTableRow>(rows[size_t(i)]);
    if (!row || isGroupRow(row)) continue;
    TTableCell* c = row->Cells(SortColumn);
    cells[size_t(i)] = c;
    if (!c) continue;
    texts[size_t(i)] = c->GetRawInnerText();
    if (!first && !isTotalRow(row)) first = c;
  }
  TKeyKind kind = TKeyKind::Text;
  if (first && classHas(first, u"float")) kind = TKeyKind::Float;
  else if (first && classHas(first, u"date")) kind = TKeyKind::Date;
  std::vector<TRowKey> keys(static_cast<size_t>(n));
  if (kind == TKeyKind::Date)
    for (int i = 0; i < n; ++i) {
      if (!cells[size_t(i)]) continue;
      try {
        // The empty mask is chosen from each text's shape.
        keys[size_t(i)].Number = ParseDateTimeMask(texts[size_t(i)], u"");
      } catch (const Exception&) {
        kind = TKeyKind::Text;
        break;
      }
    }
  for (int i = 0; i < n; ++i) {
    if (!cells[size_t(i)]) continue;
    TRowKey& k = keys[size_t(i)];
    k.Missing = false;
    if (kind == TKeyKind::Float) k.Number = FastStrToFloat(withoutSpaces(texts[size_t(i)]));
    else if (kind == TKeyKind::Text) k.Text = CollationKey(texts[size_t(i)]);
  }
  const bool asc = FSortAscending;
  auto before = [&](int a, int b) {
    const TRowKey& x = keys[size_t(a)];
    const TRowKey& y = keys[size_t(b)];
    int r;
    if (x.Missing || y.Missing) r = x.Missing == y.Missing ? 0 : x.Missing ? -1 : 1;
    else if (kind == TKeyKind::Text) r = x.Text < y.Text ? -1 : y.Text < x.Text ? 1 : 0;
    else r = x.Number < y.Number ? -1 : y.Number < x.Number ? 1 : 0;
    return (asc ? r : -r) < 0;
  };
  // Runs between group rows; total rows end their run in their order.
  std::vector<int> order;
  order.reserve(static_cast<size_t>(n));
  std::vector<int> run, totals;
  auto flush = [&] {
    std::stable_sort(run.begin(), run.end(), before);
    order.insert(order.end(), run.begin(), run.end());
    order.insert(order.end(), totals.begin(), totals.end());
    run.clear();
    totals.clear();
  };
  for (int i = 0; i < n; ++i) {
    TElement* r = rows[size_t(i)];
    if (isGroupRow(r)) {
      flush();
      order.push_back(i);
    } else if (isTotalRow(r)) {
      totals.push_back(i);
    } else {
      run.push_back(i);
    }
  }
  flush();
  Body->Clear();
  for (int i : order) Body->Add(rows[size_t(i)]);
}

void TTableElement::Sort(int Col, bool Asc) {
  (void)Asc;
  if (!Body) Prepare();
  const bool asc = Col != SortColumn ? true : !FSortAscending;
  if (HeaderCount() > 0) {
    if (SortColumn >= 0)
      if (TElement* a = childTagged(HeaderCell(SortColumn), u"a")) {
        a->RemoveClass(u"sort-up");
        a->RemoveClass(u"sort-down");
      }
    if (Col >= 0)
      if (TElement* a = childTagged(HeaderCell(Col), u"a")) a->AddClass(asc ? u"sort-up" : u"sort-down");
  }
  SortColumn = Col;
  FSortAscending = asc;
  if (Col >= 0) sortBody();
  // The tree keeps its order: only numbers a tree edit left stale change.
  if (Document && Document->FIndexesDirty) Document->RecalcIndexes();
  // Without row spans each row keeps its cells' columns.
  if (HasTableFlag(tfHasRowspans)) BuildGrid();
  else renumberRows(0);
  FSorted = true;
  if (Document) {
    Document->Changed = true;
    Document->NeedRecalc = true;
  }
}

void TTableElement::FastInnerHTML(TFastString& FS) {
  // Sorted rows are written in their order: they move into the first body
  // section first, so the tree holds that order too.
  if (FSorted && TBodies && TBodies->Count() > 0 && Body) {
    auto* first = static_cast<TElement*>(TBodies->Get(0));
    for (int i = 0; i < BodyCount(); ++i) first->Add(static_cast<TElement*>(Body->Get(i)));
  }
  TElement::FastInnerHTML(FS);
}

// --- Grouping -----------------------------------------------------------------------

void TTableElement::insertGroupRow(int I, StringView Text) {
  auto* at = static_cast<TElement*>(Body->Get(I));
  TElement* parent = at->Parent() ? at->Parent() : this;
  auto* row = static_cast<TTableRow*>(parent->AddChild(&TTableRow::ClassType));
  row->SetTag(u"tr");
  row->TagType = htIdent;
  if (at->Parent()) parent->InsertBefore(at, row);
  Body->Insert(I, row);
  row->Table = this;
  const String shown = IsBlankString(Text) ? String(u"-") : EscapeHtmlText(Text);
  row->SetOuterHTML(u"<tr class=\"group\"><td colspan=\"" + Format(u"%d", int(ColCount)) + u"\">" + shown +
                    u"</td></tr>");
  // Still a row of the table: its restyle must not prepare the grid again,
  // which would bring back the tree's order of the rows.
  if (TElementStyle* st = ElementStyleOf(row)) st->SetDisplay(dsTableRow);
}

void TTableElement::Group(int Col) {
  if (!Body) Prepare();
  if (BodyCount() == 0) return;
  editing(true, [&] {
    for (int i = 0; i < HeaderCount(); ++i)
      if (TTableRow* r = childAs<TTableRow>(Header->Get(i)))
        if (TTableCell* c = r->Cells(Col)) {
          hideCell(c);
          if (c->Attributes()) c->Attributes()->ClearAttr(u"class");
        }
    if (Col != SortColumn) SetSortColumn(Col);
    auto textOf = [&](int i) {
      TTableRow* r = childAs<TTableRow>(Body->Get(i));
      TTableCell* c = r ? r->Cells(Col) : nullptr;
      return c ? c->GetRawInnerText() : String();
    };
    String value = textOf(0);
    if (TTableRow* r = childAs<TTableRow>(Body->Get(0)))
      if (TTableCell* c = r->Cells(Col)) hideCell(c);
    insertGroupRow(0, value);
    for (int i = 1; i < BodyCount(); ++i) {
      auto* r = static_cast<TElement*>(Body->Get(i));
      if (!isTotalRow(r)) {
        const String text = textOf(i);
        if (text != value) {
          value = text;
          insertGroupRow(i, value);
          ++i;
        }
      }
      if (TTableRow* row = childAs<TTableRow>(Body->Get(i)))
        if (TTableCell* c = row->Cells(Col)) hideCell(c);
    }
    RowCount = HeaderCount() + BodyCount();
    renumberRows(0);
  });
}

void TTableElement::Ungroup(StringView ColName, int NewIndex) {
  if (!Body) Prepare();
  // The header cell shown at NewIndex: hidden cells of a grouped column
  // keep the column they had.
  TTableCell* target = HeaderCell(NewIndex);
  if (target && DisplayOf(target) == dsNone) {
    target = nullptr;
    for (int i = HeaderCount() - 1; i >= 0 && !target; --i) {
      auto* r = static_cast<TElement*>(Header->Get(i));
      for (int k = 0; k < r->Count() && !target; ++k)
        if (auto* c = childAs<TTableCell>(r->ChildNodes(k));
            c && DisplayOf(c) != dsNone && NewIndex >= c->Col && NewIndex < c->Col + c->ColSpan)
          target = c;
    }
  }
  TTableCell* matching = nullptr;
  for (int i = 0; i < HeaderCount(); ++i) {
    TElement* r = static_cast<TElement*>(Header->Get(i));
    for (int k = 0; k < r->Count(); ++k)
      if (auto* c = childAs<TTableCell>(r->ChildNodes(k)); c && c->GetAttribute(u"field") == ColName) {
        c->SetTag(u"th");
        matching = c;
        break;
      }
  }
  // Without the column's header cell nothing is grouped by it.
  if (!matching) return;
  editing(true, [&] {
    for (int i = BodyCount() - 1; i >= 0; --i) {
      auto* r = static_cast<TElement*>(Body->Get(i));
      if (!isGroupRow(r)) continue;
      Body->Delete(i);
      freeRow(r);
    }
    for (int i = 0; i < BodyCount(); ++i) {
      auto* r = static_cast<TElement*>(Body->Get(i));
      for (int k = 0; k < r->Count(); ++k)
        if (auto* c = childAs<TTableCell>(r->ChildNodes(k)); c && c->GetAttribute(u"field") == ColName) c->SetTag(u"td");
    }
    RowCount = HeaderCount() + BodyCount();
    renumberRows(0);
  });
  // The restored column's place comes from the grid rebuilt with it.
  if (Document) Document->RecalcStyles();
  BuildGrid();
  if (target && target != matching) MoveColumn(matching->Col, target->Col);
}

// --- Column moves -------------------------------------------------------------------

void TTableRow::MoveCell(int Index, int NewIndex) {
  TTableCell* a = Cells(Index);
  TTableCell* b = Cells(NewIndex);
  if (!a || !b || a == b) return;
  const int ia = a->NodeIndex(), ib = b->NodeIndex();
  const uint16_t bCol = b->Col;
  if (ib < ia) {
    for (int k = ib; k < ia; ++k)
      if (auto* c = table_util::childAs<TTableCell>(ChildNodes(k))) c->Col = uint16_t(c->Col + 1);
    a->Col = bCol;
    InsertBefore(b, a);
  } else {
    for (int k = ia + 1; k <= ib; ++k)
      if (auto* c = table_util::childAs<TTableCell>(ChildNodes(k)); c && c->Col > 0) c->Col = uint16_t(c->Col - 1);
    a->Col = bCol;
    InsertAfter(b, a);
  }
}

void TTableElement::MoveColumn(int Index, int NewIndex) {
  if (Index == NewIndex) {
    if (Document) Document->NeedRepaint = true;
    return;
  }
  if (!Body) Prepare();
  TTableCell* sortCell = SortColumn >= 0 ? HeaderCell(SortColumn) : nullptr;
  for (int i = 0; i < HeaderCount(); ++i)
    if (TTableRow* r = childAs<TTableRow>(Header->Get(i))) r->MoveCell(Index, NewIndex);
  if (sortCell) SortColumn = sortCell->Col;
  for (int i = 0; i < BodyCount(); ++i)
    if (TTableRow* r = childAs<TTableRow>(Body->Get(i)); r && !r->HasClass(u"group")) r->MoveCell(Index, NewIndex);
  if (Index >= 0 && NewIndex >= 0 && ColDescCount - 1 >= std::max(Index, NewIndex) &&
      int(ColDesc.size()) >= ColDescCount) {
    TElement* moving = ColDesc[size_t(Index)];
    TElement* to = ColDesc[size_t(NewIndex)];
    if (moving != to && to->Parent()) {
      if (Index < NewIndex) to->Parent()->InsertAfter(to, moving);
      else to->Parent()->InsertBefore(to, moving);
      ColDesc.erase(ColDesc.begin() + Index);
      ColDesc.insert(ColDesc.begin() + NewIndex, moving);
    }
  }
  BuildGrid();
  PrepareColumns();
  if (Document) {
    if (Document->AfterTableColumnMoved) Document->AfterTableColumnMoved(this, Index, NewIndex);
    Document->Changed = true;
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
  }
}

// --- Header drops -------------------------------------------------------------------

bool TTableCell::HeaderDropped(TElement* Target) {
  if (!tagIs(this, u"th") || !Target) return false;
  TTableElement* t = Table();
  if (!t) return false;
  if (auto* other = childAs<TTableCell>(Target); other && tagIs(other, u"th") && other->Table() == t) {
    t->MoveColumn(Col, other->Col);
    return true;
  }
  if (!Target->HasClass(u"table-group-box") || Target->Count() > 1) return false;
  // The tag is the header cell as a div; a cell whose markup is not XML
  // gives a tag with its field and text only.
  String markup;
  try {
    THtXMLNode tag;
    tag.ParseXML(GetOuterHTML());
    tag.SetTag(u"div");
    for (int i = 0; i < tag.GetCount(); ++i)
      if (THtXMLNode* a = tag.GetNode(i); a->Tag() == u"a" && a->HasAttribute(u"onclick")) a->SetAttr(u"onclick", u"");
    tag.SetAttr(u"class", u"group-tag");
    markup = tag.XML();
  } catch (const Exception&) {
    markup = u"<div class=\"group-tag\" field=\"" + EscapeAttrValue(GetAttribute(u"field")) + u"\">" +
             EscapeHtmlText(GetRawInnerText()) + u"</div>";
  }
  auto* box = static_cast<TElement*>(Target->AddChild(Target->GetElementClass(u"div", nullptr)));
  box->SetOuterHTML(markup);
  t->Group(Col);
  if (Document) {
    Document->Changed = true;
    Document->NeedRecalc = true;
  }
  return true;
}

}  // namespace ht
