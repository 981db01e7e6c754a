// Incremental layout: after one element's style changes, the boxes that
// kept their layout must leave the document exactly as a full layout does.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "layout/box_dump.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout_fixture.h"

namespace ht::testing {

namespace {

const char16_t* const kPage =
    u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem} .c{margin:4px 0}</style>"
    u"<div id=a class=c>aaa bbb ccc ddd eee fff ggg</div>"
    u"<div id=b class=c style='padding:2px'><p id=b1>hhh iii</p><p id=b2>jjj kkk lll</p>"
    u"<div id=b3 style='width:50%'>mmm nnn ooo ppp</div></div>"
    u"<div id=fw style='overflow:hidden'><div id=f style='float:left;width:60px'>qqq rrr</div>"
    u"<div id=g class=c>sss ttt uuu vvv www xxx yyy zzz</div></div>"
    u"<div id=h style='overflow:hidden'><span id=s>aa</span> <div id=ib style='display:inline-block'>bb cc</div>"
    u" dd</div>"
    u"<div id=pos style='position:relative'><div id=abs style='position:absolute;left:5px;top:5px'>ee</div>"
    u"<div id=k>ff gg hh</div></div>"
    u"<div id=l style='height:50px'><div id=l1 style='height:50%'>ii</div></div>"
    u"<div id=m>jj kk ll mm nn oo pp qq rr ss tt uu vv</div>";

const char16_t* const kIds[] = {u"a", u"b", u"b1", u"b2", u"b3", u"fw", u"f", u"g", u"h", u"ib", u"pos", u"abs",
                                u"k", u"l", u"l1", u"m", u"s"};

const char16_t* const kStyles[] = {
    u"width:300px", u"width:120px",      u"margin-top:12px", u"padding:3px",  u"font-size:20px",
    u"height:30px", u"border:2px solid", u"width:40%",       u"margin:0 9px", u"",
};

TElement* byId(THtDocument& Doc, StringView Id) {
  for (THtNode* n = &Doc; n; n = n->NextNode())
    if (n->GetAttribute(u"id") == Id) return static_cast<TElement*>(n);
  return nullptr;
}

}  // namespace

class IncrementalLayoutTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    Full = std::make_unique<THtDocument>(Doc->CanvasClass, false);
    Full->EnableIncrementalLayout = false;
    Doc->Parse(kPage);
    Full->Parse(kPage);
    Doc->CalcSize(800, 600);
    Full->CalcSize(800, 600);
  }
  void Change(StringView Id, StringView Css) {
    for (THtDocument* d : {Doc.get(), Full.get()}) {
      byId(*d, Id)->SetAttribute(u"style", Css);
      d->CalcSize(800, 600);
    }
  }
  std::unique_ptr<THtDocument> Full;  // laid out in full every time
};

TEST_F(IncrementalLayoutTest, RandomSingleChangesLeaveWhatAFullLayoutLeaves) {
  ASSERT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  std::mt19937 rng(29);
  for (int i = 0; i < 80; ++i) {
    const char16_t* id = kIds[rng() % std::size(kIds)];
    const char16_t* css = kStyles[rng() % std::size(kStyles)];
    SCOPED_TRACE(::testing::Message() << "step " << i << ": #" << std::string(id, id + String(id).size()) << " "
                                      << std::string(css, css + String(css).size()));
    Change(id, css);
    ASSERT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  }
}

TEST_F(IncrementalLayoutTest, ListItemsKeepTheirLayoutAsAFullLayoutWould) {
  // List items with inline content, with blocks inside, inside markers and
  // numbered items, in nested lists.
  const char16_t* const page =
      u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem} li{margin:3px 0}</style>"
      u"<ul id=u><li id=u1>aa bb cc dd ee</li><li id=u2><p id=u2p>ff gg</p><p>hh ii jj</p></li>"
      u"<li id=u3 style='list-style-position:inside'>kk ll mm nn oo pp</li></ul>"
      u"<ol id=o start=3><li id=o1>qq rr</li><li id=o2>ss<ul><li id=n1>tt uu vv</li><li id=n2>ww</li></ul></li></ol>"
      u"<p id=after>xx yy zz</p>";
  const char16_t* const ids[] = {u"u", u"u1", u"u2", u"u2p", u"u3", u"o", u"o1", u"o2", u"n1", u"n2", u"after"};
  Doc = std::make_unique<THtDocument>(Full->CanvasClass, false);
  Full = std::make_unique<THtDocument>(Full->CanvasClass, false);
  Full->EnableIncrementalLayout = false;
  for (THtDocument* d : {Doc.get(), Full.get()}) {
    d->Parse(page);
    d->CalcSize(800, 600);
  }
  ASSERT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  std::mt19937 rng(26);
  for (int i = 0; i < 60; ++i) {
    const char16_t* id = ids[rng() % std::size(ids)];
    const char16_t* css = kStyles[rng() % std::size(kStyles)];
    SCOPED_TRACE(::testing::Message() << "step " << i << ": #" << std::string(id, id + String(id).size()) << " "
                                      << std::string(css, css + String(css).size()));
    Change(id, css);
    ASSERT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  }
  // A taller item moves the next one without laying it out.
  TElement* u3 = byId(*Doc, u"u3");
  ASSERT_TRUE(u3 && u3->SelfFlow && u3->SelfFlow->FirstBlock);
  THtLineBlock* run = u3->SelfFlow->FirstBlock;
  const float left = run->Left;
  run->Left = left + 0.25f;
  const float top = u3->OuterRect.Top;
  Change(u"u1", u"height:100px");
  EXPECT_EQ(run->Left, left + 0.25f);
  EXPECT_GT(u3->OuterRect.Top, top);
}

