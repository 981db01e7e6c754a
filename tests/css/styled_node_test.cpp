#include "css/styled_node.h"

#include <gtest/gtest.h>

#include "css/property_registry.h"
#include "css/style_maps.h"
#include "css/style_sheet.h"
#include "css/styled_element_link.h"
#include "platform/rtl/enum_table.h"
#include "styled_node_fixture.h"

namespace ht {
namespace {

TEST(StyledNode, ClassOperations) {
  struct Case {
    const char* Op;  // "add", "remove", "toggle"
    const char16_t* Before;
    const char16_t* Arg;
    const char16_t* After;  // nullptr: no class attribute
  };
  const Case cases[] = {
      {"add", u"a b", u"b", u"a b"},     {"add", u"a", u"b", u"a b"},         {"add", nullptr, u"b", u" b"},
      {"remove", u"a b", u"A", u"b"},    {"remove", u"a b", u"c", u"a b"},    {"remove", u"a", u"a", nullptr},
      {"toggle", u"a b", u"b", u"a"},    {"toggle", u"a", u"b", u"a b"},
  };
  for (const Case& c : cases) {
    TStyledHTMLNode n;
    if (c.Before) n.SetStyleClass(c.Before);
    if (std::string_view(c.Op) == "add") n.AddClass(c.Arg);
    else if (std::string_view(c.Op) == "remove") n.RemoveClass(c.Arg);
    else n.ToggleClass(c.Arg);
    SCOPED_TRACE(std::string(c.Op));
    EXPECT_EQ(n.HasAttribute(u"class"), c.After != nullptr);
    if (c.After) {
      EXPECT_EQ(n.GetStyleClass(), c.After);
    }
  }
}

TEST(StyledNode, ClassListIsLowerCasedAndHashed) {
  TStyledHTMLNode n;
  n.SetAttribute(u"class", u"  Big   small ");
  EXPECT_TRUE(n.HasFlag(efMultiClass));
  EXPECT_FALSE(n.HasClass(u"Big"));
  EXPECT_TRUE(n.HasClass(u"big"));
  ASSERT_EQ(n.ClassHashes().size(), 2u);
  EXPECT_EQ(n.ClassHashes()[1].s, u"small");
  EXPECT_NE(n.ClassHashes()[1].hash, 0);
  n.SetAttribute(u"class", u"");
  EXPECT_TRUE(n.ClassHashes().empty());
}

TEST(StyledNode, PresentationalAttributes) {
  struct Case {
    const char16_t* Tag;
    const char16_t* Attr;
    const char16_t* Value;
    const char16_t* Css;  // the presentational declarations afterwards
  };
  const Case cases[] = {
      {u"div", u"align", u"center", u"text-align:xcenter;"},
      {u"div", u"align", u"right", u"text-align:right;"},
      {u"table", u"align", u"center", u""},
      {u"div", u"bgcolor", u"", u""},
      {u"div", u"bgcolor", u"#ff0000", u"background-color:#ff0000;"},
      {u"body", u"leftmargin", u"10", u"margin-left:10px;"},
      {u"div", u"leftmargin", u"10", u""},
      {u"body", u"marginheight", u"4", u"margin-top:4px;margin-bottom:4px;"},
      {u"div", u"dir", u"RTL", u"direction:rtl;"},
      {u"div", u"valign", u"Middle", u"vertical-align:middle;"},
      {u"div", u"valign", u"upward", u""},
      {u"div", u"wrap", u"soft", u"white-space:pre-wrap;"},
      {u"font", u"size", u"+1", u"font-size:18px;"},
      {u"div", u"size", u"7", u""},
      {u"div", u"face", u"Times 'Roman'", u"font-family:'Times \\'Roman\\'';"},
      {u"div", u"background", u"a\").png", u"background-image:url(\"a\\\").png\");"},
      // A value is one value: text that would end the declaration or rule,
      // add a priority or open a comment is refused as a whole.
      {u"div", u"bgcolor", u"red;display:none", u""},
      {u"div", u"color", u"red}*{display:none", u""},
      {u"div", u"width", u"10px !important", u""},
      {u"div", u"height", u"1px/*", u""},
      {u"div", u"color", u"\"red;\"", u"color:\"red;\";"},
  };
  for (const Case& c : cases) {
    TStyledHTMLNode n;
    n.SetTag(c.Tag);
    n.SetAttribute(c.Attr, c.Value);
    EXPECT_EQ(n.VirtualSelfStyle(), String(c.Css));
  }
}

TEST(StyledNode, InjectedDeclarationNeverReachesTheOwnSheet) {
  TStyledHTMLNode n;
  n.SetTag(u"div");
  n.SetAttribute(u"bgcolor", u"red;display:none");
  n.SetAttribute(u"color", u"blue");
  TCSSStyleSheet* own = n.EnsureSelfStyleSheet();
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->ValuebyName(u"display").empty());
  EXPECT_TRUE(own->ValuebyName(u"background-color").empty());
  EXPECT_FALSE(own->ValuebyName(u"color").empty());
}

TEST(StyledNode, PresentationalValuesAreReadAsTheTokenizerReadsThem) {
  struct Case {
    const char16_t* Name;
    const char16_t* Value;
  } cases[] = {
      {u"bgcolor", u"url(x'y);display:none;')"},
      {u"color", u"url(x'y);display:none;')"},
      {u"width", u"url(x'y);display:none;')"},
      {u"height", u"url(x\"y);display:none;\")"},
      {u"background", u"x\");display:none;(\""},
      {u"background", u"x');display:none;('"},
      {u"bgcolor", u"url(\\);display:none;)"},
  };
  for (const Case& c : cases) {
    TStyledHTMLNode n;
    n.SetTag(u"body");
    n.SetAttribute(c.Name, c.Value);
    n.SetAttribute(u"leftmargin", u"url(a'b);display:none;')");
    TCSSStyleSheet* own = n.EnsureSelfStyleSheet();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->ValuebyName(u"display").empty()) << StringToUtf8(c.Name) << "=" << StringToUtf8(c.Value);
  }
  TStyledHTMLNode ok;
  ok.SetAttribute(u"background", u"a b.png");
  ok.SetAttribute(u"bgcolor", u"rgb(1, 2, 3)");
  EXPECT_FALSE(ok.EnsureSelfStyleSheet()->ValuebyName(u"background-image").empty());
  EXPECT_FALSE(ok.EnsureSelfStyleSheet()->ValuebyName(u"background-color").empty());
}

