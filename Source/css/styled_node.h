#pragma once
// TStyledHTMLNode: the HTML node that carries style and a box. It adds to
// THtmlNode its parsed class list, its own style sheet (inline "style" plus
// the presentational declarations gathered from its attributes), its
// computed style, the geometry of its CSS box, its float map, element
// flags and CSS counters. The element model derives from it and overrides
// the virtual operations that need a view (positions, scroll bars, line
// ranges, defaults).
//
// Nodes are created through the node class descriptors like every node; the
// computed style is made by CreateStyle from StyleClass (none here).
//
// Box geometry: Single document pixels. OuterRect is the margin box set by
// layout; the edges are copied from computed style (CalcEdges); InnerWidth
// and InnerHeight are the content box (CalcRects) and the percentage bases.
// Sides are numbered 0 top, 1 right, 2 bottom, 3 left.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "css/css_keywords.h"
#include "css/css_selector.h"
#include "css/element_style_facts.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/enum_table.h"
#include "platform/rtl/geometry.h"

namespace ht {

class TBlockFloats;
class TCSSStyleSheet;
class TCSSWeightList;
class TCSSStyleMaps;

#define HT_ELEMENT_FLAG_VALUES(X) \
  X(efDrag)                       \
  X(efDragMoved)                  \
  X(efHasFloatElements)           \
  X(efHasAnimatedImages)          \
  X(efHSizeTracking)              \
  X(efVSizeTracking)              \
  X(efPBBeforeProcessed)          \
  X(efPBAfterProcessed)           \
  X(efPBInsideProcessed)          \
  X(efDrawn)                      \
  X(efCompletelyDrawn)            \
  X(efSelfStyleProcessed)         \
  X(efDesignerSelected)           \
  X(efChecked)                    \
  X(efMultiClass)                 \
  X(efLineBreak)                  \
  X(efNeedRecalc)                 \
  X(efHasBlockElements)           \
  X(efHasBackground)              \
  X(efHasBorder)                  \
  X(efVisible)                    \
  X(efStyleCalculated)            \
  X(efHasCounters)                \
  X(efHasOutOfFlowElements)       \
  X(efText)                       \
  X(efSpellChecked)               \
  X(efDestroying)                 \
  X(efStackingContext)            \
  X(efTableCell)                  \
  X(efVertical)                   \
  X(efVMProcessed)                \
  X(efHasOverflow)
HT_ENUM(TElementFlag, uint8_t, HT_ELEMENT_FLAG_VALUES);
// A 32-bit set of TElementFlag, one bit per ordinal.
using TElementFlags = uint32_t;
constexpr TElementFlags ElementFlag(TElementFlag f) { return TElementFlags(1u) << unsigned(f); }

// Called for each match of a selector query; clearing ContinueFlag stops
// the search at once.
using THtNodeProcRef = std::function<void(THtNode* Node, bool& ContinueFlag)>;

// Size facts (SizeFlags), bit by bit.
enum TSizeFlagBit : uint32_t {
  sfWidthFixed = 1u << 0,
  sfWidthDefinite = 1u << 1,
  sfHEdgesFixed = 1u << 2,
  sfHEdgesDefinite = 1u << 3,
  sfMinWidthFixed = 1u << 4,
  sfMinWidthDefinite = 1u << 5,
  sfMaxWidthFixed = 1u << 6,
  sfMaxWidthDefinite = 1u << 7,
  sfHeightFixed = 1u << 8,
  sfHeightDefinite = 1u << 9,
  sfVEdgesFixed = 1u << 10,
  sfVEdgesDefinite = 1u << 11,
  sfMinHeightFixed = 1u << 12,
  sfMinHeightDefinite = 1u << 13,
  sfMaxHeightFixed = 1u << 14,
  sfMaxHeightDefinite = 1u << 15,
  sfGrowsToContent = 1u << 16,
};

// The limit that stands for "no maximum" (2^30 pixels).
constexpr float NoSizeLimit = 1073741824.0f;

// The computed-style class descriptor: its create function makes a style
// for the node passed.
struct TElementStyleClass : TClassRef<IElementStyleFacts, TStyledHTMLNode*> {
  using TClassRef<IElementStyleFacts, TStyledHTMLNode*>::TClassRef;
};

// Frees the computed style unless the node only shares it (a text node
// shares its parent's).
struct TStyleOwnership {
  bool Owned = true;
  TStyleOwnership() = default;
  explicit TStyleOwnership(bool AOwned) : Owned(AOwned) {}
  template <class T>
  TStyleOwnership(std::default_delete<T>) {}
  void operator()(IElementStyleFacts* p) const {
    if (Owned) delete p;
  }
};
using TElementStylePtr = std::unique_ptr<IElementStyleFacts, TStyleOwnership>;

struct TCSSCounter {
  String Name;
  int Value = 0;
};

// A node's counters, in the order they were set. Few nodes set any, so the
// list is made with the first and a node without counters keeps one pointer.
class TCSSCounters {
 public:
  TCSSCounter* begin() { return FList ? FList->data() : nullptr; }
  TCSSCounter* end() { return FList ? FList->data() + FList->size() : nullptr; }
  const TCSSCounter* begin() const { return FList ? FList->data() : nullptr; }
  const TCSSCounter* end() const { return FList ? FList->data() + FList->size() : nullptr; }
  size_t size() const { return FList ? FList->size() : 0; }
  bool empty() const { return size() == 0; }
  TCSSCounter& operator[](size_t i) { return (*FList)[i]; }
  const TCSSCounter& operator[](size_t i) const { return (*FList)[i]; }
  void push_back(TCSSCounter Counter) {
    if (!FList) FList = std::make_unique<std::vector<TCSSCounter>>();
    FList->push_back(std::move(Counter));
  }

