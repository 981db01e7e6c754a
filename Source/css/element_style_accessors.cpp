// The typed accessors of TBaseElementStyle: one per property or group,
// each answering in the type its consumer needs, with its default when
// nothing is set.
#include <algorithm>
#include <cmath>

#include "css/element_style.h"
#include "platform/rtl/string.h"

namespace ht {

namespace {

constexpr TCSSProperty sideShorthand[4] = {cspBorderTop, cspBorderRight, cspBorderBottom, cspBorderLeft};
constexpr TCSSProperty sideColor[4] = {cspBorderTopColor, cspBorderRightColor, cspBorderBottomColor, cspBorderLeftColor};
constexpr TCSSProperty sideStyle[4] = {cspBorderTopStyle, cspBorderRightStyle, cspBorderBottomStyle, cspBorderLeftStyle};
constexpr TCSSProperty sideWidth[4] = {cspBorderTopWidth, cspBorderRightWidth, cspBorderBottomWidth, cspBorderLeftWidth};

TCSSProperty idOf(PCSSValue v) { return v->PropRec ? v->PropRec->Id : cspUnknown; }

bool lineStyleKeyword(const TCSSToken& t, TLineStyle& out) {
  return t.CType == ctIdent && EnumFromKeyword(t.Name, u"ls", out);
}

// The pixels of a line width keyword: thin 1, medium 3, thick 5 (wider
// than the same words as general lengths, which are 1, 2 and 3).
bool lineWidthKeyword(const TCSSToken& t, int& px) {
  if (t.CType != ctIdent) return false;
  px = SameTextAscii(t.Name, u"thin")     ? 1
       : SameTextAscii(t.Name, u"medium") ? 3
       : SameTextAscii(t.Name, u"thick")  ? 5
                                          : 0;
  return px != 0;
}

bool isDimensional(const TCSSToken& t) {
  return t.CType == ctNumber || t.CType == ctPercentage || t.CType == ctDimension;
}

// Decodes token Index of Value into M (keeping M's style and base).
void decodeAt(PCSSValue Value, size_t Index, TMeasure& M) {
  if (Index >= Value->Tokens.size()) return;
  TCSSTokenSequence seq;
  seq.Init(Value->Tokens);
  seq.Next(int(Index));
  M.Decode(seq);
}

// Copies a compiled measure into M, keeping M's style and percentage base.
void copyMeasure(const TMeasure& From, TMeasure& M) {
  M.FValue = From.FValue;
  M.FMUnit = From.FMUnit;
  M.Flags = From.Flags;
  M.Calc = From.Calc;
}

TMeasure initialMeasure(const TMeasureContext* style, TMeasureFlags flags) {
  TMeasure m;
  m.Init(style);
  m.FValue = 0;
  m.FMUnit = muPX;
  m.Flags = flags;
  return m;
}

using TCornerAccessor = void (TBaseElementStyle::*)(TMeasure&, TMeasure&) const;
constexpr TCornerAccessor cornerAccessors[4] = {
    &TBaseElementStyle::BorderTopLeftRadius, &TBaseElementStyle::BorderTopRightRadius,
    &TBaseElementStyle::BorderBottomRightRadius, &TBaseElementStyle::BorderBottomLeftRadius};

float fixedPixels(const TMeasure& m, float fontSize) {
  switch (m.FMUnit) {
    case muPX:
    case muNone: return m.FValue;
    case muIN: return m.FValue * 96.0f;
    case muMM: return m.FValue * 96.0f / 25.4f;
    case muPt: return m.FValue * 96.0f / 72.0f;
    case muCM: return m.FValue * 96.0f / 2.54f;
    case muPC: return m.FValue * 96.0f / 6.0f;
    case muEM: return m.FValue * fontSize;
    case muEX: return m.FValue * 11.0f;
    default: return NAN;
  }
}

}  // namespace

// ---- keyword shapes ----

// "inherit" is compiled to InheritMarker: it takes the parent's value,
// which for a property that is not inherited is the parent's own value or
// Default.
int TBaseElementStyle::ownOrdinal(TCSSProperty Id, int Default) const {
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (!s->PropertySet.test(Id)) return Default;
    PCSSValue v = s->FindOwnProp(Id);
    if (!v || v->Tokens.empty()) return Default;
    if (v->Tokens.front().Color != InheritMarker) return int(v->Tokens.front().Color);
  }
  return Default;
}

int TBaseElementStyle::inheritedOrdinal(TCSSProperty Id, int Default) const {
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (!s->PropertySet.test(Id)) continue;
    PCSSValue v = s->FindOwnProp(Id);
    if (!v || v->Tokens.empty()) return Default;
    if (v->Tokens.front().Color != InheritMarker) return int(v->Tokens.front().Color);
  }
  return Default;
}

#define HT_OWN_KEYWORD(Name, Type, Id, Default) \
  Type TBaseElementStyle::Name() const { return Type(ownOrdinal(Id, Default)); }
#define HT_INHERITED_KEYWORD(Name, Type, Id, Default) \
  Type TBaseElementStyle::Name() const { return Type(inheritedOrdinal(Id, Default)); }

