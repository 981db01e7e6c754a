#include "css/element_style.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/numeric.h"
#include "platform/rtl/string.h"

namespace ht {

namespace {

// Rounds to the nearest integer, halves to even.

bool isLength(const TCSSPropRec* p) { return p && p->Kind == cptLength; }

bool isMargin(TCSSProperty id) {
  return id == cspMarginLeft || id == cspMarginTop || id == cspMarginRight || id == cspMarginBottom || id == cspMargin;
}

bool isFunction(const TCSSToken* t, StringView name) {
  return t && t->CType == ctFunction && SameTextAscii(t->Name, name);
}

// A time token in milliseconds: seconds times 1000, rounded.
int32_t timeMs(const TCSSToken& t) { return RoundHalfEven(t.MUnit == muS ? double(t.AsFloat) * 1000.0 : double(t.AsFloat)); }

bool timingKeyword(const TCSSToken& t, TCSSTiming& out) {
  return t.CType == ctIdent && EnumFromKeyword(t.Name, u"tm", out);
}


uint32_t tokensChecksum(const TCSSValue& v) { return v.Checksum(); }

}  // namespace

TBaseElementStyle::TBaseElementStyle() = default;

TBaseElementStyle::~TBaseElementStyle() = default;

const TBaseElementStyle* TBaseElementStyle::parentStyle() const {
  IStyledElement* parent = FElement ? FElement->StyleParent() : nullptr;
  return parent ? parent->ElementStyle() : nullptr;
}

// ---- storage and reads ----

PCSSValue TBaseElementStyle::FindOwnProp(TCSSProperty PropID) const {
  for (PCSSValue v : FProps)
    if (v->PropRec && v->PropRec->Id == PropID) return v;
  return nullptr;
}

PCSSValue TBaseElementStyle::FindProp(TCSSProperty PropID, bool AInherited) const {
  for (const TBaseElementStyle* s = this; s; s = AInherited ? s->parentStyle() : nullptr)
    if (s->PropertySet.test(PropID)) return s->FindOwnProp(PropID);
  return nullptr;
}

void TBaseElementStyle::GetMeasure(TCSSProperty PropID, TMeasure& M, const float* Parent, bool AInherited,
                                   bool ATransitions) const {
  M.Init(this);
  M.FValue = 0;
  M.FMUnit = muPX;
  M.Flags = MeasureFlags(mfInitial);
  M.Calc = nullptr;
  if (!AInherited && !PropertySet.test(PropID)) return;
  M.Parent = Parent;
  if (ATransitions && Transitions && GetTransitionMeasure(PropID, M)) return;
  PCSSValue v = AInherited ? FindProp(PropID, true) : FindOwnProp(PropID);
  if (!v) return;
  M.FValue = v->Measure.FValue;
  M.FMUnit = v->Measure.FMUnit;
  M.Flags = v->Measure.Flags;
  M.Calc = v->Measure.Calc;
}

uint32_t TBaseElementStyle::readColor(PCSSValue Value) const {
  const TCSSToken& t = Value->Tokens.front();
  if (!(t.Flags & (ctfCurrentColor | ctfSystemColor)) && t.CType != ctFunction) return t.Color;
  TCSSTokenSequence seq;
  seq.Init(Value->Tokens);
  // currentColor of "color" itself is the parent's colour.
  const TBaseElementStyle* colorSource = this;
  if (Value->PropRec && Value->PropRec->Id == cspColor) colorSource = parentStyle();
  seq.CurrentColor = colorSource ? colorSource->TextColor() : (FElement ? FElement->DefaultTextColor() : 0xFF000000);
  if (isFunction(seq.T, u"var")) const_cast<TBaseElementStyle*>(this)->ResolveVariables(seq);
  uint32_t color = t.Color;
  if (!seq.ReadColor(color)) color = t.Color;
  return color;
}

bool TBaseElementStyle::GetColorProp(TCSSProperty PropID, uint32_t& Res, bool AInherit, bool ATransitions) const {
  if (!AInherit && !PropertySet.test(PropID)) return false;
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (ATransitions && s->GetTransitionColor(PropID, Res)) return true;
    if (s->PropertySet.test(PropID)) {
      PCSSValue v = s->FindOwnProp(PropID);
      if (v && v->Inherit) {
        AInherit = true;
        continue;
      }
      if (v && !v->Tokens.empty()) {
        Res = s->readColor(v);
        return true;
      }
    }
    if (!AInherit) return false;
  }
  if (PropID == cspColor && FElement) {
    Res = FElement->DefaultTextColor();
    return true;
  }
  return false;
}

