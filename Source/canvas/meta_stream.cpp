#include "canvas/meta_stream.h"

#include <cmath>
#include <cstring>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/image.h"
#include "canvas/meta_canvas.h"
#include "canvas/meta_records.h"
#include "canvas/path_records.h"

namespace ht {

namespace {

constexpr uint8_t kBrushKinds = hbImage + 1;
constexpr uint8_t kPenStyles = hpsClear + 1;
constexpr uint8_t kLineJoins = ljRound + 1;
constexpr uint8_t kLineCaps = lcRound + 1;
constexpr uint8_t kDrawModes = ldmXOR + 1;
constexpr uint8_t kMatrixKinds = mfRotation + 1;
constexpr size_t kTextStyleSize = 64;

uint32_t floatBits(float V) {
  uint32_t u;
  std::memcpy(&u, &V, 4);
  return u;
}

float bitsFloat(uint32_t u) {
  float V;
  std::memcpy(&V, &u, 4);
  return V;
}

void putU32(uint8_t* p, uint32_t V) {
  p[0] = uint8_t(V);
  p[1] = uint8_t(V >> 8);
  p[2] = uint8_t(V >> 16);
  p[3] = uint8_t(V >> 24);
}

uint32_t getU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

// ---------------------------------------------------------------------------
// THtMetaWriter

THtMetaWriter::~THtMetaWriter() {
  // Only a writer abandoned by an exception gets here with bytes left; its
  // partial output is dropped rather than thrown from a destructor.
  FBuf.clear();
}

void THtMetaWriter::Flush() {
  if (!FBuf.empty()) FStream.WriteBuffer(FBuf.data(), FBuf.size());
  FBuf.clear();
}

void THtMetaWriter::Code(uint16_t V) {
  FBuf.push_back(uint8_t(V));
  FBuf.push_back(uint8_t(V >> 8));
}

void THtMetaWriter::UInt32(uint32_t V) {
  uint8_t b[4];
  putU32(b, V);
  FBuf.insert(FBuf.end(), b, b + 4);
}

void THtMetaWriter::Float(float V) { UInt32(floatBits(V)); }

void THtMetaWriter::Str(StringView V) {
  Int32(int32_t(V.size()));
  for (char16_t c : V) Code(uint16_t(c));
}

void THtMetaWriter::Rect(const TRectF& V) {
  Float(V.Left);
  Float(V.Top);
  Float(V.Right);
  Float(V.Bottom);
}

void THtMetaWriter::Matrix(const THtMatrixData& V) {
  for (float f : V.Data) Float(f);
  Byte(uint8_t(V.Flags));
  // Padding to the matrix's 28 bytes; zero so that equal lists give equal bytes.
  for (int i = 0; i < 3; ++i) Byte(0);
}

void THtMetaWriter::Bytes(const THtBytes& V) {
  Int32(int32_t(V.size()));
  FBuf.insert(FBuf.end(), V.begin(), V.end());
}

void THtMetaWriter::Floats(const TSingleArray& V) {
  Int32(int32_t(V.size()));
  for (float f : V) Float(f);
}

void THtMetaWriter::Font(THtFont* AFont, THtFontStyles AStyle) {
  Str(AFont ? StringView(AFont->Family()) : StringView());
  Float(AFont ? AFont->Height() : 0);
  Byte(AStyle.ToBits());
}

void THtMetaWriter::Brush(const THtBrush& V) {
  Byte(V.Kind);
  UInt32(V.GetColor());
  for (float f : {V.OffsetX, V.OffsetY, V.CX, V.CY, V.FX, V.FY, V.Radius}) Float(f);
  Matrix(V.Matrix);
  Float(V.Angle);
  Rect(V.GradientRect);
  Rect(V.FillRect);
  Int32(int32_t(V.GradientColors.size()));
  for (uint32_t c : V.GradientColors) UInt32(c);
  Floats(V.GradientPositions);
}

void THtMetaWriter::Pen(const THtPen& V) {
  Byte(V.GetLineJoin());
  Byte(V.GetLineCap());
  UInt32(V.GetColor());
  Float(V.GetWidth());
  Byte(V.GetStyle());
  Float(V.GetDashOffset());
  Byte(V.Mode());
  Floats(V.Dashes);
}

void THtMetaWriter::TextStyle(const THtTextStyle& V) {
  // The 8 bytes reserved for the font features stay zero: the features are
  // not part of the format.
  uint8_t b[kTextStyleSize] = {};
  putU32(b + 0, floatBits(V.WordSpacing));
  putU32(b + 4, floatBits(V.LetterSpacing));
  putU32(b + 8, floatBits(V.Opacity));
  b[24] = uint8_t(V.Overflow);
  b[25] = V.Shadow ? 1 : 0;
  b[26] = V.RTL ? 1 : 0;
  putU32(b + 28, V.Color);
  putU32(b + 32, V.ShadowColor);
  putU32(b + 36, V.DecorationColor);
  b[40] = uint8_t(V.DecorationStyle);
  putU32(b + 44, floatBits(V.ShadowX));
  putU32(b + 48, floatBits(V.ShadowY));
  putU32(b + 52, floatBits(V.ShadowBlur));
  b[56] = uint8_t(V.WritingMode);
  FBuf.insert(FBuf.end(), b, b + kTextStyleSize);
}

void THtMetaWriter::PathData(THtPath* APath) { Str(APath ? APath->AsString() : String()); }

// ---------------------------------------------------------------------------
// THtMetaReader

THtMetaReader::THtMetaReader(TStream& AStream) : FStream(AStream) {
  FPos = AStream.Position();
  FSize = AStream.Size();
}

void THtMetaReader::Damaged() { throw EMetaStreamError(String(u"Recorded drawing stream is damaged or truncated")); }

void THtMetaReader::read(void* Buffer, size_t Count) {
  if (int64_t(Count) > Remaining()) Damaged();
  if (FStream.Read(Buffer, Count) != Count) Damaged();
  FPos += int64_t(Count);
}

uint8_t THtMetaReader::Byte() {
  uint8_t b;
  read(&b, 1);
  return b;
}

bool THtMetaReader::Bool() { return Ordinal(2) != 0; }

uint8_t THtMetaReader::Ordinal(uint8_t Limit) {
  const uint8_t b = Byte();
  if (b >= Limit) Damaged();
  return b;
}

uint16_t THtMetaReader::Code() {
  uint8_t b[2];
  read(b, 2);
  return uint16_t(b[0] | b[1] << 8);
}

int32_t THtMetaReader::Int32() {
  uint8_t b[4];
  read(b, 4);
  return int32_t(getU32(b));
}

float THtMetaReader::Float() { return bitsFloat(uint32_t(Int32())); }

int32_t THtMetaReader::Count(size_t ElementSize) {
  const int32_t n = Int32();
  if (n < 0 || (ElementSize > 0 && int64_t(n) > Remaining() / int64_t(ElementSize))) Damaged();
  return n;
}

String THtMetaReader::Str() {
  const int32_t n = Count(2);
  String s(size_t(n), u'\0');
  for (char16_t& c : s) c = char16_t(Code());
  return s;
}

TRectF THtMetaReader::Rect() {
  TRectF r;
  r.Left = Float();
  r.Top = Float();
  r.Right = Float();
  r.Bottom = Float();
  return r;
}

THtMatrixData THtMetaReader::Matrix() {
  THtMatrixData m;
  for (float& f : m.Data) f = Float();
  m.Flags = THtMatrixFlag(Ordinal(kMatrixKinds));
  uint8_t pad[3];
  read(pad, 3);
  return m;
}

THtBytes THtMetaReader::Bytes() {
  const int32_t n = Count(1);
  THtBytes b(static_cast<size_t>(n));
  if (n > 0) read(b.data(), size_t(n));
  return b;
}

TSingleArray THtMetaReader::Floats() {
  const int32_t n = Count(4);
  TSingleArray a(static_cast<size_t>(n));
  for (float& f : a) f = Float();
  return a;
}

THtFontStyles THtMetaReader::FontStyles() {
  const uint8_t b = Byte();
  if (b >= 1u << (hfsUltraLight + 1)) Damaged();
  return THtFontStyles::FromBits(b);
}

std::unique_ptr<THtBrush> THtMetaReader::Brush(const THtBrushClass* AClass) {
  const auto kind = THtBrushKind(Ordinal(kBrushKinds));
  const uint32_t color = UInt32();
  float v[7];
  for (float& f : v) f = Float();
  const THtMatrixData m = Matrix();
  float angle = Float();
  // Brushes keep angles at 0 or above, so only a damaged stream has a
  // negative one; bring it into one turn so the brush need not walk there.
  if (angle < 0) angle = std::fmod(angle, 360.0f);
  const TRectF gradientRect = Rect();
  const TRectF fillRect = Rect();
  TCardinalArray colors(size_t(Count(4)));
  for (uint32_t& c : colors) c = UInt32();
  const TSingleArray positions = Floats();
  std::unique_ptr<THtBrush> b;
  if (kind == hbGradient) {
    b = AClass->CreateGradient(gradientRect, color, color, angle, fillRect);
    b->SetGradientColors(positions, colors);
  } else if (kind == hbRadial) {
    b = AClass->CreateRadialGradient(v[0], v[1], v[2], v[3], v[4], v[5], v[6], m);
    b->SetGradientColors(positions, colors);
  } else {
    // An image brush comes back as a solid brush of its colour.
    b = AClass->Create(color);
  }
  return b;
}

std::unique_ptr<THtPen> THtMetaReader::Pen(const THtPenClass* APenClass) {
  const auto join = THtLineJoin(Ordinal(kLineJoins));
  const auto cap = THtLineCap(Ordinal(kLineCaps));
  const uint32_t color = UInt32();
  const float width = Float();
  const auto style = THtPenStyle(Ordinal(kPenStyles));
  const float dashOffset = Float();
  const auto mode = THtLineDrawMode(Ordinal(kDrawModes));
  TSingleArray dashes = Floats();
  std::unique_ptr<THtPen> p = APenClass->Create(color, width);
  if (!dashes.empty()) {
    // Stored in multiples of the width, as the pen keeps them.
    for (float& d : dashes) d *= p->GetWidth();
    p->SetDashes(dashes);
  }
  p->SetStyle(style);
  p->SetLineJoin(join);
  p->SetLineCap(cap);
  p->SetDashOffset(dashOffset);
  p->SetMode(mode);
  return p;
}

THtTextStyle THtMetaReader::TextStyle() {
  uint8_t b[kTextStyleSize];
  read(b, kTextStyleSize);
  auto ordinal = [&](int offset, size_t limit) {
    if (b[offset] >= limit) Damaged();
    return b[offset];
  };
  THtTextStyle s;
  s.WordSpacing = bitsFloat(getU32(b + 0));
  s.LetterSpacing = bitsFloat(getU32(b + 4));
  s.Opacity = bitsFloat(getU32(b + 8));
  s.Overflow = TCSSTextOverflow(ordinal(24, EnumCount<TCSSTextOverflow>()));
  s.Shadow = ordinal(25, 2) != 0;
  s.RTL = ordinal(26, 2) != 0;
  s.Color = getU32(b + 28);
  s.ShadowColor = getU32(b + 32);
  s.DecorationColor = getU32(b + 36);
  s.DecorationStyle = TCSSTextDecorationStyle(ordinal(40, EnumCount<TCSSTextDecorationStyle>()));
  s.ShadowX = bitsFloat(getU32(b + 44));
  s.ShadowY = bitsFloat(getU32(b + 48));
  s.ShadowBlur = bitsFloat(getU32(b + 52));
  s.WritingMode = TCSSWritingMode(ordinal(56, EnumCount<TCSSWritingMode>()));
  return s;
}

std::unique_ptr<THtPath> THtMetaReader::Path(const THtPathClass* APathClass) {
  const String data = Str();
  const bool forClip = Bool();
  const bool winding = Bool();
  if (!APathClass) throw EAbstractError(String(u"Abstract Error"));
  std::unique_ptr<THtPath> p = APathClass->Create(forClip);
  // Path text the writer could not have written means a damaged stream.
  try {
    p->Parse(data);
  } catch (const Exception&) {
    Damaged();
  }
  p->SetFillModeWinding(winding);
  return p;
}

// ---------------------------------------------------------------------------
// Records

void THtMetaCanvasRec::SavetoStream(THtMetaWriter& ST) { ST.Code(mrcNone); }

void THtMetaTextRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcText);
  ST.Str(Text);
  ST.Font(Font, FontStyle);
  ST.Bool(RTL);
  ST.Bool(Ellipsis);
  ST.Rect(R);
  ST.UInt32(UnderlineColor);
  ST.Float(Opacity);
  ST.TextStyle(TextStyle);
}

