// Between pixels and characters inside text elements, and the word and
// paragraph selection: the caret under a point, the character and line
// under a point, visible indexes, the nearest run, word and paragraph
// selection into the document selection, and the selected characters of a
// text as plain text and for HTML.
#include <algorithm>
#include <cmath>

#include "canvas/font.h"
#include "document/document.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

// Word boundaries for word selection and search excerpts ("<" and ">"
// appear twice, as they always have).
constexpr StringView kWordSeparators =
    u"\t\n\r \u00A0+-,.:;/\\=[]()!~<>\"|?\u2026*<>";

bool isWordSeparator(char16_t c) { return kWordSeparators.find(c) != StringView::npos; }

// A click on one of these selects no word.
bool isWordStartBlank(char16_t c) { return c == u'\t' || c == u' ' || c == u'\u00A0'; }

bool containsHalfOpen(const TRectF& R, int X, int Y) {
  return float(X) >= R.Left && float(X) < R.Right && float(Y) >= R.Top && float(Y) < R.Bottom;
}

// The element's content at 1-based position P; 0 outside it.
char16_t contentAt(const TElement* E, int P) {
  const String& s = E->Content();
  return P >= 1 && size_t(P) <= s.size() ? s[size_t(P - 1)] : u'\0';
}

bool isRTLElement(const TElement* E) { return E && E->Style() && E->Style()->CalculatedDirection() == cdRTL; }

constexpr StringView kParagraphTags[] = {u"td", u"th", u"p",  u"li", u"h1", u"h2",        u"h3",
                                         u"h4", u"h5", u"pre", u"dd", u"dt", u"blockquote"};

}  // namespace

// --- Pixels and characters ---------------------------------------------------------------

int TTextElement::NearestSpace(int X, THtLineBlock* LB) {
  if (Empty || LineBlocks.Count() == 0 || !LB) return RoundHalfEven(RealLeft() + OuterRect.Left);
  // In double: a point at the end of the int range stays a far point.
  const float d = float(double(X) - RoundHalfEven(RealLeft()));
  const float m = Font ? Font->MinCharWidth : 0.0f;
  const bool rtl = LB->Has(trfRTL);
  if (d <= LB->Left + m / 2) return rtl ? LB->Start + LB->Count : LB->Start;
  if (d >= LB->Left + LB->LogicalWidth - m / 3) return rtl ? LB->Start : LB->Start + LB->Count;
  // Distance from the run's logical start, found by bisection over caret
  // positions: O(log n) prefix measures.
  const float t = rtl ? LB->Left + LB->LogicalWidth - d : d - LB->Left;
  int lo = LB->Start, hi = LB->Start + LB->Count - 1;
  float w;
  for (;;) {
    const int mid = (lo + hi) / 2;
    w = TextWidth(DisplayText, LB->Start, mid - LB->Start);
    if (hi - lo < 2) break;
    if (w > t) hi = mid;
    else lo = mid;
  }
  int result;
  if (w > t) {
    const float c = lo - 1 >= 1 ? TextWidth(DisplayText, lo - 1, 1) : 0.0f;
    result = std::fabs(w - c / 2 - t) > std::fabs(w - t) ? lo : lo - 1;
  } else {
    const float c = TextWidth(DisplayText, lo, 1);
    result = std::fabs(w + c / 2 - t) <= std::fabs(w - t) ? lo + 1 : lo;
  }
  // Never between the halves of a surrogate pair or before a combining
  // Arabic mark.
  if (result > 1 && size_t(result - 1) <= DisplayText.size()) {
    const char16_t c = DisplayText[size_t(result - 2)];
    if (IsHighSurrogate(c) || (c >= 0x064B && c <= 0x0653)) ++result;
  }
  return result;
}

int TTextElement::CharAtPoint(int X, int Y) {
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const TRectF r = Rects(i);
    if (!containsHalfOpen(r, X, Y)) continue;
    const int dx = X - RoundHalfEven(r.Left);
    const THtLineBlock* run = LineBlocks.Get(i);
    const int size = int(DisplayText.size());
    for (int n = 1;; ++n)
      if (n > size - run->Start || RoundHalfEven(TextWidth(DisplayText, run->Start, n)) >= dx)
        return run->Start + n - 1;
  }
  return 0;
}

int TTextElement::LineAt(int X, int Y) {
  const int lines = EndLine() - StartLine();
  for (int i = 0; i <= lines; ++i)
    if (containsHalfOpen(Rects(i), X, Y)) return i;
  return -1;
}

int TTextElement::CharIndexFromVisible(int A) const {
  int sum = 0;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    const int len = b->VisibleLength();
    if (sum + len >= A) return A + b->Start - sum - 1;
    sum += len;
  }
  return LastVisibleChar() + 1;
}