TEST_F(IncrementalLayoutTest, AStylePassOverCleanSubtreesRestylesWhatAFullOneDoes) {
  // The style pass walks only the paths to stale nodes; the other document
  // restyles every node each time. Classes reach descendants, children and
  // next siblings; new markup lands inside subtrees the pass passed over.
  const char16_t* const page =
      u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem} .w p{width:90px} .w>div{margin:5px}"
      u" .x+div{padding:7px} .y{font-size:20px} .y span{font-size:5px} li:first-child{height:13px}"
      u" i{display:block;height:9px}</style>"
      u"<div id=a><div id=a1><p id=p1>aa bb cc</p><div id=a2>dd <span id=s1>ee</span></div></div>"
      u"<div id=a3>ff gg</div></div>"
      u"<div id=b><ul id=u><li id=l1>hh</li><li id=l2>ii jj</li></ul><div id=b1><p id=p2>kk ll mm</p></div>"
      u"<table id=t><tr><td id=c1>nn</td><td id=c2><div id=c3>oo pp</div></td></tr></table></div>";
  const char16_t* const ids[] = {u"a", u"a1", u"p1", u"a2", u"s1", u"a3", u"b", u"u",
                                 u"l1", u"l2", u"b1", u"p2", u"c1", u"c2", u"c3"};
  const char16_t* const classes[] = {u"w", u"x", u"y", u"", u"w y"};
  const char16_t* const markup[] = {u"<p>qq rr</p>", u"<li>ss</li><li>tt uu</li>", u"<span>vv</span> ww",
                                    u"<div class=w><p>xx</p><div>yy</div></div>"};
  Doc = std::make_unique<THtDocument>(Full->CanvasClass, false);
  Full = std::make_unique<THtDocument>(Full->CanvasClass, false);
  for (THtDocument* d : {Doc.get(), Full.get()}) {
    d->Parse(page);
    d->CalcSize(800, 600);
  }
  std::mt19937 rng(18);
  for (int i = 0; i < 60; ++i) {
    const char16_t* id = ids[rng() % std::size(ids)];
    const unsigned kind = rng() % 5;
    const unsigned pick = unsigned(rng());
    SCOPED_TRACE(::testing::Message() << "step " << i << ": #" << std::string(id, id + String(id).size())
                                      << " kind " << kind << " pick " << pick);
    for (THtDocument* d : {Doc.get(), Full.get()}) {
      TElement* e = byId(*d, id);
      if (!e) continue;  // replaced by an earlier step, in both documents
      if (kind == 0) e->SetAttribute(u"class", classes[pick % std::size(classes)]);
      else if (kind == 1) e->SetAttribute(u"style", kStyles[pick % std::size(kStyles)]);
      else if (kind == 2 && e->Tag() != u"table") e->SetInnerHTML(markup[pick % std::size(markup)]);
      else if (kind == 3 && e->Tag() != u"table") {
        // A bare new child marks nothing; the next style pass must still
        // reach it.
        static_cast<TElement*>(e->AddChild(&TElement::ClassType))->SetTag(u"i");
        d->Changed = true;
      }
      if (d == Full.get()) d->RecalcStyles();
      d->CalcSize(800, 600);
    }
    ASSERT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  }
}

TEST_F(IncrementalLayoutTest, ABoxWhoseInputsStayedKeepsItsLayout) {
  // Mark a run of a later sibling: a box laid out again would place it anew.
  TElement* m = byId(*Doc, u"m");
  ASSERT_TRUE(m && m->SelfFlow && m->SelfFlow->FirstBlock);
  THtLineBlock* run = m->SelfFlow->FirstBlock;
  const float left = run->Left;
  run->Left = left + 0.25f;
  const float top = m->OuterRect.Top;
  // A taller box above moves the sibling down without laying it out.
  Change(u"a", u"height:100px");
  EXPECT_EQ(run->Left, left + 0.25f);
  EXPECT_GT(m->OuterRect.Top, top);
  run->Left = left;
  EXPECT_EQ(LayoutDump(*Doc), LayoutDump(*Full));
  // A narrower viewport lays out everything.
  run->Left = left + 0.25f;
  Doc->CalcSize(700, 600);
  EXPECT_EQ(run->Left, left);
}

}  // namespace ht::testing
