#pragma once
// Cuts HTML or XML text into tokens: names, blanks, quoted strings, the
// punctuation of tags, text runs with character references decoded,
// comments, CDATA sections, declarations, processing instructions and the
// raw content of script and style elements. The item reader (html_parser.h)
// builds items from these tokens.
//
// Token positions (StartPos, EndPos) are 0-based offsets into the text the
// cursor currently walks; line numbers in messages count line feeds from 0;
// the "position" in messages is 1-based.
#include <cstdint>
#include <memory>

#include "markup/hash_dictionary.h"
#include "markup/html_token_type.h"
#include "markup/string_parser.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

// Malformed markup in XML mode; HTML mode never raises.
HT_DECLARE_EXCEPTION(EHtmlParserException, Exception);

struct THTMLToken {
  THTMLTokenType CType = htUnknown;
  String Name;       // the token's text; punctuation tokens leave it as it was
  int StartPos = 0;  // offset of the token's first unit
  int EndPos = 0;    // offset just after the token
};

// The class of a unit is the token type it starts. [1] applies inside a tag,
// [0] outside, where only "<" has a class. Units above 255 have class 0.
struct THtmlCharClassTables {
  uint8_t Table[2][256];
};
extern const THtmlCharClassTables HtmlCharClass;

inline uint8_t HtmlCharClassOf(char16_t c, bool inTag) {
  return c <= 0xFF ? HtmlCharClass.Table[inTag][c] : uint8_t(htUnknown);
}

// Whether a reader copies its text or reads the caller's string in place
// (which must then outlive the reader).
enum class TTextHold : uint8_t { Copy, InPlace };

class THTMLTokenizer {
 public:
  // The cursor skips every leading unit below U+0021.
  THTMLTokenizer(const String& s, bool ACaseSensitive, TTextHold Hold = TTextHold::Copy);
  THTMLTokenizer(const THTMLTokenizer&) = delete;
  THTMLTokenizer& operator=(const THTMLTokenizer&) = delete;

  // Reads one token into Token. False at the end of the text (Eof is set
  // then) and after a blank run that reaches the end. AllowString False
  // makes the cursor skip quotes inside a tag before reading.
  bool NextToken(bool AllowString);

  std::unique_ptr<TStringParser> Parser;
  // The tag name read last right after "<", cleared by a "/" inside a tag;
  // decides whether the next ">" starts raw script or style text.
  String CurrentTag;
  bool InTag = false;
  bool CaseSensitive;  // tag names keep their case
  THTMLToken Token;
  bool Eof = false;
  bool XMLMode = false;
  // The item reader's tag-name table of THtStringRec (not owned); without
  // one, tag names are not interned.
  THtObjectDictionary* TagList = nullptr;

 private:
  int offset() const { return Parser->Pos() - 1; }
  void ReadIdent();
  void ReadTagName();
  void ReadText();
  void ReadString();
  // The cursor stands after "&"; answers the code point the reference
  // stands for ("&" itself when it is not a known reference).
  int64_t ReadEntity();
  // Appends the decoded reference value to Token.Name.
  void appendCodePoint(int64_t value);
  void ReadComment();
  void ReadCData();
  void ReadCustom();
  void ReadDirective();
  void ReadScript();
  void ReadStyle();
  // The text from the cursor up to the "<" that begins EndTag (ASCII case
  // ignored) or the end; the cursor stays at that "<".
  void readRawTo(StringView EndTag);
};

}  // namespace ht
