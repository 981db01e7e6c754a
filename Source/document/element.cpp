#include "document/element.h"

#include <cmath>

#include "canvas/canvas.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "document/paint_services.h"
#include "document/pointer_services.h"

namespace ht {

const THtNodeClass TElement::ClassType{"TElement", &TStyledHTMLNode::ClassType, CreateInstance<TElement, THtNode>};

namespace {

constexpr int64_t kIndexStep = 10000;

// The order number of a node, when it carries one.
bool indexOf(const THtNode* N, int64_t& Out) {
  auto* s = dynamic_cast<const TStyledHTMLNode*>(N);
  if (!s) return false;
  Out = s->Index;
  return true;
}

// The first node after N's subtree in document order, or null.
// Unknown is set when the walk gave up: a node placed at the end of a very
// deep chain would otherwise cost a walk over every ancestor.
THtNode* nextAfterSubtree(const THtNode* N, bool& Unknown) {
  constexpr int kMaxClimb = 256;
  int climbed = 0;
  Unknown = false;
  for (const THtNode* n = N; n; n = n->Parent()) {
    if (n->NextSibling()) return n->NextSibling();
    if (++climbed == kMaxClimb) {
      Unknown = true;
      return nullptr;
    }
  }
  return nullptr;
}

bool inSet(TDisplayStyle d, std::initializer_list<TDisplayStyle> set) {
  for (TDisplayStyle x : set)
    if (x == d) return true;
  return false;
}

// (a + b) / 2 in double precision, rounded to the nearest integer, ties to
// even.
int64_t midpoint(int64_t a, int64_t b) { return int64_t(std::nearbyint((double(a) + double(b)) / 2.0)); }

}  // namespace

// --- Construction and destruction -------------------------------------------------

TElement::TElement() : TElement(true) {}

TElement::TElement(bool ACreateStyle) {
  M = THtMatrixData();
  if (ACreateStyle) CreateStyle();
}

TElement::~TElement() {
  beginDestroy();
  LineBlocks.Clear();
  SelfFlow.reset();
  delete std::exchange(Before, nullptr);
  delete std::exchange(After, nullptr);
  FOverflowData.reset();
  FListeners.reset();
  MJoint.reset();
  // The container's run chain may hold runs of this element.
  if (auto* c = dynamic_cast<TElement*>(Container); c && c != this && c->SelfFlow && Document && !Document->Paged) {
    c->SelfFlow->FirstBlock = nullptr;
    c->SelfFlow->LastBlock = nullptr;
  }
  destroyChildren();
}

void TElement::beginDestroy() {
  if (HasFlag(efDestroying)) return;
  IncludeFlag(efDestroying);
  if (Document && Document != this && !Document->Destroying) Document->ElementDeleted(this);
}

namespace {
// A node whose children are being freed: they are Pending[Begin, End), the
// next one at Next.
struct TDestroyFrame {
  THtNode* Node;
  size_t Begin, End, Next;
};
}  // namespace

void TElement::destroyChildren() {
  // Depth first without recursion, so that no tree is too deep to free.
  // Every element is told it is being destroyed before its children, and
  // freed after them, while its ancestors are all still whole. The children
  // of the open frames wait in one array, the deepest frame's last.
  std::vector<THtNode*> pending;
  std::vector<TDestroyFrame> stack;
  auto open = [&](THtNode* N) {
    THtNodeList* list = N->ChildNodeList();
    if (!list || list->Count() == 0 || !list->OwnsObjects()) return false;
    const size_t begin = pending.size();
    for (int32_t i = 0; i < list->Count(); ++i) pending.push_back(list->Get(i));
    list->SetOwnsObjects(false);
    list->Clear();
    list->SetOwnsObjects(true);
    stack.push_back({N, begin, pending.size(), begin});
    return true;
  };
  if (!open(this)) return;
  while (!stack.empty()) {
    TDestroyFrame& f = stack.back();
    if (f.Next < f.End) {
      THtNode* child = pending[f.Next++];
      if (auto* e = dynamic_cast<TElement*>(child)) e->beginDestroy();
      if (!open(child)) delete child;
      continue;
    }
    THtNode* done = f.Node;
    pending.resize(f.Begin);
    stack.pop_back();
    if (done != this) delete done;
  }
}

// --- Parent, style sharing --------------------------------------------------------------

void TElement::SetParent(THtNode* Value) {
  FParent = Value;
  if (auto* p = dynamic_cast<TElement*>(Value)) {
    Document = p->Document;
    // Text shares the style of the element it lies in, wherever a move
    // puts it, so it never keeps the style of an element it left.
    if (IsText()) shareStyleOf(p);
  }
  StyleChanged(true);
}

void TElement::shareStyleOf(TElement* Source) {
  if (FStyle.get() == Source->FStyle.get() && !OwnsStyle()) return;
  FStyle = TElementStylePtr(Source->FStyle.get(), TStyleOwnership(false));
}


// An element without children is nobody's ancestor, so placing a new
// element costs no walk.
bool TElement::wouldContain(const TElement* E) const { return E == this || (E->GetCount() > 0 && HasAsParent(E)); }

void TElement::detach() {
  if (FParent) {
    if (THtNodeList* list = FParent->ChildNodeList()) list->RemoveItem(this);
  }
  FParent = nullptr;
}

// --- Tree edits ------------------------------------------------------------------------

const THtNodeClass* TElement::GetElementClass(StringView Tag, THtNode*) { return ElementClassFor(Tag); }

THtNode* TElement::AddChild(const THtNodeClass* ElementClass) {
  THtNode* node = TStyledHTMLNode::AddChild(ElementClass);
  auto* child = dynamic_cast<TElement*>(node);
  if (!child) return node;
  if (Document) child->Index = int64_t(Document->GenIndex()) * kIndexStep;
  if (StyleCalculated()) child->FindContainer();
  takeStyleFromParent(child);
  return node;
}

THtNode* TElement::CreateChild(const THtNodeClass* NodeClass) {
  THtNode* node = TStyledHTMLNode::CreateChild(NodeClass);
  auto* child = dynamic_cast<TElement*>(node);
  if (!child) return node;
  child->Document = Document;
  if (Document) child->Index = int64_t(Document->GenIndex()) * kIndexStep;
  takeStyleFromParent(child);
  return node;
}

// Numbers E, just placed at Position among the children, between the node
// before it and the node after its subtree in document order. When the
// neighbours leave no room, or E brings descendants whose numbers no longer
// fit, the document renumbers before its numbers are next relied on.
static void placedNumber(TElement* Receiver, TElement* E, int32_t Position) {
  THtNode* prev = Receiver;
  if (Position > 0) prev = Receiver->ChildNodeList()->Get(Position - 1)->Last();
  bool unknown = false;
  THtNode* next = nextAfterSubtree(E, unknown);
  int64_t a = 0, b = 0;
  bool dirty = E->GetCount() > 0 || unknown;
  if (!indexOf(prev, a)) dirty = true;
  if (next && indexOf(next, b)) {
    E->Index = midpoint(a, b);
    if (E->Index <= a || E->Index >= b) dirty = true;
  } else {
    E->Index = a + kIndexStep;
  }
  if (dirty && E->Document) E->Document->FIndexesDirty = true;
}

TElement* TElement::Add(TElement* E) {
  if (!E) return nullptr;
  if (wouldContain(E)) throw Exception(u"Element can not contain itself");
  THtNodeList* list = GetNodes();
  if (E->FParent) {
    if (THtNodeList* old = E->FParent->ChildNodeList()) old->RemoveItem(E);
  }
  list->Add(E);
  E->SetParent(this);
  if (E->IsText()) E->shareStyleOf(this);
  placedNumber(this, E, list->Count() - 1);
  if (StyleCalculated()) E->FindContainer();
  return E;
}

TElement* TElement::InsertAfter(TElement* EAfter, TElement* E) {
  if (!E) return nullptr;
  if (EAfter && (EAfter->FParent != this || EAfter == E)) throw Exception(u"Element not found");
  if (wouldContain(E)) throw Exception(u"Element can not contain itself");
  E->detach();
  THtNodeList* list = GetNodes();
  const int32_t position = EAfter ? list->IndexOf(EAfter) + 1 : 0;
  list->Insert(position, E);
  E->SetParent(this);
  if (!E->FStyle || E->IsText()) E->shareStyleOf(this);
  placedNumber(this, E, position);
  if (StyleCalculated()) E->FindContainer();
  return E;
}

TElement* TElement::InsertBefore(TElement* EBefore, TElement* E) {
  if (!E) return nullptr;
  if (!EBefore || EBefore->FParent != this || EBefore == E) throw Exception(u"Element not found");
  if (wouldContain(E)) throw Exception(u"Element can not contain itself");
  E->detach();
  THtNodeList* list = GetNodes();
  const int32_t position = list->IndexOf(EBefore);
  list->Insert(position, E);
  E->SetParent(this);
  if (!E->FStyle || E->IsText()) E->shareStyleOf(this);
  placedNumber(this, E, position);
  if (StyleCalculated()) E->FindContainer();
  return E;
}

void TElement::MoveChildrentoParent(bool ABefore) {
  TStyledHTMLNode::MoveChildrentoParent(ABefore);
  // The moved children kept the numbers they had in this element.
  if (Document) Document->FIndexesDirty = true;
}

THtmlNode* TElement::AddHTML(StringView HTML) {
  THtmlNode* first = TStyledHTMLNode::AddHTML(HTML);
  if (Document) {
    Document->FIndexesDirty = true;
    Document->RecalcStyles();
  }
  return first;
}

THtmlNode* TElement::InsertHTML(StringView HTML) {
  auto temp = std::unique_ptr<THtNode>(GetElementClass(u"div", nullptr)->Create());
  auto* holder = dynamic_cast<TElement*>(temp.get());
  if (!holder) return nullptr;
  temp.release();
  InsertAfter(nullptr, holder);
  holder->Parse(String(HTML));
  auto* first = holder->GetCount() > 0 ? dynamic_cast<THtmlNode*>(holder->GetNode(0)) : nullptr;
  holder->MoveChildrentoParent(true);
  DeleteChild(holder);
  if (Document) Document->RecalcStyles();
  return first;
}

void TElement::SetInnerHTML(StringView s) {
  ExcludeFlag(efSelfStyleProcessed);
  TStyledHTMLNode::SetInnerHTML(s);
  if (SelfFlow) SelfFlow->Reset();
  if (Document) {
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
    Document->FIndexesDirty = true;
  }
}

void TElement::SetInnerText(StringView Value) {
  TStyledHTMLNode::SetInnerText(Value);
  // The text child made or kept shares this element's style.
  if (FNodes)
    for (int32_t i = 0; i < FNodes->Count(); ++i)
      if (auto* e = dynamic_cast<TElement*>(FNodes->Get(i)); e && e->IsText()) {
        e->Document = Document;
        e->shareStyleOf(this);
      }
  if (Document) {
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
  }
}

void TElement::SetOuterHTML(StringView s) {
  ExcludeFlag(efSelfStyleProcessed);
  SelfFlow.reset();
  if (FStyle && OwnsStyle()) FStyle->Reset();
  TStyledHTMLNode::SetOuterHTML(s);
  StyleChanged(true);
  if (Document) {
    Document->NeedRecalc = true;
    Document->NeedRepaint = true;
    Document->FIndexesDirty = true;
  }
}

void TElement::SetSelfStyle(StringView Value) {
  TStyledHTMLNode::SetSelfStyle(Value);
  ExcludeFlag(efSelfStyleProcessed);
}

void TElement::AfterParse() {
  TStyledHTMLNode::AfterParse();
  if (!Document) return;
  for (const TCSSClassRec& c : ClassHashes())
    if (!Document->DocumentClasses.Contains(c.s)) Document->DocumentClasses.Add(c.s, nullptr);
}

// --- Order numbers --------------------------------------------------------------------------

void TElement::RenumberIndexes() {
  if (!Document) return;
  THtNode* n = this;
  while (n) {
    if (auto* s = dynamic_cast<TStyledHTMLNode*>(n)) s->Index = int64_t(Document->GenIndex()) * kIndexStep;
    if (n->GetCount() > 0) {
      n = n->GetNode(0);
      continue;
    }
    while (n && n != this && !n->NextSibling()) n = n->Parent();
    n = (!n || n == this) ? nullptr : n->NextSibling();
  }
}

int TElement::AbsoluteLinePosition() {
  int sum = 0;
  THtNode* root = Document ? static_cast<THtNode*>(Document) : Root();
  for (THtNode* n = root; n && n != this; n = n->NextNode())
    if (auto* e = dynamic_cast<TElement*>(n)) sum += e->AbsolutePositionDelta();
  return sum;
}

// --- Navigation ----------------------------------------------------------------------------

TElement* TElement::PreviousElement() const { return static_cast<TElement*>(PreviousNode()); }

TElement* TElement::NextVisibleElement() const {
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (auto* e = dynamic_cast<TElement*>(n); e && e->Visible()) return e;
  return nullptr;
}

bool TElement::IsLineElement() const {
  if (IsText()) return Visible();
  if (!Visible() || !FStyle) return false;
  const TElementPosition p = FStyle->Position();
  return (p == epStatic || p == epRelative) && FStyle->Float() == fNone && IsReplacedElement() &&
         inSet(FStyle->Display(), {dsInline, dsInlineBlock, dsInlineFlex, dsInlineTable});
}

namespace {

bool takesPartInLines(TElement* e, bool Forward) {
  if (!e->Visible() || !e->Style() || e->HasFlag(efDestroying)) return false;
  const IElementStyleFacts* st = e->Style();
  const TElementPosition p = st->Position();
  if (p == epAbsolute || p == epFixed || p == epRunning || st->Float() != fNone) return false;
  if (!e->FirstRun()) return false;
  if (e->IsText()) return !e->Content().empty();
  const TDisplayStyle d = st->Display();
  if (inSet(d, {dsBlock, dsTable, dsTableRow, dsTableCell, dsListItem, dsFlex})) return false;
  if (e->GetCount() > 0) return false;
  return d == dsInlineBlock || d == dsInlineFlex || (Forward && d == dsInlineTable);
}

}  // namespace

TElement* TElement::NextLineElement() const {
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (auto* e = dynamic_cast<TElement*>(n); e && takesPartInLines(e, true)) return e;
  return nullptr;
}

TElement* TElement::PreviousLineElement() const {
  for (THtNode* n = PreviousNode(); n; n = n->PreviousNode())
    if (auto* e = dynamic_cast<TElement*>(n); e && takesPartInLines(e, false)) return e;
  return nullptr;
}

TElement* TElement::CommonParentWith(const TElement* AElement) const {
  if (!AElement) return nullptr;
  for (TElement* p = Parent(); p; p = p->Parent())
    if (AElement->HasAsParent(p)) return p;
  return nullptr;
}

// --- Overrides that ask the document ------------------------------------------------------

const TRectF* TElement::ViewRect() const { return Document ? &Document->FViewPort : &OuterRect; }
const float* TElement::RootWidthRef() const { return Document ? &Document->PageWidthPixels : nullptr; }
const float* TElement::RootHeightRef() const { return Document ? &Document->PageHeightPixels : nullptr; }

bool TElement::Viewport(float& Width, float& Height, float& Scale) const {
  if (!Document) return false;
  Width = Document->FViewPort.Right - Document->FViewPort.Left;
  Height = Document->FViewPort.Bottom - Document->FViewPort.Top;
  Scale = DeviceScale();
  return true;
}

String TElement::DefaultFontName() const {
  return Document ? Document->FDefaultFontName : TStyledHTMLNode::DefaultFontName();
}
THAlign TElement::DefaultTextAlign() const {
  return Document ? Document->FDefaultTextAlign : TStyledHTMLNode::DefaultTextAlign();
}
uint32_t TElement::DefaultTextColor() const {
  return Document ? Document->FDefaultTextColor : TStyledHTMLNode::DefaultTextColor();
}

float TElement::DeviceScale() const {
  if (!Document || !Document->Surface || Document->Surface->DPI() == 0) return 1.0f;
  return Document->Surface->Scene.Scale * 96.0f / float(Document->Surface->DPI());
}

int TElement::GetUserWidth() const {
  return Document && Document->SizingElement == this ? Document->FUserWidth : 0;
}
int TElement::GetUserHeight() const {
  return Document && Document->SizingElement == this ? Document->FUserHeight : 0;
}
void TElement::SetUserWidth(int Value) {
  if (Document) Document->FUserWidth = Value;
}
void TElement::SetUserHeight(int Value) {
  if (Document) Document->FUserHeight = Value;
}




void TElement::UpdatePseudoElements() {
  FPseudoElements = 0;
  const TStyledNodeFacts facts;
  if (TCSSStyleSheet* ua = DefaultStyleSheet()) ua->GetElementPseudoClasses(*this, facts, FPseudoElements);
  if (Document && Document->Styles) Document->Styles->GetElementPseudoClasses(*this, facts, FPseudoElements);
}

TElement* TElement::bodyElement() const { return Document ? Document->BodyElement : nullptr; }

bool TElement::IsQuirksMode() { return Document && Document != this ? Document->IsQuirksMode() : true; }

// --- State ------------------------------------------------------------------------------------

void TElement::NoteStyleStale() {
  // A marked element's ancestors are marked too (the style pass keeps it
  // so), so the walk ends at the first one: building a deep chain, each
  // node of which goes stale as it is added, stays linear.
  for (TElement* p = Parent(); p && !p->FChildNeedsStyle; p = p->Parent()) p->FChildNeedsStyle = true;
}

void TElement::StyleChanged(bool ForceRecalc) {
  ExcludeFlag(efStyleCalculated);
  NoteStyleStale();
  if (!Document || !(Document->Active || ForceRecalc)) return;
  Document->Changed = true;
  if (FParent)
    if (auto* next = dynamic_cast<TStyledHTMLNode*>(FNextSibling)) next->ExcludeFlag(efStyleCalculated);
}

void TElement::SetTextFlag(int TextFlag, bool Value, bool RecursiveUp, bool RecursiveDown,
                           const TElement* StopElement) {
  if (IsText()) ApplyTextFlag(TextFlag, Value);
  if (this == StopElement) return;
  if (RecursiveUp)
    if (TElement* p = Parent()) p->SetTextFlag(TextFlag, Value, true, false, nullptr);
  if (!RecursiveDown) return;
  if (FNodes)
    for (int32_t i = 0; i < FNodes->Count(); ++i)
      if (auto* e = dynamic_cast<TElement*>(FNodes->Get(i))) e->SetTextFlag(TextFlag, Value, false, true, nullptr);
  if (auto* b = dynamic_cast<TElement*>(Before)) b->SetTextFlag(TextFlag, Value, RecursiveUp, RecursiveDown, StopElement);
  if (auto* a = dynamic_cast<TElement*>(After)) a->SetTextFlag(TextFlag, Value, RecursiveUp, RecursiveDown, StopElement);
}

void TElement::NotifyParent(TElement* Sender, int Code, int Value) {
  if (TElement* p = Parent()) p->NotifyParent(Sender, Code, Value);
}

TFlow* TElement::EnsureSelfFlow() {
  if (!SelfFlow) SelfFlow = std::make_unique<TFlow>(this);
  return SelfFlow.get();
}

int TElement::StartLine() const {
  THtLineBlock* first = LineBlocks.First();
  return first ? first->Line : 0;
}

bool TElement::InView() { return IsVisibleInView(SurfaceLeft(), SurfaceTop()); }

bool TElement::IsInFixedLayer() const {
  auto fixedOrRunning = [](const TStyledHTMLNode* n) {
    if (!n->Style()) return false;
    const TElementPosition p = n->Style()->Position();
    return p == epFixed || p == epRunning;
  };
  if (fixedOrRunning(this)) return true;
  if (!Document || !Document->HasFixedAttachment) return false;
  for (const TStyledHTMLNode* c = Container; c && c->Container && c->Container != c; c = c->Container)
    if (fixedOrRunning(c)) return true;
  return false;
}

void TElement::DeleteAllAnimations() {
  if (Document) Document->DeleteElementAnimations(this, nullptr);
}

int TElement::GetScrollLeft() { return FOverflowData ? FOverflowData->HOffset : 0; }
int TElement::GetScrollTop() { return FOverflowData ? FOverflowData->VOffset : 0; }
void TElement::SetScrollLeft(int Value) {
  if (FOverflowData) FOverflowData->SetHOffset(Value);
}
void TElement::SetScrollTop(int Value) {
  if (FOverflowData) FOverflowData->SetVOffset(Value);
}

void TElement::RunEvent(StringView Event, TShiftState Shift) {
  if (Document) Document->QueueElementEvent(this, Event, Shift);
}

// --- Painting: forwarded to the painting unit -------------------------------------------------

void TElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  HtPaintServices().DrawInnerElements(*this, Flow, DI);
}
void TElement::DrawInline(TFlow* Flow, const THtDrawInfo& DI) { HtPaintServices().DrawInline(*this, Flow, DI); }
void TElement::DrawTable(TFlow* Flow, const THtDrawInfo& DI) { HtPaintServices().DrawTable(*this, Flow, DI); }
void TElement::FillBackground(const THtDrawInfo& DI) { HtPaintServices().FillBackground(*this, DI); }
void TElement::DrawRun(TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI) {
  HtPaintServices().DrawRun(*this, Flow, Block, DI);
}
void TElement::DrawBlock(TFlow* Flow, const THtDrawInfo& DI) { HtPaintServices().DrawBlock(*this, Flow, DI); }
void TElement::DrawBorder(const THtDrawInfo& DI) { HtPaintServices().DrawBorder(*this, DI); }
void TElement::DrawOutline(const THtDrawInfo& DI) { HtPaintServices().DrawOutline(*this, DI); }
void TElement::Draw(TFlow* Flow, const THtDrawInfo& DI) { HtPaintServices().Draw(*this, Flow, DI); }
float TElement::GetSurfaceLeft() const { return HtPaintServices().SurfaceLeft(*this); }
float TElement::GetSurfaceTop() const { return HtPaintServices().SurfaceTop(*this); }
void TElement::ApplyUserSize() { HtPaintServices().ApplyUserSize(*this); }
bool TElement::IsVisibleInView(float X, float Y) const { return HtPaintServices().IsVisibleInView(*this, X, Y); }
bool TElement::InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside) {
  return HtPaintServices().InternalHitTest(*this, X, Y, Left, Top, SelfOnly, Outside);
}
bool TElement::HitTest(float X, float Y, bool SelfOnly, bool Outside) {
  return HtPaintServices().HitTest(*this, X, Y, SelfOnly, Outside);
}
THtLineBlock* TElement::GetNearestLineBlockAt(float X, float Y) {
  return HtPaintServices().GetNearestLineBlockAt(*this, X, Y);
}
void TElement::ApplyPageOrientation() { HtPaintServices().ApplyPageOrientation(*this); }

// --- Pointer input: forwarded to the painting unit ---------------------------------------------

void TElement::MouseEnter(int X, int Y, TShiftState State) { HtPointerServices().MouseEnter(*this, X, Y, State); }
void TElement::MouseLeave(int X, int Y, TShiftState State) { HtPointerServices().MouseLeave(*this, X, Y, State); }
void TElement::DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift) {
  HtPointerServices().DoMouseDown(*this, X, Y, Down, Ignore, Shift);
}
bool TElement::MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI) {
  return HtPointerServices().MouseMove(*this, X, Y, State, Outside, DI);
}
void TElement::MouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  HtPointerServices().MouseWheel(*this, Shift, WheelDelta, MousePos);
}
void TElement::EndDrag(int X, int Y) { HtPointerServices().EndDrag(*this, X, Y); }
void TElement::BeginSizing(bool Horizontal, bool Vertical, int X, int Y) {
  HtPointerServices().BeginSizing(*this, Horizontal, Vertical, X, Y);
}

}  // namespace ht
