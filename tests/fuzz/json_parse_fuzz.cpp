// libFuzzer target: JSON text into an XML node tree. Every input must end in
// a tree or one of the engine's exceptions; the tree must then be writable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "markup/json_tokenizer.h"
#include "markup/xml_node.h"
#include "platform/rtl/date_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Pairs of bytes as UTF-16 units, so unpaired surrogates and NULs occur.
  ht::String text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);

  // The raw token stream: every token moves the cursor on.
  try {
    ht::THtJSONTokenizer tk(text);
    int lastEnd = -1;
    while (tk.NextToken()) {
      if (tk.Token.EndPos <= lastEnd) std::abort();
      lastEnd = tk.Token.EndPos;
    }
  } catch (const ht::EHtJSONParserException&) {
    // the parser's own errors; any other exception escapes and is reported
  } catch (const ht::EConvertError&) {
    // a malformed number, as the string parser reports it
  }

  try {
    auto root = ht::THtXMLNode::CreatefromJSON(text);
    (void)root->Code();
    (void)root->UTF8FormattedCode(true);
  } catch (const ht::EHtJSONParserException&) {
    // the parser's own errors; any other exception escapes and is reported
  } catch (const ht::EConvertError&) {
    // a malformed number, as the string parser reports it
  }
  return 0;
}
