#pragma once
// TElement: the element node of the engine. Every element of a document,
// every pseudo-element, every text node (TTextElement) and the document
// itself is a TElement. It adds to the styled node the owning document, its
// own layout objects (SelfFlow, LineBlocks), its transform matrices, its
// scroll state and its listeners, and declares the virtual operations
// through which layout, painting and events run.
//
// Order numbers: Index (the styled node's fixed-point number, used here by
// its raw 64-bit value) orders elements in document order. A renumbering
// (THtDocument::RecalcIndexes) gives consecutive elements numbers 10000
// apart; an edit between renumberings numbers the new element at the
// midpoint of its neighbours in document order and marks the document's
// numbers dirty when no room is left between them.
//
// Ownership: an element owns its children, Before and After, LineBlocks,
// SelfFlow, FOverflowData, FListeners and MJoint. A text element shares its
// parent's computed style instead of owning one.
#include <cassert>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "canvas/matrix.h"
#include "css/styled_node.h"
#include "document/document_types.h"
#include "document/draw_info.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/overflow_data.h"

namespace ht {

class THtDocument;
class THtFont;
struct TTransform;

// The child list, viewed as elements.
using TElementList = THtNodeList;

// Where a point falls in a box (TElement::HitTestEx): outside its margin
// box, in the margin, border or padding before or after the content, or in
// the content box.
enum THitTestArea { htOutside, htBefore, htInside, htAfter };

// Pairs (event name, handler) added by AddEventListener; handlers are not
// owned.
using TElementListeners = std::vector<std::pair<String, THtObject*>>;

class TElement : public TStyledHTMLNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TElement();
  ~TElement() override;

  // --- Fields ----------------------------------------------------------------
  std::unique_ptr<TOverflowData> FOverflowData;
  std::unique_ptr<TElementListeners> FListeners;  // created on first use
  TCSSPseudoSet FPseudoElements = 0;
  // Set on each ancestor of an element whose style went stale, so that a
  // style pass passes over the subtrees where nothing did; cleared as the
  // pass walks this element's children.
  bool FChildNeedsStyle = false;
  // Some element below restyles on every pass whatever changed (see
  // RestyledEveryPass): the pass always walks this one's children.
  bool FRestyledBelow = false;
  std::vector<int32_t> FZLevels;
  // The tree change stamp at which this subtree last had nothing for
  // UpdateScrollBars to do; 0 while it has or may have.
  uint64_t FScrollIdleStamp = 0;
  // The font of the element's style as layout last asked for it, kept
  // until the element's next style pass (FLayoutFontKept).
  THtFont* FLayoutFont = nullptr;  // not owned
  bool FLayoutFontKept = false;
  THtDocument* Document = nullptr;  // not owned
  std::unique_ptr<TFlow> SelfFlow;
  THtLineBlocks LineBlocks;  // held in place: every element has one
  THtMatrixData M;
  std::unique_ptr<THtCustomMatrix> MJoint;

  TElement* Parent() const { return static_cast<TElement*>(FParent); }
  void SetParent(THtNode* Value) override;
  // The style shared with the parent (text) or owned.
  bool StyleCalculated() const { return HasFlag(efStyleCalculated); }
  void SetStyleCalculated(bool Value) {
    if (Value) {
      IncludeFlag(efStyleCalculated);
    } else {
      ExcludeFlag(efStyleCalculated);
      NoteStyleStale();
    }
  }

