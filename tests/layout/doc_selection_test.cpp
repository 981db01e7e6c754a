// The document selection on laid-out documents (Ahem metrics: every
// character 16 px): emptiness and order, cell blocks, touch handles,
// absolute positions, measures and editing the selected text.
#include <cmath>

#include "canvas/canvas.h"
#include "layout_fixture.h"
#include "platform/rtl/exception.h"

namespace ht::testing {

class DocSelectionTest : public LayoutTest {
 protected:
  void Load(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
  }
  TElement* Tagged(StringView Tag, int Nth = 0) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->Tag() == Tag && Nth-- == 0) return AsElement(n);
    return nullptr;
  }
  TTextElement* TextOf(StringView Content) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Content() == Content) return t;
    return nullptr;
  }
  TDocSelection& Sel() { return Doc->Selection; }
  void Select(TElement* S, int SPos, TElement* E, int EPos) {
    Sel().Clear();
    Sel().SetStartElement(S);
    Sel().StartPos = SPos;
    Sel().SetEndElement(E);
    Sel().EndPos = EPos;
  }
};

TEST_F(DocSelectionTest, EmptinessAndOrder) {
  Load(u"<p>one two</p><p>three</p>");
  TTextElement* a = TextOf(u"one two");
  TTextElement* b = TextOf(u"three");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(Sel().Empty());
  Select(a, 3, a, 3);
  EXPECT_TRUE(Sel().Empty());
  EXPECT_FALSE(Sel().Inverted());
  Select(a, 5, a, 2);
  EXPECT_FALSE(Sel().Empty());
  EXPECT_TRUE(Sel().Inverted());
  EXPECT_EQ(Sel().RealStartPos(), 2);
  EXPECT_EQ(Sel().RealEndPos(), 5);
  // Dragging back from the second paragraph into the first.
  Select(b, 3, a, 5);
  EXPECT_TRUE(Sel().Inverted());
  EXPECT_EQ(Sel().RealStartElement(), a);
  EXPECT_EQ(Sel().RealStartPos(), 5);
  EXPECT_EQ(Sel().RealEndElement(), b);
  EXPECT_EQ(Sel().Text(), u"two\r\nth");
  Sel().Invert();
  EXPECT_FALSE(Sel().Inverted());
  EXPECT_EQ(Sel().StartElement(), a);
  EXPECT_FALSE(Sel().CellMode);

  // Clearing asks for a repaint and drops the paint cache.
  Doc->NeedRepaint = false;
  Doc->fCacheReady = true;
  Sel().Clear();
  EXPECT_TRUE(Sel().Empty());
  EXPECT_TRUE(Doc->NeedRepaint);
  EXPECT_FALSE(Doc->fCacheReady);
  EXPECT_EQ(Sel().StartPos + Sel().EndPos, 0);
  // Queries on an empty selection answer their neutral value; the
  // smallest enclosing element is a consistency check.
  EXPECT_FALSE(Sel().InSelection(a));
  EXPECT_EQ(Sel().VisibleLength(), 0);
  EXPECT_EQ(Sel().AbsoluteStart(), 0);
  EXPECT_EQ(Sel().FirstCell(), nullptr);
  EXPECT_EQ(Sel().Text(), u"");
  try {
    Sel().TopElement();
    FAIL() << "no assertion";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().substr(0, 17), u"Assertion failure");
  }
}