bool TBaseElementStyle::GetNumberProp(TCSSProperty PropID, float& Res, bool AInherit, bool ATransitions) const {
  if (!AInherit && !PropertySet.test(PropID)) return false;
  for (const TBaseElementStyle* s = this; s; s = s->parentStyle()) {
    if (ATransitions && s->GetTransitionValue(PropID, Res)) return true;
    if (s->PropertySet.test(PropID)) {
      PCSSValue v = s->FindOwnProp(PropID);
      if (v && !v->Tokens.empty()) {
        Res = v->Tokens.front().AsFloat;
        return true;
      }
    }
    if (!AInherit) return false;
  }
  return false;
}

const float* TBaseElementStyle::GetPropParent(const TCSSPropRec& Prop) const {
  switch (Prop.PercentBase) {
    case 0: return ownW();
    case 1: return ownH();
    case 2: return &IntFontSize;
    case 3: return contW();
    case 4: return contH();
    default: return nullptr;
  }
}

const float* TBaseElementStyle::ownW() const { return FElement ? FElement->InnerWidthRef() : nullptr; }
const float* TBaseElementStyle::ownH() const { return FElement ? FElement->InnerHeightRef() : nullptr; }
const float* TBaseElementStyle::contW() const {
  IStyledElement* c = FElement ? FElement->StyleContainer() : nullptr;
  return c ? c->InnerWidthRef() : nullptr;
}
const float* TBaseElementStyle::contH() const {
  IStyledElement* c = FElement ? FElement->StyleContainer() : nullptr;
  return c ? c->InnerHeightRef() : nullptr;
}

uint32_t TBaseElementStyle::GetLastColorProp(TCSSProperty PropID, bool AInherit) const {
  for (const TBaseElementStyle* s = this; s; s = AInherit ? s->parentStyle() : nullptr)
    for (const TCSSPropValueRec& r : s->FLastProps)
      if (r.PropRec && r.PropRec->Id == PropID) return r.Number.AsCardinal;
  if (AInherit && PropID == cspColor && FElement) return FElement->DefaultTextColor();
  return 0;
}

bool TBaseElementStyle::GetLastNumberProp(TCSSProperty PropID, float& Res, bool AInherit) const {
  for (const TBaseElementStyle* s = this; s; s = AInherit ? s->parentStyle() : nullptr)
    for (const TCSSPropValueRec& r : s->FLastProps)
      if (r.PropRec && r.PropRec->Id == PropID) {
        Res = r.Number.AsFloat;
        return true;
      }
  return false;
}

TElementBackground& TBaseElementStyle::Background() {
  if (!FBackground) {
    FBackground = std::make_unique<TElementBackground>(this);
    FBackground->SizeX.Parent = FBackground->PositionX.Parent = ownW();
    FBackground->SizeY.Parent = FBackground->PositionY.Parent = ownH();
  }
  return *FBackground;
}

// ---- cascade ----

