// Compiling a section: every declared value becomes the longhand values
// computed style reads, shorthands expanded once.
#include "css/colors.h"
#include "css/css_section.h"

namespace ht {

namespace {

bool isSlash(const TCSSToken& t) {
  return t.CType == ctSlash || (t.CType == ctDelimiter && t.Name == u"/");
}

bool isIdent(const TCSSToken& t, StringView text) { return t.CType == ctIdent && SameTextAscii(t.Name, text); }

bool startsWithAscii(StringView s, StringView prefix) {
  return s.size() >= prefix.size() && SameTextAscii(s.substr(0, prefix.size()), prefix);
}

// One component of a value: a single token, or a function with the tokens
// of its parentheses.
struct TPart {
  size_t First;
  size_t End;  // one past the last token
};

// The end of the component starting at i.
size_t partEnd(const TCSSTokens& t, size_t i) {
  if (t[i].CType != ctFunction) return i + 1;
  size_t j = i + 1;
  if (j >= t.size() || t[j].CType != ctOpenPar) return j;
  int depth = 0;
  for (; j < t.size(); ++j) {
    if (t[j].CType == ctOpenPar) ++depth;
    else if (t[j].CType == ctClosePar && --depth == 0) return j + 1;
  }
  return t.size();
}

std::vector<TPart> splitParts(const TCSSTokens& t) {
  std::vector<TPart> parts;
  for (size_t i = 0; i < t.size();) {
    const size_t e = partEnd(t, i);
    parts.push_back({i, e});
    i = e;
  }
  return parts;
}

bool isColorFunction(const TCSSToken& t) {
  return t.CType == ctFunction && (startsWithAscii(t.Name, u"rgb") || startsWithAscii(t.Name, u"hsl"));
}

bool isColorWord(const TCSSToken& t) {
  if (t.CType != ctIdent) return false;
  return ColorByName(t.Name) != 0 || SystemColorByName(t.Name) != 0 || SameTextAscii(t.Name, u"transparent") ||
         SameTextAscii(t.Name, u"currentcolor");
}

// "thin", "medium" and "thick" name the width of a border or outline line.
bool isLineWidthKeyword(const TCSSToken& t) {
  return isIdent(t, u"thin") || isIdent(t, u"medium") || isIdent(t, u"thick");
}

bool isKeyword(const TCSSToken& t, StringView prefix, const TEnumTypeInfo* info) {
  int v = 0;
  return t.CType == ctIdent && TryGetEnumValue(prefix, t.Name, info, v);
}

TCSSToken identToken(StringView text) {
  TCSSToken t;
  t.CType = ctIdent;
  t.Name = String(text);
  return t;
}

class TCompiler {
 public:
  explicit TCompiler(TCSSSection& s) : s_(s) {}

  void compile(const TCSSValue& decl) {
    d_ = &decl;
    const TCSSPropRec* rec = decl.PropRec;
    const TCSSTokens& t = decl.Tokens;
    switch (rec->Kind) {
      case cptLength:
      case cptColor:
      case cptString:
      case cptEnum:
        if (rec->SubProps.size() == 4 && !t.empty())
          fourSides();
        else if (rec->SubProps.size() == 2 && !t.empty())
          twoValues();
        else
          copy();
        return;
      case cptNumber:
        copy();
        return;
      case cptComplex:
        if (t.empty()) {
          copy();
          return;
        }
        if (decl.Inherit && !rec->SubProps.empty() && rec->Id != cspTextDecoration) {
          for (const TCSSPropRec* sub : rec->SubProps) add(sub->Name, t[0]);
          return;
        }
        switch (rec->Id) {
          case cspFont: font(); return;
          case cspBorder: border(); return;
          case cspBackground: background(); return;
          case cspTextDecoration: textDecoration(); return;
          default:
            if (rec->SubProps.empty())
              copy();
            else
              greedy();
            return;
        }
    }
  }

