#pragma once
// Test helper: the tokens of a declared value as value preparation keeps
// them (numbers read, whitespace and comments dropped).
#include "css/css_tokenizer.h"

namespace ht {

inline TCSSTokens ValueTokens(const String& text) {
  TCSSTokens tokens;
  TCSSTokenizer tz(text, true);
  while (true) {
    const bool more = tz.NextToken();
    if (tz.Eof) break;
    if (tz.Token.CType != ctSpace && tz.Token.CType != ctComment) tokens.push_back(tz.Token);
    if (!more) break;
  }
  return tokens;
}

}  // namespace ht
