// Building compound selectors from tokens, their specificity and their text.
#include "css/css_selector.h"

#include <cmath>

#include "css/css_text_utils.h"
#include "css/css_tokenizer.h"
#include "css/css_value.h"
#include "css/property_registry.h"
#include "markup/hash_dictionary.h"

namespace ht {

namespace {

bool isDelim(const TCSSToken& t, char16_t c) { return t.CType == ctDelimiter && t.Name.size() == 1 && t.Name[0] == c; }

// Whether a type selector (or attribute text) reads back unchanged when
// written as it is: a name, a number or a percentage.
bool plainTag(StringView tag) {
  if (tag.empty() || tag == u"*") return true;
  if (tag[0] == u'.' || tag[0] == u'+') return false;
  for (char16_t c : tag) {
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
                    c == u'_' || c == u'@' || c == u'%' || c == u'.' || c == u'+' || c >= 0x100;
    if (!ok) return false;
  }
  return true;
}

// Walks the tokens of one selector.
class TSelectorBuilder {
 public:
  explicit TSelectorBuilder(std::span<const TCSSToken> tokens) : t_(tokens) {}

  std::unique_ptr<TCSSSelector> build() {
    std::unique_ptr<TCSSSelector> cur;
    while (i_ < t_.size()) {
      const size_t start = i_;
      auto sel = std::make_unique<TCSSSelector>();
      // Combinator.
      while (i_ < t_.size() && t_[i_].CType == ctSpace) ++i_;
      if (i_ < t_.size() && t_[i_].CType == ctDelimiter) {
        const TCSSToken& d = t_[i_];
        if (isDelim(d, u'+') || isDelim(d, u'>') || isDelim(d, u'~')) {
          sel->Combinator = isDelim(d, u'+') ? 2 : isDelim(d, u'>') ? 1 : 3;
          ++i_;
          while (i_ < t_.size() && t_[i_].CType == ctSpace) ++i_;
        } else if (!isDelim(d, u'*') && !isDelim(d, u'.')) {
          ++i_;
        }
      }
      // Type selector.
      if (i_ < t_.size()) {
        const TCSSToken& t = t_[i_];
        if (t.CType == ctIdent || t.CType == ctAtKeyword || t.CType == ctString || t.CType == ctNumber ||
            t.CType == ctPercentage || t.CType == ctDimension || isDelim(t, u'*')) {
          sel->Tag = AsciiLowerCase(t.Name);
          ++i_;
        }
      }
      readParts(*sel, false);
      if (sel->Tag.empty() && sel->Id.empty() && sel->Classes.empty() && sel->AttrText.empty() &&
          sel->PseudoSet == 0 && sel->NotList.empty()) {
        // Nothing usable (a stray token or a trailing combinator): the
        // chain stays as it is.
        if (i_ == start) ++i_;
        continue;
      }
      sel->Left = std::move(cur);
      cur = std::move(sel);
    }
    if (!cur) return nullptr;
    for (TCSSSelector* s = cur.get(); s; s = s->Left.get()) s->Universal = s->Tag == u"*";
    cur->CompileMatch();
    return cur;
  }

 private:
  // Skips to the ")" closing a group whose "(" was just consumed; nested
  // groups are counted. The ")" is consumed.
  void skipGroup() {
    int depth = 1;
    for (; i_ < t_.size(); ++i_) {
      if (t_[i_].CType == ctOpenPar) ++depth;
      else if (t_[i_].CType == ctClosePar && --depth == 0) {
        ++i_;
        return;
      }
    }
  }

