#pragma once
// CSS tokens and the cursor over a token array that every value reader
// walks. The tokenizer (css_tokenizer.h) produces them; value preparation
// compiles a colour, keyword ordinal or marker into a token's Color field.
#include <cstdint>
#include <memory>
#include <vector>

#include "css/measure_unit.h"
#include "platform/rtl/enum_table.h"
#include "platform/rtl/string.h"

namespace ht {

// The numeric order is used in range tests.
#define HT_CSS_TOKEN_TYPE_VALUES(X) \
  X(ctUnknown)                      \
  X(ctIdent)                        \
  X(ctAtKeyword)                    \
  X(ctString)                       \
  X(ctBlockStart)                   \
  X(ctBlockEnd)                     \
  X(ctHash)                         \
  X(ctNumber)                       \
  X(ctPercentage)                   \
  X(ctDimension)                    \
  X(ctURI)                          \
  X(ctCDO)                          \
  X(ctCDC)                          \
  X(ctComment)                      \
  X(ctFunction)                     \
  X(ctColon)                        \
  X(ctSemicolon)                    \
  X(ctComma)                        \
  X(ctOpenPar)                      \
  X(ctClosePar)                     \
  X(ctDelimiter)                    \
  X(ctOpenBr)                       \
  X(ctCloseBr)                      \
  X(ctSlash)                        \
  X(ctSpace)
HT_ENUM(TCSSTokenType, uint8_t, HT_CSS_TOKEN_TYPE_VALUES);

// Token Flags bits.
constexpr int ctfSystemColor = 1;   // the identifier named a system colour: re-read from the theme
constexpr int ctfCurrentColor = 2;  // the identifier is currentColor: resolved at each read

// Markers stored in Color by value preparation.
constexpr uint32_t InheritMarker = 888;
constexpr uint32_t UnknownKeywordMarker = 999;

struct TCSSToken {
  TCSSTokenType CType = ctUnknown;
  // The token's text; for numbers, percentages and dimensions the source text
  // with sign, fraction and unit (e.g. "10px").
  String Name;
  int StartPos = 0;  // 1-based position of the first character
  int EndPos = 0;    // 1-based position of the last character
  int Flags = 0;     // ctf* bits; 0 from the tokenizer
  union {
    float AsFloat = 0;  // value of a number, percentage or dimension
    uint32_t Color;     // a compiled value: ARGB colour, keyword ordinal or marker
  };
  TMeasureUnit MUnit = muNone;  // meaningful for ctPercentage and ctDimension
  // Set whenever Color holds a compiled value, so that a compiled 0 (such as
  // transparent black) is told apart from "not compiled".
  bool Compiled = false;

  void SetCompiled(uint32_t Value) {
    Color = Value;
    Compiled = true;
  }
};

using PCSSToken = TCSSToken*;
using TCSSTokens = std::vector<TCSSToken>;
using PCSSTokens = TCSSTokens*;

// A cursor over a token array. Copies are cheap; a sequence made with
// InitStore shares ownership of its array.
struct TCSSTokenSequence {
  int Index = 0;
  PCSSTokens FPTokens = nullptr;
  std::shared_ptr<TCSSTokens> FOwnTokens;
  int Count = 0;
  PCSSToken T = nullptr;  // the current token; null past the end
  bool Eof = true;
  // What "currentColor" reads as (the colour of the element being styled);
  // readers of element values set it before calling ReadColor.
  uint32_t CurrentColor = 0xFF000000;

  // Walks Tokens, which must outlive the sequence.
  void Init(TCSSTokens& Tokens);
  // Walks a shared copy of Tokens.
  void InitStore(TCSSTokens Tokens);
  // Moves N tokens on; answers whether a token is current.
  bool Next(int N = 1);
  // The index of T, or Count - 1 past the end.
  int Position() const { return T ? Index : Count - 1; }
  // Reads a colour from the current token (and, for rgb() and rgba(), the
  // tokens after it) into Color; answers whether it is a valid colour. Color
  // is left untouched when the answer is False.
  bool ReadColor(uint32_t& Color);
};

}  // namespace ht
