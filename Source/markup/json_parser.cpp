#include "markup/json_parser.h"

namespace ht {

THtJSONParser::THtJSONParser(const String& S) {
  if (!S.empty()) Tokenizer = std::make_unique<THtJSONTokenizer>(S);
}

THtJSONTokenType THtJSONParser::NextNameValue() {
  if (!Tokenizer) throw EHtJSONParserException(u"Name expected");
  THtJSONTokenizer& tk = *Tokenizer;
  const THtJSONToken& t = tk.Token;
  if (t.TokenType != jtIdent && t.TokenType != jtString) throw EHtJSONParserException(u"Name expected");
  Name = t.Text;
  if (!tk.NextNSToken() || t.TokenType != jtColon) throw EHtJSONParserException(u"Name expected");
  if (!tk.NextNSToken()) throw EHtJSONParserException(u"Value expected");
  switch (t.TokenType) {
    case jtIdent:
    case jtValue:
    case jtString:
      return jtIdent;
    case jtObjectStart:
    case jtArrayStart:
    case jtNumber:
      return t.TokenType;
    default:
      throw EHtJSONParserException(u"Value expected");
  }
}

}  // namespace ht
