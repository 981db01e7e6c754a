// Text elements after placement: mapping between characters, visible
// indexes, blocks and points; hit testing; the text answers and HTML of a
// text; the editing entry; the neighbourhood tests.
#include <algorithm>

#include "document/document.h"
#include "layout/display_text_stamp.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "markup/html_writer.h"

namespace ht {

namespace {

// The slice [From, From + Count) of S (0-based), cut to S.
StringView slice(const String& S, int From, int Count) {
  if (From < 0) {
    Count += From;
    From = 0;
  }
  if (Count <= 0 || size_t(From) >= S.size()) return StringView();
  return StringView(S).substr(size_t(From), size_t(Count));
}

bool isSpace(char16_t c) { return c == u' '; }

// Blocks that leave a text at the edge of a line box: blanks, hidden runs
// and the markers of inline elements are looked through.
bool transparentForEdge(const THtLineBlock* b) {
  return b->Has(trfBlank) || b->Hidden() || b->Has(trfInlineStart) || b->Has(trfInlineEnd);
}

}  // namespace

// --- Characters and visible indexes ------------------------------------------------

THtLineBlock* TTextElement::CharBlock(int ACharIndex) const {
  const int index = CharBlockIndex(ACharIndex);
  return index < 0 ? nullptr : LineBlocks.Get(index);
}

int TTextElement::CharBlockIndex(int N) const {
  const int count = LineBlocks.Count();
  if (count == 0) return -1;
  // Blocks are in text order: the last one starting at or before N.
  int lo = 0, hi = count - 1, found = 0;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    if (LineBlocks.Get(mid)->Start <= N) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  while (found > 0 && LineBlocks.Get(found)->Hidden()) --found;
  return found;
}

int TTextElement::VisibleCharIndex(int ACharIndex) const {
  if (LineBlocks.Count() == 0) return 0;
  int before = 0;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    if (b->Hidden()) continue;
    if (b->LastChar() >= ACharIndex) return std::max(0, before + ACharIndex - b->Start + 1);
    before += b->VisibleLength();
  }
  return before + 1;
}

int TTextElement::CharIndex(int AVisibleIndex) const {
  if (LineBlocks.Count() == 0) return 0;
  int before = 0;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    if (b->Hidden()) continue;
    const int len = b->VisibleLength();
    if (AVisibleIndex <= before + len) return b->Start + std::max(0, AVisibleIndex - before - 1);
    before += len;
  }
  return int(DisplayText.size()) + 1;
}

int TTextElement::VisibleLength() const {
  int n = 0;
  for (int i = 0; i < LineBlocks.Count(); ++i) n += LineBlocks.Get(i)->VisibleLength();
  return n;
}

String TTextElement::VisibleText() const {
  // Content and display text are indexed alike, but a template or a
  // parameter's answer can leave them of different lengths: every range is
  // cut to the content.
  const String& content = Content();
  String s;
  int from = 0, to = 0;  // the pending range, 0-based, end excluded
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    if (b->Hidden() || b->Count <= 0) continue;
    const int start = b->Start - 1, end = b->Start - 1 + b->Count;
    if (to > from && start == to) {
      to = end;
      continue;
    }
    s += slice(content, from, to - from);
    from = start;
    to = end;
  }
  s += slice(content, from, to - from);
  return s;
}

int TTextElement::FirstChar() const { return LineBlocks.Count() ? LineBlocks.First()->Start : 0; }

int TTextElement::LastChar() const {
  if (!LineBlocks.Count()) return 0;
  return std::min(LineBlocks.Last()->LastChar(), int(Content().size()));
}

int TTextElement::LastVisibleChar() const {
  for (int i = LineBlocks.Count() - 1; i >= 0; --i)
    if (!LineBlocks.Get(i)->Hidden()) return LineBlocks.Get(i)->LastChar();
  return 0;
}

int TTextElement::AbsoluteCharPosition(int ACharIndex) {
  int before = 0;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    if (ACharIndex >= b->Start && ACharIndex <= b->LastChar())
      return AbsoluteLinePosition() + before + ACharIndex - b->Start;
    before += b->VisibleLength();
  }
  return AbsoluteLinePosition() + before;
}

int TTextElement::AbsolutePositionDelta() { return HasFlag(efLineBreak) ? 2 : VisibleLength(); }

// --- Points and hit testing -------------------------------------------------------------

