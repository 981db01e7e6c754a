#pragma once
// A trace canvas with the metrics of the Ahem test font: every unit and the
// space are 1 em wide, the ascent is 0.8 em, the descent 0.2 em and the line
// height 1 em. Layout tests measure with it so that their expected sizes
// also hold on the cairo back end with ../shared/fonts/ahem.ttf.
#include "canvas/font.h"
#include "support/trace_canvas.h"

namespace ht::testing {

class TAhemFont : public THtFont {
 public:
  static const THtFontClass ClassType;
  const THtFontClass* ClassRefOf() const override { return &ClassType; }
  TAhemFont(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle);
};

class TAhemCanvasClass : public TTraceCanvasClass {
 public:
  using TTraceCanvasClass::TTraceCanvasClass;
  const THtFontClass* FontClass() const override { return &TAhemFont::ClassType; }
  // One collection for every document on this canvas class.
  THtFontCollection* SharedFontCollection() const override;
  // Every unit is Font->Height() * Scale wide, plus the letter spacing, plus
  // the word spacing for each space.
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale, int AFirstChar,
                      int ALength) const override;
};

class TAhemCanvas : public TTraceCanvas {
 public:
  static const TAhemCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
};

}  // namespace ht::testing
