#include "canvas/matrix.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/number_text.h"

namespace ht {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// Matrix text carries at most four decimals.
String num(float v) { return FastFloatToStr(v, 4); }

bool isScaleKind(THtMatrixFlag f) { return f == mfScale || f == mfNegativeScale; }

}  // namespace

// ---------------------------------------------------------------------------
// THtMatrixData

void THtMatrixData::Init(float a11, float a12, float a21, float a22, float a31, float a32) {
  Data[m11] = a11;
  Data[m12] = a12;
  Data[m21] = a21;
  Data[m22] = a22;
  Data[dx] = a31;
  Data[dy] = a32;
  UpdateFlags();
}

void THtMatrixData::Reset() { *this = THtMatrixData(); }

THtMatrixData THtMatrixData::CreateRotation(float AAngle) {
  const double a = double(AAngle) * kDegToRad;
  const float c = float(std::cos(a)), s = float(std::sin(a));
  THtMatrixData r;
  r.Init(c, s, -s, c, 0, 0);
  return r;
}

void THtMatrixData::UpdateFlags() {
  if (std::fabs(double(Data[m12])) > 1e-6 || std::fabs(double(Data[m21])) > 1e-6)
    Flags = mfRotation;
  else if (Data[m11] < -1e-7 || Data[m22] < -1e-7)
    Flags = mfNegativeScale;
  else if (!SameSingle(Data[m11], 1) || !SameSingle(Data[m22], 1))
    Flags = mfScale;
  else if (!SameSingle(Data[dx], 0) || !SameSingle(Data[dy], 0))
    Flags = mfTranslation;
  else
    Flags = mfIdentity;
}

void THtMatrixData::Rotate(float Angle) {
  THtMatrixData r = CreateRotation(Angle);
  r.Multiply(*this);
  *this = r;
}

void THtMatrixData::Multiply(const THtMatrixData& M) {
  const float* A = Data;
  const float* B = M.Data;
  switch (M.Flags) {
    case mfIdentity:
      return;
    case mfTranslation: {
      const float ndx = A[dx] + B[dx] * A[m11] + B[dy] * A[m21];
      const float ndy = A[dy] + B[dx] * A[m12] + B[dy] * A[m22];
      Data[dx] = ndx;
      Data[dy] = ndy;
      if (Flags == mfIdentity) Flags = mfTranslation;
      return;
    }
    default:
      break;
  }
  const float r[6] = {
      A[m11] * B[m11] + A[m21] * B[m12],       A[m12] * B[m11] + A[m22] * B[m12],
      A[m11] * B[m21] + A[m21] * B[m22],       A[m12] * B[m21] + A[m22] * B[m22],
      A[dx] + B[dx] * A[m11] + B[dy] * A[m21], A[dy] + B[dx] * A[m12] + B[dy] * A[m22],
  };
  std::copy(r, r + 6, Data);
  if (isScaleKind(M.Flags) && (Flags == mfIdentity || Flags == mfTranslation))
    Flags = (Data[m11] < -1e-8 || Data[m22] < -1e-8) ? mfNegativeScale : mfScale;
  else
    UpdateFlags();
}

void THtMatrixData::Translate(float ADx, float ADy) {
  Data[dx] += ADx;
  Data[dy] += ADy;
  if (Flags == mfIdentity && (!SameSingle(ADx, 0) || !SameSingle(ADy, 0))) Flags = mfTranslation;
}

void THtMatrixData::Scale(float ScaleX, float ScaleY) {
  Data[m11] *= ScaleX;
  Data[m21] *= ScaleX;
  Data[dx] *= ScaleX;
  Data[m12] *= ScaleY;
  Data[m22] *= ScaleY;
  Data[dy] *= ScaleY;
  UpdateFlags();
}

