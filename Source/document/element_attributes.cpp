// What an element does with its attributes when the parser hands them
// over: style, link and script elements feed the document, the body's link
// colour becomes a rule, and every attribute passes through the
// presentational mapping. Also the element's event entry points.
#include "css/styled_element_link.h"
#include "document/document.h"
#include "document/script_adapter.h"
#include "markup/str_utils.h"
#include "markup/url_utils.h"

namespace ht {

namespace {


// Style text inside an HTML comment or a CDATA section: only markers that
// are really there are dropped.
String unwrapStyleText(String s) {
  if (s.starts_with(u"<!--")) {
    s.erase(0, 4);
    if (s.ends_with(u"-->")) s.resize(s.size() - 3);
  } else if (s.starts_with(u"<![CDATA[")) {
    s.erase(0, 9);
    if (s.ends_with(u"]]>")) s.resize(s.size() - 3);
  }
  return s;
}

// One CSS value: nothing that would end the declaration or the rule.
bool isOneValue(StringView v) {
  if (TrimBlanks(v).empty()) return false;
  for (char16_t c : v)
    if (c == u';' || c == u'{' || c == u'}' || c == u'<' || c == u'/' || c == u'\\') return false;
  return true;
}

}  // namespace

void TElement::ParseAttributes(THtmlParser& HP) {
  if (Tag() == u"xbody" && Container != this && Document && Document != this) {
    // The attributes of a second body belong to the document.
    Document->ParseAttributes(HP);
    return;
  }
  THtmlNode::ParseAttributes(HP);
  THtDocument* doc = Document;
  if (doc && Tag() == u"style") {
    const String type = GetAttribute(u"type");
    if (type.empty() || SameTextAscii(type, u"text/css")) {
      const String text = unwrapStyleText(String(TrimBlanks(Content())));
      doc->ParseStyles(text);
    }
  } else if (doc && Tag() == u"script") {
    const String src = GetAttribute(u"src");
    const String code = src.empty() ? Content() : doc->GetURL(src, this);
    if (!code.empty())
      if (THtScriptAdapter* adapter = doc->ScriptAdapter()) adapter->AddScript(code, GetAttribute(u"type"));
  }
  const THtAttributes* a = Attributes();
  if (!a || a->Count == 0) return;
  if (doc && Tag() == u"link" && (GetAttribute(u"type") == u"text/css" || GetAttribute(u"rel") == u"stylesheet")) {
    bool skip = false;
    const String media = GetAttribute(u"media");
    if (!media.empty() && !SameTextAscii(media, u"all")) {
      TCSSMedia m = cmAll;
      if (EnumFromKeyword(media, u"cm", m) && m != doc->Media) skip = true;
    }
    const String href = GetAttribute(u"href");
    if (!skip && !href.empty() && !GetAttribute(u"rel").starts_with(u"alternate")) {
      const String text = doc->GetURL(href, this);
      if (!text.empty()) {
        String folder = doc->CurrentFile;
        const size_t slash = folder.find_last_of(u"/\\");
        folder = slash == String::npos ? String() : folder.substr(0, slash + 1);
        doc->Styles->URL = CombineURL(folder, href);
        doc->Styles->Parse(text, -1, false);
      }
    }
  }
  std::vector<std::pair<String, String>> list;
  for (int i = 0; i < a->Count; ++i) list.emplace_back(a->GetName(i), a->GetValue(i));
  for (const auto& [name, value] : list) ParseAttribute(name, value);
}

void TElement::ParseAttributesString(StringView s) {
  THtmlParser hp(u"<p " + String(s) + u"/>", false);
  hp.NextItem();
  ParseAttributes(hp);
}

void TElement::ParseAttribute(StringView Param, StringView Value) {
  TStyledHTMLNode::ParseAttribute(Param, Value);
  if (Tag() == u"body" && SameTextAscii(Param, u"link") && Document && Document->Styles && isOneValue(Value))
    Document->Styles->Parse(u"a {color: " + String(TrimBlanks(Value)) + u";}", -1, false);
}

// --- Events ----------------------------------------------------------------------------------

void TElement::RunImmediateEvent(StringView Event) {
  THtDocument* doc = Document;
  if (!doc || doc->Event.PropagationStopped()) return;
  THtScriptAdapter* adapter = doc->ScriptAdapter();
  if (!adapter) return;
  const String name(Event);
  const String handler = GetAttribute(u"on" + name);
  if (!handler.empty()) adapter->Run(this, name, handler);
  if (FListeners)
    for (const auto& [event, function] : *FListeners)
      if (event == name) {
        adapter->RunFunction(this, function, {});
        break;
      }
}

void TElement::AddEventListener(StringView Event, THtObject* AHandler) {
  if (!FListeners) FListeners = std::make_unique<TElementListeners>();
  FListeners->emplace_back(String(Event), AHandler);
}

void TElement::SetPseudoClass(TCSSPseudoClass PClass, bool Add, bool Recursive) {
  if (auto* facts = ElementStyleFactsOf(Style()); facts && OwnsStyle())
    facts->Style().ApplyPseudoClass(PClass, Add);
  if (!Recursive) return;
  for (int i = 0; i < Count(); ++i)
    if (auto* e = dynamic_cast<TElement*>(GetNode(i))) e->SetPseudoClass(PClass, Add, true);
}

}  // namespace ht
