// The panel's resource getters and the host unit's virtual image sources,
// without a window: the getters work on a context of the panel's fields.
#include "host/panel_getters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "document/global.h"
#include "host/host_components.h"
#include "host/loopback_server.h"
#include "host/panel_web.h"
#include "host/test_certs.h"
#include "host/virtual_sources.h"
#include "canvas/colors.h"
#include "markup/node.h"
#include "platform/rtl/sys_colors.h"

namespace ht {
namespace {

using ht_test::HttpReply;
using ht_test::TLoopbackServer;
using ht_test::TLoopReply;
using ht_test::TLoopRequest;
using ht_test::TTempDir;

String U(const std::string& s) { return Utf8ToString(s); }
THtBytes B(const std::string& s) { return THtBytes(s.begin(), s.end()); }

class PanelGettersTest : public ::testing::Test {
 protected:
  void SetUp() override { HtDocumentInitialize(); }
  void TearDown() override { HtDocumentFinalize(); }

  THtGetterContext context() {
    THtGetterContext c;
    c.Web = [this]() -> THtPanelWeb& { return web; };
    return c;
  }
  THtPanelWeb web;
};

TEST(PanelPathsTest, LocalImagePaths) {
  struct {
    const char16_t *url, *base, *want;
  } cases[] = {
      {u"img/a.png", u"/site/docs/page.html", u"/site/docs/img/a.png"},
      {u"../pics/a.png", u"/site/docs/page.html", u"/site/pics/a.png"},
      {u"../../a.png", u"/site/docs/page.html", u"/a.png"},
      {u"../../../a.png", u"/site/docs/page.html", u"a.png"},  // climbing past the root empties the folder
      {u"/a.png", u"/site/docs/page.html", u"/site/docs/a.png"},  // a leading "/" stays in the page's folder
      {u"file:///abs/a.png", u"/site/docs/page.html", u"/abs/a.png"},
      {u"file:a.png", u"/site/docs/page.html", u"/site/docs/a.png"},
      {u"img\\a.png", u"/site/docs/page.html", u"/site/docs/img/a.png"},
      {u"//server/a.png", u"/site/docs/page.html", u"//server/a.png"},
      {u"x:a.png", u"/site/docs/page.html", u"x:a.png"},
      {u"", u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(HtLocalImagePath(c.url, c.base), c.want) << StringToUtf8(c.url);
}

TEST(PanelPathsTest, WebUrls) {
  EXPECT_TRUE(HtIsWebRequest(u"img/a.png", u"https://h/p/index.html"));
  EXPECT_TRUE(HtIsWebRequest(u"http://h/a.png", u"/local/page.html"));
  EXPECT_FALSE(HtIsWebRequest(u"httpx/a.png", u"/local/page.html"));
  EXPECT_EQ(HtPrepareWebUrl(u"img/a.png", u"https://h/p/index.html"), u"https://h/p/img/a.png");
  EXPECT_EQ(HtPrepareWebUrl(u"https://o/a.png", u"https://h/p/index.html"), u"https://o/a.png");
  EXPECT_EQ(HtPrepareWebUrl(u"a\x10" u"b.png", u"http://h/"), u"http://h/a%10b.png");
}

TEST_F(PanelGettersTest, WebImagesFollowWebLoading) {
  TLoopbackServer server([](const TLoopRequest& r) { return TLoopReply{HttpReply(200, "image/png", r.Target)}; });
  TTempDir dir;
  dir.Write("b.png", "local");
  THtGetterContext c = context();
  c.PanelFile = U(server.Url("/p/index.html"));
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"img/a.png", nullptr), B("/p/img/a.png"));

  c.WebLoading = false;
  EXPECT_TRUE(HtPanelDefaultGetImage(c, nullptr, u"img/a.png", nullptr).empty());
  c.PanelFile = U(dir.Path + "/page.html");  // a local page still loads from disk
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"b.png", nullptr), B("local"));
  c.WebLoading = true;
  c.Designing = true;
  c.PanelFile = U(server.Url("/p/index.html"));
  EXPECT_TRUE(HtPanelDefaultGetImage(c, nullptr, u"img/a.png", nullptr).empty());
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(PanelGettersTest, ImageListsAndFormComponents) {
  TTempDir dir;
  dir.Write("3", "file three");
  THtImageListComponent list;
  list.Images = {B("zero"), B("one"), B("two"), B("three")};
  THtComponentOwner form;
  form.Add<THtPictureComponent>(u"Image1")->Graphic = B("picture");
  form.Add<THtImageListComponent>(u"ImageList1")->Images = {B("a"), B("b"), B("c")};

  THtGetterContext c = context();
  c.PanelFile = U(dir.Path + "/page.html");
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"3", nullptr), B("file three"));  // no list: a file named 3
  c.Images = &list;
  c.Owner = &form;
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"3", nullptr), B("three"));
  EXPECT_TRUE(HtPanelDefaultGetImage(c, nullptr, u"9", nullptr).empty());
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"/form/Image1", nullptr), B("picture"));
  EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"/form/imagelist1/2", nullptr), B("c"));
  EXPECT_TRUE(HtPanelDefaultGetImage(c, nullptr, u"/form/ImageList1/x", nullptr).empty());
  EXPECT_TRUE(HtPanelDefaultGetImage(c, nullptr, u"/form/Missing", nullptr).empty());
}

