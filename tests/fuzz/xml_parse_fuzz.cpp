// libFuzzer target: XML text into a THtXMLNode tree, then written, copied and
// queried. Every input must end in a tree or one of the engine's exceptions.
#include <cstddef>
#include <cstdint>

#include "markup/html_parser.h"
#include "markup/xml_node.h"
#include "markup/xpath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Pairs of bytes as UTF-16 units, so unpaired surrogates and NULs occur.
  ht::String text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);

  try {
    ht::THtXMLNode root(text);
    (void)root.Code();
    (void)root.FormattedCode();
    (void)root.UTF8Code(true);
    auto copy = root.Clone();
    (void)copy->InnerCode();
    (void)ht::XPath(&root, u"//*[@id or text()]");
    (void)ht::XPathValue(&root, u"*/@a");
    // The text also serves as a path.
    (void)ht::XPath(&root, text, true);
  } catch (const ht::EHtXML&) {
    // the reader's own errors; any other exception escapes and is reported
  } catch (const ht::EHtmlParserException&) {
  }
  return 0;
}
