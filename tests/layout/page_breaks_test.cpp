// Line breaking in paged output, driven as paged output drives it: the
// document is paged with a test page height, every element starts
// completely drawn and the page holds no content. Then where a page ends:
// forced breaks, avoided breaks, floats at the page end; then columns and
// vertical writing, which turn the finished lines.
#include <string>

#include "layout_fixture.h"
#include "document/paint_services.h"
#include "layout/flow.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

namespace {

float gPageBottom = 0;
float testPageBottom(THtDocument&) { return gPageBottom; }

class PageBreaksTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    FServices = HtPaintServices();
    FServices.PageBottom = testPageBottom;
    InstallPaintServices(&FServices);
  }
  void TearDown() override { InstallPaintServices(nullptr); }
  void LoadPaged(StringView Html, float PageHeight) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false);
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}p{margin:0}</style>" + String(Html));
    Doc->Paged = true;
    Doc->PageHeightPixels = PageHeight;
    gPageBottom = PageHeight;
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* e = AsElement(n)) e->IncludeFlag(efCompletelyDrawn);
    Doc->FPagingBreak = false;
    Doc->CalcSize(800, 600);
  }
  TElement* Id(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* e = AsElement(n); e && !e->IsText() && e->GetId() == Id) return e;
    return nullptr;
  }
  THtPaintServices FServices;
};

}  // namespace

TEST_F(PageBreaksTest, BreakBeforeOnlyOncePageHoldsContent) {
  LoadPaged(u"<p id=a style='page-break-before:always'>x</p><p id=b>y</p>", 500);
  // On an empty page the break is recorded but does not break.
  EXPECT_TRUE(Id(u"a")->HasFlag(efPBBeforeProcessed));
  EXPECT_EQ(Doc->FSavedForcedPage, 1);
  EXPECT_TRUE(Doc->Body()->HasFlag(efCompletelyDrawn));

  LoadPaged(u"<p id=a>x</p><p id=b style='page-break-before:always'>y</p><p id=c>z</p>", 500);
  EXPECT_TRUE(Id(u"b")->HasFlag(efPBBeforeProcessed));
  EXPECT_FALSE(Doc->Body()->HasFlag(efCompletelyDrawn));
  EXPECT_EQ(Doc->Body()->SelfFlow->LastBlocktoPrint, Id(u"b")->FirstRun());
}

TEST_F(PageBreaksTest, AvoidedBreakMovesParagraphWholeUnlessPageIsEmpty) {
  // Three lines of 10 px from y 30 on a page ending at 50.
  LoadPaged(u"<p id=a>x<br>x<br>x</p><p id=b style='page-break-inside:avoid;width:30px'>aaa bbb ccc</p>", 50);
  TFlow* f = Id(u"b")->SelfFlow.get();
  EXPECT_FALSE(Id(u"b")->HasFlag(efCompletelyDrawn));
  EXPECT_EQ(f->LastBlocktoPrint, f->FirstNonPrintedBlock);

  LoadPaged(u"<p id=b style='page-break-inside:avoid;width:30px'>aaa bbb ccc</p>", 25);
  f = Id(u"b")->SelfFlow.get();
  EXPECT_EQ(f->LineCount(), 3);  // every line placed on the empty page
}

TEST_F(PageBreaksTest, FloatAtPageEndMovesUnlessHalfAPageTall) {
  LoadPaged(u"<div id=o><p>x</p><p>x</p><p>x</p>"
            u"<div id=f style='float:left;width:10px;height:30px'></div>z</div>", 50);
  EXPECT_TRUE(Id(u"f")->FirstRun()->Has(trfProcessed));
  EXPECT_TRUE(Id(u"o")->HasFlag(efCompletelyDrawn));

  LoadPaged(u"<div id=o><p>x</p><p>x</p><p>x</p><p>x</p>"
            u"<div id=f style='float:left;width:10px;height:20px'></div>z</div>", 50);
  EXPECT_FALSE(Id(u"f")->FirstRun()->Has(trfProcessed));
  EXPECT_FALSE(Id(u"o")->HasFlag(efCompletelyDrawn));
}