 private:
  std::unique_ptr<std::vector<TCSSCounter>> FList;
};

class TStyledHTMLNode : public THtmlNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  TStyledHTMLNode* StyledSelf() override { return this; }

  TStyledHTMLNode();
  ~TStyledHTMLNode() override;

  // --- Fields ---------------------------------------------------------------
  int64_t Index = 0;  // element order number, four implied decimals
  TRectF OuterRect;
  float MarginTop = 0, MarginRight = 0, MarginBottom = 0, MarginLeft = 0;
  float BorderTop = 0, BorderRight = 0, BorderBottom = 0, BorderLeft = 0;
  float PaddingTop = 0, PaddingBottom = 0;
  float ContentWidth = 0, ContentHeight = 0, VDelta = 0;
  float InnerWidth = 0, InnerHeight = 0;
  // The node's padding fields as written (before the direction swap); kept
  // here and beside StartPage, where they fill what alignment would leave.
  float FPaddingRight = 0;
  TStyledHTMLNode* Container = nullptr;  // not owned
  TElementFlags Flags = 0;
  uint32_t SizeFlags = 0;
  int StartPage = -1;
  float FPaddingLeft = 0;
  TStyledHTMLNode* Before = nullptr;  // owned by the element model
  TStyledHTMLNode* After = nullptr;
  TCSSCounters Counters;

  bool HasFlag(TElementFlag f) const { return Flags & ElementFlag(f); }
  void IncludeFlag(TElementFlag f) { Flags |= ElementFlag(f); }
  void ExcludeFlag(TElementFlag f) { Flags &= ~ElementFlag(f); }
  // Sets or clears Flag, passing it up (each ancestor with RecursiveUp
  // only) and down (children with RecursiveDown only, then Before and After
  // with the caller's arguments), unless this node is StopElement.
  void SetFlag(TElementFlag Flag, bool Value, bool RecursiveUp, bool RecursiveDown,
               const TStyledHTMLNode* StopElement = nullptr);

