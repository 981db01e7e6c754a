// Encoding detection and switching of the item reader.
#include <cctype>
#include <string>

#include "markup/html_parser.h"
#include "markup/node.h"
#include "markup/file_utils.h"
#include "platform/rtl/code_pages.h"
#include "platform/rtl/stream.h"

namespace ht {

namespace {

inline bool isContinuation(uint8_t b) { return b >= 0x80 && b <= 0xBF; }

// Whether bytes look like UTF-8: at least one well-formed multi-byte
// sequence and no lead byte that cannot start one before it. The scan stops
// at the first sequence it cannot judge (four-byte forms included) and
// answers what it has seen so far.
bool looksLikeUtf8(std::string_view bytes) {
  const size_t n = bytes.size();
  bool seen = false;
  size_t i = 0;
  auto at = [&](size_t k) -> uint8_t { return k < n ? uint8_t(bytes[k]) : uint8_t(0); };
  while (i < n) {
    const uint8_t b = uint8_t(bytes[i]);
    if (b < 0x80) {
      ++i;
    } else if (b == 0xC0 || b == 0xC1) {
      return false;
    } else if (b <= 0xDF && b >= 0xC2) {
      if (!isContinuation(at(i + 1))) return false;
      seen = true;
      i += 2;
    } else if (b == 0xE0 && at(i + 1) >= 0xA0 && at(i + 1) <= 0xBF && isContinuation(at(i + 2))) {
      seen = true;
      i += 3;
    } else if (((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) && isContinuation(at(i + 1)) &&
               isContinuation(at(i + 2))) {
      seen = true;
      i += 3;
    } else if (b == 0xED && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F && isContinuation(at(i + 2))) {
      seen = true;
      i += 3;
    } else {
      return seen;
    }
  }
  return seen;
}

// Text that was decoded from ANSI bytes turns back into the same bytes and
// the same text. Text that holds characters ANSI cannot (it came from a
// byte-order-marked file or was handed over as a string) must not be
// re-decoded: the conversion would turn them into "?".
bool ansiBytesOf(StringView text, std::string& bytes) {
  bytes = StringToAnsi(text);
  return AnsiToString(bytes) == text;
}

bool isDecimal(StringView s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// Whether a meta start tag in the first 1024 bytes names UTF-8 as its
// charset (the first meta that names any charset decides). Only a guess:
// the item reader confirms it (THtmlByteSource).
bool prescanMetaUtf8(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, 1024);
  auto lowerAt = [&](size_t i) { return char(std::tolower(static_cast<unsigned char>(head[i]))); };
  auto find = [&](std::string_view word, size_t from, size_t to) {
    for (size_t i = from; i + word.size() <= to; ++i) {
      size_t k = 0;
      while (k < word.size() && lowerAt(i + k) == word[k]) ++k;
      if (k == word.size()) return i;
    }
    return std::string_view::npos;
  };
  for (size_t at = find("<meta", 0, head.size()); at != std::string_view::npos;
       at = find("<meta", at + 5, head.size())) {
    size_t end = head.find('>', at);
    if (end == std::string_view::npos) end = head.size();
    if (find("charset", at, end) == std::string_view::npos) continue;
    return find("utf-8", at, end) != std::string_view::npos;
  }
  return false;
}

}  // namespace

bool THtmlByteSource::Prepare(std::string_view ABytes, String& Text, bool GuessUtf8) {
  *this = THtmlByteSource();
  Bytes = ABytes;
  if (!FileBytesAreAnsi(ABytes)) {
    Text = DecodeFileBytes(ABytes);
    return false;
  }
  if (GuessUtf8 && prescanMetaUtf8(ABytes)) {
    size_t ascii = 0;
    while (ascii < ABytes.size() && uint8_t(ABytes[ascii]) < 0x80) ++ascii;
    // UTF-8 from the first non-ASCII byte on, when the rest passes the same
    // test the meta rule applies.
    if (ascii < ABytes.size() && looksLikeUtf8(ABytes.substr(ascii))) {
      AsciiEnd = ascii;
      Utf8Rest = true;
      Text = Utf8ToString(ABytes);
      return true;
    }
  }
  Text = AnsiToString(ABytes);
  return true;
}

bool THtmlParser::restAnsiBytes(std::string& Storage, std::string_view& Bytes) {
  TStringParser& sp = *Tokenizer->Parser;
  if (Source && !Source->Utf8Rest) {
    Bytes = Source->Bytes.substr(size_t(sp.p - sp.Begin()));
    return true;
  }
  if (!ansiBytesOf(StringView(sp.p, size_t(sp.pend - sp.p)), Storage)) return false;
  Bytes = Storage;
  return true;
}

template <class Decode>
void THtmlParser::redecodeRest(Decode decode) {
  TStringParser& sp = *Tokenizer->Parser;
  std::string storage;
  std::string_view bytes;
  if (!restAnsiBytes(storage, bytes)) return;
  String decoded = decode(bytes);
  Source = nullptr;  // the text is no longer the bytes' decoding
  if (!decoded.empty()) sp.Init(std::move(decoded));
}

template <class Decode>
void THtmlParser::redecodeTree(Decode decode) {
  if (!Root) return;
  std::string bytes;
  auto redecode = [&](const String& text, auto&& store) {
    if (text.empty() || !ansiBytesOf(text, bytes)) return;
    String decoded = decode(bytes);
    if (decoded != text) store(decoded);
  };
  // Depth first over Root and its descendants.
  THtNode* root = Root;
  for (THtNode* n = root; n;) {
    redecode(n->Content(), [&](const String& v) { n->SetContent(v); });
    if (THtAttributes* attrs = n->Attributes())
      for (int i = 0; i < attrs->Count; ++i)
        redecode(attrs->GetValue(i), [&](const String& v) { attrs->SetValue(i, v); });
    if (n->GetCount() > 0) {
      n = n->GetNode(0);
      continue;
    }
    while (n != root && !n->NextSibling()) n = n->Parent();
    n = n == root ? nullptr : n->NextSibling();
  }
}

void THtmlParser::ChangeEncoding(THtmlEncoding NewEncoding, int /*NewCodePage*/) {
  if (NewEncoding != heUTF8 || Encoding == heUTF8) return;
  TStringParser& sp = *Tokenizer->Parser;
  if (Source && Source->Utf8Rest) {
    // The text was decoded as UTF-8 ahead of this meta: what the re-decoding
    // would give as long as the cursor has not passed the first non-ASCII byte.
    if (size_t(sp.p - sp.Begin()) > Source->AsciiEnd) {
      Source->Mismatch = true;
      return;
    }
    Source->Confirmed = true;
    Source = nullptr;
    Encoding = heUTF8;
    redecodeTree([](std::string_view b) { return Utf8ToString(b); });
    return;
  }
  std::string storage;
  std::string_view bytes;
  if (restAnsiBytes(storage, bytes) && looksLikeUtf8(bytes)) {
    String decoded = Utf8ToString(bytes);
    Source = nullptr;
    if (!decoded.empty()) sp.Init(std::move(decoded));
    Encoding = heUTF8;
    redecodeTree([](std::string_view b) { return Utf8ToString(b); });
  } else {
    Source = nullptr;
    Encoding = heUTF8;
  }
}

void THtmlParser::applyMetaEncoding() {
  if (FEncodingProcessed || !Attributes || Attributes->Count == 0) return;
  String charset;
  if (SameTextAscii(Attributes->GetAttribute(u"http-equiv"), u"content-type"))
    charset = AsciiLowerCase(Attributes->GetAttribute(u"content"));
  if (charset.empty()) charset = AsciiLowerCase(Attributes->GetAttribute(u"charset"));
  if (charset.empty()) return;
  FEncodingProcessed = true;
  if (charset.find(u"utf-8") != String::npos) {
    ChangeEncoding(heUTF8, 0);
    return;
  }
  const int cp = CharsettoCodepage(charset);
  // A code page no converter serves changes nothing, like an unknown name.
  if (cp == 0 || Encoding != heDefault || !IsCodePageSupported(cp)) {
    // A UTF-8 guess is wrong when the first charset named is another one.
    if (Source && Source->Utf8Rest) Source->Mismatch = true;
    return;
  }
  if (Source && Source->Utf8Rest) {
    Source->Mismatch = true;
    return;
  }
  auto decode = [cp](std::string_view b) { return CodePageToString(b, cp); };
  redecodeRest(decode);
  Encoding = heANSI;
  Codepage = uint32_t(cp);
  redecodeTree(decode);
}

int THtmlParser::CharsettoCodepage(StringView ACharset) {
  auto has = [&](StringView s) { return ACharset.find(s) != StringView::npos; };
  if (has(u"iso-8859-1")) return 1252;
  if (has(u"iso-8859-2")) return 28592;
  if (has(u"iso-8859-5")) return 28595;
  if (has(u"iso-8859-9")) return 1254;
  if (has(u"iso-8859-8")) return 1255;
  if (has(u"koi8")) return 20866;
  const size_t w = ACharset.find(u"windows-");
  if (w != StringView::npos) {
    const StringView digits = ACharset.substr(w + 8, 4);
    if (!isDecimal(digits)) return 0;
    int n = 0;
    for (char16_t c : digits) n = n * 10 + (c - u'0');
    return n;
  }
  if (has(u"gb2312")) return 936;
  if (has(u"utf-8")) return 65001;
  if (has(u"big5")) return 950;
  return 0;
}

THtmlEncoding THtmlParser::GetFileEncoding(const String& AFileName, int& ACodePage) {
  ACodePage = 0;
  std::string bytes(4096, '\0');
  {
    TFileStream file(AFileName, fmOpenRead);
    size_t got = 0;
    while (got < bytes.size()) {
      const size_t n = file.Read(bytes.data() + got, bytes.size() - got);
      if (n == 0) break;
      got += n;
    }
    bytes.resize(got);
  }
  if (bytes.empty()) return heDefault;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return heUTF8;
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) return heUTF16;

  const String text = AnsiToString(bytes);
  if (text.find(StringView(u"\0<", 2)) != String::npos) return heUTF16;
  if (looksLikeUtf8(bytes)) return heUTF8;
  const String lower = AsciiLowerCase(text);
  size_t i = lower.find(u"charset");
  if (i != String::npos) i = lower.find(u'=', i);
  if (i != String::npos) {
    ++i;
    while (i < lower.size() && (lower[i] == u' ' || lower[i] == u'"')) ++i;
    size_t e = i;
    while (e < lower.size() && lower[e] != 0 && lower[e] != u'"' && lower[e] != u'>') ++e;
    ACodePage = CharsettoCodepage(StringView(lower).substr(i, e - i));
  }
  return heDefault;
}

}  // namespace ht