TEST_F(PageBreaksTest, PageHeightZeroStillPlacesALinePerPage) {
  LoadPaged(u"<p id=p style='width:30px'>aaa bbb ccc</p>", 0);
  TFlow* f = Id(u"p")->SelfFlow.get();
  ASSERT_NE(f->LastBlocktoPrint, nullptr);
  EXPECT_EQ(f->LastBlocktoPrint->Line, 0);  // the line after the first was not placed
  EXPECT_NE(f->LastBlocktoPrint, f->FirstBlock);
  EXPECT_FALSE(Id(u"p")->HasFlag(efCompletelyDrawn));
}

TEST_F(PageBreaksTest, ColumnsOfBadSizesStayInTheBox) {
  // A gap wider than the box gives columns of width 0; a thousand columns
  // are laid out like any other count.
  Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>"
             u"<div id=g style='column-count:3;column-gap:500px;width:100px'>a b c</div>"
             u"<div id=k style='column-count:1000;width:100px'>a b c d e f</div>");
  Doc->CalcSize(800, 600);
  for (const char16_t* id : {u"g", u"k"}) {
    TElement* e = Id(id);
    EXPECT_EQ(e->BorderRect().Right - e->BorderRect().Left, 100) << StringToUtf8(id);
    EXPECT_GE(e->InnerWidth, 0) << StringToUtf8(id);
    EXPECT_GT(e->SelfFlow->LineCount(), 0) << StringToUtf8(id);
  }
}

// Lines broken along a height of 20 px turn into columns: vertical-lr puts
// the first line leftmost, vertical-rl mirrors the lines around the last
// line's top so the first is rightmost. A box moves with its run, keeping
// its size, and the box's width and height swap with the flow's.
TEST_F(PageBreaksTest, VerticalLinesTurnIntoColumns) {
  struct TCase {
    const char16_t* Mode;
    float FirstLeft, BoxLeft, LastLeft;
  };
  for (const TCase& c : {TCase{u"vertical-lr", 0, 10, 20}, TCase{u"vertical-rl", 20, 10, 0}}) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false);
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style><div id=v style='writing-mode:" +
               String(c.Mode) +
               u";height:20px'>aa <span id=i style='display:inline-block;width:10px;height:10px'></span>"
               u" cc</div>");
    Doc->CalcSize(800, 600);
    const std::string mode = StringToUtf8(c.Mode);
    TElement* v = Id(u"v");
    TFlow* f = v->SelfFlow.get();
    ASSERT_EQ(f->LineCount(), 3) << mode;
    EXPECT_EQ(f->GetLine(0)->FirstBox->Left, c.FirstLeft) << mode;
    EXPECT_EQ(f->GetLine(0)->FirstBox->Top, 0) << mode;
    EXPECT_EQ(f->GetLine(2)->FirstBox->Left, c.LastLeft) << mode;
    TElement* box = Id(u"i");
    EXPECT_EQ(box->OuterRect.Left, c.BoxLeft) << mode;
    EXPECT_EQ(box->OuterRect.Top, 0) << mode;
    EXPECT_EQ(box->OuterRect.Right - box->OuterRect.Left, 10) << mode;
    EXPECT_EQ(box->FirstRun()->Left, c.BoxLeft) << mode;
    EXPECT_EQ(box->FirstRun()->Top, 0) << mode;
    EXPECT_EQ(v->BorderRect().Right - v->BorderRect().Left, 30) << mode;
    EXPECT_EQ(v->BorderRect().Bottom - v->BorderRect().Top, 20) << mode;
    EXPECT_EQ(f->ContentWidth, 30) << mode;
    EXPECT_EQ(f->FHeight, 20) << mode;
  }
}

}  // namespace ht::testing
