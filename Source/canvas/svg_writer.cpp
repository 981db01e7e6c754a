#include "canvas/svg_writer.h"

#include <cmath>

#include "canvas/path_records.h"
#include "css/colors.h"
#include "markup/html_writer.h"
#include "platform/rtl/number_text.h"

namespace ht {

namespace {

constexpr char16_t Q = u'"';

StringView dashAttr(THtPenStyle AStyle) {
  switch (AStyle) {
    case hpsDash: return u" stroke-dasharray=\"8\"";
    case hpsDot: return u" stroke-dasharray=\"1\"";
    case hpsDashDot: return u" stroke-dasharray=\"8,1,1,1\"";
    case hpsDashDotDot: return u" stroke-dasharray=\"8,1,1,1,1,1\"";
    default: return u"";
  }
}

StringView dashCSS(THtPenStyle AStyle) {
  switch (AStyle) {
    case hpsDash: return u" stroke-dasharray:8;";
    case hpsDot: return u" stroke-dasharray:1;";
    case hpsDashDot: return u" stroke-dasharray:8,1,1,1;";
    case hpsDashDotDot: return u" stroke-dasharray:8,1,1,1,1,1;";
    default: return u"";
  }
}

String widthText(float AWidth) { return FastFloatToStr(AWidth, 2); }

// Every dash rounded (halves to even) and followed by ","; the last ","
// becomes Last.
String dashList(const TSingleArray& DashArray, char16_t Last) {
  String s;
  for (float d : DashArray) {
    const double r = std::nearbyint(double(d));
    s += FastFloatToStr(std::isfinite(r) ? r : 0, 0);
    s += u',';
  }
  s.back() = Last;
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// primitives

THtSVGWriter& THtSVGWriter::s(StringView Value) {
  Add(Value);
  FLastCommand = 0;
  return *this;
}

THtSVGWriter& THtSVGWriter::F(double Value) {
  Add(Value, 3);
  return *this;
}

THtSVGWriter& THtSVGWriter::FS(double Value) {
  Add(Value, 4);
  AddChar(u' ');
  return *this;
}

THtSVGWriter& THtSVGWriter::Color(uint32_t AColor) { return s(ColorToHexStr(AColor)); }

THtSVGWriter& THtSVGWriter::Com(char16_t ACommand) {
  if (ACommand != FLastCommand) {
    AddChar(ACommand);
  } else {
    const char16_t last = LastChar();
    if (last >= u'0' && last <= u'9') AddChar(u' ');
  }
  FLastCommand = ACommand == u'M' ? u'L' : ACommand;
  return *this;
}

// ---------------------------------------------------------------------------
// path commands

THtSVGWriter& THtSVGWriter::Move(double X, double Y) {
  Com(u'M');
  num(X, 2);
  AddChar(u' ');
  num(Y, 2);
  return *this;
}

THtSVGWriter& THtSVGWriter::MoveRel(double dx, double dy) {
  Com(u'm');
  FS(dx);
  FS(dy);
  return *this;
}

THtSVGWriter& THtSVGWriter::LineTo(double X, double Y) {
  Com(u'L');
  num(X, 2);
  AddChar(u' ');
  num(Y, 2);
  return *this;
}

THtSVGWriter& THtSVGWriter::LineRel(double dx, double dy) {
  if (dy == 0) {
    Com(u'h');
    FS(dx);
  } else if (dx != 0) {
    Com(u'l');
    FS(dx);
    FS(dy);
  } else {
    Com(u'v');
    FS(dy);
  }
  return *this;
}

THtSVGWriter& THtSVGWriter::h(double Value) {
  Com(u'H');
  return FS(Value);
}

THtSVGWriter& THtSVGWriter::HRel(double Delta) {
  Com(u'h');
  return FS(Delta);
}

THtSVGWriter& THtSVGWriter::V(double Value) {
  Com(u'V');
  return FS(Value);
}

THtSVGWriter& THtSVGWriter::VRel(double Delta) {
  Com(u'v');
  return FS(Delta);
}

THtSVGWriter& THtSVGWriter::Arc(double Rx, double Ry, double Angle, int large, int sweep, double X, double Y) {
  Com(u'A');
  FS(Rx);
  FS(Ry);
  FS(Angle);
  FS(large);
  FS(sweep);
  FS(X);
  FS(Y);
  return *this;
}

THtSVGWriter& THtSVGWriter::Z() { return Com(u'z'); }

// ---------------------------------------------------------------------------
// elements

void THtSVGWriter::escapedAttr(StringView Value) {
  AddEscapedAttrValue(*this, Value, false);
  FLastCommand = 0;
}

void THtSVGWriter::escapedText(StringView Value) {
  for (size_t i = 0; i < Value.size(); ++i) {
    const char16_t c = Value[i];
    switch (c) {
      case u'&': Add(u"&amp;"); break;
      case u'<': Add(u"&lt;"); break;
      case u'>': Add(u"&gt;"); break;
      case 0xA0: Add(u"&nbsp;"); break;
      default:
        if (c <= 8) {
          Add(u"&#");
          AddChar(char16_t(u'0' + c));
          AddChar(u';');
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Value.size() && Value[i + 1] >= 0xDC00 &&
                   Value[i + 1] <= 0xDFFF) {
          const uint32_t cp = 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(Value[i + 1]) - 0xDC00);
          static const char16_t kHex[] = u"0123456789ABCDEF";
          Add(u"&#x");
          for (int shift = 20; shift >= 0; shift -= 4) AddChar(kHex[(cp >> shift) & 15]);
          AddChar(u';');
          ++i;
        } else {
          AddChar(c);
        }
    }
  }
  FLastCommand = 0;
}

void THtSVGWriter::attr(StringView Name, StringView Value) {
  s(Name);
  AddChar(Q);
  escapedAttr(Value);
  AddChar(Q);
}

void THtSVGWriter::attrNum(StringView Name, double Value) {
  s(Name);
  AddChar(Q);
  F(Value);
  AddChar(Q);
}

void THtSVGWriter::attrs(uint32_t Fill, uint32_t Stroke, float StrokeWidth) {
  if (Fill != 0) {
    s(u" fill=\"").Color(Fill);
    AddChar(Q);
  }
  if (Stroke != 0) {
    s(u" stroke=\"").Color(Stroke);
    AddChar(Q);
  }
  if (StrokeWidth != 0) {
    s(u" stroke-width=\"").s(widthText(StrokeWidth));
    AddChar(Q);
  }
}

THtSVGWriter& THtSVGWriter::Line(float x1, float y1, float x2, float y2, uint32_t Stroke, float StrokeWidth) {
  attrNum(u"<line x1=", x1);
  attrNum(u" y1=", y1);
  attrNum(u" x2=", x2);
  attrNum(u" y2=", y2);
  attrs(0, Stroke, StrokeWidth);
  return s(u"/>");
}

THtSVGWriter& THtSVGWriter::Circle(float CX, float CY, float R, uint32_t Fill, uint32_t Stroke, float StrokeWidth) {
  attrNum(u"<circle r=", R);
  attrNum(u" cx=", CX);
  attrNum(u" cy=", CY);
  attrs(Fill, Stroke, StrokeWidth);
  return s(u"/>");
}

THtSVGWriter& THtSVGWriter::Ellipse(float CX, float CY, float RX, float RY, uint32_t Fill, uint32_t Stroke,
                                    float StrokeWidth) {
  attrNum(u"<ellipse rx=", RX);
  attrNum(u" ry=", RY);
  attrNum(u" cx=", CX);
  attrNum(u" cy=", CY);
  attrs(Fill, Stroke, StrokeWidth);
  return s(u"/>");
}

THtSVGWriter& THtSVGWriter::Rect(float X, float Y, float W, float H, uint32_t Fill, uint32_t Stroke,
                                 float StrokeWidth, StringView Style, float RX, float RY) {
  attrNum(u"<rect x=", X);
  attrNum(u" y=", Y);
  attrNum(u" width=", W);
  attrNum(u" height=", H);
  if (RX != 0) attrNum(u" rx=", RX);
  if (RY != 0) attrNum(u" ry=", RY);
  attrs(Fill, Stroke, StrokeWidth);
  if (!Style.empty()) attr(u" style=", Style);
  return s(u"/>");
}

THtSVGWriter& THtSVGWriter::Text(float X, float Y, StringView Anchor, StringView Value, StringView Style,
                                 StringView Transform, StringView Attrs) {
  s(u"<text x=\"").FS(X);
  s(u"\" y=\"").FS(Y);
  AddChar(Q);
  if (!Anchor.empty()) attr(u" text-anchor=", Anchor);
  if (!Style.empty()) attr(u" style=", Style);
  if (!Transform.empty()) attr(u" transform=", Transform);
  if (!Attrs.empty()) s(u" ").s(Attrs);
  AddChar(u'>');
  escapedText(Value);
  return s(u"</text>");
}

THtSVGWriter& THtSVGWriter::BeginPath(uint32_t Fill, uint32_t Stroke, float StrokeWidth, StringView Style,
                                      bool CrispEdges, StringView Attr) {
  s(u"<path ");
  if (Fill != 0) {
    s(u" fill=\"").Color(Fill);
    AddChar(Q);
  } else if (Attr.find(u"fill=") == StringView::npos) {
    s(u" fill=\"none\"");
  }
  attrs(0, Stroke, StrokeWidth);
  if (!Style.empty()) attr(u" style=", Style);
  if (CrispEdges) s(u" shape-rendering=\"crispEdges\"");
  s(u" ").s(Attr).s(u" d=\"");
  return *this;
}

THtSVGWriter& THtSVGWriter::EndPath() { return s(u"\"/>"); }

THtSVGWriter& THtSVGWriter::Path(StringView APath, uint32_t Fill, uint32_t Stroke, float StrokeWidth) {
  BeginPath(Fill, Stroke, StrokeWidth);
  escapedAttr(APath);
  return EndPath();
}

THtSVGWriter& THtSVGWriter::StrokePath(THtPath* APath, THtPen* Pen) {
  s(u"<path fill=\"none\" stroke=\"").Color(Pen->GetColor());
  s(u"\" stroke-width=\"").s(widthText(Pen->GetWidth()));
  AddChar(Q);
  s(dashAttr(Pen->GetStyle())).s(u" d=\"");
  escapedAttr(PathAsString(APath));
  return s(u"\"/>");
}

THtSVGWriter& THtSVGWriter::Stroke(uint32_t AColor, float AWidth) {
  s(u" stroke=\"").Color(AColor);
  s(u"\" stroke-width=\"").F(AWidth);
  AddChar(Q);
  return *this;
}

THtSVGWriter& THtSVGWriter::Stroke(THtPen* APen) {
  Stroke(APen->GetColor(), APen->GetWidth());
  return s(dashAttr(APen->GetStyle()));
}

String THtSVGWriter::StrokeStyle(uint32_t AColor, float AWidth, THtPenStyle AStyle, const TSingleArray& DashArray) {
  String r = u"stroke=\"" + ColorToHexStr(AColor) + u"\" stroke-width=\"" + widthText(AWidth) + u"\"";
  if (!DashArray.empty())
    r += u" stroke-dasharray=\"" + dashList(DashArray, u'"');
  else
    r += dashAttr(AStyle);
  return r;
}

String THtSVGWriter::StrokeStyleCSS(uint32_t AColor, float AWidth, THtPenStyle AStyle,
                                    const TSingleArray& DashArray) {
  String r = u"stroke:" + ColorToHexStr(AColor) + u"; stroke-width:" + widthText(AWidth) + u";";
  if (!DashArray.empty())
    r += u" stroke-dasharray:" + dashList(DashArray, u';');
  else
    r += dashCSS(AStyle);
  return r;
}

}  // namespace ht
