#include "markup/string_parser.h"

#include <cmath>
#include <limits>

namespace ht {

namespace {


// Units that begin a word-breaking unit of their own: U+4E00..U+9FFF,
// U+F900..U+FAFF and U+3000..U+30FF.
inline bool isIdeographic(char16_t c) {
  const unsigned hi = c >> 8;
  return (hi >= 0x4E && hi <= 0x9F) || hi == 0xF9 || hi == 0xFA || hi == 0x30;
}

inline bool isWordBreak(char16_t c) { return c == u' ' || c == u'-' || c == u'/' || isIdeographic(c); }

// Marks that must not begin a line: an ideograph before one keeps it.
constexpr StringView kClosingMarks =
    u"!),.:;?]}\uFF0C\u3001\u3002\u2014\u02C7\u0401\u3003\u3005\uFF5E\u2026\u2019\u201D\u3015\u3009\u300B"
    u"\u300D\u300F\u3017\u3011";

double powerOfTen(int e) {
  return e >= 0 ? std::pow(10.0, e) : 1.0 / std::pow(10.0, -e);
}

}  // namespace

TStringParser::TStringParser(const String& A) { Init(A); }

std::shared_ptr<IStringParser> TStringParser::CreateShared(const String& A) {
  return std::make_shared<TStringParser>(A);
}

void TStringParser::setText(const char16_t* text, size_t size) {
  fNull = 0;
  fStart = size == 0 ? &fNull : text;
  p = fStart;
  pend = p + size;
}

void TStringParser::Init(const String& A) {
  s = A;
  setText(s.data(), s.size());
}

void TStringParser::Init(String&& A) {
  s = std::move(A);
  setText(s.data(), s.size());
}

void TStringParser::InitInPlace(const String& A) {
  s.clear();
  setText(A.data(), A.size());
}

String TStringParser::Tail() const {
  if (p == Start()) return String(Text());
  const char16_t* q = p;
  while (q < pend && *q != 0) ++q;
  return String(p, size_t(q - p));
}

int TStringParser::Line() const {
  int n = 0;
  for (const char16_t* q = Start(); q < p; ++q)
    if (*q == u'\n') ++n;
  return n;
}

int TStringParser::CharPos(char16_t c) const {
  for (const char16_t* q = p; q < pend; ++q)
    if (*q == c) return int(q - p) + 1;
  return 0;
}

bool TStringParser::StartsWith(StringView sub) const {
  if (p >= pend || sub.empty() || size_t(pend - p) < sub.size()) return false;
  for (size_t i = 0; i < sub.size(); ++i)
    if (AsciiLower(p[i]) != sub[i]) return false;
  return true;
}

void TStringParser::Skip(int n) {
  if (n <= 0) return;
  p = (pend - p) > n ? p + n : pend;
}

void TStringParser::Skipto(char16_t c) {
  while (p < pend && *p != c) ++p;
}

void TStringParser::SkipEndBlanks() {
  if (p >= pend) return;
  // Shortening the text needs a copy of our own.
  if (fStart != s.data()) {
    const size_t at = size_t(p - fStart);
    s.assign(fStart, size_t(pend - fStart));
    setText(s.data(), s.size());
    p = fStart + at;
  }
  const size_t index = size_t(p - s.data());
  size_t len = s.size();
  while (len > 1) {
    const char16_t c = s[len - 1];
    if (c != u'\n' && c != u'\r' && c != u' ') break;
    --len;
  }
  s.resize(len);
  fStart = s.data();
  p = s.data() + index;
  pend = s.data() + len;
  if (p > pend) p = pend;
}

void TStringParser::ReadWord(String& out, bool DoSkipBlanks) {
  out.clear();
  if (DoSkipBlanks) SkipBlanks();
  if (p >= pend) return;
  const char16_t* start = p++;
  while (p < pend) {
    const char16_t c = *p;
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'(' || c == u')' || c == u',') break;
    ++p;
  }
  out.assign(start, size_t(p - start));
}

bool TStringParser::ReadParam(String& out) {
  out.clear();
  SkipBlanks();
  if (p >= pend) return false;
  if (*p == u',' || *p == u'(') ++p;
  if (p < pend && *p == u')') {
    ++p;
    return false;
  }
  const char16_t* start = p;
  while (p < pend && *p != u'(' && *p != u')' && *p != u',') ++p;
  out.assign(start, size_t(p - start));
  return true;
}

