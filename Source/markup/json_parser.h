#pragma once
// Reads JSON object members ("name": value) one at a time over the JSON
// tokenizer. The XML node class builds its element tree from it.
#include <memory>

#include "markup/json_tokenizer.h"

namespace ht {

class THtJSONParser {
 public:
  // An empty S gives a parser without tokenizer.
  explicit THtJSONParser(const String& S);

  // With the current token on a member's name: reads the name (into Name),
  // the colon and the value, and answers the value's kind, leaving the
  // value's token current: jtIdent for a plain value (identifier, true,
  // false, null or string; its text is the token's Text), or jtObjectStart,
  // jtArrayStart, jtNumber. Raises EHtJSONParserException "Name expected" or
  // "Value expected".
  THtJSONTokenType NextNameValue();

  String Name;
  std::unique_ptr<THtJSONTokenizer> Tokenizer;
};

}  // namespace ht
