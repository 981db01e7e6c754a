#include "css/styled_node.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "css/css_extensions.h"
#include "css/css_section.h"
#include "css/css_tokenizer.h"
#include "css/css_value.h"
#include "css/default_style_sheet.h"
#include "css/float_bands.h"
#include "css/style_maps.h"
#include "css/style_sheet.h"
#include "css/styled_element_link.h"
#include "markup/hash_dictionary.h"
#include "platform/rtl/format.h"

namespace ht {

const THtNodeClass TStyledHTMLNode::ClassType{"TStyledHTMLNode", &THtmlNode::ClassType,
                                              CreateInstance<TStyledHTMLNode, THtNode>};

struct TStyledHTMLNode::TExtras {
  std::unique_ptr<TBlockFloats> FloatMap;
  String VirtualSelfStyle;
};

TStyledHTMLNode::TStyledHTMLNode() = default;

TStyledHTMLNode::~TStyledHTMLNode() {
  if (FSelfStyleSheet && FSelfStyleSheet->RefCounter == 0) delete FSelfStyleSheet;
  FSelfStyleSheet = nullptr;
  FExtras.reset();
  FStyle.reset();
}

namespace {

TStyledHTMLNode* asStyled(THtNode* n) { return n ? n->StyledSelf() : nullptr; }
const TStyledHTMLNode* asStyled(const THtNode* n) { return n ? n->StyledSelf() : nullptr; }

StringView trimmed(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return s.substr(b, e - b);
}

// True when Text reads as one CSS value: nothing in it (outside strings)
// could end the declaration or the rule, raise its priority or open a
// comment that swallows what follows; strings are closed and brackets
// balanced. An attribute value failing this is dropped as a whole.
//
// Two readings must agree: a plain scan of quotes and brackets, and the CSS
// tokenizer itself, which reads url( and escapes its own way; the value
// followed by ";" must come out with that ";" as its only top-level one.
bool isOneCSSValue(StringView Text) {
  int depth = 0;
  char16_t quote = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c == u'\\') {
      if (++i >= Text.size() || Text[i] == u'\n' || Text[i] == u'\r' || Text[i] == u'\f') return false;
      continue;
    }
    if (quote) {
      if (c == quote) quote = 0;
      else if (c == u'\n' || c == u'\r' || c == u'\f') return false;
      continue;
    }
    switch (c) {
      case u'"': case u'\'': quote = c; break;
      case u'(': case u'[': ++depth; break;
      case u')': case u']': if (--depth < 0) return false; break;
      case u';': case u'{': case u'}': case u'!': case u'<': return false;
      case u'/': if (i + 1 < Text.size() && Text[i + 1] == u'*') return false; break;
      default: break;
    }
  }
  if (quote != 0 || depth != 0) return false;
  TCSSTokenizer tokenizer(String(Text) + u";", false);
  depth = 0;
  while (tokenizer.NextToken()) {
    const TCSSToken& t = tokenizer.Token;
    switch (t.CType) {
      case ctSemicolon:
        // Only the one appended, at the very end and outside any group.
        return depth == 0 && tokenizer.FParser->p >= tokenizer.FParser->pend;
      case ctBlockStart: case ctBlockEnd: case ctAtKeyword: case ctCDO: case ctCDC: case ctComment:
        return false;
      case ctDelimiter:
        if (t.Name == u"!" || t.Name == u"<") return false;
        break;
      case ctOpenPar: case ctOpenBr: ++depth; break;
      case ctClosePar: case ctCloseBr: if (--depth < 0) return false; break;
      default: break;
    }
  }
  return false;  // the appended ";" was swallowed (a string or url ran on)
}

// Text inside a CSS string delimited by Quote, escaped so that it cannot
// close the string.
String cssQuoted(StringView Text, char16_t Quote) {
  String s(1, Quote);
  for (char16_t c : Text) {
    if (c == Quote || c == u'\\') {
      s += u'\\';
      s += c;
    } else if (c == u'\n' || c == u'\r' || c == u'\f') {
      s += u"\\a ";
    } else {
      s += c;
    }
  }
  s += Quote;
  return s;
}

std::unique_ptr<TCSSStyleSheet> sheetFromRule(StringView Declarations, int64_t Weight) {
  auto sheet = std::make_unique<TCSSStyleSheet>();
  if (!IsBlankString(Declarations)) sheet->Parse(u"*{" + String(Declarations) + u"}", Weight, false);
  return sheet;
}

}  // namespace

