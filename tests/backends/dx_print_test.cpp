// Pages recorded by the Direct2D back end's recording canvas, printed
// through the GDI canvas: one document per copy, the printer's own copies
// at 1, a document per change of orientation, the printer's scale.
#include <gtest/gtest.h>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/dx_pages.h"
#include "platform/gdi/gdi_meta.h"

namespace ht {
namespace {

// Keeps every job: its title and its sheets drawn out as pictures.
class TSheets : public gdi::TPrintSink {
 public:
  bool Print(gdi::TPrintJob& Job) override {
    Titles.push_back(Job.Title);
    CopiesSeen.push_back(gdi::Printer().Copies);
    std::vector<std::shared_ptr<core::TCoreSurface>> sheets;
    for (auto& p : Job.Pages) {
      auto s = std::make_shared<core::TCoreSurface>(p.Meta->Width, p.Meta->Height);
      s->Fill(0xFFFFFFFF);
      {
        core::TCoreContext c(*s);
        gdi::PlayEnhMetaFileOn(c, p.Meta.get(), core::TCoreMatrix());
      }
      s->Flush();
      sheets.push_back(s);
      Landscape.push_back(p.Orientation == gdi::poLandscape);
    }
    Jobs.push_back(sheets);
    return true;
  }
  std::vector<String> Titles;
  std::vector<int> CopiesSeen;
  std::vector<bool> Landscape;
  std::vector<std::vector<std::shared_ptr<core::TCoreSurface>>> Jobs;
};

class DXPrint : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { HtBackendsInitialize(); }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
  void SetUp() override {
    Log = std::make_shared<TSheets>();
    gdi::SetPrintSink(Log);
  }
  void TearDown() override {
    gdi::SetPrintSink(nullptr);
    gdi::Printer().Copies = 1;
  }
  std::shared_ptr<TSheets> Log;
};

TEST_F(DXPrint, RecordedPagesPrintThroughTheGDICanvas) {
  EXPECT_EQ(THtCanvasDX::ClassType.PrintCanvasClass(), &THtMetaCanvasDX::ClassType);
  THtMetaCanvasDX mc;
  mc.BeginPaging(80, 100, 96);
  const uint32_t colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  for (int i = 0; i < 3; ++i) {
    if (i) mc.NewPage(i == 1 ? coLandscape : coPortrait);
    mc.FillRectangle(mc.GetBrush(colors[i]), 10, 10, 20, 20);
  }
  mc.EndPaging();
  ASSERT_EQ(mc.PageCount(), 3);
  ASSERT_EQ(mc.GetPage(1)->Orientation, coLandscape);

  // Two copies asked for: the printer's copies stay 1, each copy is its own
  // document, and the landscape page ends a document and begins one.
  struct Dialog : gdi::TPrintDialog {
    bool Execute() override {
      Copies = 2;
      return true;
    }
  } dlg;
  gdi::Printer().Copies = 5;
  EXPECT_TRUE(mc.Print(&dlg, u""));
  ASSERT_EQ(Log->Jobs.size(), 6u);
  for (size_t j = 0; j < Log->Jobs.size(); ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(Log->Titles[j], u"Unnamed");
    EXPECT_EQ(Log->CopiesSeen[j], 1);
    ASSERT_EQ(Log->Jobs[j].size(), 1u);
    // The page at the printer's LOGPIXELSX / 96.
    core::TCoreSurface& sheet = *Log->Jobs[j][0];
    const double f = gdi::Printer().GetDeviceCaps(gdi::LOGPIXELSX) / 96.0;
    EXPECT_EQ(sheet.Pixel(int(20 * f), int(20 * f)), colors[j % 3]);
    EXPECT_EQ(sheet.Pixel(int(40 * f), int(40 * f)), 0xFFFFFFFFu);
  }
  EXPECT_EQ(Log->Landscape, (std::vector<bool>{false, true, false, false, true, false}));

  // A range from the dialog; a cancelled dialog prints nothing.
  struct Range : gdi::TPrintDialog {
    bool Ok = true;
    bool Execute() override {
      PageNumsRange = true;
      FromPage = ToPage = 3;
      return Ok;
    }
  } range;
  Log->Jobs.clear();
  Log->Titles.clear();
  EXPECT_TRUE(mc.Print(&range, u"T"));
  ASSERT_EQ(Log->Jobs.size(), 1u);
  EXPECT_EQ(Log->Titles[0], u"T");
  EXPECT_EQ(Log->Jobs[0][0]->Pixel(20, 20), colors[2]);
  range.Ok = false;
  EXPECT_FALSE(mc.Print(&range, u"T"));
  EXPECT_EQ(Log->Jobs.size(), 1u);
}

}  // namespace
}  // namespace ht