HT_OWN_KEYWORD(Float, TFloat, cspFloat, fNone)
HT_OWN_KEYWORD(JustifyContent, TCSSJustifyContent, cspJustifyContent, jcFlexStart)
HT_OWN_KEYWORD(Appearance, TCSSAppearance, cspAppearance, caNone)
HT_OWN_KEYWORD(Resize, TElementResize, cspResize, erNone)
HT_OWN_KEYWORD(TableLayout, TCSSTableLayout, cspTableLayout, tlAuto)
HT_OWN_KEYWORD(TextDecorationStyle, TCSSTextDecorationStyle, cspTextDecorationStyle, tsSolid)
HT_OWN_KEYWORD(TextOverflow, TCSSTextOverflow, cspTextOverflow, toClip)
HT_OWN_KEYWORD(BackgroundAttachment, TBackgroundAttachment, cspBackgroundAttachment, baScroll)
HT_OWN_KEYWORD(BackgroundOrigin, TBackgroundOrigin, cspBackgroundOrigin, boPaddingBox)
HT_OWN_KEYWORD(BackgroundRepeat, TBackgroundRepeat, cspBackgroundRepeat, brRepeat)
HT_OWN_KEYWORD(FlexDirection, TCSSFlexDirection, cspFlexDirection, fdRow)
HT_OWN_KEYWORD(FlexWrap, TCSSFlexWrap, cspFlexWrap, fwNowrap)
HT_OWN_KEYWORD(PageBreakBefore, TCSSPageBreak, cspPageBreakBefore, pbAuto)
HT_OWN_KEYWORD(PageBreakAfter, TCSSPageBreak, cspPageBreakAfter, pbAuto)
HT_OWN_KEYWORD(Draggable, TCSSDraggable, cspDraggable, dgFalse)
HT_OWN_KEYWORD(AlignItems, TCSSAlignItems, cspAlignItems, aiNormal)
HT_OWN_KEYWORD(AlignSelf, TCSSAlignItems, cspAlignSelf, aiInherit)
HT_OWN_KEYWORD(BreakAfter, TCSSBreakAfter, cspBreakAfter, cbaAuto)
HT_OWN_KEYWORD(PointerEvents, TCSSPointerEvents, cspPointerEvents, peAuto)
HT_INHERITED_KEYWORD(WordBreak, TCSSWordBreak, cspWordBreak, wbNormal)
HT_INHERITED_KEYWORD(WordWrap, TCSSWordWrap, cspWordWrap, wwNormal)
HT_INHERITED_KEYWORD(WritingMode, TCSSWritingMode, cspWritingMode, wmHorizontalTB)
HT_INHERITED_KEYWORD(Hyphens, TCSSHyphens, cspHyphens, chNone)
HT_INHERITED_KEYWORD(BorderCollapse, TBorderCollapse, cspBorderCollapse, bcSeparate)
HT_INHERITED_KEYWORD(Direction, TCSSDirection, cspDirection, cdLTR)
HT_INHERITED_KEYWORD(Cursor, TCSSCursor, cspCursor, 0)
HT_INHERITED_KEYWORD(ListStyleType, TListStyleType, cspListStyleType, lstDisk)
HT_INHERITED_KEYWORD(ListStylePosition, TCSSListStylePosition, cspListStylePosition, lspOutside)
HT_INHERITED_KEYWORD(TextTransform, TCSSTextTransform, cspTextTransform, cttNone)
HT_INHERITED_KEYWORD(PageBreakInside, TCSSPageBreak, cspPageBreakInside, pbAuto)

TCSSTextDecorationLine TBaseElementStyle::TextDecorationLine() const {
  const int ordinal = ownOrdinal(cspTextDecorationLine, tlNone);
  if (uint32_t(ordinal) != InheritMarker) return TCSSTextDecorationLine(ordinal);
  const TBaseElementStyle* p = parentStyle();
  return p ? p->TextDecorationLine() : tlNone;
}

TBoxSizing TBaseElementStyle::BoxSizing() const {
  const int ordinal = ownOrdinal(cspBoxSizing, bsContentbox);
  if (uint32_t(ordinal) != InheritMarker) return TBoxSizing(ordinal);
  const TBaseElementStyle* p = parentStyle();
  return p ? p->BoxSizing() : bsContentbox;
}

TVAlign TBaseElementStyle::VerticalAlign() const {
  if (PropertySet.test(cspVerticalAlign)) {
    for (const TBaseElementStyle* s = this; s && s->PropertySet.test(cspVerticalAlign); s = s->parentStyle()) {
      const int ordinal = s->ownOrdinal(cspVerticalAlign, vaBaseLine);
      if (uint32_t(ordinal) != InheritMarker) return TVAlign(ordinal);
    }
    return vaBaseLine;
  }
  for (const TBaseElementStyle* s = parentStyle(); s && s->fDisplay == dsInline; s = s->parentStyle())
    if (s->PropertySet.test(cspVerticalAlign)) {
      const int ordinal = s->ownOrdinal(cspVerticalAlign, vaBaseLine);
      return ordinal == vaSub || ordinal == vaSuper ? TVAlign(ordinal) : vaBaseLine;
    }
  return vaBaseLine;
}

THAlign TBaseElementStyle::TextAlign() const {
  const THAlign fallback = FElement ? FElement->DefaultTextAlign() : thLeft;
  THAlign align = fallback;
  bool passedTable = false;
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (s != this && s->fDisplay == dsTable) passedTable = true;
    if (!s->PropertySet.test(cspTextAlign)) continue;
    PCSSValue v = s->FindOwnProp(cspTextAlign);
    const uint32_t ordinal = v && !v->Tokens.empty() ? v->Tokens.front().Color : uint32_t(fallback);
    if (ordinal == InheritMarker) continue;
    const THAlign found = THAlign(ordinal);
    if (passedTable && found == thXCenter) continue;
    align = found;
    break;
  }
  if (CalculatedDirection == cdLTR) {
    if (align == thStart) align = fallback;
    else if (align == thEnd) align = thRight;
  } else {
    if (align == thStart) align = thRight;
    else if (align == thEnd) align = fallback;
  }
  if (align == thStart) align = thLeft;
  if (align == thEnd) align = thRight;
  return align;
}

bool TBaseElementStyle::ContentEditable() const {
  PCSSValue v = FindProp(cspContentEditable, true);
  return !(v && !v->Tokens.empty() && SameTextAscii(v->Tokens.front().Name, u"false"));
}

