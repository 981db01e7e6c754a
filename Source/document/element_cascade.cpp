// An element's style pass: the cascade into its computed style, and what
// layout and painting read from it (pseudo-classes of its place, its own
// sheet, ::before, ::after and ::marker, keyframes, display fix-ups,
// stacking contexts and z levels, visibility, change detection and
// transitions), then its children.
#include <algorithm>
#include <atomic>
#include <cmath>

#include "css/default_style_sheet.h"
#include "document/animation.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "document/self_styles.h"
#include "markup/node_list.h"
#include "markup/str_utils.h"

namespace ht {

namespace {

const TStyledNodeFacts& nodeFacts() {
  static const TStyledNodeFacts facts;
  return facts;
}

bool outOfFlow(const TBaseElementStyle& S) {
  const TElementPosition p = S.Position();
  return p == epAbsolute || p == epFixed || p == epRunning || S.Float() != fNone;
}

TElementStyle* styleOf(const TStyledHTMLNode* E) { return E && E->OwnsStyle() ? ElementStyleOf(E) : nullptr; }

bool rawTokenType(THTMLTokenType t) { return t == htScript || t == htStyle || t == htComment || t == htDirective; }

constexpr TCSSPseudoSet kStructural = PseudoBit(pcFirstChild) | PseudoBit(pcLastChild) | PseudoBit(pcOnlyChild) |
                                      PseudoBit(pcFirstOfType) | PseudoBit(pcOnlyOfType);

// z-index is kept within +-1e8 so that tripling it stays within 32 bits.
constexpr int32_t kZLimit = 100000000;

}  // namespace

bool THtDocument::CalcStyle(TCSSStyleSheet* AStyles) {
  if (Painting) return false;
  if (auto* facts = ElementStyleFactsOf(Style())) facts->Style().SetDisplay(dsBlock);
  if (!StyleCalculated()) {
    FRunningElements.clear();
    FFootNotes.clear();
  }
  SetCounter(u"footnote", 0);
  bool result = false;
  {
    std::lock_guard<std::recursive_mutex> guard(FLayoutLock);
    struct TCalculating {
      bool& Flag;
      ~TCalculating() { Flag = false; }
    } calculating{FCalculatingStyle}, listsKept{FChildListsKept};
    FCalculatingStyle = true;
    if (AStyles) AStyles->TestMediaSets(Media, ClientWidth, DeviceWidth);
    // Taken before the pass: nodes the pass itself adds get a full walk
    // next time.
    const uint64_t lists = ChildListChangeStamp();
    FChildListsKept = FStyledChildLists == lists;
    FStyledChildLists = lists;
    result = TElement::CalcStyle(AStyles);
  }
  Changed = false;
  return result;
}

void THtDocument::RecalcStyles() {
  if (FIndexesDirty) RecalcIndexes();
  SetStyleCalculated(false);
  CalcStyle(Styles.get());
}

int TElement::TagIndex() const {
  int n = 0;
  for (const THtNode* p = PreviousSibling(); p; p = p->PreviousSibling())
    if (p->Tag() == Tag()) ++n;
  return n;
}

void TElement::InsertZLevel(int32_t Level) {
  auto it = std::lower_bound(FZLevels.begin(), FZLevels.end(), Level);
  if (it == FZLevels.end() || *it != Level) FZLevels.insert(it, Level);
}

bool TElement::CalcChildStyles(TCSSStyleSheet* Styles) {
  bool changed = false, restyledBelow = false, markedBelow = false;
  FChildNeedsStyle = false;
  for (int i = 0; i < Count(); ++i)
    if (auto* e = AsElement(GetNode(i))) {
      changed |= e->CalcStyle(Styles);
      restyledBelow |= e->FRestyledBelow || e->RestyledEveryPass() || e->HasFlag(efHasCounters);
      markedBelow |= e->FChildNeedsStyle;
    }
  FRestyledBelow = restyledBelow;
  // A child whose pass did not go into its children keeps its mark, and
  // so this element keeps its own: marks never stand below an unmarked
  // ancestor, which is what lets marking stop at the first marked one.
  if (markedBelow) FChildNeedsStyle = true;
  return changed;
}

void TElement::RestyleSelf() {
  if (Document && Document->Styles) CalcStyle(Document->Styles.get());
}

void TElement::processSelfStyle() {
  setSelfStyleSheet(nullptr);
  const String& virtualStyle = VirtualSelfStyle();
  const String style = GetAttribute(u"style");
  if (virtualStyle.empty() && style.empty()) {
    IncludeFlag(efSelfStyleProcessed);
    return;
  }
  auto parse = [&] {
    auto sheet = std::make_unique<TCSSStyleSheet>();
    if (!virtualStyle.empty()) sheet->ParseValues(virtualStyle, InlineStyleWeight);
    if (!style.empty()) sheet->ParseValues(style, InlineStyleWeight);
    return sheet;
  };
  TSelfStyles* cache = InlineStyleCache();
  if (Document && Document->SharedStyles && cache && virtualStyle.empty()) {
    // Elements with the same style text share one sheet; one that also has
    // presentational declarations keeps a private one.
    TCSSStyleSheet* shared = cache->FindOrAdd(style, parse);
    shared->RefCounter++;
    setSelfStyleSheet(shared);
    return;
  }
  setSelfStyleSheet(parse().release());
}

void TElement::keyframeAnimation(TCSSStyleSheet* Styles) {
  TElementStyle* st = styleOf(this);
  THtDocument* doc = Document;
  if (!st || !doc) return;
  std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
  if (st->Animation && !st->Animation->Active) {
    // The cascade no longer names it: its driver goes with it.
    std::vector<TAbstractAnimation*> drivers;
    for (const auto& a : doc->Animations())
      if (a->Element == this && dynamic_cast<TAnimatedElement*>(a.get())) drivers.push_back(a.get());
    for (TAbstractAnimation* d : drivers) doc->DeleteAnimation(d);
    st->Animation.reset();
  }
  TCSSAnimation* a = st->Animation.get();
  if (!a || a->Iterations.load() == 0) return;
  if (a->Steps.empty()) {
    Styles->GetAnimationSteps(a->Name, a->Steps);
    auto driver = std::make_unique<TAnimatedElement>();
    driver->Element = this;
    doc->AddAnimation(driver.release());
  }
  TCSSWeightList& wl = *doc->FWeights;
  wl.Clear();
  if (a->Duration > 0) {
    Styles->GetAnimationSelectors(a->Name, a->StepDuration(), wl);
    if (wl.Count() > 0) st->LoadProps(wl, true);
  }
}

namespace {
std::atomic<uint64_t> styleChanges{1};
}  // namespace

uint64_t StyleChangeStamp() { return styleChanges.load(std::memory_order_relaxed); }
void NoteStyleChange() { styleChanges.fetch_add(1, std::memory_order_relaxed); }

bool TElement::CalcStyle(TCSSStyleSheet* Styles) {
  THtDocument* doc = Document;
  TElementStyle* st = styleOf(this);
  if (!st || !doc || !Styles) {
    FLayoutFontKept = false;
    FChildNeedsStyle = false;  // nothing below is restyled on its own
    NoteStyleChange();
    // Text shares its parent's style: only its visibility follows.
    TElement* p = Parent();
    if (!p || p->HasFlag(efVisible)) IncludeFlag(efVisible);
    else ExcludeFlag(efVisible);
    IncludeFlag(efStyleCalculated);
    return false;
  }
  bool changed = st->PropertySet.none() && !StyleCalculated();
  if (rawTokenType(TagType)) {
    FChildNeedsStyle = false;  // raw text only below
    st->SetDisplay(dsNone);
    ExcludeFlag(efVisible);
    IncludeFlag(efStyleCalculated);
    return changed;
  }
  const uint32_t oldPC = st->CurrentPC;
  // The document's own counter (footnotes) is bookkeeping, not content:
  // it does not restyle the whole tree on every pass.
  if (HasFlag(efHasCounters) && this != doc)
    for (int i = 0; i < Count(); ++i)
      if (auto* s = dynamic_cast<TStyledHTMLNode*>(GetNode(i))) s->SetFlag(efStyleCalculated, false, false, true);
  if (StyleCalculated()) {
    if (Parent() && !Parent()->StyleCalculated()) ExcludeFlag(efStyleCalculated);
    // Nothing below went stale since the last pass, no node was added or
    // moved and nothing below restyles on every pass: the subtree stays.
    if (StyleCalculated() && !FChildNeedsStyle && !FRestyledBelow && doc->FChildListsKept) return changed;
    if (StyleCalculated()) return CalcChildStyles(Styles) || changed;
  }
  NoteStyleChange();
  if (Tag() == u"a" && HasAttribute(u"href")) st->CurrentPC |= PseudoBit(pcLink);
  if (Tag() == u"body" && doc->BodyElement != this && !(Parent() && Parent()->Tag() == u"foreignobject"))
    SetTag(u"xbody");
  ExcludeFlag(efHasOutOfFlowElements);
  // The place among the siblings is worked out again on every pass: an
  // insertion may have moved it.
  if (Parent() && Parent()->ChildNodeList())
    st->CurrentPC = (st->CurrentPC & ~kStructural) | StructuralPseudoClasses(*this);
  UpdateFontSize();
  const TDisplayStyle oldDisplay = st->Display();
  const TCSSVisibility oldVisibility = st->Visibility;
  if (!doc->Paged && st->FLastProps.empty()) st->SaveLastProps();
  {
    // The reset writes the keyframe state the animation thread reads.
    std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
    ResetStyle();
  }
  TElementStyle* parentStyle = styleOf(Parent());
  if (parentStyle) st->Inherit(*parentStyle);
  TCSSStyleSheet* ua = DefaultStyleSheet();
  const ICSSNodeFacts& facts = nodeFacts();
  if (!HasFlag(efSelfStyleProcessed)) {
    processSelfStyle();
    FPseudoElements = 0;
    if (ua) ua->GetElementPseudoClasses(*this, facts, FPseudoElements);
    Styles->GetElementPseudoClasses(*this, facts, FPseudoElements);
  }
  st->CurrentPC &= ~PseudoBit(pcEmpty);
  if (Content().empty() && Count() == 0) st->CurrentPC |= PseudoBit(pcEmpty);

  TCSSWeightList& wl = *doc->FWeights;
  wl.Clear();
  TCSSWeightList* beforeWL = nullptr;
  TCSSWeightList* afterWL = nullptr;
  if ((FPseudoElements & PseudoBit(pcBefore)) && ((ua && ua->Before) || Styles->Before)) {
    beforeWL = doc->FBeforeWeights.get();
    beforeWL->Clear();
  }
  if ((FPseudoElements & PseudoBit(pcAfter)) && ((ua && ua->After) || Styles->After)) {
    afterWL = doc->FAfterWeights.get();
    afterWL->Clear();
  }
  if (ua) ua->GetElementSelectors(*this, facts, wl, &ua->Main, 0);
  Styles->GetElementSelectors(*this, facts, wl, &Styles->Main, 0);
  if (TCSSStyleSheet* own = SelfStyleSheet()) own->GetAllSelectors(wl);
  for (auto [list, bit] : {std::pair{beforeWL, pcBefore}, std::pair{afterWL, pcAfter}}) {
    if (!list) continue;
    for (TCSSStyleSheet* sheet : {ua, Styles}) {
      if (!sheet) continue;
      const TCSSStyleMaps* map = bit == pcBefore ? sheet->Before.get() : sheet->After.get();
      if (map) sheet->GetElementSelectors(*this, facts, *list, map, PseudoBit(bit));
    }
  }
  st->LoadProps(wl, false);
  {
    const float px = st->FontSize().ToPixels();
    // The root starts from the document's default size, when it has one.
    st->IntFontSize = parentStyle          ? parentStyle->IntFontSize
                      : doc->DefaultFontSize > 0 ? doc->DefaultFontSize
                                                 : float(DefaultFontSizePx);
    if (px > 0 && std::isfinite(px)) st->IntFontSize = st->Zoom != 0 ? px / st->Zoom : 1;
  }
  keyframeAnimation(Styles);
  CalcEdges();
  PrepareStacking();
  updatePseudoElement(Before, beforeWL, Styles);
  updatePseudoElement(After, afterWL, Styles);
  // A footnote's call: the ::after of a footnote element sits in the text
  // it belongs to and carries the note's text as its title.
  if (After && st->Position() == epRunning && st->Float() == fFootNote) {
    After->Container = NearestBlockParent();
    After->SetAttr(u"title", GetInnerText());
  }
  if (st->Display() == dsListItem && Styles->Marker) {
    wl.Clear();
    Styles->GetElementSelectors(*this, facts, wl, Styles->Marker.get(), PseudoBit(pcMarker));
    if (wl.Count() > 0) {
      st->LoadProps(wl, true);
      GenerateContent(this);
    }
  }
  if (doc->Paged) st->ZIndex = 0;
  if (st->Float() != fNone || st->Position() == epAbsolute || st->Position() == epFixed ||
      st->Position() == epRunning) {
    const TDisplayStyle d = st->Display();
    if (d != dsInlineBlock && d != dsNone && d != dsTable && d != dsTableCell) st->SetDisplay(dsBlock);
  }
  if (Container != this) {
    if (st->Display() != dsNone && !st->FLastProps.empty()) {
      bool recalc = false, repaint = doc->NeedRepaint;
      changed = st->StyleChanged(recalc, repaint) || changed;
      if (recalc) {
        // This box, what contains it and what it contains are laid out
        // again; the rest may keep their layout.
        SetFlag(efNeedRecalc, true, true, true);
        doc->NeedRecalc.RequestMarked();
      }
      doc->NeedRepaint = repaint;
    } else {
      changed = changed || oldDisplay != st->Display() || oldVisibility != st->Visibility;
    }
  }
  if (oldDisplay != st->Display()) {
    doc->NeedRecalc = true;
    doc->NeedRepaint = true;
    doc->FFullRecalcRequest = true;
  } else if (oldVisibility != st->Visibility) {
    doc->NeedRepaint = true;
  }
  if ((changed || st->CurrentPC != oldPC) && (st->IsSet(cspTransition) || st->Transitions)) {
    auto& list = doc->FTransitionElements;
    if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
    st->ApplyTransitions();
  }
  st->FLastProps.clear();
  if ((st->Float() == fLeft || st->Float() == fRight) && Parent())
    if (TStyledHTMLNode* bc = BlockContainer()) bc->IncludeFlag(efHasFloatElements);
  const bool visible = st->Display() != dsNone && st->Visibility != cvHidden &&
                       (!Parent() || Parent()->HasFlag(efVisible)) && (doc->Paged || st->Position() != epRunning);
  if (visible) IncludeFlag(efVisible);
  else ExcludeFlag(efVisible);
  if (changed) UpdateStyleFlags();
  changed = CalcChildStyles(Styles) || changed;
  if (doc->Paged && st->Position() == epRunning) doc->AddRunningElement(this);
  IncludeFlag(efStyleCalculated);
  auto markUp = [](TStyledHTMLNode* From) {
    for (TStyledHTMLNode* n = From; n; n = n->StyledParent()) n->IncludeFlag(efHasOutOfFlowElements);
  };
  for (TStyledHTMLNode* pe : {Before, After})
    if (TElementStyle* ps = styleOf(pe); ps && outOfFlow(*ps)) markUp(this);
  if ((outOfFlow(*st) || st->Position() == epRelative) && Parent() && HasFlag(efVisible)) markUp(Parent());
  return changed;
}

void TElement::PrepareStacking() {
  TElementStyle* st = styleOf(this);
  THtDocument* doc = Document;
  if (!st || !doc) return;
  const TElementPosition pos = st->Position();
  const bool root = !Parent() || Container == this;
  if (st->IsSet(cspOpacity) || st->IsSet(cspTransform) || st->IsSet(cspZIndex) || pos == epAbsolute ||
      pos == epFixed || root || IsReplacedElement() || doc->BodyElement == this) {
    FZLevels.assign(1, 0);
    IncludeFlag(efStackingContext);
  } else {
    ExcludeFlag(efStackingContext);
  }
  const TFloat fl = st->Float();
  if (fl != fNone || pos == epAbsolute || pos == epFixed) {
    const TDisplayStyle d = st->Display();
    if (d == dsInline || d == dsInlineBlock || d == dsInlineFlex || d == dsInlineTable) st->SetDisplay(dsBlock);
  }
  if (HasFlag(efDrag) && st->Position() == epStatic) st->SetPosition(epRelative);
  if (fl == fFootNote) {
    if (!HasClass(u"footnote")) AddClass(u"footnote");
    st->SetPosition(epRunning);
  }
  FindContainer();
  auto* container = dynamic_cast<TElement*>(Container);
  TElementStyle* cs = container && container != this ? styleOf(container) : nullptr;
  if (st->Display() == dsTableRowGroup && cs && cs->Display() != dsTable && cs->Display() != dsInlineTable)
    st->SetDisplay(dsBlock);
  if (st->Display() == dsTableCell && std::string_view(ClassRefOf()->ClassName()) != "TTableCell") {
    st->SetDisplay(dsInlineBlock);
    IncludeFlag(efTableCell);
  }
  if (st->Display() == dsInline && cs && cs->Display() == dsFlex) st->SetDisplay(dsInlineBlock);
  if (st->ZIndex != 0) st->ZIndex = std::clamp(st->ZIndex, -kZLimit, kZLimit) * 3;
  else if (st->Position() != epStatic || fl != fNone) st->ZIndex = 1;
  if (cs && !container->HasFlag(efStackingContext)) st->ZIndex += cs->ZIndex;
  if (doc->DragElement == this) st->ZIndex = 1000;
  if (root) st->ZIndex = 0;
  if (st->ZIndex != 0) {
    for (auto* c = container; c; c = c->Container == c ? nullptr : dynamic_cast<TElement*>(c->Container))
      if (c->HasFlag(efStackingContext)) {
        c->InsertZLevel(st->ZIndex);
        break;
      }
  }
  const TElementStyle* ps = styleOf(Parent());
  st->CalculatedOpacity = st->Opacity() * (Parent() ? (ps ? ps->CalculatedOpacity : 1.0f) : doc->Opacity);
  const TCSSWritingMode wm = st->WritingMode();
  if (wm == wmVerticalRL || wm == wmVerticalLR || wm == wmSidewaysRL || wm == wmSidewaysLR) IncludeFlag(efVertical);
  else ExcludeFlag(efVertical);
}

void TElement::UpdateStyleFlags() {
  TElementStyle* st = styleOf(this);
  if (!st) return;
  if (st->Position() == epFixed && st->Display() != dsNone && Document) Document->HasFixedAttachment = true;
  if (st->BackgroundPresent()) IncludeFlag(efHasBackground);
  else ExcludeFlag(efHasBackground);
  if (st->BorderPresent() || st->PageBreakBefore() == pbAlways || st->PageBreakAfter() == pbAlways)
    IncludeFlag(efHasBorder);
  else
    ExcludeFlag(efHasBorder);
  CalcRelativeEdges();
}

void TElement::updatePseudoElement(TStyledHTMLNode*& Slot, TCSSWeightList* List, TCSSStyleSheet* Styles) {
  THtDocument* doc = Document;
  TElementStyle* st = styleOf(this);
  bool createdOrFreed = false;
  auto* pe = static_cast<TElement*>(Slot);
  if (List && List->Count() > 0) {
    if (pe) {
      pe->SetContent(u"");
    } else {
      pe = new TElement();
      pe->SetParent(this);
      Slot = pe;
      pe->FindContainer();
      pe->UpdateFontSize();
      createdOrFreed = true;
    }
    TElementStyle* ps = styleOf(pe);
    pe->Index = Index;
    ps->SaveLastProps();
    pe->ResetStyle();
    ps->Inherit(*st);
    ps->LoadProps(*List, false);
    if (!ps->FindOwnProp(cspContent)) pe->SetContent(u"");
    else if (doc->FCalculatingStyle) GenerateContent(pe);
    if (pe->Content() != u"none") {
      pe->FindContainer();
      pe->UpdateFontSize();
      if (ps->Display() != dsNone && (ps->Position() != epStatic || ps->Float() != fNone) &&
          ps->Display() != dsInlineBlock)
        ps->SetDisplay(dsBlock);
      if (ps->BackgroundPresent()) pe->IncludeFlag(efHasBackground);
      else pe->ExcludeFlag(efHasBackground);
      if (ps->BorderPresent()) pe->IncludeFlag(efHasBorder);
      else pe->ExcludeFlag(efHasBorder);
      if (ps->Display() != dsNone && ps->Visibility != cvHidden && Visible()) pe->IncludeFlag(efVisible);
      else pe->ExcludeFlag(efVisible);
      if (pe->Content().empty()) {
        for (int i = 0; i < pe->Count(); ++i)
          if (auto* c = dynamic_cast<TElement*>(pe->GetNode(i))) c->CalcStyle(Styles);
      } else {
        auto* text = pe->Count() > 0 ? dynamic_cast<TElement*>(pe->GetNode(0)) : nullptr;
        if (text && !text->IsText()) {
          pe->DeleteChild(text);
          text = nullptr;
        }
        if (!text) {
          std::unique_ptr<TElement> made = doc->CreateTextNode(u"");
          text = made.get();
          pe->InsertAfter(nullptr, made.release());
        }
        text->FindContainer();
        text->SetContent(pe->Content());
        text->CalcStyle(Styles);
      }
      pe->keyframeAnimation(Styles);
      ps->ApplyTransitions();
    }
  } else if (pe) {
    if (auto* c = dynamic_cast<TElement*>(Container); c && c->SelfFlow) c->SelfFlow->Reset();
    Slot = nullptr;
    delete pe;
    pe = nullptr;
    createdOrFreed = true;
  }
  if (createdOrFreed) {
    doc->NeedRecalc = true;
    doc->NeedRepaint = true;
  }
  if (pe) {
    TElementStyle* ps = styleOf(pe);
    bool recalc = false, repaint = doc->NeedRepaint;
    ps->StyleChanged(recalc, repaint);
    if (recalc) doc->NeedRecalc = true;
    doc->NeedRepaint = repaint;
    pe->CalcEdges();
    ps->FLastProps.clear();
    pe->PrepareStacking();
  }
}

}  // namespace ht
