// The document selection over tables made of the table classes: cell
// blocks follow the grid (spans included) and the selected text joins the
// cells of a row with a space.
#include "elements/table_fixture.h"
#include "layout/text_element.h"

namespace ht::testing {

class TableSelectionTest : public TableTest {
 protected:
  TDocSelection& Sel() { return Doc->Selection; }
  TElement* TextIn(StringView Id) { return AsElement(ById(Id)->GetNode(0)); }
};

TEST_F(TableSelectionTest, CellBlocksFollowTheGrid) {
  TTableElement* t = Load(
      u"<table><tr><td id=a1>a1</td><td id=b1 colspan=2>b1</td></tr>"
      u"<tr><td id=a2>a2</td><td id=b2>b2</td><td id=c2>c2</td></tr>"
      u"<tr><td id=a3>a3</td><td id=b3>b3</td><td id=c3>c3</td></tr></table>");
  ASSERT_TRUE(t);
  Doc->CalcSize(800, 600);
  Sel().SetStartElement(TextIn(u"a1"));
  Sel().StartPos = 1;
  Sel().SetEndElement(TextIn(u"b1"));
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_TRUE(Sel().SingleTable);
  EXPECT_EQ(Sel().SelectedRows(), 1);
  EXPECT_EQ(Sel().SelectedCols(), 3);  // b1 spans two columns
  EXPECT_EQ(Sel().Text(), u"a1 b1");
  EXPECT_FALSE(Sel().InSelection(t));
  // To c2: columns 0..2 of rows 0..1.
  Sel().SetEndElement(TextIn(u"c2"));
  EXPECT_EQ(Sel().SelectedRows(), 2);
  EXPECT_EQ(Sel().SelectedCols(), 3);
  EXPECT_TRUE(Sel().InSelection(Cell(u"b2")));
  EXPECT_FALSE(Sel().InSelection(Cell(u"a3")));
  EXPECT_EQ(Sel().LastCell(), Cell(u"c2"));
  // The whole grid selects the table itself.
  Sel().SetEndElement(TextIn(u"c3"));
  EXPECT_TRUE(Sel().InSelection(t));
  EXPECT_TRUE(Sel().FullSelected(t));
  // From b2 back to a1: the real ends are in document order.
  Sel().SetStartElement(TextIn(u"b2"));
  Sel().SetEndElement(TextIn(u"a1"));
  EXPECT_EQ(Sel().RealStartElement(), Cell(u"a1"));
  EXPECT_EQ(Sel().SelectedRows(), 2);
  EXPECT_EQ(Sel().SelectedCols(), 2);
}

TEST_F(TableSelectionTest, TextFromOutsideThatTakesAWholeCellSelectsCells) {
  Load(u"<p id=p>before</p><table><tr><td id=a1>a1</td><td id=b1>b1</td></tr></table>");
  Doc->CalcSize(800, 600);
  Sel().SetStartElement(TextIn(u"p"));
  Sel().StartPos = 1;
  Sel().EndPos = 2;
  Sel().SetEndElement(TextIn(u"a1"));
  EXPECT_FALSE(Sel().CellMode);
  // Ending in b1 with a1 wholly inside switches to cells.
  Sel().EndPos = 2;
  Sel().SetEndElement(TextIn(u"b1"));
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_FALSE(Sel().SingleTable);
}

}  // namespace ht::testing
