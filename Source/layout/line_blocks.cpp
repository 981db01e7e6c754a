#include "layout/line_blocks.h"

#include <algorithm>

#include <unicode/uchar.h>

#include "document/element.h"
#include "layout/layout_style.h"
#include "layout/text_element.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

const THtTextRunClass THtLineBlock::ClassType{"THtLineBlock", &THtTextRun::ClassType,
                                              &CreateInstance<THtLineBlock, THtTextRun>};

namespace {

TElement* containerOf(const TElement* E) { return E ? static_cast<TElement*>(E->Container) : nullptr; }

// Containers are climbed up to the root, which is its own container.
bool isRoot(const TElement* C) { return !C || C->Container == C; }

bool isMarker(const THtLineBlock* r) { return r->Has(trfInlineStart) || r->Has(trfInlineEnd); }

// The first code point of the run's text, 0 without one.
UChar32 firstCodePoint(const THtLineBlock* r) {
  if (!r->E || r->Start <= 0 || r->Count <= 0) return 0;
  const String& s = r->E->Content();
  const size_t i = size_t(r->Start - 1);
  if (i >= s.size()) return 0;
  const char16_t c = s[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
    return UChar32(0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00));
  return c;
}

}  // namespace

THtLineBlock::~THtLineBlock() {
  const TElement* c = containerOf(E);
  if (!c || !c->HasFlag(efDestroying)) RemoveFromFlow();
}

void THtLineBlock::SetNextBlock(THtLineBlock* Value) {
  if (Value == this) throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"line_blocks.cpp", __LINE__);
  if (FNextBlock && FNextBlock != Value && FNextBlock->FPreviousBlock == this) FNextBlock->FPreviousBlock = nullptr;
  FNextBlock = Value;
  if (Value && Value->FPreviousBlock != this) Value->SetPreviousBlock(this);
}

void THtLineBlock::SetPreviousBlock(THtLineBlock* Value) {
  if (Value == this) throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"line_blocks.cpp", __LINE__);
  if (FPreviousBlock && FPreviousBlock != Value && FPreviousBlock->FNextBlock == this) FPreviousBlock->FNextBlock = nullptr;
  FPreviousBlock = Value;
  if (Value && Value->FNextBlock != this) Value->SetNextBlock(this);
}

void THtLineBlock::RemoveFromFlow() {
  THtLineBlock* prev = FPreviousBlock;
  THtLineBlock* next = FNextBlock;
  if (prev && prev->FNextBlock == this) prev->FNextBlock = next;
  if (next && next->FPreviousBlock == this) next->FPreviousBlock = prev;
  FPreviousBlock = nullptr;
  FNextBlock = nullptr;
}

void THtLineBlock::UpdateFlags() {
  Flags = THtTextRunFlags();
  if (!E || E->IsText()) return;
  if (IsBlockLevelDisplay(DisplayOf(E))) {
    Flags.Include(trfBlock);
    if (E->OutofFlow()) Flags.Include(trfOutofFlow);
  } else if (E->OutofFlow()) {
    Flags.Include(trfOutofFlow);
  }
}

TRectF THtLineBlock::R() const { return TRectF(X(), Y(), X() + XSize(), Y() + YSize()); }

TRectF THtLineBlock::RealRect() const {
  const float l = X() + (E ? E->RealLeft() : 0.0f);
  const float t = Y() + (E ? E->RealTop() : 0.0f);
  return TRectF(l, t, l + XSize(), t + YSize());
}

String THtLineBlock::Text() const {
  if (!E || Count <= 0 || Start <= 0) return String();
  const String& s = E->Content();
  const size_t from = size_t(Start - 1);
  if (from >= s.size()) return String();
  return s.substr(from, size_t(Count));
}

String THtLineBlock::DisplayText() const {
  if (IsLineBreak()) return String();
  auto* t = dynamic_cast<const TTextElement*>(E);
  if (!t) return Text();
  const String& s = t->DisplayText;
  if (Start == 1 && size_t(Count) == s.size()) return s;
  if (Start <= 0 || Count <= 0 || size_t(Start - 1) >= s.size()) return String();
  return s.substr(size_t(Start - 1), size_t(Count));
}

int THtLineBlock::VisibleLength() const {
  if (E && E->IsReplacedElement()) return 1;
  if (Hidden()) return 0;
  return Count;
}

