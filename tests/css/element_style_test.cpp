// Computed style: cascade load, apply routines, inheritance, change
// detection, transitions and animations as data, and the typed accessors.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

#include "css/element_style.h"
#include "css_test_helpers.h"

namespace ht {
namespace {

struct TFakeElement : IStyledElement {
  explicit TFakeElement(TFakeElement* AParent = nullptr) : Parent(AParent), Container(AParent) { Style.FElement = this; }

  TBaseElementStyle* ElementStyle() const override { return const_cast<TBaseElementStyle*>(&Style); }
  IStyledElement* StyleParent() const override { return Parent; }
  IStyledElement* StyleContainer() const override { return Container; }
  StringView StyleTag() const override { return Tag; }
  bool IsQuirksMode() const override { return Quirks; }
  const float* InnerWidthRef() const override { return &InnerWidth; }
  const float* InnerHeightRef() const override { return &InnerHeight; }
  const float* RootWidthRef() const override { return &InnerWidth; }
  const float* RootHeightRef() const override { return &InnerHeight; }
  uint32_t SizeFlags() const override { return 0; }
  uint32_t DefaultTextColor() const override { return 0xFF000000; }
  uint32_t DefaultBorderColor() const override { return 0xFF808080; }
  String DefaultFontName() const override { return u"Default Sans"; }
  THAlign DefaultTextAlign() const override { return thLeft; }
  float NodeBorderWidth(int) const override { return 0; }
  float DeviceScale() const override { return 1; }
  bool Viewport(float&, float&, float&) const override { return false; }
  void StyleChanged(bool) override { ++Changed; }
  void SetCounter(StringView Name, int32_t Value) override { Counters[String(Name)] = Value; }
  void IncrementCounter(StringView Name) override { ++Counters[String(Name)]; }

  TBaseElementStyle Style;
  TFakeElement* Parent;
  TFakeElement* Container;
  String Tag = u"div";
  bool Quirks = false;
  float InnerWidth = 200, InnerHeight = 100;
  int Changed = 0;
  std::map<String, int> Counters;
};

class ElementStyleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterCSSProperties(); }

  // Each block is one rule; later blocks weigh more.
  void Fill(TCSSWeightList& WL, std::initializer_list<const char16_t*> Blocks) {
    uint32_t weight = 1;
    for (const char16_t* block : Blocks) {
      Sheets.push_back(std::make_unique<TParsedSheet>(String(u"x{") + block + u"}"));
      for (auto& section : Sheets.back()->Sheet.Sections)
        for (TCSSValue& v : section->CompiledValues) WL.AddValue(weight, weight, &v);
      ++weight;
    }
  }
  // A restyle of E: reset, inherit, load.
  void Restyle(TFakeElement& E, std::initializer_list<const char16_t*> Blocks) {
    TCSSWeightList wl;
    Fill(wl, Blocks);
    E.Style.Reset();
    if (E.Parent) E.Style.Inherit(E.Parent->Style);
    E.Style.LoadProps(wl, false);
    E.Style.IntFontSize = 16;
  }
  void Append(TFakeElement& E, std::initializer_list<const char16_t*> Blocks) {
    TCSSWeightList wl;
    Fill(wl, Blocks);
    E.Style.LoadProps(wl, true);
  }
  std::vector<std::unique_ptr<TParsedSheet>> Sheets;
};

TEST_F(ElementStyleTest, HeavierDeclarationWinsAndAutoLengthsLeaveTheSet) {
  TFakeElement e;
  Restyle(e, {u"width:10px; margin-left:auto", u"width:20px"});
  EXPECT_EQ(e.Style.FindOwnProp(cspWidth)->Measure.FValue, 20);
  int widths = 0;
  for (PCSSValue v : e.Style.FProps) widths += v->PropRec->Id == cspWidth;
  EXPECT_EQ(widths, 1);
  EXPECT_TRUE(e.Style.IsSet(cspMarginLeft));  // auto is meaningful for margins

  Restyle(e, {u"width:10px", u"width:auto"});
  EXPECT_FALSE(e.Style.IsSet(cspWidth));
  EXPECT_TRUE(e.Style.Width().GetAuto());
}