void TBaseElementStyle::LoadProps(const TCSSWeightList& List, bool Append) {
  const int32_t count = List.Count();
  size_t written = 0;
  if (!Append) {
    FProps.assign(size_t(count), nullptr);
    PropertySet.reset();
    if (count == 0) {
      UpdateGeneralProps();
      return;
    }
  } else {
    FProps.insert(FProps.begin(), size_t(count), nullptr);
  }
  // Heaviest first; the last item of each property in the list is its winner.
  std::vector<bool> winner(size_t(count), false);
  TCSSproperties seen;
  for (int32_t i = count - 1; i >= 0; --i) {
    PCSSValue v = List.ValueAt(i);
    const TCSSProperty id = v->PropRec ? v->PropRec->Id : cspUnknown;
    winner[size_t(i)] = !seen.test(id);
    seen.set(id);
    if (!Append && PropertySet.test(id)) continue;
    FProps[written++] = v;
    PropertySet.set(id);
  }
  if (!Append) FProps.resize(written);
  // Only winners are applied: a lighter declaration of the same property
  // must leave no trace (a counter it would count, an animation it would
  // start).
  for (int32_t i = 0; i < count; ++i) {
    if (!winner[size_t(i)]) continue;
    PCSSValue v = List.ValueAt(i);
    const TCSSProperty id = v->PropRec ? v->PropRec->Id : cspUnknown;
    if (isLength(v->PropRec) && !isMargin(id) && !v->Measure.Has(mfNotAuto))
      PropertySet.reset(id);
    else
      PropertySet.set(id);
    if (v->Tokens.empty()) continue;
    if (v->ApplyProc == capNone) continue;
    TCSSTokenSequence seq;
    seq.Init(v->Tokens);
    switch (v->ApplyProc) {
      case capCallApplyProp: ApplyProp(v, seq); break;
      case capApplyBackground: applyBackground(v, seq); break;
      case capApplyDisplay: applyDisplay(v); break;
      case capApplyFontWeight: applyFontWeight(v, seq); break;
      case capApplyWhiteSpace: applyWhiteSpace(v); break;
      default: break;
    }
  }
  UpdateGeneralProps();
}

void TBaseElementStyle::applyBackground(PCSSValue Value, TCSSTokenSequence& Seq) {
  TElementBackground& b = Background();
  if (Value->Section) b.BaseURL = Value->Section->URL;
  b.Parse(Seq);
}

void TBaseElementStyle::applyDisplay(PCSSValue Value) {
  if (Value->Inherit) {
    const TBaseElementStyle* p = parentStyle();
    fDisplay = p ? p->fDisplay : dsInline;
  } else {
    fDisplay = TDisplayStyle(Value->Tokens.front().Color);
  }
}

void TBaseElementStyle::applyWhiteSpace(PCSSValue Value) {
  if (Value->Inherit) {
    const TBaseElementStyle* p = parentStyle();
    WhiteSpace = p ? p->WhiteSpace : wsNormal;
  } else {
    WhiteSpace = TWhiteSpace(Value->Tokens.front().Color);
  }
}

void TBaseElementStyle::applyFontWeight(PCSSValue Value, TCSSTokenSequence& Seq) {
  constexpr THtFontStyles weightBits{hfsBold, hfsLight, hfsUltraLight};
  // Every weight replaces the weight bits as a whole, so a lighter weight
  // set once does not stick to later, heavier ones.
  auto setWeight = [&](THtFontStyles bits) {
    CalculatedTextStyle = (CalculatedTextStyle - weightBits) + bits;
  };
  if (Value->Inherit) {
    const TBaseElementStyle* p = parentStyle();
    setWeight(p ? p->CalculatedTextStyle * weightBits : THtFontStyles());
    return;
  }
  const TCSSToken& t = *Seq.T;
  if (t.CType == ctIdent) {
    const uint32_t ordinal = t.Color;
    if (ordinal == fwBold || ordinal == fwBolder)
      setWeight({hfsBold});
    else if (ordinal == fwLighter)
      setWeight({hfsLight});
    else
      setWeight({});
  } else if (t.CType == ctNumber) {
    // The weight is read from the text: value preparation keeps the
    // keyword ordinal in the token's value slot.
    int w = 0;
    bool digits = !t.Name.empty();
    for (char16_t ch : t.Name) {
      if (ch < u'0' || ch > u'9' || w > 100000) {
        digits = false;
        break;
      }
      w = w * 10 + (ch - u'0');
    }
    if (!digits) return;  // not an integer: no change
    if (w > 600)
      setWeight({hfsBold});
    else if (w >= 400)
      setWeight({});
    else if (w >= 300)
      setWeight({hfsLight});
    else
      setWeight({hfsUltraLight});
  } else {
    setWeight({});
  }
}