TElementOverflow TBaseElementStyle::OverflowX() const {
  if (!IsSet(cspOverflowX) && !IsSet(cspOverflow)) return eoVisible;
  for (PCSSValue v : FProps)
    if ((idOf(v) == cspOverflowX || idOf(v) == cspOverflow) && !v->Tokens.empty())
      return TElementOverflow(v->Tokens.front().Color);
  return eoVisible;
}

TElementOverflow TBaseElementStyle::OverflowY() const {
  if (!IsSet(cspOverflowY) && !IsSet(cspOverflow)) return eoVisible;
  for (PCSSValue v : FProps)
    if ((idOf(v) == cspOverflowY || idOf(v) == cspOverflow) && !v->Tokens.empty())
      return TElementOverflow(v->Tokens.front().Color);
  return eoVisible;
}

THtFontStyles TBaseElementStyle::FontStyle() const {
  return CalculatedTextStyle - THtFontStyles{hfsUnderline, hfsStrikeOut};
}

// ---- colours and numbers ----

uint32_t TBaseElementStyle::TextColor() const {
  uint32_t c = FElement ? FElement->DefaultTextColor() : 0xFF000000;
  GetColorProp(cspColor, c, true, true);
  return c;
}

uint32_t TBaseElementStyle::TextDecorationColor() const {
  uint32_t c;
  return GetColorProp(cspTextDecorationColor, c, false, true) ? c : TextColor();
}

uint32_t TBaseElementStyle::BackgroundColor() const {
  if (!(GeneralProps & GeneralBit(cgBackground))) return 0;
  uint32_t c = 0;
  return GetColorProp(cspBackgroundColor, c, false, true) ? c : 0;
}

bool TBaseElementStyle::BackgroundPresent() const {
  return (GeneralProps & GeneralBit(cgBackground)) && BackgroundColor() != 0x1FFFFFFF;
}

float TBaseElementStyle::Opacity() const {
  float r = 1;
  return GetNumberProp(cspOpacity, r, false, true) ? r : 1.0f;
}

float TBaseElementStyle::FlexGrow() const {
  float r = 0;
  return GetNumberProp(cspFlexGrow, r, false, false) ? r : 0.0f;
}

float TBaseElementStyle::FlexShrink() const {
  float r = 1;
  return GetNumberProp(cspFlexShrink, r, false, false) ? r : 1.0f;
}

int32_t TBaseElementStyle::ColumnCount() const {
  float r = 1;
  return GetNumberProp(cspColumnCount, r, false, false) ? int32_t(std::nearbyint(r)) : 1;
}

int32_t TBaseElementStyle::TransitionDelay() const {
  if (!IsSet(cspTransitionDelay)) return 0;
  PCSSValue v = FindOwnProp(cspTransitionDelay);
  if (!v || v->Tokens.empty()) return 0;
  const TCSSToken& t = v->Tokens.front();
  return int32_t(std::nearbyint(t.MUnit == muS ? double(t.AsFloat) * 1000.0 : double(t.AsFloat)));
}

bool TBaseElementStyle::NoShadow() const {
  return !IsSet(cspBoxShadow) || Opacity() == 0 || BoxShadow().IsEmpty();
}

bool TBaseElementStyle::NoTextShadow() const { return Opacity() == 0 || !FindProp(cspTextShadow, true); }

// ---- lengths ----

TMeasure TBaseElementStyle::length(TCSSProperty Id, const float* Base, bool Inherited) const {
  TMeasure m;
  GetMeasure(Id, m, Base, Inherited, true);
  return m;
}

TMeasure TBaseElementStyle::Left() const { return length(cspLeft, contW(), false); }
TMeasure TBaseElementStyle::Right() const { return length(cspRight, contW(), false); }
TMeasure TBaseElementStyle::Top() const { return length(cspTop, contH(), false); }
TMeasure TBaseElementStyle::Bottom() const { return length(cspBottom, contH(), false); }

TMeasure TBaseElementStyle::Width() const {
  const bool root = FElement && !FElement->StyleParent();
  return length(cspWidth, root ? FElement->RootWidthRef() : contW(), false);
}

TMeasure TBaseElementStyle::Height() const {
  const float* base = contH();
  if (FElement && !FElement->StyleParent()) {
    base = FElement->RootHeightRef();
  } else if (fDisplay == dsTableCell && FElement) {
    // A cell's percentages refer to its table: the container's container
    // when that is the table, else one more up. Any link may be missing in
    // a tree under construction.
    IStyledElement* row = FElement->StyleContainer();
    IStyledElement* table = row ? row->StyleContainer() : nullptr;
    if (table && !(table->ElementStyle() && table->ElementStyle()->fDisplay == dsTable))
      table = table->StyleContainer();
    base = table ? table->InnerHeightRef() : nullptr;
  }
  return length(cspHeight, base, false);
}

void TBaseElementStyle::initValueSequence(TCSSTokenSequence& Seq, TCSSValue& V) const {
  Seq.Init(V.Tokens);
  Seq.CurrentColor = TextColor();
}

// A running element (a page header or footer) takes its width limits from
// the root's inner width; everything else from its container's.
const float* TBaseElementStyle::widthLimitBase() const {
  if (fPosition != epRunning || !FElement) return contW();
  IStyledElement* root = FElement;
  while (root->StyleParent()) root = root->StyleParent();
  return root->InnerWidthRef();
}

TMeasure TBaseElementStyle::MinWidth() const { return length(cspMinWidth, widthLimitBase(), false); }

TMeasure TBaseElementStyle::MaxWidth() const { return length(cspMaxWidth, widthLimitBase(), false); }

TMeasure TBaseElementStyle::MinHeight() const { return length(cspMinHeight, contH(), false); }

TMeasure TBaseElementStyle::MaxHeight() const {
  const float* base = nullptr;
  for (IStyledElement* c = FElement ? FElement->StyleContainer() : nullptr; c; c = c->StyleContainer()) {
    base = c->InnerHeightRef();
    if (c->SizeFlags() & ((1u << 8) | (1u << 9))) break;
  }
  return length(cspMaxHeight, base, false);
}

