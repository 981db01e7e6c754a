// Line breaking: the runs of a flow's chain are walked in order with a pen
// position, broken at the last opportunity before the available width runs
// out, narrowed beside floats, and every finished line is handed to line
// alignment. Inline blocks and floats are laid out when the walk meets them.
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas/font.h"
#include "canvas/hyphenation.h"
#include "css/element_style.h"
#include "css/float_bands.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "document/element.h"
#include "layout/flow.h"
#include "layout/layout_internal.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"

namespace ht {

namespace {

// Lines that had to be cut short to keep the walk moving.
int forcedBreaks = 0;

const TBaseElementStyle* baseStyleOf(const TStyledHTMLNode* N) {
  auto* facts = N ? (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr) : nullptr;
  return facts ? &facts->Style() : nullptr;
}

bool wraps(TWhiteSpace ws) { return ws == wsNormal || ws == wsPreLine || ws == wsPreWrap; }
bool collapses(TWhiteSpace ws) { return ws == wsNormal || ws == wsNowrap || ws == wsPreLine; }

bool splitsWords(TCSSWordBreak wb) { return wb == wbBreakWord || wb == wbBreakAll || wb == wbHyphens; }

float finite(float v) { return std::isfinite(v) ? v : 0.0f; }

TCSSPageBreak pageBreakBefore(const TElement* E) {
  const TBaseElementStyle* s = baseStyleOf(E);
  return s ? s->PageBreakBefore() : pbAuto;
}
TCSSPageBreak pageBreakAfter(const TElement* E) {
  const TBaseElementStyle* s = baseStyleOf(E);
  return s ? s->PageBreakAfter() : pbAuto;
}
TCSSPageBreak pageBreakInside(const TElement* E) {
  const TBaseElementStyle* s = baseStyleOf(E);
  return s ? s->PageBreakInside() : pbAuto;
}
bool columnBreakAfter(const TElement* E) {
  const TBaseElementStyle* s = baseStyleOf(E);
  return s && s->BreakAfter() == cbaColumn;
}

// The owner's content continues on a later page: it and its ancestors (and
// with Descendants its subtree too) are no longer completely drawn.
void continuesLater(TElement* E, bool Descendants = false) {
  if (Descendants && E) {
    std::vector<TElement*> stack{E};
    while (!stack.empty()) {
      TElement* e = stack.back();
      stack.pop_back();
      e->ExcludeFlag(efCompletelyDrawn);
      for (int i = 0; i < e->Count(); ++i)
        if (TElement* c = AsElement(e->GetNodes()->Get(i))) stack.push_back(c);
    }
  }
  for (TElement* e = E; e; e = e->Parent()) e->ExcludeFlag(efCompletelyDrawn);
}

}  // namespace

void TFlow::DistributeColumns(int Columns, float Gap, float ColumnWidth, bool Paged) {
  if (Columns < 2 || !FirstBlocktoPrint || FLines.empty()) return;
  int first = std::clamp(FirstBlocktoPrint->Line, 0, LineCount() - 1);
  const int last = std::min(Line, LineCount() - 1);
  if (first > last) return;
  float height = FHeight;
  if (Paged) {
    for (int i = first; i < last; ++i) {
      const THtLineInfo& l = FLines[size_t(i)];
      height -= std::round(FLines[size_t(i + 1)].Y - l.Y - l.Height);
    }
  }
  float target = std::trunc(std::max(0.0f, height) / float(Columns));
  const float step = ColumnWidth + std::round(Gap);
  FHeight = 0;
  float xShift = 0, yShift = 0;
  int column = 0;
  bool firstBreak = true;
  auto nextColumn = [&](int i, float y) {
    if (firstBreak && i > first) {
      const THtLineInfo& p = FLines[size_t(i - 1)];
      target = std::round(p.Y + p.Height);
    }
    firstBreak = false;
    yShift = y;
    xShift += step;
    ++column;
  };
  for (int i = first; i <= last; ++i) {
    THtLineInfo& l = FLines[size_t(i)];
    if (l.Y - yShift >= target && column < Columns - 1 && i > first) nextColumn(i, std::round(l.Y));
    FHeight = std::max(FHeight, l.Y + l.Height - yShift);
    ContentRect.Bottom = FHeight;
    const float originalY = l.Y;
    if (yShift > 0) {
      ShiftLine(i, xShift, -yShift);
      l.Y -= yShift;
      l.LeftOffset += int(std::lround(xShift));
      if (i < last) yShift += std::round(FLines[size_t(i + 1)].Y - originalY - l.Height);
    }
    if (column < Columns - 1 && i < last) {
      bool breaks = false;
      for (THtLineBlock* r = l.FirstBox; r && r->Line == i; r = r->NextBlock())
        if (!r->IsText() && r->E && columnBreakAfter(r->E)) breaks = true;
      if (breaks) nextColumn(i + 1, std::round(FLines[size_t(i + 1)].Y));
    }
  }
}

void TFlow::ShiftLine(int Index, float DX, float DY) {
  if (Index < 0 || Index >= LineCount()) return;
  for (THtLineBlock* r = FLines[size_t(Index)].FirstBox; r && r->Line == Index; r = r->NextBlock()) {
    r->Left += DX;
    r->Top += DY;
    if (!r->IsText() && !r->Has(trfInlineStart) && !r->Has(trfInlineEnd) && r->E) r->E->OffsetRects(DX, DY);
    if (r == LastBlock) break;
  }
}

void TFlow::TurnLines(TCSSWritingMode Mode) {
  if (FLines.empty()) return;
  const int last = std::clamp(Line, 0, LineCount() - 1);
  const float lastY = FLines[size_t(last)].Y;
  const bool mirror = Mode == wmVerticalRL;
  auto turn = [&](float Top) { return mirror ? lastY - Top : Top; };
  auto turnLine = [&](int i) {
    for (THtLineBlock* r = FLines[size_t(i)].FirstBox; r && r->Line == i; r = r->NextBlock()) {
      TElement* e = r->E;
      // A box moves once, however many of its runs the lines hold.
      if (!r->IsText() && !r->Has(trfInlineStart) && !r->Has(trfInlineEnd) && e && !e->HasFlag(efVMProcessed)) {
        const float w = e->OuterRect.Right - e->OuterRect.Left, h = e->OuterRect.Bottom - e->OuterRect.Top;
        const float left = turn(e->OuterRect.Top), top = e->OuterRect.Left;
        e->OuterRect = TRectF(left, top, left + w, top + h);
        e->CalcRects();
        e->IncludeFlag(efVMProcessed);
      }
      const float left = turn(r->Top);
      r->Top = r->Left;
      r->Left = left;
      if (r == LastBlock) break;
    }
  };
  if (Mode == wmVerticalLR)
    for (int i = last; i >= 0; --i) turnLine(i);
  else
    for (int i = 0; i <= last; ++i) turnLine(i);
  if (Owner) {
    Owner->InnerHeight = float(ContentWidth);
    Owner->InnerWidth = std::max(0.0f, finite(FHeight));
  }
  const int width = int(std::lround(std::max(0.0f, finite(FHeight))));
  FHeight = float(ContentWidth);
  ContentWidth = width;
  MinWidth = MaxContentWidth = float(ContentWidth);
}

int HtLayoutForcedBreaks() { return forcedBreaks; }

bool LineHeightPx(const TStyledHTMLNode* N, float& Px, bool* Number) {
  const TBaseElementStyle* s = baseStyleOf(N);
  if (!s) return false;
  const TMeasure lh = s->LineHeight();
  if (lh.GetAuto() || lh.Has(mfInitial) || lh.Has(mfInherit)) return false;
  Px = lh.ToPixels();
  if (!std::isfinite(Px)) return false;
  if (Number) *Number = lh.FMUnit == muNone && !lh.Calc;
  return true;
}

bool TFlow::CalcLines() {
  PaintBands.clear();
  HitBands.clear();
  struct TPass {
    TFlow& F;
    explicit TPass(TFlow& AF) : F(AF) {
      F.FOwnerLHSet = LineHeightPx(F.Owner, F.FOwnerLH, &F.FOwnerLHNumber);
      const TBaseElementStyle* os = baseStyleOf(F.Owner);
      F.FOwnerAlign = os ? os->TextAlign() : thStart;
      F.FLinePass = true;
    }
    ~TPass() { F.FLinePass = false; }
  } pass(*this);
  FRunsMarked = true;
  bool result = false;
  TElement* owner = Owner;
  FCurX = float(TextIndent);
  FCurY = float(StartY);
  const TBaseElementStyle* ownerStyle = baseStyleOf(owner);
  FTabStops = ownerStyle ? ownerStyle->TabStops() : nullptr;
  FirstBlocktoPrint = FirstNonPrintedBlock;
  while (FirstBlocktoPrint && FirstBlocktoPrint->Hidden()) FirstBlocktoPrint = FirstBlocktoPrint->NextBlock();
  FHeight = 0;
  ContentRect = TRectF(400000, 400000, -400000, -400000);
  ContentRect.Left = std::min(ContentRect.Left, FCurX);
  if (FLines.empty()) FLines.resize(1);
  Line = 0;
  if (owner && DisplayOf(owner) == dsFlex && !(owner->Document && owner->Document->Paged)) return CalcFlexLines();

  const TWhiteSpace ws = WhiteSpaceOf(owner);
  const bool wrapAllowed = wraps(ws);
  const bool vertical = owner && owner->HasFlag(efVertical);

  // Columns: lines are broken at the column width and spread over the
  // columns afterwards. A gap wider than the box leaves columns of width 0.
  THtDocument* doc = owner ? owner->Document : nullptr;
  const int columns = ownerStyle ? std::clamp(ownerStyle->ColumnCount(), 1, 65535) : 1;
  float columnGap = 0;
  if (columns > 1 && ownerStyle) {
    TMeasure m = ownerStyle->ColumnGap();
    if (m.FMUnit == muPercent) m.Parent = &owner->InnerWidth;
    columnGap = std::max(0.0f, finite(m.ToPixels()));
  }
  const float columnWidth =
      columns > 1 ? std::max(0.0f, std::trunc(std::round(finite(owner->InnerWidth) - float(columns - 1) * columnGap) /
                                              float(columns)))
                  : 0.0f;
  // The boxes in a column take the column's width as their container's.
  struct TColumnWidth {
    TElement* O;
    float Saved;
    bool On;
    ~TColumnWidth() {
      if (On) O->InnerWidth = Saved;
    }
  } columnScope{owner, owner ? owner->InnerWidth : 0.0f, columns > 1};
  if (columns > 1) owner->InnerWidth = columnWidth;
  auto distribute = [&] {
    if (columns > 1) DistributeColumns(columns, columnGap, columnWidth, doc && doc->Paged);
  };

  // Paged output: where the owner lies on the surface, the page's end, and
  // whether the page holds content yet.
  const bool paged = doc && doc->Paged;
  const float surfaceTop = paged ? finite(owner->SurfaceTop()) : 0.0f;
  const float contentTop = paged ? finite(owner->InnerRect().Top) : 0.0f;
  const bool ownerFixed = paged && owner->InFixedContainer();
  const bool avoidInside = paged && pageBreakInside(owner) == pbAvoid;
  const bool pageHadContent = paged && doc->FPagingBreak;
  bool pageHasContent = pageHadContent;
  float pageLimit = 0;
  TBlockFloats* floats = owner ? owner->FloatMapIfAny() : nullptr;
  const THtLanguage* language = nullptr;
  if (WordBreakOf(owner) == wbHyphens && owner) {
    const String lang = owner->Lang();
    if (!lang.empty()) language = THtLanguage::GetLanguage(lang);
  }

  THtLineSize size;
  float avail = 0, leftIndent = 0, rightIndent = 0;
  auto availableWidth = [&](bool withFloats) {
    float w = std::round(finite(vertical ? owner->InnerHeight : owner->InnerWidth));
    if (columns > 1) w = columnWidth;
    leftIndent = rightIndent = 0;
    floats = owner ? owner->FloatMapIfAny() : nullptr;
    if (withFloats && floats && floats->HasBands()) {
      const float fw = floats->AvailableWidth(FCurY, size.MarginHeight(), leftIndent, rightIndent);
      w -= std::round(owner->InnerWidth - fw);
    }
    return std::max(0.0f, w);
  };

  bool hasContent = false, ownFlowBox = false, hasRTL = false;
  TElement* metricsElement = nullptr;
  auto openLine = [&] {
    THtLineInfo& l = FLines[size_t(Line)];
    const float y = l.Y;
    const THAlign a = l.Align;
    l = THtLineInfo{};
    l.Y = y;
    l.Align = a;
    hasContent = ownFlowBox = hasRTL = false;
    size = THtLineSize{};
    avail = availableWidth(true);
    metricsElement = nullptr;
  };

  THtLineBlock* lineStart = FirstBlocktoPrint;
  if (!lineStart) {
    FLines[size_t(Line)] = THtLineInfo{};
    return false;
  }
  openLine();

  if (ownerStyle && ownerStyle->TextAlign() == thJustify) {
    for (THtLineBlock* r = lineStart; r; r = r->NextBlock()) {
      if (r->Has(trfSpace) && r->IsText()) {
        auto* t = AsTextElement(r->E);
        const float sw = t && t->Font ? t->Font->SpaceWidth + t->TextStyle.LetterSpacing : 0.0f;
        if (r->Has(trfTab)) r->LogicalWidth = float(r->Count) * 24.0f;
        else if (r->Has(trfBlank) && collapses(ws)) r->LogicalWidth = sw;
        else r->LogicalWidth = sw * float(r->Count);
      }
      if (r == LastBlock) break;
    }
  }

  float floatTop = 0;
  float lastTabEnd = -1;
  int pageColumn = 0;  // the column of a paged multi-column box
  // The word-break of the element whose runs are being walked.
  const TElement* wbElement = nullptr;
  TCSSWordBreak wbOfElement = wbNormal;

  // Extends the block container of a placed float so that it holds it.
  auto floatExtents = [&](TElement* f) {
    auto* bc = static_cast<TElement*>(f->BlockContainer());
    if (!bc || bc == f) return;
    const float dx = f->RealLeft() - (bc->RealLeft() + bc->OuterRect.Left + bc->LeftDelta());
    const float dy = f->RealTop() - (bc->RealTop() + bc->OuterRect.Top + bc->TopDelta());
    if (IsFloated(f) && f->Style()->Float() == fRight)
      bc->ContentWidth = std::max(bc->ContentWidth, bc->InnerWidth - (f->OuterRect.Left + dx));
    else
      bc->ContentWidth = std::max(bc->ContentWidth, f->OuterRect.Right + dx);
    bc->ContentHeight = std::max(bc->ContentHeight, f->OuterRect.Bottom + dy);
    if (bc->SelfFlow)
      bc->SelfFlow->MinWidth = std::max(
          bc->SelfFlow->MinWidth, std::ceil(f->MinContentWidth() + f->InnerDeltaX() + f->OuterDeltaX()));
  };

  for (;;) {
    // --- Fill one line --------------------------------------------------------------
    THtLineBlock* prev = nullptr;
    THtLineBlock* breakPoint = nullptr;
    THtLineBlock* wordBreakPoint = nullptr;
    THtLineBlock* cursor = nullptr;  // the last run of the line once it ends
    bool done = false;
    THtLineBlock* r = lineStart;
    TCSSWordBreak wb = wbNormal;
    float penEnd = 0;  // the pen after the line's last run when it stops early
    for (;;) {
      bool stop = false;
      for (; r; r = r->NextBlock()) {
        if (r->E != wbElement) {
          wbElement = r->E;
          wbOfElement = WordBreakOf(r->E);
        }
        wb = wbOfElement;
        if (paged && !r->IsText() && r->E && !r->E->HasFlag(efPBBeforeProcessed) &&
            pageBreakBefore(r->E) == pbAlways) {
          r->E->IncludeFlag(efPBBeforeProcessed);
          ++doc->FSavedForcedPage;
          r->E->ApplyPageOrientation();
          if (doc->FPagingBreak) {
            continuesLater(owner);
            if (r == lineStart) {
              LastBlocktoPrint = r;
              return result;
            }
            cursor = prev ? prev : r->PreviousBlock();
            LastBlocktoPrint = cursor;
            done = true;
            stop = true;
            break;
          }
        }
        if (r->Has(trfBlock) || r->Has(trfOutofFlow)) {
          TElement* e = r->E;
          if (r->Has(trfBlock) && !r->Has(trfOutofFlow)) {
            if (hasContent && r != lineStart) {
              cursor = prev ? prev : r->PreviousBlock();
            } else {
              THtLineInfo& l = FLines[size_t(Line)];
              l.FirstBox = r;
              l.IsBlock = true;
              ownFlowBox = e && e->SelfFlow;
              cursor = r;
            }
            done = true;
            stop = true;
            break;
          }
          const TElementPosition pos = e && e->Style() ? e->Style()->Position() : epStatic;
          if (e && (pos == epAbsolute || pos == epFixed || pos == epRunning || e->Style()->Float() == fFootNote)) {
            if (pos == epAbsolute) {
              r->Top = FCurY + FLines[size_t(Line)].Height;
              r->Left = 0;
              for (TStyledHTMLNode* a = e->StyledParent(); a && a != e->Container; a = a->StyledParent()) {
                if (a->Container == a) break;
                r->Left += a->OuterRect.Left;
                r->Top += a->OuterRect.Top;
              }
            } else {
              r->Left = FCurX;
              r->Top = FCurY;
            }
          } else if (e && IsFloated(e) && !r->Has(trfProcessed)) {
            const bool contentWhenMet = paged && doc->FPagingBreak;
            r->Top = std::max(FCurY, floatTop);
            e->OffsetRects(r->Left - e->OuterRect.Left, r->Top - e->OuterRect.Top);
            if (LayoutDepthLeft()) {
              TLayoutDepth depth;
              if (e->CalcLayout()) result = true;
            }
            r->Flags.Include(trfProcessed);
            if (e->CalcWidth() > avail - FCurX) r->Top = std::max(r->Top, FCurY + size.MarginHeight());
            e->OffsetRects(0, r->Top - e->OuterRect.Top);
            e->PlaceBox(this);
            // A float that passes the page end moves to the next page,
            // unless it takes half a page or more.
            if (contentWhenMet && !ownerFixed && surfaceTop + e->OuterRect.Bottom > doc->PageBottom() &&
                e->CalcHeight() < doc->PageHeightPixels / 2) {
              r->Flags.Exclude(trfProcessed);
              e->BeforeCalcLayout();
              continuesLater(owner);
              if (r == lineStart || !r->PreviousBlock()) {
                LastBlocktoPrint = lineStart;
                return false;
              }
              cursor = r->PreviousBlock();
              done = true;
              stop = true;
              break;
            }
            float top = r->Top;
            if (e->Style()->Position() == epRelative) {
              float rt = 0;
              if (SetInsetOf(e, 0, rt)) top -= std::round(rt);
            }
            floatTop = std::max(floatTop, top);
            floatExtents(e);
            avail = availableWidth(true);
            if (FCurX > avail && wrapAllowed && (breakPoint || wordBreakPoint)) {
              cursor = r;
              penEnd = FCurX;
              stop = true;
              break;
            }
          }
          if (r == LastBlock) break;
          continue;
        }

        // Inline runs.
        if (r->IsLineBreak()) {
          if (!hasContent && r->E != metricsElement) {
            if (AddToLineSize(&FLines[size_t(Line)], r, size)) metricsElement = r->E;
          }
          FCurX += r->LogicalWidth;
          cursor = r;
          done = true;
          stop = true;
          break;
        }
        if (prev && (prev->CanBreakAfter() || r->CanBreakBefore()) && !prev->Has(trfProhibitRightBreak) &&
            !r->Has(trfProhibitLeftBreak))
          breakPoint = prev;
        if (r->IsText() && (wb == wbBreakAll || (wb == wbHyphens && r->Count > 3))) {
          wordBreakPoint = r;
          breakPoint = nullptr;
        }
        TElement* e = r->E;
        const TDisplayStyle d = e ? DisplayOf(e) : dsInline;
        const float w = r->LogicalWidth;
        if (!r->IsText() && e && (IsInlineBlockLike(d) || d == dsTableCell) && !r->Has(trfProcessed)) {
          r->Left = FCurX;
          r->Top = FCurY;
          e->OffsetRects(r->Left - e->OuterRect.Left, r->Top - e->OuterRect.Top);
          const float savedWidth = e->Document ? e->Document->ContentWidth : 0.0f;
          if (LayoutDepthLeft()) {
            TLayoutDepth depth;
            if (e->CalcLayout()) result = true;
          }
          r->Flags.Include(trfProcessed);
          if (FCurX + r->LogicalWidth - 0.5f > avail && wrapAllowed && (breakPoint || wordBreakPoint) && prev) {
            if (e->Document) e->Document->ContentWidth = savedWidth;
            cursor = prev;
            penEnd = FCurX;
            stop = true;
            break;
          }
          if (e->SelfFlow) ownFlowBox = true;
        } else if (r->Has(trfTab) && (FTabStops || TabIntervalOf(owner) > 1)) {
          if (FCurX == lastTabEnd) FCurX += 2;
          const float indent = Line == 0 ? float(TextIndent) : 0.0f;
          FCurX = CustomTabStop(r, LastBlock, FCurX - indent) - r->LogicalWidth + indent;
          lastTabEnd = FCurX + r->LogicalWidth;
        } else if (FCurX + w - 0.5f > avail && wrapAllowed && (breakPoint || wordBreakPoint || wb == wbBreakWord)) {
          if (splitsWords(wb) && !breakPoint) {
            if (e != metricsElement && AddToLineSize(&FLines[size_t(Line)], r, size)) metricsElement = e;
            cursor = r;
            penEnd = FCurX + w;
          } else {
            cursor = prev ? prev : r;
            penEnd = FCurX;
            if (prev) FCurX -= prev->LogicalWidth;
          }
          stop = true;
          break;
        }
        FCurX += r->LogicalWidth;
        if (!r->Has(trfInlineStart) && !r->Has(trfInlineEnd)) hasContent = true;
        const THtLineSize saved = size;
        const float before = size.MarginHeight();
        if (e != metricsElement && AddToLineSize(&FLines[size_t(Line)], r, size)) metricsElement = e;
        // Text avoids breaks through its owner, whose lines the line-end
        // check keeps together; here only boxes on the line count.
        if (paged && std::fabs(size.MarginHeight() - before) > 1 && e && !r->IsText() &&
            pageBreakInside(e) == pbAvoid &&
            !ownerFixed && pageHasContent && surfaceTop + contentTop + FCurY + r->YSize() > doc->PageBottom() &&
            r->YSize() < doc->PageHeightPixels / 2) {
          continuesLater(owner);
          if (r == lineStart || !prev) {
            LastBlocktoPrint = lineStart;
            return false;
          }
          FCurX -= r->LogicalWidth;
          size = saved;
          cursor = prev;
          done = true;
          stop = true;
          break;
        }
        if (std::fabs(size.MarginHeight() - before) > 1 && floats && floats->HasBands()) {
          avail = availableWidth(true);
          if (FCurX - 0.5f > avail && wrapAllowed && breakPoint && prev) {
            FCurX -= r->LogicalWidth;
            size = saved;
            avail = availableWidth(true);
            cursor = prev;
            penEnd = FCurX;
            stop = true;
            break;
          }
        }
        prev = r;
        if (r->Bidi == bdRTL) hasRTL = true;
        if (!r->IsText() && e && !r->Has(trfInlineStart) && r != LastBlock &&
            ((paged && pageBreakAfter(e) == pbAlways && !e->HasFlag(efPBAfterProcessed)) || columnBreakAfter(e))) {
          cursor = r;
          done = true;
          stop = true;
          break;
        }
        if (r == LastBlock) break;
      }
      if (!stop) {
        cursor = LastBlock;
        done = true;
      }
      // Floats in the way: a line that overflows beside floats moves down
      // to where it fits before it wraps.
      if (!done && cursor && cursor != LastBlock && floats && floats->HasBands() &&
          (leftIndent != 0 || rightIndent != 0) && penEnd - 0.5f > avail) {
        float li = 0, ri = 0;
        const float y = floats->FindLinePosition(penEnd, FCurY, size.MarginHeight(), nullptr, li, ri, false, false);
        if (y > FCurY) {
          FCurY = y;
          avail = availableWidth(true);
          FCurX = penEnd;
          prev = cursor;
          r = cursor->NextBlock();
          continue;
        }
      }
      break;
    }

    // --- Choose the end of the line ---------------------------------------------------
    if (cursor) wb = WordBreakOf(cursor->E);
    if (!done && splitsWords(wb) && cursor) {
      if (breakPoint) {
        cursor = breakPoint;
      } else {
        if (!wordBreakPoint && cursor->IsText()) wordBreakPoint = cursor;
        // Step back to the word-break point when the cursor went past it.
        bool found = false;
        for (THtLineBlock* c = cursor; c; c = c->PreviousBlock()) {
          if (c == wordBreakPoint) found = true;
          if (found || c == lineStart) break;
        }
        while (found && cursor != wordBreakPoint && cursor->PreviousBlock()) {
          cursor = cursor->PreviousBlock();
          FCurX -= cursor->LogicalWidth;
        }
        auto endBefore = [&] {
          if (cursor != lineStart && cursor->PreviousBlock()) cursor = cursor->PreviousBlock();
        };
        auto* t = AsTextElement(cursor->E);
        if (cursor->Count < 2 || !t) {
          endBefore();
        } else if (wb == wbHyphens && language) {
          const TCardinalArray positions = language->GetHyphenationPositions(cursor->DisplayText());
          bool split = false;
          const float room = avail - (t->Font ? t->Font->SpaceWidth : 0.0f);
          for (size_t i = positions.size(); i-- > 0;) {
            const int p = int(positions[i]);
            if (p <= 1 || p > cursor->Count) continue;
            if (FCurX + t->TextWidth(t->DisplayText, cursor->Start, p - 1) <= room) {
              const bool wasLast = cursor == LastBlock;
              THtLineBlock* second = t->SplitBlockAtChar(cursor, p - 1);
              if (second != cursor) {
                if (wasLast) LastBlock = second;
                cursor->Flags.Include(trfHyphen);
                split = true;
              }
              break;
            }
          }
          if (!split) endBefore();
        } else {
          const bool wasLast = cursor == LastBlock;
          THtLineBlock* second = t->SplitBlock(cursor, avail - FCurX);
          if (second == cursor) endBefore();
          else if (wasLast) LastBlock = second;
        }
      }
    } else if (!done && cursor && cursor != LastBlock && breakPoint) {
      cursor = breakPoint;
    }

    // A line always keeps its first run, so that every line moves on.
    bool inLine = false;
    for (THtLineBlock* c = lineStart; c; c = c->NextBlock()) {
      if (c == cursor) {
        inLine = true;
        break;
      }
      if (c == r || c == LastBlock) break;
    }
    if (!inLine) {
      ++forcedBreaks;
      cursor = lineStart;
    }

    // Trailing white space hangs.
    auto hang = [&] {
      if (collapses(ws)) {
        if (cursor->Has(trfBlank) && !cursor->IsLineBreak()) cursor->LogicalWidth = -std::fabs(cursor->LogicalWidth);
        while (cursor != LastBlock && cursor->NextBlock() && cursor->NextBlock()->Has(trfBlank) &&
               !cursor->NextBlock()->IsLineBreak()) {
          THtLineBlock* n = cursor->NextBlock();
          n->LogicalWidth = -std::fabs(n->LogicalWidth);
          cursor->Line = Line;
          cursor = n;
        }
      } else if (cursor->IsLineBreak()) {
        cursor->LogicalWidth = -std::fabs(cursor->LogicalWidth);
      }
    };
    hang();
    while (cursor != LastBlock && cursor->NextBlock() && cursor->NextBlock()->Has(trfInlineEnd))
      cursor = cursor->NextBlock();
    hang();

    // --- Page and column checks at the line end ------------------------------------------
    if (paged) {
      const float limit = doc->PageBottom() - surfaceTop - contentTop;
      const float lineHeight = size.MarginHeight();
      if (columns > 1 && pageColumn < columns - 1 && FCurY <= limit * float(pageColumn + 1) &&
          FCurY + lineHeight > limit * float(pageColumn + 1)) {
        ++pageColumn;
        FCurY = limit * float(pageColumn);
      }
      pageLimit = std::round(limit) * float(columns);
      if (FCurY + lineHeight > pageLimit && (!ownFlowBox || avoidInside) && !owner->OutofFlow() &&
          !owner->IsReplacedElement() && !owner->InPositionedContainer()) {
        continuesLater(owner);
        if (!avoidInside) {
          const bool placeAnyway =
              !pageHasContent && columns == 1 && surfaceTop + contentTop + FCurY + lineHeight > doc->PageBottom();
          if (!placeAnyway) {
            LastBlocktoPrint = lineStart;
            distribute();
            return result;
          }
        } else if (pageHasContent) {
          LastBlocktoPrint = FirstNonPrintedBlock;
          return result;
        }
      }
    }

    // --- Finish the line ----------------------------------------------------------------
    const bool last = cursor == LastBlock || !cursor->NextBlock();
    const float lineSpace = availableWidth(false);
    if (CalcCurrentLine(lineStart, cursor, size, lineSpace, 0, last || done, hasRTL)) result = true;
    LastBlocktoPrint = cursor->NextBlock();
    if (paged) {
      TElement* e = cursor->E;
      if (!cursor->IsText() && e && pageBreakAfter(e) == pbAlways && !e->HasFlag(efPBAfterProcessed) &&
          owner->HasFlag(efCompletelyDrawn)) {
        e->IncludeFlag(efPBAfterProcessed);
        ++doc->FSavedForcedPage;
        e->ApplyPageOrientation();
        if (pageHasContent || doc->FPagingBreak) {
          LastBlocktoPrint = cursor->NextBlock();
          continuesLater(owner);
        }
      }
      if (avoidInside && pageLimit < FHeight && FHeight < doc->PageBottom() / 2 && !ownerFixed)
        continuesLater(owner, true);
      if (!owner->HasFlag(efCompletelyDrawn) && !ownerFixed) {
        const THtLineInfo& l = FLines[size_t(Line)];
        TElement* q = l.IsBlock && l.FirstBox ? l.FirstBox->E : nullptr;
        if (avoidInside && pageHadContent && (pageHasContent || doc->FPagingBreak))
          LastBlocktoPrint = FirstNonPrintedBlock;
        else if (q && q->SelfFlow && q->SelfFlow->FirstBlocktoPrint == q->SelfFlow->LastBlocktoPrint)
          LastBlocktoPrint = l.FirstBox;
        break;
      }
      if (doc->FPagingBreak || (!avoidInside && !ownerFixed)) pageHasContent = true;
    }
    if (last) break;
    lineStart = cursor->NextBlock();
    FCurX = 0;
    NextLine();
    openLine();
  }

  distribute();
  if (vertical) {
    TurnLines(ownerStyle ? ownerStyle->WritingMode() : wmVerticalRL);
    // The margins of the turned boxes no longer meet the owner's bottom.
    return result;
  }

  // The last block's bottom margin collapses into the owner's.
  THtLineInfo& lastLine = FLines[size_t(Line)];
  // Only a box whose height follows its content lets the margin through.
  float ownerHeight = 0;
  if (lastLine.IsBlock && lastLine.FirstBox && lastLine.FirstBox->E && owner &&
      !(owner->SizeFlags & (sfHeightFixed | sfHeightDefinite)) && !SetHeightOf(owner, ownerHeight)) {
    const float c = std::min(float(lastLine.FirstBox->E->CollapseBottomMargin(this)), owner->MarginBottom);
    if (c > 0) {
      lastLine.Height -= c;
      FHeight -= c;
    }
  }
  return result;
}

}  // namespace ht