void TBaseElementStyle::ApplyProp(PCSSValue Value, TCSSTokenSequence& Seq) {
  if (isFunction(Seq.T, u"var")) ResolveVariables(Seq);
  if (!Seq.T) return;
  const TCSSToken& t = *Seq.T;
  const TCSSProperty id = Value->PropRec ? Value->PropRec->Id : cspUnknown;
  const TBaseElementStyle* parent = parentStyle();
  const bool inherit = Value->Inherit;
  const uint32_t ordinal = t.Color;
  switch (id) {
    case cspPosition: fPosition = inherit ? (parent ? parent->fPosition : epStatic) : TElementPosition(ordinal); break;
    case cspTransition: ApplyTransition(Seq); break;
    case cspTextDecorationLine:
      if (inherit) {
        if (parent)
          CalculatedTextStyle = (CalculatedTextStyle - THtFontStyles{hfsUnderline}) +
                                parent->CalculatedTextStyle * THtFontStyles{hfsUnderline};
      } else {
        // Read by keyword: value preparation may keep either the ordinal or
        // the line bits in the token, and a list such as "underline
        // line-through" names both lines.
        for (const TCSSToken& k : Value->Tokens) {
          if (k.CType != ctIdent) continue;
          if (SameTextAscii(k.Name, u"none"))
            CalculatedTextStyle = CalculatedTextStyle - THtFontStyles{hfsUnderline, hfsStrikeOut};
          else if (SameTextAscii(k.Name, u"underline"))
            CalculatedTextStyle.Include(hfsUnderline);
          else if (SameTextAscii(k.Name, u"line-through"))
            CalculatedTextStyle.Include(hfsStrikeOut);
        }
      }
      break;
    case cspTextDecoration:
      CalculatedTextStyle = CalculatedTextStyle - THtFontStyles{hfsUnderline, hfsStrikeOut};
      if (inherit) {
        if (parent) CalculatedTextStyle = parent->CalculatedTextStyle;
      } else {
        // The prepared value keeps the line bits in the token.
        CalculatedTextStyle =
            CalculatedTextStyle + THtFontStyles::FromBits(uint8_t(ordinal)) * THtFontStyles{hfsUnderline, hfsStrikeOut};
      }
      break;
    case cspFontStyle:
      // "inherit" takes the parent's italic rather than comparing keywords.
      if (inherit ? (parent && parent->CalculatedTextStyle.Contains(hfsItalic)) : SameTextAscii(t.Name, u"italic"))
        CalculatedTextStyle.Include(hfsItalic);
      else
        CalculatedTextStyle.Exclude(hfsItalic);
      break;
    case cspBackgroundColor: Background().Gradient.Stops.clear(); break;
    case cspBackgroundImage: {
      TElementBackground& b = Background();
      b.Parse(Seq);
      if (Value->Section) b.BaseURL = Value->Section->URL;
      break;
    }
    case cspBackgroundPositionX: Background().PositionX.Decode(Seq); break;
    case cspbackgroundPositionY: Background().PositionY.Decode(Seq); break;
    case cspBackgroundPosition: {
      TElementBackground& b = Background();
      const bool vertical = t.CType == ctIdent && (SameTextAscii(t.Name, u"top") || SameTextAscii(t.Name, u"bottom"));
      (vertical ? b.PositionY : b.PositionX).Decode(Seq);
      if (Seq.Next()) (vertical ? b.PositionX : b.PositionY).Decode(Seq);
      break;
    }
    case cspBackgroundAttachment: {
      TBackgroundAttachment a;
      if (EnumFromKeyword(t.Name, u"ba", a)) Background().Attachment = a;
      break;
    }
    case cspBackgroundSize: {
      TElementBackground& b = Background();
      if (SameTextAscii(t.Name, u"cover"))
        b.Size = bsCover;
      else if (SameTextAscii(t.Name, u"contain"))
        b.Size = bsContain;
      else
        b.SizeX.Decode(Seq);
      if (Seq.Next()) b.SizeY.Decode(Seq);
      break;
    }
    case cspVisibility: Visibility = inherit ? (parent ? parent->Visibility : cvVisible) : TCSSVisibility(ordinal); break;
    case cspZIndex:
      // Bounded both ways so the conversion to an integer cannot overflow.
      if (!inherit) ZIndex = RoundHalfEven(std::clamp(double(t.AsFloat), -1e8, 1e8));
      break;
    case cspDirection: CalculatedDirection = inherit ? (parent ? parent->CalculatedDirection : cdLTR) : TCSSDirection(ordinal); break;
    case cspWordWrap:
      if (!inherit && ordinal == 1) CalculatedWordBreak = wbBreakWord;
      break;
    case cspWordBreak:
      CalculatedWordBreak = inherit ? (parent ? parent->CalculatedWordBreak : wbNormal) : TCSSWordBreak(ordinal);
      break;
    case cspZoom:
      if (!inherit) Zoom = t.CType == ctPercentage ? t.AsFloat / 100.0f : t.AsFloat;
      break;
    case cspHyphens:
      if (!inherit && ordinal == 2) CalculatedWordBreak = wbHyphens;
      break;
    case cspAnimation: ApplyAnimation(Seq); break;
    case cspAnimationName: EnsureAnimation().Name = t.Name; break;
    case cspAnimationDuration: EnsureAnimation().Duration = std::min(timeMs(t), MaxAnimationDuration); break;
    case cspAnimationTimingFunction: {
      TCSSTiming timing;
      if (EnumFromKeyword(t.Name, u"tm", timing)) EnsureAnimation().Timing = timing;
      break;
    }
    case cspClear:
      if (SameTextAscii(t.Name, u"left"))
        Clear = 1;
      else if (SameTextAscii(t.Name, u"right"))
        Clear = 2;
      else if (SameTextAscii(t.Name, u"both"))
        Clear = 3;
      break;
    case cspCounterReset:
      if (FElement) {
        const int32_t value = Value->Tokens.size() > 1 ? RoundHalfEven(Value->Tokens[1].AsFloat) : 0;
        FElement->SetCounter(t.Name, value);
      }
      break;
    case cspCounterIncrement:
      if (FElement) FElement->IncrementCounter(t.Name);
      break;
    case cspTransitionDuration:
      if (Transitions)
        for (auto& entry : *Transitions) entry.second->Duration = timeMs(t);
      break;
    default: break;
  }
}