// --- Flags and style -----------------------------------------------------------------

void TStyledHTMLNode::SetFlag(TElementFlag Flag, bool Value, bool RecursiveUp, bool RecursiveDown,
                              const TStyledHTMLNode* StopElement) {
  if (Value && Flag == efCompletelyDrawn && RecursiveDown && !RecursiveUp && HasFlag(Flag)) return;
  if (Value) IncludeFlag(Flag);
  else ExcludeFlag(Flag);
  if (this == StopElement) return;
  if (RecursiveUp)
    if (TStyledHTMLNode* p = StyledParent()) p->SetFlag(Flag, Value, true, false, StopElement);
  if (RecursiveDown) {
    if (const THtNodeList* l = ChildNodeList())
      for (int i = 0; i < l->Count(); ++i)
        if (TStyledHTMLNode* c = asStyled(static_cast<THtNode*>(l->List()[i]))) c->SetFlag(Flag, Value, false, true, StopElement);
    if (Before) Before->SetFlag(Flag, Value, RecursiveUp, RecursiveDown, StopElement);
    if (After) After->SetFlag(Flag, Value, RecursiveUp, RecursiveDown, StopElement);
  }
}

void TStyledHTMLNode::CreateStyle() {
  const TElementStyleClass* c = StyleClass();
  if (c) FStyle = c->Create(this);
}

void TStyledHTMLNode::ResetStyle() {
  if (FStyle) FStyle->Reset();
}

void TStyledHTMLNode::StyleChanged(bool /*ForceRecalc*/) { ExcludeFlag(efStyleCalculated); }

void TStyledHTMLNode::CollectDeclarations(std::span<TCSSStyleSheet* const> Sheets, TCSSWeightList& WL,
                                          TCSSPseudoSet APseudo) {
  static const TStyledNodeFacts facts;
  for (TCSSStyleSheet* sheet : Sheets) {
    if (!sheet) continue;
    const TCSSStyleMaps* map = &sheet->Main;
    if (APseudo & PseudoBit(pcBefore)) map = sheet->Before.get();
    else if (APseudo & PseudoBit(pcAfter)) map = sheet->After.get();
    else if (APseudo & PseudoBit(pcMarker)) map = sheet->Marker.get();
    sheet->GetElementSelectors(*this, facts, WL, map, APseudo);
  }
  if (APseudo & PseudoElementBits) return;
  // Most elements declare nothing of their own: no sheet is made for them.
  if (!FSelfStyleSheet && VirtualSelfStyle().empty() && IsBlankString(GetAttribute(u"style"))) return;
  if (TCSSStyleSheet* own = EnsureSelfStyleSheet()) own->GetAllSelectors(WL);
}

// --- Classes -------------------------------------------------------------------------

const TClassesArray& TStyledHTMLNode::ClassHashes() const {
  static const TClassesArray none;
  return FClassHashes ? *FClassHashes : none;
}

void TStyledHTMLNode::rebuildClassList() {
  const String text = AsciiLowerCase(trimmed(GetAttribute(u"class")));
  if (text.empty()) {
    FClassHashes.reset();
    return;
  }
  if (FClassHashes) FClassHashes->clear();
  else FClassHashes = std::make_unique<TClassesArray>();
  auto add = [&](StringView s) {
    TCSSClassRec rec;
    rec.s = String(s);
    rec.hash = rec.s.empty() ? 0 : HtTagHash(rec.s.data(), int32_t(rec.s.size()));
    FClassHashes->push_back(std::move(rec));
  };
  if (!HasFlag(efMultiClass)) {
    add(text);
    return;
  }
  size_t i = 0;
  while (i < text.size()) {
    const size_t b = i;
    while (i < text.size() && text[i] != u' ') ++i;
    add(StringView(text).substr(b, i - b));
    while (i < text.size() && text[i] == u' ') ++i;
  }
}

bool TStyledHTMLNode::HasClass(StringView CSSClass) {
  for (const TCSSClassRec& c : ClassHashes())
    if (c.s == CSSClass) return true;
  return false;
}

void TStyledHTMLNode::AddClass(StringView CSSClass) {
  const String current = GetStyleClass();
  String padded(1, u' '), name(1, u' ');
  padded.append(current).push_back(u' ');
  name.append(CSSClass).push_back(u' ');
  if (padded.find(name) != String::npos) return;
  String value = current;
  value.push_back(u' ');
  value.append(CSSClass);
  SetStyleClass(value);
  StyleChanged(true);
}

