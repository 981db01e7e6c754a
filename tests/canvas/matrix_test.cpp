#include "canvas/matrix.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/string.h"

namespace ht {
namespace {

THtMatrixData make(float a, float b, float c, float d, float e, float f) {
  THtMatrixData m;
  m.Init(a, b, c, d, e, f);
  return m;
}

void expectEntries(const THtMatrixData& m, std::initializer_list<float> want, float tol = 1e-5f) {
  int i = 0;
  for (float w : want) {
    EXPECT_NEAR(m.Data[i], w, tol) << "entry " << i;
    ++i;
  }
}

TEST(MatrixFlags, ClassificationThresholds) {
  struct Case {
    float e[6];
    THtMatrixFlag kind;
  } cases[] = {
      {{1, 0, 0, 1, 0, 0}, mfIdentity},
      {{1, 0, 0, 1, 0.00005f, 0}, mfIdentity},      // inside the 1e-4 tolerance
      {{1, 0, 0, 1, 0.0002f, 0}, mfTranslation},
      {{1.00005f, 0, 0, 1, 0, 0}, mfIdentity},
      {{2, 0, 0, 1, 5, 0}, mfScale},
      {{-5e-8f, 0, 0, 1, 0, 0}, mfScale},           // not negative by the -1e-7 threshold
      {{-1, 0, 0, 1, 0, 0}, mfNegativeScale},
      {{1, 2e-6f, 0, 1, 0, 0}, mfRotation},         // rotation uses 1e-6
      {{1, 5e-7f, 0, 1, 0, 0}, mfIdentity},
  };
  for (const Case& c : cases) {
    THtMatrixData m = make(c.e[0], c.e[1], c.e[2], c.e[3], c.e[4], c.e[5]);
    EXPECT_EQ(m.Flags, c.kind) << c.e[0] << " " << c.e[1] << " " << c.e[4];
  }
}

TEST(MatrixMultiply, IdentityKindChangesNothingNotEvenTheKind) {
  THtMatrixData m = make(2, 0, 0, 3, 4, 5);
  THtMatrixData tiny;  // identity kind with a sub-tolerance offset
  tiny.Translate(0.00005f, 0);
  ASSERT_EQ(tiny.Flags, mfIdentity);
  m.Multiply(tiny);
  expectEntries(m, {2, 0, 0, 3, 4, 5});
  EXPECT_EQ(m.Flags, mfScale);
}

TEST(MatrixMultiply, AppliesTheArgumentFirst) {
  THtMatrixData m = make(2, 0, 0, 2, 10, 0);  // scale then move
  m.Multiply(make(1, 0, 0, 1, 5, 7));         // the translation acts first
  const TPointF p = m.TransformPoint(TPointF(1, 1));
  EXPECT_FLOAT_EQ(p.X, (1 + 5) * 2 + 10);
  EXPECT_FLOAT_EQ(p.Y, (1 + 7) * 2);
  EXPECT_EQ(m.Flags, mfScale);
}

TEST(MatrixMultiply, ScaleShortcutUsesTheTighterNegativeThreshold) {
  THtMatrixData m;
  m.Multiply(make(-5e-8f, 0, 0, 1, 0, 0));
  EXPECT_EQ(m.Flags, mfNegativeScale);
  THtMatrixData t = make(1, 0, 0, 1, 3, 0);
  t.Multiply(make(2, 0, 0, 2, 0, 0));
  EXPECT_EQ(t.Flags, mfScale);
  expectEntries(t, {2, 0, 0, 2, 3, 0});
}

TEST(MatrixMultiply, RotationReclassifies) {
  THtMatrixData m = make(2, 0, 0, 2, 0, 0);
  m.Multiply(THtMatrixData::CreateRotation(90));
  EXPECT_EQ(m.Flags, mfRotation);
  // A rotation by -90 after it brings the linear part back to a scale.
  m.Multiply(THtMatrixData::CreateRotation(-90));
  EXPECT_EQ(m.Flags, mfScale);
  expectEntries(m, {2, 0, 0, 2, 0, 0});
}

TEST(MatrixTranslate, KindFollowsTheOffsetNotTheResult) {
  THtMatrixData m;
  m.Translate(0.00005f, 0);
  EXPECT_EQ(m.Flags, mfIdentity);
  EXPECT_FLOAT_EQ(m.Data[THtMatrixData::dx], 0.00005f);
  m.Translate(1, 0);
  EXPECT_EQ(m.Flags, mfTranslation);
  m.Translate(-1.00005f, 0);  // back to zero: still a translation
  EXPECT_EQ(m.Flags, mfTranslation);
}

TEST(MatrixRotate, QuarterAndFullTurns) {
  THtMatrixData m;
  m.Rotate(90);
  expectEntries(m, {0, 1, -1, 0, 0, 0});
  EXPECT_EQ(m.Flags, mfRotation);
  THtMatrixData full;
  full.Rotate(360);
  EXPECT_EQ(full.Flags, mfIdentity);
  // Rotation acts after the existing transform: (1,0) moved by 10 then turned.
  THtMatrixData t = make(1, 0, 0, 1, 10, 0);
  t.Rotate(90);
  const TPointF p = t.TransformPoint(TPointF(1, 0));
  EXPECT_NEAR(p.X, 0, 1e-5);
  EXPECT_NEAR(p.Y, 11, 1e-5);
}

TEST(MatrixScale, ScalesTheOffsetsToo) {
  THtMatrixData m = make(1, 0, 0, 1, 10, 20);
  m.Scale(2, 3);
  expectEntries(m, {2, 0, 0, 3, 20, 60});
  EXPECT_EQ(m.Flags, mfScale);
}

TEST(MatrixInverse, RegularSingularAndRotated) {
  THtMatrixData m = make(2, 0, 0, 2, 10, 20);
  EXPECT_TRUE(m.Inverse());
  expectEntries(m, {0.5f, 0, 0, 0.5f, -5, -10});
  EXPECT_EQ(m.Flags, mfScale);

  THtMatrixData tiny = make(0.001f, 0, 0, 0.001f, 0, 0);  // det 1e-6
  EXPECT_TRUE(tiny.Inverse());
  expectEntries(tiny, {1, 0, 0, 1, 0, 0});
  EXPECT_EQ(tiny.Flags, mfIdentity);

  THtMatrixData t = make(1, 0, 0, 1, 10, -4);
  t.Inverse();
  expectEntries(t, {1, 0, 0, 1, -10, 4});
  EXPECT_EQ(t.Flags, mfTranslation);

  THtMatrixData r = THtMatrixData::CreateRotation(30);
  r.Translate(5, 6);
  r.Scale(2, 2);
  THtMatrixData inv = r;
  inv.Inverse();
  const TPointF p = inv.TransformPoint(r.TransformPoint(TPointF(3, -7)));
  EXPECT_NEAR(p.X, 3, 1e-4);
  EXPECT_NEAR(p.Y, -7, 1e-4);
}

TEST(MatrixTransform, IntegerPointRoundsHalvesToEven) {
  const THtMatrixData m = make(2.5f, 0, 0, 2.5f, 0, 0);
  const TPoint p = m.TransformPoint(TPoint(1, 1));
  EXPECT_EQ(p.X, 2);
  EXPECT_EQ(p.Y, 2);
  const TPoint q = make(1, 0, 0, 1, 0.5f, 1.5f).TransformPoint(TPoint(3, 0));
  EXPECT_EQ(q.X, 4);  // 3.5 -> 4
  EXPECT_EQ(q.Y, 2);  // 1.5 -> 2
}

TEST(MatrixTransform, RectanglesByKind) {
  const TRectF r(0, 0, 10, 20);
  const TRectF t = make(1, 0, 0, 1, 5, 6).TransformRect(r);
  EXPECT_EQ(t.Left, 5);
  EXPECT_EQ(t.Bottom, 26);

  const TRectF flipped = make(-1, 0, 0, 1, 0, 0).TransformRect(r);
  EXPECT_EQ(flipped.Left, -10);
  EXPECT_EQ(flipped.Right, 0);

  const TRectF rot = THtMatrixData::CreateRotation(90).TransformRect(TRectF(1, 2, 3, 5));
  // (x, y) -> (-y, x): the four corners span x in [-5, -2] and y in [1, 3].
  EXPECT_NEAR(rot.Left, -5, 1e-5);
  EXPECT_NEAR(rot.Right, -2, 1e-5);
  EXPECT_NEAR(rot.Top, 1, 1e-5);
  EXPECT_NEAR(rot.Bottom, 3, 1e-5);

  THtMatrixData rot45 = THtMatrixData::CreateRotation(45);
  const TRectF b = rot45.TransformRect(TRectF(0, 0, 2, 2));
  EXPECT_NEAR(b.Left, -std::sqrt(2.0f), 1e-5);  // reached by the bottom-left corner only
  EXPECT_NEAR(b.Right, std::sqrt(2.0f), 1e-5);  // reached by the top-right corner only
  EXPECT_NEAR(b.Bottom, 2 * std::sqrt(2.0f), 1e-5);
}

TEST(MatrixScales, ScaleMeasuresAndSameScaleRotate) {
  const THtMatrixData m = make(3, -4, 1, 2, 7, 8);
  EXPECT_FLOAT_EQ(m.XScale(), 7);
  EXPECT_FLOAT_EQ(m.YScale(), 3);
  EXPECT_FLOAT_EQ(m.ScaleFactor(), 5);
  EXPECT_TRUE(m.SameScaleRotate(make(3, -4, 1, 2, 0, 0)));
  EXPECT_FALSE(m.SameScaleRotate(make(3, -4, 1, 2.00001f, 7, 8)));
}

TEST(MatrixText, CssTransformTexts) {
  struct Case {
    THtMatrixData m;
    const char16_t* data;        // THtMatrixData::AsString(true)
    const char16_t* custom;      // THtCustomMatrix::AsString(true)
    const char16_t* scaleRotate;
  } cases[] = {
      {make(1, 0, 0, 1, 10, 0.5f), u"translate(10px,.5px)", u" translate(10px,.5px)", u""},
      {make(2, 0, 0, 2, 3, 4), u"matrix(2,0,0,2,3,4)", u" translate(3px,4px) scale(2,2)", u" scale(2,2)"},
      {make(2, 0, 0, 0.5f, 0, 0), u" scale(2,.5)", u" scale(2,.5)", u" scale(2,.5)"},
      {make(1, 0, 0, 1, 0, 0), u"", u"", u""},
      {make(0, 1, -1, 0, 1.23456f, 0), u"matrix(0,1,-1,0,1.2346,0)", u"matrix(0,1,-1,0,1.2346,0)",
       u"matrix(0,1,-1,0,0,0)"},
  };
  for (const Case& c : cases) {
    THtCustomMatrix cm;
    cm.Matrix = c.m;
    EXPECT_EQ(StringToUtf8(c.m.AsString(true)), StringToUtf8(c.data));
    EXPECT_EQ(StringToUtf8(cm.AsString(true)), StringToUtf8(c.custom));
    EXPECT_EQ(StringToUtf8(c.m.AsStringScaleRotate()), StringToUtf8(c.scaleRotate));
  }
  EXPECT_EQ(StringToUtf8(make(1, 0, 0, 1, 10, 0.5f).AsString(false)), "translate(10,.5)");
}

TEST(MatrixCustom, CloneDeterminantAndFactories) {
  auto s = THtCustomMatrix::CreateScaled(2, 3);
  EXPECT_EQ(s->Matrix.Flags, mfScale);
  EXPECT_FLOAT_EQ(s->Determinant(), 6);
  auto c = s->Clone();
  c->Translate(1, 1);
  EXPECT_FLOAT_EQ(s->Matrix.Data[THtMatrixData::dx], 0);
  EXPECT_FALSE(s->IsIdentity());
  auto r = THtCustomMatrix::CreateRotation(90);
  EXPECT_TRUE(r->HasRotation());
}

TEST(MatrixStack, SaveMultiplyRestore) {
  THtCustomMatrixStack stack(true);
  EXPECT_THROW(stack.RestoreState(), EAssertionFailed);
  EXPECT_TRUE(stack.CurrentMatrix->IsIdentity());

  stack.CurrentMatrix->Translate(5, 0);
  stack.SaveState();
  stack.Multiply(make(2, 0, 0, 2, 0, 0));
  EXPECT_FLOAT_EQ(stack.CurrentMatrix->Matrix.Data[THtMatrixData::m11], 2);
  stack.RestoreState();
  EXPECT_EQ(stack.Count(), 0);
  expectEntries(stack.CurrentMatrix->Matrix, {1, 0, 0, 1, 5, 0});
  EXPECT_EQ(stack.CurrentMatrix->Matrix.Flags, mfTranslation);

  // Saved matrices still on the stack are freed with it (checked by ASan).
  stack.SaveState();
  stack.SaveState();
}

TEST(MatrixStack, NonOwningStackFreesItsSavedMatrices) {
  // The saved matrices are the stack's own copies; LeakSanitizer reports
  // them if the destructor leaves them to a list that does not own them.
  THtCustomMatrixStack stack(false);
  stack.CurrentMatrix->Translate(1, 2);
  stack.SaveState();
  stack.SaveState();
  stack.RestoreState();
  EXPECT_EQ(stack.Count(), 1);
  expectEntries(stack.CurrentMatrix->Matrix, {1, 0, 0, 1, 1, 2});
}

}  // namespace
}  // namespace ht
