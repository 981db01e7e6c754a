#include "markup/html_tokenizer.h"

#include "markup/entities.h"
#include "markup/string_rec.h"
#include "markup/text_scan.h"

namespace ht {

namespace {

constexpr THtmlCharClassTables makeCharClass() {
  THtmlCharClassTables t{};
  t.Table[0][u'<'] = htTagStart;
  uint8_t* in = t.Table[1];
  for (char c : {'#', '%', '-', '.', ':', '@', '_'}) in[uint8_t(c)] = htIdent;
  for (int c = '0'; c <= '9'; ++c) in[c] = htIdent;
  for (int c = 'A'; c <= 'Z'; ++c) in[c] = htIdent;
  for (int c = 'a'; c <= 'z'; ++c) in[c] = htIdent;
  for (char c : {'\t', '\n', '\r', ' '}) in[uint8_t(c)] = htSpace;
  in[uint8_t('"')] = htString;
  in[uint8_t('\'')] = htString;
  in[uint8_t('<')] = htTagStart;
  in[uint8_t('>')] = htTagEnd;
  in[uint8_t('/')] = htTagClose;
  in[uint8_t('=')] = htEq;
  return t;
}

// Units that may follow "<" in a tag: anything from U+0080 up, "/" and the
// ASCII name characters.
inline bool startsTag(char16_t c) {
  return c >= 0x80 || c == u'-' || c == u'.' || c == u'/' || c == u':' || c == u'_' ||
         (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

inline bool hasAsciiUpper(const char16_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] >= u'A' && p[i] <= u'Z') return true;
  return false;
}


}  // namespace

const THtmlCharClassTables HtmlCharClass = makeCharClass();

THTMLTokenizer::THTMLTokenizer(const String& s, bool ACaseSensitive, TTextHold Hold)
    : Parser(std::make_unique<TStringParser>()), CaseSensitive(ACaseSensitive) {
  if (Hold == TTextHold::InPlace)
    Parser->InitInPlace(s);
  else
    Parser->Init(s);
  while (!Parser->Empty() && Parser->GetCurrent() < 0x21) Parser->Skip(1);
}

bool THTMLTokenizer::NextToken(bool AllowString) {
  TStringParser& sp = *Parser;
  if (sp.p >= sp.pend) {
    Eof = true;
    return false;
  }
  Token.StartPos = offset();
  const THTMLTokenType previous = Token.CType;
  char16_t c = *sp.p;
  if (previous == htTagEnd && c != u'<') {
    ReadText();
  } else {
    if (!AllowString && InTag) {
      while (sp.p < sp.pend && (*sp.p == u'"' || *sp.p == u'\'')) ++sp.p;
      if (sp.p >= sp.pend) {
        Eof = true;
        return false;
      }
      c = *sp.p;
    }
    switch (HtmlCharClassOf(c, InTag)) {
      case htIdent:
        if (previous == htTagStart)
          ReadTagName();
        else
          ReadIdent();
        break;
      case htSpace: {
        Token.CType = htSpace;
        const char16_t* start = sp.p++;
        while (sp.p < sp.pend && *sp.p <= u' ') ++sp.p;
        if (sp.p - start > 1) Token.Name.assign(start, size_t(sp.p - start));
        Token.EndPos = offset();
        return sp.p < sp.pend;
      }
      case htString:
        ReadString();
        break;
      case htTagStart: {
        const char16_t next = sp.p + 1 < sp.pend ? sp.p[1] : char16_t(0);
        if (next == u'!') {
          const char16_t third = sp.p + 2 < sp.pend ? sp.p[2] : char16_t(0);
          if (third == u'-')
            ReadComment();
          else if (sp.pend - sp.p >= 6 && StringView(sp.p + 2, 4) == u"[CDA")
            ReadCData();
          else
            ReadCustom();
        } else if (next == u'?') {
          ReadDirective();
        } else if (!startsTag(next)) {
          if (XMLMode)
            throw EHtmlParserException(u"Invalid tag name %s. Line %d position %d", String(1, next), sp.Line(),
                                       sp.Pos());
          ++sp.p;
          ReadText();
          Token.Name.insert(Token.Name.begin(), u'<');
        } else {
          Token.CType = htTagStart;
          ++sp.p;
          InTag = true;
        }
        break;
      }
      case htTagEnd:
        Token.CType = htTagEnd;
        ++sp.p;
        InTag = false;
        if (!XMLMode) {
          if (SameTextAscii(CurrentTag, u"script"))
            ReadScript();
          else if (SameTextAscii(CurrentTag, u"style"))
            ReadStyle();
        }
        break;
      case htTagClose:
        Token.CType = htTagClose;
        ++sp.p;
        CurrentTag.clear();
        break;
      case htEq:
        Token.CType = htEq;
        ++sp.p;
        break;
      default:  // class 0
        if (InTag)
          ReadIdent();
        else
          ReadText();
        break;
    }
  }
  Token.EndPos = offset();
  return true;
}

void THTMLTokenizer::ReadIdent() {
  TStringParser& sp = *Parser;
  const char16_t* start = sp.p++;
  while (sp.p < sp.pend) {
    const char16_t c = *sp.p;
    if (c > 0xFF) {
      ++sp.p;
      continue;
    }
    const uint8_t cls = HtmlCharClass.Table[1][c];
    if ((cls == htUnknown || cls == htIdent) && c != 0)
      ++sp.p;
    else if (c == u'/' && sp.p[1] != u'>')  // the unit at pend is NUL, so p[1] is readable
      ++sp.p;
    else
      break;
  }
  Token.CType = htIdent;
  Token.Name.assign(start, size_t(sp.p - start));
}

void THTMLTokenizer::ReadTagName() {
  TStringParser& sp = *Parser;
  const char16_t* start = sp.p++;
  while (sp.p < sp.pend) {
    const char16_t c = *sp.p;
    if (c >= 0x41 || HtmlCharClass.Table[1][c] == htIdent || (c == u'/' && sp.p[1] != u'>'))
      ++sp.p;
    else
      break;
  }
  const size_t len = size_t(sp.p - start);
  Token.CType = htIdent;
  if (!TagList) {
    Token.Name.assign(start, len);
    if (!CaseSensitive) Token.Name = AsciiLowerCase(Token.Name);
  } else {
    StringView key(start, len);
    String lowered;
    if (!CaseSensitive && hasAsciiUpper(start, len)) {
      lowered = AsciiLowerCase(key);
      key = lowered;
    }
    const int32_t hash = TagList->Hash(key);
    const int32_t slot = TagList->IndexOfChars(hash, key.data(), int32_t(key.size()));
    const THtStringRec* rec;
    if (slot >= 0) {
      rec = static_cast<const THtStringRec*>(TagList->Items()[slot].Data);
    } else {
      auto* fresh = new THtStringRec(key);
      TagList->AddWithHash(hash, fresh->Value, fresh);
      rec = fresh;
    }
    Token.Name = rec->Value;
  }
  CurrentTag = Token.Name;
}

void THTMLTokenizer::appendCodePoint(int64_t value) {
  if (value >= 0x10000 && value <= 0x10FFFF) {
    const uint32_t v = uint32_t(value - 0x10000);
    Token.Name.push_back(char16_t(0xD800 + (v >> 10)));
    Token.Name.push_back(char16_t(0xDC00 + (v & 0x3FF)));
  } else if (value < 0 || value > 0x10FFFF) {
    Token.Name.append(u"  ");
  } else {
    // Any unit up to U+FFFF is kept as it is, lone surrogates and NUL too.
    Token.Name.push_back(char16_t(value));
  }
}

void THTMLTokenizer::ReadText() {
  TStringParser& sp = *Parser;
  Token.CType = htString;
  Token.Name.clear();
  const char16_t* const end = sp.pend;
  for (;;) {
    const char16_t* const start = sp.p;
    const char16_t* const q = FindTextStop(start, end);
    Token.Name.append(start, size_t(q - start));
    sp.p = q;
    if (q < end && *q == u'&') {
      ++sp.p;
      appendCodePoint(ReadEntity());
      continue;
    }
    return;
  }
}

void THTMLTokenizer::ReadString() {
  TStringParser& sp = *Parser;
  const char16_t quote = *sp.p++;
  Token.CType = htString;
  Token.Name.clear();
  for (;;) {
    const char16_t* start = sp.p;
    const char16_t* q = start;
    while (q < sp.pend && *q != quote && *q != u'&') ++q;
    Token.Name.append(start, size_t(q - start));
    sp.p = q;
    if (q < sp.pend && *q == u'&') {
      ++sp.p;
      appendCodePoint(ReadEntity());
      continue;
    }
    if (q < sp.pend) ++sp.p;  // the closing quote
    return;
  }
}

int64_t THTMLTokenizer::ReadEntity() {
  TStringParser& sp = *Parser;
  const char16_t* const p = sp.p;
  const ptrdiff_t left = sp.pend - p;
  // Units beyond the text read as NUL, which is never ";".
  auto at = [&](ptrdiff_t i) -> char16_t { return i < left ? p[i] : char16_t(0); };
  auto consume = [&](ptrdiff_t n) { sp.p = p + (n < left ? n : left); };

  // The common references, recognised by their first units.
  const char16_t c0 = at(0), c1 = at(1), c2 = at(2);
  if (c1 == u't' && c2 == u';' && (c0 == u'l' || c0 == u'g')) {
    consume(3);
    return c0 == u'l' ? u'<' : u'>';
  }
  if (c0 == u'q' && c1 == u'u' && c2 == u'o') {
    consume(at(4) == u';' ? 5 : 4);
    return u'"';
  }
  if (c0 == u'a' && c1 == u'm' && c2 == u'p') {
    consume(at(3) == u';' ? 4 : 3);
    return u'&';
  }
  if (c0 == u'n' && c1 == u'b' && c2 == u's') {
    consume(at(4) == u';' ? 5 : 4);
    return 0xA0;
  }

  // The name runs to ";", a space or NUL, looking at no more than 26 units.
  ptrdiff_t run = 0;
  bool endsAtSemicolon = false;
  for (; run < 26; ++run) {
    const char16_t c = at(run);
    if (c == u';' || c == u' ' || c == 0) {
      endsAtSemicolon = c == u';';
      break;
    }
  }
  if (run == 26) run = 25;

  if (c0 == u'#') {
    sp.p = p + 1;
    int64_t value;
    if (at(1) == u'x') {
      sp.p = p + 2;
      value = sp.ReadHex();
    } else {
      value = sp.ReadInt();
    }
    if (endsAtSemicolon && sp.p <= p + run) sp.p = p + run + 1;
    return value;
  }
  if (!endsAtSemicolon) return u'&';
  const uint32_t cp = EntityDictionary ? EntityDictionary->FindEntity(p, int32_t(run)) : 0;
  if (cp == 0) return u'&';
  sp.p = p + run + 1;
  return cp;
}

void THTMLTokenizer::ReadComment() {
  TStringParser& sp = *Parser;
  sp.Skip(4);
  const char16_t* const start = sp.p;
  Token.CType = htComment;
  for (const char16_t* q = start; q < sp.pend; ++q) {
    if (*q == u'>' && q - sp.Begin() >= 2 && q[-1] == u'-' && q[-2] == u'-') {
      const char16_t* stop = q - 2 > start ? q - 2 : start;
      Token.Name.assign(start, size_t(stop - start));
      sp.p = q + 1;
      return;
    }
  }
  const ptrdiff_t len = (sp.pend - start) - 2;
  Token.Name.assign(start, size_t(len > 0 ? len : 0));
  sp.p = sp.pend;
}

void THTMLTokenizer::ReadCData() {
  TStringParser& sp = *Parser;
  sp.Skip(9);
  const char16_t* const start = sp.p;
  Token.CType = htCData;
  for (const char16_t* q = start; q + 2 < sp.pend; ++q) {
    if (q[0] == u']' && q[1] == u']' && q[2] == u'>') {
      Token.Name.assign(start, size_t(q - start));
      sp.p = q + 3;
      return;
    }
  }
  const ptrdiff_t len = (sp.pend - start) - 2;
  Token.Name.assign(start, size_t(len > 0 ? len : 0));
  sp.p = sp.pend;
}

void THTMLTokenizer::ReadCustom() {
  TStringParser& sp = *Parser;
  sp.Skip(2);
  const char16_t* const start = sp.p;
  while (sp.p < sp.pend && *sp.p != u'>') ++sp.p;
  Token.CType = htCustom;
  Token.Name.assign(start, size_t(sp.p - start));
  if (sp.p < sp.pend) ++sp.p;
}

void THTMLTokenizer::ReadDirective() {
  TStringParser& sp = *Parser;
  sp.Skip(2);
  const char16_t* const start = sp.p;
  while (sp.p < sp.pend && *sp.p != u'>' && *sp.p != 0 && !(*sp.p == u'?' && sp.p[1] == u'>')) ++sp.p;
  Token.CType = htDirective;
  Token.Name.assign(start, size_t(sp.p - start));
  if (sp.p < sp.pend) {
    if (*sp.p == u'?')
      sp.p += 2;
    else if (*sp.p == u'>')
      ++sp.p;
  }
}

void THTMLTokenizer::readRawTo(StringView EndTag) {
  TStringParser& sp = *Parser;
  const char16_t* const start = sp.p;
  while (sp.p < sp.pend && !(*sp.p == u'<' && sp.StartsWith(EndTag))) ++sp.p;
  Token.Name.assign(start, size_t(sp.p - start));
}

void THTMLTokenizer::ReadScript() {
  readRawTo(u"</script>");
  Token.CType = htScript;
  String& n = Token.Name;
  size_t b = 0, e = n.size();
  while (b < e && IsBlankChar(n[b])) ++b;
  while (e > b && IsBlankChar(n[e - 1])) --e;
  if (e - b >= 4 && StringView(n).substr(b, 4) == u"<!--") {
    b += 4;
    // Only a real closer is dropped: cutting three units blindly would lose
    // script text when the comment is left open.
    if (e - b >= 3 && StringView(n).substr(e - 3, 3) == u"-->") e -= 3;
  }
  n = n.substr(b, e - b);
}

void THTMLTokenizer::ReadStyle() {
  readRawTo(u"</style>");
  Token.CType = htStyle;
  String& n = Token.Name;
  for (size_t open = n.find(u"<!--"); open != String::npos; open = n.find(u"<!--")) {
    n.erase(open, 4);
    const size_t close = n.find(u"-->", open);
    if (close != String::npos) n.erase(close, 3);
  }
}

}  // namespace ht