  // --- Tree edits --------------------------------------------------------------
  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;
  THtNode* AddChild(const THtNodeClass* ElementClass) override;
  THtNode* CreateChild(const THtNodeClass* NodeClass) override;
  // Tree edits find E's container at once when this element's style is
  // calculated; before the first style pass the pass finds it.
  // Appends E (taking it from its old parent). E already listed here moves to
  // the end. Raises Exception "Element can not contain itself" when E is this
  // element or one of its ancestors; nothing changes then.
  TElement* Add(TElement* E);
  // Places E just after EAfter (null: as the first child). Raises Exception
  // "Element not found" when EAfter is not a child, or "Element can not
  // contain itself" when E would become its own ancestor; E is left where
  // it was in both cases.
  TElement* InsertAfter(TElement* EAfter, TElement* E);
  TElement* InsertBefore(TElement* EBefore, TElement* E);
  // InsertAfter(null, E): E becomes the first child.
  TElement* AppendChild(TElement* E) { return InsertAfter(nullptr, E); }
  THtmlNode* AddHTML(StringView HTML) override;
  void MoveChildrentoParent(bool ABefore) override;
  // Parses HTML and places its nodes as the first children; the first node
  // made, or null.
  THtmlNode* InsertHTML(StringView HTML);
  void SetInnerHTML(StringView s) override;
  void SetInnerText(StringView Value) override;
  void SetOuterHTML(StringView s) override;
  void SetSelfStyle(StringView Value) override;
  void AfterParse() override;

  // --- Order numbers -------------------------------------------------------------
  // Numbers this element and its subtree from the document's counter,
  // parents before children. Walks without recursion.
  void RenumberIndexes();
  // Sum of AbsolutePositionDelta of every node from the document up to this
  // one (excluded), in document order.
  int AbsoluteLinePosition();
  virtual int AbsolutePositionDelta() { return 0; }

  // --- Navigation ----------------------------------------------------------------
  TElement* Next() const { return static_cast<TElement*>(FNextSibling); }
  TElement* Previous() const { return static_cast<TElement*>(PreviousSibling()); }
  TElement* NextElement() const { return static_cast<TElement*>(NextNode()); }
  TElement* PreviousElement() const;
  TElement* NextVisibleElement() const;
  bool IsLineElement() const;
  TElement* NextLineElement() const;
  TElement* PreviousLineElement() const;
  TElement* CommonParentWith(const TElement* AElement) const;
  TElement* GetChild(int Index) const { return static_cast<TElement*>(FNodes->Get(Index)); }
  TElementList* Elements() { return GetNodes(); }

  // --- Overrides that ask the document --------------------------------------------
  const TRectF* ViewRect() const override;
  // What width and height percentages of a parentless box refer to.
  const float* RootWidthRef() const override;
  const float* RootHeightRef() const override;
  // The document's view rectangle and the device scale.
  bool Viewport(float& Width, float& Height, float& Scale) const override;
  String DefaultFontName() const override;
  THAlign DefaultTextAlign() const override;
  uint32_t DefaultTextColor() const override;
  float DeviceScale() const override;
  int GetUserWidth() const override;
  int GetUserHeight() const override;
  void SetUserWidth(int Value);
  void SetUserHeight(int Value);
  const TElementStyleClass* StyleClass() const override;
  void UpdateFontSize() override;
  void ResetStyle() override;
  void UpdatePseudoElements() override;
  bool IsQuirksMode() override;

  // --- State -------------------------------------------------------------------
  void StyleChanged(bool ForceRecalc) override;
  // Sets or clears a text flag (bits 0 to 15) on text elements, passing the
  // call up and down like SetFlag.
  void SetTextFlag(int TextFlag, bool Value, bool RecursiveUp, bool RecursiveDown,
                   const TElement* StopElement = nullptr);
  virtual void NotifyParent(TElement* Sender, int Code, int Value);
  TFlow* EnsureSelfFlow();
  int StartLine() const override;
  bool InView();
  bool IsInFixedLayer() const;
  void DeleteAllAnimations();
  virtual int GetScrollLeft();
  virtual int GetScrollTop();
  virtual void SetScrollLeft(int Value);
  virtual void SetScrollTop(int Value);
  int ScrollLeft() { return GetScrollLeft(); }
  int ScrollTop() { return GetScrollTop(); }
  virtual void CalcTableColumns() {}
  virtual void Focus() {}
  virtual void DrawBlockHook() {}
  // Forgets any image of the document's image cache the element holds
  // (the cache is about to free them).
  virtual void ReleaseImage() {}