void TBaseElementStyle::UpdateGeneralProps() {
  GeneralProps = 0;
  RelativeProps = 0;
  for (PCSSValue v : FProps) {
    const TCSSProperty id = v->PropRec ? v->PropRec->Id : cspUnknown;
    switch (id) {
      case cspMarginLeft:
      case cspMarginTop:
      case cspMarginRight:
      case cspMarginBottom:
        if (v->Measure.FValue != 0 || v->Measure.Calc) {
          GeneralProps |= GeneralBit(cgMargin);
          if (v->Measure.FMUnit == muPercent) RelativeProps |= GeneralBit(cgMargin);
        }
        break;
      case cspPaddingLeft:
      case cspPaddingTop:
      case cspPaddingRight:
      case cspPaddingBottom:
        if (v->Measure.Has(mfNotAuto) && (v->Measure.FValue != 0 || v->Measure.Calc)) {
          GeneralProps |= GeneralBit(cgPadding);
          if (v->Measure.FMUnit == muPercent) RelativeProps |= GeneralBit(cgPadding);
        }
        break;
      case cspBorderStyle:
      case cspBorderTopStyle:
      case cspBorderRightStyle:
      case cspBorderBottomStyle:
      case cspBorderLeftStyle:
        if (!v->Tokens.empty() && v->Tokens.front().Color != lsNone) GeneralProps |= GeneralBit(cgBorder);
        break;
      case cspBorderRadius: GeneralProps |= GeneralBit(cgBorder); break;
      case cspBackgroundImage: GeneralProps |= GeneralBit(cgBackground); break;
      case cspBackgroundColor:
        if (!v->Inherit) {
          GeneralProps |= GeneralBit(cgBackground);
        } else if (const TBaseElementStyle* p = parentStyle()) {
          if (p->GeneralProps & GeneralBit(cgBackground)) GeneralProps |= GeneralBit(cgBackground);
        }
        break;
      default: break;
    }
  }
  if (!(GeneralProps & GeneralBit(cgBorder)) &&
      (IsSet(cspBorder) || IsSet(cspBorderTop) || IsSet(cspBorderRight) || IsSet(cspBorderBottom) || IsSet(cspBorderLeft)))
    for (int side = 0; side < 4; ++side)
      if (BorderSideWidth(side).FValue != 0) {
        GeneralProps |= GeneralBit(cgBorder);
        break;
      }
}

