#pragma once
// Start-up and shutdown of the style-sheet unit. Start-up builds the
// property registry, the default media set and the colour-name look-up, and
// installs the default theme-colour procedure on the markup nodes, before any
// CSS is parsed; shutdown frees the built-in sheet, the registered extensions and
// the registry, in that order.
namespace ht {

void InitStyleUnit();
void FinalizeStyleUnit();

}  // namespace ht