TEST_F(PanelGettersTest, EventsComeFirstAndFailuresGiveNothing) {
  THtGetterContext c = context();
  c.OnGetImage = [](THtDocument*, const String& Url, TElement*) { return B(StringToUtf8(Url)); };
  c.OnGetURL = [](THtDocument*, const String&, TElement*) -> String { throw std::runtime_error("boom"); };
  EXPECT_EQ(HtPanelGetImage(c, nullptr, u"x", nullptr), B("x"));
  EXPECT_EQ(HtPanelGetURL(c, nullptr, u"x", nullptr), u"");

  // A refused connection and a 401 are missing resources.
  THtGetterContext w = context();
  TLoopbackServer server([](const TLoopRequest&) { return TLoopReply{HttpReply(401, "text/plain", "no")}; });
  w.PanelFile = U(server.Url("/index.html"));
  EXPECT_EQ(HtPanelGetURL(w, nullptr, u"style.css", nullptr), u"");
  EXPECT_TRUE(HtPanelDefaultGetImage(w, nullptr, u"http://127.0.0.1:1/a.png", nullptr).empty());

  w.Designing = true;
  w.OnGetURL = [](THtDocument*, const String&, TElement*) { return String(u"text"); };
  EXPECT_EQ(HtPanelGetURL(w, nullptr, u"/form/x", nullptr), u"");
  w.Designing = false;
  EXPECT_EQ(HtPanelGetURL(w, nullptr, u"/form/x", nullptr), u"text");
}

TEST_F(PanelGettersTest, TextFromTheWebAndFromFiles) {
  TLoopbackServer server([](const TLoopRequest& r) { return TLoopReply{HttpReply(200, "text/css", "/*" + r.Target + "*/")}; });
  TTempDir dir;
  dir.Write("s.css", "p{}");
  THtGetterContext c = context();
  c.PanelFile = U(server.Url("/a/index.html"));
  EXPECT_EQ(HtPanelGetURL(c, nullptr, u"s.css", nullptr), u"/*/a/s.css*/");
  c.PanelFile = U(dir.Path + "/page.html");
  EXPECT_EQ(HtPanelGetURL(c, nullptr, u"s.css", nullptr), u"p{}");
  EXPECT_EQ(HtPanelGetURL(c, nullptr, u"none.css", nullptr), u"");
}

// The main thread's texts and the image loader's images on one client.
TEST_F(PanelGettersTest, MainAndLoaderThreadsShareTheClient) {
  TLoopbackServer server([](const TLoopRequest& r) { return TLoopReply{HttpReply(200, "text/plain", r.Target)}; });
  THtGetterContext c = context();
  c.PanelFile = U(server.Url("/index.html"));
  std::thread loader([&] {
    for (int i = 0; i < 20; ++i) EXPECT_EQ(HtPanelDefaultGetImage(c, nullptr, u"i.png", nullptr), B("/i.png"));
  });
  for (int i = 0; i < 20; ++i) EXPECT_EQ(HtPanelGetURL(c, nullptr, u"t.css", nullptr), u"/t.css");
  loader.join();
}

