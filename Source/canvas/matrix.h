#pragma once
// 2D affine matrices of the drawing surface.
//
// A point (x, y) is a row vector: x' = x*m11 + y*m21 + dx and
// y' = x*m12 + y*m22 + dy. Every matrix carries a cached kind that each
// operation keeps up to date so that hot paths can take shortcuts for the
// identity, pure translations and axis-aligned scales. The kinds are ordered
// by cost; a kind may over-state a matrix (a translation moved back to zero
// keeps mfTranslation) but no operation leaves it under-stating one.
#include <cstdint>
#include <memory>

#include "markup/object_list.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/numeric.h"
#include "platform/rtl/object.h"
#include "platform/rtl/rtl_errors.h"
#include "platform/rtl/string.h"

namespace ht {

enum THtMatrixFlag : uint8_t { mfIdentity, mfTranslation, mfScale, mfNegativeScale, mfRotation };

struct THtMatrixData {
  // Index names of Data.
  enum : int { m11 = 0, m12 = 1, m21 = 2, m22 = 3, dx = 4, dy = 5 };

  float Data[6] = {1, 0, 0, 1, 0, 0};
  THtMatrixFlag Flags = mfIdentity;

  void Init(float a11, float a12, float a21, float a22, float a31, float a32);
  void Reset();
  static THtMatrixData CreateRotation(float AAngle);
  static THtMatrixData Identity() { return THtMatrixData(); }

  // Points go through the old matrix first, then the rotation (degrees;
  // clockwise on a y-down device for a positive angle).
  void Rotate(float Angle);
  // Prepends M: the result maps a point first through M, then through the
  // old matrix.
  void Multiply(const THtMatrixData& M);
  // The offset acts after the linear part.
  void Translate(float ADx, float ADy);
  // The scaling acts after the existing transform.
  void Scale(float ScaleX, float ScaleY);
  // Replaces the entries by the adjugate; the kind is not touched.
  void Adjoint();
  // Inverts in place; a (nearly) singular matrix (|det| < 1e-4) becomes the
  // identity. Always true.
  bool Inverse();

  TPointF TransformPoint(const TPointF& P) const;
  // Maps the coordinates as floats and rounds halves to even.
  TPoint TransformPoint(const TPoint& P) const;
  // The axis-aligned bounds of R after mapping.
  TRectF TransformRect(const TRectF& R) const;

  float XScale() const;
  float YScale() const;
  float ScaleFactor() const;
  bool HasRotation() const { return Flags == mfRotation; }
  // The four linear entries equal within 1e-6; offsets are not compared.
  bool SameScaleRotate(const THtMatrixData& M) const;
  void UpdateFlags();

  // CSS transform text.
  String AsString(bool UsePX) const;
  String AsStringScaleRotate() const;
};
using PHtMatrixData = THtMatrixData*;

// One matrix as a heap object (an element's joint matrix, SVG elements).
class THtCustomMatrix : public THtObject {
 public:
  THtMatrixData Matrix;

  THtCustomMatrix() = default;
  THtCustomMatrix(float m11, float m12, float m21, float m22, float dx, float dy);
  static std::unique_ptr<THtCustomMatrix> CreateScaled(float ScaleX, float ScaleY);
  static std::unique_ptr<THtCustomMatrix> CreateRotation(float AAngle);

  void Reset() { Matrix.Reset(); }
  void Translate(float dx, float dy) { Matrix.Translate(dx, dy); }
  void Scale(float ScaleX, float ScaleY) { Matrix.Scale(ScaleX, ScaleY); }
  void Rotate(float Angle) { Matrix.Rotate(Angle); }
  bool Inverse() { return Matrix.Inverse(); }
  TPointF TransformPoint(const TPointF& P) const { return Matrix.TransformPoint(P); }
  TRectF TransformRect(const TRectF& R) const { return Matrix.TransformRect(R); }
  bool HasRotation() const { return Matrix.HasRotation(); }
  String AsStringScaleRotate() const { return Matrix.AsStringScaleRotate(); }

  void Multiply(const THtCustomMatrix& M) { Matrix.Multiply(M.Matrix); }
  void MultiplyData(const THtMatrixData& Data) { Matrix.Multiply(Data); }
  float Determinant() const;
  // The kind only; the entries are not re-examined.
  bool IsIdentity() const { return Matrix.Flags == mfIdentity; }
  std::unique_ptr<THtCustomMatrix> Clone() const;
  void Assign(const THtCustomMatrix& M) { Matrix = M.Matrix; }
  void GetMatrixData(THtMatrixData& Data) const { Data = Matrix; }
  // Differs from THtMatrixData::AsString: a leading blank before each
  // function and a scale part chosen by the entries, not by the kind.
  String AsString(bool UsePX) const;
};

// A current matrix with a stack of saved ones. Saved matrices move between
// the list and CurrentMatrix without copying on restore.
class THtCustomMatrixStack : public THtObjectListOf<THtCustomMatrix> {
 public:
  explicit THtCustomMatrixStack(bool AOwnsObjects);
  // Frees the current and the saved matrices, whether or not the list owns
  // its items.
  ~THtCustomMatrixStack() override;

  // Always present, always owned by the stack.
  THtCustomMatrix* CurrentMatrix;

  void SaveState();
  // Raises EAssertionFailed when nothing was saved; the current matrix is
  // then left as it was.
  void RestoreState();
  void Multiply(const THtMatrixData& M) { CurrentMatrix->Matrix.Multiply(M); }
};

}  // namespace ht