void TStyledHTMLNode::RemoveClass(StringView CSSClass) {
  if (!HasAttribute(u"class")) return;
  const String current = GetStyleClass();
  std::vector<String> names;
  size_t i = 0;
  while (i < current.size()) {
    while (i < current.size() && current[i] == u' ') ++i;
    const size_t b = i;
    while (i < current.size() && current[i] != u' ') ++i;
    if (i > b) names.emplace_back(current.substr(b, i - b));
  }
  bool removed = false;
  for (auto it = names.begin(); it != names.end(); ++it)
    if (SameTextAscii(*it, CSSClass)) {
      names.erase(it);
      removed = true;
      break;
    }
  if (!removed) return;
  String joined;
  for (const String& n : names) joined += (joined.empty() ? u"" : u" ") + n;
  SetStyleClass(trimmed(joined));
  StyleChanged(true);
  UpdatePseudoElements();
}

void TStyledHTMLNode::SetStyleClass(StringView Value) {
  THtmlNode::SetStyleClass(Value);
  if (Value.find(u' ') != StringView::npos) IncludeFlag(efMultiClass);
  else ExcludeFlag(efMultiClass);
  rebuildClassList();
  StyleChanged(true);
}

// --- Own and presentational CSS --------------------------------------------------------

bool TStyledHTMLNode::SetAttribute(StringView Name, StringView Value) {
  const bool changed = THtmlNode::SetAttribute(Name, Value);
  if (changed) {
    ParseAttribute(Name, Value);
    UpdatePseudoElements();
    StyleChanged(false);
  }
  return changed;
}

void TStyledHTMLNode::SetOuterHTML(StringView Value) {
  ClearSelfStyleSheet();
  THtmlNode::SetOuterHTML(Value);
}

void TStyledHTMLNode::CSS(StringView Value) { AddVirtualCSS(Value); }

void TStyledHTMLNode::ClearSelfStyleSheet() {
  if (FSelfStyleSheet && FSelfStyleSheet->RefCounter == 0) delete FSelfStyleSheet;
  FSelfStyleSheet = nullptr;
  ExcludeFlag(efSelfStyleProcessed);
}

void TStyledHTMLNode::setSelfStyleSheet(TCSSStyleSheet* Sheet) {
  if (FSelfStyleSheet && FSelfStyleSheet != Sheet && FSelfStyleSheet->RefCounter == 0) delete FSelfStyleSheet;
  FSelfStyleSheet = Sheet;
  IncludeFlag(efSelfStyleProcessed);
}

TCSSStyleSheet* TStyledHTMLNode::EnsureSelfStyleSheet() {
  if (FSelfStyleSheet && HasFlag(efSelfStyleProcessed)) return FSelfStyleSheet;
  ClearSelfStyleSheet();
  // Presentational declarations first, so inline ones override them.
  std::unique_ptr<TCSSStyleSheet> sheet = sheetFromRule(VirtualSelfStyle(), InlineStyleWeight);
  const String& inlineStyle = GetAttribute(u"style");
  if (!IsBlankString(inlineStyle)) sheet->Parse(u"*{" + inlineStyle + u"}", InlineStyleWeight, false);
  FSelfStyleSheet = sheet.release();
  IncludeFlag(efSelfStyleProcessed);
  return FSelfStyleSheet;
}

void TStyledHTMLNode::UniqueSelfStyle() {
  if (!FSelfStyleSheet || FSelfStyleSheet->RefCounter == 0) return;
  TCSSStyleSheet* shared = FSelfStyleSheet;
  FSelfStyleSheet = nullptr;
  shared->RefCounter--;
  ExcludeFlag(efSelfStyleProcessed);
  EnsureSelfStyleSheet();
}

void TStyledHTMLNode::AddCSS(StringView css, bool UpdateStyleAttr, uint32_t AWeight) {
  if (FStyle) FStyle->SaveLastPropsOnce();
  if (FSelfStyleSheet) UniqueSelfStyle();
  else EnsureSelfStyleSheet();
  if (!IsBlankString(css)) FSelfStyleSheet->Parse(u"*{" + String(css) + u"}", AWeight ? AWeight : InlineStyleWeight, false);
  if (UpdateStyleAttr) SetAttr(u"style", FSelfStyleSheet->AsInlineString());
  StyleChanged(true);
  if (FStyle) FStyle->Reset();
}

