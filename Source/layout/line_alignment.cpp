// Line alignment: one chosen line gets its direction, alignment,
// justification and tab stops, its metrics, the vertical position of every
// run by its vertical-align, and the boxes on it their final places. A line
// that holds one block-level box collapses the block's top margin, clears
// and avoids floats, and lays the block out.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "css/css_value.h"
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

const TBaseElementStyle* baseStyleOf(const TStyledHTMLNode* N) {
  auto* facts = N ? (N->Style() ? N->Style()->AsElementStyleFacts() : nullptr) : nullptr;
  return facts ? &facts->Style() : nullptr;
}

bool HasFlagVertical(const TElement* E) { return E && E->HasFlag(efVertical); }

bool ownerRTL(const TElement* Owner) { return Owner && Owner->Style() && Owner->Style()->CalculatedDirection() == cdRTL; }

float ownerFontPx(const TElement* Owner) { return FontSizePxOf(Owner); }

bool marginAuto(const TElement* E, StringView Name, bool& Declared) {
  TMeasure m;
  Declared = E->Style() && E->Style()->DeclaredMeasure(Name, m);
  return Declared && m.GetAuto();
}

// The float edges of the owner's map over y1..y2, rounded.
void floatEdges(TElement* Owner, float Y1, float Y2, int& Left, int& Right) {
  Left = int(std::lround(Owner->GetLeft(Y1, Y2)));
  Right = int(std::lround(Owner->GetRight(Y1, Y2)));
}

float relativeOffset(const TElement* E, int Side, bool Horizontal) {
  const TBaseElementStyle* s = baseStyleOf(E);
  if (!s) return 0;
  TMeasure m = Side == 0 ? s->Top() : s->Left();
  if (m.GetAuto()) return 0;
  if (E->Container) m.Parent = Horizontal ? &E->Container->InnerWidth : &E->Container->InnerHeight;
  const float v = m.ToPixels();
  return std::isfinite(v) ? v : 0.0f;
}

// Moves a static-position run by the outer corners of the element's
// ancestors below its container.
void moveByAncestors(THtLineBlock* R) {
  TElement* e = R->E;
  for (TStyledHTMLNode* a = e->StyledParent(); a && a != e->Container; a = a->StyledParent()) {
    if (a->Container == a) break;
    R->Left += a->OuterRect.Left;
    R->Top += a->OuterRect.Top;
  }
}

}  // namespace

float TFlow::CustomTabStop(THtLineBlock* LB, THtLineBlock* LastBox, float X) {
  const int i = TabIntervalOf(Owner);
  float p = 0;
  bool found = false;
  String keyword;
  if (FTabStops) {
    for (const TCSSToken& t : FTabStops->Tokens) {
      if (t.CType == ctIdent) {
        keyword = t.Name;
        if (t.Name == u"decimal") FDecimalTab = true;
        continue;
      }
      if (t.CType != ctNumber && t.CType != ctDimension) continue;
      TMeasure m;
      m.Parse(t.Name);
      const float v = m.ToPixels();
      p = std::isfinite(v) ? v : 0.0f;
      if (std::round(p) > X) {
        found = true;
        break;
      }
    }
  }
  if (!found && i > 1) {
    p = float((std::trunc((X - 1) / float(i)) + 1) * float(i));
    found = true;
  }
  if (!found) return X;
  if (SameTextAscii(keyword, u"right") || SameTextAscii(keyword, u"center")) {
    float w = 0;
    for (THtLineBlock* r = LB ? LB->NextBlock() : nullptr; r; r = r->NextBlock()) {
      if (r->Has(trfTab)) break;
      if (r->InFlow()) w += r->LogicalWidth;
      if (r == LastBox) break;
    }
    if (SameTextAscii(keyword, u"center")) w /= 2;
    return std::max(X, std::round(p) - w);
  }
  return std::max(X, p);
}

