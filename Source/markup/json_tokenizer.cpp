#include "markup/json_tokenizer.h"

#include <array>

namespace ht {

namespace {

constexpr std::array<uint8_t, 256> makeCharClasses() {
  std::array<uint8_t, 256> t{};  // jtUnknown everywhere else
  t[u'_'] = jtIdent;
  for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = jtIdent;
  t[u'\t'] = t[u'\n'] = t[u'\r'] = t[u' '] = jtSpace;
  t[u'"'] = t[u'\''] = jtString;
  t[u','] = jtComma;
  t[u'{'] = jtObjectStart;
  t[u'}'] = jtObjectEnd;
  t[u'['] = jtArrayStart;
  t[u']'] = jtArrayEnd;
  t[u':'] = jtColon;
  t[u'-'] = t[u'.'] = jtNumber;
  for (int c = '0'; c <= '9'; ++c) t[size_t(c)] = jtNumber;
  return t;
}

constexpr std::array<uint8_t, 256> charClasses = makeCharClasses();

bool isIdentChar(char16_t c) {
  return c == u'-' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' || (c >= u'a' && c <= u'z') ||
         c >= 0x100;
}

}  // namespace

THtJSONTokenType JSONCharClass(char16_t c) {
  return c <= 0xFF ? THtJSONTokenType(charClasses[c]) : jtUnknown;
}

THtJSONTokenizer::THtJSONTokenizer(const String& S) : Parser(std::make_unique<TStringParser>(S)) {
  Parser->RaiseException = true;
  while (Parser->p < Parser->pend && *Parser->p < 0x21) ++Parser->p;
}

void THtJSONTokenizer::incorrectEscape() const {
  throw EHtJSONParserException(u"Incorrect unicode escape at line %d", Parser->Line());
}

bool THtJSONTokenizer::NextToken() {
  TStringParser& ps = *Parser;
  if (ps.p >= ps.pend) {
    Eof = true;
    return false;
  }
  Token.StartPos = offset();
  const THtJSONTokenType cls = JSONCharClass(*ps.p);
  switch (cls) {
    case jtUnknown:
      ReadIdent();
      Token.TokenType = jtUnknown;
      break;
    case jtIdent:
      ReadIdent();
      break;
    case jtSpace: {
      Token.TokenType = jtSpace;
      const char16_t* start = ps.p;
      ++ps.p;
      while (ps.p < ps.pend && *ps.p < 0x21) ++ps.p;
      if (ps.p - start > 1) Token.Text.assign(start, ps.p);
      Token.EndPos = offset();
      if (ps.p >= ps.pend) return false;
      break;
    }
    case jtString:
      ReadString();
      break;
    case jtNumber: {
      const char16_t* start = ps.p;
      Token.Number = ps.ReadNumEx();
      Token.Text.assign(start, ps.p);
      Token.TokenType = jtNumber;
      break;
    }
    default:  // the one-character punctuation tokens
      Token.TokenType = cls;
      ++ps.p;
      break;
  }
  Token.EndPos = offset();
  return true;
}

bool THtJSONTokenizer::NextNSToken() {
  bool ok;
  do {
    ok = NextToken();
  } while (ok && Token.TokenType == jtSpace);
  return ok;
}

void THtJSONTokenizer::ReadIdent() {
  TStringParser& ps = *Parser;
  const char16_t* start = ps.p;
  ++ps.p;  // the first character whatever it is
  while (ps.p < ps.pend && isIdentChar(*ps.p)) ++ps.p;
  Token.Text.assign(start, ps.p);
  const String& t = Token.Text;
  Token.TokenType = (t == u"true" || t == u"false" || t == u"null") ? jtValue : jtIdent;
}

void THtJSONTokenizer::ReadString() {
  TStringParser& ps = *Parser;
  const char16_t quote = *ps.p;
  ++ps.p;
  Token.Text.clear();
  const char16_t* run = ps.p;
  for (;;) {
    if (ps.p >= ps.pend) throw EHtJSONParserException(u"Unterminated string");
    const char16_t c = *ps.p;
    if (c < 0x20) throw EHtJSONParserException(u"Unescaped control symbol");
    if (c == quote) break;
    if (c != u'\\') {
      ++ps.p;
      continue;
    }
    Token.Text.append(run, ps.p);
    ++ps.p;
    if (ps.p >= ps.pend) throw EHtJSONParserException(u"Unterminated string");
    const char16_t e = *ps.p++;
    char16_t unit = 0;
    switch (e) {
      case u'"':
      case u'\\':
      case u'/':
        unit = e;
        break;
      case u'b':
        unit = 0x08;
        break;
      case u'f':
        unit = 0x0C;
        break;
      case u'n':
        unit = u'\n';
        break;
      case u'r':
        unit = u'\r';
        break;
      case u't':
        unit = u'\t';
        break;
      case u'u': {
        int v = 0, n = 0;
        for (; n < 4 && ps.p < ps.pend; ++n, ++ps.p) {
          const int h = HexDigitValue(*ps.p);
          if (h < 0) break;
          v = v * 16 + h;
        }
        if (n < 4) incorrectEscape();
        unit = char16_t(v);
        break;
      }
      case u'x': {
        // Both digits are checked: the text may end right after the "x".
        const int h1 = ps.p < ps.pend ? HexDigitValue(ps.p[0]) : -1;
        const int h2 = h1 >= 0 && ps.p + 1 < ps.pend ? HexDigitValue(ps.p[1]) : -1;
        if (h2 < 0) incorrectEscape();
        ps.p += 2;
        unit = char16_t(h1 * 16 + h2);
        break;
      }
      default:
        incorrectEscape();
    }
    Token.Text.push_back(unit);
    run = ps.p;
  }
  Token.Text.append(run, ps.p);
  ++ps.p;  // the closing quote
  Token.TokenType = jtString;
}

void THtJSONTokenizer::ReadComment() {
  TStringParser& ps = *Parser;
  ps.Skip(2);
  const char16_t* start = ps.p;
  while (ps.p < ps.pend && *ps.p != u'\r') ++ps.p;
  Token.Text.assign(start, ps.p);
  Token.TokenType = jtComment;
  if (ps.p < ps.pend && *ps.p == u'\r') ++ps.p;
  if (ps.p < ps.pend && *ps.p == u'\n') ++ps.p;
}

}  // namespace ht