TMeasure TBaseElementStyle::FlexBasis() const { return length(cspFlexBasis, contW(), false); }
TMeasure TBaseElementStyle::TextIndent() const { return length(cspTextIndent, ownW(), true); }
TMeasure TBaseElementStyle::TabInterval() const { return length(cspTabInterval, ownW(), false); }
TMeasure TBaseElementStyle::ColumnWidth() const { return length(cspColumnWidth, ownW(), false); }

TMeasure TBaseElementStyle::ColumnGap() const {
  TMeasure m = length(cspColumnGap, ownW(), false);
  if (!m.Has(mfNotAuto) || m.Has(mfInitial)) {
    // "normal" (compiled as an initial value) or nothing is one em.
    m.FValue = 1;
    m.FMUnit = muEM;
    m.Flags = MeasureFlags(mfNotAuto);
    m.Calc = nullptr;
  }
  return m;
}

TMeasure TBaseElementStyle::LetterSpacing() const { return length(cspLetterSpacing, &IntFontSize, true); }
TMeasure TBaseElementStyle::WordSpacing() const { return length(cspWordSpacing, &IntFontSize, true); }
TMeasure TBaseElementStyle::BackgroundPositionX() const { return length(cspBackgroundPositionX, ownW(), false); }
TMeasure TBaseElementStyle::BackgroundPositionY() const { return length(cspbackgroundPositionY, ownH(), false); }

TMeasure TBaseElementStyle::BorderSpacingX() const { return length(cspBorderSpacing, ownH(), false); }

TMeasure TBaseElementStyle::BorderSpacingY() const {
  TMeasure m = initialMeasure(this, MeasureFlags(mfInitial));
  if (!IsSet(cspBorderSpacing)) return m;
  m.Parent = ownH();
  PCSSValue v = FindProp(cspBorderSpacing, true);
  if (!v) return m;
  // The compiled second length exists only when a second token follows.
  const bool second = v->Tokens.size() >= 2 && isDimensional(v->Tokens[1]);
  copyMeasure(second ? v->Measure2 : v->Measure, m);
  return m;
}

TMeasure TBaseElementStyle::marginOrPadding(TCSSProperty Id, bool Zero) const {
  TMeasure m = initialMeasure(this, Zero ? MeasureFlags(mfNotAuto, mfInitial, mfZero) : MeasureFlags(mfNotAuto, mfInitial));
  if (!IsSet(Id)) return m;
  m.Parent = contW();
  if (GetTransitionMeasure(Id, m)) return m;
  if (PCSSValue v = FindOwnProp(Id)) copyMeasure(v->Measure, m);
  return m;
}

TMeasure TBaseElementStyle::MarginTop() const { return marginOrPadding(cspMarginTop, false); }
TMeasure TBaseElementStyle::MarginBottom() const { return marginOrPadding(cspMarginBottom, false); }
TMeasure TBaseElementStyle::MarginLeft() const { return marginOrPadding(cspMarginLeft, true); }
TMeasure TBaseElementStyle::MarginRight() const { return marginOrPadding(cspMarginRight, true); }
TMeasure TBaseElementStyle::PaddingTop() const { return marginOrPadding(cspPaddingTop, false); }

// Side 1 right, 2 bottom, 3 left; "padding" itself lends the token of the side.
TMeasure TBaseElementStyle::paddingSide(TCSSProperty Id, int Side) const {
  TMeasure m = initialMeasure(this, Side == 2 ? MeasureFlags(mfNotAuto, mfInitial) : MeasureFlags(mfNotAuto, mfInitial, mfZero));
  if (!IsSet(Id) && !IsSet(cspPadding)) return m;
  m.Parent = contW();
  if (GetTransitionMeasure(Id, m)) return m;
  for (PCSSValue v : FProps) {
    if (idOf(v) == Id) {
      copyMeasure(v->Measure, m);
      return m;
    }
    if (idOf(v) != cspPadding) continue;
    const size_t n = v->Tokens.size();
    size_t index = 0;
    if (Side == 1 && n >= 2) index = 1;
    if (Side == 2 && n == 4) index = 2;
    if (Side == 3 && n == 2) index = 1;
    if (Side == 3 && n == 4) index = 3;
    decodeAt(v, index, m);
    return m;
  }
  return m;
}

TMeasure TBaseElementStyle::PaddingRight() const { return paddingSide(cspPaddingRight, 1); }
TMeasure TBaseElementStyle::PaddingBottom() const { return paddingSide(cspPaddingBottom, 2); }
TMeasure TBaseElementStyle::PaddingLeft() const { return paddingSide(cspPaddingLeft, 3); }

float TBaseElementStyle::pixelShortcut(TCSSProperty Id, TCSSGeneralProperty Group) const {
  if (!(GeneralProps & GeneralBit(Group)) || !IsSet(Id)) return 0;
  float value;
  if (GetTransitionValue(Id, value)) return value;
  PCSSValue v = FindOwnProp(Id);
  if (!v) return 0;
  const TMeasure& own = v->Measure;
  if (!own.Calc) {
    const float px = fixedPixels(own, IntFontSize);
    if (!std::isnan(px)) return px;
    if (own.FValue == 0) return 0;
  }
  TMeasure m = own;
  m.Style = this;
  m.Parent = contW();
  return m.ToPixels();
}

