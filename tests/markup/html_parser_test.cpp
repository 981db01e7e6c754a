#include "markup/html_parser.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "markup/entities.h"
#include "markup/node.h"
#include "platform/rtl/code_pages.h"
#include "platform/rtl/stream.h"

namespace ht {
namespace {

using Items = std::vector<std::string>;

// One line per item: tags as "<tag a=v/>" ("/" when TagClosed), end tags as
// "</tag>", everything else as "type:value". "|end" marks a final false.
std::string itemText(const THtmlParser& hp) {
  std::string out;
  if (hp.TagType == htIdent) {
    out = (hp.IsCloseTag ? "</" : "<") + StringToUtf8(hp.Tag);
    if (hp.Attributes)
      for (int i = 0; i < hp.Attributes->Count; ++i)
        out += " " + StringToUtf8(hp.Attributes->GetName(i)) + "=" + StringToUtf8(hp.Attributes->GetValue(i));
    if (hp.TagClosed) out += "/";
    return out + ">";
  }
  out = std::string(EnumName(hp.TagType)) + ":" + StringToUtf8(hp.Value);
  if (!hp.Tag.empty()) out += " (" + StringToUtf8(hp.Tag) + (hp.TagClosed ? ", closed)" : ")");
  return out;
}

Items items(const String& html, bool xml = false, bool caseSensitive = false) {
  THtmlParser hp(html, xml);
  hp.SetCaseSensitive(caseSensitive);
  Items out;
  for (int guard = 0; guard < 1000; ++guard) {
    if (!hp.NextItem()) {
      out.push_back("|end");
      return out;
    }
    out.push_back(itemText(hp));
  }
  ADD_FAILURE() << "no end";
  return out;
}

String textOf(const String& html) {
  THtmlParser hp(html, false);
  String all;
  while (hp.NextItem()) all += hp.Value;
  return all;
}

class HtmlParser : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CreateEntityDictionaries(); }
};

TEST_F(HtmlParser, CharacterReferences) {
  const struct {
    String html;
    String text;
  } cases[] = {
      {u"&amp;&lt;&gt;&quot;&nbsp;", u"&<>\"\u00A0"},
      {u"&copy;", u"\u00A9"},
      {u"&unknown;", u"&unknown;"},
      {u"&copy", u"&copy"},
      {u"&copy x;", u"&copy x;"},  // a space ends the name
      {u"&#65;&#x42;", u"AB"},
      {u"&#X41;", String(1, u'\0')},  // upper-case X is not hexadecimal
      {u"&#1114112;", u"  "},
      {u"&#-5;", u"  "},
      {u"&#128512;", u"\U0001F600"},
      {u"&Afr;", u"\U0001D504"},
      {u"&#65abc;d", u"Ad"},  // what lies between the digits and ";" is dropped
      {u"&#65 b", u"A b"},
      {u"&amp &quox &nbs", u"& \" \u00A0"},  // short forms need no ";"
      {u"&DoubleLongLeftRightArrow;", u"\u27FA"},  // 24 units
      {u"&CounterClockwiseContourIntegral;", u"&CounterClockwiseContourIntegral;"},  // too long to look up
      {u"a&", u"a&"},
      {u"&;", u"&;"},
  };
  for (const auto& c : cases) EXPECT_EQ(textOf(c.html), c.text) << StringToUtf8(c.html);
  // Lone surrogates from numeric references are kept as they are.
  EXPECT_EQ(textOf(u"x&#xD800;y"), String(u"x") + char16_t(0xD800) + u"y");
  // References in attribute values.
  EXPECT_EQ(items(u"<a title=\"&lt;&#x41;&unknown;\">"), (Items{"<a title=<A&unknown;>", "|end"}));
}

TEST_F(HtmlParser, StrayLessThan) {
  EXPECT_EQ(items(u"a < b"), (Items{"htString:a ", "htString:< b", "|end"}));
  try {
    items(u"a < b", true);
    FAIL() << "no error";
  } catch (const EHtmlParserException& e) {
    EXPECT_EQ(e.Message(), u"Invalid tag name  . Line 0 position 3");
  }
  try {
    items(u"<a>\n<b x=y>", true);
    FAIL() << "no error";
  } catch (const EHtmlParserException& e) {
    EXPECT_EQ(e.Message(), u"Attribute x value expected but y found. Line 1 position 11");
  }
  try {
    items(u"<a b=>", true);
    FAIL() << "no error";
  } catch (const EHtmlParserException& e) {
    EXPECT_EQ(e.Message(), u"Attribute b value expected but > found. Line 0 position 7");
  }
}