TEST_F(DocSelectionTest, CoverageOfTextAndWrappers) {
  Load(u"<p>ab <b>cd</b> ef</p><div><span>gh</span></div><p>ij</p>");
  TTextElement* ab = TextOf(u"ab ");
  TTextElement* cd = TextOf(u"cd");
  TTextElement* ef = TextOf(u" ef");
  TTextElement* gh = TextOf(u"gh");
  TTextElement* ij = TextOf(u"ij");
  ASSERT_TRUE(ab && cd && ef && gh && ij);
  Select(ab, 2, gh, 3);
  EXPECT_TRUE(Sel().InSelection(cd));
  EXPECT_TRUE(Sel().FullSelected(cd));
  EXPECT_FALSE(Sel().FullSelected(ab));  // starts after its first character
  EXPECT_TRUE(Sel().PartiallyInSelection(ab));
  EXPECT_TRUE(Sel().FullSelected(gh));
  EXPECT_TRUE(Sel().FullSelected(Tagged(u"b")));
  EXPECT_FALSE(Sel().FullSelected(Tagged(u"p")));
  EXPECT_TRUE(Sel().PartiallyInSelection(Tagged(u"p")));
  EXPECT_FALSE(Sel().PartiallyInSelection(ij));
  EXPECT_FALSE(Sel().PartiallyInSelection(Tagged(u"p", 1)));
  // From the very first character, the wrappers around the start count as
  // selected from where the selection starts.
  Select(gh, 1, ij, 2);
  EXPECT_TRUE(Sel().FullSelected(Tagged(u"span")));
  EXPECT_TRUE(Sel().FullSelected(Tagged(u"div")));
  // A text end before the element's first character takes nothing of it.
  Select(ab, 1, ij, 0);
  EXPECT_FALSE(Sel().InSelection(ij));
  EXPECT_EQ(Sel().LastSelected(), gh);
}

// A 3 x 3 grid of cells named by their text; the tag-based table hooks
// answer rows and columns.
class CellSelectionTest : public DocSelectionTest {
 protected:
  void SetUp() override {
    DocSelectionTest::SetUp();
    Load(u"<table><tr><td>A1</td><td>B1</td><td>C1</td></tr><tr><td>A2</td><td>B2</td><td>C2</td></tr>"
         u"<tr><td>A3</td><td>B3</td><td>C3</td></tr></table><p>after</p>");
  }
  TElement* Cell(StringView Name) { return TextOf(Name)->Parent(); }
};

TEST_F(CellSelectionTest, TwoCellsMakeABlock) {
  Select(TextOf(u"A1"), 2, TextOf(u"B2"), 1);
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_TRUE(Sel().SingleTable);
  EXPECT_EQ(Sel().StartElement(), Cell(u"A1"));
  EXPECT_EQ(Sel().EndElement(), Cell(u"B2"));
  EXPECT_EQ(Sel().StartPos, 0);
  EXPECT_EQ(Sel().EndPos, 1);
  EXPECT_EQ(Sel().SelectedRows(), 2);
  EXPECT_EQ(Sel().SelectedCols(), 2);
  EXPECT_EQ(Sel().SelectedTable(), Tagged(u"table"));
  struct {
    const char16_t* Name;
    bool In;
  } cells[] = {{u"A1", true}, {u"B1", true}, {u"C1", false}, {u"A2", true}, {u"B2", true}, {u"C2", false},
               {u"A3", false}};
  for (auto c : cells) {
    EXPECT_EQ(Sel().InSelection(Cell(c.Name)), c.In) << StringToUtf8(c.Name);
    EXPECT_EQ(Sel().InSelection(TextOf(c.Name)), c.In) << StringToUtf8(c.Name);
  }
  EXPECT_TRUE(Sel().InSelection(Tagged(u"tr", 1)));
  EXPECT_FALSE(Sel().InSelection(Tagged(u"tr", 2)));
  // The table is selected only when the block covers the whole grid.
  EXPECT_FALSE(Sel().InSelection(Tagged(u"table")));
  EXPECT_TRUE(Sel().PartiallyInSelection(Tagged(u"table")));
  EXPECT_FALSE(Sel().InSelection(TextOf(u"after")));
  Sel().SetEndElement(TextOf(u"C3"));
  EXPECT_TRUE(Sel().InSelection(Tagged(u"table")));
  EXPECT_EQ(Sel().FirstCell(), Cell(u"A1"));
  EXPECT_EQ(Sel().LastCell(), Cell(u"C3"));
  EXPECT_TRUE(Sel().IsTopSelectedCell(Cell(u"B2")));
}

