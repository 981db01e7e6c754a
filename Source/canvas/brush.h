#pragma once
// Brushes: solid colours, linear and radial gradients, image brushes. Back
// ends derive their own brush class and name it through the canvas's
// BrushClass; the base keeps the state every back end needs and evaluates
// linear gradients point by point (CalcGradientColor).
#include <memory>
#include <type_traits>

#include "canvas/canvas_types.h"
#include "canvas/matrix.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"

namespace ht {

enum THtBrushKind : uint8_t { hbSolid, hbGradient, hbRadial, hbImage };

// Class reference of the brushes: the three virtual constructors of a brush
// class (Create, CreateGradient, CreateRadialGradient).
class THtBrushClass : public TClassRef<THtBrush, uint32_t> {
 public:
  using GradientFn = std::unique_ptr<THtBrush> (*)(const TRectF&, uint32_t, uint32_t, float, const TRectF&);
  using RadialFn = std::unique_ptr<THtBrush> (*)(float, float, float, float, float, float, float,
                                                 const THtMatrixData&);

  template <class B>
  constexpr THtBrushClass(std::string_view name, const THtBrushClass* parent, std::type_identity<B>)
      : TClassRef(name, parent, &CreateInstance<B, THtBrush, uint32_t>),
        gradient_(&makeGradient<B>),
        radial_(&makeRadial<B>) {}

  std::unique_ptr<THtBrush> CreateGradient(const TRectF& R, uint32_t StartColor, uint32_t EndColor,
                                           float AAngle, const TRectF& AFillRect) const {
    return gradient_(R, StartColor, EndColor, AAngle, AFillRect);
  }
  std::unique_ptr<THtBrush> CreateRadialGradient(float AOffsetX, float AOffsetY, float ACx, float ACy,
                                                 float AFX, float AFY, float ARadius,
                                                 const THtMatrixData& AMatrix) const {
    return radial_(AOffsetX, AOffsetY, ACx, ACy, AFX, AFY, ARadius, AMatrix);
  }

 private:
  template <class B>
  static std::unique_ptr<THtBrush> makeGradient(const TRectF& R, uint32_t s, uint32_t e, float a,
                                                const TRectF& f) {
    return std::make_unique<B>(R, s, e, a, f);
  }
  template <class B>
  static std::unique_ptr<THtBrush> makeRadial(float ox, float oy, float cx, float cy, float fx, float fy,
                                              float r, const THtMatrixData& m) {
    return std::make_unique<B>(ox, oy, cx, cy, fx, fy, r, m);
  }

  GradientFn gradient_;
  RadialFn radial_;
};

class THtBrush : public THtObject {
 public:
  static const THtBrushClass ClassType;
  virtual const THtBrushClass* ClassRefOf() const { return &ClassType; }

  // A solid brush.
  explicit THtBrush(uint32_t AColor);
  // A linear gradient; the base keeps neither colour (the stops come from
  // SetGradientColors). A negative angle becomes its equivalent in
  // [0, 360) and one that is not finite becomes 0.
  THtBrush(const TRectF& R, uint32_t StartColor, uint32_t EndColor, float AAngle, const TRectF& AFillRect);
  // A radial gradient.
  THtBrush(float AOffsetX, float AOffsetY, float ACx, float ACy, float AFX, float AFY, float ARadius,
           const THtMatrixData& AMatrix);

  virtual uint32_t GetColor() const { return FColor; }
  virtual void SetColor(uint32_t Value) { FColor = Value; }
  uint32_t Color() const { return GetColor(); }

  // Copies the stops; a gradient whose last position is not 1 gets one more
  // stop at 1 repeating the last colour.
  virtual void SetGradientColors(const TSingleArray& Positions, const TCardinalArray& Colors);
  // A new brush of the same class; the caller owns it. Image is not copied.
  virtual std::unique_ptr<THtBrush> Clone() const;

  // The colour of a linear gradient at a point of FillRect. Normalises Angle
  // first as the constructor does (the field is updated).
  uint32_t CalcGradientColor(float X, float Y);

  THtBrushKind Kind = hbSolid;
  float OffsetX = 0, OffsetY = 0, CX = 0, CY = 0, FX = 0, FY = 0, Radius = 0;
  THtMatrixData Matrix;  // the gradient's transformation
  float Angle = 0;       // linear gradient, degrees, kept at 0 or above
  TRectF GradientRect;
  TRectF FillRect;  // the reference frame of CalcGradientColor
  TCardinalArray GradientColors;
  TSingleArray GradientPositions;  // 0 to 1, ascending
  THtImage* Image = nullptr;       // image brushes; not owned

 protected:
  uint32_t FColor = 0;
};

}  // namespace ht
