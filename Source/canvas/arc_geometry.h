#pragma once
// Arc geometry shared by the path-data parser and the path records: the SVG
// endpoint-to-centre arc conversion, the conversion between polar and
// parametric angles of an ellipse, and cubic Bezier approximations of
// elliptical arcs.
//
// A point of an ellipse with radii Rx, Ry has a parametric angle t (the point
// is (Rx cos t, Ry sin t) from the centre) and a polar angle (the direction of
// the line from the centre to it). Arc records keep polar angles in degrees;
// the Bezier and position routines take parametric ones.
#include "canvas/path.h"
#include "platform/rtl/geometry.h"

namespace ht {

// Radians: the polar angle of the point with parametric angle Angle, in
// 0..2pi.
float XEllipse(float Angle, float Rx, float Ry);
// Radians: the inverse of XEllipse (polar to parametric), in 0..2pi.
float XCircle(float Angle, float Rx, float Ry);

// The SVG arc from (X0, Y0) to (X, Y) in centre form, computed in single
// precision: centre (CX, CY), polar start angle and sweep in degrees. Equal
// end points or a zero radius give the start point as centre and zero
// angles. Radii too small to reach the end point are scaled up as SVG
// prescribes; the radii actually used come back in UsedRx / UsedRy when
// given. A centre that is not a number means no arc can be drawn.
void CalcArc(float X0, float Y0, float X, float Y, float Rx, float Ry, float Phi, bool LargeFlag,
             bool SweepFlag, float& CX, float& CY, float& AStart, float& ASweep, float* UsedRx = nullptr,
             float* UsedRy = nullptr);

// Cubic Bezier points of the arc of the ellipse centred at (CX, CY) with radii
// RX, RY from the parametric StartAngle sweeping SweepAngle (radians): the
// start point followed by three points per segment of at most 90 degrees
// (3n + 1 points). A zero or non-finite sweep leaves Pts unchanged. Sweeps of
// more than a full turn keep their end point but trace at most two turns.
void ArctoBezier(float CX, float CY, float RX, float RY, double StartAngle, double SweepAngle, TPointFArray& Pts);

// (Center.X + RadiusX cos a, Center.Y + RadiusY sin a), a = Angle in degrees.
TPointF GetPositionForAngle(double Angle, const TPointF& Center, float RadiusX, float RadiusY);

// The parametric start angle and sweep (radians) of an arc given by its box
// width and height and its polar StartAngle and SweepAngle (degrees). Whole
// turns of the sweep are kept (a sweep of 360 degrees gives 2pi).
void ArcParametric(float w, float h, float StartAngle, float SweepAngle, double& T0, double& DT);

// The start and end points of an arc record's arc (box X, Y, w, h; polar
// angles in degrees).
TPointF ArcStartPoint(float X, float Y, float w, float h, float StartAngle);
TPointF ArcEndPoint(float X, float Y, float w, float h, float StartAngle, float SweepAngle);

}  // namespace ht
