#pragma once
// Scope guards of the painting routines: every saved state is restored and
// smoothing switched back on when a routine ends, also when drawing raises.
#include "canvas/canvas.h"

namespace ht {

class TSavedState {
 public:
  explicit TSavedState(THtCanvas& G) : FG(G) { FG.SaveState(); }
  ~TSavedState() { FG.RestoreState(); }
  TSavedState(const TSavedState&) = delete;
  TSavedState& operator=(const TSavedState&) = delete;

 private:
  THtCanvas& FG;
};

// Smoothing back on at the end of the scope.
class TSmoothingOn {
 public:
  explicit TSmoothingOn(THtCanvas& G) : FG(G) {}
  ~TSmoothingOn() { FG.SetSmoothingMode(true); }
  TSmoothingOn(const TSmoothingOn&) = delete;
  TSmoothingOn& operator=(const TSmoothingOn&) = delete;

 private:
  THtCanvas& FG;
};

}  // namespace ht
