#pragma once
// A CSS background parsed from its token list: image URL (or data: URI),
// linear or radial gradient, position, size, origin and attachment.
// Computed style creates the record and fills it from "background" and
// "background-image"; painting reads it and keeps the loaded image in it.
#include <cstdint>
#include <vector>

#include "css/css_keywords.h"
#include "css/css_token.h"
#include "css/measure.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class THtImage;  // drawn by painting; css only keeps the reference

#define HT_BACKGROUND_SIZE_VALUES(X) X(bsAuto) X(bsSize) X(bsCover) X(bsContain)
HT_KEYWORD_ENUM(TBackgroundSize, HT_BACKGROUND_SIZE_VALUES);

#define HT_GRADIENT_DIRECTION_VALUES(X) \
  X(gsTop)                              \
  X(gsLeft)                             \
  X(gsRight)                            \
  X(gsBottom)                           \
  X(gsTopLeft)                          \
  X(gsTopRight)                         \
  X(gsBottomLeft)                       \
  X(gsBottomRight)
HT_KEYWORD_ENUM(TGradientDirection, HT_GRADIENT_DIRECTION_VALUES);

struct TGradientStop {
  TMeasure Position;  // auto until the stop gives one (or spreading fills it)
  uint32_t Color = 0;  // ARGB
};

struct TGradient {
  uint8_t Kind = 0;  // 0 linear, 1 radial
  TMeasure CenterX, CenterY;  // centre of a radial gradient
  TGradientDirection Direction = gsBottom;  // side or corner of a linear gradient
  float Angle = 180;  // direction of a linear gradient in degrees
  std::vector<TGradientStop> Stops;  // empty: no gradient
};

class TElementBackground : public THtObject {
 public:
  // Every measure (size, position, gradient centre) gets AStyle.
  explicit TElementBackground(const TMeasureContext* AStyle = nullptr);
  TElementBackground(const TElementBackground&) = delete;
  TElementBackground& operator=(const TElementBackground&) = delete;

  String Image;  // URL as written after percent-decoding, or a data: URI unchanged; empty: none
  // Painting's load state: it loads Image into LoadedImage whenever Image
  // differs from LoadedURL, and keeps the image shown before in
  // PreviousImage. Neither image is owned here.
  String LoadedURL;
  THtImage* LoadedImage = nullptr;
  THtImage* PreviousImage = nullptr;
  TGradient Gradient;
  TBackgroundRepeat Repeat = brRepeat;  // set by painting from "background-repeat"
  TBackgroundOrigin Origin = boPaddingBox;
  TBackgroundAttachment Attachment = baScroll;  // set by painting from "background-attachment"
  TBackgroundSize Size = bsAuto;
  TMeasure SizeX, SizeY;          // percentages of InnerWidth / InnerHeight
  TMeasure PositionX, PositionY;  // percentages of InnerWidth / InnerHeight
  String BaseURL;  // against which a relative Image is resolved

  // The background shorthand (also "background-image"), from the
  // sequence's current token to its end. Never raises; a value that cannot
  // be read keeps what was read before.
  void Parse(TCSSTokenSequence& Sequence);
  // A "radial-gradient" function token is current; leaves the sequence on
  // the token that ended the gradient.
  void ParseRadialGradient(TCSSTokenSequence& Sequence);
  // Copies everything but LoadedURL and the two image references.
  void Assign(const TElementBackground& Source);
  // Empties Image, LoadedURL and the gradient's stops.
  void Clear();

 private:
  // False when a colour stop could not be read.
  // A function of the shorthand (gradient, colour, filter or unknown);
  // false when the rest of the value is not read.
  bool readFunction(TCSSTokenSequence& Sequence);
  bool parseLinearGradient(TCSSTokenSequence& Sequence);
  bool parseStops(TCSSTokenSequence& Sequence);
  const TMeasureContext* FStyle;
};

}  // namespace ht
