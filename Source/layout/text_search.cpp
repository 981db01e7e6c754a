// The document's selected text, word replacement and text search.
#include <algorithm>

#include "document/document.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "platform/rtl/case_mapping.h"

namespace ht {

String THtDocument::GetSelectedText() {
  String out;
  if (Selection.Empty()) return out;
  TElement* start = Selection.RealStartElement();
  TElement* end = Selection.RealEndElement();
  // Nothing after the end element's subtree is in the selection.
  THtNode* lastNode = end->Last();
  bool lineBreak = false;
  for (TElement* e = start; e; e = e->NextElement()) {
    if (e->HasFlag(efLineBreak)) {
      if (Selection.InSelection(e)) {
        out += u"\r\n";
        lineBreak = false;
      }
    } else if (auto* t = dynamic_cast<TTextElement*>(e)) {
      // Separators go between texts: a selection that starts at a block or
      // a cell does not begin with one.
      if (lineBreak && !out.empty()) out += u"\r\n";
      out += t->SelectedText();
      lineBreak = false;
    } else if (Selection.InSelection(e)) {
      switch (DisplayOf(e)) {
        case dsBlock:
        case dsTable:
        case dsTableRow:
        case dsListItem:
        case dsFlex: lineBreak = true; break;
        case dsTableCell:
          if (!out.empty()) out += u' ';
          break;
        default: break;
      }
    }
    if (e == lastNode) break;
  }
  return out;
}

bool THtDocument::ReplaceWord(THtWord& W, StringView NewText) {
  const int at = W.AbsoluteStart();
  if (W.StartBlock && W.EndBlock) {
    Selection.Clear();
    Selection.StartPos = W.StartBlock->Start;
    Selection.SetStartElement(W.StartBlock->E);
    Selection.EndPos = W.EndBlock->Start + W.EndBlock->Count;
    Selection.SetEndElement(W.EndBlock->E);
    Selection.SetText(NewText);
  }
  if (GetFirstWord(W)) {
    do {
      if (W.AbsoluteStart() >= at) return true;
    } while (GetNextWord(W, false));
    return false;
  }
  W.StartBlock = W.EndBlock = nullptr;
  return false;
}

namespace {

// 1-based position of Pattern in S at or after Offset (1-based); 0 when
// none or when Offset lies outside S.
int posFrom(StringView Pattern, StringView S, int Offset) {
  if (Offset < 1 || size_t(Offset) > S.size()) return 0;
  const size_t found = S.find(Pattern, size_t(Offset - 1));
  return found == StringView::npos ? 0 : int(found) + 1;
}

// The backward search: the position posFrom would give for the reversed
// pattern in the reversed S from Offset, found with rfind on S as it is
// (no reversed copies).
int reversedPosFrom(StringView Pattern, StringView S, int Offset) {
  if (Offset < 1 || size_t(Offset) > S.size()) return 0;
  const long last = long(S.size()) - Offset - long(Pattern.size()) + 1;  // the latest 0-based start
  if (last < 0) return 0;
  const size_t found = S.rfind(Pattern, size_t(last));
  return found == StringView::npos ? 0 : int(S.size() - found - Pattern.size()) + 1;
}

}  // namespace

TElement* THtDocument::FindText(StringView Text, int& TextPos, TElement* StartElement, bool Down,
                                bool CaseSensitive) {
  // An empty pattern would match everywhere: it finds nothing.
  if (!StartElement || Text.empty()) return nullptr;
  const String pattern = CaseSensitive ? String(Text) : LowerCaseSameLength(Text);
  int offset = TextPos;
  // Backward, offsets count from the end of a text.
  if (!Down && StartElement->IsText())
    offset = int(static_cast<TTextElement*>(StartElement)->DisplayText.size()) - offset + 1;
  String folded;
  for (TElement* e = StartElement; e; e = Down ? e->NextElement() : e->PreviousElement()) {
    if (!e->IsText()) continue;
    StringView s = static_cast<TTextElement*>(e)->DisplayText;
    if (!CaseSensitive) {
      LowerCaseSameLength(s, folded);
      s = folded;
    }
    const int pos = Down ? posFrom(pattern, s, offset) : reversedPosFrom(pattern, s, offset);
    TextPos = pos;
    if (pos > 0) {
      if (!Down) TextPos = int(s.size()) - pos - int(pattern.size()) + 2;
      return e;
    }
    offset = 1;
  }
  return nullptr;
}

}  // namespace ht