TStyledHTMLNode::TExtras& TStyledHTMLNode::extras() {
  if (!FExtras) FExtras = std::make_unique<TExtras>();
  return *FExtras;
}

const String& TStyledHTMLNode::VirtualSelfStyle() const {
  static const String none;
  return FExtras ? FExtras->VirtualSelfStyle : none;
}

String& TStyledHTMLNode::virtualSelfStyle() { return extras().VirtualSelfStyle; }

void TStyledHTMLNode::AddVirtualCSS(StringView css) {
  if (IsBlankString(css)) return;
  String& own = virtualSelfStyle();
  if (!own.empty()) {
    std::unique_ptr<TCSSStyleSheet> old = sheetFromRule(own, -1);
    std::unique_ptr<TCSSStyleSheet> added = sheetFromRule(css, -1);
    if (added->Sections().empty()) return;
    for (const TCSSValue& v : added->Sections().front()->Values) old->DeleteProperty(v.Token.Name);
    own = old->AsInlineString();
  }
  own += css;
  if (own.empty() || own.back() != u';') own += u';';
  if (FSelfStyleSheet) {
    AddCSS(css, false, 0);
  } else {
    ExcludeFlag(efSelfStyleProcessed);
    StyleChanged(true);
  }
}

void TStyledHTMLNode::AddVirtualCSS2(StringView CSSName, StringView CSSValue) {
  if (IsBlankString(CSSValue) || !isOneCSSValue(CSSValue)) return;
  String& own = virtualSelfStyle();
  if (own.find(CSSName) != String::npos) {
    std::unique_ptr<TCSSStyleSheet> scratch = sheetFromRule(own, -1);
    scratch->DeleteProperty(CSSName);
    own = scratch->AsInlineString();
    if (!own.empty() && own.back() != u';') own += u';';
  }
  const String decl = String(CSSName) + u":" + String(CSSValue) + u";";
  own += decl;
  if (FSelfStyleSheet) {
    AddCSS(decl, false, InlineStyleWeight);
  } else {
    ExcludeFlag(efSelfStyleProcessed);
    StyleChanged(true);
  }
}

void TStyledHTMLNode::ClearCSS(StringView PropName, bool UpdateStyleAttr) {
  if (!FSelfStyleSheet || FSelfStyleSheet->ValuebyName(PropName).empty()) return;
  if (FStyle) FStyle->SaveLastPropsOnce();
  UniqueSelfStyle();
  FSelfStyleSheet->DeleteProperty(PropName);
  if (UpdateStyleAttr) SetAttr(u"style", FSelfStyleSheet->AsInlineString());
  StyleChanged(true);
  if (FStyle) FStyle->Reset();
}

void TStyledHTMLNode::ClearCSSRecursive(StringView PropName, bool UpdateStyleAttr) {
  ClearCSS(PropName, UpdateStyleAttr);
  for (int i = 0; i < Count(); ++i)
    if (TStyledHTMLNode* c = asStyled(GetNode(i))) c->ClearCSSRecursive(PropName, UpdateStyleAttr);
}