TEST_F(HtmlParser, Attributes) {
  EXPECT_EQ(items(u"<input checked disabled=x>"), (Items{"<input checked=checked disabled=x>", "|end"}));
  EXPECT_EQ(items(u"<a href=/a/b?c=d>"), (Items{"<a href=/a/b?c=d>", "|end"}));
  EXPECT_EQ(items(u"<a title='x' title=\"y\">"), (Items{"<a title=x>", "|end"}));
  // A valueless repetition replaces the value.
  EXPECT_EQ(items(u"<a title=x title>"), (Items{"<a title=title>", "|end"}));
  EXPECT_EQ(items(u"<a x = \"it's\" y='say \"hi\"'>"), (Items{"<a x=it's y=say \"hi\">", "|end"}));
  EXPECT_EQ(items(u"<P CLASS=A>"), (Items{"<p class=A>", "|end"}));
  EXPECT_EQ(items(u"<P CLASS=A>", false, true), (Items{"<P CLASS=A>", "|end"}));
  // "=" with nothing usable after it drops the attribute.
  EXPECT_EQ(items(u"<a b=>x"), (Items{"<a>", "htString:x", "|end"}));
  // End tags carry no attributes.
  EXPECT_EQ(items(u"</p class=x>"), (Items{"</p>", "|end"}));
}

TEST_F(HtmlParser, TagShapes) {
  EXPECT_EQ(items(u"<br/><p>x</p>"), (Items{"<br/>", "<p>", "htString:x", "</p>", "|end"}));
  EXPECT_EQ(items(u"<!DOCTYPE html><?xml version='1.0'?><!-- c --><![CDATA[a<b]]><!>z"),
            (Items{"htCustom:DOCTYPE html", "htDirective:xml version='1.0'", "htComment: c ", "htCData:a<b",
                   "htString:z", "|end"}));
  EXPECT_EQ(items(u"<!---->x<!-->y"), (Items{"htComment:", "htString:x", "htComment:", "htString:y", "|end"}));
  // A "<" inside a tag ends it and starts the next one.
  EXPECT_EQ(items(u"<p <b>"), (Items{"<p>", "<b>", "|end"}));
  // "<" or "</" without a name gives no item of its own.
  EXPECT_EQ(items(u"</>x"), (Items{"htString:x", "|end"}));
  // Leading blanks are skipped; a text run keeps ">" and blanks.
  EXPECT_EQ(items(u"  \n a > b"), (Items{"htString:a > b", "|end"}));
}

TEST_F(HtmlParser, RawScriptAndStyle) {
  EXPECT_EQ(items(u"<script>if (a<b) x();</script>after"),
            (Items{"htScript:if (a<b) x(); (script, closed)", "htString:after", "|end"}));
  EXPECT_EQ(items(u"<SCRIPT type=x>\n <!-- a<b -->\n</Script>"),
            (Items{"htScript: a<b  (script, closed)", "|end"}));
  // Blanks and NULs are trimmed first; a leading comment opener is dropped, and
  // the last 3 units only when they close the comment.
  EXPECT_EQ(items(String(u"<script>\t<!-- foo-") + u'\0' + u"</script>"),
            (Items{"htScript: foo- (script, closed)", "|end"}));
  EXPECT_EQ(items(u"<style><!-- p{} -->q{}</style>"), (Items{"htStyle: p{} q{} (style, closed)", "|end"}));
  // Only script and style are raw: a textarea is markup.
  EXPECT_EQ(items(u"<textarea><b></textarea>"), (Items{"<textarea>", "<b>", "</textarea>", "|end"}));
  // XML mode has no raw elements.
  EXPECT_EQ(items(u"<script>a</script>", true), (Items{"<script>", "htString:a", "</script>", "|end"}));
}

TEST_F(HtmlParser, CutOffItemsAreLost) {
  EXPECT_EQ(items(u"x<p title='y"), (Items{"htString:x", "|end"}));
  EXPECT_EQ(items(u"<p class=a"), (Items{"|end"}));
  EXPECT_EQ(items(u"<script>x()"), (Items{"|end"}));
  EXPECT_EQ(items(u"<p "), (Items{"|end"}));
  EXPECT_EQ(items(u""), (Items{"|end"}));
}