  // --- Events ------------------------------------------------------------------
  // Queues Event for this element in the document's event queue.
  virtual void RunEvent(StringView Event, TShiftState Shift);
  // Runs the inline "on"+Event handler and the first listener for Event
  // through the script adapter now, unless the pointer event's propagation
  // was stopped.
  virtual void RunImmediateEvent(StringView Event);
  void AddEventListener(StringView Event, THtObject* AHandler);
  // Adds or removes PClass in CurrentPC (marking the element for restyling
  // when the set changed); Recursive does the same down the subtree.
  void SetPseudoClass(TCSSPseudoClass PClass, bool Add, bool Recursive);

  // --- Pointer input (bodies in the painting unit) --------------------------------------
  // Document points throughout. The hover state: added (with the
  // document's enter events) and removed (with its exit events).
  virtual void MouseEnter(int X, int Y, TShiftState State);
  virtual void MouseLeave(int X, int Y, TShiftState State);
  // A press (Down) or release at (X, Y), delivered to the pressed element
  // and each of its ancestors; Ignore is shared by the whole chain. Keeps
  // :active, queues "mousedown", "mouseup" and the clicks, and starts
  // resizing and dragging.
  virtual void DoMouseDown(int X, int Y, bool Down, bool& Ignore, TShiftState Shift);
  // Finds the innermost element under (X, Y) into the document's
  // Event.Target (children first, at the draw info's z level) and proposes
  // resize edges and designer handles. Outside: the point lies outside a
  // clipping ancestor. The base answers false.
  virtual bool MouseMove(int X, int Y, TShiftState State, bool Outside, const THtDrawInfo& DI);
  // Scrolls every overflow area under MousePos by the wheel step.
  virtual void MouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  // --- Drag and drop, interactive sizing (bodies in the painting unit) ----------------------
  // The press that makes this element the document's drag element.
  void BeginDrag(int X, int Y);
  // A move of the dragged element to (X, Y); it follows the pointer once
  // the pointer left a 10-pixel square around the press.
  void DragMove(int X, int Y, TShiftState State);
  // Ends the drag at (X, Y): writes the move into the inline style (left
  // and top, a translation, or a new place in a "sortable" list) and
  // queues "drop" and "dragend".
  virtual void EndDrag(int X, int Y);
  // A drop into a "sortable" list; the siblings' old places are kept so
  // that transitions on left and top animate the reflow.
  void SortableDrop(int X, int Y);
  void SaveSortPositions(TElement* Container);
  void AnimateSortPositions(TElement* Container);
  // Starts resizing at the right (Horizontal) and/or bottom edge.
  virtual void BeginSizing(bool Horizontal, bool Vertical, int X, int Y);
  void EndSizing();
  // A move while resized: the document's user width and height follow.
  void SizingMove(int X, int Y, TShiftState State);
  // --- Attributes (element_attributes.cpp) ------------------------------------------
  // Takes the parser's attributes; style, link and script elements feed the
  // document's sheet and script adapter.
  void ParseAttributes(THtmlParser& HP) override;
  using TStyledHTMLNode::ParseAttributes;
  void ParseAttributesString(StringView s);
  void ParseAttribute(StringView Param, StringView Value) override;
  // Style text for the document's sheet; nothing at element level.
  virtual void ParseStyles(const String& StyleText) { (void)StyleText; }

  // --- Style computation (element_cascade.cpp) ---------------------------------------
  // Computes the style of this element and its subtree from the cascade;
  // true when any style changed.
  virtual bool CalcStyle(TCSSStyleSheet* Styles);
  virtual bool CalcChildStyles(TCSSStyleSheet* Styles);
  // True for elements whose style pass does more than restyle what changed
  // (grids, controls, drawings): the pass reaches them on every run.
  virtual bool RestyledEveryPass() const { return false; }
  // Marks every ancestor with FChildNeedsStyle.
  void NoteStyleStale();
  virtual void RestyleSelf();
  virtual void PrepareStacking();
  virtual void UpdateStyleFlags();
  // Inserts Level into FZLevels, kept ascending without duplicates.
  void InsertZLevel(int32_t Level);
  // The number of preceding siblings with this element's tag.
  int TagIndex() const;

