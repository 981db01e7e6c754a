// libFuzzer target: style sheet text parsed into sections, written back as
// CSS text and parsed again. Nothing may crash, hang or trip the sanitizers;
// the only exception allowed is the parser's own; and text written back,
// read and written again, must not change any more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "css/css_parser.h"
#include "css/property_registry.h"

namespace {

struct Collect : ht::ICSSSectionSink {
  std::vector<std::unique_ptr<ht::TCSSSection>> Sections;
  void AddSection(std::unique_ptr<ht::TCSSSection> Section, const ht::TCSSParser&) override {
    Sections.push_back(std::move(Section));
  }
};

// Parses Text and writes every rule with selectors back; false when the
// parser raised its error.
bool roundTrip(const ht::String& text, ht::String& out) {
  Collect sink;
  try {
    ht::TCSSParser parser(text, true);
    parser.ReadSections(sink);
  } catch (const ht::ECSSParserError&) {
    return false;
  }
  out.clear();
  for (const auto& s : sink.Sections) {
    if (s->Selectors->Count() == 0) continue;
    s->Minify();
    out += s->AsString();
    out += u"\r\n";
    for (const ht::TCSSSelector* sel : *s->Selectors) (void)sel->Specificity();
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (ht::RegisterCSSProperties(), true);
  (void)registered;
  if (size > 1 << 22) return 0;  // run with a large -max_len: sizes matter here
  ht::String text;
  text.reserve(size);
  for (size_t i = 0; i < size; ++i) text += char16_t(data[i]);  // Latin-1: CSS seeds stay readable
  ht::String once, twice, thrice;
  if (!roundTrip(text, once)) return 0;
  if (!roundTrip(once, twice)) std::abort();
  if (!roundTrip(twice, thrice)) std::abort();
  // The tokenizer folds control characters into whitespace, so text holding
  // them need not come back character for character.
  bool plain = true;
  for (char16_t c : text) plain = plain && (c >= u' ' || c == u'\t' || c == u'\n' || c == u'\r');
  if (plain && twice != thrice) std::abort();
  return 0;
}