void TBaseElementStyle::DeleteProps(const TCSSproperties& Props) {
  std::erase_if(FProps, [&](PCSSValue v) { return Props.test(v->PropRec ? v->PropRec->Id : cspUnknown); });
  PropertySet &= ~Props;
}

bool TBaseElementStyle::ApplyPseudoClass(TCSSPseudoClass PClass, bool Add) {
  const bool member = PClass < 32 && (CurrentPC & (1u << PClass));
  if (member == Add) return false;
  if (PClass < 32) {
    if (Add)
      CurrentPC |= 1u << PClass;
    else
      CurrentPC &= ~(1u << PClass);
  }
  if (FElement) {
    if (IStyledElement* parent = FElement->StyleParent()) parent->StyleChanged(false);
    FElement->StyleChanged(false);
  }
  return true;
}

// ---- change detection ----

void TBaseElementStyle::SaveLastProps() {
  FLastProps.assign(FProps.size(), TCSSPropValueRec());
  for (size_t i = 0; i < FProps.size(); ++i) {
    PCSSValue v = FProps[i];
    TCSSPropValueRec& r = FLastProps[i];
    r.Value = v;
    r.PropRec = v->PropRec;
    if (!v->PropRec || v->PropRec->Id == cspUnknown) continue;
    switch (v->PropRec->Kind) {
      case cptLength:
        if (!v->Tokens.empty()) {
          TMeasure m = v->Measure;
          m.Style = this;
          m.Parent = GetPropParent(*v->PropRec);
          r.Number.AsFloat = m.GetAuto() ? 0 : m.ToPixels();
          r.Length = v->Measure.FValue;
          if (v->Measure.Calc) r.Checksum = tokensChecksum(*v);
        }
        break;
      case cptNumber:
        if (!v->Tokens.empty()) r.Number.AsFloat = v->Tokens.front().AsFloat;
        break;
      case cptColor:
      case cptEnum:
        if (!v->Tokens.empty()) r.Number.AsCardinal = v->Tokens.front().Color;
        break;
      case cptComplex: r.Number.AsCardinal = tokensChecksum(*v); break;
      case cptString: r.Checksum = tokensChecksum(*v); break;
    }
  }
}

bool TBaseElementStyle::StyleChanged(bool& NeedRecalc, bool& NeedRepaint) const {
  if (FProps.empty()) {
    if (FLastProps.empty()) return false;
    NeedRepaint = true;
    for (const TCSSPropValueRec& r : FLastProps)
      if (r.PropRec && r.PropRec->AffectsLayout) {
        NeedRecalc = true;
        return true;
      }
    return false;
  }
  bool result = false;
  auto changed = [&](const TCSSPropRec* p) {
    NeedRepaint = true;
    result = true;
    if (p->AffectsLayout) {
      NeedRecalc = true;
      return true;
    }
    return false;
  };
  TCSSproperties met;
  for (PCSSValue v : FProps) {
    const TCSSPropRec* p = v->PropRec;
    if (!p || p->Id == cspUnknown || met.test(p->Id)) continue;
    met.set(p->Id);
    const TCSSPropValueRec* saved = nullptr;
    for (const TCSSPropValueRec& r : FLastProps)
      if (r.PropRec == p) {
        saved = &r;
        break;
      }
    bool differs = true;
    if (saved) {
      const float first = v->Tokens.empty() ? 0 : v->Tokens.front().AsFloat;
      const uint32_t firstBits = v->Tokens.empty() ? 0 : v->Tokens.front().Color;
      switch (p->Kind) {
        case cptLength:
          // A calc() value is compared by its text: its pixels depend on
          // the layout being redone.
          differs = v->Measure.Calc ? tokensChecksum(*v) != saved->Checksum
                                    : !SameSingle(v->Measure.FValue, saved->Length);
          break;
        case cptNumber: differs = !SameSingle(first, saved->Number.AsFloat); break;
        case cptColor:
        case cptEnum: differs = firstBits != saved->Number.AsCardinal; break;
        case cptComplex: differs = saved->Value != v && tokensChecksum(*v) != saved->Number.AsCardinal; break;
        case cptString: differs = saved->Value != v && tokensChecksum(*v) != saved->Checksum; break;
      }
    }
    if (differs && changed(p)) return true;
  }
  for (const TCSSPropValueRec& r : FLastProps) {
    if (!r.PropRec || r.PropRec->Id == cspUnknown || met.test(r.PropRec->Id)) continue;
    if (changed(r.PropRec)) return true;
  }
  return result;
}