  // --- Generated content (generated_content.cpp) -------------------------------------
  // Builds Target's content from its style's "content" value, with this
  // element's attributes and counters.
  void GenerateContent(TElement* Target);
  String ExpandContent(StringView Content) override;

  // --- Layout (bodies in the layout unit) ----------------------------------------
  // Box building: this element's runs into Flow (its container's flow),
  // its children's into its own flow or, for an inline, into Flow too.
  virtual void CalcBoxes(TFlow* Flow);
  virtual void CalcChildBoxes(TFlow* Flow);
  // Recursive; an element hosting a platform control hides it.
  virtual void HideControls();
  void CalcBlockBoxes(TFlow* Flow);
  void CalcInlineBoxes(TFlow* Flow);
  // Intrinsic widths of the content box, gathered in the own flow.
  float MinContentWidth() const override;
  float MaxContentWidth() const override;
  // Folds the box's own width limits into its flow's two widths.
  virtual void UpdateMinMaxWidth(float AMinWidth, float AMaxWidth);
  bool IsFlexItem() const;
  // Before a sizing pass, recursive: margins from the style and each own
  // flow ready for a new line pass.
  virtual void BeforeCalcLayout();
  // Box sizing: the used content-box width and height before the content is
  // laid out. Each Resolve answers whether its side is definite.
  bool ResolveWidth(float HorizontalDelta, float AMinWidth, float AMaxWidth);
  bool ResolveHeight();
  void CalcBoxSize(float HorizontalDelta, float VerticalDelta, float AMinWidth, float AMaxWidth);
  // After content layout: makes the overflow data of a scroll or auto box
  // (only with a host control) and sets its bars' ranges.
  void UpdateOverflow();
  // Before a paint: moves this element's bars, then those of every
  // displayed descendant. A subtree found with nothing to move (no bars,
  // no hosted controls, no selection under way) is passed over on later
  // paints until the node tree changes, a layout pass runs, a bar is made
  // or a text joins a selection. Only this base version marks a subtree so: an
  // override with work of its own does not call it (or, like a text's,
  // only has work while a selection is under way).
  virtual void UpdateScrollBars();
  // The width (height) of the vertical (horizontal) bar in use; 0 without.
  int VScrollBarWidth() const override;
  int HScrollBarHeight() const override;
  // Scrolls this box vertically so that its descendant E comes into view.
  void ScrollIntoView(TElement* E);
  // The natural size of a replaced element; false (and KeepAspect false)
  // for every other element.
  virtual bool GetIntrinsicSize(float& Width, float& Height, bool& KeepAspect) {
    (void)Width;
    (void)Height;
    KeepAspect = false;
    return false;
  }
  // Sizes the box and lays out its content through its own flow; true when
  // something laid out on the way asks the caller to lay out again.
  virtual bool CalcLayout();
  bool CalcContentLayout(bool ResetFloats, bool UpdateHeight);
  // Width again after the containing size changed, down the block-level
  // descendants.
  virtual void RecalcWidth();
  // --- Placement -----------------------------------------------------------------
  // Final position of a sized box; Flow is the flow that placed its run, or
  // null in the out-of-flow pass.
  virtual void PlaceBox(TFlow* Flow);
  void PlaceFloat(TFlow* Flow);
  void PlaceAbsoluteBox();
  virtual void PlaceOutOfFlowElements();
  // Margin collapsing of the block of a block line: how far the block moves
  // up (M: its top margin in whole pixels), and what comes off the flow's
  // height at its end.
  int CollapseTopMargin(TFlow* Flow, int M);
  int CollapseBottomMargin(TFlow* Flow);
  // --- Geometry after layout ---------------------------------------------------------
  float GetRealLeft() const override;
  float GetRealTop() const override;
  // The rectangle of the Line-th line fragment of an inline element, else
  // the border box.
  TRectF Rects(int Line) const override;
  int EndLine() const override;
  // A table cell's content offset from its vertical-align.
  virtual void UpdateVAlign();
  // The content corner in canvas pixels, for placing platform controls.
  int GetClientLeft();
  int GetClientTop();
  // Incremental layout: in a pass over marked elements, an unmarked box
  // that was laid out before keeps its runs, lines and size; it is only
  // moved. Its layout is valid while the inputs remembered here hold.
  bool KeepsLayout() const;
  // The size facts, worked out once per layout pass while what they read
  // (style, container and its facts, width attribute) stays the same.
  void CalcSizeFlags(bool Reset) override;
  // Decided once per pass, when box building reaches the box: the pass
  // itself changes what the decision reads.
  void DecideKeepLayout();
  int FKeptInPass = -1;
  struct TLayoutInputs {
    float ContainerWidth = 0, ContainerHeight = 0;
    uint32_t ContainerFlags = 0;
    float Margins[4] = {0, 0, 0, 0};
    bool Floats = false;  // the container's floats may reach the box
    bool operator==(const TLayoutInputs&) const = default;
  };
  // What the last full layout of the box took and left.
  struct TLayoutMemo {
    bool Valid = false;
    TLayoutInputs Inputs;
    bool Result = true;
    float Width = 0, Height = 0;  // of OuterRect
    float InnerWidth = 0, InnerHeight = 0, ContentWidth = 0, ContentHeight = 0, VDelta = 0;
    uint32_t SizeFlags = 0;
    float Margins[4] = {0, 0, 0, 0};
    float StyleMargins[4] = {0, 0, 0, 0};  // as the sizing pass took them from the style
    float RunWidth = 0, RunHeight = 0, Ascent = 0;  // of the box's own run, which box building resets
  } FLayoutMemo;
  struct TSizeFactsKey {
    int Pass = -1;
    uint64_t Style = 0;  // StyleChangeStamp
    const void* Facts = nullptr;
    const TStyledHTMLNode* Container = nullptr;
    uint32_t ContainerFlags = 0;
    int Display = 0, ContainerDisplay = 0;
    bool UserWidth = false;
    bool operator==(const TSizeFactsKey&) const = default;
  };
  struct TSizeFactsMemo {
    TSizeFactsKey Key;
    bool Reset = false;  // worked out from no facts
    uint32_t Flags = 0;  // SizeFlags as that left them
  } FSizeFactsMemo;

