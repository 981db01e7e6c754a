#pragma once
// An Ahem-metric trace canvas that claims the text abilities a test picks
// (simple or full text layouts) and records its text objects: where each
// is made with what string, the style and colour ranges set on it, and
// when it is drawn.
#include <memory>
#include <string>

#include "canvas/text_object.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

class TTextCanvasClass : public TAhemCanvasClass {
 public:
  using TAhemCanvasClass::TAhemCanvasClass;
  THtCanvasFlags GetFlags() const override { return Flags(); }
  // What every canvas of this class reports; tests set it and put it back.
  static THtCanvasFlags& Flags();
};

class TTextCanvas : public TAhemCanvas {
 public:
  static const TTextCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  std::unique_ptr<THtTextObject> CreateTextObject(StringView s, THtFont* Font, const THtTextStyle& TextStyle,
                                                  const TRectF& R, int AFirstChar, int ALength) override;
  void DrawTextObject(THtTextObject* TextObject, const TRectF& R, THtFont* Font) override;
};

}  // namespace ht::testing