TEST_F(ElementStyleTest, OnlyTheWinnerIsApplied) {
  TFakeElement e;
  Restyle(e, {u"counter-increment: lost; animation: spin 1s; z-index: 4", u"counter-increment: won; animation: none; z-index: 2"});
  EXPECT_EQ(e.Counters.count(u"lost"), 0u);
  EXPECT_EQ(e.Counters[u"won"], 1);
  EXPECT_EQ(e.Style.Animation, nullptr);
  EXPECT_EQ(e.Style.ZIndex, 2);
}

TEST_F(ElementStyleTest, AppendedKeyframeStandsFirst) {
  TFakeElement e;
  Restyle(e, {u"color:red"});
  Append(e, {u"color:blue"});
  EXPECT_EQ(e.Style.FProps.size(), 2u);
  EXPECT_EQ(e.Style.TextColor(), 0xFF0000FFu);
}

TEST_F(ElementStyleTest, FontWeightAndStyleBits) {
  struct Case {
    const char16_t* Parent;
    const char16_t* Child;
    THtFontStyles Expected;
  };
  const THtFontStyles bold{hfsBold}, light{hfsLight}, italic{hfsItalic}, none;
  const Case cases[] = {
      {u"font-weight:bold", u"font-weight:300", light},
      {u"font-weight:300", u"font-weight:500", none},  // a heavier weight drops an inherited light
      {u"font-weight:bold", u"font-weight:200", {hfsUltraLight}},
      {u"font-weight:300", u"font-weight:bold", bold},
      {u"font-weight:bold", u"font-weight:inherit", bold},
      {u"font-style:italic", u"font-style:inherit", italic},
      {u"font-style:italic", u"font-style:normal", none},
      {u"font-style:italic; font-weight:bold; text-decoration:underline", u"text-decoration:inherit",
       {hfsBold, hfsItalic, hfsUnderline}},
      {u"text-decoration:underline", u"text-decoration-line:line-through", {hfsUnderline, hfsStrikeOut}},
      {u"text-decoration:underline", u"text-decoration-line:none", none},
      {u"", u"text-decoration:underline line-through", {hfsUnderline, hfsStrikeOut}},
  };
  for (const Case& c : cases) {
    TFakeElement parent;
    TFakeElement child(&parent);
    Restyle(parent, {c.Parent});
    Restyle(child, {c.Child});
    EXPECT_EQ(child.Style.CalculatedTextStyle.ToBits(), c.Expected.ToBits()) << String(c.Parent).size() << " " << String(c.Child).size();
  }
}

TEST_F(ElementStyleTest, InheritedComputedFields) {
  TFakeElement root;
  Restyle(root, {u"position:inherit; zoom:150%; white-space:pre; direction:rtl; word-break:break-all"});
  EXPECT_EQ(root.Style.Position(), epStatic);
  EXPECT_FLOAT_EQ(root.Style.Zoom, 1.5f);

  TFakeElement child(&root);
  Restyle(child, {u"position:inherit"});
  root.Style.SetPosition(epAbsolute);
  Restyle(child, {u"position:inherit"});
  EXPECT_EQ(child.Style.Position(), epAbsolute);
  EXPECT_FLOAT_EQ(child.Style.Zoom, 1.5f);
  EXPECT_EQ(child.Style.WhiteSpace, wsPre);

  TFakeElement table(&root);
  table.Tag = u"table";
  table.Quirks = true;
  Restyle(table, {u""});
  EXPECT_EQ(table.Style.WhiteSpace, wsNormal);
  EXPECT_EQ(table.Style.CalculatedWordBreak, wbNormal);
  EXPECT_EQ(table.Style.CalculatedDirection, cdRTL);
}

