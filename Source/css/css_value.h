#pragma once
// One declaration (TCSSValue): its registry entry, its tokens and the value
// compiled from them when it was read, so computed style only copies.
#include <cstdint>
#include <vector>

#include "css/css_token.h"
#include "css/measure.h"
#include "css/property_registry.h"
#include "platform/rtl/enum_table.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class TCSSSection;

// The routine computed style runs when it takes a value: capNone takes
// nothing, capCallApplyProp the general per-property routine, the others
// the dedicated routines of their properties.
#define HT_CSS_APPLY_PROC_VALUES(X) \
  X(capNone) X(capCallApplyProp) X(capApplyBackground) X(capApplyDisplay) X(capApplyFontWeight) X(capApplyWhiteSpace)
HT_ENUM(TCSSApplyProc, uint8_t, HT_CSS_APPLY_PROC_VALUES);

struct TCSSValue {
  String Name;                     // the property name, ASCII letters lowered
  TCSSPropRec* PropRec = nullptr;  // the registry entry, or "unknown"; not owned
  TCSSToken Token;                 // the name token as written; Token.Name is what is written back
  TCSSTokens Tokens;               // the value without whitespace, comments and "!important"
  bool Important = false;
  bool Dashed = false;   // the name begins with "-": kept, never compiled into longhands
  bool Inherit = false;  // the first token is "inherit"
  TCSSApplyProc ApplyProc = capNone;
  TMeasure Measure;   // the first length of a length property
  TMeasure Measure2;  // the second length (two-value properties)
  TCSSSection* Section = nullptr;  // not owned

  // The declaration as CSS text, e.g. "color:red;" or "color: #fff;".
  String AsString() const;
  // The exclusive or of StrCRC32 of every token's text.
  uint32_t Checksum() const;
};
using PCSSValue = TCSSValue*;
using TCSSValues = std::vector<TCSSValue>;

struct TCSSImport {
  TCSSToken Token;   // the imported URL (a string or URI token)
  TCSSTokens Media;  // the media list after it
};
using TCSSImports = std::vector<TCSSImport>;

// A copy of the tokens of a calc() value, owned by its section so that the
// Calc pointer of the value's TMeasure stays valid as long as the section.
class TCSSCalcValueObject : public THtObject {
 public:
  TCSSTokens Tokens;
};

// Compiles one declaration in place; False means it is not valid and the
// caller drops it. Section receives calc() token copies (may be null, then
// a calc() length reads the value's own tokens).
bool PrepareCSSValue(TCSSValue& Value, TCSSSection* Section);

// Writes Text as a CSS string: in double quotes, with '"', '\' and line
// breaks escaped.
void AppendCSSString(String& Out, StringView Text);
// Writes Text as identifier characters, escaping those the tokenizer would
// not read back into the identifier. AfterHash: the name follows "#", where
// it may start with a digit.
void AppendCSSIdent(String& Out, StringView Text, bool AfterHash = false);

}  // namespace ht