TEST(StyledNode, VirtualDeclarationReplacesTheOldOne) {
  TStyledHTMLNode n;
  n.AddVirtualCSS2(u"color", u"red");
  n.AddVirtualCSS2(u"color", u"blue");
  n.AddVirtualCSS2(u"color", u" ");
  const String& css = n.VirtualSelfStyle();
  EXPECT_EQ(css.find(u"color"), css.rfind(u"color"));
  EXPECT_NE(css.find(u"blue"), String::npos);
}

TEST(StyledNode, CounterText) {
  const struct { TListStyleType Type; int Value; const char16_t* Text; } cases[] = {
      {lstUpperRoman, 4, u"IV"},       {lstUpperRoman, 1994, u"MCMXCIV"}, {lstLowerRoman, 3999, u"mmmcmxcix"},
      {lstUpperRoman, 4000, u"4000"},  {lstUpperRoman, 2000000000, u"2000000000"},
      {lstUpperRoman, 0, u""},         {lstLowerAlpha, 4, u"d"},          {lstLowerAlpha, 26, u"z"},
      {lstLowerAlpha, 27, u"aa"},      {lstUpperLatin, 28, u"AB"},        {lstLowerLatin, 702, u"zz"},
      {lstLowerAlpha, 703, u"aaa"},    {lstLowerAlpha, 0, u"0"},          {lstDecimal, -3, u"-3"},
  };
  for (const auto& c : cases) EXPECT_EQ(TStyledHTMLNode::CounterText(c.Type, c.Value), String(c.Text)) << c.Value;
}

TEST(StyledNode, CountersIncrementTheNearestReset) {
  TTestStyledNode root;
  TTestStyledNode* list = root.Add(u"ol");
  list->SetCounter(u"item", 0);
  TTestStyledNode* first = list->Add(u"li");
  TTestStyledNode* second = list->Add(u"li");
  first->SetCounter(u"sub", 5);
  second->IncrementCounter(u"sub");   // a preceding sibling holds it
  second->IncrementCounter(u"item");  // the parent holds it
  second->IncrementCounter(u"none");
  EXPECT_EQ(first->Counters[0].Value, 6);
  EXPECT_EQ(list->Counters[0].Value, 1);
  EXPECT_TRUE(list->HasFlag(efHasCounters));
}

