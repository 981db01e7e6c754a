// HTML a host shows in another document: the table of the CSS properties
// the engine knows, a table of contents and search results with excerpts.
// These only read the document.
#include "css/property_registry.h"
#include "document/document.h"
#include "layout/text_element.h"
#include "markup/fast_string.h"
#include "markup/html_writer.h"
#include "markup/xml_node.h"
#include "platform/rtl/case_mapping.h"

namespace ht {

namespace {

// Where an excerpt may start: the word separators of word selection.
constexpr StringView kWordSeparators =
    u"\t\n\r \u00A0+-,.:;/\\=[]()!~<>\"|?\u2026*<>";

bool isSeparator(char16_t C) { return kWordSeparators.find(C) != StringView::npos; }

bool isHeading(StringView Tag) {
  return Tag.size() == 2 && Tag[0] == u'h' && Tag[1] >= u'1' && Tag[1] <= u'5';
}

// The text a text element shows; its content before it was prepared.
const String& preparedText(TTextElement& T) { return T.DisplayText.empty() ? T.Content() : T.DisplayText; }

}  // namespace

String THtDocument::SupportedCSSProperties() {
  TFastString FS(65535);
  FS.Add(
      u"<table cellpadding=\"3\" border=\"1\"><thead><tr><th>Name</th><th>Type</th><th>Inherited</th>"
      u"<th>Values</th></tr></thead><tbody>");
  if (const THtObjectDictionary* reg = CSSPropRegistry()) {
    int32_t pos = 0;
    while (THtObject* o = reg->NextObject(pos)) {
      auto* p = static_cast<TCSSPropRec*>(o);
      FS.Add(u"<tr name=\"").Add(p->Name).Add(u"\"><td><a href=\"https://developer.mozilla.org/en-US/docs/Web/CSS/");
      FS.Add(p->Name).Add(u"\">").Add(p->Name).Add(u"</a></td><td>");
      FS.Add(AsciiLowerCase(AsciiToString(EnumName(p->Kind).substr(3)))).Add(u"</td>");
      FS.Add(p->Inherited ? u"<td>yes</td>" : u"<td>no</td>").Add(u"<td>");
      if (p->EnumType) {
        for (size_t i = 0; i < p->EnumType->Count; ++i) {
          String name = AsciiToString(p->EnumType->ValueNames[i]);
          if (name.size() >= p->EnumPrefix.size() &&
              AsciiLowerCase(StringView(name).substr(0, p->EnumPrefix.size())) == p->EnumPrefix)
            name.erase(0, p->EnumPrefix.size());
          FS.Add(name).AddChar(u' ');
        }
      }
      FS.Add(u"</td></tr>");
    }
  }
  FS.Add(u"</tbody></table>");
  THtXMLNode table(FS.ToString());
  if (THtXMLNode* body = table.NodebyName(u"tbody")) body->SortbyAttr(u"name", true);
  return table.FormattedCode();
}

String THtDocument::CreateTableofContents() {
  TFastString FS(65535);
  for (TElement* e = this; e; e = e->NextElement()) {
    if (!isHeading(e->Tag())) continue;
    const String text = e->GetInnerText();
    // The attribute takes attribute escaping: a quote in the heading must
    // not end it.
    FS.AddChar(u'<').Add(e->Tag()).Add(u" content=\"").Add(EscapeAttrValue(text)).Add(u"\">");
    FS.Add(EscapeHtmlText(text)).Add(u"</").Add(e->Tag()).AddChar(u'>');
  }
  return FS.ToString();
}

String THtDocument::CreateSearchResult(const String& Text) {
  std::vector<String> words;
  {
    const size_t b = Text.find_first_not_of(u" \t\r\n");
    const size_t e = Text.find_last_not_of(u" \t\r\n");
    const String trimmed = b == String::npos ? String() : Text.substr(b, e - b + 1);
    size_t start = 0;
    for (size_t i = 0; i <= trimmed.size(); ++i)
      if (i == trimmed.size() || trimmed[i] == u' ' || trimmed[i] == u'\r' || trimmed[i] == u'\n') {
        words.push_back(trimmed.substr(start, i - start));
        if (i + 1 < trimmed.size() && trimmed[i] == u'\r' && trimmed[i + 1] == u'\n') ++i;
        start = i + 1;
      }
  }
  TFastString FS(65535);
  int count = 0;
  String heading;
  for (TElement* e = NextElement(); e; e = e->NextElement()) {
    if (auto* te = dynamic_cast<TTextElement*>(e)) {
      const String& t = preparedText(*te);
      const String l = LowerCaseSameLength(t);
      for (const String& word : words) {
        if (word.empty()) continue;
        const String w = LowerCaseSameLength(word);
        size_t p = l.find(w);
        if (p != String::npos && !heading.empty()) {
          FS.Add(heading);
          heading.clear();
        }
        while (p != String::npos) {
          // 1-based positions as the excerpt rule counts them.
          const int P = int(p) + 1;
          int J = std::max(P - 30, 1);
          while (J > 1 && P - J < 60 && !isSeparator(t[size_t(J) - 1])) --J;
          const size_t after = p + w.size();
          FS.Add(u"<p>").Add(count + 1).Add(u". <a href=\"").Add(count).Add(u"\" pos=\"");
          FS.Add(e->AbsoluteLinePosition()).Add(u"\" charpos=\"").Add(P).Add(u"\">");
          FS.Add(EscapeHtmlText(StringView(t).substr(size_t(J) - 1, p - (size_t(J) - 1)))).Add(u"<span>");
          FS.Add(EscapeHtmlText(StringView(t).substr(p, w.size()))).Add(u"</span>");
          FS.Add(EscapeHtmlText(StringView(t).substr(after, 50))).Add(u"</a></p>");
          ++count;
          p = l.find(w, after);
        }
      }
    } else if (e->Tag() == u"h2") {
      heading = u"<h2>" + EscapeHtmlText(e->GetInnerText()) + u"</h2>";
    }
  }
  if (FS.TotalLength() == 0) return u"<h3>-</h3>";
  return FS.ToString();
}

}  // namespace ht