 private:
  // What the box's layout depends on besides its own style and content.
  bool canKeepLayout() const;
  TLayoutInputs layoutInputs() const;
  void rememberLayout(const TLayoutInputs& Inputs, bool Result);
  // The kept box's size and run as its last layout left them; when its
  // inputs changed, the pass is marked for a full run instead.
  bool keepLayout();
  void restoreKeptSize();

 public:
  // The first, last and last visible placed run; null without runs.
  virtual THtLineBlock* FirstRun();
  virtual THtLineBlock* LastRun();
  virtual THtLineBlock* LastVisibleRun();

  // --- Transforms and coordinates (element_transform.cpp) -----------------------------
  // M is built around the transform origin in the coordinates of a flow
  // whose origin lies at (CX, CY); MJoint maps those coordinates through M
  // and then through the transforms of every transformed ancestor.
  //
  // Rebuilds M from the style (the identity without a transform). False
  // when the matrix is unusable: singular (a zero scale factor, a
  // degenerate matrix()) or not finite; painting then skips the element.
  bool CalcTransform(float CX, float CY);
  // The matrix CalcTransform builds, into Out, touching nothing here.
  bool TransformMatrix(float CX, float CY, THtMatrixData& Out) const;
  // CalcTransform; with a transform rebuilds MJoint and, when usable, saves
  // the surface state and pushes M (the caller restores the state after the
  // element when this answered true and M is not the identity); without one
  // frees MJoint.
  virtual bool ApplyTransform(float CX, float CY);
  virtual void GetTransformOrigin(float& OX, float& OY, float CX, float CY, const TTransform& T) const;
  // MJoint := a copy of the nearest ancestor's joint matrix, or the identity.
  void InitJointMatrix();
  // Frees MJoint here, in Before, After and the whole subtree.
  virtual void ClearJointMatrix();
  // P through the inverse of M (a nearly singular M inverts to the identity).
  virtual void UntransformPoint(TPointF& P);
  void InverseTransformPoint(TPointF& P);
  // P through the joint matrix of the nearest ancestor that has one.
  TPointF ParentTransformPoint(const TPointF& P) const;

