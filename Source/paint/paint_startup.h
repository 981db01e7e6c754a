#pragma once
// Start-up and shut-down of the painting unit: the layout unit's start-up,
// then the paint services that the element and document classes forward
// to. Calls nest; the last finalisation puts the neutral services back.
namespace ht {

struct THtPaintServices;

void HtPaintInitialize();
void HtPaintFinalize();
// The table the start-up installs.
const THtPaintServices& PaintUnitServices();

}  // namespace ht
