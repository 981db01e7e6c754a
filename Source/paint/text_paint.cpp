// Text runs one at a time: the selection background, the boxes behind the
// search highlight, the glyphs (with a text shadow) and the spelling mark.
// The merged pass (merged_text.cpp) draws most text; these routines draw
// what it does not take and what it asks of single runs.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/pen.h"
#include "css/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/element_paint.h"
#include "paint/text_paint.h"
#include "platform/rtl/case_mapping.h"

namespace ht {

namespace {

// Blank text under a collapsing white-space mode without decoration lines
// draws nothing, so its font is not even made ready.
bool drawsNothing(TTextElement& T, const TElementStyle& S) {
  if (!IsBlankString(T.DisplayText)) return false;
  const TWhiteSpace ws = T.HasFlag(efLineBreak) ? wsPreLine : T.WhiteSpace();
  if (ws != wsNormal && ws != wsNowrap) return false;
  return !S.CalculatedTextStyle.Contains(hfsUnderline) && !S.CalculatedTextStyle.Contains(hfsStrikeOut);
}

float lineHeight(TFlow* Flow, const THtLineBlock& LB) { return Flow ? Flow->GetLine(LB.Line)->Height : LB.YSize(); }

}  // namespace

float TextRangeWidth(TTextElement& T, int First, int Count) {
  if (Count <= 0 || !T.Font) return 0;
  const THtCanvas* G = SurfaceOf(T);
  const THtCanvasClass* cc = T.Document && T.Document->CanvasClass ? T.Document->CanvasClass : HtDefaultCanvasClass;
  if (!cc) return 0;
  return cc->MeasureString(T.DisplayText, T.Font, T.TextStyle, G ? G->Scene.Scale : 1.0f, First, Count);
}

void TextDraw(TTextElement& T, TFlow* Flow, const THtDrawInfo& DI) {
  T.IncludeFlag(efDrawn);
  TElementStyle* S = ElementStyleOf(&T);
  if (!S || T.LineBlocks.Count() == 0 || DI.ZIndex != S->ZIndex) return;
  if (S->CalculatedOpacity == 0 || (T.Empty && T.HasTextFlag(tfNearBlock))) return;
  TRectF bounds = T.LineBlocks.First()->R();
  for (int i = 1; i < T.LineBlocks.Count(); ++i) {
    const THtLineBlock* b = T.LineBlocks.Get(i);
    if (b->LogicalWidth <= 0) continue;
    const TRectF r = b->R();
    bounds = TRectF{std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top), std::max(bounds.Right, r.Right),
                    std::max(bounds.Bottom, r.Bottom)};
  }
  if (!RectInView(T, Moved(bounds, DI.CX, DI.CY))) return;
  if (!drawsNothing(T, *S)) T.ApplyFont(S->CalculatedOpacity, true);
  for (int i = 0; i < T.LineBlocks.Count(); ++i) {
    THtLineBlock* b = T.LineBlocks.Get(i);
    if (b->Hidden() || b->LogicalWidth <= 0) continue;
    const TRectF r = Moved(b->R(), DI.CX, DI.CY);
    if (RectInView(T, r)) DrawTextRun(T, *b, Flow, r, DI);
  }
}

void TextDrawRun(TTextElement& T, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI) {
  T.IncludeFlag(efDrawn);
  TElementStyle* S = ElementStyleOf(&T);
  if (!S || !Block || S->CalculatedOpacity == 0 || (T.Empty && T.HasTextFlag(tfNearBlock))) return;
  const float ox = Flow ? Flow->PaintOriginX : DI.CX, oy = Flow ? Flow->PaintOriginY : DI.CY;
  const TRectF r = Moved(Block->R(), ox, oy);
  if (!drawsNothing(T, *S)) T.ApplyFont(S->CalculatedOpacity, true);
  DrawTextRun(T, *Block, Flow, r, DI);
}