bool THtLineBlock::IsPlainText() const {
  return Has(trfText) && !Has(trfSpace) && !Has(trfBlank) && !Has(trfLineBreak) && !Has(trfHidden);
}

bool THtLineBlock::IsLetters() const {
  if (!IsText()) return false;
  const UChar32 c = firstCodePoint(this);
  return c != 0 && u_isalpha(c);
}

bool THtLineBlock::IsNumbers() const {
  if (!IsText()) return false;
  const UChar32 c = firstCodePoint(this);
  return c >= u'0' && c <= u'9';
}

bool THtLineBlock::IsLineElement() const { return IsText() || (E && E->IsLineElement()); }

bool THtLineBlock::SameBlock(const THtLineBlock* ABlock) const {
  return ABlock && E && ABlock->E && E->Container == ABlock->E->Container;
}

TWhiteSpace THtLineBlock::WhiteSpace() const {
  if (!E) return wsNormal;
  if (E->HasFlag(efLineBreak)) return wsPreLine;
  if (!IsText() && !IsInlineLevelDisplay(DisplayOf(E))) return wsNowrap;
  return WhiteSpaceOf(E);
}

bool THtLineBlock::CanBreakBefore() const {
  if (!Has(trfBreakBefore)) return false;
  if (E && E->HasFlag(efLineBreak)) return true;
  if (!IsText() && !IsInlineLevelDisplay(DisplayOf(E))) return false;
  return WhiteSpace() != wsNowrap;
}

bool THtLineBlock::CanBreakAfter() const {
  if (!Has(trfBreakAfter)) return false;
  if (E && E->HasFlag(efLineBreak)) return true;
  if (!IsText() && !IsInlineLevelDisplay(DisplayOf(E))) return false;
  return WhiteSpace() != wsNowrap;
}

// ---------------------------------------------------------------------------
// Walks

THtLineBlock* THtLineBlock::Next() const {
  if (E && E->SelfFlow && E->SelfFlow->FirstBlock) return E->SelfFlow->FirstBlock;
  if (FNextBlock) return FNextBlock;
  for (TElement* c = containerOf(E); !isRoot(c); c = containerOf(c)) {
    THtLineBlock* r = c->LastRun();
    if (r && r->FNextBlock) return r->FNextBlock;
  }
  return nullptr;
}

THtLineBlock* THtLineBlock::Last() {
  THtLineBlock* r = this;
  while (r->E && r->E->SelfFlow && r->E->SelfFlow->LastBlock) {
    THtLineBlock* inner = r->E->SelfFlow->LastBlock;
    while (inner->FNextBlock) inner = inner->FNextBlock;
    if (inner == r) break;
    r = inner;
  }
  return r;
}

THtLineBlock* THtLineBlock::Previous() const {
  if (FPreviousBlock) return FPreviousBlock->Last();
  for (TElement* c = containerOf(E); !isRoot(c); c = containerOf(c)) {
    THtLineBlock* r = c->FirstRun();
    if (r && r->FPreviousBlock) return r->FPreviousBlock->Last();
  }
  return nullptr;
}

// Whether a walk that started on Start stops at this run.
bool THtLineBlock::visibleStep(const THtLineBlock* Start) const {
  if (Hidden() || !IsLineElement()) return false;
  if (E && E->OutofFlow() && E != Start->E) return false;
  if (IsText() && Count == 0 && !IsLineBreak()) return false;
  return true;
}

THtLineBlock* THtLineBlock::NextVisible() const {
  for (THtLineBlock* r = Next(); r; r = r->Next())
    if (r->visibleStep(this)) return r;
  return nullptr;
}

THtLineBlock* THtLineBlock::PreviousVisible() const {
  for (THtLineBlock* r = Previous(); r; r = r->Previous())
    if (r->visibleStep(this)) return r;
  return nullptr;
}

namespace {

// The line of the outer flow of Target that run r lies on, climbing out of
// the inline-level boxes with flows of their own; false when a block-level
// box lies between.
bool lineIn(const THtLineBlock* r, const TStyledHTMLNode* Target, int& Line) {
  const TElement* e = r->E;
  int line = r->Line;
  while (e) {
    const TElement* c = containerOf(e);
    if (!c) return false;
    if (c == Target) {
      Line = line;
      return true;
    }
    if (isRoot(c)) return false;
    if (!c->IsText() && IsBlockLevelDisplay(DisplayOf(c))) return false;
    // Everything inside an inline-level box lies on the line of its run.
    line = c->StartLine();
    e = c;
  }
  return false;
}

}  // namespace

