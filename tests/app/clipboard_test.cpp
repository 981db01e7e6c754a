// The clipboard class on the virtual X server: what SetHTML offers and
// reads back, the formats that make an image, images joining this
// program's own content, and another program reading the copy.
#include "host/clipboard.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/window_fixture.h"
#include "canvas/canvas.h"
#include "canvas/image.h"
#include "host/clipboard_blocks.h"
#include "platform/core/core_image.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/ui/clipboard.h"

namespace ht::testing {
namespace {

std::string bytesText(const THtBytes& B) { return std::string(B.begin(), B.end()); }

void offer(const std::vector<std::pair<unsigned, std::string>>& Blocks) {
  ui::TClipboardScope scope;
  ui::EmptyClipboard();
  for (const auto& [format, bytes] : Blocks) ui::SetClipboardData(format, THtBytes(bytes.begin(), bytes.end()));
  scope.Close();
}

unsigned fmt(const char16_t* Name) { return ui::RegisterClipboardFormat(Name); }

class ClipboardTest : public WindowTest {
 protected:
  void TearDown() override {
    offer({});
    WindowTest::TearDown();
  }
};

TEST_F(ClipboardTest, SetHTMLWritesTheHtmlFormatAndBothTexts) {
  THtClipboard::SetHTML(u"<p>caf\u00e9</p>", u"line one\r\nline two", u"/tmp/a b.html");
  ASSERT_TRUE(THtClipboard::HasHTML());
  EXPECT_EQ(THtClipboard::GetHTML(), Utf8ToString(HTMLClipboardText(u"<p>caf\u00e9</p>", u"/tmp/a b.html")));
  EXPECT_EQ(THtClipboard::GetHTML().substr(0, 11), u"Version:0.9");
  // The Unicode copy ends with a line break, the 8-bit one does not.
  EXPECT_EQ(THtClipboard::GetText(), u"line one\r\nline two\r\n");
  EXPECT_EQ(bytesText(ui::GetClipboardData(ui::CF_TEXT)), std::string("line one\r\nline two\0", 19));
  EXPECT_EQ(bytesText(ui::GetClipboardData(fmt(u"text/html"))), "<p>caf\xc3\xa9</p>");
  EXPECT_FALSE(THtClipboard::HasImage());
  EXPECT_FALSE(THtClipboard::HasEMF());
  EXPECT_TRUE(THtClipboard::GetEMF().empty());
}

TEST_F(ClipboardTest, EmptyPartsAreLeftOut) {
  THtClipboard::SetHTML(u"", u"only text", u"");
  EXPECT_FALSE(THtClipboard::HasHTML());
  EXPECT_EQ(THtClipboard::GetHTML(), u"");
  EXPECT_EQ(THtClipboard::GetText(), u"only text");
  THtClipboard::SetHTML(u"<b>only html</b>", u"", u"");
  EXPECT_TRUE(THtClipboard::HasHTML());
  EXPECT_FALSE(THtClipboard::HasText());
  EXPECT_EQ(THtClipboard::GetText(), u"");
}

TEST_F(ClipboardTest, RichTextWithAPictureIsNoImage) {
  const std::string png = "\x89PNG\r\n\x1a\npicture";
  offer({{fmt(u"PNG"), png}, {fmt(u"Rich Text Format"), "{\\rtf1 x}"}});
  EXPECT_TRUE(THtClipboard::HasRTF());
  EXPECT_EQ(THtClipboard::GetRTF(), u"{\\rtf1 x}");
  EXPECT_FALSE(THtClipboard::HasImage());
  offer({{fmt(u"image/png"), png}, {fmt(u"application/mathml+xml"), "<math/>"}});
  EXPECT_TRUE(THtClipboard::HasImage());
  EXPECT_EQ(bytesText(THtClipboard::GetImage()), png);
  EXPECT_EQ(THtClipboard::GetMathML(), u"<math/>");
}

TEST_F(ClipboardTest, ForeignBlocksReadSafely) {
  // An HTML Format block without a zero byte, a lying bitmap, empty blocks.
  THtBytes dib(40, 0);
  dib[0] = 40;
  dib[4] = 0xFF, dib[5] = 0xFF, dib[6] = 0xFF, dib[7] = 0x7F;  // a width past the block
  dib[8] = 1;
  dib[14] = 32;
  std::string bmp = "BM" + std::string(12, '\0') + std::string(dib.begin(), dib.end());
  offer({{fmt(u"HTML Format"), "Version:0.9 no end"}, {ui::CF_BITMAP, bmp}, {fmt(u"GIF"), ""}});
  EXPECT_EQ(THtClipboard::GetHTML(), u"Version:0.9 no end");
  EXPECT_EQ(THtClipboard::GetBitmap().size(), 54u);
  EXPECT_TRUE(THtClipboard::GetImage().empty());
  offer({});
  EXPECT_FALSE(THtClipboard::HasText());
  EXPECT_TRUE(THtClipboard::GetBitmap().empty());
  EXPECT_TRUE(THtClipboard::GetImage().empty());
}

TEST_F(ClipboardTest, ImagesJoinThisProgramsContent) {
  // A 1 x 1 BMP file: the bitmap read back is the same file.
  const std::vector<uint8_t> file = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                     1,   0,   0,  0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0,
                                     0,   0,   0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 255, 0, 0, 0};
  std::unique_ptr<THtImage> image = HtDefaultCanvasClass->ImageClass()->CreateFromBytes(file);
  ASSERT_TRUE(image->IsLoaded());
  ASSERT_EQ(image->Kind, hikBMP);
  THtClipboard::SetHTML(u"<i>x</i>", u"x", u"");
  THtClipboard::SetImage(image.get());
  EXPECT_TRUE(THtClipboard::HasHTML());
  EXPECT_TRUE(THtClipboard::HasImage());
  EXPECT_EQ(THtClipboard::GetBitmap(), THtBytes(file.begin(), file.end()));
}

TEST_F(ClipboardTest, FailuresRaiseTheErrorNumber) {
  ui::OpenClipboard();
  try {
    ui::OpenClipboard();
    ADD_FAILURE() << "opened twice";
  } catch (const EOSError& e) {
    EXPECT_NE(String(e.Message()).find(u"Code: 5"), String::npos);
  }
  ui::CloseClipboard();
  EXPECT_THROW(ui::CloseClipboard(), EOSError);
}

TEST_F(ClipboardTest, AnotherProgramReadsTheCopyAsHtmlAndText) {
  THtClipboard::SetHTML(u"<p>caf\u00e9</p>", u"caf\u00e9", u"");
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "tarnwick_clipboard_read";
  for (const char* target : {"text/html", "UTF8_STRING"}) {
    std::filesystem::remove(out);
    gchar* argv[] = {const_cast<gchar*>(CLIPBOARD_READER), const_cast<gchar*>(target),
                     const_cast<gchar*>(out.c_str()), nullptr};
    gchar** env = g_environ_setenv(g_get_environ(), "ASAN_OPTIONS", "detect_leaks=0", TRUE);
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv, env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, nullptr));
    g_strfreev(env);
    int status = -1;
    // The reader asks this process, so the main loop must run meanwhile.
    g_child_watch_add(pid, [](GPid P, gint S, gpointer Status) {
      *static_cast<int*>(Status) = S;
      g_spawn_close_pid(P);
    }, &status);
    ASSERT_TRUE(RunUntil([&] { return status != -1; }));
    ASSERT_EQ(status, 0) << target;
    std::ifstream in(out, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), std::string(target) == "text/html" ? "<p>caf\xc3\xa9</p>" : "caf\xc3\xa9") << target;
  }
  std::filesystem::remove(out);
}

}  // namespace
}  // namespace ht::testing
