#pragma once
// The platform's integer and float points and rectangles. Plain values: the
// routines that test and convert them live with the drawing surface.
namespace ht {

struct TPoint {
  int X = 0;
  int Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int AX, int AY) : X(AX), Y(AY) {}
};

struct TPointF {
  float X = 0;
  float Y = 0;
  constexpr TPointF() = default;
  constexpr TPointF(float AX, float AY) : X(AX), Y(AY) {}
};

// Right and Bottom lie just outside the rectangle.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int ALeft, int ATop, int ARight, int ABottom)
      : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom) {}
};

struct TRectF {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  constexpr TRectF() = default;
  constexpr TRectF(float ALeft, float ATop, float ARight, float ABottom)
      : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom) {}
};

}  // namespace ht
