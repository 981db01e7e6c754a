#pragma once
// TBaseElementStyle: the computed style of one styled node. It keeps the
// declarations that won the cascade (not owned: they belong to their
// sheets), a few fields computed while they are applied, the background,
// the transitions and the keyframe animation, and the values saved before a
// restyle from which StyleChanged decides between nothing, a repaint and a
// new layout. Every other part of the engine reads style through the typed
// accessors below, by property id.
//
// The style reaches its node only through IStyledElement, which the styled
// node implements; this header knows nothing else of it.
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "css/css_animation.h"
#include "css/css_keywords.h"
#include "css/css_value.h"
#include "css/element_background.h"
#include "css/element_shadow.h"
#include "css/font_style.h"
#include "css/measure.h"
#include "css/property_registry.h"
#include "css/style_maps.h"
#include "css/transform.h"
#include "platform/rtl/geometry.h"

namespace ht {

class TBaseElementStyle;

// What computed style asks of the node it belongs to.
class IStyledElement {
 public:
  virtual TBaseElementStyle* ElementStyle() const = 0;
  virtual IStyledElement* StyleParent() const = 0;     // null at the root
  virtual IStyledElement* StyleContainer() const = 0;  // the containing block's node, or null
  virtual StringView StyleTag() const = 0;             // lower case
  virtual bool IsQuirksMode() const = 0;
  // Addresses of the node's inner size fields: percentage bases that layout
  // fills later, so they must stay valid as long as the node.
  virtual const float* InnerWidthRef() const = 0;
  virtual const float* InnerHeightRef() const = 0;
  virtual const float* RootWidthRef() const = 0;
  virtual const float* RootHeightRef() const = 0;
  virtual uint32_t SizeFlags() const = 0;
  virtual uint32_t DefaultTextColor() const = 0;
  virtual uint32_t DefaultBorderColor() const = 0;
  virtual String DefaultFontName() const = 0;
  virtual THAlign DefaultTextAlign() const = 0;
  // The border width that table layout gave the node's side (0 top .. 3 left).
  virtual float NodeBorderWidth(int Side) const = 0;
  virtual float DeviceScale() const = 0;
  virtual bool Viewport(float& Width, float& Height, float& Scale) const = 0;
  virtual void StyleChanged(bool Recursive) = 0;
  virtual void SetCounter(StringView Name, int32_t Value) = 0;
  virtual void IncrementCounter(StringView Name) = 0;

 protected:
  ~IStyledElement() = default;
};

#define HT_CSS_GENERAL_PROPERTY_VALUES(X) X(cgBorder) X(cgMargin) X(cgPadding) X(cgBackground)
HT_ENUM(TCSSGeneralProperty, uint8_t, HT_CSS_GENERAL_PROPERTY_VALUES);
using TCSSGeneralProperties = uint8_t;  // one bit per TCSSGeneralProperty
constexpr TCSSGeneralProperties GeneralBit(TCSSGeneralProperty g) { return TCSSGeneralProperties(1u << g); }


using TCSSproperties = std::bitset<168>;

// A value saved before a restyle.
struct TCSSPropValueRec {
  PCSSValue Value = nullptr;
  union {
    float AsFloat = 0;  // a length in pixels, a number
    uint32_t AsCardinal;  // a colour, an ordinal, a checksum
  } Number;
  float Length = 0;          // a length's own value before conversion
  uint32_t Checksum = 0;     // of the tokens of a string or a calc() length
  TCSSPropRec* PropRec = nullptr;
};

struct TCSSColumnRule {
  TMeasure Width;
  uint32_t Color = 0;
  TLineStyle Style = lsNone;
};

class TBaseElementStyle : public TMeasureContext {
 public:
  TBaseElementStyle();
  virtual ~TBaseElementStyle();
  TBaseElementStyle(const TBaseElementStyle&) = delete;
  TBaseElementStyle& operator=(const TBaseElementStyle&) = delete;

