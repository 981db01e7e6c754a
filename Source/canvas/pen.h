#pragma once
// Pens: colour, width, joins, caps, dash style and pattern. Back ends derive
// their own pen class and override the setters to update their platform pen.
#include <memory>

#include "canvas/canvas_types.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/object.h"

namespace ht {

enum THtLineJoin : uint8_t { ljMiter, ljBevel, ljRound };
enum THtLineCap : uint8_t { lcFlat, lcSquare, lcRound };
enum THtPenStyle : uint8_t { hpsSolid, hpsDash, hpsDot, hpsDashDot, hpsDashDotDot, hpsClear };
enum THtLineDrawMode : uint8_t { ldmCopy, ldmXOR };

// Class reference of the pens; Create(AColor, AWidth) is the virtual constructor.
class THtPenClass : public TClassRef<THtPen, uint32_t, float> {
 public:
  using TClassRef::TClassRef;
};

class THtPen : public THtObject {
 public:
  static const THtPenClass ClassType;
  virtual const THtPenClass* ClassRefOf() const { return &ClassType; }

  // Join ljMiter, cap lcFlat, style hpsSolid, dash offset 0, mode ldmCopy,
  // no dashes.
  THtPen(uint32_t AColor, float AWidth);

  virtual uint32_t GetColor() const { return FColor; }
  virtual float GetWidth() const { return FWidth; }
  virtual bool GetAlignInset() const { return false; }
  virtual THtPenStyle GetStyle() const { return FPenStyle; }
  virtual THtLineJoin GetLineJoin() const { return FLineJoin; }
  virtual float GetDashOffset() const { return FDashOffset; }
  virtual THtLineCap GetLineCap() const { return FLineCap; }
  virtual void SetColor(uint32_t Value) { FColor = Value; }
  virtual void SetWidth(float Value) { FWidth = Value; }
  virtual void SetAlignInset(bool) {}
  virtual void SetStyle(THtPenStyle Value) { FPenStyle = Value; }
  virtual void SetLineJoin(THtLineJoin Value) { FLineJoin = Value; }
  virtual void SetDashOffset(float Value) { FDashOffset = Value; }
  virtual void SetLineCap(THtLineCap Value) { FLineCap = Value; }

  THtLineDrawMode Mode() const { return FMode; }
  void SetMode(THtLineDrawMode Value) { FMode = Value; }

  // Stores the lengths in multiples of the current width; empty clears. A
  // pen without a usable width (0 within 1e-4, negative or NaN) strokes a
  // one-pixel hairline, so its lengths are stored as multiples of 1.
  virtual void SetDashes(const TSingleArray& ADashes);
  // A new pen of the same class with this pen's state; the caller owns it.
  virtual std::unique_ptr<THtPen> Clone() const;
  // Copies the state through the setters; the dash pattern only when
  // ASource has one.
  virtual void Assign(const THtPen& ASource);

  TSingleArray Dashes;  // in multiples of the pen width

 protected:
  THtLineJoin FLineJoin = ljMiter;
  THtLineCap FLineCap = lcFlat;
  uint32_t FColor = 0;
  float FWidth = 0;
  THtPenStyle FPenStyle = hpsSolid;
  float FDashOffset = 0;
  THtLineDrawMode FMode = ldmCopy;
};

}  // namespace ht