void TStyledHTMLNode::ParseAttribute(StringView Param, StringView Value) {
  const bool isBody = SameTextAscii(Tag(), u"body");
  auto px = [&](StringView name) {
    if (!IsBlankString(Value)) AddVirtualCSS2(name, String(trimmed(Value)) + u"px");
  };
  if (Param == u"align") {
    if (!Value.empty() && !SameTextAscii(Tag(), u"table"))
      AddVirtualCSS2(u"text-align", AlignFromAttr(Value) == thCenter ? StringView(u"xcenter") : Value);
  } else if (Param == u"background") {
    if (!Value.empty()) AddVirtualCSS2(u"background-image", u"url(" + cssQuoted(Value, u'"') + u")");
  } else if (Param == u"bgcolor") {
    AddVirtualCSS2(u"background-color", Value);
  } else if (Param == u"color" || (Param == u"text" && isBody)) {
    AddVirtualCSS2(u"color", Value);
  } else if (Param == u"class") {
    if (Value.find(u' ') != StringView::npos) IncludeFlag(efMultiClass);
    else ExcludeFlag(efMultiClass);
    rebuildClassList();
    StyleChanged(true);
  } else if (Param == u"contenteditable") {
    AddVirtualCSS2(u"contenteditable", Value);
  } else if (Param == u"dir") {
    AddVirtualCSS2(u"direction", AsciiLowerCase(Value));
  } else if (Param == u"face" || Param == u"family") {
    if (!IsBlankString(Value)) AddVirtualCSS2(u"font-family", cssQuoted(Value, u'\''));
  } else if (Param == u"height" || Param == u"width") {
    AddVirtualCSS2(Param, Value);
  } else if (Param == u"id") {
    SetId(Value);
  } else if (Param == u"nowrap") {
    AddVirtualCSS2(u"white-space", u"nowrap");
  } else if (Param == u"wrap") {
    if (Value == u"soft") AddVirtualCSS2(u"white-space", u"pre-wrap");
  } else if (Param == u"size") {
    if (SameTextAscii(Tag(), u"font")) {
      const int n = FontSizeFromAttr(Value);
      if (n > 1) AddVirtualCSS2(u"font-size", Format(u"%dpx", n));
    }
  } else if (Param == u"style") {
    ClearSelfStyleSheet();
    StyleChanged(true);
  } else if (Param == u"valign") {
    TVAlign va;
    if (EnumFromKeyword(Value, u"va", va)) AddVirtualCSS2(u"vertical-align", AsciiLowerCase(Value));
  } else if (isBody) {
    if (Param == u"leftmargin") px(u"margin-left");
    else if (Param == u"rightmargin") px(u"margin-right");
    else if (Param == u"topmargin") px(u"margin-top");
    else if (Param == u"bottommargin") px(u"margin-bottom");
    else if (Param == u"marginwidth") {
      px(u"margin-left");
      px(u"margin-right");
    } else if (Param == u"marginheight") {
      px(u"margin-top");
      px(u"margin-bottom");
    }
  }
}

// --- Tree ----------------------------------------------------------------------------

void TStyledHTMLNode::ParseAttributes(THtmlParser& HP) {
  THtmlNode::ParseAttributes(HP);
  processAttributes();
}

void TStyledHTMLNode::processAttributes() {
  const THtAttributes* a = Attributes();
  if (!a) return;
  // Copy first: ParseAttribute may write attributes (id).
  std::vector<std::pair<String, String>> list;
  for (int i = 0; i < a->Count; ++i) list.emplace_back(a->GetName(i), a->GetValue(i));
  for (const auto& [name, value] : list) ParseAttribute(name, value);
}

THtNode* TStyledHTMLNode::InternalParse(THtmlParser& HP) {
  THtNode* result = THtmlNode::InternalParse(HP);
  THtNode* p = Parent();
  if (p && SameTextAscii(Tag(), u"body") && !SameTextAscii(p->Tag(), u"foreignobject")) {
    THtNode* root = Root();
    if ((root && SameTextAscii(root->Tag(), u"body")) || HasParentTag(u"body")) SetTag(u"xbody");
  } else if (p && SameTextAscii(Tag(), u"html")) {
    if (HasParentTag(u"html") || HasParentTag(u"body")) SetTag(u"xhtml");
  } else if (Tag().size() > 2 && Tag()[0] == u'c' && Tag()[1] == u':') {
    ParseAttribute(u"color", StringView(Tag()).substr(2));
    SetTag(u"span");
  }
  return result;
}

TStyledHTMLNode* TStyledHTMLNode::StyledParent() const { return asStyled(Parent()); }

void TStyledHTMLNode::FindContainer() {
  TStyledHTMLNode* found = nullptr;
  TStyledHTMLNode* top = this;
  for (THtNode* n = Parent(); n; n = n->Parent()) {
    TStyledHTMLNode* s = asStyled(n);
    if (!s) continue;
    top = s;
    const IElementStyleFacts* st = s->Style();
    if (st && st->Display() == dsInline && st->Float() == fNone) continue;
    found = s;
    break;
  }
  if (!found) found = top;
  if (found != Container) {
    Container = found;
    UpdateFontSize();
  }
}

TStyledHTMLNode* TStyledHTMLNode::HtmlElement() {
  TStyledHTMLNode* top = this;
  for (THtNode* n = Parent(); n; n = n->Parent()) {
    TStyledHTMLNode* s = asStyled(n);
    if (!s) continue;
    if (SameTextAscii(s->Tag(), u"html")) return s;
    top = s;
  }
  return top;
}

String TStyledHTMLNode::Lang() const {
  for (const THtNode* n = this; n; n = n->Parent()) {
    const String& l = n->GetAttribute(u"lang");
    if (!l.empty()) return l;
  }
  return u"en";
}

