// libFuzzer target: SVG path data from arbitrary text. Reading must end in
// a path or the reader's exception, never a crash or a hang; the path text
// written for a path of finite points must read back without error; and the
// record operations must cope with whatever the reader produced.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Path data is ASCII text; each byte becomes one unit (Latin-1).
  ht::String text(size, u'\0');
  for (size_t i = 0; i < size; ++i) text[i] = char16_t(data[i]);

  ht::THtCustomPath path;
  ht::TryParsePathData(path, text);

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