void TStringParser::ReadtoChar(char16_t c, String& out, bool DoSkipBlanks) {
  out.clear();
  if (DoSkipBlanks) SkipBlanks();
  if (p >= pend) return;
  const char16_t* start = p;
  while (p < pend && *p == c) ++p;
  while (p < pend && *p != c) ++p;
  const char16_t* stop = p;
  if (DoSkipBlanks) {
    while (stop > start && stop[-1] <= u' ') --stop;
    if (p < pend) ++p;
  }
  out.assign(start, size_t(stop - start));
}

void TStringParser::ReadtoChars(const TCharSet& sc, String& s1) {
  s1.clear();
  SkipBlanks();
  const char16_t* start = p;
  while (p < pend && !sc.Contains(*p)) ++p;
  s1.assign(start, size_t(p - start));
}

void TStringParser::ReadLn(String& out) {
  out.clear();
  const char16_t* start = p;
  while (p < pend && *p != u'\r' && *p != u'\n') ++p;
  out.assign(start, size_t(p - start));
  if (p < pend) {
    const bool cr = *p == u'\r';
    ++p;
    if (cr && p < pend && *p == u'\n') ++p;
  }
}

void TStringParser::ReadtoWordBreak(String& out) {
  out.clear();
  if (p >= pend) return;
  const char16_t* q = p;
  if (*q == u'-' || *q == u'/' || isIdeographic(*q)) ++q;
  while (q < pend && *q == u' ') ++q;
  auto scanWord = [&] {
    while (q < pend && !isWordBreak(*q)) ++q;
  };
  scanWord();
  if (q + 1 < pend && isIdeographic(*q) && kClosingMarks.find(q[1]) != StringView::npos) {
    ++q;
    scanWord();
  }
  out.assign(p, size_t(q - p));
  p = q;
}

// ---- numbers -------------------------------------------------------------

void TStringParser::incorrectNumber() { throw EConvertError(String(u"Incorrect number")); }

void TStringParser::skipNumberLead() {
  SkipBlanks();
  if (p < pend && *p == u',') {
    ++p;
    SkipBlanks();
  }
}

bool TStringParser::readSign() {
  if (p >= pend) return false;
  if (*p == u'+') {
    ++p;
  } else if (*p == u'-') {
    ++p;
    return true;
  }
  return false;
}

double TStringParser::readFraction() {
  int64_t value = 0;
  int64_t scale = 1;
  while (p < pend && IsAsciiDigit(*p)) {
    if (scale < 10000000) {
      value = value * 10 + (*p - u'0');
      scale *= 10;
    }
    ++p;
  }
  return double(value) / double(scale);
}

int32_t TStringParser::ReadInt() {
  skipNumberLead();
  if (p >= pend) return 0;
  const bool negative = readSign();
  if (RaiseException && !IsAsciiDigit(*p)) incorrectNumber();
  int32_t value = 0;
  while (p < pend && IsAsciiDigit(*p) && value < 214748364) {
    value = value * 10 + (*p - u'0');
    ++p;
  }
  return negative ? -value : value;
}

int32_t TStringParser::ReadInt1() {
  skipNumberLead();
  if (p >= pend) return 0;
  const bool negative = readSign();
  if (RaiseException && !IsAsciiDigit(*p)) incorrectNumber();
  const int32_t value = int32_t(*p) - 48;
  if (p < pend) ++p;
  return negative ? -value : value;
}

int64_t TStringParser::ReadHex() {
  skipNumberLead();
  if (p >= pend) return 0;
  const bool negative = readSign();
  uint64_t value = 0;  // wraps like the 64-bit register it models
  while (p < pend) {
    const char16_t c = AsciiLower(*p);
    unsigned digit;
    if (IsAsciiDigit(c))
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else
      break;
    value = value * 16 + digit;
    ++p;
  }
  return int64_t(negative ? uint64_t(0) - value : value);
}