THtMetaTextRec::THtMetaTextRec(THtMetaReader& ST, const THtCanvasClass*, THtFontCollection* FontCollection) {
  Text = ST.Str();
  const String family = ST.Str();
  const float height = ST.Float();
  FontStyle = ST.FontStyles();
  RTL = ST.Bool();
  Ellipsis = ST.Bool();
  R = ST.Rect();
  UnderlineColor = ST.UInt32();
  Opacity = ST.Float();
  TextStyle = ST.TextStyle();
  if (FontCollection) {
    Font = FontCollection->GetFont(family, height, FontStyle);
    if (Font) FontStyle = Font->Style();
  }
}

void THtMetaPathRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcPath);
  ST.PathData(Path.get());
  ST.Bool(Path && Path->ForClip());
  ST.Bool(Path && Path->FillModeWinding());
  // A record always has the object its Fill flag names; a default one keeps
  // the stream readable when it does not.
  const bool fill = Fill;
  ST.Bool(fill);
  if (fill)
    ST.Brush(Brush ? *Brush : THtBrush(0));
  else
    ST.Pen(Pen ? *Pen : THtPen(0, 1));
}

THtMetaPathRec::THtMetaPathRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  Path = ST.Path(CanvasClass->PathClass());
  Fill = ST.Bool();
  if (Fill)
    Brush = ST.Brush(CanvasClass->BrushClass());
  else
    Pen = ST.Pen(CanvasClass->PenClass());
  Path->GetBounds(Bounds, nullptr);
}

void THtMetaLineRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcLine);
  for (float f : {x1, y1, x2, y2}) ST.Float(f);
  ST.Pen(Pen ? *Pen : THtPen(0, 1));
}

THtMetaLineRec::THtMetaLineRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  x1 = ST.Float();
  y1 = ST.Float();
  x2 = ST.Float();
  y2 = ST.Float();
  Pen = ST.Pen(CanvasClass->PenClass());
}

void THtMetaImageRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcImage);
  ST.Rect(RSource);
  ST.Rect(RDest);
  ST.Float(Opacity);
  if (ImageData.empty() && Image) {
    TStream* source = Image->GetSourceStream();
    if (auto* mem = dynamic_cast<TMemoryStream*>(source)) {
      ST.Bytes(mem->Data());
      return;
    }
    if (source) ImageData = Image->AsBytes();
  }
  ST.Bytes(ImageData);
}

THtMetaImageRec::THtMetaImageRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  RSource = ST.Rect();
  RDest = ST.Rect();
  Opacity = ST.Float();
  ImageData = ST.Bytes();
  std::unique_ptr<THtImage> image = CanvasClass->ImageClass()->CreateFromBytes(ImageData);
  Image = image.release();
  FImageSelfCreated = Image != nullptr;
}

void THtMetaMatrixRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcMatrix);
  ST.Matrix(M);
}

