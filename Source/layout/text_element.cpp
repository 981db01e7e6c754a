#include "layout/text_element.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "document/paint_services.h"
#include "layout/display_text_stamp.h"
#include "layout/flow.h"
#include "layout/layout_style.h"
#include "platform/rtl/case_mapping.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtNodeClass TTextElement::ClassType{"TTextElement", &TElement::ClassType,
                                           CreateInstance<TTextElement, THtNode>};

namespace {

// The width of a tab under the container's tab stops, per tab character.
constexpr float kTabStopWidth = 24.0f;

String transformed(StringView s, TCSSTextTransform t) {
  // Capitalize is not applied; upper and lower case keep the length so
  // that runs index content and display text alike.
  if (t == cttUpperCase) return UpperCaseSameLength(s);
  if (t == cttLowerCase) return LowerCaseSameLength(s);
  return String(s);
}

std::atomic<uint64_t> displayTextChanges{1};

}  // namespace

uint64_t DisplayTextStamp() { return displayTextChanges.load(std::memory_order_relaxed); }
void NoteDisplayTextChange() { displayTextChanges.fetch_add(1, std::memory_order_relaxed); }

TTextElement::TTextElement() : TElement(false) {}

TTextElement::~TTextElement() { Runs.reset(); }

void TTextElement::ApplyTextFlag(int TextFlag, bool Value) {
  if (TextFlag < 0 || TextFlag > 15) return;
  const uint16_t bit = uint16_t(1u << TextFlag);
  TextFlags = Value ? uint16_t(TextFlags | bit) : uint16_t(TextFlags & ~bit);
}

void TTextElement::SetContent(StringView Value) {
  TElement::SetContent(Value);
  SetOwnTextFlag(tfTextPrepared, false);
  if (auto* p = Parent(); p && p->Tag() == u"xtemplate") Template = String(Value);
}

TWhiteSpace TTextElement::WhiteSpace() const {
  if (HasFlag(efLineBreak)) return wsPreLine;
  return WhiteSpaceOf(this);
}

bool TTextElement::CalcStyle(TCSSStyleSheet* Styles) {
  // Text follows its parent: while the parent keeps its style from the last
  // pass (a restyled parent clears its flag until its children are done),
  // and this text still sits under it with the same shared style, the text
  // values, the container and the font are those of the last pass.
  TElement* p = Parent();
  if (StyleCalculated() && p && p->StyleCalculated() && p == FStyledUnder && Style() == FStyledWith &&
      (Tag().empty() || HasFlag(efLineBreak)))
    return false;
  FStyledUnder = p;
  FStyledWith = Style();
  TElement::CalcStyle(Styles);
  FindContainer();
  if (!Tag().empty() && !HasFlag(efLineBreak)) {
    IncludeFlag(efLineBreak);
    TElement::SetContent(u"\n");
    SetOwnTextFlag(tfTextPrepared, false);
    Empty = false;
  }
  SetOwnTextFlag(tfFontChanged, true);
  calcTextStyle();
  return false;
}

void TTextElement::calcTextStyle() {
  TextStyle.Reset();
  TTextValues v;
  if (!TextValuesOf(this, v)) return;
  TextStyle.WordSpacing = v.WordSpacing;
  TextStyle.LetterSpacing = v.LetterSpacing;
  TextStyle.Overflow = v.Overflow;
  TextStyle.RTL = v.RTL;
  TextStyle.WritingMode = v.WritingMode;
  TextStyle.DecorationStyle = v.DecorationStyle;
  TextStyle.Color = DefaultTextColor();
}

const THtCanvasClass* TTextElement::canvasClass() const {
  return Document && Document->CanvasClass ? Document->CanvasClass : HtDefaultCanvasClass;
}

float TTextElement::surfaceScale() const {
  if (Document && Document->Surface) {
    const float s = Document->Surface->CurrentScale();
    if (std::isfinite(s) && s > 0) return s;
  }
  return 1.0f;
}

void TTextElement::SplitIntoRuns() {
  if (!Runs) Runs = std::make_unique<THtTextRuns>();
  Runs->Clear();
  if (const THtCanvasClass* cc = canvasClass()) cc->SplitString(DisplayText, *Runs, &THtTextRun::ClassType);
  else SplitTextRuns(DisplayText, *Runs, &THtTextRun::ClassType);
}

void TTextElement::prepareText() {
  TTextValues v;
  TextValuesOf(this, v);
  DisplayText = transformed(Content(), v.Transform);
  NoteDisplayTextChange();
  SetOwnTextFlag(tfTextPrepared, true);
  SplitIntoRuns();
  if (Font) measureRuns();
}

