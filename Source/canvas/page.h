#pragma once
// One page of paged output.
#include <memory>

#include "canvas/canvas_types.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/object.h"

namespace ht {

// Class reference of the pages; Create(AWidthMM, AHeightMM, ANumber, ADPI)
// is the virtual constructor.
class THtPageClass : public TClassRef<THtPage, float, float, int, int> {
 public:
  using TClassRef::TClassRef;
};

class THtPage : public THtObject {
 public:
  static const THtPageClass ClassType;
  virtual const THtPageClass* ClassRefOf() const { return &ClassType; }

  // Landscape when wider than high; the pixel size is rounded halves to even.
  THtPage(float AWidthMM, float AHeightMM, int ANumber, int ADPI);

  // nullptr in the base.
  virtual std::unique_ptr<THtImage> AsImage(int AWidth, int DPI);
  // Both raise Exception "Metafile is not implemented for class <name>".
  virtual THtBytes AsMetaFileBytes();
  virtual THtObject* AsMetaFile();

  int Number;  // from 1
  float WidthMM, HeightMM;
  int WidthPx, HeightPx;
  int DPI;
  TCSSOrientation Orientation;
  bool Disabled = false;  // left out of output
};

}  // namespace ht
