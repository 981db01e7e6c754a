// The document's selected text, word replacement and text search.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "document/document.h"
#include "layout/display_text_stamp.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "markup/node_list.h"
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

// The first text met walking from E in the search's direction (E itself
// when it is one); null when none.
TTextElement* firstText(TElement* E, bool Down) {
  for (; E; E = Down ? E->NextElement() : E->PreviousElement())
    if (E->IsText()) return static_cast<TTextElement*>(E);
  return nullptr;
}

// The prepared texts of the document searched last, in document order,
// joined into one string (and its lower-cased twin, folded text by text),
// so that a search runs over contiguous memory instead of visiting every
// text's element and string. It answers only for that document while the
// tree and every prepared text stay as they were (a freed document moves
// the tree stamp before another can take its place); its pointers are read
// only then. One per thread: documents searched on other threads keep
// their own.
class TJoinedTexts {
 public:
  // Whether the memo holds Doc as it is now; built when not.
  void Take(THtDocument& Doc) {
    if (FDoc == &Doc && FTree == TreeChangeStamp() && FTexts == DisplayTextStamp()) return;
    FDoc = &Doc;
    FJoined.clear();
    FFolded.clear();
    FFoldedReady = false;
    FElements.clear();
    FStarts.clear();
    FIndex.clear();
    for (TElement* e = &Doc; e; e = e->NextElement()) {
      if (!e->IsText()) continue;
      auto* t = static_cast<TTextElement*>(e);
      FIndex.emplace(t, FElements.size());
      FElements.push_back(t);
      FStarts.push_back(FJoined.size());
      FJoined += t->DisplayText;
    }
    FStarts.push_back(FJoined.size());
    FTree = TreeChangeStamp();
    FTexts = DisplayTextStamp();
  }
  // T's place among the texts; false when T is not one of them.
  bool IndexOf(const TElement* T, size_t& Index) const {
    const auto at = FIndex.find(T);
    if (at == FIndex.end()) return false;
    Index = at->second;
    return true;
  }
  // The search from text First, Offset into it as the text by text search
  // takes it; a match lies inside one text.
  TTextElement* Find(StringView Pattern, bool CaseSensitive, size_t First, int Offset, bool Down, int& TextPos) {
    const StringView all = text(CaseSensitive);
    const size_t n = Pattern.size();
    const size_t start = FStarts[First], size = FStarts[First + 1] - start;
    // An offset outside the first text finds nothing in it.
    const bool inside = Offset >= 1 && size_t(Offset) <= size;
    if (Down) {
      const size_t from = inside ? start + size_t(Offset - 1) : start + size;
      for (size_t p = all.find(Pattern, from); p != StringView::npos; p = all.find(Pattern, p + 1)) {
        const size_t t = textAt(p);
        if (p + n > FStarts[t + 1]) continue;  // runs into the next text
        TextPos = int(p - FStarts[t]) + 1;
        return FElements[t];
      }
    } else {
      // The latest start allowed in the first text; before it every text
      // whole.
      long last = long(start) - 1;
      if (inside && long(start + size) - Offset - long(n) + 1 >= long(start))
        last = long(start + size) - Offset - long(n) + 1;
      while (last >= 0) {
        const size_t p = all.rfind(Pattern, size_t(last));
        if (p == StringView::npos) break;
        const size_t t = textAt(p);
        if (p + n <= FStarts[t + 1]) {
          TextPos = int(p - FStarts[t]) + 1;
          return FElements[t];
        }
        last = long(p) - 1;
      }
    }
    // As the text by text search leaves it: the last text's answer.
    TextPos = 0;
    return nullptr;
  }

 private:
  const String& text(bool CaseSensitive) {
    if (CaseSensitive) return FJoined;
    if (!FFoldedReady) {
      FFolded.reserve(FJoined.size());
      String one;
      for (size_t i = 0; i + 1 < FStarts.size(); ++i) {
        LowerCaseSameLength(StringView(FJoined).substr(FStarts[i], FStarts[i + 1] - FStarts[i]), one);
        FFolded += one;
      }
      FFoldedReady = true;
    }
    return FFolded;
  }
  // The text holding position P of the joined string.
  size_t textAt(size_t P) const {
    return size_t(std::upper_bound(FStarts.begin(), FStarts.end(), P) - FStarts.begin()) - 1;
  }

  const THtDocument* FDoc = nullptr;
  uint64_t FTree = 0, FTexts = 0;
  String FJoined, FFolded;
  bool FFoldedReady = false;
  std::vector<TTextElement*> FElements;
  std::vector<size_t> FStarts;  // each text's start in FJoined, then its size
  std::unordered_map<const TElement*, size_t> FIndex;
};

thread_local TJoinedTexts joinedTexts;

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
  TTextElement* first = firstText(StartElement, Down);
  if (!first) return nullptr;
  if (first->Document == this) {
    joinedTexts.Take(*this);
    size_t index = 0;
    if (joinedTexts.IndexOf(first, index))
      return joinedTexts.Find(pattern, CaseSensitive, index, offset, Down, TextPos);
  }
  // A start outside the document's tree: text by text.
  String folded;
  for (TElement* e = first; e; e = Down ? e->NextElement() : e->PreviousElement()) {
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
