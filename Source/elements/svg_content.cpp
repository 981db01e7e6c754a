// SVG text, image, use and foreignObject.
#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/image.h"
#include "document/document.h"
#include "elements/svg_elements.h"
#include "elements/svg_guard.h"
#include "elements/svg_parse.h"
#include "elements/svg_support.h"
#include "markup/str_utils.h"
#include "markup/url_utils.h"
#include "platform/rtl/numeric.h"

namespace ht {

const THtNodeClass TSVGText::ClassType{"TSVGText", &TTextElement::ClassType, CreateInstance<TSVGText, THtNode>};
const THtNodeClass TSVGTextElement::ClassType{"TSVGTextElement", &TSVGBaseElement::ClassType,
                                              CreateInstance<TSVGTextElement, THtNode>};
const THtNodeClass TSVGImageElement::ClassType{"TSVGImageElement", &TSVGBaseElement::ClassType,
                                               CreateInstance<TSVGImageElement, THtNode>};
const THtNodeClass TSVGUseElement::ClassType{"TSVGUseElement", &TSVGBaseElement::ClassType,
                                             CreateInstance<TSVGUseElement, THtNode>};
const THtNodeClass TSVGForeignObject::ClassType{"TSVGForeignObject", &TElement::ClassType,
                                                CreateInstance<TSVGForeignObject, THtNode>};

namespace {

bool isSet(const TMeasure& M) { return !M.GetAuto(); }

struct TStateRestore {
  THtCanvas* G;
  int Depth;
  explicit TStateRestore(THtCanvas* AG) : G(AG), Depth(AG ? AG->StateDepth() : 0) {}
  ~TStateRestore() {
    if (G)
      while (G->StateDepth() > Depth) G->RestoreState();
  }
};

bool containsF(const TRectF& R, float X, float Y) { return X >= R.Left && Y >= R.Top && X < R.Right && Y < R.Bottom; }

}  // namespace

// --- Text ----------------------------------------------------------------------------------

void TSVGText::SplitIntoRuns() {
  if (!Runs) Runs = std::make_unique<THtTextRuns>();
  Runs->Clear();
  if (DisplayText.empty()) return;
  auto* run = new THtTextRun();
  run->Start = 1;
  run->Count = int(DisplayText.size());
  Runs->Add(run);
}

const THtNodeClass* TSVGTextElement::GetElementClass(StringView Tag, THtNode* ARoot) {
  if (Tag.empty()) return &TSVGText::ClassType;
  return TSVGBaseElement::GetElementClass(Tag, ARoot);
}

void TSVGTextElement::SetInnerText(StringView Value) {
  TSVGBaseElement::SetInnerText(Value);
  LaidOut = false;
}

void TSVGTextElement::ParseAttribute(StringView Param, StringView Value) {
  TSVGBaseElement::ParseAttribute(Param, Value);
  if (Param == u"xml:space" && Value == u"preserve") {
    AddVirtualCSS2(u"white-space", u"nowrap");
  } else if (Param == u"dx" && String(Value).find(u' ') != String::npos) {
    const std::vector<float> n = ReadSVGNumbers(Value);
    DXList.assign(n.begin(), n.end());
    for (float& v : DXList) v = FiniteOr0(v);
  }
}

void TSVGTextElement::CalcBoxes(TFlow* Flow) {
  TSVGElementStyle* s = SVGStyle();
  if (!s || Count() == 0 || LaidOut) return;
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  const bool isText = SameTextAscii(Tag(), u"text");
  TFlow* flow = Flow;
  if (isText) {
    flow = EnsureSelfFlow();
    flow->Reset();
  }
  if (!flow) return;
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c) continue;
    // Text measures its run with its font, which it takes here.
    if (auto* t = dynamic_cast<TSVGText*>(c)) t->ApplyFont(1.0f, false);
    c->CalcBoxes(flow);
  }
  if (isText) {
    flow->UpdateMinMax();
    const float w = FiniteOr0(flow->MaxContentWidth);
    const float shift = s->TextAnchor == taEnd ? -w : s->TextAnchor == taMiddle ? -w / 2 : 0.0f;
    InnerWidth = w + 1;
    flow->StartY = s->Y.ToIntPixels();
    flow->FirstNonPrintedBlock = flow->FirstBlock;
    flow->CalcLines();
    const float ascent = flow->LineCount() > 0 ? flow->GetLine(0)->Ascent : 0.0f;
    OuterRect = TRectF{2147483648.0f, 2147483648.0f, -2147483648.0f, -2147483648.0f};
    const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
    const float dx = FiniteOr0(s->DX.ToPixels()), dy = FiniteOr0(s->DY.ToPixels());
    float sx = 0, sy = 0;
    const TElement* last = nullptr;
    for (THtLineBlock* r = flow->FirstBlock; r; r = r->NextBlock()) {
      if (!r->E) continue;
      const TElement* p = r->E->Parent();
      if (p && p != this && p != last) {
        if (const TSVGElementStyle* ps = SVGStyleOf(p)) {
          if (isSet(ps->X)) sx = FiniteOr0(ps->X.ToPixels()) - r->Left - x;
          if (isSet(ps->Y)) sy = FiniteOr0(ps->Y.ToPixels()) - y;
          if (isSet(ps->DX)) sx += FiniteOr0(ps->DX.ToPixels());
          if (isSet(ps->DY)) sy += FiniteOr0(ps->DY.ToPixels());
        }
        last = p;
      }
      r->Left = r->Left + x + shift + sx + dx;
      r->Top = r->Top - ascent + sy + dy;
      OuterRect.Left = std::min(OuterRect.Left, r->Left);
      OuterRect.Top = std::min(OuterRect.Top, r->Top);
      OuterRect.Right = std::max(OuterRect.Right, r->Left + r->LogicalWidth);
      OuterRect.Bottom = std::max(OuterRect.Bottom, r->Top + r->LogicalHeight);
    }
    if (OuterRect.Left > OuterRect.Right) OuterRect = TRectF{x, y, x, y};
  }
  THtLineBlock* b = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : LineBlocks.CreateBlock(this);
  b->E = this;
  b->Flags.Exclude(trfProcessed);
  b->Flags.Include(trfOutofFlow);
  if (Flow) Flow->AddBlock(b);
  LaidOut = true;
}