TEST_F(CellSelectionTest, OneCellAndLeavingCellMode) {
  // One cell is not a block until cell mode is on; re-selecting a single
  // cell while it is on selects that whole cell.
  Select(TextOf(u"A1"), 1, TextOf(u"A1"), 2);
  EXPECT_FALSE(Sel().CellMode);
  Sel().SetEndElement(TextOf(u"B1"));
  ASSERT_TRUE(Sel().CellMode);
  Sel().SetEndElement(TextOf(u"A1"));
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_TRUE(Sel().SingleTable);
  EXPECT_EQ(Sel().StartElement(), Cell(u"A1"));
  EXPECT_EQ(Sel().EndElement(), Cell(u"A1"));
  Sel().StartPos = Sel().EndPos = 0;
  EXPECT_FALSE(Sel().Empty());  // one whole cell
  EXPECT_EQ(Sel().SelectedCols(), 1);
  EXPECT_EQ(Sel().SelectedRows(), 1);
  EXPECT_EQ(Sel().TopCell(), nullptr);  // the ends are cells, not inside one
  // Both ends outside every cell leave cell mode.
  Sel().SetStartElement(TextOf(u"after"));
  Sel().SetEndElement(TextOf(u"after"));
  EXPECT_FALSE(Sel().CellMode);
}

TEST_F(DocSelectionTest, NestedTableEndIsLiftedToTheOuterCell) {
  Load(u"<table><tr><td>o1</td><td><table><tr><td>i1</td><td>i2</td></tr></table></td></tr></table>");
  TElement* outer = TextOf(u"o1")->Parent();
  TElement* inner = TextOf(u"i2")->Parent();
  Select(TextOf(u"o1"), 1, TextOf(u"i2"), 2);
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_EQ(Sel().StartElement(), outer);
  EXPECT_NE(Sel().EndElement(), inner);
  EXPECT_EQ(Sel().EndElement(), inner->Parent()->Parent()->Parent());  // td > table > tr > td
  EXPECT_TRUE(Sel().SingleTable);
  EXPECT_TRUE(Sel().InSelection(TextOf(u"i1")));
}

TEST_F(DocSelectionTest, TouchHandles) {
  Load(u"<p>handles</p>");
  TTextElement* t = TextOf(u"handles");
  Select(t, 1, t, 3);
  bool left = false;
  // Both handles on one line: the nearer one, within the radius in y.
  Sel().LeftPoint = TPointF(100, 50);
  Sel().RightPoint = TPointF(200, 50);
  EXPECT_TRUE(Sel().AtPoint(120, 60, left));
  EXPECT_TRUE(left);
  EXPECT_TRUE(Sel().AtPoint(180, 20, left));
  EXPECT_FALSE(left);
  EXPECT_FALSE(Sel().AtPoint(180, 19, left));  // radius 30 at scale 1
  // On two lines: a square of the radius around each handle; the radius
  // shrinks with the square root of the scale (15 at 4).
  Sel().RightPoint = TPointF(200, 90);
  Doc->Surface->SetScaleFactor(4);
  struct {
    int X, Y;
    bool Hit, Left;
  } cases[] = {{215, 105, true, false}, {216, 90, false, false}, {85, 35, true, true}, {84, 50, false, false}};
  for (auto c : cases) {
    left = !c.Left;
    EXPECT_EQ(Sel().AtPoint(c.X, c.Y, left), c.Hit) << c.X << "," << c.Y;
    if (c.Hit) {
      EXPECT_EQ(left, c.Left) << c.X << "," << c.Y;
    }
  }
  Sel().Clear();
  EXPECT_FALSE(Sel().AtPoint(200, 90, left));
}

TEST_F(DocSelectionTest, AbsolutePositionsSaveAndRestore) {
  Load(u"<p>one two</p><p>three</p>");
  TTextElement* a = TextOf(u"one two");
  TTextElement* b = TextOf(u"three");
  Select(a, 5, b, 3);
  const int start = Sel().AbsoluteStart(), end = Sel().AbsoluteEnd();
  EXPECT_EQ(start, 5);
  EXPECT_EQ(end, 7 + 3);
  Sel().SaveSelection();
  Sel().Clear();
  Sel().RestoreSelection();
  EXPECT_EQ(Sel().StartElement(), a);
  EXPECT_EQ(Sel().StartPos, 5);
  EXPECT_EQ(Sel().EndElement(), b);
  EXPECT_EQ(Sel().EndPos, 3);
  EXPECT_EQ(Sel().Text(), u"two\r\nth");
  // A position past the end of the document ends at the last element.
  Sel().SetAbsoluteEnd(1000);
  EXPECT_EQ(Sel().EndElement(), Doc->Last());
  // A saved empty selection restores as empty.
  Sel().Clear();
  Sel().SaveSelection();
  EXPECT_EQ(Sel().FSavedStart, -1);
  Select(a, 1, a, 2);
  Sel().RestoreSelection();
  EXPECT_TRUE(Sel().Empty());
}