  // DI holds the parent's values on entry; adjusts them for this element.
  virtual void PrepareDrawInfo(THtDrawInfo& DI);
  // Moves a flow origin to this element's content origin, less its scroll
  // offsets: the origin of its children.
  virtual void LocalToDocument(float& X, float& Y);
  TPoint ClienttoDocument(const TPoint& P);
  // A point of this element in device pixels of the destination canvas.
  TPoint ClientToDestCanvas(const TPoint& P);
  // The corner of the first line's rectangle in device pixels.
  TPoint AbsolutePosition();
  virtual TPointF CharPoint(int CharIndex, bool AfterPrevious);
  // The border box on the surface, through the joint matrix and the
  // surface's root matrix.
  TRectF GetBoundingClientRect();
  // Called by box placement for each placed box: grows the document's
  // content size (and the container's flow content rectangle) by the
  // transformed border box, unless a clipping container stops it.
  void ExtendScrollArea();

  // --- Selected HTML (element_serialise.cpp) ------------------------------------------
  // While the document writes its selection, only the selected part of the
  // subtree is written, with the tags that carry its structure and inline
  // formatting; otherwise the whole element.
  void FastInnerHTML(TFastString& FS) override;
  // The next (previous) sibling that is not text, or text that is neither a
  // line break nor blank; null when none.
  TElement* NextNonEmptySibling() const;
  TElement* PreviousNonEmptySibling() const;

  // --- Word walk (word_walk.cpp) ---------------------------------------------------------
  // The first word of this element's own flow (letters only).
  virtual bool GetFirstWord(THtWord& W);
  // The word after W in this element's own flow; false when none is left.
  bool GetNextSiblingWord(THtWord& W, bool LettersOnly);
  // Checks every word of the own flow with the document's hook once, and
  // marks the runs of rejected words.
  void ProcessSpellcheck();

