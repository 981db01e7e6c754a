#pragma once
// Start-up and shut-down of the drawing back ends and the GIF codec.
// HtBackendsInitialize runs on the main thread after the style unit's
// start-up and before any document exists, so everything it creates is in
// place before the image-loader thread can reach it. Calls nest: only the
// first initialise and the last matching finalise act.
namespace ht {

void HtBackendsInitialize();
void HtBackendsFinalize();

// How many start-ups are in effect (0 when finalised).
int HtBackendsInitCount();

}  // namespace ht