TEST_F(CellSelectionTest, ACellBlockRestoresAsTheSameBlock) {
  Select(TextOf(u"A1"), 1, TextOf(u"B2"), 1);
  Sel().SaveSelection();
  EXPECT_TRUE(Sel().FSavedCellMode);
  Sel().Clear();
  Sel().RestoreSelection();
  EXPECT_TRUE(Sel().CellMode);
  EXPECT_TRUE(Sel().SingleTable);
  EXPECT_EQ(Sel().StartElement(), Cell(u"A1"));
  EXPECT_EQ(Sel().EndElement(), Cell(u"B2"));
  EXPECT_FALSE(Sel().InSelection(Cell(u"C1")));
  EXPECT_EQ(Sel().SelectedCols(), 2);
}

TEST_F(DocSelectionTest, MeasuresAndWholeBody) {
  Load(u"<p>abcdef <b>gh</b></p><p style=\"font-family:Other\">ij</p>");
  TTextElement* t = TextOf(u"abcdef ");
  Select(t, 2, t, 5);
  EXPECT_EQ(Sel().VisibleLength(), 3);
  EXPECT_EQ(Sel().SelectedFontCount(), 1);
  EXPECT_EQ(Sel().TopElement(), Tagged(u"p"));
  Select(t, 5, TextOf(u"ij"), 2);
  // "ef " + "gh" + "i"
  EXPECT_EQ(Sel().VisibleLength(), 6);
  EXPECT_EQ(Sel().SelectedFontCount(), 2);
  EXPECT_EQ(Sel().TopElement(), Doc->Body());
  EXPECT_FALSE(Sel().AllSelected());
  Sel().SelectAll();
  EXPECT_TRUE(Sel().AllSelected());
  EXPECT_EQ(Sel().Text(), u"abcdef gh\r\nij");
  // Both ends on the body shrink onto the text inside it.
  Select(Doc->Body(), 0, Doc->Body(), 1);
  Sel().ShrinktoText();
  EXPECT_EQ(Sel().StartElement(), t);
  EXPECT_EQ(Sel().EndElement(), TextOf(u"ij"));
  EXPECT_EQ(Sel().EndPos, 3);
}

TEST_F(DocSelectionTest, SetTextEditsWhereTheSelectionShowsOverCollapsedSpaces) {
  Load(u"<p>\n  Hello   world</p>");
  TTextElement* t = TextOf(u"\n  Hello   world");
  ASSERT_TRUE(t);
  const int w = int(t->Content().find(u"world")) + 1;
  Select(t, w, t, w + 5);
  EXPECT_EQ(Sel().Text(), u"world");
  Sel().SetText(u"there!");
  EXPECT_EQ(t->Content().substr(t->Content().size() - 6), u"there!");
  EXPECT_NE(t->Content().find(u"Hello"), String::npos);
  // The selection now covers the inserted text.
  EXPECT_EQ(Sel().Text(), u"there!");

  // A replace-all resumes after each replacement and ends.
  int pos = 1, replaced = 0;
  TElement* from = Doc.get();
  while (TElement* found = Doc->FindText(u"e", pos, from, true, false)) {
    ASSERT_LT(++replaced, 10);
    Select(found, pos, found, pos + 1);
    Sel().SetText(u"EE");
    from = Sel().RealEndElement();
    pos = Sel().RealEndPos();
  }
  EXPECT_EQ(replaced, 3);
  EXPECT_NE(t->Content().find(u"HEEllo"), String::npos);
  EXPECT_NE(t->Content().find(u"thEErEE!"), String::npos);
}

TEST_F(DocSelectionTest, SetTextAcrossElementsChangesNothing) {
  Load(u"<p>ab</p><p>cd</p>");
  Select(TextOf(u"ab"), 1, TextOf(u"cd"), 2);
  Sel().SetText(u"x");
  EXPECT_TRUE(TextOf(u"ab") && TextOf(u"cd"));
}

}  // namespace ht::testing