TEST_F(ElementStyleTest, ZIndexIsBoundedBothWays) {
  const std::pair<const char16_t*, int32_t> cases[] = {
      {u"z-index:5e9", 100000000}, {u"z-index:-5e9", -100000000}, {u"z-index:2.5", 2}, {u"z-index:-3", -3}};
  for (const auto& [decl, expected] : cases) {
    TFakeElement e;
    Restyle(e, {decl});
    EXPECT_EQ(e.Style.ZIndex, expected) << expected;
  }
}

TEST_F(ElementStyleTest, StyleChangedDecidesLayoutOrRepaint) {
  struct Case {
    const char16_t* Before;
    const char16_t* After;
    bool Result, Recalc, Repaint;
  };
  const Case cases[] = {
      {u"display:block; color:red", u"display:block; color:red", false, false, false},
      {u"display:block; color:red", u"color:red", true, true, true},
      {u"color:red", u"color:blue", true, false, true},
      {u"color:red", u"", false, false, true},  // only colours were removed
      {u"font-family:Arial", u"font-family:Verdana", true, true, true},
      {u"width:calc(10px + 5%)", u"width:calc(20px + 5%)", true, true, true},
      {u"width:10px", u"width:10.00001px", false, false, false},
      {u"opacity:0.5", u"opacity:0.6", true, false, true},
      {u"border-top:1px solid red", u"border-top:2px solid red", true, true, true},
  };
  for (const Case& c : cases) {
    TFakeElement e;
    Restyle(e, {c.Before});
    e.Style.SaveLastProps();
    Restyle(e, {c.After});
    bool recalc = false, repaint = false;
    EXPECT_EQ(e.Style.StyleChanged(recalc, repaint), c.Result) << String(c.After).size();
    EXPECT_EQ(recalc, c.Recalc) << String(c.After).size();
    EXPECT_EQ(repaint, c.Repaint) << String(c.After).size();
  }
}

TEST_F(ElementStyleTest, ColourReadsAndPseudoClasses) {
  TFakeElement parent;
  TFakeElement child(&parent);
  Restyle(parent, {u"color:#00ff00"});
  Restyle(child, {u"background-color:inherit"});
  uint32_t c = 0;
  EXPECT_TRUE(child.Style.GetColorProp(cspColor, c, true, false));
  EXPECT_EQ(c, 0xFF00FF00u);
  TFakeElement lone;
  Restyle(lone, {u""});
  EXPECT_TRUE(lone.Style.GetColorProp(cspColor, c, true, false));
  EXPECT_EQ(c, 0xFF000000u);

  EXPECT_TRUE(child.Style.ApplyPseudoClass(pcHover, true));
  EXPECT_FALSE(child.Style.ApplyPseudoClass(pcHover, true));
  EXPECT_EQ(child.Changed + parent.Changed, 2);
}

TEST_F(ElementStyleTest, TableCellHeightWithoutTableDoesNotCrash) {
  TFakeElement row;
  TFakeElement cell2(&row);
  Restyle(row, {u"display:table-row"});
  Restyle(cell2, {u"display:table-cell; height:50%"});
  EXPECT_EQ(cell2.Style.Height().Parent, nullptr);
}

// ---- transitions and animations ----

TEST_F(ElementStyleTest, TransitionShorthand) {
  struct Case {
    const char16_t* Decl;
    const char16_t* Name;
    int32_t Duration, Delay;
    TCSSTiming Timing;
    size_t Count;
  };
  const Case cases[] = {
      {u"transition: color 1s ease-in .5s", u"color", 1000, 500, tmEaseIn, 1},
      {u"transition: opacity 1s, opacity 2s", u"opacity", 1000, -1, tmEase, 1},
      {u"transition: 1s", u"all", 1000, -1, tmEase, 1},
      {u"transition: width 200s", u"width", 100000, -1, tmEase, 1},
      {u"transition: background 1s linear", u"background-color", 1000, -1, tmLinear, 2},
  };
  for (const Case& c : cases) {
    TFakeElement e;
    Restyle(e, {c.Decl});
    ASSERT_TRUE(e.Style.Transitions) << String(c.Name).size();
    EXPECT_EQ(e.Style.Transitions->size(), c.Count);
    const TCSSTransition& t = *e.Style.Transitions->at(c.Name);
    EXPECT_EQ(t.Duration, c.Duration);
    EXPECT_EQ(t.Delay, c.Delay);
    EXPECT_EQ(t.Timing, c.Timing);
    EXPECT_EQ(t.Prop == nullptr, String(c.Name) == u"all");
  }
}