TEST_F(HtmlParser, RepeatCurrentAndPositions) {
  THtmlParser hp(u"ab<p>", false);
  ASSERT_TRUE(hp.NextItem());
  EXPECT_EQ(hp.StartPos, 0);
  ASSERT_TRUE(hp.NextItem());
  EXPECT_EQ(hp.Tag, u"p");
  EXPECT_EQ(hp.StartPos, 4);  // the ">" that ended the tag
  hp.RepeatCurrent = true;
  ASSERT_TRUE(hp.NextItem());
  EXPECT_EQ(hp.Tag, u"p");
  EXPECT_FALSE(hp.NextItem());
  // Tag names are interned: equal names share one table entry.
  EXPECT_EQ(hp.TagList->Count(), 2);  // "*" and "p"
}

// ---- encodings --------------------------------------------------------------

TEST_F(HtmlParser, CharsetToCodepage) {
  const struct {
    const char16_t* name;
    int cp;
  } cases[] = {
      {u"iso-8859-15", 1252}, {u"iso-8859-2", 28592}, {u"iso-8859-5", 28595}, {u"iso-8859-9", 1254},
      {u"iso-8859-8", 1255},  {u"koi8-r", 20866},     {u"windows-874", 874},  {u"windows-1251", 1251},
      {u"windows-12x5", 0},   {u"gb2312", 936},       {u"utf-8", 65001},      {u"big5", 950},
      {u"shift_jis", 0},      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(THtmlParser::CharsettoCodepage(c.name), c.cp) << StringToUtf8(c.name);
}

TEST_F(HtmlParser, MetaCharsetRedecodesOnce) {
  // "Привет" and "Мир" as windows-1251 bytes, read as ANSI text.
  const String html =
      AnsiToString("<meta charset=windows-1251><p>\xCF\xF0\xE8\xE2\xE5\xF2<meta charset=koi8-r>\xCC\xE8\xF0");
  THtmlParser hp(html, false);
  Items got;
  while (hp.NextItem()) got.push_back(itemText(hp));
  EXPECT_EQ(got, (Items{"<meta charset=windows-1251>", "<p>", "htString:Привет", "<meta charset=koi8-r>",
                        "htString:Мир"}));
  EXPECT_EQ(hp.Encoding, heANSI);
  EXPECT_EQ(hp.Codepage, 1251u);
  EXPECT_TRUE(hp.FEncodingProcessed);
}

TEST_F(HtmlParser, MetaCharsetLeavesNonAnsiTextAlone) {
  // Text handed over as a string: it holds characters no ANSI byte stands
  // for, so it was never ANSI and must not be decoded again.
  THtmlParser hp(u"<meta charset=windows-1251><p>Привет \u00E9", false);
  String text;
  while (hp.NextItem())
    if (hp.TagType == htString) text += hp.Value;
  EXPECT_EQ(text, u"Привет \u00E9");
  EXPECT_EQ(hp.Encoding, heANSI);
  EXPECT_EQ(hp.Codepage, 1251u);
}

TEST_F(HtmlParser, MetaCharsetRedecodesBuiltNodes) {
  THtmlNode root(u"html");
  THtNode* title = root.AddChild(&THtmlNode::ClassType);
  title->SetContent(AnsiToString("\xCF\xF0\xE8"));
  title->SetAttribute(u"alt", AnsiToString("\xCC\xE8\xF0"));
  THtNode* plain = root.AddChild(&THtmlNode::ClassType);
  plain->SetContent(u"Ж");  // not ANSI text: left alone
  THtmlParser hp(u"<meta charset=windows-1251>", false);
  hp.Root = &root;
  while (hp.NextItem()) {
  }
  EXPECT_EQ(title->Content(), u"При");
  EXPECT_EQ(title->GetAttribute(u"alt"), u"Мир");
  EXPECT_EQ(plain->Content(), u"Ж");
}

TEST_F(HtmlParser, Utf8Switches) {
  // A UTF-8 byte-order mark read as ANSI text switches to UTF-8.
  THtmlParser bom(AnsiToString("\xEF\xBB\xBF<p>caf\xC3\xA9"), false);
  EXPECT_EQ(bom.Encoding, heUTF8);
  Items got;
  while (bom.NextItem()) got.push_back(itemText(bom));
  EXPECT_EQ(got, (Items{"<p>", "htString:café"}));

  // A UTF-16 mark is skipped.
  EXPECT_EQ(items(u"\uFEFF<p>"), (Items{"<p>", "|end"}));

  // http-equiv content-type naming UTF-8 (lower-cased before the test).
  THtmlParser meta(AnsiToString("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\xE2\x82\xAC"),
                   false);
  String text;
  while (meta.NextItem())
    if (meta.TagType == htString) text += meta.Value;
  EXPECT_EQ(text, u"\u20AC");
  EXPECT_EQ(meta.Encoding, heUTF8);

  // Text that is not UTF-8 stays as it is; only the encoding is noted.
  THtmlParser latin(AnsiToString("<meta charset=utf-8>caf\xE9"), false);
  text.clear();
  while (latin.NextItem())
    if (latin.TagType == htString) text += latin.Value;
  EXPECT_EQ(text, u"caf\u00E9");
  EXPECT_EQ(latin.Encoding, heUTF8);

  // IgnoreMetaEncoding keeps the text.
  THtmlParser ignored(AnsiToString("<meta charset=windows-1251>\xCF"), false);
  ignored.IgnoreMetaEncoding = true;
  text.clear();
  while (ignored.NextItem())
    if (ignored.TagType == htString) text += ignored.Value;
  EXPECT_EQ(text, u"\u00CF");
  EXPECT_EQ(ignored.Encoding, heDefault);
}

class FileEncoding : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "ht_file_encoding_" + std::to_string(::getpid()) + "/";
    std::system(("mkdir -p " + dir_).c_str());
  }
  String write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return Utf8ToString(path);
  }
  std::string dir_;
};

