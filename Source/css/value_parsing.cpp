#include "css/value_parsing.h"

#include <cmath>

namespace ht {

void SkipFunctionArguments(TCSSTokenSequence& Sequence) {
  int depth = 0;
  while (Sequence.Next()) {
    const TCSSTokenType type = Sequence.T->CType;
    if (type == ctOpenPar) {
      ++depth;
    } else if (type == ctClosePar) {
      if (--depth <= 0) return;
    }
  }
}

namespace {
void setValue(TMeasure& M, float Value, TMeasureUnit Unit) {
  M.FValue = Value;
  M.FMUnit = Unit;
  M.Calc = nullptr;
  M.Flags = Value == 0 ? MeasureFlags(mfNotAuto, mfZero) : MeasureFlags(mfNotAuto);
}
}  // namespace

void SetPercentValue(TMeasure& M, float Value) { setValue(M, Value, muPercent); }
void SetPixelValue(TMeasure& M, float Value) { setValue(M, Value, muPX); }

void DecodePositionToken(TMeasure& M, const TCSSToken& Token) {
  if (Token.CType == ctNumber) {
    SetPixelValue(M, std::isfinite(Token.AsFloat) ? float(std::nearbyint(Token.AsFloat)) : 0.0f);
    return;
  }
  TCSSTokens one{Token};
  TCSSTokenSequence sequence;
  sequence.Init(one);
  M.Decode(sequence);
}

}  // namespace ht