  // The parts after the type selector. InNot: reading inside :not(), where
  // a type selector and "," are accepted and ")" ends the reading.
  void readParts(TCSSSelector& sel, bool inNot) {
    while (i_ < t_.size()) {
      const TCSSToken& t = t_[i_];
      switch (t.CType) {
        case ctColon: {
          while (i_ < t_.size() && t_[i_].CType == ctColon) ++i_;
          if (i_ >= t_.size()) return;
          const String name = t_[i_].Name;
          ++i_;
          if (i_ < t_.size() && t_[i_].CType == ctOpenPar) {
            ++i_;
            if (i_ < t_.size() && t_[i_].CType == ctClosePar) {
              ++i_;
              sel.AddPseudo(name, nullptr);
            } else if (SameTextAscii(name, u"not")) {
              if (notDepth_ < kMaxNotNesting) {
                ++notDepth_;
                readNot(sel);
                --notDepth_;
              } else {
                // Deeper nesting is not followed: reading, writing, testing
                // and freeing a selector recurse once per level.
                sel.PseudoSet |= PseudoBit(pcUnknown);
                skipGroup();
              }
            } else {
              size_t a = i_;
              while (a < t_.size() && t_[a].CType == ctSpace) ++a;
              sel.AddPseudo(name, a < t_.size() ? &t_[a] : nullptr);
              skipGroup();
            }
          } else {
            sel.AddPseudo(name, nullptr);
          }
          break;
        }
        case ctHash:
          sel.Id = t.Name;
          ++i_;
          break;
        case ctDelimiter:
          if (isDelim(t, u'.')) {
            ++i_;
            if (i_ < t_.size() && t_[i_].CType == ctIdent) {
              sel.AddClass(t_[i_].Name);
              ++i_;
            }
            break;
          }
          if (inNot && isDelim(t, u'*') && sel.Tag.empty()) {
            sel.Tag.assign(1, u'*');
            ++i_;
            break;
          }
          return;
        case ctFunction:
        case ctOpenPar: {
          if (t.CType == ctFunction) ++i_;
          if (i_ < t_.size() && t_[i_].CType == ctOpenPar) ++i_;
          for (; i_ < t_.size() && t_[i_].CType != ctClosePar; ++i_) sel.AttrText += t_[i_].Name;
          if (i_ < t_.size()) ++i_;
          break;
        }
        case ctOpenBr:
          ++i_;
          if (!sel.AttrText.empty()) sel.AttrText += u'\x01';
          for (; i_ < t_.size() && t_[i_].CType != ctCloseBr; ++i_) sel.AttrText += t_[i_].Name;
          if (i_ < t_.size()) ++i_;
          break;
        case ctIdent:
          // A type selector inside :not().
          if (inNot && sel.Tag.empty()) {
            sel.Tag = AsciiLowerCase(t.Name);
            ++i_;
            break;
          }
          return;
        case ctClosePar:
        case ctCloseBr:
        case ctSlash:
          ++i_;
          return;
        default:
          return;
      }
    }
  }

  // Reads the inside of ":not(" (already consumed) up to its ")". Each
  // comma-separated group becomes one NotList entry.
  void readNot(TCSSSelector& sel) {
    while (i_ < t_.size()) {
      while (i_ < t_.size() && t_[i_].CType == ctSpace) ++i_;
      auto n = std::make_unique<TCSSSelector>();
      const size_t start = i_;
      readParts(*n, true);
      // readParts consumed the closing ")" when it stopped there.
      const bool closed = i_ > start && t_[i_ - 1].CType == ctClosePar;
      bool understood = !n->Tag.empty() || !n->Id.empty() || !n->Classes.empty() || !n->AttrText.empty() ||
                        n->PseudoSet != 0 || !n->NotList.empty();
      bool comma = false;
      if (!closed) {
        while (i_ < t_.size() && t_[i_].CType == ctSpace) ++i_;
        comma = i_ < t_.size() && t_[i_].CType == ctComma;
        if (comma) {
          ++i_;
        } else {
          // Anything else inside :not() is not understood: drop to its ")".
          understood = false;
          skipGroup();
        }
      }
      // A group that is not understood makes the selector unknown, so its
      // rule is dropped rather than applied more widely than written.
      if (!understood) n->PseudoSet |= PseudoBit(pcUnknown);
      n->Universal = n->Tag == u"*";
      n->CompileMatch();
      n->Match = &TCSSSelector::MatchAll;  // the general routine serves :not() groups
      sel.NotList.push_back(std::move(n));
      if (!comma) return;
    }
  }

