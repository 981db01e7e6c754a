#include "css/measure.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "markup/str_utils.h"

namespace ht {

namespace {

constexpr int defaultFontSize = DefaultFontSizePx;

struct TKeywordValue {
  StringView Keyword;
  float Value;
  TMeasureUnit Unit;
  TMeasureFlag Flag;  // mfChanged: none
};

// Length keywords that set a value.
constexpr TKeywordValue keywordValues[] = {
    {u"left", 0, muPercent, mfLeft},     {u"top", 0, muPercent, mfTop},
    {u"center", 50, muPercent, mfCenter}, {u"right", 100, muPercent, mfRight},
    {u"bottom", 100, muPercent, mfBottom}, {u"thin", 1, muPX, mfChanged},
    {u"medium", 2, muPX, mfChanged},     {u"thick", 3, muPX, mfChanged},
    {u"xx-small", 9, muPX, mfChanged},   {u"x-small", 10, muPX, mfChanged},
    {u"small", 14, muPX, mfChanged},     {u"large", 22, muPX, mfChanged},
    {u"x-large", 24, muPX, mfChanged},   {u"xx-large", 26, muPX, mfChanged},
    {u"smaller", 80, muPercent, mfChanged}, {u"larger", 120, muPercent, mfChanged},
};

int roundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  return RoundHalfAway(std::nearbyint(x));  // saturates; exact for whole numbers
}

// A length unit's value at zoom 1, in single precision except the two
// double-precision divisions; `length` is false for %, times, angles and
// bare numbers. `rootRem` is set for rem at an element without parent, which
// converts to whole pixels.
double unzoomedLength(const TMeasure& m, float v, bool& length, bool& rootRem) {
  length = true;
  rootRem = false;
  switch (m.FMUnit) {
    case muPX: return v;
    case muIN: return v * 96.0f;
    case muMM: return double(v * 96.0f) / 25.4;
    case muPt: return v * 96.0f / 72.0f;
    case muCM: return double(v * 96.0f) / 2.54;
    case muEM: return v * float(m.Style ? m.Style->MeasureFontSize() : defaultFontSize);
    case muEX: return v * 11.0f;
    case muPC: return v * 96.0f / 6.0f;
    case muREM: {
      int px;
      if (m.Style && m.Style->MeasureRootFontSize(px)) return v * float(px);
      rootRem = true;
      return v * float(defaultFontSize);
    }
    case muVW:
    case muVH: {
      float w, h, scale;
      if (!m.Style || !m.Style->MeasureViewport(w, h, scale) || scale == 0) return 0;
      return v * (m.FMUnit == muVW ? w : h) / 100.0f / scale;
    }
    default:
      length = false;
      return 0;
  }
}

// Percentages, times, angles and bare numbers: never zoomed.
float relativeValue(const TMeasure& m, float v) {
  if (m.FMUnit == muPercent) return m.Parent ? *m.Parent * v / 100.0f : 0.0f;
  return m.Parent ? *m.Parent * v : v;
}

String formatValue(float v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, double(v), std::chars_format::fixed, 3);
  std::string s(buf, res.ptr);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return AsciiToString(s);
}

int precedence(char16_t op) {
  switch (op) {
    case u'n': return 0;  // negation
    case u'*':
    case u'/': return 1;
    case u'+':
    case u'-': return 2;
    case u')': return 3;
    default: return -1;  // "("
  }
}

}  // namespace

void TMeasure::Init(const TMeasureContext* AStyle) {
  FValue = 0;
  FMUnit = muNone;
  Flags = 0;
  Style = AStyle;
  Parent = nullptr;
  Calc = nullptr;
}

void TMeasure::SetAuto(bool Value) {
  if (Value) {
    Exclude(mfNotAuto);
    Calc = nullptr;
  } else {
    Include(mfNotAuto);
  }
}

float TMeasure::SetValue(float X) {
  if (X != FValue || std::isnan(X) || std::isnan(FValue)) {
    FValue = X;
    Include(mfNotAuto);
    if (X == 0)
      Include(mfZero);
    else
      Exclude(mfZero);
    Exclude(mfInitial);
    Calc = nullptr;
  }
  return FValue;
}

void TMeasure::SetPixels(float X) {
  SetValue(X);
  Include(mfNotAuto);
  FMUnit = muPX;
}