bool THtLineBlock::SameLine(const THtLineBlock* Block) const {
  if (!Block || !E || !Block->E) return false;
  if (E->Container == Block->E->Container) return Line == Block->Line;
  int l = 0;
  if (lineIn(this, Block->E->Container, l)) return l == Block->Line;
  if (lineIn(Block, E->Container, l)) return l == Line;
  return false;
}

THtLineBlock* THtLineBlock::LineStart() {
  THtLineBlock* r = this;
  for (THtLineBlock* p = r->PreviousVisible(); p && !p->IsLineBreak() && p->SameLine(r); p = r->PreviousVisible())
    r = p;
  return r;
}

THtLineBlock* THtLineBlock::WrappedLineStart() {
  THtLineBlock* r = this;
  for (THtLineBlock* p = r->PreviousVisible(); p && !p->IsLineBreak() && p->SameBlock(r); p = r->PreviousVisible())
    r = p;
  return r;
}

THtLineBlock* THtLineBlock::LineEnd() {
  THtLineBlock* last = this;
  THtLineBlock* n = NextVisible();
  while (n && !n->IsLineBreak() && n->SameLine(this)) {
    last = n;
    n = n->NextVisible();
  }
  if (!last->IsText() && n && n->IsLineBreak()) return n;
  return last;
}

String THtLineBlock::FullLineText() {
  String s;
  THtLineBlock* end = LineEnd();
  for (THtLineBlock* r = LineStart(); r && r != end; r = r->Next()) s += r->Text();
  return s;
}

bool THtLineBlock::GetWord(THtWord& W) {
  if (!IsPlainText()) return false;
  THtLineBlock* start = this;
  for (THtLineBlock* p = start->FPreviousBlock; p && ((p->IsPlainText() && p->IsLetters()) || isMarker(p));
       p = p->FPreviousBlock)
    start = p;
  THtLineBlock* end = start;
  for (THtLineBlock* n = end->FNextBlock;
       n && ((n->IsPlainText() && (n->IsLetters() || n->IsNumbers())) || isMarker(n)); n = n->FNextBlock)
    end = n;
  W.StartBlock = start;
  W.EndBlock = end;
  return true;
}

// ---------------------------------------------------------------------------
// THtWord

String THtWord::Text() const {
  String s;
  for (THtLineBlock* r = StartBlock; r; r = r->NextBlock()) {
    s += r->Text();
    if (r == EndBlock) break;
  }
  return s;
}

int THtWord::AbsoluteStart() const {
  return StartBlock && StartBlock->E ? StartBlock->E->AbsoluteLinePosition() + StartBlock->Start : 0;
}

int THtWord::AbsoluteEnd() const {
  return EndBlock && EndBlock->E ? EndBlock->E->AbsoluteLinePosition() + EndBlock->Start + EndBlock->Count - 1 : 0;
}

// ---------------------------------------------------------------------------
// THtLineBlocks

void THtLineBlock::renew(TElement* AE) {
  RemoveFromFlow();
  static_cast<THtTextRun&>(*this) = THtTextRun();
  E = AE;
  Left = Top = LogicalHeight = Ascent = 0;
  VAlign = vaBaseLine;
}

THtLineBlock* THtLineBlocks::CreateBlock(TElement* AE) {
  THtLineBlock* b = InsertBlock(FCount, AE);
  b->UpdateFlags();
  return b;
}

THtLineBlock* THtLineBlocks::InsertBlock(int Index, TElement* AE) {
  if (size_t(FCount) == FItems.size()) return Insert(Index, std::make_unique<THtLineBlock>(AE));
  // The first spare moves to Index.
  const auto at = FItems.begin() + Index, spare = FItems.begin() + FCount;
  std::rotate(at, spare, spare + 1);
  ++FCount;
  THtLineBlock* b = at->get();
  b->renew(AE);
  return b;
}

THtLineBlock* THtLineBlocks::GetLineBlock(int ALine) const {
  for (int i = 0; i < FCount; ++i)
    if (FItems[size_t(i)]->Line == ALine) return FItems[size_t(i)].get();
  return nullptr;
}

void THtLineBlocks::Truncate(int Index) {
  if (Index < 0 || Index >= FCount) return;
  for (int i = Index; i < FCount; ++i) FItems[size_t(i)]->RemoveFromFlow();
  FCount = Index;
}

}  // namespace ht