TPointF TTextElement::CharPoint(int CharIndex, bool AfterPrevious) {
  if (Empty || LineBlocks.Count() == 0)
    return TPointF{RealLeft() + OuterRect.Left, RealTop() + OuterRect.Top};
  int index = std::max(CharIndex, LineBlocks.First()->Start);
  index = std::min(index, int(DisplayText.size()) + 1);
  int bi = -1;
  for (int i = 0; i < LineBlocks.Count(); ++i)
    if (LineBlocks.Get(i)->Start <= index) bi = i;
  if (bi < 0) {
    const TRectF r = InnerRect();
    return TPointF{r.Left, r.Top};
  }
  while (bi > 0 && LineBlocks.Get(bi)->Hidden()) --bi;
  const THtLineBlock* b = LineBlocks.Get(bi);
  if (index == b->Start && AfterPrevious && bi > 0 && b->Count > 0) {
    const THtLineBlock* p = LineBlocks.Get(bi - 1);
    const TRectF r = p->RealRect();
    const float x = index > p->LastChar() ? r.Right : r.Left + TextWidth(DisplayText, p->Start, index - p->Start);
    return TPointF{x, r.Top};
  }
  const TRectF r = b->RealRect();
  const bool rtl = b->Has(trfRTL);
  float x;
  if (index > b->LastChar()) {
    x = rtl ? r.Left : r.Right;
  } else {
    const float w = TextWidth(DisplayText, b->Start, index - b->Start);
    x = rtl ? r.Right - w : r.Left + w;
  }
  return TPointF{x, r.Top};
}

bool TTextElement::InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  (void)SelfOnly;
  if (Outside || DisplayOf(this) == dsNone || !HasFlag(efDrawn) || LineBlocks.Count() == 0) return false;
  const float y = Y - Top, x = X - Left;
  if (y < LineBlocks.First()->Y() || y > LineBlocks.Last()->Y() + LineBlocks.Last()->YSize()) return false;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const TRectF r = LineBlocks.Get(i)->R();
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return true;
  }
  return false;
}

// --- Words and editing ---------------------------------------------------------------------

String TTextElement::GetWordAt(int CharPos) {
  THtLineBlock* b = CharBlock(CharPos);
  if (!b || CharPos < b->Start || CharPos > b->LastChar()) return String();
  THtWord w;
  return b->GetWord(w) ? w.Text() : String();
}

void TTextElement::ReplaceWordAt(int CharPos, StringView NewWord) {
  THtLineBlock* b = CharBlock(CharPos);
  THtWord w;
  if (!b || CharPos < b->Start || CharPos > b->LastChar() || !b->GetWord(w)) return;
  // The word's own runs of this element are replaced; runs of other
  // elements in the word (across bold, say) keep their text.
  int from = 0, to = 0;
  for (THtLineBlock* r = w.StartBlock; r; r = r->NextBlock()) {
    if (r->E == this) {
      if (!from) from = r->Start;
      to = r->Start + r->Count;
    }
    if (r == w.EndBlock) break;
  }
  if (!from) return;
  String s = Content();
  const size_t f = std::min(size_t(from - 1), s.size());
  const size_t n = std::min(size_t(to - from), s.size() - f);
  s.replace(f, n, NewWord);
  SetAndPrepareContent(s);
  if (Document) Document->Selection.Clear();
}

void TTextElement::SetAndPrepareContent(StringView S) {
  String s(S);
  const TWhiteSpace ws = WhiteSpace();
  if (ws != wsPre && ws != wsPreWrap && !s.empty()) {
    bool leftEdge = true, rightEdge = true;
    if (THtLineBlock* first = LineBlocks.First()) {
      THtLineBlock* p = first->PreviousBlock();
      while (p && transparentForEdge(p)) p = p->PreviousBlock();
      leftEdge = !p || p->Has(trfBlock);
    }
    if (THtLineBlock* last = LineBlocks.Last()) {
      THtLineBlock* n = last->NextBlock();
      while (n && transparentForEdge(n)) n = n->NextBlock();
      rightEdge = !n || n->Has(trfBlock);
    }
    if (isSpace(s.front()) && (leftEdge || IsLineStart())) s.front() = u'\u00A0';
    if (isSpace(s.back()) && rightEdge) s.back() = u'\u00A0';
    for (size_t i = 1; i + 1 < s.size(); ++i)
      if (s[i] == u'\u00A0' && !isSpace(s[i - 1]) && !isSpace(s[i + 1])) s[i] = u' ';
    // Each pass replaces the pairs it meets left to right, as one
    // replace-all does; a run of three spaces needs a second pass.
    for (bool again = true; again;) {
      again = false;
      for (size_t i = 0; i + 1 < s.size(); ++i)
        if (isSpace(s[i]) && isSpace(s[i + 1])) {
          s[i] = u'\u00A0';
          ++i;
          again = true;
        }
    }
  }
  SetContent(s);
  DisplayText = Content();
  NoteDisplayTextChange();
  if (TElement* c = static_cast<TElement*>(Container)) c->ExcludeFlag(efSpellChecked);
  NotifyParent(this, 0, 0);
}

