// Sections: values, look-ups, text output and shortening.
#include "css/css_section.h"

#include "css/css_text_utils.h"

namespace ht {

TCSSSection::TCSSSection(bool FOwnsSelectors) : Selectors(std::make_unique<TCSSSelectors>(FOwnsSelectors)) {}

TCSSSection::~TCSSSection() = default;

void TCSSSection::AddSelector(TCSSSelector* S) {
  S->Section = this;
  Selectors->Add(S);
}

void TCSSSection::AddValue(const TCSSValue& V) {
  Values.push_back(V);
  Values.back().Section = this;
}

void TCSSSection::DeleteValue(int Index) {
  if (Index < 0 || Index >= int(Values.size())) return;
  Values.erase(Values.begin() + Index);
  Compile();
}

namespace {

const TCSSValue* findValue(const TCSSValues& values, StringView name) {
  for (const TCSSValue& v : values)
    if (SameTextAscii(v.Token.Name, name)) return &v;
  return nullptr;
}

const TCSSTokens& emptyTokens() {
  static const TCSSTokens empty;
  return empty;
}

}  // namespace

const TCSSTokens& TCSSSection::ValuebyName(StringView Name) const {
  const TCSSValue* v = findValue(Values, Name);
  return v ? v->Tokens : emptyTokens();
}

const TCSSTokens& TCSSSection::CompiledValuebyName(StringView Name) const {
  const TCSSValue* v = findValue(CompiledValues, Name);
  return v ? v->Tokens : emptyTokens();
}

TCSSValue* TCSSSection::ItembyName(StringView Name) { return const_cast<TCSSValue*>(findValue(Values, Name)); }

const TCSSTokens* TCSSSection::AddCalcValue(const TCSSTokens& Tokens) {
  auto obj = std::make_unique<TCSSCalcValueObject>();
  obj->Tokens = Tokens;
  FCalcValues.push_back(std::move(obj));
  return &FCalcValues.back()->Tokens;
}

void TCSSSection::WriteTo(TFastString& Out) const {
  bool first = true;
  for (const TCSSSelector* s : *Selectors) {
    if (!first) Out.Add(u", ");
    first = false;
    Out.Add(SelectorText(*s));
  }
  Out.Add(u"\r\n{\r\n");
  for (const TCSSValue& v : Values) {
    Out.Add(u"  ");
    Out.Add(v.AsString());
    Out.Add(u"\r\n");
  }
  Out.AddChar(u'}');
}

String TCSSSection::AsString() const {
  TFastString out(256);
  WriteTo(out);
  return out.ToString();
}

String TCSSSection::AsInlineString() const {
  String s;
  for (const TCSSValue& v : Values) s += v.AsString();
  return String(TrimBlanks(s));
}

namespace {

bool sameTokenTexts(const TCSSValue& a, const TCSSValue& b) {
  if (a.Tokens.size() != b.Tokens.size()) return false;
  for (size_t i = 0; i < a.Tokens.size(); ++i)
    if (a.Tokens[i].CType != b.Tokens[i].CType || a.Tokens[i].Name != b.Tokens[i].Name) return false;
  return true;
}

// Joins Base-top/right/bottom/left into Base when all four are declared
// with equal tokens and Base itself is not declared.
bool joinSides(TCSSSection& s, StringView base) {
  const String b(base);
  if (s.ItembyName(b) || !s.ItembyName(b + u"-top")) return false;
  const TCSSValue* top = s.ItembyName(b + u"-top");
  for (const char16_t* side : {u"-right", u"-bottom", u"-left"}) {
    const TCSSValue* v = s.ItembyName(b + side);
    if (!v || !sameTokenTexts(*top, *v)) return false;
  }
  for (int i = int(s.Values.size()) - 1; i >= 0; --i) {
    const String& n = s.Values[size_t(i)].Token.Name;
    if (SameTextAscii(n, b + u"-right") || SameTextAscii(n, b + u"-bottom") || SameTextAscii(n, b + u"-left"))
      s.Values.erase(s.Values.begin() + i);
  }
  TCSSValue* t = s.ItembyName(b + u"-top");
  t->Token.Name = b;
  PrepareCSSValue(*t, &s);
  return true;
}

}  // namespace

void TCSSSection::Minify() {
  const bool border = joinSides(*this, u"border");
  const bool padding = joinSides(*this, u"padding");
  if (border || padding) Compile();
}

}  // namespace ht