 private:
  // Appends a longhand named L with the tokens [first, end) of the declared
  // value; dropped again when preparation rejects it.
  void addRange(StringView L, size_t first, size_t end) {
    addTokens(L, TCSSTokens(d_->Tokens.begin() + long(first), d_->Tokens.begin() + long(end)));
  }
  void add(StringView L, const TCSSToken& t) { addTokens(L, TCSSTokens{t}); }
  void addTokens(StringView L, TCSSTokens tokens) {
    TCSSValue v;
    // The declaration's name token, named for the longhand without copying
    // the shorthand's name first.
    const TCSSToken& from = d_->Token;
    v.Token.CType = from.CType;
    v.Token.Name = String(L);
    v.Token.StartPos = from.StartPos;
    v.Token.EndPos = from.EndPos;
    v.Token.Flags = from.Flags;
    v.Token.Color = from.Color;
    v.Token.MUnit = from.MUnit;
    v.Token.Compiled = from.Compiled;
    v.Tokens = std::move(tokens);
    v.Important = d_->Important;
    v.Section = &s_;
    if (PrepareCSSValue(v, &s_)) s_.CompiledValues.push_back(std::move(v));
  }
  void copy() {
    const TCSSPropRec* rec = d_->PropRec;
    if (rec->Kind == cptEnum && rec->Id != cspFontWeight && !d_->Tokens.empty() && d_->Tokens[0].Compiled &&
        d_->Tokens[0].Color == UnknownKeywordMarker)
      return;
    s_.CompiledValues.push_back(*d_);
  }
  const String& sub(size_t k) const { return d_->PropRec->SubProps[k]->Name; }