  // --- Computed style -------------------------------------------------------
  IElementStyleFacts* Style() const { return FStyle.get(); }
  virtual const TElementStyleClass* StyleClass() const { return nullptr; }
  // False while the node shares another node's style object.
  bool OwnsStyle() const { return FStyle && FStyle.get_deleter().Owned; }
  // FStyle := a new style of StyleClass for this node (none without class).
  virtual void CreateStyle();
  virtual void ResetStyle();
  // Clears efStyleCalculated; ForceRecalc is for overrides.
  virtual void StyleChanged(bool ForceRecalc);

  // The declarations that apply to this node in cascade order: the rules of
  // Sheets (in the order given) whose selectors match, then the node's own
  // sheet with its fixed weight. The own sheet is built first when stale.
  void CollectDeclarations(std::span<TCSSStyleSheet* const> Sheets, TCSSWeightList& WL,
                           TCSSPseudoSet APseudo = 0);

  // --- Classes --------------------------------------------------------------
  // The parsed "class" attribute, lower case, with hashes.
  const TClassesArray& ClassHashes() const;
  bool HasClass(StringView CSSClass) override;
  void AddClass(StringView CSSClass) override;
  void RemoveClass(StringView CSSClass) override;
  void SetStyleClass(StringView Value) override;

  // --- Own and presentational CSS -----------------------------------------
  bool SetAttribute(StringView Name, StringView Value) override;
  void SetOuterHTML(StringView Value) override;
  void CSS(StringView Value) override;
  // Presentational declarations: "name:value;" each.
  const String& VirtualSelfStyle() const;
  void AddVirtualCSS(StringView css);
  // Adds one presentational declaration. CSSValue is taken as one value:
  // text that would end the declaration or the rule is refused.
  void AddVirtualCSS2(StringView CSSName, StringView CSSValue);
  void AddCSS(StringView css, bool UpdateStyleAttr, uint32_t AWeight);
  void UniqueSelfStyle();
  void ClearCSS(StringView PropName, bool UpdateStyleAttr);
  void ClearCSSRecursive(StringView PropName, bool UpdateStyleAttr);
  virtual void ClearSelfStyleSheet();
  // Builds the own sheet from the presentational and inline declarations
  // when it is missing.
  TCSSStyleSheet* EnsureSelfStyleSheet();
  TCSSStyleSheet* SelfStyleSheet() const { return FSelfStyleSheet; }
  virtual void ParseAttribute(StringView Param, StringView Value);

  // --- Tree -----------------------------------------------------------------
  THtNode* InternalParse(THtmlParser& HP) override;
  // Takes the parser's attributes and reads each as ParseAttribute does.
  void ParseAttributes(THtmlParser& HP) override;
  using THtmlNode::ParseAttributes;
  // The nearest ancestor that is not an unfloated inline box (the root
  // without one); nil-safe on partial trees.
  virtual void FindContainer();
  virtual void UpdateFontSize() {}
  virtual void UpdatePseudoElements() {}
  TStyledHTMLNode* StyledParent() const;
  virtual TStyledHTMLNode* HtmlElement();
  String Lang() const;
  TStyledHTMLNode* NearestBlockParent() const;
  virtual bool IsText() const { return false; }
  virtual bool IsReplacedElement() const { return false; }
  virtual bool Visible() const { return HasFlag(efVisible); }
  bool IsLineBreak() const { return HasFlag(efLineBreak); }
  // Empty for hidden (display none), script, style, comment and directive
  // nodes. A list item's text starts with a line break and its marker:
  // "* " for bullets, else the counter text and ". " (none for "none").
  String GetInnerText() override;
  // The colour of the first background found walking up from this node;
  // the walk ends at the first node that is not inline. 0 when none.
  uint32_t BackgroundColor() const;
  // The number of columns: column-count when above 1, else as many
  // column-width columns with their gaps as the content width holds (at
  // least 1; 1 when column-width is auto or width and gap add up to 0).
  int ColumnCount() const;
  // One line per node of the subtree, depth first: tag, class, id, content,
  // [RealLeft, RealTop] and (OuterRect) rounded to whole pixels, as HTML.
  void DebugPrint(StringView Offset, std::vector<String>& L);

