// Generated content: the text that "content" puts into ::before, ::after
// and ::marker during the style pass, and the expansion of attribute,
// counter and page references in content text at paint time.
#include <optional>

#include "document/computed_style.h"
#include "document/document.h"
#include "markup/str_utils.h"

namespace ht {

namespace {

// Filled in by the paged surfaces once the page count is known.
constexpr const char16_t* kPageCountPlaceholder = u"$$|$#";

TListStyleType counterStyle(StringView Name) {
  TListStyleType t = lstDecimal;
  if (Name.empty() || !EnumFromKeyword(Name, u"lst", t)) return lstDecimal;
  return t;
}

const TCSSCounter* counterOn(const THtNode* N, StringView Name) {
  auto* s = dynamic_cast<const TStyledHTMLNode*>(N);
  if (!s) return nullptr;
  for (const TCSSCounter& c : s->Counters)
    if (c.Name == Name) return &c;
  return nullptr;
}

// The nearest counter Name: on E, its previous siblings from the nearest
// back, then its parent and the parent's previous siblings, and so on up.
// Found is the node holding it.
const TCSSCounter* findCounter(const THtNode* E, StringView Name, const THtNode** Found = nullptr) {
  for (const THtNode* level = E; level; level = level->Parent())
    for (const THtNode* n = level; n; n = n->PreviousSibling())
      if (const TCSSCounter* c = counterOn(n, Name)) {
        if (Found) *Found = n;
        return c;
      }
  return nullptr;
}

int readInt(StringView s, bool& Ok) {
  String t = String(s);
  while (!t.empty() && t.front() <= u' ') t.erase(0, 1);
  while (!t.empty() && t.back() <= u' ') t.pop_back();
  Ok = false;
  if (t.empty()) return 0;
  size_t i = 0;
  bool neg = false;
  if (t[0] == u'+' || t[0] == u'-') neg = t[i++] == u'-';
  if (i == t.size()) return 0;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < u'0' || t[i] > u'9') return 0;
    v = v * 10 + (t[i] - u'0');
    if (v > 0x7FFFFFFF) return 0;
  }
  Ok = true;
  return int(neg ? -v : v);
}

String decimal(int v) { return AsciiToString(std::to_string(v)); }

// The page count once paging has counted the pages, else the placeholder.
String pageCountText(THtDocument* D) {
  if (!D) return kPageCountPlaceholder;
  D->FPageCountShown = true;
  return D->FKnownPageCount > 0 ? decimal(D->FKnownPageCount) : String(kPageCountPlaceholder);
}


}  // namespace