TStyledHTMLNode* TStyledHTMLNode::NearestBlockParent() const {
  for (THtNode* n = Parent(); n; n = n->Parent())
    if (TStyledHTMLNode* s = asStyled(n); s && s->Style() && s->Style()->Display() != dsInline) return s;
  return nullptr;
}

// --- Selector queries --------------------------------------------------------------

namespace {

struct TQuery {
  std::unique_ptr<TJQueryProcessor> Processor;
  TStyledNodeFacts Facts;
  explicit TQuery(StringView Text) : Processor(std::make_unique<TJQueryProcessor>(String(Text))) {}
  bool valid() const { return Processor->Section && Processor->Section->Selectors; }
  bool matches(const THtNode& N) const {
    for (const TCSSSelector* s : *Processor->Section->Selectors)
      if (TestElement(N, *s, 0, Facts)) return true;
    return false;
  }
};

// Adds the matching descendants of Parent to List; answers false to stop.
bool searchList(const TQuery& Q, THtNode* Parent, bool FirstOnly, bool Top, THtNodeList& List) {
  for (int i = 0; i < Parent->Count(); ++i) {
    THtNode* c = Parent->GetNode(i);
    if (Q.matches(*c)) {
      List.Add(c);
      if (FirstOnly && Top) return false;
    } else if (FirstOnly && Top && List.Count() > 0) {
      return false;
    }
    searchList(Q, c, FirstOnly, false, List);
  }
  return true;
}

bool searchProc(const TQuery& Q, THtNode* Parent, const THtNodeProcRef& Proc) {
  for (int i = 0; i < Parent->Count(); ++i) {
    THtNode* c = Parent->GetNode(i);
    if (Q.matches(*c)) {
      bool go = true;
      Proc(c, go);
      if (!go) return false;
    }
    if (!searchProc(Q, c, Proc)) return false;
  }
  return true;
}

}  // namespace

void TStyledHTMLNode::collectMatches(StringView Query, bool FirstOnly, THtNodeList& List) {
  const TQuery q(Query);
  if (q.valid()) searchList(q, this, FirstOnly, true, List);
}

std::unique_ptr<THtNodeList> TStyledHTMLNode::GetJQueryList(StringView Query, bool FirstOnly) {
  auto list = std::make_unique<THtNodeList>(false, false);
  collectMatches(Query, FirstOnly, *list);
  return list;
}

IHtNodeList TStyledHTMLNode::JQuery(StringView Query, bool FirstOnly) {
  IHtNodeList result(new THtNodeList(false, true));
  collectMatches(Query, FirstOnly, *result.get());
  return result;
}

void TStyledHTMLNode::JQuery(StringView Query, const THtNodeProcRef& Proc) {
  const TQuery q(Query);
  if (q.valid() && Proc) searchProc(q, this, Proc);
}

// --- Small queries -------------------------------------------------------------------

void TStyledHTMLNode::RTLInc(float& X, float Value) const {
  X = FStyle && FStyle->CalculatedDirection() == cdRTL ? X - Value : X + Value;
}

namespace {
bool nonEmptyChild(const THtNode* n) {
  if (!n->Tag().empty()) return true;
  const TStyledHTMLNode* s = asStyled(n);
  return (!s || s->Visible()) && !IsBlankString(n->Content());
}
}  // namespace

THtNode* TStyledHTMLNode::FirstNonEmptyChild() const {
  for (int i = 0; i < Count(); ++i)
    if (nonEmptyChild(GetNode(i))) return GetNode(i);
  return nullptr;
}

THtNode* TStyledHTMLNode::LastNonEmptyChild() const {
  for (int i = Count() - 1; i >= 0; --i)
    if (!GetNode(i)->Tag().empty() || !IsBlankString(GetNode(i)->Content())) return GetNode(i);
  return nullptr;
}

bool TStyledHTMLNode::SameLine(const TStyledHTMLNode* E) const {
  if (!E || E->Container != Container) return false;
  return E->StartLine() > EndLine() || E->EndLine() < StartLine();
}

// --- Counters ------------------------------------------------------------------------

void TStyledHTMLNode::SetCounter(StringView Name, int Value) {
  IncludeFlag(efHasCounters);
  for (TCSSCounter& c : Counters)
    if (c.Name == Name) {
      c.Value = Value;
      return;
    }
  Counters.push_back({String(Name), Value});
}