  // --- Selector queries ---------------------------------------------------
  // The descendants (not this node) matching the CSS selector list Query,
  // in document order. With FirstOnly the search stops at the first match
  // among the children, or before entering the subtree of a non-matching
  // child once something was found; a subtree once entered is searched in
  // full. A query holding no rule yields nothing.
  std::unique_ptr<THtNodeList> GetJQueryList(StringView Query, bool FirstOnly) override;
  IHtNodeList JQuery(StringView Query, bool FirstOnly);
  void JQuery(StringView Query, const THtNodeProcRef& Proc);

  // --- Small queries --------------------------------------------------------
  // X - Value for right-to-left text, else X + Value.
  void RTLInc(float& X, float Value) const;
  // The first child that is an element or a visible text with non-blank
  // content; nil when none. LastNonEmptyChild searches backwards.
  THtNode* FirstNonEmptyChild() const;
  THtNode* LastNonEmptyChild() const;
  // Whether E (with the same container) lies on lines apart from this box.
  bool SameLine(const TStyledHTMLNode* E) const;
  virtual const TRectF* ViewRect() const { return &OuterRect; }

  // --- Counters -------------------------------------------------------------
  void SetCounter(StringView Name, int Value);
  void IncrementCounter(StringView Name);
  // The list marker text of Value. Alphabetic styles continue past "z" with
  // "aa", "ab", ...; Roman numerals above 3999 fall back to decimal.
  static String CounterText(TListStyleType ListType, int Value);

  // --- Virtual defaults -----------------------------------------------------
  // The width and height that percentages of a parentless node refer to;
  // none here (the element answers the document's viewport).
  virtual const float* RootWidthRef() const { return nullptr; }
  virtual const float* RootHeightRef() const { return nullptr; }
  // The viewport that vw and vh refer to and the device scale; false for a
  // node outside a view.
  virtual bool Viewport(float& /*Width*/, float& /*Height*/, float& /*Scale*/) const { return false; }
  // A size set by the user's resizing: none here.
  virtual int GetUserWidth() const { return 0; }
  virtual int GetUserHeight() const { return 0; }
  virtual void SetUserWidth(int /*Value*/) {}
  virtual void SetUserHeight(int /*Value*/) {}
  // Generated content text with its references expanded; unchanged here.
  virtual String ExpandContent(StringView Source) { return String(Source); }
  // The object the element model attaches to the node; none here.
  virtual THtObject* InternalObject() const { return nullptr; }
  virtual String DefaultFontName() const { return u"Arial"; }
  virtual THAlign DefaultTextAlign() const { return thStart; }
  virtual uint32_t DefaultBorderColor() const { return 0xFF808080u; }
  virtual uint32_t DefaultTextColor() const { return 0xFF000000u; }
  virtual float DeviceScale() const { return 1.0f; }
  virtual int StartLine() const { return 0; }
  // The box position in document and drawing-surface coordinates; the
  // element model supplies them (a plain styled node answers 0).
  virtual float GetRealLeft() const { return 0; }
  virtual float GetRealTop() const { return 0; }
  virtual float GetSurfaceLeft() const { return 0; }
  virtual float GetSurfaceTop() const { return 0; }
  float RealLeft() const { return GetRealLeft(); }
  float RealTop() const { return GetRealTop(); }
  float SurfaceLeft() const { return GetSurfaceLeft(); }
  float SurfaceTop() const { return GetSurfaceTop(); }
  // RealLeft + InnerRect.Left (RealTop + InnerRect.Top) in whole pixels,
  // halves to even.
  int GetPageX() const;
  int GetPageY() const;
  int PageX() const { return GetPageX(); }
  int PageY() const { return GetPageY(); }
  virtual int EndLine() const { return 0; }

