#include "document/document.h"
#include "document/animation_thread.h"

#include <algorithm>

#include "canvas/meta_canvas.h"
#include "canvas/canvas.h"
#include "canvas/image.h"
#include "css/default_style_sheet.h"
#include "document/animation.h"
#include "document/element_registry.h"
#include "document/table_hooks.h"
#include "document/global.h"
#include "document/paint_services.h"
#include "document/script_adapter.h"
#include "markup/str_utils.h"
#include "platform/rtl/case_mapping.h"

namespace ht {

const THtNodeClass THtDocument::ClassType{"THtDocument", &TElement::ClassType,
                                          CreateInstance<THtDocument, THtNode>};

THtDocument::THtDocument(const THtCanvasClass* ACanvasClass, bool AThreaded) {
  InitElementClasses();
  Document = this;
  CanvasClass = CanvasClassOrDefault(ACanvasClass);
  if (AThreaded) {
    // A document drawn on another thread keeps fonts of its own. They are
    // held by a shared reference: a recording made with them may outlive
    // the document and keeps its own copy of the reference.
    FOwnedFontCollection = std::shared_ptr<THtFontCollection>(CanvasClass->CreateFontCollection());
    FFontCollection = FOwnedFontCollection.get();
  } else {
    FFontCollection = CanvasClass->SharedFontCollection();
  }
  setStyleDisplay(dsBlock);
  FWeights = std::make_unique<TCSSWeightList>();
  FBeforeWeights = std::make_unique<TCSSWeightList>();
  FAfterWeights = std::make_unique<TCSSWeightList>();

  Styles = std::make_unique<TCSSStyleSheet>();
  // The pseudo-class index exists at once and knows the built-in sheet's
  // pseudo-classes, so matching can skip what neither sheet uses.
  Styles->Main.PseudoMap = std::make_unique<TCSSStyleMap>(1);
  if (TCSSStyleSheet* ua = DefaultStyleSheet(); ua && ua->Main.PseudoMap)
    Styles->Main.PseudoMap->PseudoSet = ua->Main.PseudoMap->PseudoSet;
  if (HtGlobalExists()) GetHtGlobal().AssignStyleSheetTo(*Styles);

  Surface = CanvasClass->Create();
  if (!Surface) throw Exception(u"Cannot create a canvas of the abstract class %s",
                                AsciiToString(CanvasClass->ClassName()));
  Surface->SetFontCollection(FFontCollection);
  Surface->SetDPI(FDPI);
  BodyElement = this;
  DoubleBuffered = CanvasClass->GetFlags().Contains(hcfNeedBuffer);
}

THtDocument::~THtDocument() {
  Destroying = true;
  // Refreshes queued for this document are skipped from now on.
  FLiveness.Kill();
  // Waits for a pass stepping this document; none steps it afterwards.
  if (AnimationThreadExists()) AnimationThread().UnregisterDoc(this);
  if (HtGlobalExists()) GetHtGlobal().UnsubscribeLoads(this);
  // The tree goes first, while everything its elements may look at still
  // exists; elements skip the document's clean-up while it is destroyed.
  destroyChildren();
  ClearElementsEvents();
  {
    std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
    FImages.reset();
  }
  if (FOwnsScriptAdapter) delete FScriptAdapter;
  FScriptAdapter = nullptr;
  Surface.reset();
}

// --- Accessors -----------------------------------------------------------------------

void THtDocument::SetDPI(int Value) {
  FDPI = Value;
  if (Surface) Surface->SetDPI(Value);
}

void THtDocument::SetHighlightText(StringView Value) {
  // Lower-cased keeping the length, so matches in lower-cased display text
  // stand at the positions of the original.
  FHighlightText = LowerCaseSameLength(Value);
  fCacheReady = false;
  NeedRepaint = true;
}

void THtDocument::SetQuirksModeSelector(THtQuirksMode Value) {
  FQuirksModeSelector = Value;
  if (Value == qmQuirks) FQuirksMode = true;
  else if (Value == qmDocType) FQuirksMode = false;
}

THtScriptAdapter* THtDocument::ScriptAdapter() {
  if (!FScriptAdapter && HtGlobalExists()) {
    if (const CHtScriptAdapter* cls = GetHtGlobal().GetScriptAdapterClass()) {
      FScriptAdapter = cls->Create().release();
      FOwnsScriptAdapter = FScriptAdapter != nullptr;
    }
  }
  return FScriptAdapter;
}

void THtDocument::SetScriptAdapter(THtScriptAdapter* Value) {
  if (FOwnsScriptAdapter && FScriptAdapter != Value) delete FScriptAdapter;
  FScriptAdapter = Value;
  FOwnsScriptAdapter = false;
}

// --- Element factories -----------------------------------------------------------------

const THtNodeClass* THtDocument::GetElementClass(StringView Tag, THtNode*) { return ElementClassFor(Tag); }

std::unique_ptr<TElement> THtDocument::CreateElement(StringView ATag) {
  std::unique_ptr<THtNode> node = ElementClassFor(ATag)->Create();
  auto* e = dynamic_cast<TElement*>(node.get());
  if (!e) throw Exception(u"Tag %s is not registered with an element class", String(ATag));
  node.release();
  e->SetTag(ATag);
  if (!ATag.empty()) e->TagType = htIdent;
  return std::unique_ptr<TElement>(e);
}

std::unique_ptr<TElement> THtDocument::CreateTextNode(StringView AContent) {
  std::unique_ptr<TElement> e = CreateElement(u"");
  e->SetContent(AContent);
  return e;
}

namespace {

TElement* addTaggedElement(THtDocument& Doc, StringView Tag, StringView Content) {
  auto e = std::make_unique<TElement>();
  e->SetTag(Tag);
  e->TagType = htIdent;
  e->SetContent(Content);
  auto* head = dynamic_cast<TElement*>(Doc.FindNode(u"head"));
  return (head ? head : static_cast<TElement*>(&Doc))->Add(e.release());
}

}  // namespace

TElement* THtDocument::AddStyleElement(StringView StyleContent) { return addTaggedElement(*this, u"style", StyleContent); }
TElement* THtDocument::AddScriptElement(StringView ScriptContent) {
  return addTaggedElement(*this, u"script", ScriptContent);
}

void THtDocument::SetInnerHTML(StringView s) {
  BodyElement = this;
  TElement::SetInnerHTML(s);
  NormalizeTree();
}

void THtDocument::SetOuterHTML(StringView s) {
  BodyElement = this;
  TElement::SetOuterHTML(s);
  NormalizeTree();
}

// --- Order numbers ------------------------------------------------------------------------

void THtDocument::RecalcIndexes() {
  FIndexCounter = 0;
  RenumberIndexes();
  FIndexesDirty = false;
}

TElement* THtDocument::ElementbyAbsoluteTagIndex(int AIndex) {
  if (AIndex <= 0) return this;
  int count = 0;
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (!n->Tag().empty() && ++count == AIndex) return dynamic_cast<TElement*>(n);
  return nullptr;
}

void THtDocument::ConvertAttributesToStyle() {
  static const char16_t* const kPresentational[] = {
      u"bgcolor", u"leftmargin", u"rightmargin", u"bottommargin", u"topmargin", u"align", u"color", u"size",
      u"background", u"dir", u"face", u"family", u"height", u"marginwidth", u"marginheight", u"nowrap",
      u"text", u"valign", u"width", u"wrap", u"hspace", u"vspace"};
  for (THtNode* n = NextNode(); n; n = n->NextNode()) {
    auto* e = dynamic_cast<TElement*>(n);
    if (!e || !e->Attributes() || e->Tag().empty() || e->VirtualSelfStyle().empty()) continue;
    const String old = e->GetAttribute(u"style");
    const String style = old.empty() ? e->VirtualSelfStyle() : old + u";" + e->VirtualSelfStyle();
    e->SetAttr(u"style", style);
    for (const char16_t* name : kPresentational) e->Attributes()->ClearAttr(name);
  }
}


// --- Event queue ---------------------------------------------------------------------------

void THtDocument::QueueElementEvent(TElement* E, StringView EventName, TShiftState Shift) {
  // The pointer event belongs to the main thread; an event queued by another
  // thread (a finished transition) has no pointer target.
  TElement* target = IsHtMainThread() ? Event.Target : nullptr;
  std::lock_guard<std::recursive_mutex> guard(FEventLock);
  FEvents.push_back({E, target, String(EventName), Shift});
}

void THtDocument::ClearElementsEvents() {
  std::lock_guard<std::recursive_mutex> guard(FEventLock);
  FEvents.clear();
}

THtElementEvents THtDocument::TakeElementEvents() {
  std::lock_guard<std::recursive_mutex> guard(FEventLock);
  return std::exchange(FEvents, {});
}

THtElementEvents THtDocument::ElementEvents() {
  std::lock_guard<std::recursive_mutex> guard(FEventLock);
  return FEvents;
}

void THtDocument::DoOnClick(TElement* Sender, TShiftState Shift) {
  Sender->RunEvent(u"click", Shift);
  if (Shift & ssDouble) Sender->RunEvent(u"dblclick", Shift);
}

void THtDocument::DoElementEnter(TElement* Sender) {
  if (OnElementEnter) OnElementEnter(Sender);
  Sender->RunEvent(u"mouseover", 0);
}

void THtDocument::DoElementExit(TElement* Sender) {
  if (OnElementExit) OnElementExit(Sender);
  Sender->RunEvent(u"mouseout", 0);
}

// --- Small overrides -----------------------------------------------------------------------

void THtDocument::FindContainer() {
  Container = this;
  UpdateFontSize();
}

void THtDocument::ResetStyle() {
  TStyledHTMLNode::ResetStyle();
  if (DefaultFontSize != 0) setStyleFontSize(DefaultFontSize);
}

void THtDocument::SetScrollLeft(int Value) {
  FDocOffsetX = -float(Value);
  Repaint();
}

void THtDocument::SetScrollTop(int Value) {
  FDocOffsetY = -float(Value);
  Repaint();
}


// --- Element deletion ------------------------------------------------------------------------

namespace {

TElement* nearestLiveAncestor(TElement* E) {
  TElement* p = E->Parent();
  while (p && p->HasFlag(efDestroying)) p = p->Parent();
  return p;
}

void purge(std::vector<TElement*>& List, TElement* E) { List.erase(std::remove(List.begin(), List.end(), E), List.end()); }

}  // namespace

void THtDocument::ElementDeleted(TElement* E) {
  if (Selection.StartElement() == E || Selection.EndElement() == E) Selection.Clear();
  if (SizingElement == E) {
    SizingElement = nullptr;
    FSizingHandle = 0;
  }
  if (DragElement == E) DragElement = nullptr;
  if (ActiveTable == E) ActiveTable = nullptr;
  if (FPageBreak == E) FPageBreak = nullptr;
  if (FHoverElement == E) FHoverElement = nearestLiveAncestor(E);
  if (FPressedElement == E) FPressedElement = nearestLiveAncestor(E);
  if (Event.Target == E) Event.Target = nullptr;
  if (BodyElement == E) BodyElement = this;
  purge(FHoverElements, E);
  purge(FTransitionElements, E);
  purge(FRunningElements, E);
  purge(FFootNotes, E);
  purge(FDragOverList, E);
  purge(FPendingRemovals, E);
  if (FCurrentSection == E) FCurrentSection = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(FEventLock);
    for (THtElementEvents* queue : {&FEvents, &FRunningEvents})
      for (THtElementEvent& ev : *queue) {
        if (ev.E == E) ev.E = nullptr;
        if (ev.Target == E) ev.Target = nullptr;
      }
  }
  DeleteElementAnimations(E, nullptr);
  HtTableHooks().ElementDeleted(*E);
  HtPaintServices().ElementForgotten(*this, *E);
  if (OnElementDeleted) OnElementDeleted(E);
  NeedRecalc = true;
}

}  // namespace ht