void THtMatrixData::Adjoint() {
  const float a = Data[m11], b = Data[m12], c = Data[m21], d = Data[m22];
  const float x = Data[dx], y = Data[dy];
  Data[m11] = d;
  Data[m12] = -b;
  Data[m21] = -c;
  Data[m22] = a;
  Data[dx] = c * y - d * x;
  Data[dy] = b * x - a * y;
}

bool THtMatrixData::Inverse() {
  const float det = Data[m11] * Data[m22] - Data[m12] * Data[m21];
  if (std::fabs(det) < 1e-4f) {
    Reset();
  } else {
    Adjoint();
    // The adjugate scaled uniformly by 1/det; the multiplication takes the
    // shortcut of this matrix's kind.
    THtMatrixData scaled;
    scaled.Data[m11] = 1 / det;
    scaled.Data[m22] = 1 / det;
    scaled.Multiply(*this);
    *this = scaled;
  }
  UpdateFlags();
  return true;
}

TPointF THtMatrixData::TransformPoint(const TPointF& P) const {
  return TPointF(P.X * Data[m11] + P.Y * Data[m21] + Data[dx],
                 P.X * Data[m12] + P.Y * Data[m22] + Data[dy]);
}

TPoint THtMatrixData::TransformPoint(const TPoint& P) const {
  const TPointF f = TransformPoint(TPointF(float(P.X), float(P.Y)));
  return TPoint(int(std::lrint(f.X)), int(std::lrint(f.Y)));
}

