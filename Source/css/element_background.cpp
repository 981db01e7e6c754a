#include "css/element_background.h"

#include <cmath>

#include "css/property_registry.h"
#include "css/value_parsing.h"
#include "markup/url_utils.h"

namespace ht {

namespace {

bool isIdent(const TCSSToken* t, StringView name) { return t && t->CType == ctIdent && SameTextAscii(t->Name, name); }

float directionAngle(TGradientDirection d) {
  switch (d) {
    case gsTop: return 0;
    case gsLeft: return -90;
    case gsRight: return 90;
    case gsBottom: return 180;
    case gsTopLeft: return -45;
    case gsTopRight: return 45;
    case gsBottomLeft: return -135;
    case gsBottomRight: return 135;
  }
  return 180;
}

// The corner named by two sides, or First when they make none.
TGradientDirection corner(TGradientDirection first, TGradientDirection second) {
  auto is = [&](TGradientDirection a, TGradientDirection b) {
    return (first == a && second == b) || (first == b && second == a);
  };
  if (is(gsTop, gsLeft)) return gsTopLeft;
  if (is(gsTop, gsRight)) return gsTopRight;
  if (is(gsBottom, gsLeft)) return gsBottomLeft;
  if (is(gsBottom, gsRight)) return gsBottomRight;
  return first;
}

bool readDirection(const TCSSToken* t, TGradientDirection& d) {
  int v;
  if (!t || t->CType != ctIdent || !TryGetEnumValue(u"gs", t->Name, EnumTypeInfo<TGradientDirection>(), v))
    return false;
  d = TGradientDirection(v);
  return true;
}

// Shape and extent words and lengths open a radial gradient's prelude;
// anything else is already the first colour stop.
bool startsRadialPrelude(const TCSSToken* t) {
  if (!t) return false;
  if (t->CType == ctNumber || t->CType == ctDimension || t->CType == ctPercentage) return true;
  if (t->CType != ctIdent) return false;
  static constexpr StringView words[] = {u"at",           u"circle",          u"ellipse",        u"closest-side",
                                         u"closest-corner", u"farthest-side", u"farthest-corner"};
  for (StringView w : words)
    if (SameTextAscii(t->Name, w)) return true;
  return false;
}

// The position keywords and lengths of a background shorthand, decoded
// once the whole value is seen ("center" takes whichever axis is free).
struct TPositionTokens {
  TCSSToken horizontal, vertical;
  bool hasHorizontal = false, hasVertical = false;

