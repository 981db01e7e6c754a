#include "support/trace_canvas.h"

#include <algorithm>
#include <cstdlib>

#include "canvas/box_shadow.h"
#include "platform/rtl/exception.h"

#include "platform/rtl/number_text.h"

namespace ht::testing {

std::string TraceNum(double v) { return StringToUtf8(FastFloatToStr(v, 2)); }

const THtImageClass TTraceImage::ClassType{"TTraceImage", &THtImage::ClassType, &CreateInstance<TTraceImage, THtImage>};

void TTraceImage::LoadFromBytes(const THtBytes& B, bool InLoader) {
  THtImage::LoadFromBytes(B, InLoader);
  FSource = std::make_unique<TMemoryStream>(B.data(), B.size());
  auto be32 = [&](size_t at) { return int(uint32_t(B[at]) << 24 | uint32_t(B[at + 1]) << 16 | uint32_t(B[at + 2]) << 8 | B[at + 3]); };
  auto le16 = [&](size_t at) { return int(B[at] | B[at + 1] << 8); };
  auto le32 = [&](size_t at) { return int32_t(uint32_t(B[at]) | uint32_t(B[at + 1]) << 8 | uint32_t(B[at + 2]) << 16 | uint32_t(B[at + 3]) << 24); };
  Width = Height = 0;
  bool ok = B.empty();
  if (IsPNG(B) && B.size() >= 24) {
    Width = be32(16), Height = be32(20), ok = true;
  } else if (IsGIF(B) && B.size() >= 10) {
    Width = le16(6), Height = le16(8), ok = true;
  } else if (IsBMP(B) && B.size() >= 26) {
    Width = le32(18), Height = std::abs(le32(22)), ok = true;
  }
  Loaded = ok;
}

THtBytes TracePng(int W, int H) {
  THtBytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (int v : {W, H})
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(uint32_t(v) >> shift));
  b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
  return b;
}

namespace {

std::string rectText(const TRectF& R) {
  return TraceNum(R.Left) + "," + TraceNum(R.Top) + "," + TraceNum(R.Right) + "," + TraceNum(R.Bottom);
}

std::string pathText(THtPath* Path) {
  auto* trace = dynamic_cast<TTracePath*>(Path);
  return trace ? trace->Text() : std::string("?");
}

std::string hex(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

}  // namespace

// ---------------------------------------------------------------------------
// TTracePath

const THtPathClass TTracePath::ClassType{"TTracePath", &THtPath::ClassType,
                                         &CreateInstance<TTracePath, THtPath, bool>};

std::unique_ptr<THtPath> TTracePath::Clone() const {
  auto p = std::make_unique<TTracePath>(FForClip);
  p->Ops = Ops;
  return p;
}

void TTracePath::AddArc(float X, float Y, float w, float h, float StartAngle, float SweepAngle, float) {
  Ops.push_back("A " + TraceNum(X) + "," + TraceNum(Y) + "," + TraceNum(w) + "," + TraceNum(h) + "," +
                TraceNum(StartAngle) + "," + TraceNum(SweepAngle));
}

void TTracePath::AddBeziers(const TPointFArray& Points) {
  std::string s = "C";
  for (const TPointF& p : Points) s += " " + TraceNum(p.X) + "," + TraceNum(p.Y);
  Ops.push_back(s);
}

void TTracePath::AddPath(THtPath* APath) {
  if (auto* other = dynamic_cast<TTracePath*>(APath)) Ops.insert(Ops.end(), other->Ops.begin(), other->Ops.end());
}

void TTracePath::GetBounds(TRectF& R, const THtMatrixData*) { R = TRectF(); }

void TTracePath::Transform(const THtMatrixData& M) { Ops.push_back("T " + StringToUtf8(M.AsString(false))); }

void TTracePath::MoveTo(float CX, float CY) { Ops.push_back("M " + TraceNum(CX) + "," + TraceNum(CY)); }

void TTracePath::LineTo(float X, float Y) { Ops.push_back("L " + TraceNum(X) + "," + TraceNum(Y)); }

std::string TTracePath::Text() const {
  std::string s;
  for (const std::string& op : Ops) s += (s.empty() ? "" : " ") + op;
  return s;
}

// ---------------------------------------------------------------------------
// TTraceCanvasClass

THtStringList* TTraceCanvasClass::InstalledFonts() const {
  static THtStringList list(31);
  return &list;
}

std::vector<String>& TTraceCanvasClass::FontNames() {
  static std::vector<String> names;
  return names;
}

int& TTraceCanvasClass::GetFontsCalls() {
  static int calls = 0;
  return calls;
}

void TTraceCanvasClass::ResetInstalledFonts() { TTraceCanvas::ClassType.InstalledFonts()->Clear(); }

void TTraceCanvasClass::GetFonts(std::vector<String>& List) const {
  ++GetFontsCalls();
  List.insert(List.end(), FontNames().begin(), FontNames().end());
}

float TTraceCanvasClass::MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale,
                                       int AFirstChar, int ALength) const {
  float w = 0;
  for (int i = AFirstChar; i < AFirstChar + ALength && i >= 1 && size_t(i) <= s.size(); ++i) {
    w += Font->Height() / 2 * Scale + TextStyle.LetterSpacing;
    if (s[size_t(i - 1)] == u' ') w += TextStyle.WordSpacing;
  }
  return w;
}