TRectF THtMatrixData::TransformRect(const TRectF& R) const {
  switch (Flags) {
    case mfIdentity:
      return R;
    case mfTranslation:
      return TRectF(R.Left + Data[dx], R.Top + Data[dy], R.Right + Data[dx], R.Bottom + Data[dy]);
    case mfScale:
      return TRectF(R.Left * Data[m11] + Data[dx], R.Top * Data[m22] + Data[dy],
                    R.Right * Data[m11] + Data[dx], R.Bottom * Data[m22] + Data[dy]);
    default:
      break;
  }
  const TPointF a = TransformPoint(TPointF(R.Left, R.Top));
  const TPointF b = TransformPoint(TPointF(R.Right, R.Bottom));
  TRectF r(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
  if (!SameSingle(Data[m12], 0) || !SameSingle(Data[m21], 0)) {
    for (const TPointF& c : {TransformPoint(TPointF(R.Left, R.Bottom)),
                             TransformPoint(TPointF(R.Right, R.Top))}) {
      r.Left = std::min(r.Left, c.X);
      r.Top = std::min(r.Top, c.Y);
      r.Right = std::max(r.Right, c.X);
      r.Bottom = std::max(r.Bottom, c.Y);
    }
  }
  return r;
}

float THtMatrixData::XScale() const { return std::fabs(Data[m11]) + std::fabs(Data[m12]); }
float THtMatrixData::YScale() const { return std::fabs(Data[m21]) + std::fabs(Data[m22]); }
float THtMatrixData::ScaleFactor() const {
  return std::sqrt(Data[m11] * Data[m11] + Data[m12] * Data[m12]);
}

bool THtMatrixData::SameScaleRotate(const THtMatrixData& M) const {
  for (int i = m11; i <= m22; ++i)
    if (std::fabs(double(Data[i]) - double(M.Data[i])) > 1e-6) return false;
  return true;
}

String THtMatrixData::AsString(bool UsePX) const {
  if (Flags == mfRotation || (isScaleKind(Flags) && (Data[dx] != 0 || Data[dy] != 0)))
    return u"matrix(" + num(Data[m11]) + u"," + num(Data[m12]) + u"," + num(Data[m21]) + u"," +
           num(Data[m22]) + u"," + num(Data[dx]) + u"," + num(Data[dy]) + u")";
  String s;
  if (!SameSingle(Data[dx], 0) || !SameSingle(Data[dy], 0)) {
    const StringView unit = UsePX ? u"px" : u"";
    s = u"translate(" + num(Data[dx]) + String(unit) + u"," + num(Data[dy]) + String(unit) + u")";
  }
  if (isScaleKind(Flags)) s += u" scale(" + num(Data[m11]) + u"," + num(Data[m22]) + u")";
  return s;
}

String THtMatrixData::AsStringScaleRotate() const {
  if (Flags == mfRotation)
    return u"matrix(" + num(Data[m11]) + u"," + num(Data[m12]) + u"," + num(Data[m21]) + u"," +
           num(Data[m22]) + u",0,0)";
  if (!SameSingle(Data[m11], 1) || !SameSingle(Data[m22], 1))
    return u" scale(" + num(Data[m11]) + u"," + num(Data[m22]) + u")";
  return String();
}

// ---------------------------------------------------------------------------
// THtCustomMatrix

THtCustomMatrix::THtCustomMatrix(float m11, float m12, float m21, float m22, float dx, float dy) {
  Matrix.Init(m11, m12, m21, m22, dx, dy);
}

std::unique_ptr<THtCustomMatrix> THtCustomMatrix::CreateScaled(float ScaleX, float ScaleY) {
  return std::make_unique<THtCustomMatrix>(ScaleX, 0, 0, ScaleY, 0, 0);
}

std::unique_ptr<THtCustomMatrix> THtCustomMatrix::CreateRotation(float AAngle) {
  auto m = std::make_unique<THtCustomMatrix>();
  m->Matrix = THtMatrixData::CreateRotation(AAngle);
  return m;
}

float THtCustomMatrix::Determinant() const {
  const float* d = Matrix.Data;
  return d[THtMatrixData::m11] * d[THtMatrixData::m22] - d[THtMatrixData::m12] * d[THtMatrixData::m21];
}

std::unique_ptr<THtCustomMatrix> THtCustomMatrix::Clone() const {
  auto m = std::make_unique<THtCustomMatrix>();
  m->Matrix = Matrix;
  return m;
}

String THtCustomMatrix::AsString(bool UsePX) const {
  const float* d = Matrix.Data;
  using M = THtMatrixData;
  if (Matrix.Flags == mfRotation)
    return u"matrix(" + num(d[M::m11]) + u"," + num(d[M::m12]) + u"," + num(d[M::m21]) + u"," +
           num(d[M::m22]) + u"," + num(d[M::dx]) + u"," + num(d[M::dy]) + u")";
  String s;
  if (!SameSingle(d[M::dx], 0) || !SameSingle(d[M::dy], 0)) {
    const StringView unit = UsePX ? u"px" : u"";
    s = u" translate(" + num(d[M::dx]) + String(unit) + u"," + num(d[M::dy]) + String(unit) + u")";
  }
  if (!SameSingle(d[M::m11], 1) || !SameSingle(d[M::m22], 1))
    s += u" scale(" + num(d[M::m11]) + u"," + num(d[M::m22]) + u")";
  return s;
}

// ---------------------------------------------------------------------------
// THtCustomMatrixStack

THtCustomMatrixStack::THtCustomMatrixStack(bool AOwnsObjects)
    : THtObjectListOf<THtCustomMatrix>(AOwnsObjects), CurrentMatrix(new THtCustomMatrix()) {}

THtCustomMatrixStack::~THtCustomMatrixStack() {
  delete CurrentMatrix;
  // Saved matrices are copies the stack made itself; a list that does not
  // own its items would otherwise lose them.
  if (!OwnsObjects()) {
    for (int i = 0; i < Count(); ++i) delete Get(i);
    Clear();
  }
}

void THtCustomMatrixStack::SaveState() {
  auto copy = CurrentMatrix->Clone();
  Add(CurrentMatrix);
  CurrentMatrix = copy.release();
}

void THtCustomMatrixStack::RestoreState() {
  if (Count() == 0) throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"matrix.cpp", __LINE__);
  delete CurrentMatrix;
  CurrentMatrix = Extract(Last());
}

}  // namespace ht