  void fourSides() {
    const TCSSTokens& t = d_->Tokens;
    // A slashed value (elliptic corner radii) and "a / b" stay whole.
    bool slashed = t.size() == 3 && t[1].CType == ctDelimiter;
    for (const TCSSToken& x : t) slashed = slashed || isSlash(x);
    if (slashed) {
      copy();
      return;
    }
    const std::vector<TPart> p = splitParts(t);
    static constexpr int pick[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    const int row = int(std::min<size_t>(p.size(), 4)) - 1;
    for (size_t k = 0; k < 4; ++k) {
      const TPart& part = p[size_t(pick[row][k])];
      addRange(sub(k), part.First, part.End);
    }
  }

  void twoValues() {
    const std::vector<TPart> p = splitParts(d_->Tokens);
    addRange(sub(0), p[0].First, p[0].End);
    const TPart& second = p.size() > 1 ? p[1] : p[0];
    addRange(sub(1), second.First, second.End);
  }

  void font() {
    const TCSSTokens& t = d_->Tokens;
    bool style = false, weight = false, size = false;
    size_t family = SIZE_MAX, tentative = SIZE_MAX;
    for (size_t i = 0; i < t.size() && family == SIZE_MAX; ++i) {
      const TCSSToken& x = t[i];
      if (x.CType == ctIdent || x.CType == ctString) {
        if (x.CType == ctIdent && !style && isKeyword(x, u"cfs", EnumTypeInfo<TCSSFontStyle>())) {
          add(u"font-style", x);
          style = true;
        } else if (x.CType == ctIdent && !weight && isKeyword(x, u"fw", EnumTypeInfo<TCSSFontWeight>())) {
          add(u"font-weight", x);
          weight = true;
        } else if (size) {
          family = i;
        } else if (tentative == SIZE_MAX) {
          tentative = i;  // words before the size (variants) unless no size follows
        }
      } else if (x.CType == ctNumber && !weight && !size) {
        int v = 0;
        if (TryGetEnumValue(u"fw", x.Name, EnumTypeInfo<TCSSFontWeight>(), v)) {
          add(u"font-weight", x);
          weight = true;
        } else {
          add(u"font-size", x);
          size = true;
        }
      } else if ((x.CType == ctNumber || x.CType == ctPercentage || x.CType == ctDimension) && !size) {
        add(u"font-size", x);
        size = true;
        if (i + 2 < t.size() && isSlash(t[i + 1])) {
          add(u"line-height", t[i + 2]);
          i += 2;
        }
      }
    }
    if (family == SIZE_MAX) family = tentative;
    // The whole family list is one value, so its fallback order survives.
    if (family != SIZE_MAX) addRange(u"font-family", family, t.size());
    if (!style) add(u"font-style", identToken(u"normal"));
    if (!weight) add(u"font-weight", identToken(u"normal"));
  }

  void border() {
    const TCSSTokens& t = d_->Tokens;
    for (size_t i = 0; i < t.size();) {
      const TCSSToken& x = t[i];
      const size_t e = partEnd(t, i);
      switch (x.CType) {
        case ctIdent:
          if (isKeyword(x, u"ls", EnumTypeInfo<TLineStyle>())) {
            for (const char16_t* n :
                 {u"border-top-style", u"border-right-style", u"border-bottom-style", u"border-left-style"})
              add(n, x);
          } else if (isLineWidthKeyword(x)) {
            add(u"border-width", x);
          } else {
            add(u"border-color", x);
          }
          break;
        case ctHash: add(u"border-color", x); break;
        case ctNumber:
        case ctDimension: add(u"border-width", x); break;
        case ctFunction: addRange(u"border-color", i, e); break;
        default: break;
      }
      i = e;
    }
  }

  void background() {
    const TCSSTokens& t = d_->Tokens;
    bool image = false, posX = false;
    auto position = [&](const TCSSToken& x) {
      add(posX ? u"background-position-y" : u"background-position-x", x);
      posX = true;
    };
    for (size_t i = 0; i < t.size();) {
      const TCSSToken& x = t[i];
      const size_t e = partEnd(t, i);
      switch (x.CType) {
        case ctIdent:
          if (isIdent(x, u"none")) {
            add(u"background-color", x);
            add(u"background-image", x);
            image = true;
          } else if (x.Compiled && x.Color != 0) {
            add(u"background-color", x);
          } else if (isKeyword(x, u"br", EnumTypeInfo<TBackgroundRepeat>())) {
            add(u"background-repeat", x);
          } else if (isKeyword(x, u"bo", EnumTypeInfo<TBackgroundOrigin>())) {
            add(u"background-origin", x);
          } else if (isKeyword(x, u"ba", EnumTypeInfo<TBackgroundAttachment>())) {
            add(u"background-attachment", x);
          } else if (isIdent(x, u"left") || isIdent(x, u"right")) {
            add(u"background-position-x", x);
            posX = true;
          } else if (isIdent(x, u"top") || isIdent(x, u"bottom") || isIdent(x, u"middle")) {
            add(u"background-position-y", x);
          } else if (isIdent(x, u"center")) {
            position(x);
          } else {
            add(u"background-color", x);
          }
          break;
        case ctHash: add(u"background-color", x); break;
        case ctNumber:
        case ctPercentage:
        case ctDimension: position(x); break;
        case ctURI:
          add(u"background-image", x);
          image = true;
          break;
        case ctFunction:
          if (SameTextAscii(x.Name, u"linear-gradient") || SameTextAscii(x.Name, u"radial-gradient")) {
            addRange(u"background-image", i, e);
            image = true;
          } else if (isColorFunction(x)) {
            addRange(u"background-color", i, e);
          }
          break;
        default: break;
      }
      i = e;
    }
    if (!image) add(u"background-image", identToken(u"none"));
  }

  void textDecoration() {
    const TCSSTokens& t = d_->Tokens;
    TCSSTokens lines;
    for (size_t i = 0; i < t.size();) {
      const TCSSToken& x = t[i];
      const size_t e = partEnd(t, i);
      if (isIdent(x, u"inherit") || isKeyword(x, u"tl", EnumTypeInfo<TCSSTextDecorationLine>()))
        lines.push_back(x);
      else if (isKeyword(x, u"ts", EnumTypeInfo<TCSSTextDecorationStyle>()))
        add(u"text-decoration-style", x);
      else if (x.CType == ctHash || isColorWord(x) || isColorFunction(x))
        addRange(u"text-decoration-color", i, e);
      i = e;
    }
    // All line keywords in one value, so "underline line-through" keeps both.
    if (!lines.empty()) addTokens(u"text-decoration-line", std::move(lines));
  }

  // Whether the component fits the longhand rec.
  static bool fits(const TCSSTokens& t, const TPart& p, const TCSSPropRec& rec) {
    const TCSSToken& x = t[p.First];
    switch (rec.Kind) {
      case cptColor: return x.CType == ctHash || isColorWord(x) || isColorFunction(x);
      case cptEnum: return rec.EnumType && isKeyword(x, rec.EnumPrefix, rec.EnumType);
      case cptNumber: return x.CType == ctNumber;
      case cptLength:
        return x.CType == ctPercentage || x.CType == ctDimension || (x.CType == ctNumber && x.AsFloat == 0) ||
               isIdent(x, u"auto") ||
               // so that "outline: thick solid" keeps its width
               (rec.Id == cspOutlineWidth && isLineWidthKeyword(x));
      default: return false;
    }
  }

  // Each component goes to the first longhand not yet given that it fits,
  // so the order of the components does not matter.
  void greedy() {
    const TCSSTokens& t = d_->Tokens;
    const auto& subs = d_->PropRec->SubProps;
    std::vector<bool> given(subs.size());
    for (const TPart& p : splitParts(t)) {
      for (size_t k = 0; k < subs.size(); ++k) {
        if (given[k] || !fits(t, p, *subs[k])) continue;
        addRange(subs[k]->Name, p.First, p.End);
        given[k] = true;
        break;
      }
    }
  }

  TCSSSection& s_;
  const TCSSValue* d_ = nullptr;
};

}  // namespace

void TCSSSection::Compile() {
  CompiledValues.clear();
  TCompiler c(*this);
  for (const TCSSValue& v : Values) {
    if (v.Dashed || !v.PropRec || v.PropRec->Id == cspUnknown) continue;
    c.compile(v);
  }
}

}  // namespace ht