  IStyledElement* FElement = nullptr;  // not owned
  float IntFontSize = 0;  // font size in pixels before zoom; set by the node after each load
  std::unique_ptr<TElementBackground> FBackground;
  std::vector<PCSSValue> FProps;  // the winning declarations, heaviest first
  std::vector<TCSSPropValueRec> FLastProps;
  TCSSGeneralProperties GeneralProps = 0;
  TCSSGeneralProperties RelativeProps = 0;
  TDisplayStyle fDisplay = dsInline;
  TElementPosition fPosition = epStatic;
  int32_t ZIndex = 0;
  uint8_t Clear = 0;  // 0 none, 1 left, 2 right, 3 both
  THtFontStyles CalculatedTextStyle;
  float Zoom = 1;
  TWhiteSpace WhiteSpace = wsNormal;
  TCSSWordBreak CalculatedWordBreak = wbNormal;
  TCSSDirection CalculatedDirection = cdLTR;
  float CalculatedOpacity = 0;
  TCSSVisibility Visibility = cvVisible;
  uint32_t CurrentPC = 0;
  // Property name as written -> transition; sorted, at most one per name.
  std::unique_ptr<std::map<String, std::unique_ptr<TCSSTransition>>> Transitions;
  std::unique_ptr<TCSSAnimation> Animation;
  TCSSproperties PropertySet;

  TDisplayStyle Display() const { return fDisplay; }
  void SetDisplay(TDisplayStyle Value) { fDisplay = Value; }
  TElementPosition Position() const { return fPosition; }
  void SetPosition(TElementPosition Value) { fPosition = Value; }
  bool IsSet(TCSSProperty Id) const { return PropertySet.test(Id); }

  // Storage and reads.
  PCSSValue FindOwnProp(TCSSProperty PropID) const;
  PCSSValue FindProp(TCSSProperty PropID, bool AInherited) const;
  void GetMeasure(TCSSProperty PropID, TMeasure& M, const float* Parent, bool AInherited, bool ATransitions) const;
  bool GetColorProp(TCSSProperty PropID, uint32_t& Res, bool AInherit, bool ATransitions) const;
  bool GetNumberProp(TCSSProperty PropID, float& Res, bool AInherit, bool ATransitions) const;
  const float* GetPropParent(const TCSSPropRec& Prop) const;
  uint32_t GetLastColorProp(TCSSProperty PropID, bool AInherit) const;
  bool GetLastNumberProp(TCSSProperty PropID, float& Res, bool AInherit) const;
  TElementBackground& Background();

  // Cascade and state.
  void LoadProps(const TCSSWeightList& List, bool Append);
  void UpdateGeneralProps();
  void DeleteProps(const TCSSproperties& Props);
  bool ApplyPseudoClass(TCSSPseudoClass PClass, bool Add);
  void SaveLastProps();
  bool StyleChanged(bool& NeedRecalc, bool& NeedRepaint) const;
  void SetLastPropValue(StringView PropName, double AValue);

  virtual void ApplyProp(PCSSValue Value, TCSSTokenSequence& Seq);
  virtual bool IsSameStyle(TBaseElementStyle& Other, bool Force);
  virtual void ResolveVariables(TCSSTokenSequence& Seq);
  virtual void Inherit(const TBaseElementStyle& s);
  virtual void Reset();
  virtual String FontFamily() const;

  // Transitions and animations.
  void ApplyTransition(TCSSTokenSequence& Seq);
  void ApplyAnimation(TCSSTokenSequence& Seq);
  TCSSAnimation& EnsureAnimation();
  bool GetTransitionColor(TCSSProperty PropID, uint32_t& Res) const;
  bool GetTransitionValue(TCSSProperty PropID, float& Res) const;
  bool GetTransitionMeasure(TCSSProperty PropID, TMeasure& M) const;