TEST_F(FileEncoding, Sniffing) {
  const struct {
    const char* name;
    std::string bytes;
    THtmlEncoding encoding;
    int codePage;
  } cases[] = {
      {"koi8.html", "<html><meta charset=koi8-r><p>\xF0\xD2\xC9", heDefault, 20866},
      {"quoted.html", "<meta http-equiv=x content=\"text/html; charset=\"windows-1251\">", heDefault, 1251},
      {"utf16.html", std::string("<\0p\0>\0<\0/\0p\0>\0", 14), heUTF16, 0},
      {"bom8.html", "\xEF\xBB\xBF<p>", heUTF8, 0},
      {"bom16.html", std::string("\xFF\xFE<\0", 4), heUTF16, 0},
      {"utf8.html", "<p>caf\xC3\xA9", heUTF8, 0},
      {"plain.html", "<p>caf\xE9", heDefault, 0},
      {"empty.html", "", heDefault, 0},
  };
  for (const auto& c : cases) {
    int cp = -1;
    EXPECT_EQ(THtmlParser::GetFileEncoding(write(c.name, c.bytes), cp), c.encoding) << c.name;
    EXPECT_EQ(cp, c.codePage) << c.name;
  }
  int cp;
  EXPECT_THROW(THtmlParser::GetFileEncoding(Utf8ToString(dir_ + "missing.html"), cp), EFOpenError);
}

}  // namespace
}  // namespace ht

namespace ht {
namespace {

// Random markup-like text: HTML mode never raises, XML mode raises only its
// own exception, and every parse ends (each item consumes text).
TEST_F(HtmlParser, RandomMarkupEnds) {
  const char16_t* pieces[] = {u"<",      u">",     u"/",     u"=",  u"\"", u"'",   u"&",   u"#",    u"x",
                              u";",      u"!",     u"-",     u"?",  u"[",  u"]",   u"a",   u"B",    u" ",
                              u"\n",     u"1",     u"script", u"style", u"CDATA", u"amp", u"\u00E9", u"\u4E2D",
                              u"meta charset=koi8-r", u"&#x1F600;", u"<!--", u"-->", u"&#xD800;"};
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 2000; ++round) {
    String text;
    const int n = int(next() % 40);
    for (int i = 0; i < n; ++i) text += pieces[next() % (sizeof(pieces) / sizeof(pieces[0]))];
    if (next() % 8 == 0) text.push_back(u'\0');
    for (bool xml : {false, true}) {
      THtmlParser hp(text, xml);
      int count = 0;
      try {
        while (hp.NextItem()) ASSERT_LE(++count, int(text.size()) + 2) << StringToUtf8(text);
      } catch (const EHtmlParserException&) {
        EXPECT_TRUE(xml) << StringToUtf8(text);
      }
    }
  }
}

}  // namespace
}  // namespace ht