void TSVGTextElement::Draw(TFlow* Flow, const THtDrawInfo& DI) {
  TSVGElementStyle* s = SVGStyle();
  THtCanvas* G = SVGSurfaceOf(this);
  if (!s || !G || s->Display() == dsNone) return;
  TSVGDepthGuard guard;
  if (!guard.Ok()) return;
  IncludeFlag(efDrawn);
  IncludeFlag(efCompletelyDrawn);
  if (s->Visibility != cvVisible) return;
  const TElementStyle* ps = Parent() ? ElementStyleOf(Parent()) : nullptr;
  s->CalculatedOpacity = s->Opacity() * (ps ? ps->CalculatedOpacity : 1.0f);
  const float inherited = ps ? ps->CalculatedOpacity : 1.0f;
  TStateRestore restore(G);
  if (s->HasTransform()) ApplyTransform(DI.CX, DI.CY);
  const bool isText = SameTextAscii(Tag(), u"text");
  if (isText && !G->DocumentRectInView(OuterRect)) return;
  THtBrush* brush = nullptr;
  auto* parent = dynamic_cast<TSVGBaseElement*>(Parent());
  if (s->IsSet(cspFill) || !parent || isText) {
    brush = GetFillBrush(inherited, OuterRect);
  } else {
    const TElementStyle* pps = parent->Parent() ? ElementStyleOf(parent->Parent()) : nullptr;
    brush = parent->GetFillBrush(pps ? pps->CalculatedOpacity : 1.0f, parent->OuterRect);
  }
  // The shared brush is reused by the next solid colour: keep its colour.
  const uint32_t brushColor = brush ? brush->Color() : 0;
  THtPen* pen = GetStrokePen(inherited);
  if (!brush && !pen) return;
  const float fillOpacity = s->FillOpacity();
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c) continue;
    if (auto* t = dynamic_cast<TSVGText*>(c)) {
      t->ApplyFont(s->CalculatedOpacity * fillOpacity, true);
      const uint32_t color = IsSVGPaint(s->Fill) ? s->Fill : s->TextColor();
      t->TextStyle.Color = color;
      t->TextStyle.DecorationColor = color;
      t->TextStyle.Opacity = fillOpacity;
      if (t->LineBlocks.Count() == 0 || !t->Font) continue;
      const THtLineBlock* b = t->LineBlocks.Get(0);
      const TRectF r{b->Left, b->Top, std::max(OuterRect.Right, b->Left + b->LogicalWidth), b->Top + b->LogicalHeight};
      if (brush && brush->Kind == hbSolid) brush->SetColor(brushColor);
      const String& text = t->DisplayText.empty() ? t->Content() : t->DisplayText;
      G->DrawStringEx(text, r, t->Font, t->TextStyle, DXList, brush, pen, 1, int(text.size()));
    } else if (!c->IsText()) {
      c->Draw(Flow, DI);
    }
  }
}

