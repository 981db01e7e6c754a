#include "layout/flow.h"
#include "layout_fixture.h"

namespace ht::testing {

class IntrinsicWidthsTest : public LayoutTest {
 protected:
  // The body's children after box building.
  std::vector<TElement*> Build(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
    TElement* body = nullptr;
    for (THtNode* n = Doc.get(); n && !body; n = n->NextNode())
      if (n->Tag() == u"body") body = static_cast<TElement*>(n);
    std::vector<TElement*> out;
    if (!body) return out;
    body->CalcBoxes(nullptr);
    for (int i = 0; i < body->Count(); ++i)
      if (auto* e = AsElement(body->GetNodes()->Get(i)); e && !e->IsText()) out.push_back(e);
    return out;
  }
};

TEST_F(IntrinsicWidthsTest, ContentAndStyleWidthsMeet) {
  auto e = Build(
      u"<div style='width:200px; font-size:30px'>xxxxxxxxxx</div>"
      u"<div style='max-width:100px'>aaaa bbbb cccc</div>"
      u"<div style='max-width:50%'>aaaa bbbb cccc</div>"
      u"<div style='width:120px'></div>"
      u"<div></div>");
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0]->MinContentWidth(), 300);  // the unbreakable word wins over the width
  EXPECT_EQ(e[0]->MaxContentWidth(), 300);
  EXPECT_EQ(e[1]->MaxContentWidth(), 100);  // capped by a fixed max-width
  EXPECT_EQ(e[1]->MinContentWidth(), 64);
  EXPECT_EQ(e[2]->MaxContentWidth(), 224);  // a percentage does not cap
  EXPECT_EQ(e[3]->MinContentWidth(), 120);  // no flow: the style width
  // An empty block in a container of fixed width gets a fixed width of its
  // own: its min-content width is that width.
  EXPECT_EQ(e[4]->MinContentWidth(), e[4]->InnerWidth);
  EXPECT_EQ(e[4]->MaxContentWidth(), 0);
}

TEST_F(IntrinsicWidthsTest, ContainersAddTheirChildrensWidths) {
  auto e = Build(
      u"<div style='display:flex'><p style='margin:0'>aa bb</p><p style='margin:0'>cccc</p></div>"
      u"<div style='display:flex; flex-direction:column'><p style='margin:0'>aa bb</p><p style='margin:0'>cccc</p></div>"
      u"<div style='white-space:nowrap'>aa bb</div>");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0]->MaxContentWidth(), 80 + 64);  // a row adds max-content widths
  EXPECT_EQ(e[0]->MinContentWidth(), 64);
  EXPECT_EQ(e[1]->MaxContentWidth(), 80);  // a column takes the widest
  EXPECT_EQ(e[2]->MinContentWidth(), 80);  // nowrap: the whole line
}

}  // namespace ht::testing
