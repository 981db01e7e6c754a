#pragma once
// Off-screen bitmaps of the back ends (the base is abstract: the size and the
// pixels are the back end's business).
#include <memory>

#include "canvas/canvas_types.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"

namespace ht {

// Class reference of the bitmaps; Create(AWidth, AHeight, DIB) is the
// virtual constructor (none for the abstract base).
class THtBitmapClass : public TClassRef<THtBitmap, int, int, bool> {
 public:
  using TClassRef::TClassRef;
};

class THtBitmap : public THtObject {
 public:
  static const THtBitmapClass ClassType;
  virtual const THtBitmapClass* ClassRefOf() const { return &ClassType; }

  THtBitmap(int AWidth, int AHeight, bool DIB);

  virtual int GetHeight() const = 0;
  virtual int GetWidth() const = 0;
  // The platform drawing target of the bitmap.
  virtual THtObject* GetCanvas() const = 0;
  // Sets every pixel of R to Color, alpha included.
  virtual void FillRect(const TRect& R, uint32_t Color) = 0;
  virtual void CopyFromCanvas(const THtObject* Canvas, const TRect& R);
  virtual void DrawOnCanvas(const THtObject* Canvas, const TRectF& R, uint8_t Alpha, bool AlphaBlend) = 0;
  virtual void SetSize(int NewWidth, int NewHeight) = 0;

  int Width() const { return GetWidth(); }
  int Height() const { return GetHeight(); }
  THtObject* Canvas() const { return GetCanvas(); }

  int VerticalInverted = 1;  // 1: rows stored bottom-up, -1: top-down
};

}  // namespace ht