TEST(StyledNode, FlagsLangAndContainer) {
  TTestStyledNode root;
  root.SetTag(u"html");
  TTestStyledNode* mid = root.Add(u"span");
  mid->S().FDisplay = dsInline;
  TTestStyledNode* leaf = mid->Add(u"b");
  root.SetAttr(u"lang", u"de");
  mid->SetAttr(u"lang", u"");
  EXPECT_EQ(leaf->Lang(), u"de");
  leaf->FindContainer();
  EXPECT_EQ(leaf->Container, &root);  // the unfloated inline span is passed over
  leaf->SetFlag(efDrawn, true, true, false);
  EXPECT_TRUE(root.HasFlag(efDrawn));
  root.SetFlag(efVisible, true, false, true, mid);
  EXPECT_TRUE(mid->HasFlag(efVisible));
  EXPECT_FALSE(leaf->HasFlag(efVisible));
  EXPECT_EQ(leaf->HtmlElement(), &root);
}

TEST(StyledNode, CollectsDeclarationsInCascadeOrder) {
  RegisterCSSProperties();
  TCSSStyleSheet sheet;
  sheet.Parse(u".a { color: red } div { color: green } #x { width: 5px }", -1, false);
  TStyledHTMLNode root;
  TStyledHTMLNode* n = static_cast<TStyledHTMLNode*>(root.AddChild(&TStyledHTMLNode::ClassType));
  n->SetTag(u"div");
  n->SetAttribute(u"class", u"A");
  n->SetAttribute(u"style", u"color: blue");
  n->SetAttribute(u"bgcolor", u"#00ff00");
  TCSSWeightList wl;
  TCSSStyleSheet* sheets[] = {&sheet};
  n->CollectDeclarations(sheets, wl);
  ASSERT_EQ(wl.Count(), 4);
  // Type rule, class rule, then the own sheet: presentational before inline.
  EXPECT_EQ(wl.ValueAt(0)->Name, u"color");
  EXPECT_EQ(wl.ValueAt(2)->Name, u"background-color");
  EXPECT_EQ(wl.ValueAt(3)->Name, u"color");
  EXPECT_EQ(wl.WeightAt(3), InlineStyleWeight);
}