  // --- Painting (forwarded to the painting services) --------------------------------
  // Flow: the flow in which the element is a run; each step works on its
  // own copy of DI. Subclasses override a step and call the base version.
  virtual void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI);
  virtual void DrawInline(TFlow* Flow, const THtDrawInfo& DI);
  virtual void DrawTable(TFlow* Flow, const THtDrawInfo& DI);
  virtual void FillBackground(const THtDrawInfo& DI);
  virtual void DrawRun(TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI);
  virtual void DrawBlock(TFlow* Flow, const THtDrawInfo& DI);
  virtual void DrawBorder(const THtDrawInfo& DI);
  virtual void DrawOutline(const THtDrawInfo& DI);
  virtual void Draw(TFlow* Flow, const THtDrawInfo& DI);
  virtual bool IsVisibleInView(float X, float Y) const;
  float GetSurfaceLeft() const override;
  float GetSurfaceTop() const override;
  // Writes the interactive size into the inline style and ends sizing.
  virtual void ApplyUserSize();

  // --- Hit testing (bodies in the painting unit) --------------------------------------
  // Points are document coordinates. A box's half-open: its left and top
  // edges are inside it, its right and bottom edges outside. Overflow
  // clipping is passed down as Outside: the point lies outside the box of
  // an ancestor that clips, so only boxes that escape the clip can be hit.
  //
  // Point test of this element, whose boxes are relative to the page point
  // (Left, Top), then of its children (mapped through this element's
  // transform) unless SelfOnly. A box being resized is hit everywhere; one
  // being dragged never.
  virtual bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
  // InternalHitTest at the element's real position; false for a box that
  // is not displayed, not visible, not painted yet or being dragged.
  virtual bool HitTest(float X, float Y, bool SelfOnly, bool Outside);
  // The run of the own flow nearest to the page point, for placing a caret:
  // below the last line the run at X on the last line. FirstRun without
  // own runs.
  virtual THtLineBlock* GetNearestLineBlockAt(float X, float Y);
  // The coarse area of the box the page point falls in.
  THitTestArea HitTestEx(int X, int Y);
  // Whether R (surface coordinates) meets the visible area.
  bool RectInView(const TRectF& R) const;
  bool RectInView(const TRect& R) const;
  // The run under (X, Y) in this subtree, filtered by tag ("*": any
  // element, never text) and class: stored in Res when Res is null or the
  // found element's z-index is at least Res's. DI holds the caller's
  // origins.
  void GetLineBlockAt(float X, float Y, StringView ATag, StringView AStyleClass, THtLineBlock*& Res,
                      const THtDrawInfo& DI, bool Outside);
  // Appends to List the elements of this subtree under (X, Y) whose z-index
  // is at least ZLevel, topmost first (descendants before ancestors, later
  // siblings before earlier ones); an element already listed is not
  // appended again.
  void CollectElementsAtPoint(float X, float Y, int ZLevel, bool Outside, THtNodeList& List, const THtDrawInfo& DI);

  // Paged output: the element's "orientation" attribute ("portrait",
  // "landscape") becomes the document's page orientation.
  void ApplyPageOrientation();
  // Whether the element's page selector matches the page being laid out
  // (APage: the first page the selector counts from).
  bool IsOnPage(int APage) const;

 protected:
  // For classes that make no style of their own (text shares its parent's).
  explicit TElement(bool ACreateStyle);
  // Sets efDestroying and tells the document, once.
  void beginDestroy();
  // Direct writes to this element's own computed style (none when shared).
  void setStyleDisplay(TDisplayStyle Value);
  void setStyleFontSize(float Px);
  // Sets a text flag of a text element; nothing for other elements.
  virtual void ApplyTextFlag(int, bool) {}
  // Takes Source's style object as a shared, unowned one.
  void shareStyleOf(TElement* Source);
  // Frees the children depth first without recursion.
  void destroyChildren();
  // Whether E would become its own ancestor as a child of this element.
  bool wouldContain(const TElement* E) const;

 private:
  void processSelfStyle();
  void updatePseudoElement(TStyledHTMLNode*& Slot, TCSSWeightList* List, TCSSStyleSheet* Styles);
  void keyframeAnimation(TCSSStyleSheet* Styles);
  void detach();
  TElement* bodyElement() const;
  void takeStyleFromParent(TElement* Child);
};

// The element (or null) a node is, for walks over mixed node trees. Layout
// and the style pass ask this of every node on every pass: the class
// descriptor answers for element classes at the cost of one virtual call,
// and only other nodes pay for the full cast.
inline TElement* AsElement(THtNode* N) {
  if (!N) return nullptr;
  if (N->ClassRefOf()->InheritsFrom(&TElement::ClassType)) {
    assert(dynamic_cast<TElement*>(N) == static_cast<TElement*>(N));
    return static_cast<TElement*>(N);
  }
  return dynamic_cast<TElement*>(N);
}

// A counter that moves whenever any element's style is worked out again
// (CalcStyle past its "already calculated" shortcut). Facts cached from
// styles stay valid while it holds; it starts at 1, so a stored 0 never
// matches.
uint64_t StyleChangeStamp();
void NoteStyleChange();

}  // namespace ht