bool TSVGTextElement::InternalHitTest(float X, float Y, float, float, bool, bool) {
  const TPointF p = UntransformedPoint(X, Y);
  if (containsF(OuterRect, std::nearbyint(p.X), std::nearbyint(p.Y))) return true;
  for (int i = 0; i < Count(); ++i) {
    TElement* c = GetChild(i);
    if (!c) continue;
    if (c->IsText()) {
      for (int k = 0; k < c->LineBlocks.Count(); ++k) {
        const THtLineBlock* b = c->LineBlocks.Get(k);
        if (containsF(TRectF{b->Left, b->Top, b->Left + b->LogicalWidth, b->Top + b->LogicalHeight}, p.X, p.Y))
          return true;
      }
    } else if (auto* e = dynamic_cast<TSVGBaseElement*>(c); e && e->HitTest(X, Y, false, false)) {
      return true;
    }
  }
  return false;
}

void TSVGTextElement::GetStats(TSVGStats& Stats) {
  TSVGBaseElement::GetStats(Stats);
  ++Stats.Texts;
}

// --- Image ----------------------------------------------------------------------------------

void TSVGImageElement::ParseAttribute(StringView Param, StringView Value) {
  const String old = Url;
  if (Param == u"src") Url = String(Value);
  else if (Param == u"xlink:href" || Param == u"href")
    Url = Value.starts_with(u"data:") ? String(Value) : URLDecode(Value);
  if (Url != old && HI) {
    HI = nullptr;
    if (Document) Document->NeedRecalc = true;
  }
  TSVGBaseElement::ParseAttribute(Param, Value);
}

void TSVGImageElement::LoadImage() {
  if (Url.empty() || !Document) return;
  const THtCanvasClass* cls = Document->CanvasClass;
  const bool byRef = cls && cls->GetFlags().Contains(hcfSupportsImageRef);
  HI = Document->GetImage(Url, this, byRef);
  if (!HI) Url.clear();
}

void TSVGImageElement::CalcContentSize() {
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  const bool loaded = HI && HI->IsLoaded() && HI->Width > 0 && HI->Height > 0;
  if (loaded) {
    ContentWidth = std::nearbyint(float(HI->Width) * s->Zoom);
    ContentHeight = std::nearbyint(float(HI->Height) * s->Zoom);
  }
  const TMeasure w = s->Width(), h = s->Height();
  if (isSet(w)) {
    ContentWidth = FiniteOr0(w.ToPixels());
    if (!isSet(h) && loaded) ContentHeight = ContentWidth * float(HI->Height) / float(HI->Width);
  }
  if (isSet(h)) {
    ContentHeight = FiniteOr0(h.ToPixels());
    if (!isSet(w) && loaded) ContentWidth = ContentHeight * float(HI->Width) / float(HI->Height);
  }
}

void TSVGImageElement::CalcBoxes(TFlow* Flow) {
  const TSVGElementStyle* s = SVGStyle();
  if (!s || s->Display() == dsNone) return;
  TSVGBaseElement::CalcBoxes(Flow);
  if (!HI && Document && !Document->LazyImageLoading) LoadImage();
}

void TSVGImageElement::DrawInnerElements(TFlow*, const THtDrawInfo&) {
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return;
  CalcContentSize();
  const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
  OuterRect = TRectF{x, y, x + ContentWidth, y + ContentHeight};
  DrawImage(InnerRect());
}

void TSVGImageElement::DrawImage(const TRectF& R) {
  THtCanvas* G = SVGSurfaceOf(this);
  const TSVGElementStyle* s = SVGStyle();
  if (!G || !s) return;
  CalcContentSize();
  if (!G->DocumentRectInView(TRectF{R.Left, R.Top, R.Left + ContentWidth, R.Top + ContentHeight})) return;
  if (Document && Document->LazyImageLoading && !HI) {
    LoadImage();
    CalcContentSize();
  }
  if (!HI) return;
  if (!HI->IsLoaded() && !G->GetFlags().Contains(hcfSupportsImageRef)) return;
  G->DrawImage(HI, TRectF{R.Left, R.Top, R.Left + ContentWidth, R.Top + ContentHeight}, s->CalculatedOpacity);
}

void TSVGImageElement::ClearJointMatrix() {
  TSVGBaseElement::ClearJointMatrix();
  HI = nullptr;
}

bool TSVGImageElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  const TSVGElementStyle* s = SVGStyle();
  if (!s) return false;
  const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
  OuterRect = TRectF{x, y, x + ContentWidth, y + ContentHeight};
  if (Outside || s->Display() == dsNone) return false;
  const TPointF p = UntransformedPoint(X, Y);
  return p.X >= OuterRect.Left && p.Y >= OuterRect.Top && p.X <= OuterRect.Right && p.Y <= OuterRect.Bottom;
}

// --- Use ----------------------------------------------------------------------------------