void TTextElement::measureRuns() {
  if (!Runs) return;
  const THtCanvasClass* cc = canvasClass();
  const float scale = surfaceScale();
  const bool zero = !Font || !(Font->Height() > 0);
  for (int i = 0; i < Runs->Count(); ++i) {
    THtTextRun* r = Runs->GetRun(i);
    if (r->Flags.Contains(trfSpace)) continue;
    float w = zero || !cc ? 0.0f : cc->MeasureString(DisplayText, Font, TextStyle, scale, r->Start, r->Count);
    r->LogicalWidth = std::isfinite(w) ? w : 0.0f;
  }
  Runs->FontScale = scale;
}

void TTextElement::ApplyFont(float COpacity, bool ApplyColor) {
  const THtCanvasClass* cc = canvasClass();
  bool remeasure = Runs && !SameSingle(Runs->FontScale, surfaceScale()) && cc &&
                   !cc->GetFlags().Contains(hcfCacheTextWidth);
  THtFont* old = Font;
  if (HasTextFlag(tfFontChanged) || HasTextFlag(tfRelativeFont) || !Font) {
    SetOwnTextFlag(tfFontChanged, false);
    Font = StyleFontOf(this);
    SetOwnTextFlag(tfRelativeFont, RelativeFontOf(this));
  }
  if (Font != old || remeasure) measureRuns();
  if (!ApplyColor) return;
  TextStyle.Opacity = COpacity;
  if (const TElementStyle* s = ElementStyleOf(this)) {
    TextStyle.Color = s->TextColor();
    TextStyle.DecorationColor = s->TextDecorationColor();
    // Fonts are shared: the decoration lines are set again for each draw.
    if (Font) Font->SetStyle(s->CalculatedTextStyle);
  }
}

float TTextElement::LineHeight() const {
  const float fontLH = Font ? Font->LineHeight : 0.0f;
  if (!Font) return TextLineHeightOf(this, FontSizePxOf(this));
  return TextLineHeightOf(this, fontLH);
}

void TTextElement::CalcBoxes(TFlow* Flow) {
  if (HasFlag(efDestroying)) return;
  if (Content().empty()) Empty = true;
  if (Content().empty() || !Flow) {
    if (Content().empty()) LineBlocks.Clear();
    return;
  }
  if (!HasTextFlag(tfTextPrepared)) prepareText();
  Empty = DisplayText.empty();
  const TWhiteSpace ws = WhiteSpace();
  if (HasTextFlag(tfNearBlock)) SetOwnTextFlag(tfSpaceElement, ws == wsNormal && IsBlankString(DisplayText));
  // Next to a block, blank text under a collapsing mode builds nothing.
  if (HasTextFlag(tfNearBlock) && (ws == wsNormal || ws == wsNowrap) && IsBlankString(DisplayText) &&
      !HasFlag(efLineBreak)) {
    Empty = true;
    LineBlocks.Clear();
    return;
  }
  ApplyFont(1.0f, false);
  measureSpaces();
  makeLineBlocks(Flow);
  Empty = LineBlocks.Count() == 0;
}

void TTextElement::measureSpaces() {
  FirstRunIndex = 0;
  LastRunIndex = Runs ? Runs->Count() - 1 : -1;
  if (!Runs) return;
  const bool zero = !Font || !(Font->Height() > 0);
  const float spaceW = zero ? 0.0f : Font->SpaceWidth + TextStyle.LetterSpacing + TextStyle.WordSpacing;
  const bool tabStops = HasTabStops(Container);
  const TWhiteSpace ws = WhiteSpace();
  const bool collapsing = ws == wsNormal || ws == wsNowrap || ws == wsPreLine;
  THtObject* const* runs = Runs->List();
  auto run = [runs](int i) { return static_cast<THtTextRun*>(runs[i]); };
  for (int i = 0; i < Runs->Count(); ++i) run(i)->Flags.Exclude(trfHidden);
  if (collapsing) {
    if (HasTextFlag(tfLeftIsBlock))
      while (FirstRunIndex <= LastRunIndex && run(FirstRunIndex)->Flags.Contains(trfBlank)) ++FirstRunIndex;
    if (HasTextFlag(tfRightIsBlock))
      while (LastRunIndex >= FirstRunIndex && run(LastRunIndex)->Flags.Contains(trfBlank)) --LastRunIndex;
  }
  for (int i = FirstRunIndex; i <= LastRunIndex; ++i) {
    THtTextRun* r = run(i);
    if (!r->Flags.Contains(trfSpace) || r->Flags.Contains(trfHidden)) continue;
    const bool stopTab = tabStops && r->Flags.Contains(trfTab);
    const float unit = zero ? 0.0f : stopTab ? kTabStopWidth : spaceW;
    if (!r->Flags.Contains(trfBlank) || ws == wsPre || ws == wsPreWrap) {
      r->LogicalWidth = float(r->Count) * unit;
      continue;
    }
    r->LogicalWidth = stopTab ? float(r->Count) * unit : unit;
    if (stopTab) continue;
    for (int j = i + 1; j < Runs->Count(); ++j) {
      THtTextRun* n = run(j);
      if (!n->Flags.Contains(trfBlank) || (tabStops && n->Flags.Contains(trfTab))) break;
      n->LogicalWidth = 0;
      n->Flags.Include(trfHidden);
    }
  }
}