void TStyledHTMLNode::IncrementCounter(StringView Name) {
  auto tryIncrement = [&](THtNode* n) {
    TStyledHTMLNode* s = asStyled(n);
    if (!s) return false;
    for (TCSSCounter& c : s->Counters)
      if (c.Name == Name) {
        ++c.Value;
        return true;
      }
    return false;
  };
  for (THtNode* level = this; level; level = level->Parent())
    for (THtNode* n = level; n; n = n->PreviousSibling())
      if (tryIncrement(n)) return;
}

String TStyledHTMLNode::CounterText(TListStyleType ListType, int Value) {
  switch (ListType) {
    case lstLowerAlpha: case lstLowerLatin: case lstUpperAlpha: case lstUpperLatin: {
      if (Value < 1) break;
      // Bijective base 26: z is followed by aa, ab, ...
      const char16_t first = (ListType == lstUpperAlpha || ListType == lstUpperLatin) ? u'A' : u'a';
      String s;
      for (int64_t v = Value; v > 0; v = (v - 1) / 26) s.insert(s.begin(), char16_t(first + (v - 1) % 26));
      return s;
    }
    case lstUpperRoman: case lstLowerRoman: {
      if (Value <= 0) return String();
      if (Value > 3999) break;  // larger numbers have no standard numeral
      static const struct { int v; const char16_t* s; } table[] = {
          {1000, u"M"}, {900, u"CM"}, {500, u"D"}, {400, u"CD"}, {100, u"C"}, {90, u"XC"}, {50, u"L"},
          {40, u"XL"}, {10, u"X"}, {9, u"IX"}, {5, u"V"}, {4, u"IV"}, {1, u"I"}};
      String s;
      int v = Value;
      for (const auto& r : table)
        while (v >= r.v) {
          s += r.s;
          v -= r.v;
        }
      return ListType == lstLowerRoman ? AsciiLowerCase(s) : s;
    }
    default:
      break;
  }
  return Format(u"%d", Value);
}

// --- Float map -----------------------------------------------------------------------

TBlockFloats* TStyledHTMLNode::FloatMap() {
  std::unique_ptr<TBlockFloats>& map = extras().FloatMap;
  if (!map) map = std::make_unique<TBlockFloats>(this);
  return map.get();
}

TBlockFloats* TStyledHTMLNode::FloatMapIfAny() const { return FExtras ? FExtras->FloatMap.get() : nullptr; }

float TStyledHTMLNode::GetLeft(float y1, float y2) const {
  const TBlockFloats* map = FloatMapIfAny();
  return map ? map->Left->EdgeAt(y1, y2) : 0;
}

float TStyledHTMLNode::GetRight(float y1, float y2) const {
  const TBlockFloats* map = FloatMapIfAny();
  return map ? map->Right->EdgeAt(y1, y2) : 0;
}

float TStyledHTMLNode::GetLeftClearTop() const {
  const TBlockFloats* map = FloatMapIfAny();
  return map ? map->Left->LowestBottom() : 0;
}
float TStyledHTMLNode::GetRightClearTop() const {
  const TBlockFloats* map = FloatMapIfAny();
  return map ? map->Right->LowestBottom() : 0;
}

bool TStyledHTMLNode::OwnFloatContext() const { return IsBlockContainer(); }

// --- Matching facts ----------------------------------------------------------------------

std::span<const TCSSClassRec> TStyledNodeFacts::NodeClasses(const THtNode& Node) const {
  if (const TStyledHTMLNode* s = asStyled(&Node)) return s->ClassHashes();
  return {};
}

TCSSPseudoSet TStyledNodeFacts::NodeState(const THtNode& Node) const {
  // The element model keeps the dynamic and structural bits in the
  // computed style; a node without one has no state.
  const TStyledElementLink* link = TStyledElementLink::Of(asStyled(&Node));
  const TBaseElementStyle* style = link ? link->ElementStyle() : nullptr;
  return style ? style->CurrentPC : 0;
}

// --- Text, background, columns, positions -----------------------------------

