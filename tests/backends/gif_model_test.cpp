// The GIF object model: compositing with disposals, frame bounds and pixels,
// colour tables, extensions and the registries.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "backends/backends_startup.h"
#include "backends/gif_image.h"
#include "gif_test_util.h"

namespace ht {
namespace {

using giftest::FixtureBytes;
using giftest::Load;
using giftest::Save;

uint32_t pixelAt(TGifBitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.ScanLine(y) + x * 4, 4);
  return v;
}

// Colours of the fixtures' four-entry table as picture pixels.
constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFF0000FF, kGreen = 0xFF00FF00, kBlue = 0xFFFF0000;

// disposal_N: frame 0 paints 4 x 4 red, frame 1 paints green at (1,1)-(2,2)
// with disposal N, frame 2 paints blue at (2,0) only (index 0 transparent).
TEST(GifCompositing, DisposalOfThePreviousFrame) {
  struct Case {
    const char* name;
    uint32_t underFrame1;  // (1,1) after frame 2
  } cases[] = {
      {"disposal_1", kGreen},
      // The current frame is transparent, so the rectangle becomes 0.
      {"disposal_2", 0},
      // What lay under frame 1 comes back.
      {"disposal_3", kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    THtGifImage image;
    ASSERT_EQ(Load(image, FixtureBytes(c.name)), "");
    image.SetFrameIndex(1);
    TGifBitmap* b = image.Bitmap();
    ASSERT_EQ(b->PixelFormat(), gpf32bit);
    EXPECT_EQ(pixelAt(*b, 0, 0), kRed);
    EXPECT_EQ(pixelAt(*b, 1, 1), kGreen);
    image.SetFrameIndex(2);
    EXPECT_EQ(pixelAt(*b, 1, 1), c.underFrame1);
    EXPECT_EQ(pixelAt(*b, 2, 2), c.underFrame1);
    EXPECT_EQ(pixelAt(*b, 2, 0), kBlue);
    EXPECT_EQ(pixelAt(*b, 0, 0), kRed);  // transparent pixel of frame 2
    EXPECT_EQ(pixelAt(*b, 3, 3), kRed);
  }
}

TEST(GifCompositing, BackgroundFillUsesEffectiveBackgroundColor) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("disposal_2")), "");
  // Make frame 2 opaque: the disposed rectangle takes the background colour
  // from the global table (index 3, blue) with 0 in the top byte.
  image.Frames().Frames(2)->GraphicControlExtension()->SetTransparent(false);
  image.SetFrameIndex(2);
  EXPECT_EQ(pixelAt(*image.Bitmap(), 1, 1), 0x00FF0000u);
  image.GlobalColorTable().Clear();
  image.Frames().Frames(0)->ColorTable().ImportPalette({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
  image.Frames().Frames(1)->ColorTable().ImportPalette({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
  image.Frames().Frames(2)->ColorTable().ImportPalette({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
  EXPECT_EQ(image.EffectiveBackgroundColor(), 0xFFFFFFFFu);
  image.DrawBackgroundColor = 0x12345678;
  EXPECT_EQ(image.EffectiveBackgroundColor(), 0x12345678u);
}

TEST(GifCompositing, FrameIndexRestartsAndClamps) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("disposal_1")), "");
  image.SetFrameIndex(5);
  EXPECT_EQ(image.FrameIndex(), 2);
  EXPECT_EQ(pixelAt(*image.Bitmap(), 2, 0), kBlue);
  image.SetFrameIndex(0);
  EXPECT_EQ(image.FrameIndex(), 0);
  EXPECT_EQ(pixelAt(*image.Bitmap(), 2, 0), kRed);
  EXPECT_EQ(pixelAt(*image.Bitmap(), 1, 1), kRed);
  image.SetFrameIndex(-3);
  EXPECT_EQ(image.FrameIndex(), 0);
}

TEST(GifCompositing, SingleFrameGivesTheFrameBitmap) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("loop_absent")), "");
  TGifBitmap* b = image.Bitmap();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->PixelFormat(), gpf8bit);
  EXPECT_EQ(b->Palette().size(), 4u);
  EXPECT_EQ(b->ScanLine(1)[3], 3);
}