TEST_F(ElementStyleTest, RunningTransitionAnswersFirst) {
  TFakeElement e;
  Restyle(e, {u"transition: width 1s; width: 10px; color: red; transition-duration: 2s"});
  TCSSTransition& t = *e.Style.Transitions->at(u"width");
  EXPECT_EQ(t.Duration, 2000);
  EXPECT_EQ(e.Style.Width().FValue, 10);
  t.CurrentValue = 30;
  t.Active = true;
  e.Style.Zoom = 2;
  EXPECT_EQ(e.Style.Width().FValue, 15);
}

TEST_F(ElementStyleTest, AnimationStepClock) {
  TCSSAnimation a;
  a.Steps = {0, 50, 100};
  a.Duration = 1000;
  a.Iterations = 1;
  EXPECT_EQ(a.StepDuration(), 0);
  EXPECT_EQ(a.StepTime, 500);

  TCSSAnimation one;
  one.Steps = {0};
  one.Duration = 1000;
  EXPECT_FALSE(one.Step(10));

  TCSSAnimation b;
  b.Steps = {0, 100};
  b.Duration = 1000;
  b.Iterations = 1;
  b.Step(10);
  EXPECT_EQ(b.CurrentStep, 0);
  b.Step(10);
  EXPECT_EQ(b.CurrentStep, 1);
  int ticks = 2;
  while (b.Elapsed >= 0 && ticks < 200) {
    b.Step(10);
    ++ticks;
  }
  EXPECT_EQ(b.Elapsed, -1);
  EXPECT_EQ(b.Iterations, 0);
  EXPECT_GT(ticks, 100);
}

TEST_F(ElementStyleTest, AnimationDeclarations) {
  TFakeElement e;
  Restyle(e, {u"animation: pulse 200s ease-out infinite"});
  ASSERT_TRUE(e.Style.Animation);
  EXPECT_EQ(e.Style.Animation->Name, u"pulse");
  EXPECT_EQ(e.Style.Animation->Duration, 100000);
  EXPECT_EQ(e.Style.Animation->Timing, tmEaseOut);
  EXPECT_EQ(e.Style.Animation->Iterations, -1);
  EXPECT_TRUE(e.Style.Animation->Active);
  e.Style.Reset();
  EXPECT_FALSE(e.Style.Animation->Active);
}

// ---- accessors ----

TEST_F(ElementStyleTest, BorderAccessors) {
  TFakeElement e;
  const std::pair<const char16_t*, float> widths[] = {
      {u"border-top: thin solid red", 1}, {u"border-top: medium solid red", 3}, {u"border-top: thick solid red", 5},
      {u"border: 2px dotted", 2}, {u"border: none", 0}, {u"border-style: solid", 3},
      {u"border: thick solid", 5}, {u"border-style: solid; border-width: thin", 1}};
  for (const auto& [decl, px] : widths) {
    Restyle(e, {decl});
    EXPECT_EQ(e.Style.BorderTopWidthPx(), px) << px;
    EXPECT_EQ(e.Style.BorderTopWidth().ToPixels(), px) << px;
  }
  struct Outline {
    const char16_t* Decl;
    float Px;
    TLineStyle Style;
  };
  const Outline outlines[] = {{u"outline-style: dashed; outline-width: 4px", 4, lsDashed},
                              {u"outline: thick solid", 5, lsSolid},
                              {u"outline: solid thin red", 1, lsSolid},
                              {u"outline: 2px dotted", 2, lsDotted},
                              {u"outline-width: medium", 3, lsNone}};
  for (const Outline& o : outlines) {
    Restyle(e, {o.Decl});
    EXPECT_EQ(e.Style.OutlineWidthPx(), o.Px) << o.Px;
    EXPECT_EQ(e.Style.OutlineStyle(), o.Style) << o.Px;
  }
  Restyle(e, {u"border: 1px solid #ff0000"});
  EXPECT_EQ(e.Style.BorderLeftColor(), 0xFFFF0000u);
  EXPECT_EQ(e.Style.BorderLeftStyle(), lsSolid);
  EXPECT_TRUE(e.Style.BorderPresent());
}