void TBaseElementStyle::SetLastPropValue(StringView PropName, double AValue) {
  TCSSPropRec* p = FindCSSProp(PropName);
  if (!p) return;
  auto store = [&](TCSSPropValueRec& r) {
    if (p->Kind == cptLength) {
      r.Number.AsFloat = float(AValue);
      r.Length = float(AValue);
    } else {
      r.Number.AsCardinal = uint32_t(int64_t(std::llround(AValue)));
    }
  };
  for (TCSSPropValueRec& r : FLastProps)
    if (r.PropRec == p) {
      store(r);
      return;
    }
  if (PCSSValue v = FindOwnProp(p->Id)) {
    TCSSPropValueRec r;
    r.Value = v;
    r.PropRec = p;
    store(r);
    FLastProps.push_back(r);
  }
}

// ---- inheritance and lifecycle ----

void TBaseElementStyle::Inherit(const TBaseElementStyle& s) {
  if (s.Zoom != 1) Zoom = s.Zoom;
  const bool quirksTable = FElement && FElement->IsQuirksMode() && FElement->StyleTag() == u"table";
  if (!quirksTable) {
    WhiteSpace = s.WhiteSpace;
    CalculatedWordBreak = s.CalculatedWordBreak;
    CalculatedTextStyle = s.CalculatedTextStyle;
  }
  CalculatedDirection = s.CalculatedDirection;
}

void TBaseElementStyle::Reset() {
  if (FBackground) FBackground->Clear();
  fDisplay = dsInline;
  fPosition = epStatic;
  ZIndex = 0;
  Clear = 0;
  CalculatedTextStyle = THtFontStyles();
  Zoom = 1;
  WhiteSpace = wsNormal;
  CalculatedWordBreak = wbNormal;
  CalculatedDirection = cdLTR;
  CalculatedOpacity = 0;
  Visibility = cvVisible;
  if (Animation) Animation->Active = false;
}

bool TBaseElementStyle::IsSameStyle(TBaseElementStyle& Other, bool Force) {
  if (Force) return true;
  if (FProps.size() != FLastProps.size()) return false;
  if (!FBackground && !Other.FBackground) return true;
  TElementBackground& a = Background();
  TElementBackground& b = Other.Background();
  const bool aStops = !a.Gradient.Stops.empty(), bStops = !b.Gradient.Stops.empty();
  if (aStops != bStops) return false;
  if (aStops && &a.Gradient.Stops != &b.Gradient.Stops) return false;
  return a.Image == b.Image;
}

void TBaseElementStyle::ResolveVariables(TCSSTokenSequence&) {}

String TBaseElementStyle::FontFamily() const {
  PCSSValue v = FindProp(cspFontFamily, true);
  if (!v || v->Inherit || v->Tokens.empty()) return FElement ? FElement->DefaultFontName() : String();
  String result;
  for (const TCSSToken& t : v->Tokens) {
    if (t.CType == ctComma) break;
    if (!result.empty()) result += u' ';
    result += t.Name;
  }
  while (!result.empty() && (result.back() == u' ' || result.back() == u'\t')) result.pop_back();
  return result;
}

// ---- measure context ----

int TBaseElementStyle::MeasureFontSize() const { return RoundHalfEven(IntFontSize); }

bool TBaseElementStyle::MeasureRootFontSize(int& Px) const {
  if (!FElement || !FElement->StyleParent()) return false;
  // A fragment or a tree without "html" has its topmost element as root.
  const TBaseElementStyle* top = nullptr;
  for (IStyledElement* e = FElement; e; e = e->StyleParent()) {
    if (!e->ElementStyle()) continue;
    top = e->ElementStyle();
    if (e->StyleTag() == u"html") break;
  }
  if (!top) return false;
  Px = top->MeasureFontSize();
  return true;
}

bool TBaseElementStyle::MeasureViewport(float& Width, float& Height, float& DeviceScale) const {
  return FElement && FElement->Viewport(Width, Height, DeviceScale);
}

// ---- transitions and animations ----

