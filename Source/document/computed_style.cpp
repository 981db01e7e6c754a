#include "document/computed_style.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "document/animation.h"
#include "document/document.h"
#include "document/element.h"
#include "markup/str_utils.h"

namespace ht {

namespace {

std::unique_ptr<IElementStyleFacts> createElementStyle(TStyledHTMLNode* Node) {
  return std::make_unique<TElementStyleFacts>(Node, std::make_unique<TElementStyle>(dynamic_cast<TElement*>(Node)));
}

bool isFunctionToken(const TCSSToken* T, StringView Name) {
  return T && T->CType == ctFunction && SameTextAscii(T->Name, Name);
}

// The fallback of a var() call whose name token Seq stands on: the tokens
// after the comma (and the blanks after it) up to the matching ")".
bool fallbackTokens(TCSSTokenSequence Seq, TCSSTokens& Out) {
  Out.clear();
  if (!Seq.Next()) return false;
  while (Seq.T && Seq.T->CType == ctSpace) Seq.Next();
  if (!Seq.T || Seq.T->CType != ctComma) return false;
  Seq.Next();
  while (Seq.T && Seq.T->CType == ctSpace) Seq.Next();
  int depth = 0;
  for (; Seq.T; Seq.Next()) {
    if (Seq.T->CType == ctOpenPar) ++depth;
    else if (Seq.T->CType == ctClosePar && depth-- == 0) break;
    Out.push_back(*Seq.T);
  }
  while (!Out.empty() && Out.back().CType == ctSpace) Out.pop_back();
  return !Out.empty();
}

// Custom properties met while resolving one value; a name met twice is a
// cycle.
thread_local std::vector<String> resolving;

}  // namespace

const TElementStyleClass ElementStyleClass{"TElementStyle", &ElementStyleFactsClass, createElementStyle};

TElementStyle* ElementStyleOf(const TStyledHTMLNode* E) {
  auto* facts = E ? ElementStyleFactsOf(E->Style()) : nullptr;
  return facts ? dynamic_cast<TElementStyle*>(&facts->Style()) : nullptr;
}

THtDocument* TElementStyle::Document() const { return FOwner ? FOwner->Document : nullptr; }

// --- var() -------------------------------------------------------------------------------

void TElementStyle::ResolveVariables(TCSSTokenSequence& Seq) {
  if (!Seq.Next(2)) return;
  while (Seq.T && Seq.T->CType == ctSpace) Seq.Next();
  if (!Seq.T) return;
  const String name = Seq.T->Name;
  THtDocument* doc = Document();
  TCSSVariable* var = nullptr;
  const bool cycle = std::find(resolving.begin(), resolving.end(), name) != resolving.end();
  if (!cycle && doc && doc->Styles && doc->Styles->Variables && name.size() >= 2)
    doc->Styles->Variables->TryGetValue(StringView(name).substr(2), var);
  if (var && !var->Tokens.empty()) {
    Seq.Init(var->Tokens);
    if (isFunctionToken(Seq.T, u"var")) {
      resolving.push_back(name);
      struct TPop {
        ~TPop() { resolving.pop_back(); }
      } pop;
      ResolveVariables(Seq);
    }
    return;
  }
  TCSSTokens fallback;
  if (!fallbackTokens(Seq, fallback)) return;  // stays on the name
  Seq.InitStore(std::move(fallback));
  if (isFunctionToken(Seq.T, u"var")) ResolveVariables(Seq);
}

// --- Fonts and brushes --------------------------------------------------------------------

String TElementStyle::FontFamily() const {
  PCSSValue v = FindProp(cspFontFamily, true);
  if (!v || v->Tokens.empty() || v->Inherit || SameTextAscii(v->Tokens.front().Name, u"inherit"))
    return FElement ? FElement->DefaultFontName() : String();
  THtDocument* doc = Document();
  String family, last;
  auto tryFamily = [&](String f) -> bool {
    while (!f.empty() && f.back() == u' ') f.pop_back();
    if (f.empty()) return false;
    const bool has = !doc || doc->CanvasHasFont(f);
    last = f;
    return has;
  };
  for (const TCSSToken& t : v->Tokens) {
    if (t.CType == ctComma) {
      if (tryFamily(family)) return last;
      family.clear();
      continue;
    }
    if (t.CType == ctSpace) continue;
    if (!family.empty()) family += u' ';
    family += t.Name;
  }
  if (tryFamily(family)) return last;
  return last.empty() ? (FElement ? FElement->DefaultFontName() : String()) : last;
}

THtFont* TElementStyle::GetFont() {
  THtDocument* doc = Document();
  if (!doc) return nullptr;
  const float size = FontSize().ToPixels() * Zoom * doc->FShrinkFactor;
  const String family = doc->ResolveFontFamily(FontFamily());
  return doc->StyleFont(family, size, FontStyle(), FOwner ? FOwner->DeviceScale() : 1.0f);
}

THtBrush* TElementStyle::CreateBGColorBrush(uint32_t BGColor, float COpacity) {
  if (COpacity != 1.0f) {
    const long a = std::lround(float(BGColor >> 24) * COpacity);
    BGColor = (BGColor & 0x00FFFFFFu) | (uint32_t(std::clamp(a, 0L, 255L)) << 24);
  }
  THtDocument* doc = Document();
  return doc ? doc->ColorBrush(BGColor) : nullptr;
}

// --- Transitions ---------------------------------------------------------------------------

int32_t TElementStyle::durationOf(const TCSSTransition& T, TCSSAnimation*& Attached) const {
  Attached = nullptr;
  if (Animation && Animation->Active && Animation->Iterations.load() != 0) {
    Attached = Animation.get();
    const int32_t step = Animation->CurrentStep.load();
    const float pct = step >= 0 && size_t(step) < Animation->Steps.size() ? float(Animation->Steps[size_t(step)]) : 100.0f;
    return int32_t(std::lround(float(Animation->StepTime.load()) * pct / 100.0f));
  }
  return T.Duration;
}

namespace {
TCSSTransition& transitionFor(std::map<String, std::unique_ptr<TCSSTransition>>& List, StringView N,
                              const TCSSTransition& T, TCSSPropRec* P) {
  auto it = List.find(String(N));
  if (it != List.end()) return *it->second;
  auto copy = std::make_unique<TCSSTransition>();
  copy->Assign(T);
  copy->Prop = P;
  return *List.emplace(String(N), std::move(copy)).first->second;
}
}  // namespace

void TElementStyle::startColor(TCSSTransition& T, const TCSSPropRec& P) {
  THtDocument* doc = Document();
  uint32_t target = 0;
  if (!GetColorProp(P.Id, target, false, false)) target = 0;
  uint32_t start = GetLastColorProp(P.Id, false);
  if (start == target) return;
  // Colour 0 means transparent white, so that a fade to or from nothing
  // does not pass through black.
  if (start == 0) start = 0x00FFFFFFu;
  if (target == 0) target = 0x00FFFFFFu;
  TCSSTransition& obj = T.Prop ? T : transitionFor(*Transitions, P.Name, T, const_cast<TCSSPropRec*>(&P));
  std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
  if (obj.Active && obj.Animation) {
    auto* running = static_cast<TAnimatedColor*>(static_cast<TAbstractAnimation*>(obj.Animation));
    if (running->EndValue == target) return;
    start = running->LastValue;
    obj.Animation = nullptr;
    doc->DeleteAnimation(running);
  }
  auto anim = std::make_unique<TAnimatedColor>();
  anim->Transition = &obj;
  anim->Element = FOwner;
  anim->Timing = T.Timing;
  TCSSAnimation* attached = nullptr;
  const int32_t duration = durationOf(obj, attached);
  anim->Animation = attached;
  obj.Delay = TransitionDelay();
  obj.Animation = static_cast<TAbstractAnimation*>(anim.get());
  anim->Start(start, target, duration, std::max(obj.Delay, 0), &obj.CurrentColor);
  obj.Active = true;
  doc->AddAnimation(anim.release());
}

void TElementStyle::startFloat(StringView N, float S, float E, TCSSTransition& T, TCSSPropRec* P) {
  THtDocument* doc = Document();
  TCSSTransition& obj = (T.Prop && T.Prop->Name == N) ? T : transitionFor(*Transitions, N, T, P);
  std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
  if (obj.Active && obj.Animation) {
    S = obj.CurrentValue;
    auto* running = static_cast<TAbstractAnimation*>(obj.Animation);
    obj.Animation = nullptr;
    doc->DeleteAnimation(running);
  }
  auto anim = std::make_unique<TAnimatedFloat>();
  anim->Transition = &obj;
  anim->Element = FOwner;
  anim->Timing = obj.Timing;
  anim->NeedRecalc = P && P->AffectsLayout;
  TCSSAnimation* attached = nullptr;
  const int32_t duration = durationOf(obj, attached);
  anim->Animation = attached;
  obj.Delay = TransitionDelay();
  obj.Animation = static_cast<TAbstractAnimation*>(anim.get());
  anim->Start(S, E, duration, std::max(obj.Delay, 0), &obj.CurrentValue);
  obj.Active = true;
  doc->AddAnimation(anim.release());
}

void TElementStyle::transformSplit(TCSSTransition& T) {
  TTransform now, before;
  GetTransform(now, false);
  before.Style = this;
  for (const TCSSPropValueRec& r : FLastProps)
    if (r.PropRec && r.PropRec->Id == cspTransform && r.Value && !r.Value->Tokens.empty()) {
      TCSSTokenSequence seq;
      seq.InitStore(r.Value->Tokens);
      before.Parse(seq);
    }
  struct TChannel {
    const char16_t* Name;
    TMeasure* (TTransform::*Get)(bool);
    float Default;
  };
  static const TChannel channels[] = {{u"transform.x", &TTransform::TranslateX, 0},
                                      {u"transform.y", &TTransform::TranslateY, 0},
                                      {u"transform.sx", &TTransform::ScaleX, 1},
                                      {u"transform.sy", &TTransform::ScaleY, 1},
                                      {u"transform.r", &TTransform::Rotate, 0},
                                      {u"transform.rx", &TTransform::RotateX, 0}};
  auto valueOf = [](TTransform& t, const TChannel& c) {
    TMeasure* m = (t.*c.Get)(false);
    if (!m) return c.Default;
    if (m->FMUnit == muNone || m->FMUnit == muDeg) return m->FValue;
    return m->ToPixels();
  };
  for (const TChannel& c : channels) {
    const float a = valueOf(before, c), b = valueOf(now, c);
    if (a != b) startFloat(c.Name, a, b, T, T.Prop);
  }
}

void TElementStyle::applyTo(TCSSTransition& T, TCSSPropRec& P) {
  if (P.Id == cspTransform) {
    transformSplit(T);
    return;
  }
  if (P.Id == cspUnknown) return;
  switch (P.Kind) {
    case cptLength: {
      float now = 0, before = 0;
      if (FindOwnProp(P.Id)) {
        TMeasure m;
        m.Init(this);
        GetMeasure(P.Id, m, GetPropParent(P), false, false);
        now = m.GetAuto() ? 0 : m.ToPixels();
      }
      if (!GetLastNumberProp(P.Id, before, false)) before = 0;
      if (now != before) startFloat(P.Name, before, now, T, &P);
      break;
    }
    case cptNumber: {
      if (P.Id == cspTransitionDelay) return;
      float now = P.DefaultValue, before = P.DefaultValue;
      if (!GetNumberProp(P.Id, now, false, false)) now = P.DefaultValue;
      if (!GetLastNumberProp(P.Id, before, false)) before = P.DefaultValue;
      if (now != before) startFloat(P.Name, before, now, T, &P);
      break;
    }
    case cptColor: startColor(T, P); break;
    default: break;
  }
}

int TElementStyle::ApplyTransitions() {
  THtDocument* doc = Document();
  if (!doc || doc->Paged || !doc->EnableAnimations || !Transitions || FLastProps.empty()) return 0;
  // Entries present when the pass starts; starting may add per-property copies.
  std::vector<TCSSTransition*> list;
  TCSSTransition* all = nullptr;
  for (auto& [name, t] : *Transitions) {
    if (!t->Prop && SameTextAscii(name, u"all")) all = t.get();
    list.push_back(t.get());
  }
  if (all) {
    std::vector<TCSSPropRec*> props;
    for (PCSSValue v : FProps)
      if (v->PropRec && v->PropRec->Id != cspUnknown) props.push_back(v->PropRec);
    for (const TCSSPropValueRec& r : FLastProps)
      if (r.PropRec && r.PropRec->Id != cspUnknown && !PropertySet.test(r.PropRec->Id)) props.push_back(r.PropRec);
    for (TCSSPropRec* p : props) applyTo(*all, *p);
    return 0;
  }
  for (TCSSTransition* t : list) {
    if (!t->Prop) continue;
    if (!t->Prop->SubProps.empty()) {
      for (TCSSPropRec* sub : t->Prop->SubProps) applyTo(*t, *sub);
    } else {
      applyTo(*t, *t->Prop);
    }
  }
  return 0;
}

}  // namespace ht