TEST_F(ElementStyleTest, BorderOneStyle) {
  const std::pair<const char16_t*, bool> cases[] = {
      {u"", true},
      {u"border: 1px solid red", true},
      {u"border: 1px solid red; border-left-color: blue", false},
      {u"border: 1px solid; border-top-width: 2px", false},
      {u"border: 1px solid; border-bottom-style: dashed", false},
      // side shorthands carry their own colours
      {u"border-top: 1px solid red; border-right: 1px solid blue; border-bottom: 1px solid red; "
       u"border-left: 1px solid red",
       false},
      {u"border-top: 1px solid red; border-right: 1px solid red; border-bottom: 1px solid red; "
       u"border-left: 1px solid red",
       true},
  };
  for (const auto& [decl, expected] : cases) {
    TFakeElement e;
    Restyle(e, {decl});
    EXPECT_EQ(e.Style.BorderOneStyle(), expected) << String(decl).size();
  }
}

TEST_F(ElementStyleTest, BorderOneRadius) {
  struct Case {
    const char16_t* Decl;
    int32_t RX, RY;
    bool Expected;
  };
  const Case cases[] = {
      {u"", 0, 0, true},
      {u"", 1, 1, false},
      {u"border-radius: 4px", 4, 4, true},
      {u"border-radius: 4px", 4, 3, false},
      {u"border-radius: 4px 5px", 4, 4, false},
      {u"border-radius: 2.5px", 3, 3, true},  // whole pixels, halves away from zero
      {u"border-radius: 10%", 20, 20, true},  // both radii refer to the 200px width
      {u"border-radius: 0", 0, 0, true},
  };
  for (const Case& c : cases) {
    TFakeElement e;
    Restyle(e, {c.Decl});
    EXPECT_EQ(e.Style.BorderOneRadius(c.RX, c.RY), c.Expected) << String(c.Decl).size() << " " << c.RX;
  }
}

TEST_F(ElementStyleTest, BorderRadiusRefersToTheLargerSide) {
  TMeasure rx, ry;
  TFakeElement wide;
  Restyle(wide, {u"border-radius: 10% / 20%"});
  wide.Style.BorderRadius(rx, ry);
  EXPECT_FLOAT_EQ(rx.ToPixels(), 20);
  EXPECT_FLOAT_EQ(ry.ToPixels(), 40);
  TFakeElement tall;
  tall.InnerWidth = 50;
  tall.InnerHeight = 300;
  Restyle(tall, {u"border-radius: 10%"});
  tall.Style.BorderRadius(rx, ry);
  EXPECT_FLOAT_EQ(rx.ToPixels(), 30);
  EXPECT_FLOAT_EQ(ry.ToPixels(), 30);
  // A style not yet on a node has no sizes: percentages come to nothing.
  TBaseElementStyle loose;
  TCSSWeightList wl;
  Fill(wl, {u"border-radius: 10%"});
  loose.LoadProps(wl, false);
  loose.BorderRadius(rx, ry);
  EXPECT_EQ(rx.Parent, nullptr);
  EXPECT_FLOAT_EQ(rx.ToPixels(), 0);
}

