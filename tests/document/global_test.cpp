#include <filesystem>
#include <fstream>
#include <thread>

#include "css/style_sheet.h"
#include "document/global.h"
#include "document/self_styles.h"
#include "document_fixture.h"

namespace ht::testing {

namespace {

// A source that remembers what it was asked.
class TEchoSource : public THtVirtualImageSource {
 public:
  explicit TEchoSource(String* Seen) : FSeen(Seen) {}
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override {
    *FSeen = URL;
    ImageData = {uint8_t(DPI)};
    return true;
  }

 private:
  String* FSeen;
};

const bool resourcesRegistered = RegisterHtResource({u"Logo", 2, u"", {1, 2}}) &&
                                 RegisterHtResource({u"Logo", 10, u"", {3}}) &&
                                 RegisterHtResource({u"Logo", 0, u"PNG", {4, 5, 6}});

struct TTempDir {
  std::filesystem::path Path;
  TTempDir() {
    Path = std::filesystem::temp_directory_path() /
           ("tarnwick-doc-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id())));
    std::filesystem::create_directories(Path);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  String Write(const std::string& Name, const std::string& Text) {
    std::ofstream(Path / Name, std::ios::binary) << Text;
    return Utf8ToString((Path / Name).string());
  }
};

}  // namespace

TEST_F(DocumentTest, GlobalStyleLinesReachNewDocumentsParsedOnce) {
  IHtGlobal& global = GetHtGlobal();
  global.SetStyles({u"p { color: red }"});
  auto first = NewDocument();
  TCSSStyleSheet* sheet = global.StyleSheet();
  const size_t rules = sheet->Sections().size();
  EXPECT_EQ(rules, 1u);

  global.AddStyleLine(u"b { color: blue }");
  auto second = NewDocument();
  EXPECT_EQ(global.StyleSheet(), sheet);
  EXPECT_EQ(sheet->Sections().size(), 2u);  // the new line, once
  global.StyleSheet();
  EXPECT_EQ(sheet->Sections().size(), 2u);
  auto hasTagRule = [](THtDocument& Doc, StringView Tag) {
    return Doc.Styles->Main.TagMap->Find(HtTagHash(Tag.data(), int32_t(Tag.size())), Tag) != nullptr;
  };
  EXPECT_TRUE(hasTagRule(*first, u"p"));
  EXPECT_FALSE(hasTagRule(*first, u"b"));
  EXPECT_TRUE(hasTagRule(*second, u"b"));
  global.SetStyles({});
}

TEST_F(DocumentTest, DefaultResolverReadsFilesAndNeverRaises) {
  TTempDir dir;
  const String page = dir.Write("page.html", "<p>");
  const String sheet = dir.Write("a b.css", "p{}");
  auto doc = NewDocument();
  doc->CurrentFile = page;
  IHtGlobal& global = GetHtGlobal();
  EXPECT_EQ(global.GetURL(doc.get(), u"a%20b.css", nullptr), u"p{}");
  EXPECT_EQ(global.GetURL(doc.get(), sheet, nullptr), u"p{}");               // absolute
  EXPECT_EQ(global.GetURL(doc.get(), u"file://" + sheet, nullptr), u"p{}");  // file URL

  const String folder = Utf8ToString(dir.Path.string());
  for (const String& url : {String(), String(u"//host/a.css"), String(u".."), folder, String(u"missing.css"),
                            String(u"http://example.invalid/a.css"), String(u"%FF%FE%C3"), String(u"\xD800x")}) {
    SCOPED_TRACE(StringToUtf8(url));
    EXPECT_EQ(global.GetURL(doc.get(), url, nullptr), u"");
  }
  EXPECT_EQ(global.GetURL(nullptr, u"", nullptr), u"");

  global.SetOnGetUrl([](THtDocument*, const String& Url, TElement*) { return u"<" + Url + u">"; });
  EXPECT_EQ(global.GetURL(doc.get(), u"x", nullptr), u"<x>");
  global.SetOnGetUrl(nullptr);
}

TEST_F(DocumentTest, VirtualImageSources) {
  ASSERT_TRUE(resourcesRegistered);
  IHtGlobal& global = GetHtGlobal();
  auto doc = NewDocument();
  struct Case {
    const char16_t* url;
    bool found;
    THtBytes data;
  };
  const Case cases[] = {
      {u"_resource/Logo", true, {1, 2}},      {u"_RESOURCE/Logo:10", true, {3}},
      {u"_resource/Logo:png", true, {4, 5, 6}}, {u"_resource/logo", false, {9}},
      {u"_resource/Logo:11", false, {9}},     {u"_resource/Missing", false, {9}},
      {u"nosource/Logo", false, {9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.url));
    THtBytes data{9};
    EXPECT_EQ(global.GetImage(doc.get(), c.url, data), c.found);
    EXPECT_EQ(data, c.data);
  }
  EXPECT_TRUE(global.IsVirtualImage(u"_Resource/x"));
  EXPECT_FALSE(global.IsVirtualImage(u"images/x.png"));

  String seen = u"unset";
  global.RegisterVirtualImageSource(u"_Echo", std::make_unique<TEchoSource>(&seen));
  THtBytes data;
  doc->SetDPI(120);
  EXPECT_TRUE(global.GetImage(doc.get(), u"_echo", data));
  EXPECT_EQ(seen, u"");
  EXPECT_EQ(data, THtBytes{120});
  EXPECT_TRUE(global.GetImage(doc.get(), u"_ECHO/Some/Path", data));
  EXPECT_EQ(seen, u"Some/Path");
}

TEST_F(DocumentTest, OnlyOneGlobalObject) {
  GetHtGlobal();
  try {
    THtGlobal second;
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Only single instance of THtGlobal is allowed");
  }
}

TEST_F(DocumentTest, StyleCachesShareOneSheetPerText) {
  TSelfStyles* cache = InlineStyleCache();
  ASSERT_NE(cache, nullptr);
  TCSSStyleSheet* found = reinterpret_cast<TCSSStyleSheet*>(1);
  EXPECT_FALSE(cache->FindSS(u"color:red", found));
  EXPECT_EQ(found, nullptr);
  TCSSStyleSheet* first = cache->AddSS(u"color:red", new TCSSStyleSheet());
  EXPECT_EQ(first->Key, u"color:red");
  EXPECT_EQ(cache->AddSS(u"color:red", new TCSSStyleSheet()), first);  // the second is freed
  EXPECT_TRUE(cache->FindSS(u"color:red", found));
  EXPECT_EQ(found, first);
  EXPECT_FALSE(cache->FindSS(u"Color:red", found));
  EXPECT_FALSE(cache->FindSS(u"color: red", found));

  // Two threads filling the same key end with one sheet.
  TSelfStyles* sheets = DocumentSheetCache();
  TCSSStyleSheet* results[2] = {};
  auto fill = [&](int Slot) {
    for (int i = 0; i < 200; ++i) {
      const String key = u"p{margin:" + Utf8ToString(std::to_string(i)) + u"px}";
      TCSSStyleSheet* s = sheets->FindOrAdd(key, [&] {
        auto made = std::make_unique<TCSSStyleSheet>();
        made->Parse(key, -1, false);
        return made;
      });
      if (i == 199) results[Slot] = s;
    }
  };
  std::thread other(fill, 1);
  fill(0);
  other.join();
  EXPECT_EQ(results[0], results[1]);
}

}  // namespace ht::testing