// ---------------------------------------------------------------------------
// TTraceCanvas

const TTraceCanvasClass TTraceCanvas::ClassType{"TTraceCanvas", &THtCanvas::ClassType,
                                                &CreateInstance<TTraceCanvas, THtCanvas>};

void TTraceCanvas::hit() {
  if (++CallCount == ThrowAtCall) throw Exception(u"trace canvas: call %d", ThrowAtCall);
}

void TTraceCanvas::BeginScene(const THtCanvasScene& AScene) {
  hit();
  THtCanvas::BeginScene(AScene);
  if (Groups & tcSceneMatrix) {
    FCurrentMatrix.Translate(float(Scene.ViewPort.Left) + Scene.OffsetX * Scene.Scale,
                             float(Scene.ViewPort.Top) + Scene.OffsetY * Scene.Scale);
    if (Scene.Scale != 1) FCurrentMatrix.Scale(Scene.Scale, Scene.Scale);
  }
  Calls.push_back("BeginScene");
}

void TTraceCanvas::EndScene() { Calls.push_back("EndScene"); }

void TTraceCanvas::SaveState() {
  hit();
  THtCanvas::SaveState();
  ++Balance;
  Calls.push_back("SaveState");
}

void TTraceCanvas::RestoreState() {
  THtCanvas::RestoreState();
  --Balance;
  Calls.push_back("RestoreState");
}

void TTraceCanvas::IntersectClip(const TRectF& R) {
  hit();
  Calls.push_back("IntersectClip " + rectText(R));
}

void TTraceCanvas::IntersectClip(THtPath* ClipPath) {
  hit();
  Calls.push_back("IntersectClip [" + pathText(ClipPath) + "]");
}

void TTraceCanvas::SetClip(const TRectF& R) {
  hit();
  Calls.push_back("SetClip " + rectText(R));
}

void TTraceCanvas::MatrixTransform(const THtMatrixData& M, bool Add) {
  hit();
  THtCanvas::MatrixTransform(M, Add);
  Calls.push_back(std::string(Add ? "MatrixTransform+ " : "MatrixTransform= ") + StringToUtf8(M.AsString(false)));
}

void TTraceCanvas::DrawPath(THtPen* Pen, THtPath* Path) {
  hit();
  Calls.push_back("DrawPath " + hex(Pen->GetColor()) + "/" + TraceNum(Pen->GetWidth()) + " [" + pathText(Path) + "]");
}

void TTraceCanvas::FillPath(THtBrush* Brush, THtPath* Path) {
  hit();
  Calls.push_back("FillPath " + hex(Brush->GetColor()) + " [" + pathText(Path) + "]");
}

void TTraceCanvas::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle&, int AFirstChar,
                              int ALength) {
  hit();
  const size_t first = size_t(std::max(AFirstChar, 1) - 1);
  const String part = first < s.size() ? String(s.substr(first, size_t(std::max(ALength, 0)))) : String();
  Calls.push_back("DrawString \"" + StringToUtf8(part) + "\" " + TraceNum(R.Left) + "," + TraceNum(R.Top) + " " +
                  StringToUtf8(Font ? Font->Family() : String()));
}

namespace {
std::string penText(THtPen* Pen) {
  std::string s = hex(Pen->GetColor()) + "/" + TraceNum(Pen->GetWidth());
  if (Pen->GetStyle() == hpsDot) s += " dot";
  if (Pen->GetStyle() == hpsDash) s += " dash";
  return s;
}
}  // namespace

void TTraceCanvas::SetSmoothingMode(bool Smooth) {
  if (Groups & tcSmoothing) Calls.push_back(Smooth ? "Smooth on" : "Smooth off");
}

void TTraceCanvas::DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) {
  if (!(Groups & tcShapes)) return THtCanvas::DrawLine(Pen, x1, y1, x2, y2);
  hit();
  Calls.push_back("DrawLine " + penText(Pen) + " " + TraceNum(x1) + "," + TraceNum(y1) + " " + TraceNum(x2) + "," +
                  TraceNum(y2) + (Pen->GetLineCap() == lcFlat ? " flat" : ""));
}