float TBaseElementStyle::MarginTopPx() const { return pixelShortcut(cspMarginTop, cgMargin); }
float TBaseElementStyle::MarginRightPx() const { return pixelShortcut(cspMarginRight, cgMargin); }
float TBaseElementStyle::MarginBottomPx() const { return pixelShortcut(cspMarginBottom, cgMargin); }
float TBaseElementStyle::MarginLeftPx() const { return pixelShortcut(cspMarginLeft, cgMargin); }
float TBaseElementStyle::PaddingTopPx() const { return pixelShortcut(cspPaddingTop, cgPadding); }
float TBaseElementStyle::PaddingRightPx() const { return pixelShortcut(cspPaddingRight, cgPadding); }
float TBaseElementStyle::PaddingBottomPx() const { return pixelShortcut(cspPaddingBottom, cgPadding); }
float TBaseElementStyle::PaddingLeftPx() const { return pixelShortcut(cspPaddingLeft, cgPadding); }

// ---- border sides ----

uint32_t TBaseElementStyle::GetBorderColor(int Side) const {
  const TCSSProperty ids[] = {cspBorderColor, sideShorthand[Side], sideColor[Side], sideStyle[Side]};
  const bool any = std::any_of(std::begin(ids), std::end(ids), [&](TCSSProperty id) { return IsSet(id); });
  if (!any && fDisplay != dsTableCell) return 0;
  uint32_t c;
  if (GetTransitionColor(cspBorderColor, c) || GetTransitionColor(sideColor[Side], c)) return c;
  uint32_t result = FElement ? FElement->DefaultBorderColor() : 0;
  for (PCSSValue v : FProps) {
    const TCSSProperty id = idOf(v);
    if (v->Tokens.empty()) continue;
    if (id == cspBorderColor || id == sideColor[Side]) return readColor(v);
    if (id != sideShorthand[Side] && id != cspBorder) continue;
    TCSSTokenSequence seq;
    initValueSequence(seq, *v);
    for (; seq.T; seq.Next()) {
      const TCSSToken& t = *seq.T;
      TLineStyle ls;
      if (t.CType == ctIdent && !lineStyleKeyword(t, ls)) {
        uint32_t color = 0;
        if (seq.ReadColor(color) && color != 0) return color;
      } else if (t.CType == ctHash || t.CType == ctFunction) {
        uint32_t color = result;
        if (seq.ReadColor(color)) return color;
        return result;
      }
    }
    return result;
  }
  return result;
}

TLineStyle TBaseElementStyle::GetBorderStyle(int Side) const {
  const TCSSProperty ids[] = {cspBorder, cspBorderStyle, sideStyle[Side], sideShorthand[Side]};
  const bool any = std::any_of(std::begin(ids), std::end(ids), [&](TCSSProperty id) { return IsSet(id); });
  if (!any) return fDisplay == dsTableCell && FElement && FElement->NodeBorderWidth(Side) != 0 ? lsSolid : lsNone;
  for (PCSSValue v : FProps) {
    const TCSSProperty id = idOf(v);
    if (v->Tokens.empty()) continue;
    if (id == sideStyle[Side]) return TLineStyle(v->Tokens.front().Color);
    if (id == cspBorderStyle) {
      const TCSSToken& t = v->Tokens[size_t(Side) % v->Tokens.size()];
      TLineStyle ls;
      return lineStyleKeyword(t, ls) ? ls : lsNone;
    }
    if (id == sideShorthand[Side] || id == cspBorder) {
      for (const TCSSToken& t : v->Tokens) {
        TLineStyle ls;
        if (lineStyleKeyword(t, ls)) return ls;
      }
      return lsNone;
    }
  }
  return lsNone;
}

TMeasure TBaseElementStyle::GetBorderWidth(int Side) const {
  TMeasure m = initialMeasure(this, 0);
  const TCSSProperty ids[] = {cspBorder, cspBorderWidth, sideWidth[Side], sideShorthand[Side]};
  if (!std::any_of(std::begin(ids), std::end(ids), [&](TCSSProperty id) { return IsSet(id); })) return m;
  if (GetTransitionMeasure(cspBorderWidth, m) || GetTransitionMeasure(sideWidth[Side], m)) return m;
  for (PCSSValue v : FProps) {
    const TCSSProperty id = idOf(v);
    if (id == cspBorderWidth || id == sideWidth[Side]) {
      int px;
      if (!v->Tokens.empty() && lineWidthKeyword(v->Tokens.front(), px))
        m.SetPixels(float(px));
      else
        copyMeasure(v->Measure, m);
      return m;
    }
    if (id != sideShorthand[Side] && id != cspBorder) continue;
    TCSSTokenSequence seq;
    seq.Init(v->Tokens);
    for (; seq.T; seq.Next()) {
      const TCSSToken& t = *seq.T;
      int px;
      if (t.CType == ctIdent) {
        if (SameTextAscii(t.Name, u"none")) return m;
        if (lineWidthKeyword(t, px)) {
          m.SetPixels(float(px));
          return m;
        }
      } else if (t.CType == ctNumber || t.CType == ctDimension) {
        m.Decode(seq);
        return m;
      }
    }
    return m;
  }
  return m;
}

TMeasure TBaseElementStyle::BorderSideWidth(int Side) const {
  TMeasure m = GetBorderWidth(Side);
  const TLineStyle ls = GetBorderStyle(Side);
  if (ls == lsNone || ls == lsHidden)
    m.SetPixels(0);
  else if (!m.Has(mfNotAuto))
    m.SetPixels(3);
  return m;
}

float TBaseElementStyle::BorderSideWidthPx(int Side) const {
  if (!(GeneralProps & GeneralBit(cgBorder))) return 0;
  if (!IsSet(cspBorder) && !IsSet(cspBorderStyle) && !IsSet(sideStyle[Side]) && !IsSet(sideShorthand[Side])) return 0;
  const TLineStyle ls = GetBorderStyle(Side);
  if (ls == lsNone || ls == lsHidden) return 0;
  TMeasure m = GetBorderWidth(Side);
  return m.Has(mfNotAuto) ? m.ToPixels() : 3.0f;
}

