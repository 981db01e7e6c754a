#include "elements/svg_style.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "elements/svg_elements.h"
#include "markup/str_utils.h"

namespace ht {

namespace {

std::unique_ptr<IElementStyleFacts> createSVGStyle(TStyledHTMLNode* Node) {
  return std::make_unique<TElementStyleFacts>(Node,
                                              std::make_unique<TSVGElementStyle>(dynamic_cast<TElement*>(Node)));
}

bool sameWithin(float a, float b) {
  return std::fabs(a - b) <= std::max(0.0001f * std::min(std::fabs(a), std::fabs(b)), 0.0001f);
}

const String& keyword(const TCSSToken& T) { return T.Name; }

}  // namespace

const TElementStyleClass SVGElementStyleClass{"TSVGElementStyle", &ElementStyleClass, createSVGStyle};

TSVGElementStyle* SVGStyleOf(const TStyledHTMLNode* E) {
  if (!E) return nullptr;
  auto* facts = ElementStyleFactsOf(E->Style());
  return facts ? dynamic_cast<TSVGElementStyle*>(&facts->Style()) : nullptr;
}

TSVGElementStyle::TSVGElementStyle(TElement* AElement) : TElementStyle(AElement) {
  for (TMeasure* m : {&StopOffset, &X, &Y, &DX, &DY, &StrokeDashOffset}) m->Init(this);
}

void TSVGElementStyle::ApplyProp(PCSSValue Value, TCSSTokenSequence& Seq) {
  TElementStyle::ApplyProp(Value, Seq);
  if (!Value || Value->Name.empty() || !Value->PropRec || !Seq.T) return;
  const TCSSToken& t = *Seq.T;
  const String& k = keyword(t);
  switch (Value->PropRec->Id) {
    case cspClipPath:
      if (auto* e = dynamic_cast<TSVGBaseElement*>(GetElement())) {
        const size_t hash = k.find(u'#');
        e->ClipPathId = hash == String::npos ? k : k.substr(hash + 1);
        e->ClipElement = nullptr;
      }
      break;
    case cspDominantBaseline: {
      int v = 0;
      if (TryGetEnumValue(u"db", k, EnumTypeInfo<TSVGDominantBaseline>(), v))
        DominantBaseline = TSVGDominantBaseline(v);
      break;
    }
    case cspFill:
      if (t.CType == ctURI) {
        FillUrl = k;
      } else {
        TCSSTokenSequence seq = Seq;
        uint32_t c = Fill;
        if (seq.ReadColor(c)) {
          Fill = c;
          FillUrl.clear();
        }
      }
      break;
    case cspFillRule: FillRule = k == u"evenodd" ? frEvenOdd : frNonZero; break;
    case cspStroke: {
      TCSSTokenSequence seq = Seq;
      uint32_t c = Stroke;
      if (seq.ReadColor(c)) Stroke = c;
      break;
    }
    case cspStopColor: {
      TCSSTokenSequence seq = Seq;
      uint32_t c = StopColor;
      if (seq.ReadColor(c)) StopColor = c;
      break;
    }
    case cspStopOpacity:
      if (t.CType == ctNumber || t.CType == ctDimension) StopOpacity = t.AsFloat;
      else if (t.CType == ctPercentage) StopOpacity = t.AsFloat / 100.0f;
      break;
    case cspStrokeDasharray: {
      auto dashes = std::make_shared<TSingleArray>();
      for (const TCSSToken& d : Value->Tokens)
        if (d.CType == ctNumber || d.CType == ctDimension || d.CType == ctPercentage) dashes->push_back(d.AsFloat);
      StrokeDashArray = std::move(dashes);
      break;
    }
    case cspStrokeDashoffset: StrokeDashOffset.Decode(Seq); break;
    case cspStrokeLinejoin:
      StrokeLineJoin = k == u"bevel" ? ljBevel : k == u"round" ? ljRound : ljMiter;
      break;
    case cspStrokeLinecap:
      StrokeLineCap = k == u"square" ? lcSquare : k == u"round" ? lcRound : lcFlat;
      break;
    case cspShapeRendering: ShapeRendering = k == u"crispEdges" ? srCrispEdges : srDefault; break;
    case cspTextAnchor: TextAnchor = k == u"end" ? taEnd : k == u"middle" ? taMiddle : taStart; break;
    default: break;
  }
}

bool TSVGElementStyle::IsSameStyle(TBaseElementStyle& Other, bool Force) {
  const bool same = TElementStyle::IsSameStyle(Other, Force);
  if (!same || Force) return same;
  auto* o = dynamic_cast<TSVGElementStyle*>(&Other);
  if (!o) return false;
  return Fill == o->Fill && sameWithin(FillOpacity(), o->FillOpacity()) && Stroke == o->Stroke &&
         sameWithin(StrokeWidth().FValue, o->StrokeWidth().FValue) &&
         sameWithin(StrokeOpacity(), o->StrokeOpacity());
}

void TSVGElementStyle::Inherit(const TBaseElementStyle& s) {
  TElementStyle::Inherit(s);
  if (auto* p = dynamic_cast<const TSVGElementStyle*>(&s)) {
    Fill = p->Fill;
    FillRule = p->FillRule;
    Stroke = p->Stroke;
    TextAnchor = p->TextAnchor;
    DominantBaseline = p->DominantBaseline;
    StrokeDashOffset.Assign(p->StrokeDashOffset);
    StrokeDashArray = p->StrokeDashArray;
    ShapeRendering = p->ShapeRendering;
  }
  if (dynamic_cast<TSVGBaseElement*>(GetElement())) {
    Zoom = 1.0f;
    WhiteSpace = wsNowrap;
  }
}

void TSVGElementStyle::Reset() {
  TElementStyle::Reset();
  StopOpacity = 1.0f;
  Stroke = 0;
  Fill = 0;
  FillUrl.clear();
  StrokeDashArray.reset();
}

int TSVGElementStyle::ApplyTransitions() {
  THtDocument* doc = Document();
  if (doc && doc->Surface && doc->Surface->Paged()) return 0;
  return TElementStyle::ApplyTransitions();
}

float TSVGElementStyle::FillOpacity() const {
  float v = 1.0f;
  if (!GetNumberProp(cspFillOpacity, v, true, true)) return 1.0f;
  return std::isnan(v) ? 1.0f : std::min(v, 1.0f);
}

float TSVGElementStyle::StrokeOpacity() const {
  float v = 1.0f;
  if (!GetNumberProp(cspStrokeOpacity, v, true, true)) return 1.0f;
  return std::isnan(v) ? 1.0f : v;
}

TMeasure TSVGElementStyle::StrokeWidth() const {
  TMeasure m;
  TElement* e = GetElement();
  GetMeasure(cspStrokeWidth, m, e ? &e->InnerWidth : nullptr, false, true);
  return m;
}

void RegisterSVGProperties() {
  if (FindCSSProp(u"fill") && FindCSSProp(u"fill")->Id == cspFill) return;
  struct TEntry {
    const char16_t* Name;
    TCSSProperty Id;
    TCSSPropertyType Kind;
    bool Inherited;
    float Default;
  };
  static const TEntry entries[] = {
      {u"clip-path", cspClipPath, cptComplex, false, 0},
      {u"dominant-baseline", cspDominantBaseline, cptEnum, false, 0},
      {u"fill", cspFill, cptComplex, false, 0},
      {u"fill-opacity", cspFillOpacity, cptNumber, true, 1.0f},
      {u"fill-rule", cspFillRule, cptEnum, false, 0},
      {u"stroke", cspStroke, cptComplex, false, 0},
      {u"stroke-width", cspStrokeWidth, cptLength, false, 0},
      {u"stroke-opacity", cspStrokeOpacity, cptNumber, true, 1.0f},
      {u"stop-color", cspStopColor, cptColor, false, 0},
      {u"stop-opacity", cspStopOpacity, cptNumber, false, 1.0f},
      {u"stroke-dasharray", cspStrokeDasharray, cptComplex, false, 0},
      {u"stroke-dashoffset", cspStrokeDashoffset, cptLength, false, 0},
      {u"stroke-linejoin", cspStrokeLinejoin, cptEnum, false, 0},
      {u"stroke-linecap", cspStrokeLinecap, cptEnum, false, 0},
      {u"shape-rendering", cspShapeRendering, cptEnum, false, 0},
      {u"text-anchor", cspTextAnchor, cptEnum, false, 0},
  };
  for (const TEntry& e : entries) RegisterCSSProp(e.Name, e.Id, e.Kind, e.Inherited, 0, e.Default, false);
}

}  // namespace ht
