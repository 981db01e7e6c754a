#pragma once
// The "transform" list and "transform-origin" as plain data. Computed style
// builds a TTransform afresh for each request; the element model turns it
// into a matrix (css holds no matrix type of its own) and edits single
// components through the accessors while the user drags.
#include <functional>
#include <vector>

#include "css/css_token.h"
#include "css/measure.h"
#include "platform/rtl/enum_table.h"

namespace ht {

// Keyword prefix "tt": translateX and translatex both name ttTranslateX.
#define HT_TRANSFORM_TYPE_VALUES(X) \
  X(ttNone)                         \
  X(ttTranslate)                    \
  X(ttTranslateX)                   \
  X(ttTranslateY)                   \
  X(ttTranslateZ)                   \
  X(ttTranslate3d)                  \
  X(ttRotate)                       \
  X(ttRotateX)                      \
  X(ttSkew)                         \
  X(ttScale)                        \
  X(ttScaleX)                       \
  X(ttScaleY)                       \
  X(ttMatrix)
HT_ENUM(TTransformType, uint8_t, HT_TRANSFORM_TYPE_VALUES);

struct TTransformItem {
  TTransformType Kind = ttNone;
  // The function's arguments in order. An angle keeps its unit muDeg; a
  // bare number (a scale factor) is a muPX measure holding the factor.
  std::vector<TMeasure> Args;
};

struct TTransform {
  // Border-box width and height of the element, refreshed by TranslateX and
  // TranslateY from BorderBox; the bases of translation percentages.
  float Width = 0, Height = 0;
  std::vector<TTransformItem> Items;  // in the order written
  const TMeasureContext* Style = nullptr;  // given to argument and origin measures; not owned
  TMeasure OriginX, OriginY;
  // Answers the element's border box (outer rectangle less margins); unset,
  // the size is 0.
  std::function<void(float& BoxWidth, float& BoxHeight)> BorderBox;

  // The transform functions from the sequence's current token on; the list
  // ends at the first token that is not a known function (what was read
  // before stays). "none" gives one ttNone item.
  void Parse(TCSSTokenSequence& Sequence);
  // "transform-origin": one or two positions; "top left" and "left top"
  // both give left for X and top for Y.
  void ParseOrigin(TCSSTokenSequence& Sequence);
  // Empties Items; the origins get Style and the value 0 (unit and flags
  // stay).
  void Clear();

  // The argument measure holding a component, or, when no item has it, the
  // argument of an item appended for it when Add is true (else null). The
  // pointer is valid until Items changes; a translation's percentage base
  // points at this record's Width or Height.
  TMeasure* TranslateX(bool Add);
  TMeasure* TranslateY(bool Add);
  TMeasure* ScaleX(bool Add);
  TMeasure* ScaleY(bool Add);
  TMeasure* Rotate(bool Add);
  TMeasure* RotateX(bool Add);

 private:
  TMeasure* append(TTransformType Kind, float Value, TMeasureUnit Unit, bool Set);
  void refreshBox();
};

}  // namespace ht
