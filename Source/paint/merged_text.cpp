// Consecutive text runs of one line that share direction, vertical
// alignment, font and level are drawn as one chunk: one text object with
// the runs' styles and colours as ranges (canvases with text layouts), or
// one DrawString with the first run's font (simple layouts). Selection,
// search highlight and spelling marks are drawn per run around it.
#include <algorithm>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/text_object.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/element_paint.h"
#include "paint/paint_cycle.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

const THtTextRunFlags textOnly{trfText};
const THtTextRunFlags wideMask{trfSpace, trfBlank, trfText};

bool visibleText(const THtLineBlock* B) { return B->IsText() && !B->Hidden(); }

bool sameFont(const THtFont* A, const THtFont* B) {
  if (A == B) return true;
  return A && B && A->Size() == B->Size() && A->Family() == B->Family();
}

bool hasWordSpacing(const TElement* E) {
  const auto* t = dynamic_cast<const TTextElement*>(E);
  return t && t->TextStyle.WordSpacing != 0;
}

bool decorated(const TElementStyle& S) {
  return S.CalculatedTextStyle.Contains(hfsUnderline) || S.CalculatedTextStyle.Contains(hfsStrikeOut);
}

}  // namespace

THtLineBlock* DrawMergedText(const TTextWalk& W, THtLineBlock* B0) {
  auto* E0 = dynamic_cast<TTextElement*>(B0->E);
  TElementStyle* S0 = E0 ? ElementStyleOf(E0) : nullptr;
  THtCanvas* G = E0 ? SurfaceOf(*E0) : nullptr;
  THtDocument* doc = E0 ? E0->Document : nullptr;
  if (!E0 || !S0 || !G || !doc || !W.Flow) {
    if (B0->E) B0->E->DrawRun(W.Flow, B0, W.ChildDI);
    return B0;
  }
  TFlow& flow = *W.Flow;
  const float ox = flow.PaintOriginX, oy = flow.PaintOriginY;

  // 1. The first run.
  E0->ApplyFont(S0->CalculatedOpacity, true);
  String T = B0->DisplayText();
  TRectF Rc = B0->R();
  THtLineBlock* Cur = B0;
  THtLineBlock* Last = B0;
  THtTextRunFlags mask = W.Justified || hasWordSpacing(E0) ? wideMask : textOnly;

  // 2. Extend while the next run qualifies.
  for (THtLineBlock* N = Cur->NextBlock(); N; N = Cur->NextBlock()) {
    const bool isText = N->IsText();
    if (!isText && !N->Has(trfInlineStart) && !N->Has(trfInlineEnd)) break;
    if (N->Bidi != B0->Bidi && (N->Bidi == bdRTL || B0->Bidi == bdRTL)) break;
    if (N->Line != B0->Line || N->VAlign != B0->VAlign || N->Has(trfTab) || B0->Has(trfTab) ||
        N == flow.LastBlocktoPrint)
      break;
    if (N->E != Cur->E) {
      const TElementStyle* ns = ElementStyleOf(N->E);
      if (!ns || ns->NoTextShadow() != S0->NoTextShadow() || ns->ZIndex != S0->ZIndex) break;
    }
    if (isText) {
      if (hasWordSpacing(Cur->E)) mask = wideMask;
      if (N->E != Cur->E) {
        if ((N->Flags * mask) != textOnly) break;
        auto* nt = dynamic_cast<TTextElement*>(N->E);
        if (!nt) break;
        // Fonts are made ready lazily: an element met first here gets its
        // font now, so the comparison sees it.
        if (!nt->Font) nt->ApplyFont(1.0f, false);
        if (!sameFont(nt->Font, E0->Font)) break;
      }
      if (Last->IsText() && (Last->Flags * mask) != textOnly) break;
    }
    if (isText && !N->Hidden()) {
      if (!sameFont(static_cast<TTextElement*>(N->E)->Font, E0->Font)) break;
    } else if (!isText && N->LogicalWidth != 0) {
      break;
    }
    if (!W.UseTextLayouts && !isText) break;
    // The inline box lies under the chunk's text.
    if (N->Has(trfInlineStart)) N->E->DrawRun(W.Flow, N, W.ChildDI);
    if (isText && !N->Hidden() && N->LogicalWidth > 0) T += N->DisplayText();
    Cur = N;
    if (isText) Last = N;
  }

  // 3. The string as drawn; the last visible text run. A collapsed blank
  // keeps its first unit, which is a bare line feed in text with Unix line
  // ends: it is laid out a space wide and must be drawn as one.
  for (char16_t& c : T)
    if (c == u'\r' || c == u'\n' || c == u'\t') c = u' ';
  THtLineBlock* End = Cur;
  while (End != B0 && (!visibleText(End) || End->Has(trfInlineStart) || End->Has(trfInlineEnd)))
    End = End->PreviousBlock();
  if (End->Has(trfHyphen)) T += u'-';

  // 4. The chunk's rectangle.
  const TRectF re = End->R();
  Rc.Left = std::min(Rc.Left, re.Left);
  Rc.Right = std::max(Rc.Right, re.Right);
  const TElementStyle* os = W.Owner ? ElementStyleOf(W.Owner) : nullptr;
  const bool ellipsis = os && os->TextOverflow() == toEllipsis;
  if (ellipsis) {
    const TRectF inner = W.Owner->InnerRect();
    Rc.Right = std::min(Rc.Right, inner.Right - inner.Left);
  }
  const TRectF Rs = Moved(Rc, ox, oy);

  // 5. Nothing to draw out of view.
  if (T.empty() || !G->DocumentRectInView(Rs)) return Cur;
  bool draw = !IsBlankString(T) || decorated(*S0);
  const int length = int(T.size());

  // 6. The text object.
  std::unique_ptr<THtTextObject> object;
  if (W.UseTextLayouts) {
    E0->TextStyle.RTL = B0->Bidi == bdRTL;
    object = G->CreateTextObject(T, E0->Font, E0->TextStyle, Rs, 1, length);
    if (object) {
      object->Ellipsis = S0->TextOverflow() == toEllipsis;
      if (!S0->NoTextShadow()) {
        const TElementShadow sh = S0->TextShadow();
        object->Shadow = true;
        object->ShadowX = sh.X.ToPixels();
        object->ShadowY = sh.Y.ToPixels();
        object->ShadowColor = sh.Color;
      }
    }
  }

  // 7. Search highlight under the text.
  Rc = Rs;
  auto eachRun = [&](auto&& Fn) {
    TTextElement* current = nullptr;
    for (THtLineBlock* b = B0;; b = b->NextBlock()) {
      if (b->IsText()) {
        auto* t = static_cast<TTextElement*>(b->E);
        const bool entered = t != current;
        current = t;
        Fn(*t, *b, entered);
      }
      if (b == End || !b->NextBlock()) break;
    }
  };
  if (!doc->HighlightText().empty()) {
    eachRun([&](TTextElement& t, THtLineBlock& b, bool entered) {
      if (entered) {
        t.IncludeFlag(efDrawn);
        if (const TElementStyle* s = ElementStyleOf(&t)) t.ApplyFont(s->CalculatedOpacity, true);
      }
      DrawHighlightedText(t, b, Moved(b.R(), ox, oy), W.Flow);
    });
  }

  // 8.
  if (ellipsis) Rc.Right = std::min(Rc.Right, doc->FViewPort.Right - doc->FViewPort.Left);

  // 9. Per run: styles and colours as ranges, selection, spelling marks.
  int selFirst = 0, selLast = 0;
  bool blendLeftSet = false, blendRightSet = false;
  float blendLeft = -1, blendRight = -1;
  const bool blended = doc->BlendedSelection;
  int P = 1;
  eachRun([&](TTextElement& t, THtLineBlock& b, bool entered) {
    const TElementStyle* s = ElementStyleOf(&t);
    if (!s) return;
    if (entered) {
      t.IncludeFlag(efDrawn);
      t.ApplyFont(s->CalculatedOpacity, true);
    }
    const bool shown = !b.Hidden() && b.LogicalWidth > 0;
    if (object && shown) {
      if (s->CalculatedTextStyle != S0->CalculatedTextStyle || decorated(*s)) {
        object->SetStyle(s->CalculatedTextStyle, P, b.Count, t.TextStyle.DecorationColor, t.TextStyle.DecorationStyle);
        draw = true;
      }
      if (t.TextStyle.Color != E0->TextStyle.Color) object->SetColor(t.TextStyle.Color, P, b.Count);
    }
    const int lastSel = t.SelEnd;
    const int runLast = b.Start + b.Count - 1;
    if (t.HasTextFlag(tfInSelection) && !doc->HideSelection &&
        ((b.Start >= t.SelStart && b.Start <= lastSel) || (t.SelStart >= b.Start && t.SelStart <= runLast))) {
      const int first = P + (std::max(t.SelStart, b.Start) - b.Start);
      const int last = P + (std::min(lastSel, runLast) - b.Start);
      if (selFirst == 0) selFirst = first;
      selLast = std::max(selLast, last);
      const TRectF rr = b.R();
      if (!blended) {
        const float top = oy + flow.GetLine(b.Line)->Y;
        DrawSelectionBackground(t, b, W.Flow,
                                TRectF{rr.Left + ox, top, rr.Right + ox, top + flow.GetLine(b.Line)->Height});
      } else {
        if (!blendLeftSet && runLast >= t.SelStart) {
          blendLeft = rr.Left + (t.SelStart > b.Start ? TextRangeWidth(t, b.Start, t.SelStart - b.Start) : 0);
          blendLeftSet = true;
        }
        if (lastSel <= runLast) {
          blendRight = rr.Left + TextRangeWidth(t, b.Start, lastSel - b.Start + 1);
          blendRightSet = true;
        } else {
          blendRight = rr.Right;
          blendRightSet = true;
        }
      }
    }
    if (doc->SpellChecking) {
      const TRectF rr = Moved(b.R(), ox, oy);
      DrawSpellingMark(t, b, rr, rr.Bottom - rr.Top);
    }
    if (shown) P += b.Count;
  });

  // 10. The text.
  if (!W.UseTextLayouts) {
    if (draw) {
      // A later run's element may share the font with other decoration.
      E0->ApplyFont(S0->CalculatedOpacity, true);
      E0->TextStyle.RTL = B0->Bidi == bdRTL;
      G->DrawString(T, Rs, E0->Font, E0->TextStyle, 1, length);
      if (!S0->NoTextShadow()) {
        const TElementShadow sh = S0->TextShadow();
        G->DrawTextShadow(T, Rs, E0->TextStyle, E0->Font, sh.X.ToPixels(), sh.Y.ToPixels(), sh.Blur.ToPixels(),
                          sh.Color);
      }
    }
  } else if (draw && object) {
    G->DrawTextObject(object.get(), Rs, E0->Font);
  }
  // The blended rectangle joins the document's merged highlight on every
  // back end (simple layouts as well).
  if (selFirst != 0 && blended && blendLeftSet) {
    const float right = blendRightSet ? blendRight + ox : Rc.Right;
    AddSelectionRect(*doc, TRectF{blendLeft + ox, Rc.Top, right, Rc.Bottom});
  }
  return Cur;
}

}  // namespace ht
