#include "canvas/path.h"

#include <algorithm>

#include "canvas/path_data_parser.h"
#include "canvas/path_records.h"

namespace ht {

const THtPathClass THtPath::ClassType{"THtPath", nullptr, nullptr};

THtPath::THtPath(bool AForClip) : FForClip(AForClip) {}

THtPath::~THtPath() = default;

THtPath::THtPath(const THtPath& A) : THtObject(), FForClip(A.FForClip), FFillModeWindings(A.FFillModeWindings) {}

THtPath& THtPath::operator=(const THtPath& A) {
  FForClip = A.FForClip;
  FFillModeWindings = A.FFillModeWindings;
  return *this;
}

void THtPath::SetCustomPath(std::unique_ptr<THtCustomPath> APath) {
  FOwnedCustomPath = std::move(APath);
  FCustomPath = FOwnedCustomPath.get();
}

void THtPath::AddLine(float x1, float y1, float x2, float y2) {
  MoveTo(x1, y1);
  LineTo(x2, y2);
}

void THtPath::AddRectangle(float X, float Y, float w, float h) {
  AddLine(X, Y, X + w, Y);
  LineTo(X + w, Y + h);
  LineTo(X, Y + h);
  LineTo(X, Y);
}

void THtPath::AddRoundRect(float X, float Y, float w, float h, float RadiusX, float RadiusY) {
  const float ew = std::min(2 * RadiusX, w);
  const float eh = std::min(2 * RadiusY, h);
  const float R = X + w, B = Y + h;
  AddLine(X + RadiusX, Y, R - RadiusX, Y);
  AddArc(R - ew, Y, ew, eh, 270, 90, 1.0f);
  LineTo(R, B - RadiusY);
  AddArc(R - ew, B - eh, ew, eh, 360, 90, 1.0f);
  LineTo(X + RadiusX, B);
  AddArc(X, B - eh, ew, eh, 90, 90, 1.0f);
  LineTo(X, Y + RadiusY);
  AddArc(X, Y, ew, eh, 180, 90, 1.0f);
}

void THtPath::AddBeziers(const TPointFArray&) {}

void THtPath::AddQBeziers(const TPointFArray& Points) { ht::AddQBeziers(*this, Points); }

void THtPath::Parse(StringView s) { ParsePathData(*this, s); }

String THtPath::AsString() const { return FCustomPath ? FCustomPath->AsString() : String(); }

void THtPath::AddEllipse(float X, float Y, float w, float h) { AddArc(X, Y, w, h, 0, 359.9f, 1.0f); }

}  // namespace ht