bool TFlow::CalcCurrentLine(THtLineBlock* FirstBox, THtLineBlock* LastBox, THtLineSize& LineSize, float LineSpace,
                            int StartX, bool IsLastLine, bool HasRTL) {
  bool result = false;
  FDecimalTab = false;
  while (LastBox && LastBox != FirstBox && LastBox->Hidden() && LastBox->PreviousBlock())
    LastBox = LastBox->PreviousBlock();
  const bool ownerRtl = ownerRTL(Owner);

  // Neutral and weak runs take the class of the strong text around them.
  if (FirstBox != LastBox && (HasRTL || ownerRtl)) {
    const THtTextRunBidi base = ownerRtl ? bdRTL : bdLTR;
    THtTextRunBidi c = base;
    for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
      if (r->Bidi == bdLTR || r->Bidi == bdRTL) {
        c = r->Bidi;
      } else {
        THtLineBlock* n = r->NextBlock();
        const bool follows = !n || n->Bidi == bdNeutral || n->Bidi == bdWeakLRT || n->Bidi == c;
        r->Bidi = follows ? c : base;
      }
      if (r == LastBox) break;
    }
  }

  PHtLineInfo L = CurrentLine();
  L->FirstBox = FirstBox;
  L->IsBlock = false;
  L->Y = FCurY;

  bool rtl = ownerRtl;
  for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
    if (r->IsText() && (r->Bidi == bdLTR || r->Bidi == bdRTL)) {
      rtl = rtl || r->Bidi == bdRTL;
      break;
    }
    if (r == LastBox) break;
  }

  THAlign align = FOwnerAlign;
  if (!FLinePass) {
    const TBaseElementStyle* os = baseStyleOf(Owner);
    align = os ? os->TextAlign() : thStart;
  }
  if (align == thStart || align == thInherit) align = ownerRtl ? thRight : thLeft;
  else if (align == thEnd) align = ownerRtl ? thLeft : thRight;
  if (IsLastLine && align == thJustify) align = rtl ? thRight : thLeft;
  L->Align = align;

  FCurX = float(StartX);
  if (align == thJustify) {
    floatEdges(Owner, FCurY, FCurY + L->Height, L->LeftOffset, L->RightOffset);
    float s = 0, c = float(StartX);
    for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
      if (r->InFlow() && r->Has(trfSpace)) s += r->LogicalWidth;
      if (!r->Has(trfBlock) && !r->Has(trfOutofFlow)) c += r->LogicalWidth;
      if (r == LastBox) break;
    }
    THtLineBlock* lastWord = LastBox;
    while (lastWord && lastWord != FirstBox && (lastWord->Has(trfSpace) || lastWord->Has(trfInlineEnd))) {
      s -= lastWord->LogicalWidth;
      c -= lastWord->LogicalWidth;
      lastWord = lastWord->PreviousBlock();
    }
    float room = LineSpace - float(L->LeftOffset) - float(L->RightOffset) - c + s;
    if (Line == 0) room -= float(TextIndent);
    const float ratio = s <= 0 ? 1.0f : room / s;
    if (std::isfinite(ratio) && ratio > 0) {
      for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
        if (r->InFlow() && r->Has(trfSpace)) r->LogicalWidth *= ratio;
        if (r == lastWord) break;
      }
    }
  }

  bool countsHeight = false, holdsText = false, holdsBoxes = false;
  float tabEnd = -1;
  THtLineBlock* segmentStart = nullptr;
  float segmentX = 0;
  const THtTextRunBidi opposite = rtl ? bdLTR : bdRTL;
  const THtTextRunBidi own = rtl ? bdRTL : bdLTR;
  auto closeSegment = [&](THtLineBlock* end) {
    float x = FCurX;
    for (THtLineBlock* s = segmentStart; s; s = s->NextBlock()) {
      if (s->InFlow()) {
        x += rtl ? s->LogicalWidth : -s->LogicalWidth;
        s->Left = x;
      }
      if (s == end) break;
    }
    (void)segmentX;
    segmentStart = nullptr;
  };
  THtLineBlock* blockRun = nullptr;
  for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
    r->Left = FCurX;
    r->Line = Line;
    if (r->Has(trfInlineStart) && r->E && r->E->LineBlocks.Count() > 1) r->E->LineBlocks.Get(1)->Line = Line;
    if (r->Has(trfOutofFlow)) {
      if (!r->Has(trfProcessed) && r->E && !IsFloated(r->E)) {
        if (LayoutDepthLeft()) {
          TLayoutDepth depth;
          if (r->E->CalcLayout()) result = true;
        }
        r->Flags.Include(trfProcessed);
      }
      if (r == LastBox) break;
      continue;
    }
    if (r->Has(trfBlock)) {
      L->FirstBox = r;
      L->IsBlock = true;
      blockRun = r;
      countsHeight = true;
    } else {
      if ((!r->Has(trfBlank) && !r->Has(trfInlineEnd)) || r->IsLineBreak()) countsHeight = true;
      const TDisplayStyle d = r->E ? DisplayOf(r->E) : dsInline;
      if (!r->IsText() && r->E && (r->E->IsReplacedElement() || IsInlineBlockLike(d))) holdsBoxes = true;
      if (r->IsText() && (!r->Has(trfBlank) || WhiteSpaceOf(r->E) == wsPre || WhiteSpaceOf(r->E) == wsPreWrap))
        holdsText = true;
      if (r->Bidi == opposite && r != LastBox && !segmentStart) {
        segmentStart = r;
        segmentX = FCurX;
      } else if (r->Bidi == own && segmentStart) {
        closeSegment(r->PreviousBlock());
      }
    }
    if (r->Has(trfTab) && (FTabStops || TabIntervalOf(Owner) > 1)) {
      const float before = r->LogicalWidth;
      if (FCurX == tabEnd) FCurX += 2;
      const float x = r->X();
      FCurX = CustomTabStop(r, LastBox, FCurX);
      tabEnd = FCurX;
      r->LogicalWidth = std::max(0.0f, FCurX - x);
      (void)before;
    } else {
      FCurX += rtl ? -r->LogicalWidth : r->LogicalWidth;
      if (FDecimalTab && r->IsText() && !r->Has(trfTab)) {
        if (auto* t = AsTextElement(r->E)) {
          const String text = r->DisplayText();
          const size_t dot = text.find(u'.'), comma = text.find(u',');
          size_t sep = String::npos;
          if (dot != String::npos && comma != String::npos) sep = std::max(dot, comma);
          else sep = dot != String::npos ? dot : comma;
          if (sep != String::npos && t->Document && t->Document->CanvasClass && t->Font)
            r->Left -= t->Document->CanvasClass->MeasureString(text, t->Font, t->TextStyle, 1.0f, 1, int(sep) + 1);
          FDecimalTab = false;
        }
      }
    }
    if (r == LastBox) break;
  }
  if (segmentStart) closeSegment(LastBox);

  for (THtLineBlock* r = LastBox; r && r != FirstBox && r->Has(trfSpace) && r->Has(trfBlank); r = r->PreviousBlock())
    FCurX += rtl ? r->LogicalWidth : -r->LogicalWidth;
  FCurX = std::fabs(FCurX);
  L->Width = int(std::ceil(FCurX));

  FinishLineMetrics(*this, FirstBox, LastBox, LineSize, L);

  if (!blockRun) {
    // Paged output: the page now holds content.
    if (Owner->Document && Owner->Document->Paged && !Owner->InFixedContainer()) Owner->Document->FPagingBreak = true;
    floatEdges(Owner, FCurY, FCurY + L->Height - 0.1f, L->LeftOffset, L->RightOffset);
    if (Line == 0) L->LeftOffset += TextIndent;
    ContentWidth = std::max(ContentWidth, L->Width);
    if (Line == 0) ContentWidth = std::max(ContentWidth, L->Width + TextIndent);
  } else {
    TElement* Q = blockRun->E;
    // Margins collapse for a positive top margin, and through an empty
    // block before this one whatever this one's margin is.
    const THtLineInfo* before = Line > 0 ? &FLines[size_t(Line - 1)] : nullptr;
    const bool afterEmpty = before && before->IsBlock && before->FirstBox && IsEmptyCollapsible(before->FirstBox->E);
    const TBaseElementStyle* qs = baseStyleOf(Q);
    // Clearance: a block that must go below floats puts its border edge at
    // their bottom, and its top margin then joins nothing above it.
    float cleared = FCurY;
    if (qs && qs->Clear != 0 && Owner->FloatMapIfAny()) {
      float li = 0, ri = 0;
      cleared = Owner->FloatMapIfAny()->FindLinePosition(0, FCurY, 0, nullptr, li, ri, qs->Clear & 1, qs->Clear & 2);
    }
    if (cleared > FCurY)
      FCurY = std::max(FCurY, cleared - std::max(0.0f, Q->MarginTop));
    else if (Q->MarginTop > 0 || afterEmpty)
      FCurY -= float(Q->CollapseTopMargin(this, int(std::lround(Q->MarginTop))));
    L->Y = FCurY;
    if (Q->IsBlockContainer()) {
      floatEdges(Owner, FCurY, FCurY + std::max(L->Height, Q->CalcHeight()), L->LeftOffset, L->RightOffset);
      const float both = float(L->LeftOffset + L->RightOffset);
      if (both > 0 && LineSpace <= both + FCurX) {
        const float room = LineSpace - both;
        if (room <= Q->MinWidth()) {
          if (TBlockFloats* fm = Owner->FloatMapIfAny()) {
            float li = 0, ri = 0;
            FCurY = fm->FindLinePosition(float(L->Width), FCurY, 0, Q, li, ri, qs && (qs->Clear & 1),
                                         qs && (qs->Clear & 2));
          }
          floatEdges(Owner, FCurY, FCurY + L->Height, L->LeftOffset, L->RightOffset);
          L->Y = std::max(L->Y, FCurY);
        } else {
          blockRun->SetXSize(room);
          FCurX = room;
          Q->OuterRect.Right = Q->OuterRect.Left + room;
          Q->CalcRects();
        }
      }
    } else {
      L->LeftOffset = L->RightOffset = 0;
    }
    ContentWidth = std::max(ContentWidth, int(std::ceil(HasFlagVertical(Owner) ? Q->ContentHeight
                                                                                 : Q->ContentWidth + Q->InnerDeltaX() +
                                                                                       Q->OuterDeltaX())));
    bool leftDeclared = false, rightDeclared = false;
    const bool leftAuto = marginAuto(Q, u"margin-left", leftDeclared);
    const bool rightAuto = marginAuto(Q, u"margin-right", rightDeclared);
    if ((leftDeclared || rightDeclared) && leftAuto && rightAuto) L->Align = thCenter;
    else if (leftDeclared && leftAuto) L->Align = thRight;
    else if (DisplayOf(Q) == dsTable &&
             (SameTextAscii(Q->GetAttribute(u"align"), u"center") || (qs && qs->TextAlign() == thXCenter)))
      L->Align = thCenter;
    else if (DisplayOf(Owner) != dsTableCell && Owner->GetAttribute(u"align").empty() &&
             !SameTextAscii(Owner->Tag(), u"center"))
      L->Align = thLeft;
    for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
      r->SetY(FCurY);
      if (r == LastBox) break;
    }
    Q->OffsetRects(blockRun->Left - Q->OuterRect.Left, FCurY - Q->OuterRect.Top);
    if (LayoutDepthLeft()) {
      TLayoutDepth depth;
      if (Q->CalcLayout()) result = true;
    }
    float cw = Q->ContentWidth + Q->InnerDeltaX() + Q->OuterDeltaX();
    if (Q->IsBlockContainer()) cw += float(L->LeftOffset + L->RightOffset);
    ContentWidth = std::max(ContentWidth, int(std::ceil(cw)));
    const TRectF br = Q->BorderRect();
    L->Height = std::max(L->Height, (HasFlagVertical(Q) ? br.Right - br.Left : br.Bottom - br.Top) +
                                        std::max(0.0f, Q->MarginTop) + std::max(0.0f, Q->MarginBottom));
    blockRun->SetXSize(Q->CalcWidth());
    blockRun->SetYSize(Q->CalcHeight());
    L->Width = int(std::ceil(blockRun->LogicalWidth));
  }

  float o = float(L->LeftOffset);
  if (L->Align == thRight) o = LineSpace - float(L->RightOffset) - float(L->Width);
  else if (L->Align == thCenter || L->Align == thXCenter)
    o = float(L->LeftOffset) +
        std::max(0.0f, (LineSpace - float(L->LeftOffset) - float(L->RightOffset) - float(L->Width)) / 2);
  if (Owner->Document && Owner->Document->Surface && Owner->Document->Surface->ScaleFactor() == 1.0f) o = std::round(o);
  if (!std::isfinite(o)) o = 0;

  if (!blockRun) {
    result = true;
    L->Y += L->TopMargin;
    float fontPx = -1;  // read at the first middle-aligned run
    for (THtLineBlock* r = FirstBox; r; r = r->NextBlock()) {
      TElement* e = r->E;
      if (r->InFlow()) {
        const float h = r->LogicalHeight;
        float top = L->Y;
        switch (r->VAlign) {
          case vaTop:
            top = L->Y - L->TopMargin;
            break;
          case vaBottom:
            top = L->Y + std::max(-L->TopMargin, L->Height + L->BottomMargin - h);
            break;
          case vaMiddle:
            if (fontPx < 0) fontPx = ownerFontPx(Owner);
            top = L->Y + std::max(0.0f, L->Ascent - fontPx / 3.5f - h / 2);
            if (top + h > L->Y + L->Height) top = std::max(L->Y - L->TopMargin, L->Y + L->Height - h);
            break;
          case vaSub:
            top = L->Y + L->Ascent - r->Ascent + h / 4;
            break;
          case vaSuper:
            top = L->Y + L->Ascent - r->Ascent - h / 4;
            break;
          case vaTextTop:
            top = L->Y + L->Ascent - h;
            break;
          case vaTextBottom:
            top = L->Y + L->Ascent + LineSize.Descent - h;
            break;
          default:
            top = L->Y + L->Ascent - r->Ascent;
            if (!r->IsText() && e && IsInlineBlockLike(DisplayOf(e))) top -= e->MarginTop;
            break;
        }
        r->SetY(top);
      } else if (e && e->Style() && e->Style()->Position() == epAbsolute) {
        r->SetY(L->Y);
        if (e->IsBlock()) r->SetX(float(L->LeftOffset));
        moveByAncestors(r);
      } else {
        r->SetY(L->Y);
      }
      const bool moves = r->IsText() || (e && !IsFloated(e) && DisplayOf(e) != dsBlock);
      if (moves) {
        if (!rtl) r->Left += o;
        else r->Left = r->Left + FCurX - r->LogicalWidth + o;
        if (r->InFlow()) {
          const TRectF rr = r->R();
          UpdateContentRect(rr);
        }
        if (!r->IsText() && !r->Has(trfInlineStart) && !r->Has(trfInlineEnd) && e && r->InFlow()) {
          e->PlaceBox(this);
        } else if (e && e->Style() && e->Style()->Position() == epRelative) {
          TElement* inl = e->IsText() ? e->Parent() : e;
          if (inl && DisplayOf(inl) == dsInline && inl->Style() && inl->Style()->Position() == epRelative) {
            r->Top += relativeOffset(inl, 0, false);
            r->Left += relativeOffset(inl, 3, true);
          }
        }
      }
      if (r == LastBox) break;
    }
  } else {
    TElement* Q = blockRun->E;
    if (rtl) blockRun->Left = blockRun->Left + LineSpace - float(L->RightOffset) - blockRun->LogicalWidth + o;
    else blockRun->Left += o;
    Q->PlaceBox(this);
  }
  L->LeftOffset = int(std::lround(o));
  if (countsHeight) FHeight = std::max(FHeight, L->Y + L->Height + L->BottomMargin);
  FCurY = L->Y;
  (void)holdsText;
  (void)holdsBoxes;
  return result;
}

}  // namespace ht
