// Writing the selected part of a document as HTML: only elements the
// selection reaches are written, text cut to its selected part, and an
// element's own tags only where they carry the structure or the inline
// formatting of what is selected.
#include <vector>

#include "document/document.h"
#include "document/table_hooks.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "markup/html_writer.h"

namespace ht {

namespace {

bool isInlineDisplay(TDisplayStyle d) {
  return d == dsInline || d == dsInlineBlock || d == dsInlineFlex || d == dsInlineTable;
}

bool isBlockLevel(TDisplayStyle d) {
  return d == dsBlock || d == dsTable || d == dsTableRow || d == dsTableRowGroup || d == dsListItem || d == dsFlex;
}

bool inTags(StringView Tag, std::initializer_list<StringView> Tags) {
  for (StringView t : Tags)
    if (Tag == t) return true;
  return false;
}

bool inside(const TElement* E, const TElement* Ancestor) {
  for (; E; E = E->Parent())
    if (E == Ancestor) return true;
  return false;
}

enum TSelectionWrite { swNothing, swChildren, swTagged };

// The selection's ends in document order, read once per export.
struct TEnds {
  TElement* S;
  TElement* E;
  int EndPos;
};

TSelectionWrite selectionWrite(THtDocument& Doc, TElement& E, const TEnds& Ends) {
  TDocSelection& sel = Doc.Selection;
  if (!sel.PartiallyInSelection(&E)) return swNothing;
  const bool full = sel.FullSelected(&E);
  TElement* s = Ends.S;
  TElement* e = Ends.E;
  const TDisplayStyle display = DisplayOf(&E);
  const String& tag = E.Tag();
  const THtTableHooks& tables = HtTableHooks();

  bool w = (isInlineDisplay(display) || !inTags(tag, {u"p", u"div", u"td", u"th", u"tr"})) && s->Parent() == &E;
  if (inTags(tag, {u"p", u"li", u"blockquote"}))
    w = s->Container == e->Container ? w || full : true;
  if (tag == u"table" && sel.CellMode) w = inside(s, &E) ? true : w || inside(e, &E);
  if (isBlockLevel(display) && !sel.CellMode && Ends.EndPos <= 1) {
    // A selection that merely touches the start of a block takes none of it.
    TElement* line = E.NextLineElement();
    if (line && inside(line, &E) && line->Index >= e->Index && !line->IsReplacedElement())
      return swNothing;
  }
  if (sel.CellMode && tables.IsTableRow(E)) {
    const int row = tables.Row(E);
    TElement* table = tables.Table(E);
    TElement* startCell = EnclosingTableCell(s);
    TElement* endCell = EnclosingTableCell(e);
    if (sel.SingleTable && sel.SelectedTable() == table && startCell && endCell)
      w = w || (tables.Row(*startCell) <= row && row <= tables.Row(*endCell));
    else if (startCell && table && tables.Table(*startCell) == table)
      w = w || row >= tables.Row(*startCell);
    else if (endCell && table && tables.Table(*endCell) == table)
      w = w || tables.Row(*endCell) >= row;
  }
  if (tag == u"col") w = w || sel.CellMode;
  if (!w && (!full || &E == Doc.BodyElement) && !inTags(tag, {u"span", u"b", u"i", u"u", u"s"}))
    return swChildren;
  return swTagged;
}

// Writes E's subtree as selectionWrite decides for each element, without
// recursion; text elements write themselves.
void writeSelection(THtDocument& Doc, TElement& Root, TFastString& FS) {
  struct TFrame {
    TElement* E;
    int Next;
    bool Tagged;
  };
  TDocSelection& sel = Doc.Selection;
  const TEnds ends{sel.RealStartElement(), sel.RealEndElement(), sel.RealEndPos()};
  if (!ends.S || !ends.E) return;
  std::vector<TFrame> stack;
  auto open = [&](TElement& E) {
    switch (selectionWrite(Doc, E, ends)) {
      case swNothing: return;
      case swChildren: stack.push_back({&E, 0, false}); return;
      case swTagged:
        if (WriteNodeStart(E, FS)) stack.push_back({&E, 0, true});
        return;
    }
  };
  open(Root);
  while (!stack.empty()) {
    TFrame& top = stack.back();
    const THtNodeList* nodes = top.E->ChildNodeList();
    if (nodes && top.Next < nodes->Count()) {
      TElement* child = AsElement(nodes->Get(top.Next++));
      if (!child) continue;  // comments and the like are not part of a selection
      if (child->IsText()) child->FastInnerHTML(FS);
      else open(*child);
    } else {
      if (top.Tagged) WriteNodeEnd(*top.E, FS);
      stack.pop_back();
    }
  }
}

// A sibling that shows something: not text, or text that is neither a line
// break nor blank.
bool nonEmptySibling(TElement* E) {
  auto* t = dynamic_cast<TTextElement*>(E);
  if (!t) return true;
  if (t->HasFlag(efLineBreak) || t->Empty) return false;
  const String& shown = t->HasTextFlag(tfTextPrepared) ? t->DisplayText : t->Content();
  return !IsBlankString(shown);
}

}  // namespace

void TElement::FastInnerHTML(TFastString& FS) {
  if (!Document || !Document->FSerializingSelection) {
    TStyledHTMLNode::FastInnerHTML(FS);
    return;
  }
  writeSelection(*Document, *this, FS);
}

TElement* TElement::NextNonEmptySibling() const {
  for (TElement* e = Next(); e; e = e->Next())
    if (nonEmptySibling(e)) return e;
  return nullptr;
}

TElement* TElement::PreviousNonEmptySibling() const {
  for (TElement* e = Previous(); e; e = e->Previous())
    if (nonEmptySibling(e)) return e;
  return nullptr;
}

String THtDocument::GetSelectedHTML() {
  if (Selection.Empty()) return String();
  TFastString fs(65535);
  struct TFlagReset {
    bool& Flag;
    ~TFlagReset() { Flag = false; }
  } reset{FSerializingSelection};
  FSerializingSelection = true;
  TElement* root = BodyElement ? BodyElement : this;
  root->FastInnerHTML(fs);
  return fs.ToString();
}

}  // namespace ht
