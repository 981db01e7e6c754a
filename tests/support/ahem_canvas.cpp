#include "support/ahem_canvas.h"

#include <memory>

namespace ht::testing {

const THtFontClass TAhemFont::ClassType{
    "TAhemFont", &THtFont::ClassType,
    &CreateInstance<TAhemFont, THtFont, THtFontCollection*, const String&, float, THtFontStyles>};

TAhemFont::TAhemFont(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle)
    : THtFont(AOwner, AFamily, AHeight, AStyle) {
  FixedCharWidth = MinCharWidth = SpaceWidth = AHeight;
  Ascent = AHeight * 0.8f;
  Descent = AHeight * 0.2f;
  LineHeight = AHeight;
  Fixed = true;
}

float TAhemCanvasClass::MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale,
                                      int AFirstChar, int ALength) const {
  float w = 0;
  for (int i = AFirstChar; i < AFirstChar + ALength && i >= 1 && size_t(i) <= s.size(); ++i) {
    w += Font->Height() * Scale + TextStyle.LetterSpacing;
    if (s[size_t(i - 1)] == u' ') w += TextStyle.WordSpacing;
  }
  return w;
}

THtFontCollection* TAhemCanvasClass::SharedFontCollection() const {
  static const std::unique_ptr<THtFontCollection> shared = CreateFontCollection();
  return shared.get();
}

const TAhemCanvasClass TAhemCanvas::ClassType{"TAhemCanvas", &TTraceCanvas::ClassType,
                                              &CreateInstance<TAhemCanvas, THtCanvas>};

}  // namespace ht::testing