void DrawTextRun(TTextElement& T, THtLineBlock& LB, TFlow* Flow, TRectF Rect, const THtDrawInfo&) {
  TElementStyle* S = ElementStyleOf(&T);
  THtCanvas* G = SurfaceOf(T);
  THtDocument* doc = T.Document;
  if (!S || !G || !doc || S->CalculatedOpacity == 0 || !RectInView(T, Rect)) return;
  Rect.Bottom = std::ceil(Rect.Bottom);
  // Colours may be animating.
  if (doc->SubscribedtoAnimation) {
    T.TextStyle.Color = S->TextColor();
    T.TextStyle.DecorationColor = S->TextDecorationColor();
  }
  if (!doc->HighlightText().empty()) DrawHighlightedText(T, LB, Rect, Flow);
  const int lastSel = T.SelEnd;
  const bool selected = T.HasTextFlag(tfInSelection) &&
                        ((LB.Start >= T.SelStart && LB.Start <= lastSel) ||
                         (T.SelStart >= LB.Start && T.SelStart <= LB.Start + LB.Count));
  if (selected && !doc->HideSelection) DrawSelectionBackground(T, LB, Flow, Rect);
  const bool decorated =
      S->CalculatedTextStyle.Contains(hfsUnderline) || S->CalculatedTextStyle.Contains(hfsStrikeOut);
  if (T.Font && LB.Count > 0 &&
      (decorated || !IsBlankString(StringView(T.DisplayText).substr(
                        std::min(T.DisplayText.size(), size_t(std::max(LB.Start - 1, 0))), size_t(LB.Count))))) {
    T.TextStyle.RTL = LB.Bidi == bdRTL;
    if (S->NoTextShadow()) {
      G->DrawString(T.DisplayText, Rect, T.Font, T.TextStyle, LB.Start, LB.Count);
    } else {
      const TElementShadow sh = S->TextShadow();
      G->DrawTextShadow(LB.DisplayText(), Rect, T.TextStyle, T.Font, sh.X.ToPixels(), sh.Y.ToPixels(),
                        sh.Blur.ToPixels(), sh.Color);
    }
  }
  if (doc->SpellChecking) DrawSpellingMark(T, LB, Rect, Rect.Bottom - Rect.Top);
}

void DrawHighlightedText(TTextElement& T, THtLineBlock& LB, const TRectF& Rect, TFlow* Flow) {
  THtCanvas* G = SurfaceOf(T);
  if (!G || !T.Document) return;
  const String& pattern = T.Document->HighlightText();
  const int n = int(pattern.size());
  const int length = int(T.DisplayText.size());
  if (n == 0 || length == 0) return;
  const int from = std::max(LB.Start - n, 1);
  const int to = std::min(LB.Start + LB.Count + n, length);
  if (to < from) return;
  const String window = LowerCaseSameLength(StringView(T.DisplayText).substr(size_t(from - 1), size_t(to - from + 1)));
  const int runEnd = LB.Start + LB.Count;
  THtBrush* brush = nullptr;
  for (size_t p = window.find(pattern); p != String::npos; p = window.find(pattern, p + size_t(n))) {
    const int s = int(p) + from;  // the match's first character
    if (s > runEnd) break;
    const int e = s + n - 1;
    if (!((LB.Start >= s && LB.Start <= e) || (s >= LB.Start && s <= runEnd))) continue;
    const float x1 = s <= LB.Start ? 0 : TextRangeWidth(T, LB.Start, s - LB.Start);
    const float x2 =
        e >= runEnd - 1 ? (Rect.Right - Rect.Left) + 1 : TextRangeWidth(T, LB.Start, e - LB.Start + 1);
    if (x2 - x1 <= 1) continue;
    if (!brush) brush = G->GetBrush(T.Document->HighlightTextColor);
    G->FillRectangle(brush, Rect.Left + x1, Rect.Top, x2 - x1 + 1, lineHeight(Flow, LB));
  }
}

void DrawSelectionBackground(TTextElement& T, THtLineBlock& LB, TFlow* Flow, const TRectF& Rect) {
  THtCanvas* G = SurfaceOf(T);
  const int runEnd = LB.Start + LB.Count;  // just past the run
  if (!G || T.SelStart >= runEnd) return;
  const int lastSel = T.SelEnd;
  float x1, x2;
  if (LB.Bidi != bdRTL) {
    x1 = T.SelStart <= LB.Start ? 0 : TextRangeWidth(T, LB.Start, T.SelStart - LB.Start);
    x2 = lastSel >= runEnd - 1 ? Rect.Right - Rect.Left : TextRangeWidth(T, LB.Start, lastSel - LB.Start + 1);
  } else {
    // The logical end lies at the visual left.
    x1 = lastSel >= runEnd - 1 ? 0 : TextRangeWidth(T, lastSel + 1, runEnd - 1 - lastSel);
    x2 = T.SelStart <= LB.Start ? Rect.Right - Rect.Left : TextRangeWidth(T, T.SelStart, runEnd - T.SelStart);
  }
  if (x2 - x1 <= 1) return;
  const uint32_t color = ParseHtColor(u"highlight") & 0x40FFFFFFu;
  G->FillRectangle(G->GetBrush(color), Rect.Left + x1, Rect.Top, x2 - x1, lineHeight(Flow, LB));
}

void DrawSpellingMark(TTextElement& T, THtLineBlock& LB, const TRectF& Rect, float Height) {
  THtCanvas* G = SurfaceOf(T);
  const TElementStyle* S = ElementStyleOf(&T);
  if (!G || !S || !LB.Has(trfSpellIncorrect) || !T.Visible() || S->CalculatedOpacity == 0) return;
  THtPen* pen = G->GetPen(0xFFFF0000u, 1);
  pen->SetWidth(0.5f);
  pen->SetStyle(hpsSolid);
  const float y = std::round(Rect.Top + Height) - 0.5f;
  G->DrawWavyLine(Rect.Left, y, Rect.Right, y, pen);
}

}  // namespace ht