THtMetaMatrixRec::THtMetaMatrixRec(THtMetaReader& ST, const THtCanvasClass*, THtFontCollection*)
    : M(ST.Matrix()) {}

void THtMetaStateRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcState);
  ST.Bool(Save);
}

THtMetaStateRec::THtMetaStateRec(THtMetaReader& ST, const THtCanvasClass*, THtFontCollection*)
    : Save(ST.Bool()) {}

void THtMetaClipRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcClip);
  ST.Rect(Clip);
  ST.Bool(Path != nullptr);
  if (Path) {
    ST.PathData(Path.get());
    ST.Bool(Path->ForClip());
    ST.Bool(Path->FillModeWinding());
  }
}

THtMetaClipRec::THtMetaClipRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  Clip = ST.Rect();
  if (ST.Bool()) Path = ST.Path(CanvasClass->PathClass());
}

void THtMetaEllipseRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcEllipse);
  for (float f : {X, Y, w, h}) ST.Float(f);
  ST.Bool(Brush != nullptr);
  if (Brush)
    ST.Brush(*Brush);
  else
    ST.Pen(Pen ? *Pen : THtPen(0, 1));
}

THtMetaEllipseRec::THtMetaEllipseRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  X = ST.Float();
  Y = ST.Float();
  w = ST.Float();
  h = ST.Float();
  if (ST.Bool())
    Brush = ST.Brush(CanvasClass->BrushClass());
  else
    Pen = ST.Pen(CanvasClass->PenClass());
}

