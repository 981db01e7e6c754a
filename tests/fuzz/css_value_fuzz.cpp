// libFuzzer target: CSS tokens, colours and lengths from arbitrary text.
// Every token must consume input, and no reader may crash, hang or trip the
// sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "css/colors.h"
#include "css/css_tokenizer.h"
#include "css/measure.h"

namespace {

class FuzzStyle : public ht::TMeasureContext {
 public:
  float MeasureZoom() const override { return 1.5f; }
  int MeasureFontSize() const override { return 16; }
  bool MeasureRootFontSize(int& px) const override {
    px = 20;
    return true;
  }
  bool MeasureViewport(float& w, float& h, float& scale) const override {
    w = 800;
    h = 600;
    scale = 1;
    return true;
  }
};

ht::TCSSTokens tokenize(const ht::String& text, bool readNumbers) {
  ht::TCSSTokens tokens;
  ht::TCSSTokenizer tz(text, readNumbers);
  int lastEnd = 0;
  while (true) {
    const bool more = tz.NextToken();
    if (tz.Eof) break;
    // Every token ends after the previous one.
    if (tz.Token.EndPos <= lastEnd && !text.empty()) std::abort();
    lastEnd = tz.Token.EndPos;
    tokens.push_back(tz.Token);
    if (!more) break;
  }
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Pairs of bytes as UTF-16 units, so unpaired surrogates and NULs occur.
  ht::String text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);

  (void)ht::ParseHtColor(text);
  (void)ht::ParseRGBAText(text);
  int flag;
  (void)ht::ColorFromIdent(text, flag);

  FuzzStyle style;
  const float base = 321;
  ht::TMeasure parsed;
  parsed.Init(&style);
  parsed.Parse(text);
  (void)parsed.ToIntPixels();
  (void)parsed.AsString();

  (void)tokenize(text, false);
  ht::TCSSTokens tokens = tokenize(text, true);
  ht::TCSSTokenSequence seq;
  seq.Init(tokens);
  for (; !seq.Eof; seq.Next()) {
    uint32_t color = 0;
    (void)seq.ReadColor(color);
    ht::TMeasure m;
    m.Init(&style);
    m.Parent = &base;
    m.Decode(seq);
    (void)m.ToPixels();
    (void)m.ToIntPixels();
    (void)m.AsString();
    m.DecodeCalc();
  }
  return 0;
}