  // Typed accessors (unset defaults noted where not the enumeration's first).
  TFloat Float() const;
  TCSSJustifyContent JustifyContent() const;
  TCSSAppearance Appearance() const;
  TElementResize Resize() const;
  TCSSTableLayout TableLayout() const;
  TCSSTextDecorationStyle TextDecorationStyle() const;
  TCSSTextOverflow TextOverflow() const;
  TBackgroundAttachment BackgroundAttachment() const;
  TBackgroundOrigin BackgroundOrigin() const;
  TBackgroundRepeat BackgroundRepeat() const;
  TCSSFlexDirection FlexDirection() const;
  TCSSFlexWrap FlexWrap() const;
  TCSSPageBreak PageBreakBefore() const;
  TCSSPageBreak PageBreakAfter() const;
  TCSSDraggable Draggable() const;
  TCSSAlignItems AlignItems() const;
  TCSSAlignItems AlignSelf() const;  // aiInherit when unset
  TCSSBreakAfter BreakAfter() const;
  TCSSPointerEvents PointerEvents() const;
  TCSSWordBreak WordBreak() const;
  TCSSWordWrap WordWrap() const;
  TCSSWritingMode WritingMode() const;
  TCSSHyphens Hyphens() const;
  TBorderCollapse BorderCollapse() const;
  TCSSDirection Direction() const;
  TCSSCursor Cursor() const;
  TListStyleType ListStyleType() const;  // lstDisk when unset
  TCSSListStylePosition ListStylePosition() const;
  TCSSTextTransform TextTransform() const;
  TCSSPageBreak PageBreakInside() const;
  TCSSTextDecorationLine TextDecorationLine() const;
  TBoxSizing BoxSizing() const;
  TVAlign VerticalAlign() const;
  THAlign TextAlign() const;
  bool ContentEditable() const;
  TElementOverflow OverflowX() const;
  TElementOverflow OverflowY() const;
  THtFontStyles TextStyle() const { return CalculatedTextStyle; }
  THtFontStyles FontStyle() const;
  uint32_t TextColor() const;
  uint32_t TextDecorationColor() const;
  uint32_t BackgroundColor() const;
  bool BackgroundPresent() const;
  float Opacity() const;
  bool NoShadow() const;
  bool NoTextShadow() const;
  float FlexGrow() const;
  float FlexShrink() const;
  int32_t ColumnCount() const;
  int32_t TransitionDelay() const;
  TMeasure Left() const;
  TMeasure Right() const;
  TMeasure Top() const;
  TMeasure Bottom() const;
  TMeasure Width() const;
  TMeasure Height() const;
  TMeasure MinWidth() const;
  TMeasure MaxWidth() const;
  TMeasure MinHeight() const;
  TMeasure MaxHeight() const;
  TMeasure FlexBasis() const;
  TMeasure TextIndent() const;
  TMeasure TabInterval() const;
  TMeasure ColumnWidth() const;
  TMeasure ColumnGap() const;
  TMeasure LetterSpacing() const;
  TMeasure WordSpacing() const;
  TMeasure BackgroundPositionX() const;
  TMeasure BackgroundPositionY() const;
  // Both refer percentages to the element's own inner height. X is the
  // first value; Y the second when it is a length, else the first.
  TMeasure BorderSpacingX() const;
  TMeasure BorderSpacingY() const;
  TMeasure MarginTop() const;
  TMeasure MarginRight() const;
  TMeasure MarginBottom() const;
  TMeasure MarginLeft() const;
  float MarginTopPx() const;
  float MarginRightPx() const;
  float MarginBottomPx() const;
  float MarginLeftPx() const;
  TMeasure PaddingTop() const;
  TMeasure PaddingRight() const;
  TMeasure PaddingBottom() const;
  TMeasure PaddingLeft() const;
  float PaddingTopPx() const;
  float PaddingRightPx() const;
  float PaddingBottomPx() const;
  float PaddingLeftPx() const;
  // Sides: 0 top, 1 right, 2 bottom, 3 left.
  uint32_t GetBorderColor(int Side) const;
  TLineStyle GetBorderStyle(int Side) const;
  TMeasure GetBorderWidth(int Side) const;
  uint32_t BorderTopColor() const { return GetBorderColor(0); }
  uint32_t BorderRightColor() const { return GetBorderColor(1); }
  uint32_t BorderBottomColor() const { return GetBorderColor(2); }
  uint32_t BorderLeftColor() const { return GetBorderColor(3); }
  TLineStyle BorderTopStyle() const { return GetBorderStyle(0); }
  TLineStyle BorderRightStyle() const { return GetBorderStyle(1); }
  TLineStyle BorderBottomStyle() const { return GetBorderStyle(2); }
  TLineStyle BorderLeftStyle() const { return GetBorderStyle(3); }
  TMeasure BorderSideWidth(int Side) const;
  TMeasure BorderTopWidth() const { return BorderSideWidth(0); }
  TMeasure BorderRightWidth() const { return BorderSideWidth(1); }
  TMeasure BorderBottomWidth() const { return BorderSideWidth(2); }
  TMeasure BorderLeftWidth() const { return BorderSideWidth(3); }
  float BorderSideWidthPx(int Side) const;
  float BorderTopWidthPx() const { return BorderSideWidthPx(0); }
  float BorderRightWidthPx() const { return BorderSideWidthPx(1); }
  float BorderBottomWidthPx() const { return BorderSideWidthPx(2); }
  float BorderLeftWidthPx() const { return BorderSideWidthPx(3); }
  bool BorderPresent() const;
  // Whether the four sides can be drawn as one: same style, same pixel
  // width and same colour (always true without a border).
  bool BorderOneStyle() const;
  void BorderRadius(TMeasure& RX, TMeasure& RY) const;
  void BorderTopLeftRadius(TMeasure& RX, TMeasure& RY) const;
  void BorderTopRightRadius(TMeasure& RX, TMeasure& RY) const;
  void BorderBottomLeftRadius(TMeasure& RX, TMeasure& RY) const;
  void BorderBottomRightRadius(TMeasure& RX, TMeasure& RY) const;
  // Whether every corner's radii, in whole pixels, are RX and RY.
  bool BorderOneRadius(int32_t RX, int32_t RY) const;
  void MaxBorderRadiusXY(float& RX, float& RY) const;
  int32_t MaxBorderRadius() const;
  uint32_t OutlineColor() const;
  TLineStyle OutlineStyle() const;
  float OutlineWidthPx() const;
  TElementShadow BoxShadow() const;
  TElementShadow TextShadow() const;
  TCSSColumnRule ColumnRule() const;
  PCSSValue BoxReflect() const;
  PCSSValue Filter() const;
  PCSSValue TabStops() const;
  TMeasure FontSize() const;
  TMeasure LineHeight() const;
  int32_t Page() const;
  String PageSize() const;
  String RunningBlock() const;
  TRect ScaleRect(const TRect& R) const;
  // The transform and its origin; with UseTransitions the running
  // "transform.x" ... "transform.rx" transitions replace their parts.
  void GetTransform(TTransform& T, bool UseTransitions) const;
  bool HasTransform() const;