TEST_F(ElementStyleTest, BorderSpacing) {
  struct Case {
    const char16_t* Decl;
    float X, Y;
  };
  const Case cases[] = {
      {u"border-spacing: 2px 5px", 2, 5},
      {u"border-spacing: 4px", 4, 4},
      {u"border-spacing: 10% 20%", 10, 20},  // the own height (100) for both
      {u"border-spacing: 3px red", 3, 3},    // a second token that is no length
  };
  for (const Case& c : cases) {
    TFakeElement e;
    Restyle(e, {c.Decl});
    EXPECT_FLOAT_EQ(e.Style.BorderSpacingX().ToPixels(), c.X) << c.X;
    EXPECT_FLOAT_EQ(e.Style.BorderSpacingY().ToPixels(), c.Y) << c.X;
  }
  TFakeElement table;
  TFakeElement cell(&table);
  Restyle(table, {u"border-spacing: 2px 5px"});
  Restyle(cell, {u""});
  EXPECT_TRUE(cell.Style.BorderSpacingX().Has(mfInitial));
  EXPECT_TRUE(cell.Style.BorderSpacingY().Has(mfInitial));
}

TEST_F(ElementStyleTest, CornerRadii) {
  TFakeElement e;
  TMeasure rx, ry;
  Restyle(e, {u"border-radius: 5px / 10px"});
  e.Style.BorderTopRightRadius(rx, ry);
  EXPECT_EQ(rx.FValue, 5);
  EXPECT_EQ(ry.FValue, 5);
  e.Style.BorderRadius(rx, ry);
  EXPECT_EQ(rx.FValue, 5);
  EXPECT_EQ(ry.FValue, 10);
  Restyle(e, {u"border-radius: 1px 2px 3px 4px"});
  const std::pair<void (TBaseElementStyle::*)(TMeasure&, TMeasure&) const, float> corners[] = {
      {&TBaseElementStyle::BorderTopLeftRadius, 1}, {&TBaseElementStyle::BorderTopRightRadius, 2},
      {&TBaseElementStyle::BorderBottomRightRadius, 3}, {&TBaseElementStyle::BorderBottomLeftRadius, 4}};
  for (const auto& [corner, value] : corners) {
    (e.Style.*corner)(rx, ry);
    EXPECT_EQ(rx.FValue, value);
  }
  EXPECT_EQ(e.Style.MaxBorderRadius(), 4);
}

TEST_F(ElementStyleTest, LengthAccessorsAndDefaults) {
  TFakeElement e;
  Restyle(e, {u"column-gap: normal; padding: 1px 2px 3px"});
  EXPECT_EQ(e.Style.ColumnGap().FMUnit, muEM);
  EXPECT_EQ(e.Style.ColumnGap().FValue, 1);
  EXPECT_EQ(e.Style.PaddingBottom().FValue, 3);
  EXPECT_EQ(e.Style.PaddingRight().FValue, 2);
  EXPECT_EQ(e.Style.MarginLeft().Flags, MeasureFlags(mfNotAuto, mfInitial, mfZero));

  Restyle(e, {u"font: 12px/20px Arial"});
  EXPECT_EQ(e.Style.LineHeight().FValue, 20);
  EXPECT_EQ(e.Style.FontSize().FValue, 12);
  Restyle(e, {u"font: 12px Arial"});
  EXPECT_FLOAT_EQ(e.Style.LineHeight().FValue, 1.2f);
  EXPECT_EQ(e.Style.LineHeight().FMUnit, muNone);
}

TEST_F(ElementStyleTest, KeywordAccessorsAndTextAlign) {
  TFakeElement root;
  TFakeElement table(&root);
  TFakeElement cell(&table);
  Restyle(root, {u"text-align:right; cursor:pointer"});
  Restyle(table, {u"display:table"});
  table.Style.SetDisplay(dsTable);
  Restyle(cell, {u"float:left"});
  EXPECT_EQ(cell.Style.Float(), fLeft);
  EXPECT_EQ(table.Style.Float(), fNone);
  EXPECT_EQ(cell.Style.Cursor(), root.Style.Cursor());
  EXPECT_EQ(cell.Style.TextAlign(), thRight);
  EXPECT_TRUE(cell.Style.ContentEditable());
  EXPECT_EQ(cell.Style.FontFamily(), u"Default Sans");
}

}  // namespace
}  // namespace ht

