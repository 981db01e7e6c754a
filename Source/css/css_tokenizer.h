#pragma once
// The CSS tokenizer: one forward pass over a UTF-16 text that cuts it into
// TCSSToken values (css_token.h), one per NextToken call. It never fails:
// every character ends up in some token. Token positions are 1-based.
#include <memory>

#include "css/css_token.h"
#include "markup/string_parser.h"

namespace ht {

class TCSSTokenizer {
 public:
  // Skips every leading character at or below U+0020. With ReadNumbers,
  // numbers, percentages and dimensions get their value in AsFloat; without
  // it they carry only their text.
  TCSSTokenizer(const String& Text, bool ReadNumbers);
  TCSSTokenizer(const TCSSTokenizer&) = delete;
  TCSSTokenizer& operator=(const TCSSTokenizer&) = delete;

  // Reads the next token into Token and answers True; at the end of the
  // text sets Eof and answers False, leaving Token as it was. After a
  // whitespace token the answer says whether a character follows.
  bool NextToken();

  std::unique_ptr<TStringParser> FParser;
  bool FReadNumbers;
  TCSSToken Token;
  bool Eof = false;

 private:
  bool atEnd() const { return FParser->p >= FParser->pend; }
  char16_t cur() const { return *FParser->p; }
  // The unit after the cursor (0 at the end).
  char16_t peek(int n = 1) const;
  void advance() { FParser->Next(); }
  // Reads an escape; the cursor is on the character after the backslash.
  // Appends what it stands for to s; false when the text ended.
  bool readEscape(String& s);
  void readIdent();
  void readIdentOrFunction();
  void readUri();
  void readString();
  void readNumber();
  void readComment();
};

}  // namespace ht