void TElement::GenerateContent(TElement* Target) {
  TElementStyle* ts = Target ? ElementStyleOf(Target) : nullptr;
  PCSSValue v = ts ? ts->FindOwnProp(cspContent) : nullptr;
  if (!v) return;
  const TCSSTokens& tokens = v->Tokens;
  const int page = Document ? Document->Page + 1 : 1;
  String text;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const TCSSToken& t = tokens[i];
    if (t.CType == ctIdent) {
      if (SameTextAscii(t.Name, u"none")) text.clear();
      else text += t.Name;
      continue;
    }
    if (t.CType == ctString) {
      text += t.Name;
      continue;
    }
    if (t.CType != ctFunction) continue;
    const bool isAttr = SameTextAscii(t.Name, u"attr"), isCounter = SameTextAscii(t.Name, u"counter"),
               isCounters = SameTextAscii(t.Name, u"counters");
    if (!isAttr && !isCounter && !isCounters) continue;  // its arguments are read as plain tokens
    // The arguments up to the matching ")"; an unterminated call takes the rest.
    std::vector<String> args(1);
    size_t j = i + 1;
    if (j < tokens.size() && tokens[j].CType == ctOpenPar) ++j;
    int depth = 0;
    for (; j < tokens.size(); ++j) {
      const TCSSToken& a = tokens[j];
      if (a.CType == ctOpenPar) ++depth;
      if (a.CType == ctClosePar && depth-- == 0) break;
      if (a.CType == ctSpace) continue;
      if (a.CType == ctComma && depth == 0) args.emplace_back();
      else args.back() += a.Name;
    }
    i = j;
    const String& name = args[0];
    if (isAttr) {
      if (Attributes()) text += GetAttribute(name);
    } else if (isCounter) {
      if (name == u"page") text += decimal(page);
      else if (name == u"pagecount") text += pageCountText(Document);
      else {
        const TListStyleType style = args.size() > 1 ? counterStyle(args[1]) : lstDecimal;
        if (name == u"list-item") {
          int start = 1;
          if (auto* c = dynamic_cast<TStyledHTMLNode*>(Container); c && c->HasAttribute(u"start")) {
            bool ok = false;
            const int s = readInt(c->GetAttribute(u"start"), ok);
            if (ok) start = s;
          }
          text += CounterText(style, start + TagIndex());
        } else if (const TCSSCounter* c = findCounter(this, name)) {
          text += CounterText(style, c->Value);
        }
      }
    } else {
      const String sep = args.size() > 1 ? args[1] : String();
      std::vector<int> values;
      const THtNode* from = this;
      const THtNode* found = nullptr;
      while (from) {
        const TCSSCounter* c = findCounter(from, name, &found);
        if (!c) break;
        values.push_back(c->Value);
        from = found->Parent();
      }
      String joined;
      for (auto it = values.rbegin(); it != values.rend(); ++it) {
        if (!joined.empty() || it != values.rbegin()) joined += sep;
        joined += decimal(*it);
      }
      text += joined;
    }
  }
  Target->SetContent(text);
}

String TElement::ExpandContent(StringView Content) {
  String r(Content);
  if (r == u"none") return r;
  if (r.starts_with(u"attr(")) {
    const size_t close = r.find(u')', 5);
    const String name = r.substr(5, close == String::npos ? String::npos : close - 5);
    auto* p = Parent();
    return p && p->Attributes() ? p->GetAttribute(name) : String();
  }
  const int page = Document ? Document->Page + 1 : 1;
  auto replaceAll = [&](StringView what, StringView with) {
    for (size_t at = r.find(what); at != String::npos; at = r.find(what, at + with.size()))
      r.replace(at, what.size(), with);
  };
  replaceAll(u"counter(page)", decimal(page));
  if (r.find(u"counter(pagecount)") != String::npos) replaceAll(u"counter(pagecount)", pageCountText(Document));
  auto takeArgs = [&](size_t prefix, String& Args) {
    const size_t close = r.find(u')', prefix);
    Args = r.substr(prefix, close == String::npos ? String::npos : close - prefix);
    r.erase(0, close == String::npos ? r.size() : close + 1);
  };
  if (r.starts_with(u"counter(")) {
    String args;
    takeArgs(8, args);
    String name = args;
    TListStyleType style = lstDecimal;
    if (const size_t comma = args.find(u','); comma != String::npos) {
      name = String(TrimBlanks(StringView(args).substr(0, comma)));
      style = counterStyle(String(TrimBlanks(StringView(args).substr(comma + 1))));
    }
    for (THtNode* n = this; n; n = n->Parent())
      if (const TCSSCounter* c = counterOn(n, name)) {
        r = CounterText(style, c->Value) + r;
        break;
      }
  } else if (r.starts_with(u"counters(")) {
    String args;
    takeArgs(9, args);
    const size_t comma = args.find(u',');
    const String name = comma == String::npos ? args : args.substr(0, comma);
    const String sep = comma == String::npos ? args : args.substr(comma + 1);
    for (THtNode* n = this; n; n = n->Parent())
      if (auto* s = dynamic_cast<TStyledHTMLNode*>(n))
        for (const TCSSCounter& c : s->Counters)
          if (c.Name == name) r = decimal(c.Value) + sep + r;
  }
  return r;
}

}  // namespace ht
