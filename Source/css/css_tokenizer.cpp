#include "css/css_tokenizer.h"

#include <array>
#include <cmath>

namespace ht {

namespace {

int hexValue(char16_t c) {
  if (IsAsciiDigit(c)) return c - u'0';
  return AsciiLower(c) - u'a' + 10;
}
// The identifier characters below U+0100, looked up rather than compared
// one range at a time: names are most of a style sheet.
constexpr auto kIdentChars = [] {
  std::array<bool, 0x100> t{};
  for (int c = 0; c < 0x100; ++c)
    t[size_t(c)] = c == '-' || c == '_' || c == '\\' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                   (c >= 'A' && c <= 'Z');
  return t;
}();
bool isIdentChar(char16_t c) { return c >= 0x100 || kIdentChars[c]; }

void appendCodePoint(String& s, char32_t cp) {
  // NUL, surrogates and values beyond Unicode are not characters.
  if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp > 0xFFFF) {
    cp -= 0x10000;
    s += char16_t(0xD800 + (cp >> 10));
    s += char16_t(0xDC00 + (cp & 0x3FF));
  } else {
    s += char16_t(cp);
  }
}

}  // namespace

TCSSTokenizer::TCSSTokenizer(const String& Text, bool ReadNumbers)
    : FParser(std::make_unique<TStringParser>(Text)), FReadNumbers(ReadNumbers) {
  while (!atEnd() && cur() <= u' ') advance();
}

char16_t TCSSTokenizer::peek(int n) const {
  return FParser->pend - FParser->p > n ? FParser->p[n] : char16_t(0);
}

bool TCSSTokenizer::NextToken() {
  if (atEnd()) {
    Eof = true;
    return false;
  }
  // Reset field by field: the name keeps its buffer from token to token.
  Token.CType = ctUnknown;
  Token.Name.clear();
  Token.EndPos = 0;
  Token.Flags = 0;
  Token.AsFloat = 0;
  Token.MUnit = muNone;
  Token.Compiled = false;
  Token.StartPos = FParser->Pos();
  const char16_t c = cur();
  switch (c) {
    case u'\t':
    case u'\n':
    case u'\r':
    case u' ': {
      const char16_t* start = FParser->p;
      while (!atEnd() && cur() <= u' ') advance();
      Token.CType = ctSpace;
      Token.Name.assign(start, size_t(FParser->p - start));
      break;
    }
    case u'"':
    case u'\'':
      readString();
      break;
    case u'#':
      advance();
      readIdent();
      Token.CType = ctHash;
      break;
    case u'(': Token.CType = ctOpenPar; break;
    case u')': Token.CType = ctClosePar; break;
    case u',': Token.CType = ctComma; break;
    case u':': Token.CType = ctColon; break;
    case u';': Token.CType = ctSemicolon; break;
    case u'[': Token.CType = ctOpenBr; break;
    case u']': Token.CType = ctCloseBr; break;
    case u'{': Token.CType = ctBlockStart; break;
    case u'}': Token.CType = ctBlockEnd; break;
    case u'-':
      if (IsAsciiDigit(peek()) || peek() == u'.')
        readNumber();
      else
        readIdentOrFunction();
      break;
    case u'.':
      if (IsAsciiDigit(peek()))
        readNumber();
      else
        Token.CType = ctDelimiter;
      break;
    case u'/':
      if (peek() == u'*')
        readComment();
      else
        Token.CType = ctSlash;
      break;
    case u'@':
      advance();
      readIdent();
      Token.CType = ctAtKeyword;
      Token.Name.insert(0, 1, u'@');
      break;
    default:
      if (IsAsciiDigit(c))
        readNumber();
      else if (IsAsciiLetter(c) || c == u'_' || c == u'\\' || c >= 0x100)
        readIdentOrFunction();
      else
        Token.CType = ctDelimiter;
      break;
  }
  // The one-character tokens.
  if ((Token.CType >= ctColon && Token.CType <= ctSlash) || Token.CType == ctBlockStart ||
      Token.CType == ctBlockEnd) {
    Token.Name.assign(1, c);
    advance();
  }
  Token.EndPos = FParser->Pos() - 1;
  return Token.CType != ctSpace || !atEnd();
}

bool TCSSTokenizer::readEscape(String& s) {
  if (atEnd()) return false;
  const char16_t c = cur();
  if (c == u'\r') {  // line continuation
    advance();
    if (!atEnd() && cur() == u'\n') advance();
    return true;
  }
  if (!IsHexDigit(c)) {
    s += c;
    advance();
    return true;
  }
  char32_t cp = 0;
  for (int n = 0; n < 6 && !atEnd() && IsHexDigit(cur()); ++n) {
    cp = cp * 16 + char32_t(hexValue(cur()));
    advance();
  }
  appendCodePoint(s, cp);
  if (!atEnd() && cur() == u' ') advance();
  return true;
}