THtLineBlock* THtLineBlock::Nearestto(int X) {
  if (!E) return this;
  X -= RoundHalfEven(E->RealLeft());
  THtLineBlock* p = this;
  while (p->PreviousBlock()) p = p->PreviousBlock();
  while (p && p->E != E) p = p->NextBlock();
  if (!p) return this;
  const bool rtl = isRTLElement(E);
  if ((!rtl && p->Left > float(X)) || (rtl && float(X) > p->Left)) return p;
  // Past every run of the element, its last run answers: a run of another
  // element would give positions in the wrong text.
  THtLineBlock* lastOwn = p;
  for (; p; p = p->NextBlock()) {
    if (p->E != E) continue;
    lastOwn = p;
    if (std::trunc(p->Left) <= float(X) && float(X) <= std::ceil(p->Left + p->LogicalWidth)) return p;
  }
  return lastOwn;
}

// --- Word and paragraph selection ----------------------------------------------------------

void TTextElement::SelectWordAt(int CharPos) {
  const int p = std::clamp(CharPos, FirstChar(), std::max(FirstChar(), LastChar()));
  if (p < 1) return;
  const int index = CharBlockIndex(p);
  if (index >= 0) LineBlocks.Get(index)->SelectWordAt(p, true, true);
}

void THtLineBlock::SelectWordAt(int CharPos, bool Left, bool Right) {
  if (!E || !E->Document) return;
  TDocSelection& sel = E->Document->Selection;
  if (CharPos > LastChar() || Count <= 0) {
    if (Left && Right)
      if (THtLineBlock* n = Next(); n && !n->IsLineBreak() && n->SameBlock(this)) n->SelectWordAt(n->Start, true, true);
    return;
  }
  if (Left && Right) {
    if (isWordStartBlank(contentAt(E, CharPos))) return;
    if (CharPos > Start && isWordStartBlank(contentAt(E, CharPos - 1))) {
      // The word starts at the clicked character.
      sel.StartPos = CharPos;
      sel.SetStartElement(E);
      Left = false;
    }
    if (Left && CharPos == Start) {
      THtLineBlock* p = Previous();
      if (!p || p->IsLineBreak() || !p->SameBlock(this)) {
        sel.StartPos = Start;
        sel.SetStartElement(E);
        Left = false;
      }
    }
  }
  if (Left) {
    int i = std::max(0, CharPos - Start + 1);
    while (i > 0 && !isWordSeparator(contentAt(E, Start + i - 1))) --i;
    THtLineBlock* p = i == 0 ? Previous() : nullptr;
    if (p && p->SameLine(this) && !p->IsLineBreak() && p->IsText()) {
      p->SelectWordAt(p->Start + p->Count - 1, true, false);
    } else {
      sel.StartPos = Start + i;
      sel.SetStartElement(E);
    }
  }
  if (Right) {
    int i = std::max(1, CharPos - Start + 1);
    while (i <= Count && !isWordSeparator(contentAt(E, Start + i - 1))) ++i;
    THtLineBlock* n = i > Count ? Next() : nullptr;
    if (n && n->SameLine(this) && !n->IsLineBreak() && n->IsText()) {
      n->SelectWordAt(n->Start, false, true);
    } else {
      sel.SetEndElement(E);
      sel.EndPos = Start + i - 1;
      if (auto* t = dynamic_cast<TTextElement*>(E)) t->GetSelectionRange();
    }
  }
}

void TTextElement::SelectPara() {
  if (!Document) return;
  TElement* node = nullptr;
  for (TElement* p = Parent(); p && !node; p = p->Parent())
    for (StringView tag : kParagraphTags)
      if (p->Tag() == tag) {
        node = p;
        break;
      }
  if (!node) return;
  TDocSelection& sel = Document->Selection;
  TElement* start = node->NextLineElement();
  if (!start || !start->HasAsParent(node)) return;
  sel.SetStartElement(start);
  sel.StartPos = 1;
  for (TElement* e = start; e && e->HasAsParent(node); e = e->NextLineElement()) sel.SetEndElement(e);
  sel.EndPos = 1;
  if (auto* t = dynamic_cast<TTextElement*>(sel.EndElement())) sel.EndPos = t->LastChar() + 1;
}

// --- Selected characters ------------------------------------------------------------------------

namespace {

// The characters From .. To (1-based, both included) of S, cut to S.
String charsBetween(const String& S, int From, int To) {
  From = std::max(From, 1);
  To = std::min(To, int(S.size()));
  return To >= From ? S.substr(size_t(From - 1), size_t(To - From + 1)) : String();
}

}  // namespace

String TTextElement::selectedPart() const {
  // A template or a parameter's answer can leave the prepared text longer
  // than the content: nothing past the content is answered.
  return charsBetween(DisplayText, SelStart, std::min(SelEnd, int(Content().size())));
}

String TTextElement::SelectedText() {
  // The range is derived here whether or not the document lets the user
  // select: a selection set by a program must give its text, not what the
  // last paint left.
  GetSelectionRange();
  if (!HasTextFlag(tfInSelection)) return String();
  String s = Document->Selection.FullSelected(this) ? VisibleText() : selectedPart();
  const bool normal = WhiteSpace() == wsNormal;
  for (char16_t& c : s)
    if (c == u'\u00A0' || (normal && (c == u'\r' || c == u'\n'))) c = u' ';
  return s;
}

String TTextElement::SelectedHTMLText() {
  GetSelectionRange();
  if (!HasTextFlag(tfInSelection)) return String();
  if (Document->Selection.FullSelected(this)) return Content();
  return selectedPart();
}

}  // namespace ht