void THtMetaRectRec::SavetoStream(THtMetaWriter& ST) {
  ST.Code(mrcRect);
  for (float f : {X, Y, w, h, Rx, Ry}) ST.Float(f);
  ST.Bool(Rounded);
  ST.Bool(Fill);
  if (Fill) {
    ST.Bool(Brush != nullptr);
    if (Brush)
      ST.Brush(*Brush);
    else
      ST.UInt32(BrushColor);
  } else {
    ST.Bool(Pen != nullptr);
    if (Pen) {
      ST.Pen(*Pen);
    } else {
      ST.UInt32(PenColor);
      ST.Float(PenWidth);
    }
  }
}

THtMetaRectRec::THtMetaRectRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection*) {
  X = ST.Float();
  Y = ST.Float();
  w = ST.Float();
  h = ST.Float();
  Rx = ST.Float();
  Ry = ST.Float();
  Rounded = ST.Bool();
  Fill = ST.Bool();
  Stroke = !Fill;
  if (Fill) {
    if (ST.Bool())
      Brush = ST.Brush(CanvasClass->BrushClass());
    else
      BrushColor = ST.UInt32();
  } else if (ST.Bool()) {
    Pen = ST.Pen(CanvasClass->PenClass());
  } else {
    PenColor = ST.UInt32();
    PenWidth = ST.Float();
  }
}

// ---------------------------------------------------------------------------
// THtMetaList

void THtMetaList::SavetoStream(TStream& ST) {
  THtMetaWriter w(ST);
  w.Int32(Count());
  for (THtMetaCanvasRec* rec : FRecs) rec->SavetoStream(w);
  w.Flush();
}

void THtMetaList::LoadfromStream(TStream& ST, const THtCanvasClass* ACanvasClass,
                                 THtFontCollection* AFontCollection) {
  THtMetaReader r(ST);
  // Every entry holds at least its code.
  const int32_t n = r.Count(2);
  std::vector<std::unique_ptr<THtMetaCanvasRec>> read;
  for (int32_t i = 0; i < n; ++i) {
    std::unique_ptr<THtMetaCanvasRec> rec;
    switch (r.Code()) {
      case mrcText: rec = std::make_unique<THtMetaTextRec>(r, ACanvasClass, AFontCollection); break;
      case mrcPath: rec = std::make_unique<THtMetaPathRec>(r, ACanvasClass, AFontCollection); break;
      case mrcLine: rec = std::make_unique<THtMetaLineRec>(r, ACanvasClass, AFontCollection); break;
      case mrcImage: rec = std::make_unique<THtMetaImageRec>(r, ACanvasClass, AFontCollection); break;
      case mrcMatrix: rec = std::make_unique<THtMetaMatrixRec>(r, ACanvasClass, AFontCollection); break;
      case mrcState: rec = std::make_unique<THtMetaStateRec>(r, ACanvasClass, AFontCollection); break;
      case mrcClip: rec = std::make_unique<THtMetaClipRec>(r, ACanvasClass, AFontCollection); break;
      case mrcEllipse: rec = std::make_unique<THtMetaEllipseRec>(r, ACanvasClass, AFontCollection); break;
      case mrcRect: rec = std::make_unique<THtMetaRectRec>(r, ACanvasClass, AFontCollection); break;
      default: break;  // code 0 and unknown codes carry no fields
    }
    if (rec) read.push_back(std::move(rec));
  }
  for (auto& rec : read) Add(std::move(rec));
}

}  // namespace ht