void TCSSTokenizer::readIdent() {
  Token.AsFloat = 0;
  Token.Name.clear();
  while (!atEnd() && isIdentChar(cur())) {
    if (cur() == u'\\') {
      advance();
      if (!readEscape(Token.Name)) break;
      continue;
    }
    // A run without escapes is appended at once.
    const char16_t* start = FParser->p;
    const char16_t* p = start;
    while (p < FParser->pend && *p != u'\\' && isIdentChar(*p)) ++p;
    Token.Name.append(start, size_t(p - start));
    FParser->p = p;
  }
  Token.CType = Token.Name.empty() ? ctSpace : ctIdent;
}

void TCSSTokenizer::readIdentOrFunction() {
  readIdent();
  if (atEnd() || cur() != u'(') return;
  if (SameTextAscii(Token.Name, u"url"))
    readUri();
  else
    Token.CType = ctFunction;
}

void TCSSTokenizer::readUri() {
  Token.CType = ctURI;
  advance();  // "("
  while (!atEnd() && cur() <= u' ') advance();
  const char16_t c = cur();
  if (!atEnd() && (c == u'"' || c == u'\'')) {
    // A quoted address reads as a string: escapes hide its quote.
    advance();
    Token.Name.clear();
    while (!atEnd() && cur() != c) {
      const char16_t d = cur();
      advance();
      if (d != u'\\') Token.Name += d;
      else if (!readEscape(Token.Name)) break;
    }
    if (!atEnd()) advance();
    while (!atEnd() && cur() != u')') advance();
    if (!atEnd()) advance();
    return;
  }
  const char16_t* start = FParser->p;
  while (!atEnd() && cur() != u')') advance();
  const char16_t* end = FParser->p;
  while (end > start && end[-1] <= u' ') --end;
  Token.Name.assign(start, size_t(end - start));
  if (!atEnd()) advance();
}

void TCSSTokenizer::readString() {
  const char16_t quote = cur();
  advance();
  Token.CType = ctString;
  while (!atEnd()) {
    const char16_t c = cur();
    if (c == quote || c == u'\r') {
      advance();
      return;
    }
    advance();
    if (c == u'\\') {
      if (!readEscape(Token.Name)) return;
      continue;
    }
    // The rest of a run without quote, line break or escape at once.
    const char16_t* start = FParser->p - 1;
    const char16_t* p = FParser->p;
    while (p < FParser->pend && *p != quote && *p != u'\r' && *p != u'\\') ++p;
    Token.Name.append(start, size_t(p - start));
    FParser->p = p;
  }
}

void TCSSTokenizer::readNumber() {
  const char16_t* start = FParser->p;
  Token.CType = ctNumber;
  if (FReadNumbers) {
    const double v = FParser->ReadNumEx();
    Token.AsFloat = std::fabs(v) < 1e38 ? float(v) : 0.0f;
  } else {
    while (!atEnd() && (IsAsciiDigit(cur()) || cur() == u'+' || cur() == u'-' || cur() == u'.')) advance();
  }
  if (!atEnd() && (cur() == u'%' || peek() == u'%')) {
    Token.CType = ctPercentage;
    Token.MUnit = muPercent;
    if (cur() != u'%') advance();
    advance();
  } else if (!atEnd() && IsAsciiLetter(cur())) {
    const char16_t l1 = AsciiLower(cur()), l2 = AsciiLower(peek()), l3 = peek(2);
    const bool l3Ends = !(IsAsciiLetter(l3) || IsAsciiDigit(l3));
    TMeasureUnit unit = muNone;
    switch (l1) {
      case u'p':
        if (l2 == u'x') unit = muPX;
        else if (l2 == u't') unit = muPt;
        else if (l2 == u'c') unit = muPC;
        break;
      case u'm':
        if (l2 == u'm') unit = muMM;
        else if (l2 == u's') unit = muMS;
        break;
      case u'c':
        if (l2 == u'm' && l3Ends) unit = muCM;
        break;
      case u'i':
        if (l2 == u'n' && l3Ends) unit = muIN;
        break;
      case u'e':
        if (l2 == u'm' && l3Ends) unit = muEM;
        else if (l2 == u'x') unit = muEX;
        break;
      case u'd':
        if (l2 == u'e' && l3 == u'g') unit = muDeg;
        break;
      case u'r':
        if (l2 == u'e' && l3 == u'm') unit = muREM;
        break;
      case u's': unit = muS; break;
      case u'v': unit = l2 == u'w' ? muVW : muVH; break;
      default: break;
    }
    if (unit != muNone) {
      Token.CType = ctDimension;
      Token.MUnit = unit;
      while (!atEnd() && IsAsciiLetter(cur())) advance();
    } else {
      // Not a unit: the number and the hexadecimal digits after it are one
      // identifier (so "3d" stays one token).
      Token.AsFloat = 0;
      Token.CType = ctIdent;
      while (!atEnd() && IsHexDigit(cur())) advance();
    }
  }
  Token.Name.assign(start, size_t(FParser->p - start));
}

void TCSSTokenizer::readComment() {
  advance();
  advance();
  const char16_t* start = FParser->p;
  while (!atEnd() && !(cur() == u'*' && peek() == u'/')) advance();
  Token.Name.assign(start, size_t(FParser->p - start));
  Token.CType = ctComment;
  if (!atEnd()) {
    advance();
    advance();
  }
}

}  // namespace ht
