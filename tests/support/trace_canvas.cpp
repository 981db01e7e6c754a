#include "support/trace_canvas.h"

#include <algorithm>
#include <cstdlib>

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

void TTraceCanvas::BeginScene(const THtCanvasScene& AScene) {
  THtCanvas::BeginScene(AScene);
  Calls.push_back("BeginScene");
}

void TTraceCanvas::EndScene() { Calls.push_back("EndScene"); }

void TTraceCanvas::SaveState() {
  THtCanvas::SaveState();
  ++Balance;
  Calls.push_back("SaveState");
}

void TTraceCanvas::RestoreState() {
  THtCanvas::RestoreState();
  --Balance;
  Calls.push_back("RestoreState");
}

void TTraceCanvas::IntersectClip(const TRectF& R) { Calls.push_back("IntersectClip " + rectText(R)); }

void TTraceCanvas::IntersectClip(THtPath* ClipPath) { Calls.push_back("IntersectClip [" + pathText(ClipPath) + "]"); }

void TTraceCanvas::SetClip(const TRectF& R) { Calls.push_back("SetClip " + rectText(R)); }

void TTraceCanvas::MatrixTransform(const THtMatrixData& M, bool Add) {
  THtCanvas::MatrixTransform(M, Add);
  Calls.push_back(std::string(Add ? "MatrixTransform+ " : "MatrixTransform= ") + StringToUtf8(M.AsString(false)));
}

void TTraceCanvas::DrawPath(THtPen* Pen, THtPath* Path) {
  Calls.push_back("DrawPath " + hex(Pen->GetColor()) + "/" + TraceNum(Pen->GetWidth()) + " [" + pathText(Path) + "]");
}

void TTraceCanvas::FillPath(THtBrush* Brush, THtPath* Path) {
  Calls.push_back("FillPath " + hex(Brush->GetColor()) + " [" + pathText(Path) + "]");
}

void TTraceCanvas::DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle&, int AFirstChar,
                              int ALength) {
  const size_t first = size_t(std::max(AFirstChar, 1) - 1);
  const String part = first < s.size() ? String(s.substr(first, size_t(std::max(ALength, 0)))) : String();
  Calls.push_back("DrawString \"" + StringToUtf8(part) + "\" " + TraceNum(R.Left) + "," + TraceNum(R.Top) + " " +
                  StringToUtf8(Font ? Font->Family() : String()));
}

std::string TTraceCanvas::Joined() const {
  std::string s;
  for (const std::string& c : Calls) s += c + "\n";
  return s;
}

}  // namespace ht::testing