bool TBaseElementStyle::BorderOneStyle() const {
  if (!(GeneralProps & GeneralBit(cgBorder))) return true;
  const TLineStyle style = GetBorderStyle(0);
  const float width = BorderSideWidthPx(0);
  for (int side = 1; side < 4; ++side)
    if (GetBorderStyle(side) != style || BorderSideWidthPx(side) != width) return false;
  // Compared even when no colour property is set: side shorthands such as
  // "border-top" carry their own colours.
  const uint32_t color = GetBorderColor(0);
  for (int side = 1; side < 4; ++side)
    if (GetBorderColor(side) != color) return false;
  return true;
}

bool TBaseElementStyle::BorderPresent() const {
  if (!(GeneralProps & GeneralBit(cgBorder))) return false;
  if (IsSet(cspBorderRadius)) return true;
  for (int side = 0; side < 4; ++side)
    if (GetBorderStyle(side) != lsNone) return true;
  return false;
}

uint32_t TBaseElementStyle::OutlineColor() const {
  if (!IsSet(cspOutline) && !IsSet(cspOutlineColor)) return 0;
  uint32_t c;
  if (GetTransitionColor(cspOutlineColor, c)) return c;
  uint32_t result = FElement ? FElement->DefaultBorderColor() : 0;
  for (PCSSValue v : FProps) {
    if (v->Tokens.empty()) continue;
    if (idOf(v) == cspOutlineColor) return readColor(v);
    if (idOf(v) != cspOutline) continue;
    TCSSTokenSequence seq;
    initValueSequence(seq, *v);
    for (; seq.T; seq.Next()) {
      TLineStyle ls;
      if ((seq.T->CType == ctIdent && !lineStyleKeyword(*seq.T, ls)) || seq.T->CType == ctHash ||
          seq.T->CType == ctFunction) {
        uint32_t color = 0;
        if (seq.ReadColor(color) && color != 0) return color;
      }
    }
    return result;
  }
  return result;
}

TLineStyle TBaseElementStyle::OutlineStyle() const {
  if (!IsSet(cspOutline) && !IsSet(cspOutlineStyle)) return lsNone;
  for (PCSSValue v : FProps) {
    if (v->Tokens.empty()) continue;
    if (idOf(v) == cspOutlineStyle) return TLineStyle(v->Tokens.front().Color);
    if (idOf(v) != cspOutline) continue;
    for (const TCSSToken& t : v->Tokens) {
      TLineStyle ls;
      if (lineStyleKeyword(t, ls)) return ls;
    }
    return lsNone;
  }
  return lsNone;
}

float TBaseElementStyle::OutlineWidthPx() const {
  if (!IsSet(cspOutline) && !IsSet(cspOutlineWidth)) return 0;
  float value;
  if (GetTransitionValue(cspOutlineWidth, value)) return value;
  for (PCSSValue v : FProps) {
    if (idOf(v) == cspOutlineWidth) {
      int px;
      if (!v->Tokens.empty() && lineWidthKeyword(v->Tokens.front(), px)) return float(px);
      TMeasure m = v->Measure;
      m.Style = this;
      return m.ToPixels();
    }
    if (idOf(v) != cspOutline) continue;
    TCSSTokenSequence seq;
    seq.Init(v->Tokens);
    for (; seq.T; seq.Next()) {
      const TCSSToken& t = *seq.T;
      int px;
      if (t.CType == ctIdent) {
        if (SameTextAscii(t.Name, u"none")) return 0;
        if (lineWidthKeyword(t, px)) return float(px);
      } else if (t.CType == ctNumber || t.CType == ctDimension) {
        TMeasure m;
        m.Init(this);
        m.Decode(seq);
        return m.ToPixels();
      }
    }
    return 0;
  }
  return 0;
}

// ---- corner radii ----

void TBaseElementStyle::cornerRadius(TCSSProperty Corner, int Corner4, TMeasure& RX, TMeasure& RY) const {
  RX = initialMeasure(this, MeasureFlags(mfNotAuto, mfInitial));
  RY = RX;
  if (!IsSet(Corner) && !IsSet(cspBorderRadius)) return;
  RX.Parent = ownW();
  RY.Parent = ownH();
  if (GetTransitionMeasure(cspBorderRadius, RX) || GetTransitionMeasure(Corner, RX)) {
    RY.Assign(RX);
    return;
  }
  for (PCSSValue v : FProps) {
    if (idOf(v) == Corner) {
      decodeAt(v, 0, RX);
      RY.Assign(RX);
      return;
    }
    if (idOf(v) != cspBorderRadius) continue;
    const size_t n = v->Tokens.size();
    const bool secondUsable = n >= 2 && v->Tokens[1].CType != ctSlash;
    size_t index = 0;
    switch (Corner4) {
      case 1: index = secondUsable ? 1 : 0; break;                 // top right
      case 3: index = n >= 4 ? 3 : secondUsable ? 1 : 0; break;    // bottom left
      case 2: index = n >= 4 ? 2 : 0; break;                       // bottom right
      default: break;
    }
    decodeAt(v, index, RX);
    RY.Assign(RX);
    return;
  }
}

void TBaseElementStyle::BorderTopLeftRadius(TMeasure& RX, TMeasure& RY) const {
  cornerRadius(cspBorderTopLeftradius, 0, RX, RY);
}
void TBaseElementStyle::BorderTopRightRadius(TMeasure& RX, TMeasure& RY) const {
  cornerRadius(cspBorderTopRightRadius, 1, RX, RY);
}
void TBaseElementStyle::BorderBottomRightRadius(TMeasure& RX, TMeasure& RY) const {
  cornerRadius(cspBorderBottomRightRadius, 2, RX, RY);
}
void TBaseElementStyle::BorderBottomLeftRadius(TMeasure& RX, TMeasure& RY) const {
  cornerRadius(cspBorderBottomLeftRadius, 3, RX, RY);
}