TEST(GifCompositing, PicturesAboveThePixelBudgetAreRefused) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("loop_two")), "");
  image.SetWidth(65535);
  image.SetHeight(65535);
  EXPECT_THROW(
      {
        try {
          image.SetFrameIndex(1);
        } catch (const EHtGIFException& e) {
          EXPECT_STREQ(e.what(), "Image is too large");
          throw;
        }
      },
      EHtGIFException);
  EXPECT_EQ(image.Frames().Count(), 2);
}

TEST(GifImage, EmptyImage) {
  THtGifImage image;
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(image.Bitmap(), nullptr);
  EXPECT_EQ(image.LoopCount(), 1);
  TMemoryStream out;
  try {
    image.SaveToStream(out);
    FAIL();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Cannot save empty GIF");
  }
  EXPECT_THROW(image.SetReductionBits(2), EHtGIFException);
  EXPECT_EQ(image.ReductionBits(), 8);
}

TEST(GifImage, PaletteWithoutAnyTableRaises) {
  THtGifImage image;
  auto* frame = new THtGIFFrame(&image);
  frame->SetBounds(0, 0, 2, 2);
  try {
    image.Bitmap();
    FAIL();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "No global or local color table defined");
  }
}

TEST(GifImage, AssignCopiesFramesAndSettings) {
  THtGifImage source;
  ASSERT_EQ(Load(source, FixtureBytes("animation")), "");
  source.ColorReduction = rmPalette;
  source.DitherMode = dmNearest;
  source.SetReductionBits(4);
  THtGifImage copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Frames().Count(), 2);
  EXPECT_EQ(copy.ColorReduction, rmPalette);
  EXPECT_EQ(copy.DitherMode, dmNearest);
  EXPECT_EQ(copy.ReductionBits(), 8);
  EXPECT_EQ(copy.LoopCount(), 0);
  // Frame 1 drew with the global table; the copy carries it as its own.
  EXPECT_EQ(copy.Frames().Frames(1)->ColorTable().Count(), 4);
  EXPECT_EQ(copy.Frames().Frames(1)->GraphicControlExtension()->Delay(), 20);
  EXPECT_EQ(Save(copy).size() > 0, true);
}

TEST(GifImage, WidthIsRaisedToTheFrames) {
  THtGifImage image;
  auto* frame = new THtGIFFrame(&image);
  frame->SetBounds(30, 0, 10, 1);
  EXPECT_EQ(image.Width(), 40);
  image.SetWidth(10);
  EXPECT_EQ(image.Width(), 40);
  image.SetWidth(70000);
  EXPECT_EQ(image.Width(), 40);
}