void TTextElement::makeLineBlocks(TFlow* Flow) {
  if (LastRunIndex < FirstRunIndex) {
    LineBlocks.Clear();
    return;
  }
  const TWhiteSpace ws = WhiteSpace();
  const bool lineBreakElement = HasFlag(efLineBreak);
  const bool tabStops = HasTabStops(Container);
  const TVAlign valign = DisplayOf(this) == dsInline ? VAlignOf(this) : vaBaseLine;
  const float height = Font ? LineHeight() : FontSizePxOf(this);
  // The leading of a line-height beyond the font's is split above and
  // below the text, so a run's baseline sits mid-way in its own height.
  const float ascent =
      Font ? Font->Ascent + std::max(0.0f, height - (Font->Ascent + Font->Descent)) / 2 : 0.0f;
  int used = 0;
  THtObject* const* runs = Runs->List();
  for (int i = FirstRunIndex; i <= LastRunIndex; ++i) {
    THtTextRun* r = static_cast<THtTextRun*>(runs[i]);
    const THtTextRunFlags rf = r->Flags;
    if (rf.Contains(trfHidden) && !(rf.Contains(trfLineBreak) && (ws == wsPre || ws == wsPreWrap))) continue;
    THtLineBlock* b = used < LineBlocks.Count() ? LineBlocks.Get(used) : LineBlocks.CreateBlock(this);
    b->E = this;
    b->LogicalWidth = r->LogicalWidth;
    b->Start = r->Start;
    b->Bidi = r->Bidi;
    b->LogicalHeight = height;
    b->Ascent = ascent;
    b->VAlign = valign;
    b->Line = 0;
    b->Left = b->Top = 0;
    const bool blank = rf.Contains(trfBlank);
    THtTextRunFlags f = rf;
    int count = r->Count;
    switch (ws) {
      case wsNowrap:
        if (lineBreakElement) {
          f = THtTextRunFlags{trfText, trfLineBreak};
          b->LogicalWidth = 1;
        } else {
          f = f - THtTextRunFlags{trfBreakBefore, trfBreakAfter, trfLineBreak} + THtTextRunFlags{trfText};
        }
        if (blank) {
          count = 1;
          f.Include(trfCollapsible);
        }
        break;
      case wsPre:
        f = f - THtTextRunFlags{trfBreakBefore, trfBreakAfter} + THtTextRunFlags{trfText};
        if (f.Contains(trfLineBreak)) b->LogicalWidth = 0;
        break;
      case wsPreWrap:
        if (lineBreakElement) {
          f = f + THtTextRunFlags{trfText, trfLineBreak};
          b->LogicalWidth = 1;
        } else {
          f = f + THtTextRunFlags{trfText};
          if (f.Contains(trfLineBreak)) b->LogicalWidth = 1;
        }
        break;
      default:  // normal and pre-line
        if (lineBreakElement) {
          f = f + THtTextRunFlags{trfText, trfLineBreak};
          b->LogicalWidth = 1;
        } else if (ws == wsNormal) {
          f = f - THtTextRunFlags{trfLineBreak} + THtTextRunFlags{trfText};
        } else {
          f = f + THtTextRunFlags{trfText};
        }
        if (blank) {
          if (tabStops && rf.Contains(trfTab)) {
            f.Include(trfCollapsible);
          } else {
            count = 1;
            f.Exclude(trfTab);
            if (!lineBreakElement) f.Include(trfCollapsible);
          }
        }
        break;
    }
    b->Flags = f;
    b->Count = count;
    if (Flow->AddBlock(b)) ++used;
  }
  LineBlocks.Truncate(used);
}

}  // namespace ht