int64_t TStringParser::ReadBin() {
  SkipBlanks();
  if (p >= pend) return 0;
  const bool negative = readSign();
  uint64_t value = 0;
  while (p < pend && (*p == u'0' || *p == u'1')) {
    value = value * 2 + (*p - u'0');
    ++p;
  }
  return int64_t(negative ? uint64_t(0) - value : value);
}

double TStringParser::ReadNum() {
  skipNumberLead();
  if (p >= pend) return 0.0;
  const bool negative = readSign();
  int64_t whole = 0;
  while (p < pend && IsAsciiDigit(*p)) {
    whole = whole * 10 + (*p - u'0');
    ++p;
    if (whole > 214748364) break;
  }
  double result = double(whole);
  if (p < pend && *p == u'.') {
    ++p;
    result += readFraction();
  }
  return negative ? -result : result;
}

double TStringParser::ReadNumEx() {
  skipNumberLead();
  if (p >= pend) {
    if (RaiseException) incorrectNumber();
    return 0.0;
  }
  const bool negative = readSign();
  if (RaiseException && (!IsAsciiDigit(*p) || (*p == u'0' && p + 1 < pend && IsAsciiDigit(p[1])))) incorrectNumber();
  int64_t whole = 0;
  double big = 0;
  bool isBig = false;
  while (p < pend && IsAsciiDigit(*p)) {
    const int digit = *p - u'0';
    if (isBig) {
      big = big * 10 + digit;
    } else {
      whole = whole * 10 + digit;
      if (whole > 214748364) {
        isBig = true;
        big = double(whole);
      }
    }
    ++p;
  }
  double result = isBig ? big : double(whole);
  if (p < pend && *p == u'.') {
    ++p;
    if (RaiseException && !(p < pend && IsAsciiDigit(*p))) incorrectNumber();
    result += readFraction();
  }
  if (p + 1 < pend && (*p == u'e' || *p == u'E') && (p[1] == u'+' || p[1] == u'-' || IsAsciiDigit(p[1]))) {
    ++p;
    const int32_t exponent = ReadInt();
    if (exponent < 38 || RaiseException) result *= powerOfTen(exponent);
  }
  return negative ? -result : result;
}

bool TStringParser::ReadIntOrFloat(int64_t& IntValue, double& ExtValue) {
  IntValue = 0;
  SkipBlanks();
  if (p >= pend) {
    if (RaiseException) incorrectNumber();
    return true;
  }
  const bool negative = readSign();
  if (RaiseException && (!IsAsciiDigit(*p) || (*p == u'0' && p + 1 < pend && IsAsciiDigit(p[1])))) incorrectNumber();
  bool isInt = true;
  int64_t value = 0;
  while (p < pend && IsAsciiDigit(*p)) {
    const int digit = *p - u'0';
    if (isInt) {
      if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) {
        isInt = false;
        ExtValue = double(value) * 10 + digit;
      } else {
        value = value * 10 + digit;
      }
    } else {
      ExtValue = ExtValue * 10 + digit;
    }
    ++p;
  }
  IntValue = value;
  if (p < pend && *p == u'.') {
    if (p + 1 < pend && p[1] == u'.') {
      // A range such as 1..5: the number ends before the dots.
      if (isInt)
        IntValue = negative ? -IntValue : IntValue;
      else
        ExtValue = negative ? -ExtValue : ExtValue;
      return isInt;
    }
    ++p;
    if (RaiseException && !(p < pend && IsAsciiDigit(*p))) incorrectNumber();
    if (isInt) {
      isInt = false;
      ExtValue = double(value);
    }
    ExtValue += readFraction();
  }
  if (p + 1 < pend && (*p == u'e' || *p == u'E') && (p[1] == u'+' || p[1] == u'-' || IsAsciiDigit(p[1]))) {
    ++p;
    if (isInt) {
      isInt = false;
      ExtValue = double(value);
    }
    const int32_t exponent = ReadInt();
    if (exponent < 300) ExtValue *= powerOfTen(exponent);
  }
  if (isInt)
    IntValue = negative ? -IntValue : IntValue;
  else
    ExtValue = negative ? -ExtValue : ExtValue;
  return isInt;
}

bool HasCJKChar(StringView S) {
  for (char16_t c : S)
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)) return true;
  return false;
}

}  // namespace ht
