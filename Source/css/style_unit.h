#pragma once
// Start-up and shutdown of the style-sheet unit. Start-up builds the
// property registry and then the default media set, before any CSS is
// parsed; shutdown frees the built-in sheet, the registered extensions and
// the registry, in that order.
namespace ht {

void InitStyleUnit();
void FinalizeStyleUnit();

}  // namespace ht