  // --- Float map ------------------------------------------------------------
  TBlockFloats* FloatMap();  // created on first use
  TBlockFloats* FloatMapIfAny() const;
  float GetLeft(float y1, float y2) const;
  float GetRight(float y1, float y2) const;
  // Where a line clearing the left or right floats may start; 0 without map.
  float GetLeftClearTop() const;
  float GetRightClearTop() const;
  // Starts its own float context (floats neither leave nor enter it).
  bool OwnFloatContext() const;

  // --- Box edges and rectangles (box_geometry.cpp) ------------------------
  void CalcEdges();
  void CalcRelativeEdges();
  // Elements remember the facts within a layout pass (the sizing and the
  // layout step both ask for them).
  virtual void CalcSizeFlags(bool Reset);
  // Whether CalcSizeFlags(false) only adds facts to those held, which
  // rows and running boxes replace with their own.
  bool SizeFlagsOnlyAdd() const;
  virtual void CalcRects();
  void GrowtoContainer();
  void OffsetRects(float dx, float dy);
  TRectF BorderRect() const;
  TRectF PaddingRect() const;
  virtual TRectF InnerRect() const;
  virtual TRectF Rects(int Line) const;
  float CalcWidth() const { return OuterRect.Right - OuterRect.Left; }
  float CalcHeight() const { return OuterRect.Bottom - OuterRect.Top; }
  // The start and end paddings: exchanged for right-to-left text.
  float PaddingLeft() const;
  float PaddingRight() const;
  float InnerDeltaX() const;
  float InnerDeltaY() const;
  float OuterDeltaX() const;
  float OuterDeltaY() const;
  float LeftDelta() const;
  float TopDelta() const;
  float RightDelta() const;
  float BottomDelta() const;
  float MinWidth() const;
  float MaxWidth() const;
  float MinHeight() const;
  float MaxHeight() const;
  virtual int StyleHeight() const;
  virtual int VScrollBarWidth() const { return 0; }
  virtual int HScrollBarHeight() const { return 0; }
  virtual float MinContentWidth() const { return 0; }
  virtual float MaxContentWidth() const { return 0; }
  virtual bool RelativeWidth() const;
  bool RelativeHeight() const;
  bool OutofFlow() const;
  bool InFlow() const;
  bool InFixedContainer() const;
  bool InPositionedContainer() const;
  bool IsBlock() const;
  bool IsBlockOrInlineBlock() const;
  bool IsBlockContainer() const;
  bool IsAbsoluteContainer() const;
  bool CanCollapseMargin(int Side) const;
  bool HasNonAutoMargin(int Side) const;
  TStyledHTMLNode* BlockContainer();
  TStyledHTMLNode* OffsetParent();


 protected:
  TElementStylePtr FStyle;
  // Drops the own sheet (freed unless shared) and takes Sheet, marking the
  // own declarations as processed; a shared Sheet keeps its RefCounter.
  void setSelfStyleSheet(TCSSStyleSheet* Sheet);

 private:
  void rebuildClassList();
  void collectMatches(StringView Query, bool FirstOnly, THtNodeList& List);
  void processAttributes();
  bool isTextNode() const;
  bool floated() const;
  bool measureOf(TCSSProperty Id, StringView PropName, TMeasure& M) const;

  // What few nodes have, made with the first of it, so that every other
  // node keeps one pointer: the float map and the presentational
  // declarations.
  struct TExtras;
  TExtras& extras();
  String& virtualSelfStyle();

  std::unique_ptr<TExtras> FExtras;
  // Made for a node that has classes.
  std::unique_ptr<TClassesArray> FClassHashes;
  // Owned when its RefCounter is 0, else shared through the document's
  // cache and only forgotten here.
  TCSSStyleSheet* FSelfStyleSheet = nullptr;
};

// Matching facts of styled nodes: their cached class lists and the
// pseudo-class state their computed style holds (CurrentPC, written by the
// element model). Nodes of other classes have neither.
class TStyledNodeFacts : public ICSSNodeFacts {
 public:
  std::span<const TCSSClassRec> NodeClasses(const THtNode& Node) const override;
  TCSSPseudoSet NodeState(const THtNode& Node) const override;
};

}  // namespace ht