void TBaseElementStyle::BorderRadius(TMeasure& RX, TMeasure& RY) const {
  RX = initialMeasure(this, MeasureFlags(mfNotAuto, mfInitial));
  RY = RX;
  if (!IsSet(cspBorderRadius) && !IsSet(cspBorderTopLeftradius)) return;
  const float* w = ownW();
  const float* h = ownH();
  const float* base = (w && h) ? (*w >= *h ? w : h) : (w ? w : h);
  RX.Parent = RY.Parent = base;
  if (GetTransitionMeasure(cspBorderRadius, RX) || GetTransitionMeasure(cspBorderTopLeftradius, RX)) {
    RY.Assign(RX);
    return;
  }
  for (PCSSValue v : FProps) {
    if (idOf(v) != cspBorderRadius && idOf(v) != cspBorderTopLeftradius) continue;
    decodeAt(v, 0, RX);
    if (idOf(v) == cspBorderRadius && v->Tokens.size() >= 3 && v->Tokens[1].CType == ctSlash)
      decodeAt(v, 2, RY);
    else
      RY.Assign(RX);
    return;
  }
}

bool TBaseElementStyle::anyRadiusSet() const {
  return IsSet(cspBorderRadius) || IsSet(cspBorderTopLeftradius) || IsSet(cspBorderTopRightRadius) ||
         IsSet(cspBorderBottomLeftRadius) || IsSet(cspBorderBottomRightRadius);
}

bool TBaseElementStyle::BorderOneRadius(int32_t RX, int32_t RY) const {
  if (!anyRadiusSet()) return RX == 0 && RY == 0;
  TMeasure x, y;
  for (auto corner : cornerAccessors) {
    (this->*corner)(x, y);
    if (std::lround(x.ToPixels()) != RX || std::lround(y.ToPixels()) != RY) return false;
  }
  return true;
}

void TBaseElementStyle::MaxBorderRadiusXY(float& RX, float& RY) const {
  RX = RY = 0;
  if (!anyRadiusSet()) return;
  TMeasure x, y;
  for (auto corner : cornerAccessors) {
    (this->*corner)(x, y);
    RX = std::max(RX, x.ToPixels());
    RY = std::max(RY, y.ToPixels());
  }
}

int32_t TBaseElementStyle::MaxBorderRadius() const {
  float rx, ry;
  MaxBorderRadiusXY(rx, ry);
  return int32_t(std::nearbyint(std::max(rx, ry)));
}

// ---- records ----

TElementShadow TBaseElementStyle::BoxShadow() const {
  TElementShadow s;
  s.X.Init(this);
  s.Y.Init(this);
  s.Blur.Init(this);
  if (!IsSet(cspBoxShadow)) return s;
  s.X.Parent = s.Y.Parent = ownW();
  if (PCSSValue v = FindOwnProp(cspBoxShadow)) {
    TCSSTokenSequence seq;
    initValueSequence(seq, *v);
    s.ParseBoxShadow(seq);
  }
  return s;
}

TElementShadow TBaseElementStyle::TextShadow() const {
  TElementShadow s;
  s.X.Init(this);
  s.Y.Init(this);
  s.Blur.Init(this);
  if (PCSSValue v = FindProp(cspTextShadow, true)) {
    s.X.Parent = s.Y.Parent = ownW();
    TCSSTokenSequence seq;
    initValueSequence(seq, *v);
    s.ParseTextShadow(seq);
  }
  return s;
}

TCSSColumnRule TBaseElementStyle::ColumnRule() const {
  TCSSColumnRule r;
  r.Width = initialMeasure(this, MeasureFlags(mfInitial));
  PCSSValue v = IsSet(cspColumnRule) ? FindOwnProp(cspColumnRule) : nullptr;
  if (!v) return r;
  r.Width.Parent = ownW();
  TCSSTokenSequence seq;
  initValueSequence(seq, *v);
  for (; seq.T; seq.Next()) {
    const TCSSToken& t = *seq.T;
    TLineStyle ls;
    if (t.CType == ctComma) break;
    if (t.CType == ctIdent) {
      if (lineStyleKeyword(t, ls))
        r.Style = ls;
      else if (SameTextAscii(t.Name, u"thin") || SameTextAscii(t.Name, u"thick"))
        r.Width.Decode(seq);
      else
        seq.ReadColor(r.Color);
    } else if (t.CType == ctHash || t.CType == ctFunction) {
      seq.ReadColor(r.Color);
    } else if (isDimensional(t)) {
      r.Width.Decode(seq);
    }
  }
  return r;
}

PCSSValue TBaseElementStyle::BoxReflect() const { return IsSet(cspBoxReflect) ? FindOwnProp(cspBoxReflect) : nullptr; }
PCSSValue TBaseElementStyle::Filter() const { return FindOwnProp(cspFilter); }
PCSSValue TBaseElementStyle::TabStops() const { return IsSet(cspTabStops) ? FindOwnProp(cspTabStops) : nullptr; }

// ---- font ----

TMeasure TBaseElementStyle::FontSize() const {
  const TBaseElementStyle* parent = parentStyle();
  const TBaseElementStyle* owner = parent ? parent : this;
  TMeasure m = initialMeasure(this, MeasureFlags(mfInitial));
  if (IsSet(cspFontSize) || IsSet(cspFont)) {
    m.Style = owner;
    m.Parent = &owner->IntFontSize;
    for (PCSSValue v : FProps) {
      if (idOf(v) == cspFontSize) {
        if (v->Inherit && parent) return parent->FontSize();
        copyMeasure(v->Measure, m);
        return m;
      }
      if (idOf(v) != cspFont) continue;
      for (size_t i = 0; i < v->Tokens.size(); ++i) {
        const TCSSToken& t = v->Tokens[i];
        if (t.CType == ctSlash) break;
        if (isDimensional(t)) {
          decodeAt(v, i, m);
          return m;
        }
      }
    }
    m = initialMeasure(this, MeasureFlags(mfInitial));
  }
  m.Flags = MeasureFlags(mfNotAuto);
  m.FValue = owner->IntFontSize;
  m.FMUnit = muPX;
  return m;
}