// --- Virtual image sources ------------------------------------------------

bool isIconFile(const THtBytes& b) {
  static const uint8_t png[] = {0x89, 'P', 'N', 'G'};
  return b.size() > 26 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0 && b[4] == 1 &&
         std::equal(png, png + 4, b.begin() + 22);
}

TEST_F(PanelGettersTest, VirtualSourcesAreRegisteredOnce) {
  RegisterHostImageSources();
  RegisterHostImageSources();
  IHtGlobal& g = GetHtGlobal();
  for (const char16_t* name : {u"_shellsmallicons/a.txt", u"_SHELLLARGEICONS/a", u"_dialogicons/x", u"_forms/a"})
    EXPECT_TRUE(g.IsVirtualImage(name)) << StringToUtf8(name);

  THtBytes small, large;
  ASSERT_TRUE(g.GetImage(nullptr, u"_shellsmallicons/missing/report.txt", small));
  ASSERT_TRUE(g.GetImage(nullptr, u"_shelllargeicons/report.txt", large));
  EXPECT_TRUE(isIconFile(small));
  EXPECT_EQ(small[6], 16);
  EXPECT_EQ(large[6], 32);
}

TEST_F(PanelGettersTest, DialogIcons) {
  RegisterHostImageSources();
  EXPECT_STREQ(DialogIconThemeName(u"information"), "dialog-information");
  EXPECT_STREQ(DialogIconThemeName(u"Information"), "application-x-executable");
  EXPECT_STREQ(DialogIconThemeName(u"error"), DialogIconThemeName(u"hand"));
  THtBytes info, logo, other;
  ASSERT_TRUE(GetHtGlobal().GetImage(nullptr, u"_dialogicons/information", info));
  ASSERT_TRUE(GetHtGlobal().GetImage(nullptr, u"_dialogicons/Information", logo));
  ASSERT_TRUE(GetHtGlobal().GetImage(nullptr, u"_dialogicons/anything", other));
  EXPECT_TRUE(isIconFile(info));
  EXPECT_NE(info, logo);
  EXPECT_EQ(logo, other);
}

TEST_F(PanelGettersTest, FormsSource) {
  RegisterHostImageSources();
  THtComponentOwner form;
  form.Name = u"MainForm";
  form.Add<THtPictureComponent>(u"Logo")->Graphic = B("logo");
  form.Add<THtImageListComponent>(u"Icons")->Images = {B("0"), B("1"), B("2"), B("3")};
  RegisterHtForm(&form);
  struct {
    const char16_t* url;
    bool found;
    const char* bytes;
  } cases[] = {
      {u"_forms/MainForm/Icons/3", true, "3"},   {u"_forms/mainform/icons/1", true, "1"},
      {u"_forms/MainForm/Icons", false, ""},     {u"_forms/MainForm/Icons/x", false, ""},
      {u"_forms/MainForm/Logo", true, "logo"},   {u"_forms/Other/Logo", false, ""},
      {u"_forms/MainForm", false, ""},
  };
  for (const auto& c : cases) {
    THtBytes bytes;
    EXPECT_EQ(GetHtGlobal().GetImage(nullptr, c.url, bytes), c.found) << StringToUtf8(c.url);
    EXPECT_EQ(bytes, B(c.bytes)) << StringToUtf8(c.url);
  }
  UnregisterHtForm(&form);
  THtBytes bytes;
  EXPECT_FALSE(GetHtGlobal().GetImage(nullptr, u"_forms/MainForm/Logo", bytes));
}

TEST_F(PanelGettersTest, ThemeColoursAreOpaqueSystemColours) {
  RegisterHostImageSources();
  const TThemeColorProc& proc = THtmlNode::ThemeColorPrc();
  ASSERT_TRUE(proc);
  EXPECT_EQ(proc(COLOR_WINDOW) >> 24, 0xFFu);
  EXPECT_EQ(proc(COLOR_WINDOW), 0xFF000000u | SwapRedBlue(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(proc(COLOR_WINDOWTEXT), 0xFF000000u | SwapRedBlue(GetSysColor(COLOR_WINDOWTEXT)));
}

}  // namespace
}  // namespace ht
