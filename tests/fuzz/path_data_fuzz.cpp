// libFuzzer target: SVG path data from arbitrary text. Reading must end in
// a path or the reader's exception, never a crash or a hang; the path text
// written for a path of finite points must read back without error; and the
// record operations must cope with whatever the reader produced. The path is
// also replayed into a Direct2D path and filled, stroked, clipped with and
// hit-tested on a small DC scene.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backends/canvas_dx.h"
#include "canvas/matrix.h"
#include "canvas/path_data_parser.h"
#include "canvas/path_records.h"

namespace {

bool finitePoints(const ht::THtCustomPath& p) {
  for (int i = 0; i < p.Count(); ++i) {
    const ht::THtPathRec& r = p.Rec(i);
    if (!std::isfinite(r.Point.X) || !std::isfinite(r.Point.Y)) return false;
    for (const ht::TPointF& pt : r.Points)
      if (!std::isfinite(pt.X) || !std::isfinite(pt.Y)) return false;
  }
  return true;
}

void drawDX(ht::THtCustomPath& path) {
  static ht::gdi::TCanvas target([] {
    ht::gdi::HDC dc = ht::gdi::CreateCompatibleDC(nullptr);
    ht::gdi::SelectObject(dc, ht::gdi::CreateDIBSection32(64, 64, nullptr));
    return dc;
  }());
  static ht::THtCanvasDX canvas;
  static ht::THtPen pen(0xFF000000u, 1.5f);
  static ht::THtBrush brush(0x80FF0000u);
  ht::THtCanvasScene scene;
  scene.Init(ht::TRect(0, 0, 64, 64), &target);
  ht::THtPathDX dx(false);
  dx.AddPath(&path);
  canvas.BeginScene(scene);
  canvas.FillPath(&brush, &dx);
  canvas.DrawPath(&pen, &dx);
  canvas.SaveState();
  canvas.IntersectClip(&dx);
  canvas.FillRectangle(&brush, 0, 0, 64, 64);
  canvas.RestoreState();
  (void)canvas.ClassRefOf()->PointInPath(10, 10, &dx);
  canvas.EndScene();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Path data is ASCII text; each byte becomes one unit (Latin-1).
  ht::String text(size, u'\0');
  for (size_t i = 0; i < size; ++i) text[i] = char16_t(data[i]);

  ht::THtCustomPath path;
  ht::TryParsePathData(path, text);
  drawDX(path);

  const ht::String once = path.AsString();
  ht::THtCustomPath again;
  if (!ht::TryParsePathData(again, once) && finitePoints(path)) std::abort();

  ht::THtCustomPath flat;
  again.Flatten(0.5f, flat);
  ht::TRectF r;
  flat.GetBounds(r, nullptr);
  (void)again.IsRect();
  again.Transform(ht::THtMatrixData::CreateRotation(30));
  (void)again.AsString();
  return 0;
}