// --- Text and HTML ------------------------------------------------------------------------------

String TTextElement::GetInnerText() {
  if (HasFlag(efLineBreak)) return u"\r\n";
  String s = !Template.empty() ? Template : HasTextFlag(tfTextPrepared) ? VisibleText() : Content();
  if (WhiteSpace() == wsNormal)
    for (char16_t& c : s)
      if (c == u'\r' || c == u'\n') c = u' ';
  return s;
}

String TTextElement::GetRawInnerText() { return HasFlag(efLineBreak) ? String(u"\r\n") : VisibleText(); }

void TTextElement::FastInnerHTML(TFastString& FS) {
  if (Document && Document->FSerializingSelection) {
    if (!Document->Selection.PartiallyInSelection(this)) return;
    if (HasFlag(efLineBreak)) FS.Add(u"<br/>");
    else if (!Template.empty()) AddEscapedHtmlText(FS, Template);
    else AddEscapedHtmlText(FS, SelectedHTMLText());
    return;
  }
  if (!Template.empty()) AddEscapedHtmlText(FS, Template);
  else if (HasFlag(efLineBreak)) FS.Add(u"<br/>");
  else AddEscapedHtmlText(FS, Content());
}

void TTextElement::GetSelectionRange() {
  const TDocSelection* sel = Document ? &Document->Selection : nullptr;
  if (!sel || !sel->InSelection(this)) {
    SetOwnTextFlag(tfInSelection, false);
    return;
  }
  SetOwnTextFlag(tfInSelection, true);
  // The flag must be cleared again once the selection ends, so no subtree
  // holding this text may stay passed over as idle.
  NoteTreeChange();
  SelStart = 1;
  SelEnd = int(DisplayText.size());
  if (sel->Inverted()) {
    if (sel->StartElement() == this) SelEnd = sel->StartPos - 1;
    if (sel->EndElement() == this) SelStart = sel->EndPos;
  } else {
    if (sel->StartElement() == this) SelStart = sel->StartPos;
    if (sel->EndElement() == this) SelEnd = sel->EndPos - 1;
  }
}

void TTextElement::UpdateScrollBars() {
  TElement::UpdateScrollBars();
  const TDocSelection* sel = Document ? &Document->Selection : nullptr;
  if (sel && Document->EnableSelection && sel->StartElement() && sel->EndElement()) GetSelectionRange();
  else SetOwnTextFlag(tfInSelection, false);
}

bool TTextElement::Visible() const {
  const TElement* p = Parent();
  if ((Empty && HasTextFlag(tfNearBlock)) || (p && !p->HasFlag(efVisible))) return false;
  if (LineBlocks.Count() == 1 && LineBlocks.First()->Hidden()) return false;
  return TElement::Visible();
}

// --- Neighbourhood -------------------------------------------------------------------------------

TTextElement* TTextElement::NextTextElement() const {
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Visible()) return t;
  return nullptr;
}

TTextElement* TTextElement::PreviousTextElement() const {
  for (THtNode* n = PreviousNode(); n; n = n->PreviousNode())
    if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Visible()) return t;
  return nullptr;
}

bool TTextElement::IsNext(const TTextElement* TE) const {
  if (!TE) return false;
  for (THtNode* n = TE->NextNode(); n; n = n->NextNode()) {
    if (n == this) return true;
    auto* e = dynamic_cast<TElement*>(n);
    if (!e || !e->Visible()) continue;
    if (e->IsText()) {
      if (e->LineBlocks.Count()) return false;
    } else if (DisplayOf(e) != dsInline) {
      return false;
    }
  }
  return true;
}

bool TTextElement::IsLineStart() const {
  for (THtNode* n = PreviousNode(); n; n = n->PreviousNode()) {
    auto* e = dynamic_cast<TElement*>(n);
    if (!e || !e->Visible() || (!e->IsText() && DisplayOf(e) == dsInline)) continue;
    if (e->Container != Container) return true;
    if (e->Tag() == u"br") return true;
    return e->EndLine() < StartLine();
  }
  return true;
}

bool TTextElement::IsLineEnd() const {
  for (THtNode* n = NextNode(); n; n = n->NextNode()) {
    auto* e = dynamic_cast<TElement*>(n);
    if (!e || !e->Visible()) continue;
    if (e->Container != Container || e->HasFlag(efLineBreak)) return true;
    return EndLine() < e->StartLine();
  }
  return true;
}

}  // namespace ht