  void Add(const TCSSToken& t, bool asHorizontal) {
    (asHorizontal ? horizontal : vertical) = t;
    (asHorizontal ? hasHorizontal : hasVertical) = true;
  }
  void AddNext(const TCSSToken& t) { Add(t, !hasHorizontal); }
};

// A keyword of the shorthand other than "none": a size, repeat, origin,
// attachment, position or colour keyword.
void readKeyword(TElementBackground& bg, TCSSTokenSequence& Sequence, TPositionTokens& positions) {
  const TCSSToken& t = *Sequence.T;
  int v;
  uint32_t color;
  if (TryGetEnumValue(u"bs", t.Name, EnumTypeInfo<TBackgroundSize>(), v)) {
    bg.Size = TBackgroundSize(v);
  } else if (TryGetEnumValue(u"br", t.Name, EnumTypeInfo<TBackgroundRepeat>(), v)) {
    // repeat has its own property, read by painting
  } else if (TryGetEnumValue(u"bo", t.Name, EnumTypeInfo<TBackgroundOrigin>(), v)) {
    bg.Origin = TBackgroundOrigin(v);
  } else if (TryGetEnumValue(u"ba", t.Name, EnumTypeInfo<TBackgroundAttachment>(), v)) {
    bg.Attachment = TBackgroundAttachment(v);
  } else if (t.Name == u"left" || t.Name == u"right") {
    positions.Add(t, true);
  } else if (t.Name == u"top" || t.Name == u"bottom" || t.Name == u"middle") {
    positions.Add(t, false);
  } else if (t.Name == u"center") {
    positions.AddNext(t);
  } else {
    Sequence.ReadColor(color);  // the colour has its own accessor
  }
}

}  // namespace

TElementBackground::TElementBackground(const TMeasureContext* AStyle) : FStyle(AStyle) {
  SizeX.Init(AStyle);
  SizeY.Init(AStyle);
  PositionX.Init(AStyle);
  PositionY.Init(AStyle);
  Gradient.CenterX.Init(AStyle);
  Gradient.CenterY.Init(AStyle);
}

void TElementBackground::Parse(TCSSTokenSequence& Sequence) {
  if (!Sequence.T) return;
  // A vendor-prefixed value (-webkit-...) is left to the browsers it is
  // written for; a negative position is read.
  const TCSSToken& first = *Sequence.T;
  if ((first.CType == ctIdent || first.CType == ctFunction) && first.Name.starts_with(u"-")) return;
  Gradient.Stops.clear();
  TPositionTokens positions;
  for (; Sequence.T; Sequence.Next()) {
    const TCSSToken& t = *Sequence.T;
    uint32_t color;
    switch (t.CType) {
      case ctIdent:
        if (t.Name == u"none") {
          Image.clear();
          return;
        }
        readKeyword(*this, Sequence, positions);
        break;
      case ctHash:
        Sequence.ReadColor(color);
        break;
      case ctNumber:
      case ctDimension:
        positions.AddNext(t);
        break;
      case ctURI:
        Image = t.Name.starts_with(u"data:") ? t.Name : URLDecode(t.Name);
        break;
      case ctFunction:
        if (!readFunction(Sequence)) return;
        break;
      default:
        break;
    }
    if (!Sequence.T) break;
  }
  if (positions.hasHorizontal) DecodePositionToken(PositionX, positions.horizontal);
  if (positions.hasVertical) {
    if (positions.vertical.Name == u"middle") positions.vertical.Name = u"center";
    DecodePositionToken(PositionY, positions.vertical);
  }
}

bool TElementBackground::readFunction(TCSSTokenSequence& Sequence) {
  const TCSSToken& t = *Sequence.T;
  uint32_t color;
  if (SameTextAscii(t.Name, u"linear-gradient")) return parseLinearGradient(Sequence);
  if (SameTextAscii(t.Name, u"radial-gradient")) {
    ParseRadialGradient(Sequence);
  } else if (SameTextAscii(t.Name, u"blur")) {
    // its arguments are read like any other tokens
  } else if (t.Name.starts_with(u"rgb")) {
    Sequence.ReadColor(color);
    SkipFunctionArguments(Sequence);  // so its numbers are not taken for positions
  } else {
    while (Sequence.Next() && Sequence.T->CType != ctCloseBr) {
    }
  }
  return true;
}

bool TElementBackground::parseLinearGradient(TCSSTokenSequence& Sequence) {
  Gradient.Kind = 0;
  Gradient.Angle = 180;
  Gradient.Direction = gsBottom;
  if (!Sequence.Next(2)) return false;
  const bool to = isIdent(Sequence.T, u"to");
  if (to && !Sequence.Next()) return false;
  TGradientDirection d;
  if (readDirection(Sequence.T, d)) {
    Gradient.Direction = d;
    if (!Sequence.Next()) return false;
    if (!to && d == gsTop) Gradient.Direction = gsBottom;
    TGradientDirection second;
    // The stop list starts after the current token, so a second side is
    // passed over with it.
    if (readDirection(Sequence.T, second)) Gradient.Direction = corner(Gradient.Direction, second);
    Gradient.Angle = directionAngle(Gradient.Direction);
  } else if (Sequence.T->CType == ctDimension && Sequence.T->MUnit == muDeg) {
    Gradient.Angle = Sequence.T->AsFloat;
    if (!Sequence.Next()) return false;
  } else {
    Sequence.Next(-1);
  }
  return parseStops(Sequence);
}

void TElementBackground::ParseRadialGradient(TCSSTokenSequence& Sequence) {
  Gradient.Kind = 1;
  if (!Sequence.Next(2)) return;
  SetPercentValue(Gradient.CenterX, 50);
  SetPercentValue(Gradient.CenterY, 50);
  if (startsRadialPrelude(Sequence.T)) {
    for (; Sequence.T && Sequence.T->CType != ctComma && Sequence.T->CType != ctClosePar; Sequence.Next()) {
      if (!isIdent(Sequence.T, u"at")) continue;
      if (!Sequence.Next()) return;
      Gradient.CenterX.Decode(Sequence);
      if (!Sequence.Next()) return;
      if (Sequence.T->CType == ctComma) break;
      Gradient.CenterY.Decode(Sequence);
    }
    if (!Sequence.T) return;
  } else {
    Sequence.Next(-1);
  }
  parseStops(Sequence);
}

bool TElementBackground::parseStops(TCSSTokenSequence& Sequence) {
  auto& stops = Gradient.Stops;
  bool ok = true;
  while (Sequence.Next()) {
    const TCSSTokenType type = Sequence.T->CType;
    if (type == ctIdent || type == ctHash || type == ctFunction) {
      uint32_t color = 0;
      if (!Sequence.ReadColor(color)) {
        ok = false;
        break;
      }
      TGradientStop stop;
      stop.Position.Init(FStyle);
      stop.Color = color;
      stops.push_back(stop);
      if (type == ctFunction) SkipFunctionArguments(Sequence);
    } else if (type == ctPercentage || type == ctDimension) {
      if (!stops.empty()) stops.back().Position.Decode(Sequence);
    } else if (type == ctClosePar) {
      break;
    }
    if (!Sequence.T) break;
  }
  // Stops without a position share the line evenly; a lone stop sits at 0.
  const size_t n = stops.size();
  for (size_t i = 0; i < n; ++i)
    if (stops[i].Position.GetAuto())
      SetPercentValue(stops[i].Position, n > 1 ? float(100.0 / double(n - 1) * double(i)) : 0.0f);
  return ok;
}

void TElementBackground::Assign(const TElementBackground& Source) {
  Image = Source.Image;
  Gradient.Kind = Source.Gradient.Kind;
  Gradient.CenterX.Assign(Source.Gradient.CenterX);
  Gradient.CenterY.Assign(Source.Gradient.CenterY);
  Gradient.Direction = Source.Gradient.Direction;
  Gradient.Angle = Source.Gradient.Angle;
  Gradient.Stops = Source.Gradient.Stops;
  Origin = Source.Origin;
  Attachment = Source.Attachment;
  SizeX.Assign(Source.SizeX);
  SizeY.Assign(Source.SizeY);
  PositionX.Assign(Source.PositionX);
  PositionY.Assign(Source.PositionY);
  Repeat = Source.Repeat;
  Size = Source.Size;
  BaseURL = Source.BaseURL;
}

void TElementBackground::Clear() {
  Image.clear();
  LoadedURL.clear();
  Gradient.Stops.clear();
}

}  // namespace ht
