// Saving documents as HTML text and files, and the generated HTML of the
// property table, contents and search results.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "document_fixture.h"
#include "markup/file_utils.h"
#include "platform/rtl/stream.h"

namespace ht::testing {

namespace fs = std::filesystem;

class SaveTest : public DocumentTest {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("ht_save_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  String Path(const char* Name) const { return Utf8ToString((Dir / Name).string()); }
  static std::string Bytes(const String& File) {
    std::ifstream in(StringToUtf8(File), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::unique_ptr<THtDocument> Load(StringView Html) {
    auto d = NewDocument();
    d->Parse(String(Html));
    return d;
  }
  fs::path Dir;
};

constexpr StringView kPage =
    u"<html><head><meta http-equiv=\"content-type\" content=\"text/html\"></head><body><p>caf\u00e9</p></body></html>";

TEST_F(SaveTest, OuterHtmlWrapsOnlyWithoutHtmlElement) {
  auto page = Load(kPage);
  const String html = page->OuterHTML();
  EXPECT_TRUE(html.starts_with(u"<html>")) << StringToUtf8(html);
  EXPECT_EQ(html.find(u"<html>", 1), String::npos);

  // A tree without an html element gets one in the file (not in the string).
  auto bare = NewDocument();
  bare->SetTag(u"");
  bare->AddHTML(u"<p>a</p><p>b</p>");
  EXPECT_FALSE(bare->OuterHTML().starts_with(u"<html>"));
  bare->SaveToFileUTF8(Path("bare.html"));
  EXPECT_EQ(Bytes(Path("bare.html")), "\xEF\xBB\xBF<html><p>a</p><p>b</p></html>");
}

TEST_F(SaveTest, EncodingsAndCharsets) {
  auto page = Load(kPage);
  page->Encoding = heUTF16;
  page->Codepage = 866;

  page->SaveToFileUTF8(Path("u8.html"));
  const std::string u8 = Bytes(Path("u8.html"));
  EXPECT_TRUE(u8.starts_with("\xEF\xBB\xBF<html>"));
  EXPECT_NE(u8.find("caf\xC3\xA9"), std::string::npos);
  EXPECT_NE(u8.find("charset=utf-8"), std::string::npos);

  page->SaveToFileANSIEncoded(Path("enc.html"));
  const std::string enc = Bytes(Path("enc.html"));
  EXPECT_NE(enc.find("caf&#233;"), std::string::npos);
  EXPECT_NE(enc.find("charset=windows-866"), std::string::npos);  // the code page in use

  page->SaveToFileANSI(Path("ansi.html"), 0);
  const std::string ansi = Bytes(Path("ansi.html"));
  EXPECT_NE(ansi.find("caf\xE9"), std::string::npos);
  EXPECT_NE(ansi.find("charset=windows-1252"), std::string::npos);

  page->SavetoFileUnicode(Path("u16.html"));
  const std::string u16 = Bytes(Path("u16.html"));
  EXPECT_EQ(u16.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  EXPECT_NE(u16.find(std::string("c\0a\0f\0\xE9\0", 8)), std::string::npos);

  // Every saver put the document's own settings back.
  EXPECT_EQ(page->Encoding, heUTF16);
  EXPECT_EQ(page->Codepage, 866u);
}

TEST_F(SaveTest, CodePage1251) {
  auto page = Load(u"<html><head><meta http-equiv=\"content-type\" content=\"\"></head><body>\u0416\u00e9\u4e00</body></html>");
  page->SaveToFileANSI(Path("cp.html"), 1251);
  const std::string b = Bytes(Path("cp.html"));
  EXPECT_NE(b.find("charset=windows-1251"), std::string::npos);
  EXPECT_NE(b.find("\xC6??"), std::string::npos);  // Zhe is one byte; the others are not in the page
}

TEST_F(SaveTest, EncodedReferencesKeepEveryCharacter) {
  auto d = Load(u"<html><body><p title=\"\U0001F600\">x</p><!--a" + String(1, u'\0') + u"tail--></body></html>");
  TMemoryStream ms;
  d->SaveToStreamANSIEncoded(ms);
  const std::string out(ms.Data().begin(), ms.Data().end());
  // One reference per code point; what follows a U+0000 is not lost.
  EXPECT_NE(out.find("title=\"&#128512;\""), std::string::npos) << out;
  EXPECT_NE(out.find("a&#0;tail-->"), std::string::npos) << out;
  for (unsigned char c : out) EXPECT_LT(c, 128);
}

TEST_F(SaveTest, StreamsUseTheAnnouncedCodePage) {
  auto d = Load(u"<html><head><meta http-equiv=\"content-type\" content=\"\"></head><body>\u0416</body></html>");
  d->Codepage = 1251;
  TMemoryStream ansi;
  d->SavetoStream(ansi, heANSI);
  const std::string a(ansi.Data().begin(), ansi.Data().end());
  EXPECT_NE(a.find("windows-1251"), std::string::npos);
  EXPECT_NE(a.find("<body>\xC6</body>"), std::string::npos) << a;

  TMemoryStream u16;
  d->SavetoStream(u16, heUTF16);
  EXPECT_EQ(u16.Data()[0], 0xFF);
  EXPECT_EQ(u16.Data()[1], 0xFE);
  TMemoryStream u8;
  d->SavetoStream(u8, heDefault);
  EXPECT_EQ(std::string(u8.Data().begin(), u8.Data().begin() + 3), "\xEF\xBB\xBF");
}

TEST_F(SaveTest, UnwritablePathRaisesAndRestoresEncoding) {
  auto d = Load(kPage);
  EXPECT_THROW(d->SaveToFileANSI(Path("missing/dir/x.html"), 1251), EFCreateError);
  EXPECT_EQ(d->Encoding, heDefault);
  EXPECT_EQ(d->Codepage, 0u);
}

TEST_F(SaveTest, SafeFileNames) { EXPECT_EQ(SafeFileName(u"a*b/c\\d?e#f%g$h"), u"a_b_c_d_e_f_g_h"); }

TEST_F(SaveTest, LocalCopyWritesSideFilesAndReloads) {
  auto d = Load(
      u"<html><head>"
      u"<link rel=\"stylesheet\" href=\"/css/site.css?v=3\">"
      u"<link rel=\"stylesheet\" href=\"a.css?v=1\"><link rel=\"stylesheet\" href=\"a.css?v=2\">"
      u"<link rel=\"alternate stylesheet\" href=\"alt.css\">"
      u"<link rel=\"stylesheet\" href=\"../../..\">"
      u"<link rel=\"stylesheet\" href=\"gone.css\">"
      u"</head><body><p>text \u00e9</p><img src=\"pics/x.png\"><img src=\"data:image/png;base64,AA\">"
      u"<img src=\"fails.png\"></body></html>");
  d->OnGetUrl = [](THtDocument*, const String& Url, TElement*) -> String {
    return Url == u"gone.css" ? String() : u"p{color:red} /* " + Url + u" */";
  };
  d->OnGetImage = [](THtDocument*, const String& Url, TElement*) -> std::vector<uint8_t> {
    if (Url == u"fails.png") throw Exception(u"no");
    return {1, 2, 3};
  };
  const String file = Path("page.html");
  d->SavetoLocalFile(file, heUTF8);
  const fs::path side = Dir / "page.html.files";
  EXPECT_EQ(Bytes(Utf8ToString((side / "css_site.css_v").string())).substr(0, 3), "\xEF\xBB\xBF");
  // Two queries of one sheet do not overwrite each other.
  EXPECT_NE(Bytes(Utf8ToString((side / "a.css_v").string())).find("v=1"), std::string::npos);
  EXPECT_NE(Bytes(Utf8ToString((side / "a_2.css_v").string())).find("v=2"), std::string::npos);
  EXPECT_FALSE(fs::exists(side / "alt.css"));
  EXPECT_EQ(Bytes(Utf8ToString((side / "pics_x.png").string())), "\x01\x02\x03");
  // A hostile link stays inside the folder.
  size_t inside = 0;
  for (auto& entry : fs::directory_iterator(side)) inside += entry.is_regular_file();
  EXPECT_EQ(inside, 5u);
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 2);

  const String html = LoadFileToString(file);
  EXPECT_NE(html.find(u"href=\"page.html.files/css_site.css_v\""), String::npos);
  EXPECT_NE(html.find(u"href=\"alt.css\""), String::npos);
  EXPECT_NE(html.find(u"href=\"gone.css\""), String::npos);
  EXPECT_NE(html.find(u"src=\"page.html.files/pics_x.png\""), String::npos);
  EXPECT_NE(html.find(u"src=\"fails.png\""), String::npos);
  EXPECT_NE(html.find(u"src=\"data:"), String::npos);

  auto again = NewDocument();
  again->LoadfromFile(file);
  EXPECT_EQ(again->Body()->GetInnerText(), d->Body()->GetInnerText());
}

// --- Generated HTML ---------------------------------------------------------------

TEST_F(SaveTest, PropertyTableIsSortedWithKeywordNames) {
  const String t = THtDocument::SupportedCSSProperties();
  const size_t color = t.find(u"<tr name=\"color\">");
  const size_t display = t.find(u"<tr name=\"display\">");
  const size_t zIndex = t.find(u"<tr name=\"z-index\">");
  ASSERT_NE(color, String::npos);
  ASSERT_NE(display, String::npos);
  EXPECT_LT(color, display);
  EXPECT_LT(display, zIndex);
  const String row = t.substr(display, t.find(u"</tr>", display) - display);
  EXPECT_NE(row.find(u"/en-US/docs/Web/CSS/display\""), String::npos);
  EXPECT_NE(row.find(u"<td>enum</td>"), String::npos);
  EXPECT_NE(row.find(u"Inline Block InlineBlock "), String::npos) << StringToUtf8(row);
  EXPECT_NE(t.find(u"<td>yes</td>"), String::npos);
}

TEST_F(SaveTest, TableOfContentsEscapesHeadings) {
  auto d = Load(u"<h1>A &amp; B</h1><p>x</p><h3>say \"hi\"</h3><h6>no</h6>");
  const String toc = d->CreateTableofContents();
  EXPECT_TRUE(toc.starts_with(u"<h1 content=\"A &amp; B\">A &amp; B</h1><h3 content=\"")) << StringToUtf8(toc);
  // A quote in a heading cannot end the attribute.
  EXPECT_NE(toc.find(u"say &quot;hi&quot;\">"), String::npos) << StringToUtf8(toc);
  EXPECT_TRUE(toc.ends_with(u"say \"hi\"</h3>"));
  EXPECT_EQ(toc.find(u"h6"), String::npos);
  EXPECT_EQ(Load(u"<p>none</p>")->CreateTableofContents(), u"");
}

TEST_F(SaveTest, SearchResults) {
  const String far(100, u'x');
  auto d = Load(u"<h2>Skipped</h2><p>nothing</p><h2>Head &lt;1&gt;</h2><p>A foo and FOO, bar Foo.</p><p>" + far +
                u"foo</p>");
  const String r = d->CreateSearchResult(u" Foo bar ");
  EXPECT_TRUE(r.starts_with(u"<h2>")) << StringToUtf8(r);
  EXPECT_NE(r.find(u"Head &lt;1&gt;</h2><p>1. <a href=\"0\" pos=\""), String::npos) << StringToUtf8(r);
  EXPECT_EQ(r.find(u"Skipped"), String::npos);
  EXPECT_NE(r.find(u"charpos=\"3\">A <span>foo</span> and FOO, bar Foo.</a></p><p>2. <a href=\"1\""), String::npos)
      << StringToUtf8(r);
  // Hits of the first word in an element come before those of the second.
  const size_t third = r.find(u"<p>3. "), fourth = r.find(u"<p>4. ");
  EXPECT_NE(r.find(u"<span>Foo</span>.</a>", third), String::npos);
  EXPECT_LT(r.find(u"<span>bar</span>"), r.find(u"<p>5. "));
  EXPECT_GT(r.find(u"<span>bar</span>"), fourth);
  // Without separators the excerpt reaches back 60 characters.
  EXPECT_NE(r.find(u"charpos=\"101\">" + String(60, u'x') + u"<span>foo</span></a></p>"), String::npos);
  EXPECT_EQ(d->CreateSearchResult(u"absent"), u"<h3>-</h3>");
}

}  // namespace ht::testing