namespace ht {

// --- Layout and geometry -------------------------------------------------------------

bool TTextElement::CalcLayout() { return LineBlocks.First() != nullptr; }

float TTextElement::TextWidth(StringView S, int AFirstChar, int ALength) const {
  if (S.empty() || ALength == 0 || !Font || !(Font->Height() > 0)) return 0;
  if (AFirstChar < 1) AFirstChar = 1;
  if (ALength < 0 || size_t(AFirstChar - 1 + ALength) > S.size()) ALength = int(S.size()) - (AFirstChar - 1);
  if (ALength <= 0) return 0;
  bool cjk = false;
  for (int i = AFirstChar - 1; i < AFirstChar - 1 + ALength && !cjk; ++i) {
    const char16_t c = S[size_t(i)];
    cjk = (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
  }
  if (Font->Fixed && !cjk && Font->FixedCharWidth > 0) return float(ALength) * Font->FixedCharWidth;
  const THtCanvasClass* cc = canvasClass();
  if (!cc) return 0;
  const float w = cc->MeasureString(S, Font, TextStyle, surfaceScale(), AFirstChar, ALength);
  return std::isfinite(w) ? w : 0.0f;
}

THtLineBlock* TTextElement::SplitBlockAtChar(THtLineBlock* LB, int CharPos) {
  if (!LB || CharPos <= 0 || CharPos >= LB->Count) return LB;
  const int index = LineBlocks.IndexOf(LB);
  if (index < 0) return LB;
  const float firstWidth = TextWidth(DisplayText, LB->Start, CharPos);
  THtLineBlock* b = LineBlocks.InsertBlock(index + 1, this);
  b->Start = LB->Start + CharPos;
  b->Count = LB->Count - CharPos;
  b->LogicalWidth = std::max(0.0f, LB->LogicalWidth - firstWidth);
  b->Flags = LB->Flags;
  b->Bidi = LB->Bidi;
  b->LogicalHeight = LB->LogicalHeight;
  b->Ascent = LB->Ascent;
  b->VAlign = LB->VAlign;
  b->Line = LB->Line;
  THtLineBlock* next = LB->NextBlock();
  LB->SetNextBlock(b);
  b->SetNextBlock(next);
  LB->Count = CharPos;
  LB->LogicalWidth = firstWidth;
  return b;
}

THtLineBlock* TTextElement::SplitBlock(THtLineBlock* LB, float Offset) {
  if (!LB || LB->Count < 2 || LB->LogicalWidth < 8) return LB;
  const float average = LB->LogicalWidth / float(LB->Count);
  int n = average > 0 ? int(std::lround(Offset / average)) : 1;
  n = std::clamp(n, 1, LB->Count - 1);
  if (TextWidth(DisplayText, LB->Start, n) > Offset) {
    while (n > 1 && TextWidth(DisplayText, LB->Start, n) > Offset) --n;
    if (TextWidth(DisplayText, LB->Start, n) > Offset) return LB;
  } else {
    while (n + 1 <= LB->Count - 1 && TextWidth(DisplayText, LB->Start, n + 1) <= Offset) ++n;
  }
  return SplitBlockAtChar(LB, n);
}

namespace {

float scrolled(const TElement* E, bool Vertical) {
  if (!E->FOverflowData) return 0;
  return float(Vertical ? E->FOverflowData->VOffset : E->FOverflowData->HOffset);
}

}  // namespace

// Runs lie in the content box of the container whose flow placed them.
float TTextElement::GetRealLeft() const {
  const TElement* c = static_cast<const TElement*>(Container);
  if (!c || c == this) return 0;
  return c->RealLeft() + c->OuterRect.Left + c->LeftDelta() - scrolled(c, false);
}

float TTextElement::GetRealTop() const {
  const TElement* c = static_cast<const TElement*>(Container);
  if (!c || c == this) return 0;
  float t = c->RealTop() + c->OuterRect.Top + c->TopDelta() - scrolled(c, true);
  if (c->HasFlag(efTableCell) || DisplayOf(c) == dsTableCell) t += c->VDelta;
  return t;
}

TRectF TTextElement::Rects(int Line) const {
  const int want = StartLine() + Line;
  for (int i = 0; i < LineBlocks.Count(); ++i) {
    const THtLineBlock* b = LineBlocks.Get(i);
    if (b->Line < want) continue;
    TRectF r = b->R();
    for (int j = i + 1; j < LineBlocks.Count(); ++j) {
      const THtLineBlock* n = LineBlocks.Get(j);
      if (n->Line != b->Line) break;
      r.Right = std::max(r.Right, n->X() + n->XSize());
    }
    return r;
  }
  return TRectF();
}

}  // namespace ht

namespace ht {

void TTextElement::Draw(TFlow* Flow, const THtDrawInfo& DI) { HtPaintServices().TextDraw(*this, Flow, DI); }
void TTextElement::DrawRun(TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI) {
  HtPaintServices().TextDrawRun(*this, Flow, Block, DI);
}

}  // namespace ht
