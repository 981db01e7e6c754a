#pragma once
// TMeasure: a CSS length (or a number, time or angle travelling with
// lengths) kept as written: number, unit, keyword flags, the style it
// belongs to and the value its percentages refer to. It becomes document
// pixels (96 per inch, times the style's zoom) only when layout or painting
// asks, so one compiled declaration serves every element and container.
// A calc() value keeps its token list and is evaluated at each conversion.
#include <cstdint>

#include "css/css_token.h"
#include "css/measure_unit.h"
#include "platform/rtl/string.h"

namespace ht {

// The font size in pixels of an element without style: em without a style,
// rem at the root.
constexpr int DefaultFontSizePx = 13;

// What a measure asks of the computed style that owns it. The element style
// implements it; a measure without a style uses zoom 1, a font size of 13,
// the rem rule of an element without parent, and no viewport (vw, vh give 0).
class TMeasureContext {
 public:
  virtual float MeasureZoom() const = 0;
  // The style's font size in whole pixels (em).
  virtual int MeasureFontSize() const = 0;
  // The font size of the nearest "html" ancestor in whole pixels (rem), of
  // the topmost styled ancestor in a tree without one; false when the
  // element has no parent.
  virtual bool MeasureRootFontSize(int& Px) const = 0;
  // The element's view rectangle extent and device scale (vw, vh); false
  // when there is none.
  virtual bool MeasureViewport(float& Width, float& Height, float& DeviceScale) const = 0;

 protected:
  ~TMeasureContext() = default;
};

#define HT_MEASURE_FLAG_VALUES(X) \
  X(mfNotAuto)                    \
  X(mfInherit)                    \
  X(mfInitial)                    \
  X(mfLeft)                       \
  X(mfRight)                      \
  X(mfCenter)                     \
  X(mfTop)                        \
  X(mfBottom)                     \
  X(mfChanged)                    \
  X(mfZero)
HT_ENUM(TMeasureFlag, uint8_t, HT_MEASURE_FLAG_VALUES);

// A set of TMeasureFlag, one bit per flag number.
using TMeasureFlags = uint16_t;
constexpr TMeasureFlags MeasureFlags(TMeasureFlag f) { return TMeasureFlags(1u << f); }
template <class... F>
constexpr TMeasureFlags MeasureFlags(TMeasureFlag f, F... rest) {
  return TMeasureFlags(MeasureFlags(f) | MeasureFlags(rest...));
}

// A plain record: copied by value, owning nothing. Run Init before use.
struct TMeasure {
  float FValue = 0;  // as written in its unit
  TMeasureUnit FMUnit = muNone;
  TMeasureFlags Flags = 0;
  const TMeasureContext* Style = nullptr;  // the owning style; not owned
  const float* Parent = nullptr;           // percentage base (and factor of bare numbers); not owned
  const TCSSTokens* Calc = nullptr;        // tokens of a calc() value; not owned

  void Init(const TMeasureContext* AStyle);

  bool Has(TMeasureFlag f) const { return Flags & MeasureFlags(f); }
  void Include(TMeasureFlag f) { Flags |= MeasureFlags(f); }
  void Exclude(TMeasureFlag f) { Flags &= TMeasureFlags(~MeasureFlags(f)); }

  bool GetAuto() const { return !Has(mfNotAuto); }
  // True: auto (drops Calc); False: holds a value.
  void SetAuto(bool Value);
  // Stores X when it differs from FValue: sets mfNotAuto, sets mfZero exactly
  // when X is 0, clears mfInitial and drops Calc. Returns the value held.
  float SetValue(float X);
  void SetPixels(float X);
  void SetPixels(int X) { SetPixels(float(X)); }
  // A percentage or auto.
  bool Relative() const { return FMUnit == muPercent || GetAuto(); }
  // Copies everything but Style.
  void Assign(const TMeasure& Source);

  // Reads the sequence's current token (not advancing it). A calc()
  // function keeps the sequence's whole token list in Calc.
  void Decode(const TCSSTokenSequence& Sequence);
  // Evaluates Calc into FValue (document pixels, zoom applied to each
  // operand), unit muPX.
  void DecodeCalc();
  // Reads HTML attribute text ("12px", "50%", "auto", "inherit").
  void Parse(StringView Text);
  // CSS text: "auto", "0", or the value with at most three decimals and its
  // unit; a calc() value writes its result in pixels.
  String AsString() const;

  // Document pixels. A calc() result is zoomed once (its operands are).
  float ToPixels() const;
  // Whole document pixels, halves away from zero (em at zoom 1: halves to
  // even).
  int ToIntPixels() const;

 private:
  void decodeToken(const TCSSToken& Token, const TCSSTokens* List);
  float evalCalc() const;
};

}  // namespace ht