  static constexpr int kMaxNotNesting = 16;
  std::span<const TCSSToken> t_;
  size_t i_ = 0;
  int notDepth_ = 0;
};

}  // namespace

TCSSSelector::TCSSSelector(TCSSSelector* ALeft) : Left(ALeft), Match(&TCSSSelector::MatchAll) {}

TCSSSelector::~TCSSSelector() {
  // Free a long chain iteratively rather than by recursion.
  std::unique_ptr<TCSSSelector> l = std::move(Left);
  while (l) l = std::move(l->Left);
}

std::unique_ptr<TCSSSelector> TCSSSelector::FromTokens(std::span<const TCSSToken> Tokens) {
  return TSelectorBuilder(Tokens).build();
}

std::unique_ptr<TCSSSelector> TCSSSelector::FromText(StringView Text) {
  TCSSTokens tokens;
  TCSSTokenizer tz{String(Text), true};
  while (true) {
    tz.NextToken();
    if (tz.Eof) break;
    if (tz.Token.CType != ctComment) tokens.push_back(tz.Token);
  }
  while (!tokens.empty() && tokens.back().CType == ctSpace) tokens.pop_back();
  return FromTokens(tokens);
}

void TCSSSelector::AddPseudo(StringView Name, const TCSSToken* Arg) {
  int v = pcUnknown;
  if (!TryGetEnumValue(u"pc", Name, EnumTypeInfo<TCSSPseudoClass>(), v)) v = pcUnknown;
  const auto pc = TCSSPseudoClass(v);
  if (PseudoSet & PseudoBit(pc)) return;
  PseudoSet |= PseudoBit(pc);
  ++PseudoCount;
  if (Pseudo == pcNone) Pseudo = pc;
  if (Arg) {
    if (SameTextAscii(Arg->Name, u"odd"))
      NthValue = -1;
    else if (SameTextAscii(Arg->Name, u"even"))
      NthValue = -2;
    else if (Arg->CType == ctNumber || Arg->CType == ctPercentage || Arg->CType == ctDimension)
      NthValue = RoundHalfEven(Arg->AsFloat);
    else
      NthValue = 0;
  }
}

void TCSSSelector::AddClass(StringView Name) {
  TCSSClassRec rec;
  rec.s = AsciiLowerCase(TrimBlanks(Name));
  rec.hash = HtTagHash(rec.s.data(), int32_t(rec.s.size()));
  Classes.push_back(std::move(rec));
}

void TCSSSelector::makeConditions() {
  Conditions.clear();
  if (AttrText.empty()) return;
  StringView rest = AttrText;
  while (true) {
    const size_t cut = rest.find(u'\x01');
    const StringView group = rest.substr(0, cut);
    TCSSCondition c;
    const size_t eq = group.find(u'=');
    if (eq == StringView::npos) {
      c.Name = String(TrimBlanks(group));
    } else {
      StringView name = TrimBlanks(group.substr(0, eq));
      c.Value = String(TrimBlanks(group.substr(eq + 1)));
      if (!name.empty()) {
        switch (name.back()) {
          case u'!': c.Op = 6; break;
          case u'$': c.Op = 2; break;
          case u'*': c.Op = 3; break;
          case u'^': c.Op = 1; break;
          case u'|': c.Op = 5; break;
          case u'~': c.Op = 4; break;
          default: break;
        }
        if (c.Op) name = TrimBlanks(name.substr(0, name.size() - 1));
      }
      c.Name = String(name);
    }
    Conditions.push_back(std::move(c));
    if (cut == StringView::npos) break;
    rest = rest.substr(cut + 1);
  }
}

void TCSSSelector::CompileMatch() {
  for (TCSSSelector* s = this; s; s = s->Left.get()) {
    s->makeConditions();
    const bool tag = !s->Tag.empty() && !s->Universal;
    const bool id = !s->Id.empty();
    const bool attr = !s->Conditions.empty();
    const bool cls = !s->Classes.empty();
    const bool pseudo = (s->PseudoSet & ~PseudoElementBits) != 0;
    if (s->Universal && !id && !attr && !cls && !pseudo)
      s->Match = &TCSSSelector::MatchAny;
    else if (tag && !id && !attr && !cls && !pseudo)
      s->Match = &TCSSSelector::MatchTag;
    else if (id && !tag && !attr && !cls && !pseudo)
      s->Match = &TCSSSelector::MatchId;
    else if (cls && !tag && !id && !attr && !pseudo)
      s->Match = &TCSSSelector::MatchClasses;
    else if (tag && cls && !id && !attr && !pseudo)
      s->Match = &TCSSSelector::MatchTagClasses;
    else if (attr && pseudo && !tag && !id && !cls)
      s->Match = &TCSSSelector::MatchAttrPseudo;
    else if (attr && !pseudo && !tag && !id && !cls)
      s->Match = &TCSSSelector::MatchAttr;
    else if (cls && pseudo && !tag && !id && !attr)
      s->Match = &TCSSSelector::MatchClassesPseudo;
    else
      s->Match = &TCSSSelector::MatchAll;
  }
}

int TCSSSelector::Specificity() const {
  int result = 0;
  for (const TCSSSelector* s = this; s; s = s->Left.get()) {
    if (!s->Tag.empty() && s->Tag != u"*") result += 1;
    result += 16 * int(s->Classes.size());
    result += 16 * s->PseudoCount;
    if (!s->Id.empty()) result += 256;
    if (!s->AttrText.empty()) result += 16;
  }
  return result;
}

bool TCSSSelector::HasUnknownPseudo() const {
  for (const TCSSSelector* s = this; s; s = s->Left.get()) {
    if (s->PseudoSet & PseudoBit(pcUnknown)) return true;
    for (const auto& n : s->NotList)
      if (n->HasUnknownPseudo()) return true;
  }
  return false;
}

bool TCSSSelector::Unsupported() const {
  // An unknown pseudo-class in the chain only keeps the selector from
  // matching; inside :not() it would make the rule match everywhere.
  for (const TCSSSelector* s = this; s; s = s->Left.get()) {
    for (const TCSSCondition& c : s->Conditions)
      if (c.Name.empty()) return true;
    if (!s->Tag.empty() && s->Tag[0] == u'@' && (s->Left || (s->Tag != u"@font-face" && s->Tag != u"@page")))
      return true;
    // A type selector from a string that is no name could not be written back.
    if (!plainTag(s->Tag)) return true;
    for (const auto& n : s->NotList)
      if (n->HasUnknownPseudo() || n->Unsupported()) return true;
  }
  return false;
}

namespace {

void writeCompound(const TCSSSelector& s, String& out) {
  if (plainTag(s.Tag))
    out += s.Tag;
  else
    AppendCSSString(out, s.Tag);
  if (!s.Id.empty()) {
    out += u'#';
    AppendCSSIdent(out, s.Id, true);
  }
  for (const TCSSClassRec& c : s.Classes) {
    out += u'.';
    AppendCSSIdent(out, c.s);
  }
  if (!s.Conditions.empty()) {
    // Written from the conditions, values quoted when they need it, so that
    // the text reads back to the same conditions.
    static constexpr char16_t ops[] = u"\0^$*~|!";
    for (const TCSSCondition& c : s.Conditions) {
      out += u'[';
      if (plainTag(c.Name))
        out += c.Name;
      else
        AppendCSSString(out, c.Name);
      if (c.Op) out += ops[c.Op];
      if (c.Op || !c.Value.empty()) {
        out += u'=';
        if (!c.Value.empty() && plainTag(c.Value) && c.Value.find(u'.') == String::npos)
          out += c.Value;
        else
          AppendCSSString(out, c.Value);
      }
      out += u']';
    }
  } else if (!s.AttrText.empty()) {
    StringView rest = s.AttrText;
    while (true) {
      const size_t cut = rest.find(u'\x01');
      out += u'[';
      out += rest.substr(0, cut);
      out += u']';
      if (cut == StringView::npos) break;
      rest = rest.substr(cut + 1);
    }
  }
  const auto& names = TEnumInfo<TCSSPseudoClass>::Names;
  for (size_t pc = 1; pc < names.size(); ++pc) {
    if (!(s.PseudoSet & PseudoBit(TCSSPseudoClass(pc)))) continue;
    out += u':';
    out += AsciiToString(names[pc].substr(2));
    // The argument, so that the text reads back to the same selector.
    if (pc == pcNthChild || pc == pcNthOfType) {
      out += u'(';
      out += s.NthValue == -1 ? String(u"odd") : s.NthValue == -2 ? String(u"even")
                                                                  : AsciiToString(std::to_string(s.NthValue));
      out += u')';
    }
  }
  for (const auto& n : s.NotList) {
    out += u":not(";
    writeCompound(*n, out);
    out += u')';
  }
}

}  // namespace

String SelectorText(const TCSSSelector& Selector) {
  std::vector<const TCSSSelector*> chain;
  for (const TCSSSelector* s = &Selector; s; s = s->Left.get()) chain.push_back(s);
  String out;
  for (size_t k = chain.size(); k-- > 0;) {
    const TCSSSelector& s = *chain[k];
    if (k + 1 < chain.size()) {
      static constexpr char16_t comb[] = u" >+~";
      out += comb[s.Combinator & 3];
    }
    writeCompound(s, out);
  }
  return out;
}

}  // namespace ht