void TMeasure::Assign(const TMeasure& Source) {
  FValue = Source.FValue;
  FMUnit = Source.FMUnit;
  Flags = Source.Flags;
  Calc = Source.Calc;
  Parent = Source.Parent;
}

void TMeasure::Decode(const TCSSTokenSequence& Sequence) {
  Flags = MeasureFlags(mfNotAuto);
  Calc = nullptr;
  if (Sequence.Eof || !Sequence.T) return;
  decodeToken(*Sequence.T, Sequence.FPTokens);
}

void TMeasure::decodeToken(const TCSSToken& Token, const TCSSTokens* List) {
  Flags = MeasureFlags(mfNotAuto);
  Calc = nullptr;
  switch (Token.CType) {
    case ctNumber:
      SetValue(Token.AsFloat);
      FMUnit = muPX;
      return;
    case ctPercentage:
      SetValue(Token.AsFloat);
      FMUnit = muPercent;
      return;
    case ctDimension:
      SetValue(Token.AsFloat);
      FMUnit = Token.MUnit;
      return;
    case ctFunction:
      Flags = 0;
      if (List && SameTextAscii(Token.Name, u"calc")) {
        Calc = List;
        Include(mfNotAuto);
      }
      return;
    case ctIdent:
      break;
    default:
      return;
  }
  const StringView name = Token.Name;
  if (SameTextAscii(name, u"auto")) {
    FValue = 0;
    SetAuto(true);
  } else if (SameTextAscii(name, u"inherit")) {
    Include(mfInherit);
  } else if (SameTextAscii(name, u"initial")) {
    Include(mfInitial);
    Exclude(mfNotAuto);
  } else if (SameTextAscii(name, u"normal")) {
    Flags = MeasureFlags(mfNotAuto, mfInitial);
    FMUnit = muNone;
    FValue = 0;
  } else if (SameTextAscii(name, u"none")) {
    Flags = 0;
  } else {
    for (const TKeywordValue& k : keywordValues) {
      if (!SameTextAscii(name, k.Keyword)) continue;
      SetValue(k.Value);
      FMUnit = k.Unit;
      if (k.Flag != mfChanged) Include(k.Flag);
      return;
    }
  }
}

float TMeasure::evalCalc() const {
  std::vector<float> values;
  std::vector<char16_t> ops;
  auto apply = [&](char16_t op) {
    if (op == u'n') {
      if (!values.empty()) values.back() = -values.back();
      return;
    }
    if (op == u'(' || values.size() < 2) return;
    const float b = values.back();
    values.pop_back();
    float& a = values.back();
    switch (op) {
      case u'+': a += b; break;
      case u'-': a -= b; break;
      case u'*': a *= b; break;
      case u'/':
        if (b != 0) a /= b;  // a division by 0 keeps the dividend
        break;
    }
  };
  // Operands are converted by a copy without Calc, so they never recurse.
  TMeasure operand = *this;
  operand.Calc = nullptr;
  bool operandExpected = true;
  const TCSSTokens& tokens = *Calc;
  for (size_t i = 2; i < tokens.size(); ++i) {
    const TCSSToken& t = tokens[i];
    if (t.CType == ctSpace || t.CType == ctComment) continue;
    if (t.CType == ctOpenBr) {
      ops.push_back(u'(');
      continue;
    }
    // "-(" comes as a function named "-" followed by "(".
    const char16_t c = t.Name.size() == 1 ? t.Name[0] : 0;
    const bool isOperator = t.CType != ctString && (c == u'+' || c == u'-' || c == u'*' || c == u'/' ||
                                                    c == u'(' || c == u')');
    // A nested function (such as calc) groups like a parenthesis: its "("
    // follows as a token of its own.
    if (!isOperator && t.CType == ctFunction) continue;
    if (!isOperator) {
      operand.decodeToken(t, nullptr);
      values.push_back(operand.ToPixels());
      operandExpected = false;
      continue;
    }
    if (c == u'-' && operandExpected) {
      ops.push_back(u'n');
      continue;
    }
    while (!ops.empty() && precedence(ops.back()) <= precedence(c)) {
      if (c != u')' && ops.back() == u'(') break;
      const char16_t top = ops.back();
      ops.pop_back();
      apply(top);
      if (top == u'(') break;
    }
    if (c == u')') {
      operandExpected = false;
    } else {
      ops.push_back(c);
      operandExpected = true;
    }
  }
  return values.empty() ? 0.0f : values.back();
}