TEST(StyledNode, ParsedTreeRenamesNestedBodyAndColourTags) {
  TStyledHTMLNode root;
  root.Parse(u"<body><p class='X y'>a<body>b</body><c:blue>c</c:blue></p></body>");
  THtNode* p = root.FindNode(u"p");
  ASSERT_NE(p, nullptr);
  auto* sp = dynamic_cast<TStyledHTMLNode*>(p);
  ASSERT_NE(sp, nullptr);
  EXPECT_TRUE(sp->HasClass(u"x"));
  EXPECT_NE(root.FindNode(u"xbody"), nullptr);
  auto* span = dynamic_cast<TStyledHTMLNode*>(root.FindNode(u"span"));
  ASSERT_NE(span, nullptr);
  EXPECT_EQ(span->VirtualSelfStyle(), u"color:blue;");
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

TEST(StyledNode, SelectorQueries) {
  TStyledHTMLNode root;
  root.SetTag(u"html");
  root.Parse(u"<div><p class=a>1</p></div><p class=a>2</p><p class=b>3</p>");
  EXPECT_EQ(root.GetJQueryList(u"p", false)->Count(), 3);
  // FirstOnly: the first match lies below the starting level; the next
  // child matches itself and ends the search, so two nodes come back.
  EXPECT_EQ(root.GetJQueryList(u"p", true)->Count(), 2);
  EXPECT_EQ(root.JQuery(u"p.b, div", false)->Count(), 2);
  EXPECT_EQ(root.JQuery(u"", false)->Count(), 0);
  int visited = 0;
  root.JQuery(u"p", [&](THtNode*, bool& go) {
    ++visited;
    go = false;
  });
  EXPECT_EQ(visited, 1);
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

// A parsed tree whose styles come from Css, with the root as "html".
struct TCascadedTree {
  TCSSStyleSheet Sheet;
  TCascadeNode Root;
  TCascadedTree(StringView Css, StringView Html, StringView RootTag = u"html") {
    RegisterCSSProperties();
    Sheet.Parse(String(Css), -1, false);
    Sheet.TestMediaSets(cmScreen, 800, 800);
    Root.SetTag(RootTag);
    Root.Parse(String(Html));
    TCSSStyleSheet* sheets[] = {&Sheet};
    CascadeTree(Root, sheets);
  }
  TStyledHTMLNode* Find(StringView Query, int Index = 0) {
    auto list = Root.GetJQueryList(Query, false);
    return Index < list->Count() ? dynamic_cast<TStyledHTMLNode*>(list->Get(Index)) : nullptr;
  }
  void Restyle() {
    TCSSStyleSheet* sheets[] = {&Sheet};
    CascadeTree(Root, sheets);
  }
};

TBaseElementStyle& styleOf(TStyledHTMLNode* N) { return *TStyledElementLink::Of(N)->ElementStyle(); }

// One computed value of N as text, named by its property.
std::string computed(TStyledHTMLNode* N, std::string_view What) {
  TBaseElementStyle& s = styleOf(N);
  char buf[32];
  if (What == "color") snprintf(buf, sizeof buf, "%08X", s.TextColor());
  else if (What == "background-color") snprintf(buf, sizeof buf, "%08X", s.BackgroundPresent() ? s.BackgroundColor() : 0u);
  else if (What == "width") snprintf(buf, sizeof buf, "%g", s.Width().ToPixels());
  else if (What == "text-align") return std::string(EnumName(s.TextAlign()));
  else if (What == "cursor") return std::string(EnumName(s.Cursor()));
  else if (What == "list-style-type") return std::string(EnumName(s.ListStyleType()));
  else if (What == "text-transform") return std::string(EnumName(s.TextTransform()));
  else return "?";
  return buf;
}

// Whole cascades as a page writes them, read back through styled nodes.
TEST(StyledNode, CascadeTable) {
  constexpr TCSSPseudoClass none = pcNone;
  struct Case {
    const char16_t* Css;
    const char16_t* Html;
    const char16_t* Target;  // selector query for the node read
    TCSSPseudoClass State;   // set on the target, then restyled
    const char* What;
    const char* Expected;
    const char16_t* RootTag = u"html";
  } cases[] = {
      // Dynamic and structural state reaches matching.
      {u"a{color:blue} a:hover{color:red}", u"<a>x</a>", u"a", pcHover, "color", "FFFF0000"},
      {u"a{color:blue} a:hover{color:red}", u"<a>x</a>", u"a", none, "color", "FF0000FF"},
      {u"input:focus{color:red}", u"<input>", u"input", pcFocus, "color", "FFFF0000"},
      {u"input:checked{color:red}", u"<input>", u"input", pcChecked, "color", "FFFF0000"},
      {u"p:first-child{color:red}", u"<div><p>1</p><p>2</p></div>", u"p", none, "color", "FFFF0000"},
      {u"p:first-child{color:red}", u"<div><p>1</p><p id=b>2</p></div>", u"#b", none, "color", "FF000000"},
      {u"a:link{color:red}", u"<a href=x>x</a>", u"a", none, "color", "FFFF0000"},
      // Comments are no siblings.
      {u"h1+p{color:red}", u"<h1>t</h1><!-- c --><p>x</p>", u"p", none, "color", "FFFF0000"},
      {u"p:first-child{color:red}", u"<div><!-- c --><p>1</p></div>", u"p", none, "color", "FFFF0000"},
      {u"p:nth-child(2){color:red}", u"<div><!-- c --><p>1</p><p id=b>2</p></div>", u"#b", none, "color",
       "FFFF0000"},
      // Inline importance beats the sheet's.
      {u"p{color:red!important}", u"<p style=\"color:blue!important\">x</p>", u"p", none, "color", "FF0000FF"},
      {u"#a{color:red!important}", u"<p id=a style=\"color:blue!important\">x</p>", u"p", none, "color",
       "FF0000FF"},
      {u"p{color:red!important}", u"<p style=\"color:blue\">x</p>", u"p", none, "color", "FFFF0000"},
      // Universal rules of other media are never merged.
      {u"* {color:red} @media print {* {color:blue}}", u"<p>x</p>", u"p", none, "color", "FFFF0000"},
      {u"@media print {* {color:blue}} * {background-color:red}", u"<p>x</p>", u"p", none, "background-color",
       "FFFF0000"},
      {u"*{color:red} @media screen{*{color:blue}} *{color:green}", u"<p>x</p>", u"p", none, "color", "FF008000"},
      // inherit on keyword properties takes the parent's value.
      {u"tr{text-align:right} th{text-align:inherit}", u"<table><tr><th>x</th></tr></table>", u"th", none,
       "text-align", "thRight"},
      {u"div{cursor:pointer} p{cursor:inherit}", u"<div><p>x</p></div>", u"p", none, "cursor", "ecPointer"},
      {u"ul{list-style-type:square} li{list-style-type:inherit}", u"<ul><li>x</li></ul>", u"li", none,
       "list-style-type", "lstSquare"},
      {u"div{text-transform:uppercase} p{text-transform:inherit}", u"<div><p>x</p></div>", u"p", none,
       "text-transform", "cttUpperCase"},
      // rem against the topmost element when there is no "html".
      {u"body{font-size:20px} p{width:2rem}", u"<p>x</p>", u"p", none, "width", "40", u"body"},
      {u"html{font-size:10px} p{width:2rem}", u"<body><p>x</p></body>", u"p", none, "width", "20"},
  };
  for (const Case& c : cases) {
    TCascadedTree t(c.Css, c.Html, c.RootTag);
    TStyledHTMLNode* n = t.Find(c.Target);
    ASSERT_NE(n, nullptr) << StringToUtf8(c.Css);
    if (c.State != pcNone) {
      styleOf(n).ApplyPseudoClass(c.State, true);
      t.Restyle();
    }
    EXPECT_EQ(computed(n, c.What), c.Expected) << StringToUtf8(c.Css) << " " << StringToUtf8(c.Html);
  }
}

TEST(StyledNode, UnknownPseudoClassKeepsItsRuleAndVariables) {
  TCascadedTree t(u":root { --main: red; color: blue } :not(:nosuch) { color: green } p { width: 5px }",
                  u"<p>x</p>");
  ASSERT_TRUE(t.Sheet.Variables);
  THtObject* v = nullptr;
  EXPECT_TRUE(t.Sheet.Variables->TryGetValue(u"main", v));
  // The rule never matches; the :not() one would match everything and is dropped.
  EXPECT_EQ(computed(t.Find(u"p"), "color"), "FF000000");
  EXPECT_EQ(computed(t.Find(u"p"), "width"), "5");
}

TEST(StyledNode, ParentlessPercentagesUseTheRootSize) {
  struct TRootNode : TCascadeNode {
    float W = 800, H = 600;
    const float* RootWidthRef() const override { return &W; }
    const float* RootHeightRef() const override { return &H; }
  };
  RegisterCSSProperties();
  TCSSStyleSheet sheet;
  sheet.Parse(u"html { width: 50% }", -1, false);
  TRootNode root;
  root.SetTag(u"html");
  TCSSStyleSheet* sheets[] = {&sheet};
  CascadeTree(root, sheets);
  EXPECT_EQ(computed(&root, "width"), "400");
  EXPECT_EQ(root.ExpandContent(u"a(b)"), u"a(b)");
  EXPECT_EQ(root.InternalObject(), nullptr);
}

TEST(StyledNode, MergedSheetKeepsEachDocumentsOrder) {
  RegisterCSSProperties();
  TCSSStyleSheet shared, a, b;
  shared.Parse(u"p { color: red }", -1, false);
  a.Assign(shared);
  a.Parse(u"p { color: blue }", -1, false);
  b.Parse(u"i { color: green } b { color: green }", -1, false);
  b.Assign(shared);
  TCascadeNode root;
  root.SetTag(u"html");
  root.Parse(u"<p>x</p>");
  TCSSStyleSheet* sheets[] = {&a};
  CascadeTree(root, sheets);
  auto* p = dynamic_cast<TStyledHTMLNode*>(root.GetJQueryList(u"p", false)->Get(0));
  EXPECT_EQ(computed(p, "color"), "FF0000FF");
}

TEST(StyledNode, ListItemTextCarriesItsMarker) {
  struct Case {
    const char16_t* Type;
    const char16_t* Start;  // the list's "start" attribute
    const char16_t* Second;  // the second item's text
  };
  const Case cases[] = {
      {u"decimal", u"", u"\r\n2. b"},        {u"upper-roman", u"3", u"\r\nIV. b"},
      {u"lower-alpha", u"x", u"\r\nb. b"},   {u"disc", u"5", u"\r\n* b"},
      {u"square", u"", u"\r\n* b"},          {u"none", u"", u"\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Type));
    const String css = u"ol { display: block; list-style-type: " + String(c.Type) + u" } li { display: list-item }";
    const String start = *c.Start ? u" start='" + String(c.Start) + u"'" : String();
    TCascadedTree t(css, u"<ol" + start + u"><li>a</li><li>b</li></ol>");
    TStyledHTMLNode* li = t.Find(u"li", 1);
    ASSERT_NE(li, nullptr);
    ASSERT_EQ(li->Container, t.Find(u"ol"));
    EXPECT_EQ(li->GetInnerText(), c.Second);
  }
}

TEST(StyledNode, HiddenNodesHaveNoText) {
  TCascadedTree t(u"div { display: block } p { display: none }",
                  u"<div>a<p>hidden</p><script>x=1</script><style>b{}</style>c</div>");
  TStyledHTMLNode* div = t.Find(u"div");
  ASSERT_NE(div, nullptr);
  EXPECT_EQ(div->GetInnerText(), u"ac");
  EXPECT_EQ(t.Find(u"p")->GetInnerText(), u"");
}

TEST(StyledNode, BackgroundColorStopsAtTheFirstBlock) {
  TCascadedTree t(u"div, p { display: block } span, b { display: inline } .bg { background-color: #ff0000 }",
                  u"<div class=bg><span><b>x</b></span><p><span>y</span></p></div><span>z</span>");
  TStyledHTMLNode* div = t.Find(u"div");
  const uint32_t red = TStyledElementLink::Of(div)->ElementStyle()->BackgroundColor();
  EXPECT_NE(red, 0u);
  EXPECT_EQ(t.Find(u"b")->BackgroundColor(), red);     // through two inline boxes
  EXPECT_EQ(t.Find(u"p span")->BackgroundColor(), 0u);  // the paragraph ends the walk
  EXPECT_EQ(t.Find(u"span", 2)->BackgroundColor(), 0u);
}

TEST(StyledNode, ColumnCount) {
  struct Case {
    const char16_t* Css;
    float InnerWidth;
    int Count;
  };
  const Case cases[] = {
      {u"column-count: 3", 500, 3},
      {u"", 500, 1},
      {u"column-width: 100px; column-gap: 20px", 500, 4},  // (500 + 20) / 120
      {u"column-count: 1; column-width: 100px; column-gap: 0", 350, 3},
      {u"column-width: 600px; column-gap: 0", 500, 1},  // wider than the box: still one
      {u"column-width: 0; column-gap: 0", 500, 1},      // no finite count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Css));
    TCascadedTree t(u"div { display: block; " + String(c.Css) + u" }", u"<div></div>");
    TStyledHTMLNode* div = t.Find(u"div");
    div->InnerWidth = c.InnerWidth;
    EXPECT_EQ(div->ColumnCount(), c.Count);
  }
}

TEST(StyledNode, PagePositionRoundsHalvesToEven) {
  struct Case {
    float Real, Outer, Margin;
    int Page;
  };
  const Case cases[] = {{0.5f, 0, 0, 0}, {1.5f, 0, 0, 2}, {2, 0.5f, 0, 2}, {10, 3, 2.6f, 16}, {-0.5f, 0, 0, 0}};
  for (const Case& c : cases) {
    TTestStyledNode n;
    n.S();
    n.FRealLeft = n.FRealTop = c.Real;
    n.OuterRect = {c.Outer, c.Outer, c.Outer + 100, c.Outer + 100};
    n.MarginLeft = n.MarginTop = c.Margin;
    EXPECT_EQ(n.PageX(), c.Page) << c.Real << " " << c.Outer << " " << c.Margin;
    EXPECT_EQ(n.PageY(), c.Page);
  }
}

TEST(StyledNode, DebugPrintListsTheSubtree) {
  TTestStyledNode root;
  root.SetTag(u"div");
  root.SetAttribute(u"class", u"a");
  root.SetAttribute(u"id", u"x");
  root.OuterRect = {1.5f, 2.5f, 10.4f, 20.6f};
  TTestStyledNode* b = root.Add(u"b");
  b->FRealLeft = 3;
  b->FRealTop = 4.4f;
  TTestStyledNode* text = b->Add(u"");
  text->SetContent(u"t");
  std::vector<String> lines;
  root.DebugPrint(u" ", lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], u"&nbsp;<b>div</b>.a#x<span color=\"green\"></span> [0, 0] (2, 2, 10, 21)<br>");
  EXPECT_EQ(lines[1], u"&nbsp;&nbsp;&nbsp;<b>b</b><span color=\"green\"></span> [3, 4] (0, 0, 0, 0)<br>");
  EXPECT_EQ(lines[2], u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<b></b><span color=\"green\">t</span> [0, 0] (0, 0, 0, 0)<br>");
}

}  // namespace
}  // namespace ht
