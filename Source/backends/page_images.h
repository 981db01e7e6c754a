#pragma once
// Page images: a recorded page (a THtPageMeta of a recording canvas) played
// onto a white image surface, as pixels or as PNG. The page is replayed
// through a fresh canvas of its recording canvas's reference class, so a
// page recorded for the GDI back end is drawn by the GDI canvas, one recorded
// for Direct2D by the Direct2D canvas. Print previews show pages this way.
#include <memory>

#include "canvas/canvas_types.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/string.h"

namespace ht {

class THtCanvas;

// The page at Index of a recording canvas drawn at Scale times its pixel
// size (each side rounded, at least 1). Raises EListError for an index
// outside the pages and Exception "Page images need a recording canvas"
// when ACanvas records nothing; a scale that is not a positive finite
// number, or a picture of more than 2^28 pixels, raises
// Exception "Invalid page image scale".
std::unique_ptr<gdi::TBitmap> RenderPageBitmap(THtCanvas& ACanvas, int Index, float Scale = 1);
// The same picture as PNG bytes.
THtBytes PagetoPNG(THtCanvas& ACanvas, int Index, float Scale = 1);
// The PNG written to a file, which is only created once the picture is made;
// Exception "Cannot write <file>" when it cannot be written.
void SavePagetoPNG(THtCanvas& ACanvas, int Index, StringView FileName, float Scale = 1);

}  // namespace ht
