#pragma once
// JSON text cut into typed tokens over a raising string parser. The reader is
// lenient where that costs nothing (apostrophe-quoted strings, bare
// identifiers, "\x" escapes) and strict about unterminated strings, control
// characters inside strings and malformed numbers.
//
// Token positions (StartPos, EndPos) are 0-based offsets into the text;
// line numbers in messages count the line feeds before the cursor.
#include <cstdint>
#include <memory>

#include "markup/string_parser.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

HT_DECLARE_EXCEPTION(EHtJSONParserException, Exception);

enum THtJSONTokenType : uint8_t {
  jtUnknown,      // any other character below U+0100, and all from U+0100 up
  jtIdent,        // "_" and "a".."z"
  jtValue,        // an identifier reading "true", "false" or "null"
  jtSpace,        // tab, line feed, carriage return, space
  jtString,       // a double quote or an apostrophe
  jtComma,
  jtObjectStart,
  jtObjectEnd,
  jtArrayStart,
  jtArrayEnd,
  jtColon,
  jtNumber,       // "-", "." and "0".."9"
  jtComment       // produced only by ReadComment
};

struct THtJSONToken {
  THtJSONTokenType TokenType = jtUnknown;
  // The identifier, the unescaped string, the number's text or the run of
  // blanks; punctuation (and a single blank) leaves it as it was.
  String Text;
  double Number = 0;  // for jtNumber
  int StartPos = 0;
  int EndPos = 0;
};

// The token type a character below U+0100 starts.
THtJSONTokenType JSONCharClass(char16_t c);

class THtJSONTokenizer {
 public:
  // Skips the leading units below U+0021.
  explicit THtJSONTokenizer(const String& S);
  THtJSONTokenizer(const THtJSONTokenizer&) = delete;
  THtJSONTokenizer& operator=(const THtJSONTokenizer&) = delete;

  // Reads the next token into Token. False at the end of the text (Eof is
  // set) and after a run of blanks that reaches the end. Raises
  // EHtJSONParserException for bad strings and EConvertError
  // "Incorrect number" for malformed numbers.
  bool NextToken();
  // NextToken repeated past blank runs.
  bool NextNSToken();

  void ReadIdent();
  void ReadString();
  // "//" comments up to the end of the line; NextToken never calls it.
  void ReadComment();

  std::unique_ptr<TStringParser> Parser;  // RaiseException is set
  THtJSONToken Token;
  bool Eof = false;

 private:
  int offset() const { return Parser->Pos() - 1; }
  [[noreturn]] void incorrectEscape() const;
};

}  // namespace ht