void TMeasure::DecodeCalc() {
  if (!Calc) return;
  const TCSSTokens* calc = Calc;
  FValue = evalCalc();
  FMUnit = muPX;
  Calc = calc;
  Include(mfNotAuto);
}

void TMeasure::Parse(StringView Text) {
  if (Text.empty()) return;
  const float formerValue = FValue;
  const bool formerAuto = GetAuto();
  auto restore = [&] {
    FValue = formerValue;
    SetAuto(formerAuto);
  };
  if (Text == u"auto") {
    FValue = 0;
    SetAuto(true);
    return;
  }
  Include(mfNotAuto);
  if (Text == u"inherit") {
    Include(mfInherit);
    return;
  }
  Exclude(mfInherit);
  size_t n = 0;
  while (n < Text.size() && (Text[n] == u'-' || Text[n] == u'.' || (Text[n] >= u'0' && Text[n] <= u'9'))) ++n;
  if (n == 0) {
    restore();
    return;
  }
  FMUnit = muNone;
  float value = float(FastStrToFloat(Text.substr(0, n)));
  const char16_t c1 = n < Text.size() ? Text[n] : 0;
  const char16_t c2 = n + 1 < Text.size() ? Text[n + 1] : 0;
  TMeasureUnit unit = muNone;
  switch (c1) {
    case u'%': unit = muPercent; break;
    case u'c':
      if (c2 == u'm') unit = muCM;
      break;
    case u'e':
      if (c2 == u'm') {
        unit = muEM;
      } else if (c2 == u'x') {
        unit = muEX;
      } else if (c2 == u'-' || (c2 >= u'0' && c2 <= u'9')) {
        size_t e = n + 1;
        while (e < Text.size() && (Text[e] == u'-' || (Text[e] >= u'0' && Text[e] <= u'9'))) ++e;
        const double exponent = FastStrToFloat(Text.substr(n + 1, e - n - 1));
        value = float(value * std::pow(10.0, std::trunc(exponent)));
      }
      break;
    case u'i':
      if (c2 == u'n') unit = muIN;
      break;
    case u'm':
      if (c2 == u'm') unit = muMM;
      break;
    case u'p':
      if (c2 == u'x') unit = muPX;
      else if (c2 == u't') unit = muPt;
      else if (c2 == u'c') unit = muPC;
      break;
    case u'r': unit = muREM; break;
    case u's': unit = muS; break;
    case u'v':
      if (c2 == u'w') unit = muVW;
      else if (c2 == u'h') unit = muVH;
      break;
    default: break;
  }
  // A number too large for the measure is unreadable: keep the former value.
  if (!std::isfinite(value)) {
    restore();
    return;
  }
  SetValue(value);
  FMUnit = unit;
}

String TMeasure::AsString() const {
  if (GetAuto()) return u"auto";
  if (Calc) return formatValue(evalCalc()) + u"px";
  if (Has(mfZero)) return u"0";
  return formatValue(FValue) + String(MeasureUnitText(FMUnit));
}

float TMeasure::ToPixels() const {
  if (GetAuto()) return 0;
  if (Calc) return evalCalc();
  if (Has(mfZero)) return 0;
  bool length, rootRem;
  const float v = float(unzoomedLength(*this, FValue, length, rootRem));
  if (!length) return relativeValue(*this, FValue);
  const float zoom = Style ? Style->MeasureZoom() : 1.0f;
  if (rootRem) return float(RoundHalfAway(double(zoom * v)));
  return zoom * v;
}

int TMeasure::ToIntPixels() const {
  if (GetAuto()) return 0;
  if (Calc) return RoundHalfAway(evalCalc());
  if (Has(mfZero)) return 0;
  bool length, rootRem;
  const double v = unzoomedLength(*this, FValue, length, rootRem);
  if (!length) return RoundHalfAway(relativeValue(*this, FValue));
  const float zoom = Style ? Style->MeasureZoom() : 1.0f;
  if (zoom == 1.0f) return FMUnit == muEM ? roundHalfEven(v) : RoundHalfAway(v);
  return RoundHalfAway(double(zoom * float(v)));
}

}  // namespace ht