void TTraceCanvas::FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) {
  if (!(Groups & tcShapes)) return THtCanvas::FillRectangle(Brush, X, Y, w, h);
  hit();
  Calls.push_back("FillRect " + hex(Brush->GetColor()) + " " + rectText(TRectF(X, Y, X + w, Y + h)));
}

void TTraceCanvas::DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) {
  if (!(Groups & tcShapes)) return THtCanvas::DrawRectangle(Pen, X, Y, w, h);
  hit();
  Calls.push_back("DrawRect " + penText(Pen) + " " + rectText(TRectF(X, Y, X + w, Y + h)));
}

void TTraceCanvas::DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) {
  if (!(Groups & tcShapes)) return THtCanvas::DrawEllipse(Pen, X, Y, w, h);
  hit();
  Calls.push_back("DrawEllipse " + penText(Pen) + " " + rectText(TRectF(X, Y, X + w, Y + h)));
}

void TTraceCanvas::RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) {
  if (!(Groups & tcShapes)) return THtCanvas::RoundRect(Pen, R, RadiusX, RadiusY);
  hit();
  Calls.push_back("RoundRect " + penText(Pen) + " " + rectText(R) + " r" + TraceNum(RadiusX) + "," +
                  TraceNum(RadiusY));
}

void TTraceCanvas::FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) {
  if (!(Groups & tcShapes)) return THtCanvas::FillRoundRect(Brush, R, RadiusX, RadiusY);
  hit();
  Calls.push_back("FillRoundRect " + hex(Brush->GetColor()) + " " + rectText(R) + " r" + TraceNum(RadiusX) + "," +
                  TraceNum(RadiusY));
}

void TTraceCanvas::Clear(uint32_t AColor) {
  if (!(Groups & tcEffects)) return THtCanvas::Clear(AColor);
  hit();
  Calls.push_back("Clear " + hex(AColor));
}

void TTraceCanvas::DrawShadow(THtPath* Path, const THtShadowProps& Props) {
  if (!(Groups & tcEffects)) return THtCanvas::DrawShadow(Path, Props);
  hit();
  Calls.push_back("DrawShadow " + rectText(Props.R) + " off " + TraceNum(Props.HOffset) + "," +
                  TraceNum(Props.VOffset) + " blur " + TraceNum(Props.Blur) + " " + hex(Props.Color) + " a" +
                  std::to_string(Props.Opacity) + (Props.Inset ? " inset" : "") +
                  (Props.OneBorderRadius ? " r" + TraceNum(Props.MaxBorderRadius) : "") +
                  (Path ? " [" + pathText(Path) + "]" : ""));
}

void TTraceCanvas::BlurRect(const TRectF& R, THtPath* BorderPath, float BlurRadius) {
  if (!(Groups & tcEffects)) return THtCanvas::BlurRect(R, BorderPath, BlurRadius);
  hit();
  Calls.push_back("BlurRect " + rectText(R) + " " + TraceNum(BlurRadius));
}

void TTraceCanvas::FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                             const TElementBackground& Background, float Opacity, float Radius) {
  if (!(Groups & tcEffects))
    return THtCanvas::FillImage(R, Image, OriginDeltaX, OriginDeltaY, Background, Opacity, Radius);
  hit();
  Calls.push_back("FillImage " + StringToUtf8(Image ? Image->Url : String()) + " " + rectText(R) + " o" +
                  TraceNum(Opacity) + " d" + TraceNum(OriginDeltaX) + "," + TraceNum(OriginDeltaY) + " r" +
                  TraceNum(Radius));
}

void TTraceCanvas::DrawImage(THtImage* Image, const TRectF& R, float Opacity) {
  if (!(Groups & tcEffects)) return THtCanvas::DrawImage(Image, R, Opacity);
  hit();
  Calls.push_back("DrawImage " + StringToUtf8(Image ? Image->Url : String()) + " " + rectText(R) + " o" +
                  TraceNum(Opacity));
}

void TTraceCanvas::DrawBitmap(THtBitmap* B, const TRectF& DestR, const TRect& SrcR, float Opacity) {
  if (!(Groups & tcEffects)) return THtCanvas::DrawBitmap(B, DestR, SrcR, Opacity);
  hit();
  Calls.push_back("DrawBitmap " + rectText(DestR) + " o" + TraceNum(Opacity));
  (void)SrcR;
}

std::string TTraceCanvas::Only(std::string_view Prefix) const {
  std::string s;
  for (const std::string& c : Calls)
    if (c.compare(0, Prefix.size(), Prefix) == 0) s += c + "\n";
  return s;
}

std::string TTraceCanvas::Joined() const {
  std::string s;
  for (const std::string& c : Calls) s += c + "\n";
  return s;
}

}  // namespace ht::testing