void TBaseElementStyle::ApplyTransition(TCSSTokenSequence& Seq) {
  while (Seq.T) {
    String name = u"all";
    while (Seq.T && Seq.T->CType != ctDimension) {
      TCSSTiming timing;
      if (Seq.T->CType == ctIdent && !timingKeyword(*Seq.T, timing)) name = Seq.T->Name;
      Seq.Next();
    }
    if (!Seq.T) return;
    const int32_t duration = std::min(timeMs(*Seq.T), MaxAnimationDuration);
    Seq.Next();
    TCSSTiming timing = tmEase;
    if (Seq.T && timingKeyword(*Seq.T, timing)) Seq.Next();
    int32_t delay = -1;
    if (Seq.T && Seq.T->CType == ctDimension) {
      delay = timeMs(*Seq.T);
      Seq.Next();
    }
    if (!Transitions) Transitions = std::make_unique<std::map<String, std::unique_ptr<TCSSTransition>>>();
    auto add = [&](const String& key, TCSSPropRec* prop) {
      auto tr = std::make_unique<TCSSTransition>();
      tr->Duration = duration;
      tr->Delay = delay;
      tr->Timing = timing;
      tr->Prop = prop;
      (*Transitions)[key] = std::move(tr);
    };
    if (!Transitions->count(name)) {
      if (name == u"background") {
        add(u"background-color", FindCSSProp(u"background-color"));
        add(u"background-image", FindCSSProp(u"background-image"));
      } else {
        add(name, name == u"all" ? nullptr : FindCSSProp(AsciiLowerCase(name)));
      }
    }
    if (!Seq.T || Seq.T->CType != ctComma) return;
    Seq.Next();
  }
}

void TBaseElementStyle::ApplyAnimation(TCSSTokenSequence& Seq) {
  String name;
  while (Seq.T && Seq.T->CType != ctDimension) {
    TCSSTiming timing;
    if (Seq.T->CType == ctIdent && !timingKeyword(*Seq.T, timing)) name = Seq.T->Name;
    Seq.Next();
  }
  if (!Seq.T) return;
  const int32_t duration = timeMs(*Seq.T);
  Seq.Next();
  TCSSTiming timing = tmEase;
  if (Seq.T && timingKeyword(*Seq.T, timing)) Seq.Next();
  int32_t iterations = 1, delay = 0;
  if (Seq.T && SameTextAscii(Seq.T->Name, u"infinite")) iterations = -1;
  if (Seq.T && Seq.T->CType == ctDimension) delay = timeMs(*Seq.T);
  if (!Animation) {
    Animation = std::make_unique<TCSSAnimation>();
    Animation->Name = name;
    Animation->Duration = std::min(duration, MaxAnimationDuration);
    Animation->Delay = delay;
    Animation->Timing = timing;
    Animation->Iterations = iterations;
  }
  Animation->Active = true;
}

TCSSAnimation& TBaseElementStyle::EnsureAnimation() {
  if (!Animation) {
    Animation = std::make_unique<TCSSAnimation>();
    Animation->Iterations = 1;
  }
  Animation->Active = true;
  return *Animation;
}

const TCSSTransition* TBaseElementStyle::findTransition(TCSSProperty PropID) const {
  if (!Transitions) return nullptr;
  for (const auto& entry : *Transitions)
    if (entry.second->Prop && entry.second->Prop->Id == PropID) return entry.second.get();
  return nullptr;
}

bool TBaseElementStyle::GetTransitionColor(TCSSProperty PropID, uint32_t& Res) const {
  const TCSSTransition* t = findTransition(PropID);
  if (!t || !t->Active) return false;
  Res = t->CurrentColor;
  return true;
}

bool TBaseElementStyle::GetTransitionValue(TCSSProperty PropID, float& Res) const {
  const TCSSTransition* t = findTransition(PropID);
  if (!t || !t->Active) return false;
  Res = t->CurrentValue;
  return true;
}

bool TBaseElementStyle::GetTransitionMeasure(TCSSProperty PropID, TMeasure& M) const {
  const TCSSTransition* t = findTransition(PropID);
  if (!t || !t->Active) return false;
  M.SetPixels(Zoom ? float(t->CurrentValue) / Zoom : float(t->CurrentValue));
  return true;
}

}  // namespace ht
