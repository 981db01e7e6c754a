// libFuzzer target: the HTML tokenizer and item reader (HTML and XML mode)
// and the string parser's number readers on arbitrary text. HTML mode must
// never raise; XML mode raises only its own exception; every item consumes
// text, so a parse always ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "markup/entities.h"
#include "markup/html_parser.h"
#include "markup/string_parser.h"

namespace {

void parse(const ht::String& text, bool xml) {
  ht::THtmlParser hp(text, xml);
  size_t items = 0;
  try {
    while (hp.NextItem())
      if (++items > text.size() + 2) std::abort();
  } catch (const ht::EHtmlParserException&) {
    if (!xml) std::abort();
  }
}

void numbers(const ht::String& text, bool raise) {
  ht::TStringParser sp(text);
  sp.RaiseException = raise;
  try {
    while (!sp.Empty()) {
      const char16_t* before = sp.p;
      int64_t i;
      double f;
      (void)sp.ReadNumEx();
      (void)sp.ReadIntOrFloat(i, f);
      (void)sp.ReadInt();
      (void)sp.ReadHex();
      (void)sp.ReadNum();
      ht::String s;
      sp.ReadtoWordBreak(s);
      if (sp.p == before) sp.Skip(1);
    }
  } catch (const ht::EConvertError&) {
    if (!raise) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (ht::CreateEntityDictionaries(), true);
  (void)ready;
  // Pairs of bytes as UTF-16 units, so unpaired surrogates and NULs occur.
  ht::String text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
  parse(text, false);
  parse(text, true);
  numbers(text, false);
  numbers(text, true);
  return 0;
}
