#include <string>

#include "layout/flow.h"
#include "layout_dump.h"
#include "layout_fixture.h"

namespace ht::testing {

class BoxBuildingTest : public LayoutTest {
 protected:
  TElement* Load(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->Tag() == u"body") return static_cast<TElement*>(n);
    return nullptr;
  }
};

TEST_F(BoxBuildingTest, ElementsBecomeRunsInTheirContainersFlow) {
  TElement* body = Load(u"<p>a <span style='padding:0 3px; border-right:2px solid'>b</span> <i></i></p><div></div>");
  ASSERT_TRUE(body);
  body->CalcBoxes(nullptr);
  const std::string dump = DumpRuns(body);
  // The body's flow: one block run per block (their sizes are the sizing
  // pass's).
  EXPECT_EQ(dump.find("flow body\n  p {Block} "), 0u) << dump;
  EXPECT_NE(dump.find("\n  div {Block} "), std::string::npos) << dump;
  // The paragraph's flow: text runs and the inline's opening and closing
  // runs with its left and right edges; the trailing space is trimmed even
  // across the empty inline's runs.
  EXPECT_NE(dump.find("flow p\n"
                      "  'a '[1,1] {Text} 16x16\n"
                      "  'a '[2,1] {Space,Blank,BreakBefore,BreakAfter,Collapsible,Text} 16x16\n"
                      "  span {NoRightBreak,InlineStart} 3x16\n"
                      "  'b'[1,1] {Text} 16x16\n"
                      "  span {InlineEnd} 5x16\n"
                      "  ' '[1,1] {Space,Blank,BreakBefore,BreakAfter,Hidden,Collapsible,Text} 0x16\n"
                      "  i {NoRightBreak,InlineStart} 0x0\n"
                      "  i {InlineEnd} 0x0\n"),
            std::string::npos)
      << dump;
}

TEST_F(BoxBuildingTest, HiddenAndEmptyBoxes) {
  TElement* body = Load(u"<div id=gone>x</div><div id=empty></div>");
  ASSERT_TRUE(body);
  body->CalcBoxes(nullptr);
  auto* gone = static_cast<TElement*>(body->GetNodes()->Get(0));
  auto* empty = static_cast<TElement*>(body->GetNodes()->Get(1));
  EXPECT_EQ(empty->SelfFlow, nullptr);  // a childless block gets no flow
  ASSERT_EQ(gone->LineBlocks.Count(), 1);
  THtLineBlock* old = gone->LineBlocks.Get(0);
  gone->SetAttribute(u"style", u"display:none");
  Doc->CalcSize(800, 600);
  body->CalcBoxes(nullptr);
  EXPECT_EQ(gone->LineBlocks.Count(), 1);  // display none keeps its old runs
  EXPECT_EQ(gone->LineBlocks.Get(0), old);
  EXPECT_EQ(DumpRuns(body).find("flow body\n  div"), 0u);
}

// An inline whose first child is no text takes its own font, which box
// building keeps between passes: a restyle must still show at once.
TEST_F(BoxBuildingTest, InlineFontFollowsARestyle) {
  TElement* body = Load(u"<p><span style='font-size:10px'><b>x</b></span></p>");
  ASSERT_TRUE(body);
  auto* span = static_cast<TElement*>(body->GetChild(0)->GetNodes()->Get(0));
  ASSERT_EQ(span->LineBlocks.Count(), 2);
  EXPECT_EQ(span->LineBlocks.Get(0)->LogicalHeight, 10);
  span->SetAttribute(u"style", u"font-size:20px");
  Doc->CalcSize(800, 600);
  EXPECT_EQ(span->LineBlocks.Get(0)->LogicalHeight, 20);
  EXPECT_EQ(span->LineBlocks.Get(1)->LogicalHeight, 20);
}

}  // namespace ht::testing