namespace {

// The full computed style of a node, when it has one.
const TBaseElementStyle* computedStyle(const TStyledHTMLNode* n) {
  const TStyledElementLink* link = TStyledElementLink::Of(n);
  return link ? link->ElementStyle() : nullptr;
}

// Whole decimal integer text (blanks around it allowed); false for anything
// else, an out-of-range number included.
bool tryParseInt(StringView text, int& out) {
  StringView t = trimmed(text);
  bool negative = false;
  if (!t.empty() && (t[0] == u'-' || t[0] == u'+')) {
    negative = t[0] == u'-';
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  int64_t v = 0;
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
    if (v > int64_t(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  out = int(v);
  return true;
}

// Whole pixels, halves to even; clamped so that no position overflows.
int roundHalfEven(float v) {
  if (!(v == v)) return 0;
  const double r = std::nearbyint(double(v));
  if (r >= double(INT_MAX)) return INT_MAX;
  if (r <= double(INT_MIN)) return INT_MIN;
  return int(r);
}

}  // namespace

String TStyledHTMLNode::GetInnerText() {
  switch (TagType) {
    case htScript:
    case htStyle:
    case htComment:
    case htDirective:
      return String();
    default:
      break;
  }
  const IElementStyleFacts* st = Style();
  const TDisplayStyle display = st ? st->Display() : dsInline;
  if (display == dsNone) return String();
  String text = THtmlNode::GetInnerText();
  if (display != dsListItem) return text;

  const TBaseElementStyle* cs = computedStyle(Container);
  const TListStyleType type = cs ? cs->ListStyleType() : lstDisk;
  if (type == lstNone) return text;
  String marker = u"\r\n";
  if (type == lstCircle || type == lstDisk || type == lstSquare) {
    marker += u"* ";
  } else {
    int start = 1;
    if (Container) {
      int v = 0;
      if (tryParseInt(Container->GetAttribute(u"start"), v)) start = v;
    }
    // Saturate rather than overflow on an absurd start value.
    const int64_t value = int64_t(TagIndex()) + start;
    marker += CounterText(type, int(std::clamp<int64_t>(value, INT_MIN, INT_MAX)));
    marker += u". ";
  }
  // The item's text begins with its line break, which the marker replaces;
  // text without one is kept whole.
  if (text.size() >= 2 && text[0] == u'\r' && text[1] == u'\n') text.erase(0, 2);
  return marker + text;
}

uint32_t TStyledHTMLNode::BackgroundColor() const {
  for (const THtNode* n = this; n; n = n->Parent()) {
    const TStyledHTMLNode* s = asStyled(n);
    const TBaseElementStyle* cs = computedStyle(s);
    if (!cs) break;
    if (cs->BackgroundPresent()) return cs->BackgroundColor();
    if (cs->Display() != dsInline) break;
  }
  return 0;
}

int TStyledHTMLNode::ColumnCount() const {
  const TBaseElementStyle* cs = computedStyle(this);
  if (!cs) return 1;
  const int count = cs->ColumnCount();
  if (count > 1) return count;
  const TMeasure width = cs->ColumnWidth();
  if (width.GetAuto()) return 1;
  const float w = width.ToPixels();
  const float gap = cs->ColumnGap().ToPixels();
  // Zero-width columns without gaps would be infinitely many; a negative
  // or non-finite sum says nothing either.
  const float step = gap + w;
  if (!(step > 0) || !std::isfinite(step)) return 1;
  const double n = std::floor((double(InnerWidth) + gap) / step);
  if (!(n >= 1)) return 1;
  return n >= double(INT_MAX) ? INT_MAX : int(n);
}

int TStyledHTMLNode::GetPageX() const { return roundHalfEven(GetRealLeft() + InnerRect().Left); }
int TStyledHTMLNode::GetPageY() const { return roundHalfEven(GetRealTop() + InnerRect().Top); }

void TStyledHTMLNode::DebugPrint(StringView Offset, std::vector<String>& L) {
  String line;
  for (char16_t c : Offset) {
    if (c == u' ')
      line += u"&nbsp;";
    else
      line += c;
  }
  line += u"<b>" + Tag() + u"</b>";
  const String cls = GetStyleClass();
  if (!cls.empty()) line += u"." + cls;
  const String id = GetId();
  if (!id.empty()) line += u"#" + id;
  line += u"<span color=\"green\">" + Content() + u"</span>";
  line += Format(u" [%d, %d] (%d, %d, %d, %d)<br>", roundHalfEven(RealLeft()), roundHalfEven(RealTop()),
                 roundHalfEven(OuterRect.Left), roundHalfEven(OuterRect.Top), roundHalfEven(OuterRect.Right),
                 roundHalfEven(OuterRect.Bottom));
  L.push_back(std::move(line));
  THtNodeList* nodes = ChildNodeList();
  if (!nodes) return;
  const String childOffset = String(Offset) + u"  ";
  for (THtNode* child : *nodes)
    if (TStyledHTMLNode* s = asStyled(child)) s->DebugPrint(childOffset, L);
}

}  // namespace ht