TEST(GifHeader, PackedFieldsSortFlagAndFiles) {
  THtGifImage image;
  image.GlobalColorTable().ImportPalette({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
  auto* frame = new THtGIFFrame(&image);
  frame->SetBounds(0, 0, 2, 1);
  // A sorted table on file is not marked sorted once read, so the flag is
  // not written back.
  image.GlobalColorTable().Optimized = true;
  auto saved = Save(image);
  EXPECT_EQ(saved[10], 0x80 | 0x08 | 0x10 | 0x01);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF87a");
  THtGifImage again;
  ASSERT_EQ(Load(again, saved), "");
  EXPECT_FALSE(again.GlobalColorTable().Optimized);
  EXPECT_EQ(Save(again)[10], 0x80 | 0x10 | 0x01);
  // Without a global table: 0x77 and no table.
  again.GlobalColorTable().Clear();
  again.Frames().Frames(0)->ColorTable().ImportPalette({{9, 9, 9}});
  saved = Save(again);
  EXPECT_EQ(saved[10], 0x77);
  EXPECT_EQ(saved[13], ',');
  // Files: written and read back through the platform's file stream.
  const String file = Utf8ToString(testing::TempDir() + "gif_model_test.gif");
  again.SaveToFile(file);
  THtGifImage fromFile;
  fromFile.LoadfromFile(file);
  EXPECT_EQ(fromFile.Frames().Count(), 1);
  EXPECT_EQ(fromFile.Frames().Frames(0)->ColorTable().GetColor(0), 0x090909u);
}

TEST(GifFrame, BoundsAndPixels) {
  THtGifImage image;
  image.GlobalColorTable().ImportPalette({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
  auto* frame = new THtGIFFrame(&image);
  frame->SetBounds(1, 2, 3, 4);
  frame->SetBoundsRect(frame->BoundsRect());  // right and bottom taken as inside
  EXPECT_EQ(frame->Width(), 4);
  EXPECT_EQ(frame->Height(), 5);
  EXPECT_EQ(frame->DataSize(), 20);
  frame->SetPixel(3, 4, 2);
  EXPECT_EQ(frame->Pixels(3, 4), 2);
  TGifBitmap* bitmap = frame->Bitmap();
  frame->SetPixel(3, 4, 2);  // unchanged: the bitmap stays
  EXPECT_EQ(frame->Bitmap(), bitmap);
  struct Bad {
    int col, row, value;
    const char* message;
  } bad[] = {{4, 0, 0, "Invalid pixel coordinates"},
             {0, 5, 0, "Invalid pixel coordinates"},
             {-1, 0, 0, "Invalid pixel coordinates"},
             {0, 0, 3, "Color not in color table"}};
  for (const Bad& b : bad) {
    try {
      frame->SetPixel(b.col, b.row, uint8_t(b.value));
      ADD_FAILURE() << b.message;
    } catch (const EHtGIFException& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
  try {
    frame->SetBounds(65000, 0, 1000, 1);
    ADD_FAILURE();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid image size");
  }
  EXPECT_EQ(frame->Left(), 1);
  try {
    frame->SetBounds(0, 0, 65535, 65535);
    ADD_FAILURE();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Image is too large");
  }
  EXPECT_EQ(frame->Width(), 4);
}

TEST(GifFrame, DelayAndVersion) {
  THtGifImage image;
  auto* frame = new THtGIFFrame(&image);
  EXPECT_EQ(frame->Delay(), 10);
  EXPECT_EQ(frame->Version(), gv87a);
  frame->SetDelay(0);
  EXPECT_NE(frame->GraphicControlExtension(), nullptr);
  EXPECT_EQ(frame->Delay(), 10);
  frame->SetDelay(25);
  EXPECT_EQ(frame->Delay(), 25);
  EXPECT_EQ(frame->Version(), gv89a);
  delete frame->GraphicControlExtension();
  EXPECT_EQ(frame->GraphicControlExtension(), nullptr);
  EXPECT_EQ(frame->Extensions().Count(), 0);
}

TEST(GifFrame, ReadWithLeftBeyondTheScreenWraps) {
  // Left 65000 and Width 1000 reach past 65535: the width wraps to 464.
  const uint8_t bytes[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                           ',', 0xE8, 0xFD, 0, 0, 0xE8, 0x03, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, ';'};
  THtGifImage image;
  ASSERT_EQ(Load(image, std::vector<uint8_t>(std::begin(bytes), std::end(bytes))), "");
  ASSERT_EQ(image.Frames().Count(), 1);
  EXPECT_EQ(image.Frames().Frames(0)->Width(), 464);
  EXPECT_EQ(image.Width(), 65464);
}

TEST(GifColorTable, AddSaveAndErrors) {
  THtGifImage image;
  TGIFColorTable& t = image.GlobalColorTable();
  for (uint32_t c : {0x000000u, 0x0000FFu, 0x00FF00u, 0xFF0000u, 0xFFFFFFu}) t.Add(c);
  EXPECT_EQ(t.BitsPerPixel(), 3);
  TMemoryStream out;
  t.SaveToStream(out);
  ASSERT_EQ(out.Data().size(), 24u);  // padded to 8 entries
  EXPECT_EQ(out.Data()[3 * 4], 255);
  EXPECT_EQ(std::vector<uint8_t>(out.Data().begin() + 15, out.Data().end()), std::vector<uint8_t>(9, 0));
  EXPECT_EQ(t.IndexOf(0x123456), -1);
  EXPECT_EQ(t.AddUnique(0x123456), 5);
  EXPECT_EQ(t.GetColor(300), 0u);
  EXPECT_THROW(t.SetColor(6, 0), EHtGIFException);
  EXPECT_THROW(t.Delete(-1), EHtGIFException);
  TGIFLocalColorTable other(nullptr);
  other.Assign(t);
  other.SetColor(0, 0xABCDEF);
  EXPECT_EQ(t.GetColor(0), 0u);  // tables do not share their colours
  t.Clear();
  try {
    t.GetColor(0);
    ADD_FAILURE();
  } catch (const EHtGIFException& e) {
    EXPECT_STREQ(e.what(), "Color table is empty");
  }
  for (int i = 0; i < 256; ++i) t.Add(uint32_t(i));
  EXPECT_THROW(t.Add(1000), EHtGIFException);
  TMemoryStream one;
  t.Clear();
  t.Add(7);
  t.SaveToStream(one);
  EXPECT_EQ(one.Data().size(), 6u);
}

TEST(GifColorTable, SortByUse) {
  THtGifImage image;
  auto* frame = new THtGIFFrame(&image);
  frame->ColorTable().ImportPalette({{10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}});
  frame->SetBounds(0, 0, 5, 1);
  const uint8_t pixels[] = {3, 0, 3, 3, 0};
  std::copy(std::begin(pixels), std::end(pixels), frame->Data().begin());
  EXPECT_TRUE(frame->ColorTable().Optimize());
  EXPECT_TRUE(frame->ColorTable().Optimized);
  EXPECT_EQ(frame->ColorTable().Count(), 2);
  EXPECT_EQ(frame->ColorTable().GetColor(0), 40u);
  EXPECT_EQ(frame->ColorTable().GetColor(1), 10u);
  EXPECT_EQ(frame->Data(), (std::vector<uint8_t>{0, 1, 0, 0, 1}));
  // Already in order of use: only the mark is set, the pixels stay.
  EXPECT_TRUE(frame->ColorTable().Optimize());
  EXPECT_EQ(frame->Data(), (std::vector<uint8_t>{0, 1, 0, 0, 1}));
  EXPECT_EQ(frame->Version(), gv89a);
  // The global table of an image without frames does not sort.
  THtGifImage empty;
  empty.GlobalColorTable().ImportPalette({{1, 1, 1}, {2, 2, 2}});
  EXPECT_FALSE(empty.GlobalColorTable().Optimize());
}

TEST(GifExtensions, GraphicControlFields) {
  THtGifImage image;
  auto* frame = new THtGIFFrame(&image);
  frame->ColorTable().ImportPalette({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});
  auto* gce = new TGIFGraphicControlExtension(frame);
  auto* second = new TGIFGraphicControlExtension(frame);
  EXPECT_EQ(frame->GraphicControlExtension(), gce);
  EXPECT_EQ(frame->Extensions().Count(), 2);
  delete second;
  gce->SetTransparentColorIndex(4);  // one past the table: black is added
  EXPECT_EQ(gce->TransparentColorIndex(), 4);
  EXPECT_EQ(frame->ColorTable().Count(), 5);
  gce->SetTransparentColorIndex(9);
  EXPECT_EQ(gce->TransparentColorIndex(), 0);
  gce->SetPackedFields(0x01);
  gce->SetDisposal(3);
  EXPECT_EQ(gce->PackedFields(), 0x0D);
  EXPECT_EQ(gce->Disposal(), 3);
}

TEST(GifExtensions, ApplicationAndCommentBlocksRoundTrip) {
  struct Case {
    const char* fixture;
    const char* identAfterSave;  // 11 identifier bytes as written back
  } cases[] = {
      {"app_size_10", "ABCDEFGHIJ\0"},
      {"app_size_12", "ABCDEFGHIJK"},
      {"unknown_app", "XMP DataXMP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    THtGifImage image;
    ASSERT_EQ(Load(image, FixtureBytes(c.fixture)), "");
    const TGIFExtensionList& exts = image.Frames().Frames(0)->Extensions();
    ASSERT_EQ(exts.Count(), 1);
    ASSERT_EQ(exts.Extensions(0)->ClassRefOf(), &TGIFUnknownAppExtension::ClassType);
    const auto saved = Save(image);
    const std::string text(saved.begin(), saved.end());
    const size_t at = text.find("\x21\xFF\x0B");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at + 3, 11), std::string(c.identAfterSave, 11));
  }
  // The raw blocks come back unchanged after the identifier.
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("unknown_app")), "");
  const auto saved = Save(image);
  const std::string text(saved.begin(), saved.end());
  EXPECT_NE(text.find(std::string("XMP DataXMP\x04" "abcd\x02" "ef\0", 20)), std::string::npos);
}

TEST(GifExtensions, CommentOf300CharactersIsTwoSubBlocks) {
  THtGifImage image;
  ASSERT_EQ(Load(image, FixtureBytes("comment_300")), "");
  auto* comment = static_cast<TGIFCommentExtension*>(image.Frames().Frames(0)->Extensions().Extensions(0));
  ASSERT_EQ(comment->ClassRefOf(), &TGIFCommentExtension::ClassType);
  EXPECT_EQ(comment->Text().size(), 3u);
  TMemoryStream out;
  comment->SaveToStream(out);
  const auto& d = out.Data();
  ASSERT_EQ(d.size(), 2u + 1 + 255 + 1 + 45 + 1);
  EXPECT_EQ(d[2], 255);
  EXPECT_EQ(d[2 + 256], 45);
  EXPECT_EQ(d.back(), 0);
}

TEST(GifExtensions, LoopBlockData) {
  struct Case {
    std::vector<uint8_t> data;  // sub-blocks after the identifier
    int loops;
    const char* error;
  } cases[] = {
      {{3, 1, 5, 0, 0}, 5, ""},
      {{5, 2, 1, 0, 0, 0, 3, 1, 9, 0, 0}, 9, ""},
      {{2, 1, 0, 0}, 0, "Invalid GIF data"},
      {{4, 2, 0, 0, 0, 0}, 0, "Invalid GIF data"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = FixtureBytes("loop_absent");
    std::vector<uint8_t> block = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    block.insert(block.end(), c.data.begin(), c.data.end());
    bytes.insert(bytes.begin() + 13 + 12, block.begin(), block.end());
    THtGifImage image;
    EXPECT_EQ(Load(image, bytes), c.error);
    if (!*c.error) {
      EXPECT_EQ(image.LoopCount(), c.loops + 1);
    }
  }
}

TEST(GifExtensions, TextColours) {
  THtGifImage image;
  image.GlobalColorTable().ImportPalette({{1, 2, 3}, {4, 5, 6}});
  auto* frame = new THtGIFFrame(&image);
  auto* text = new TGIFTextExtension(frame);
  text->Record().TextBGColorIndex = 1;
  EXPECT_EQ(text->BackgroundColor(), 0x060504u);
  EXPECT_THROW(text->ForegroundColor(), EHtGIFException);
}

// A test class that claims comments, to show a later registration wins.
class TMyComment : public TGIFCommentExtension {
 public:
  static const TGIFExtensionClass ClassType;
  const TGIFExtensionClass* ClassRefOf() const override { return &ClassType; }
  using TGIFCommentExtension::TGIFCommentExtension;
};
const TGIFExtensionClass TMyComment::ClassType{"TMyComment", &TGIFCommentExtension::ClassType,
                                               CreateInstance<TMyComment, TGIFExtension, THtGIFFrame*>,
                                               &TGIFExtension::BaseFindSubExtension};

TEST(GifRegistries, LaterRegistrationWinsAndLookUpsAreThreadSafe) {
  HtBackendsInitialize();
  TGIFExtension::RegisterExtension(0xFE, &TMyComment::ClassType);
  {
    THtGifImage image;
    ASSERT_EQ(Load(image, FixtureBytes("trailing_comment_frame")), "");
    EXPECT_EQ(image.Frames().Frames(1)->Extensions().Extensions(0)->ClassRefOf(), &TMyComment::ClassType);
  }
  GifUnregisterExtension(&TMyComment::ClassType);
  // Several loader threads at once read through the registries.
  const auto bytes = FixtureBytes("animation");
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        THtGifImage image;
        if (Load(image, bytes).empty() && image.LoopCount() == 0) ++ok;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok, 80);
  HtBackendsFinalize();
}

}  // namespace
}  // namespace ht
