#include <cstdio>
#include <fstream>
#include <memory>

#include "document/global.h"
#include "document/self_styles.h"
#include "document_fixture.h"
#include "markup/html_tokenizer.h"
#include "platform/rtl/stream.h"
#include "trace_document.h"

namespace ht::testing {

std::unique_ptr<THtDocument> MakeTraceDocument() { return std::make_unique<THtDocument>(&TTraceCanvas::ClassType); }

namespace {
std::unique_ptr<THtDocument> parsed(const String& html, THtQuirksMode mode = qmAuto) {
  auto doc = std::make_unique<THtDocument>(&TTraceCanvas::ClassType);
  doc->SetQuirksModeSelector(mode);
  doc->Parse(html);
  return doc;
}
String childTags(THtNode* n) {
  String s;
  for (int i = 0; i < n->Count(); ++i) s += (n->GetNode(i)->Tag().empty() ? u"#" : n->GetNode(i)->Tag()) + u" ";
  return s;
}
}  // namespace

TEST_F(DocumentTest, ParseNormalisesTheTree) {
  auto doc = parsed(u"<!-- c --><!DOCTYPE html><html lang=en><head><title>T</title></head><body><p>x</p></body></html>");
  ASSERT_TRUE(doc->ProcessingInstructins);
  EXPECT_EQ(doc->ProcessingInstructins->size(), 1u);
  EXPECT_EQ(doc->ProcessingInstructins->front(), u"<!DOCTYPE html>");
  EXPECT_FALSE(doc->IsQuirksMode());
  EXPECT_EQ(doc->Tag(), u"html");
  EXPECT_EQ(doc->GetAttribute(u"lang"), u"en");
  EXPECT_EQ(childTags(doc.get()), u"head body ");
  ASSERT_TRUE(doc->BodyElement);
  EXPECT_EQ(doc->BodyElement->Tag(), u"body");
  EXPECT_EQ(doc->Title, u"T");
  EXPECT_TRUE(doc->BodyElement->HasFlag(efStyleCalculated));

  auto text = parsed(u"just text");
  EXPECT_EQ(text->Tag(), u"body");
  EXPECT_EQ(text->BodyElement, text.get());
  EXPECT_TRUE(text->IsQuirksMode());

  auto fragment = parsed(u"<p>a</p><div>b</div>");
  EXPECT_EQ(fragment->Tag(), u"body");
  EXPECT_EQ(fragment->BodyElement, fragment.get());
  EXPECT_EQ(childTags(fragment.get()), u"p div ");

  // A second content element beside the body: a new body wraps both, in order.
  auto wrapped = parsed(u"<html><head><style>p{}</style></head><body>b</body><div>d</div></html>");
  ASSERT_TRUE(wrapped->BodyElement);
  EXPECT_NE(wrapped->BodyElement, wrapped.get());
  EXPECT_EQ(childTags(wrapped.get()), u"head body ");
  // The old body is a second body now, renamed so it is styled as a block.
  EXPECT_EQ(childTags(wrapped->BodyElement), u"xbody div ");
}

TEST_F(DocumentTest, InnerHtmlIsNormalisedToo) {
  THtDocument doc(&TTraceCanvas::ClassType);
  doc.SetInnerHTML(u"<p>a</p><div>b</div>");
  EXPECT_EQ(doc.Tag(), u"body");
  EXPECT_EQ(doc.BodyElement, &doc);
}

TEST_F(DocumentTest, QuirksModeFollowsTheDoctypeInAnyCase) {
  struct Case {
    const char16_t* html;
    THtQuirksMode mode;
    bool quirks;
  } cases[] = {{u"<!DOCTYPE html><p>x", qmAuto, false}, {u"<!doctype html><p>x", qmAuto, false},
               {u"<!DOCTYPE html><p>x", qmQuirks, false}, {u"<p>x", qmQuirks, true},
               {u"<p>x", qmDocType, false},           {u"<p>x", qmAuto, true}};
  for (const Case& c : cases) EXPECT_EQ(parsed(c.html, c.mode)->IsQuirksMode(), c.quirks) << StringToUtf8(c.html);
}

TEST_F(DocumentTest, ParseRunsOnce) {
  auto doc = parsed(u"<p>x</p>");
  try {
    doc->Parse(u"<p>y</p>");
    ADD_FAILURE() << "no exception";
  } catch (const EHtmlParserException& e) {
    EXPECT_EQ(e.Message(), u"THtDOcument.Parse should be called only once");
  }
  EXPECT_EQ(doc->Count(), 1);
}

TEST_F(DocumentTest, StreamsSkipTheirByteOrderMark) {
  const char bytes[] = "\xEF\xBB\xBF<p>\xC3\xA9</p>";
  TMemoryStream s(bytes, sizeof bytes - 1);
  THtDocument doc(&TTraceCanvas::ClassType);
  doc.LoadfromStream(s, heANSI, 0);
  EXPECT_EQ(doc.GetInnerText().find(u"\u00e9") != String::npos, true);
}

TEST_F(DocumentTest, StyleAndLinkElementsFeedTheSheet) {
  THtDocument doc(&TTraceCanvas::ClassType);
  doc.SharedStyles = false;
  std::vector<String> fetched;
  doc.OnGetUrl = [&](THtDocument*, const String& url, TElement*) {
    fetched.push_back(url);
    return url == u"self.css" ? String(u"@import 'self.css'; i{color:red}") : String(u"b{color:red}");
  };
  doc.Parse(
      u"<head><style type='TEXT/CSS'><!-- p{color:red} --></style><style type='text/less'>q{color:red}</style>"
      u"<style><!--x</style><style>a</style>"
      u"<link rel='alternate stylesheet' href='alt.css'><link rel=stylesheet media=print href='print.css'>"
      u"<link rel=stylesheet media=xyz href='xyz.css'><link rel=stylesheet href='self.css'></head><body>t</body>");
  // The self-import is fetched once (relative to the sheet) and not again.
  ASSERT_EQ(fetched.size(), 3u);
  EXPECT_EQ(fetched[0], u"xyz.css");
  EXPECT_EQ(fetched[1], u"self.css");
  const String css = doc.Styles->AsString();
  EXPECT_NE(css.find(u"p"), String::npos);
  EXPECT_EQ(css.find(u"q"), String::npos);
}

TEST_F(DocumentTest, SharedStyleTextIsParsedOnce) {
  const String html = u"<style>.shared-once{color:red}</style><p>x";
  auto a = parsed(html);
  auto b = parsed(html);
  TCSSStyleSheet* sheet = nullptr;
  ASSERT_TRUE(DocumentSheetCache()->FindSS(u".shared-once{color:red}", sheet));
}

TEST_F(DocumentTest, CalcSizeScalesByDpiAndReportsSizeChanges) {
  auto doc = parsed(u"<p>x</p>");
  doc->SetDPI(192);
  doc->CalcSize(1000, 800);
  EXPECT_EQ(doc->ClientWidth, 500);
  EXPECT_EQ(doc->ClientHeight, 400);
  EXPECT_FALSE(doc->NeedRecalc);

  int raised = 0, nested = 0;
  float height = 10;
  doc->OnLayoutPass = [&](THtDocument& d) {
    d.ContentHeight = height;
    ++nested;
    d.CalcSize(10, 10);  // re-entrant calls are ignored
  };
  doc->OnSizeChanged = [&](THtObject*) { ++raised; };
  doc->CalcSize(1000, 800);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(raised, 1);
  height = 11;  // the content height is reset to 0 first: the change is 1
  doc->ContentHeight = 10;
  doc->CalcSize(1000, 800);
  EXPECT_EQ(raised, 1);
  height = 12;
  doc->ContentHeight = 10;
  doc->CalcSize(1000, 800);
  EXPECT_EQ(raised, 2);

  doc->SetDPI(0);  // counts as 96
  doc->CalcSize(300, 200);
  EXPECT_EQ(doc->ClientWidth, 300);
}

TEST_F(DocumentTest, RepaintDuringDrawOnlyRecordsTheRequest) {
  auto doc = parsed(u"<p>x</p>");
  int repaints = 0;
  doc->OnRepaint = [&](THtObject*) { ++repaints; };
  doc->OnLayoutPass = [&](THtDocument& d) { d.Repaint(); };
  doc->Draw(nullptr, TRect{0, 0, 100, 100});
  EXPECT_EQ(repaints, 0);
  EXPECT_TRUE(doc->NeedRepaint);
  doc->Repaint();
  EXPECT_EQ(repaints, 1);
  EXPECT_FALSE(doc->NeedRepaint);
}

TEST_F(DocumentTest, LoadfromFileReadsLinesAndRegistersFontFaces) {
  const std::string path = ::testing::TempDir() + "ht_load_test.html";
  {
    std::ofstream f(path, std::ios::binary);
    f << "<style>@font-face{font-family:Gone; src:url(missing.ttf)}"
         " @font-face{font-family:Inline; src:url(data:font/ttf;base64,AAAA)}</style>\r<p>a</p>\n<p>b</p>";
  }
  THtDocument doc(&TTraceCanvas::ClassType);
  doc.LoadfromFile(Utf8ToString(path));
  EXPECT_EQ(doc.CurrentFile, Utf8ToString(path));
  // A missing file is ignored; the family keeps its own name.
  EXPECT_EQ(doc.ResolveFontFamily(u"Gone"), u"gone");
  EXPECT_EQ(doc.ResolveFontFamily(u"Other"), u"Other");
  THtDocument missing(&TTraceCanvas::ClassType);
  EXPECT_THROW(missing.LoadfromFile(u"/nonexistent/x.html"), EFOpenError);
  std::remove(path.c_str());
}

}  // namespace ht::testing