TMeasure TBaseElementStyle::LineHeight() const {
  const bool quirks = FElement && FElement->IsQuirksMode();
  TMeasure m = initialMeasure(this, MeasureFlags(mfInitial));
  m.Parent = &IntFontSize;
  auto floorUnitless = [&](TMeasure& x, bool onlyInline) {
    if (!quirks && x.FMUnit == muNone && x.FValue < 1.2f && (!onlyInline || fDisplay == dsInline)) x.FValue = 1.2f;
  };
  bool leftInline = false;
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (s->IsSet(cspLineHeight) || s->IsSet(cspFont)) {
      for (PCSSValue v : s->FProps) {
        if (idOf(v) == cspLineHeight) {
          if (v->Measure.Has(mfInherit)) continue;
          copyMeasure(v->Measure, m);
          if (m.Flags == MeasureFlags(mfNotAuto, mfInitial)) m.FValue = 1.2f;
          floorUnitless(m, true);
          return m;
        }
        if (idOf(v) != cspFont) continue;
        size_t slash = 0;
        while (slash < v->Tokens.size() && v->Tokens[slash].CType != ctSlash) ++slash;
        if (slash + 1 >= v->Tokens.size()) continue;
        const TCSSToken& t = v->Tokens[slash + 1];
        decodeAt(v, slash + 1, m);
        if (t.CType != ctPercentage && t.CType != ctDimension && !m.Has(mfInherit)) m.FMUnit = muNone;
        if (m.Has(mfInherit) && !s->parentStyle()) m.Include(mfInitial);
        floorUnitless(m, false);
        return m;
      }
    }
    if (quirks && fDisplay == dsInline) {
      if (leftInline) break;
      if (s != this && s->fDisplay != dsInline) leftInline = true;
    }
  }
  m = initialMeasure(this, MeasureFlags(mfInitial));
  m.Parent = &IntFontSize;
  m.FValue = 1.2f;
  m.FMUnit = muNone;
  return m;
}

// ---- paging and misc ----

int32_t TBaseElementStyle::Page() const {
  PCSSValue v = IsSet(cspPage) ? FindOwnProp(cspPage) : nullptr;
  if (!v || v->Tokens.empty()) return 0;
  const TCSSToken& t = v->Tokens.front();
  if (SameTextAscii(t.Name, u"first")) return 1;
  if (SameTextAscii(t.Name, u"last")) return -9991;
  if (SameTextAscii(t.Name, u"last-")) return -9994;
  if (SameTextAscii(t.Name, u"odd")) return -9992;
  if (SameTextAscii(t.Name, u"even")) return -9993;
  if (t.CType != ctNumber || t.AsFloat != std::floor(t.AsFloat) || std::fabs(t.AsFloat) > 2e9f) return 0;
  const int32_t n = int32_t(t.AsFloat);
  return v->Tokens.size() == 1 ? n : -n;
}

String TBaseElementStyle::PageSize() const {
  String result;
  if (PCSSValue v = IsSet(cspSize) ? FindOwnProp(cspSize) : nullptr)
    for (const TCSSToken& t : v->Tokens) {
      if (!result.empty()) result += u' ';
      result += t.Name;
    }
  return result;
}

String TBaseElementStyle::RunningBlock() const {
  PCSSValue v = IsSet(cspPosition) ? FindOwnProp(cspPosition) : nullptr;
  return v && v->Tokens.size() > 2 ? v->Tokens[2].Name : String();
}

void TBaseElementStyle::GetTransform(TTransform& T, bool UseTransitions) const {
  T.Style = this;
  T.Clear();
  T.OriginX.Flags = T.OriginY.Flags = MeasureFlags(mfNotAuto, mfCenter);
  if (!IsSet(cspTransform) && !(UseTransitions && Transitions)) return;
  if (PCSSValue v = IsSet(cspTransform) ? FindOwnProp(cspTransform) : nullptr) {
    TCSSTokenSequence seq;
    seq.Init(v->Tokens);
    T.Parse(seq);
  }
  if (PCSSValue v = IsSet(cspTransformOrigin) ? FindOwnProp(cspTransformOrigin) : nullptr) {
    TCSSTokenSequence seq;
    seq.Init(v->Tokens);
    T.ParseOrigin(seq);
  }
  if (!UseTransitions || !Transitions) return;
  for (const auto& [name, tr] : *Transitions) {
    if (!tr->Active) continue;
    const float value = tr->CurrentValue;
    TMeasure* part = name == u"transform.x"    ? T.TranslateX(true)
                     : name == u"transform.y"  ? T.TranslateY(true)
                     : name == u"transform.r"  ? T.Rotate(true)
                     : name == u"transform.sx" ? T.ScaleX(true)
                     : name == u"transform.sy" ? T.ScaleY(true)
                     : name == u"transform.rx" ? T.RotateX(true)
                                               : nullptr;
    if (!part) continue;
    if (name == u"transform.x" || name == u"transform.y")
      part->SetPixels(value);
    else
      part->SetValue(value);
  }
}

bool TBaseElementStyle::HasTransform() const {
  if (IsSet(cspTransform)) return true;
  if (Transitions)
    for (const auto& [name, tr] : *Transitions)
      if (name.starts_with(u"transform") && tr->Active) return true;
  return false;
}

TRect TBaseElementStyle::ScaleRect(const TRect& R) const {
  const double scale = FElement ? FElement->DeviceScale() : 1.0;
  auto s = [&](int x) { return int(std::lround(x * scale)); };
  return TRect(s(R.Left), s(R.Top), s(R.Right), s(R.Bottom));
}

}  // namespace ht