void TSVGUseElement::ResolveReference() {
  if (Referenced || !Attributes()) return;
  const THtAttributes* a = Attributes();
  String id;
  bool found = false;
  for (int i = 0; i < a->Count; ++i)
    if (a->GetName(i).ends_with(u":href") || a->GetName(i) == u"href") {
      id = a->GetValue(i);
      found = true;
      break;
    }
  TSVGElement* root = SVGRoot();
  if (!found || id.size() < 2 || !root) return;
  auto* target = dynamic_cast<TSVGBaseElement*>(root->FindNodebyAttr(u"", u"id", StringView(id).substr(1)));
  if (!target) return;
  for (TElement* p = this; p; p = p->Parent())
    if (p == target) return;  // an ancestor: drawing it would draw this use again
  Referenced = target;
}

void TSVGUseElement::DrawInline(TFlow* Flow, const THtDrawInfo& DI) {
  ResolveReference();
  THtCanvas* G = SVGSurfaceOf(this);
  auto* target = dynamic_cast<TSVGBaseElement*>(Referenced);
  TSVGElementStyle* s = SVGStyle();
  if (!target || !G || !s || FDrawing) return;
  FDrawing = true;
  TStateRestore restore(G);
  TSVGElementStyle* ts = target->SVGStyle();
  // The use element's colours apply to this draw only.
  const uint32_t oldFill = ts ? ts->Fill : 0, oldStroke = ts ? ts->Stroke : 0;
  const String oldUrl = ts ? ts->FillUrl : String();
  struct TEnd {
    TSVGUseElement* Use;
    TSVGElementStyle* TS;
    uint32_t Fill, Stroke;
    String Url;
    ~TEnd() {
      Use->FDrawing = false;
      if (TS) {
        TS->Fill = Fill;
        TS->Stroke = Stroke;
        TS->FillUrl = Url;
      }
    }
  } end{this, ts, oldFill, oldStroke, oldUrl};
  if (isSet(s->X) || isSet(s->Y)) {
    const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
    G->SaveState();
    G->TranslateTransform(x, y);
    if (!MJoint) InitJointMatrix();
    MJoint->Translate(x, y);
  }
  if (ts) {
    if (s->IsSet(cspFill)) {
      ts->Fill = s->Fill;
      ts->FillUrl = s->FillUrl;
    }
    if (s->IsSet(cspStroke)) ts->Stroke = s->Stroke;
  }
  target->Draw(Flow, DI);
}

void TSVGUseElement::AddToPath(THtPath* Path) {
  ResolveReference();
  auto* target = dynamic_cast<TSVGBaseElement*>(Referenced);
  if (!target || FDrawing) return;
  FDrawing = true;
  target->AddToPath(Path);
  FDrawing = false;
}

bool TSVGUseElement::InternalHitTest(float X, float Y, float, float, bool, bool Outside) {
  ResolveReference();
  auto* target = dynamic_cast<TSVGBaseElement*>(Referenced);
  TSVGElementStyle* s = SVGStyle();
  if (Outside || !target || !s || FDrawing) return false;
  FDrawing = true;
  const float x = FiniteOr0(s->X.ToPixels()), y = FiniteOr0(s->Y.ToPixels());
  const TPointF p{X - x, Y - y};
  const bool hit = target->HitTest(p.X, p.Y, false, false);
  FDrawing = false;
  return hit;
}

// --- foreignObject -----------------------------------------------------------------------------

void TSVGForeignObject::FindContainer() {
  if (!TakeDrawingContainer(*this)) TElement::FindContainer();
}

void TSVGForeignObject::ParseAttribute(StringView Param, StringView Value) {
  TElement::ParseAttribute(Param, Value);
  static constexpr StringView declared[] = {u"display", u"font-size", u"opacity", u"text-anchor"};
  for (StringView d : declared)
    if (Param == d) {
      AddVirtualCSS2(Param, Value);
      return;
    }
  if (Param == u"transform") {
    AddVirtualCSS2(u"transform", SVGTransformToCSS(Value));
    AddVirtualCSS2(u"transform-origin", u"0px 0px");
  } else if (Param == u"font-family") {
    if (!IsBlankString(Value)) AddVirtualCSS2(u"font-family", u"'" + String(TrimBlanks(Value)) + u"'");
  } else if (Param == u"x") {
    AddVirtualCSS2(u"left", SVGLengthText(Value));
  } else if (Param == u"y") {
    AddVirtualCSS2(u"top", SVGLengthText(Value));
  }
}

void TSVGForeignObject::GetTransformOrigin(float& OX, float& OY, float, float, const TTransform& T) const {
  SVGTransformOrigin(OuterRect, T, OX, OY);
}

void TSVGForeignObject::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  THtDrawInfo di = DI;
  di.CX = 0;
  di.CY = 0;
  TElement::DrawInnerElements(Flow, di);
}

bool TSVGForeignObject::CalcStyle(TCSSStyleSheet* Styles) {
  const bool result = TElement::CalcStyle(Styles);
  if (auto* s = ElementStyleOf(this)) s->SetPosition(epAbsolute);
  return result;
}

}  // namespace ht