  // TMeasureContext.
  float MeasureZoom() const override { return Zoom; }
  int MeasureFontSize() const override;
  bool MeasureRootFontSize(int& Px) const override;
  bool MeasureViewport(float& Width, float& Height, float& DeviceScale) const override;

 protected:
  const TBaseElementStyle* parentStyle() const;
  const TCSSTransition* findTransition(TCSSProperty PropID) const;
  uint32_t readColor(PCSSValue Value) const;
  void applyFontWeight(PCSSValue Value, TCSSTokenSequence& Seq);
  void applyWhiteSpace(PCSSValue Value);
  void applyDisplay(PCSSValue Value);
  void applyBackground(PCSSValue Value, TCSSTokenSequence& Seq);
  int ownOrdinal(TCSSProperty Id, int Default) const;
  int inheritedOrdinal(TCSSProperty Id, int Default) const;
  TMeasure length(TCSSProperty Id, const float* Base, bool Inherited) const;
  float pixelShortcut(TCSSProperty Id, TCSSGeneralProperty Group) const;
  TMeasure marginOrPadding(TCSSProperty Id, bool Zero) const;
  TMeasure paddingSide(TCSSProperty Id, int Side) const;
  void cornerRadius(TCSSProperty Corner, int Corner4, TMeasure& RX, TMeasure& RY) const;
  bool anyRadiusSet() const;
  const float* ownW() const;
  const float* ownH() const;
  const float* contW() const;
  const float* contH() const;
  const float* widthLimitBase() const;
  // Points Seq at V's tokens, with currentColor reading this style's colour.
  void initValueSequence(TCSSTokenSequence& Seq, TCSSValue& V) const;
};

}  // namespace ht
