// The style pass over a loaded document, generated content and animated
// values. This suite sees computed style, not the canvas.
#include <gtest/gtest.h>

#include "document/animation.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "trace_document.h"

namespace ht::testing {

namespace {

std::unique_ptr<THtDocument> load(const String& html) {
  auto doc = MakeTraceDocument();
  doc->Parse(html);
  return doc;
}

TElement* byId(THtDocument& doc, StringView id) {
  for (THtNode* n = &doc; n; n = n->NextNode())
    if (n->GetAttribute(u"id") == id) return dynamic_cast<TElement*>(n);
  return nullptr;
}

TElementStyle& styleOf(TElement* e) { return *ElementStyleOf(e); }

uint32_t colorOf(TElement* e) {
  uint32_t c = 0;
  styleOf(e).GetColorProp(cspColor, c, true, false);
  return c;
}

}  // namespace

TEST(StylePass, EveryElementIsStyledAndASecondPassOnlyWalks) {
  auto doc = load(u"<style>p { color: red } .b { display: none }</style><div><p id=p>x</p><p id=q class=b>y</p></div>");
  TElement* p = byId(*doc, u"p");
  ASSERT_TRUE(p);
  EXPECT_EQ(colorOf(p), 0xFFFF0000u);
  EXPECT_TRUE(p->HasFlag(efVisible));
  EXPECT_FALSE(byId(*doc, u"q")->HasFlag(efVisible));
  EXPECT_FALSE(doc->CalcStyle(doc->Styles.get()));
}

TEST(StylePass, StructuralPseudoClassesAreRecomputed) {
  auto doc = load(
      u"<style>p:first-of-type { color: red } p:only-of-type { color: blue }</style>"
      u"<div id=one><p id=only>a</p></div><div id=two><p id=first>b</p><p id=second>c</p></div>");
  EXPECT_EQ(colorOf(byId(*doc, u"only")), 0xFF0000FFu);
  EXPECT_EQ(colorOf(byId(*doc, u"first")), 0xFFFF0000u);
  EXPECT_NE(colorOf(byId(*doc, u"second")), 0xFFFF0000u);
  // A new first child: the old first loses first-of-type on the next pass.
  TElement* two = byId(*doc, u"two");
  auto fresh = doc->CreateElement(u"p");
  two->InsertAfter(nullptr, fresh.release());
  doc->RecalcStyles();
  EXPECT_NE(colorOf(byId(*doc, u"first")), 0xFFFF0000u);
}

TEST(StylePass, ZLevelsAndBlockification) {
  auto doc = load(
      u"<div id=c style='position:relative;z-index:2'><span id=z style='position:relative;z-index:5'>a</span>"
      u"<span id=big style='position:relative;z-index:200000000'>b</span></div>"
      u"<span id=f style='float:left'>c</span><div id=x style='position:absolute;display:flex'>d</div>"
      u"<div id=cell style='display:table-cell'>e</div><div id=rel style='position:relative'>f"
      u"<span id=z16 style='position:relative;z-index:5'>g</span></div>");
  // The container is positioned (z 1) without being a stacking context.
  EXPECT_EQ(styleOf(byId(*doc, u"z16")).ZIndex, 16);
  EXPECT_EQ(styleOf(byId(*doc, u"z")).ZIndex, 15);
  EXPECT_EQ(styleOf(byId(*doc, u"big")).ZIndex, 300000000);
  EXPECT_EQ(styleOf(byId(*doc, u"f")).Display(), dsBlock);
  EXPECT_EQ(styleOf(byId(*doc, u"x")).Display(), dsBlock);
  EXPECT_EQ(styleOf(byId(*doc, u"cell")).Display(), dsInlineBlock);
  EXPECT_TRUE(byId(*doc, u"cell")->HasFlag(efTableCell));
  TElement* rel = byId(*doc, u"rel");
  EXPECT_EQ(styleOf(rel).ZIndex, 1);
  // Listed in the nearest stacking context up the container chain.
  auto* ctx = dynamic_cast<TElement*>(rel->Container);
  while (ctx && !ctx->HasFlag(efStackingContext)) ctx = dynamic_cast<TElement*>(ctx->Container);
  ASSERT_TRUE(ctx);
  EXPECT_NE(std::find(ctx->FZLevels.begin(), ctx->FZLevels.end(), 1), ctx->FZLevels.end());
}

TEST(StylePass, InlineSheetsAreSharedUnlessPresentational) {
  auto doc = load(u"<p id=a style='color:red'>a</p><p id=b style='color:red'>b</p><p id=c style='color:red' align=center>c</p>");
  EXPECT_EQ(byId(*doc, u"a")->SelfStyleSheet(), byId(*doc, u"b")->SelfStyleSheet());
  EXPECT_NE(byId(*doc, u"a")->SelfStyleSheet(), byId(*doc, u"c")->SelfStyleSheet());
  EXPECT_EQ(colorOf(byId(*doc, u"c")), 0xFFFF0000u);
}

TEST(StylePass, BodyLinkColourIsOneValue) {
  auto doc = load(u"<body link=red><a id=a href=x>l</a></body>");
  EXPECT_EQ(colorOf(byId(*doc, u"a")), 0xFFFF0000u);
  auto bad = load(u"<body link='red;} p {color:blue'><p id=p>l</p></body>");
  EXPECT_NE(colorOf(byId(*bad, u"p")), 0xFF0000FFu);
}

TEST(StylePass, VariablesFallBackAndCyclesEnd) {
  auto doc = load(
      u"<style>:root{--b: rgb(0,0,255); --c: var(--b); --x: var(--y); --y: var(--x)}"
      u" #m{color: var(--missing, rgb(255,0,0))} #n{color: var(--c)} #o{color: var(--x, rgb(0,128,0))}</style>"
      u"<p id=m>a</p><p id=n>b</p><p id=o>c</p>");
  EXPECT_EQ(colorOf(byId(*doc, u"m")), 0xFFFF0000u);
  EXPECT_EQ(colorOf(byId(*doc, u"n")), 0xFF0000FFu);
  (void)colorOf(byId(*doc, u"o"));  // ends, whatever it yields
}

TEST(GeneratedContent, CountersAttributesAndNone) {
  auto doc = load(
      u"<style>body { counter-reset: chapter } h2 { counter-increment: chapter } h2::before { content: 'Chapter ' counter(chapter) '. ' }"
      u" li { counter-increment: item } ol { counter-reset: item }"
      u" li::after { content: counters(item, '.') } #t::before { content: attr(title) }"
      u" #u::before { content: counter(nothing) } #n1::before { content: 'none' } #n2::before { content: 'x' none }"
      u" ol.s li::before { content: counter(list-item) '. ' } #q::before { content: attr(title }"
      u"</style><h2>a</h2><h2>b</h2><h2 id=h>c</h2>"
      u"<ol><li>1</li><li>2<ol><li>a</li><li>b</li><li id=deep>c</li></ol></li></ol>"
      u"<p id=t>t</p><p id=u>u</p><p id=n1>n</p><p id=n2>n</p><p id=q title=z>q</p>"
      u"<ol class=s start=10><li>a</li><li>b</li><li>c</li><li id=fourth>d</li></ol>"
      u"<ol class=s start=x><li>a</li><li>b</li><li>c</li><li id=fourthx>d</li></ol>");
  auto before = [&](StringView id) { return static_cast<TElement*>(byId(*doc, id)->Before)->Content(); };
  EXPECT_EQ(before(u"h"), u"Chapter 3. ");
  EXPECT_EQ(static_cast<TElement*>(byId(*doc, u"deep")->After)->Content(), u"2.3");
  EXPECT_EQ(before(u"t"), u"");
  EXPECT_EQ(before(u"u"), u"");
  EXPECT_EQ(before(u"n1"), u"none");
  EXPECT_EQ(before(u"n2"), u"");
  EXPECT_EQ(before(u"fourth"), u"13. ");
  EXPECT_EQ(before(u"fourthx"), u"4. ");
}

TEST(GeneratedContent, MarkerTextBecomesTheItemsContent) {
  auto doc = load(u"<style>li::marker { content: counter(list-item) ') ' }</style><ol><li>a</li><li id=b>b</li></ol>");
  EXPECT_EQ(byId(*doc, u"b")->Content(), u"2) ");
}

TEST(GeneratedContent, ExpandContentAtPaintTime) {
  auto doc = load(u"<p id=p title=T>x</p>");
  TElement* p = byId(*doc, u"p");
  doc->Page = 1;
  EXPECT_EQ(p->ExpandContent(u"counter(page) of counter(pagecount)"), u"2 of $$|$#");
  EXPECT_EQ(static_cast<TElement*>(p->GetNode(0))->ExpandContent(u"attr(title)"), u"T");
  EXPECT_EQ(p->ExpandContent(u"none"), u"none");
  EXPECT_EQ(p->ExpandContent(u"counter(zz"), u"");
}

TEST(Animation, ColourStepsArePremultipliedAndRounded) {
  std::atomic<uint32_t> slot{0};
  TAnimatedColor c;
  c.Start(0xFFFF0000u, 0xFF0000FFu, 1000, 1, &slot);
  EXPECT_TRUE(c.StepValue(500));
  EXPECT_EQ(slot.load(), 0xFF7F0080u);
  TAnimatedColor w;
  w.Start(0x00000000u, 0xFFFFFFFFu, 1000, 1, &slot);
  w.StepValue(1);
  EXPECT_EQ(slot.load(), 0u);
  w.StepValue(500);
  EXPECT_EQ(slot.load() & 0x00FFFFFFu, 0x00FFFFFFu);
}

TEST(Animation, DelayAndSnapping) {
  std::atomic<float> v{-1};
  TAnimatedFloat f;
  f.Timing = tmLinear;
  f.Start(0, 100, 1000, 100, &v);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(f.NextStep(30));
  EXPECT_TRUE(f.NextStep(30));
  EXPECT_EQ(f.TimeSumMs(), 20);
  EXPECT_FLOAT_EQ(v.load(), 2.0f);
  TAnimatedFloat same;
  same.Start(5, 5.000001f, 1000, 0, &v);
  EXPECT_FALSE(same.Active());
  TAnimatedFloat snap;
  snap.Timing = tmLinear;
  snap.Start(0, 200, 1000, 1, &v);
  snap.StepValue(996);
  EXPECT_EQ(v.load(), 200.0f);
}

TEST(Animation, EaseValueAtHalfTime) {
  struct Case {
    TCSSTiming t;
    float expected;
  } cases[] = {{tmEase, 50}, {tmEaseInOut, 50}, {tmLinear, 50}, {tmEaseIn, 25}, {tmEaseOut, 75}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(EaseValue(50, 0, 100, 100, c.t), c.expected) << int(c.t);
}

TEST(Animation, HoverTransitionStartsOneColourAnimation) {
  auto doc = load(u"<style>#a { background-color: red; transition: background-color 1s }"
                  u" #a:hover { background-color: blue }</style><div id=a>x</div>");
  TElement* a = byId(*doc, u"a");
  EXPECT_EQ(doc->AnimationCount(), 0u);
  a->SetPseudoClass(pcHover, true, false);
  doc->CalcStyle(doc->Styles.get());
  EXPECT_EQ(doc->AnimationCount(), 1u);
  EXPECT_EQ(std::count(doc->FTransitionElements.begin(), doc->FTransitionElements.end(), a), 1);
  a->SetPseudoClass(pcHover, false, false);
  doc->CalcStyle(doc->Styles.get());
  EXPECT_EQ(doc->AnimationCount(), 1u);  // restarted, not added
  EXPECT_EQ(std::count(doc->FTransitionElements.begin(), doc->FTransitionElements.end(), a), 1);
  for (int i = 0; i < 120 && doc->AnimationCount(); ++i) doc->Animate(10);
  EXPECT_EQ(doc->AnimationCount(), 0u);
}

TEST(Animation, TransformSplitsIntoChannels) {
  auto doc = load(u"<style>#a { transition: transform 1s } #a:hover { transform: translateX(100px) rotate(45deg) }"
                  u"</style><div id=a>x</div>");
  TElement* a = byId(*doc, u"a");
  a->SetPseudoClass(pcHover, true, false);
  doc->CalcStyle(doc->Styles.get());
  EXPECT_EQ(doc->AnimationCount(), 2u);
  auto& list = *styleOf(a).Transitions;
  EXPECT_TRUE(list.count(u"transform.x"));
  EXPECT_TRUE(list.count(u"transform.r"));
  EXPECT_FALSE(list.count(u"transform.sx"));
}

TEST(Animation, KeyframeAnimationHasOneDriver) {
  auto doc = load(u"<style>@keyframes k { from { color: red } to { color: blue } }"
                  u" #a { animation: k 1s infinite }</style><div id=a>x</div>");
  EXPECT_EQ(doc->AnimationCount(), 1u);
  doc->RecalcStyles();
  EXPECT_EQ(doc->AnimationCount(), 1u);
}

}  // namespace ht::testing
