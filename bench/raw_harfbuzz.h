#pragma once
// The peer of the text benchmarks: harfbuzz used raw over the same font
// file the engine's Arial resolves to, scaled to its units per em.
#include <benchmark/benchmark.h>
#include <hb.h>

#include <cstdint>
#include <vector>

#include "platform/rtl/string.h"

namespace bench {

struct TRawHarfbuzzFont {
  hb_blob_t* blob = hb_blob_create_from_file("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf");
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  unsigned upem = hb_face_get_upem(face);
  hb_buffer_t* buf = hb_buffer_create();

  TRawHarfbuzzFont() { hb_font_set_scale(font, int(upem), int(upem)); }
  ~TRawHarfbuzzFont() {
    hb_buffer_destroy(buf);
    hb_font_destroy(font);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
  }
  TRawHarfbuzzFont(const TRawHarfbuzzFont&) = delete;
  TRawHarfbuzzFont& operator=(const TRawHarfbuzzFont&) = delete;

  // Shapes one run into buf; returns its glyph count.
  unsigned Shape(const ht::String& r) {
    hb_buffer_clear_contents(buf);
    hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(r.data()), int(r.size()), 0, int(r.size()));
    hb_buffer_guess_segment_properties(buf);
    hb_shape(font, buf, nullptr, 0);
    return hb_buffer_get_length(buf);
  }
};

// Measures every run at 16 px: shaping plus the sum of the advances.
inline void MeasureRunsWithRawHarfbuzz(benchmark::State& state, const std::vector<ht::String>& runs) {
  TRawHarfbuzzFont hb;
  for (auto _ : state)
    for (const ht::String& r : runs) {
      unsigned n = hb.Shape(r);
      const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(hb.buf, &n);
      long sum = 0;
      for (unsigned i = 0; i < n; ++i) sum += pos[i].x_advance;
      benchmark::DoNotOptimize(float(sum) * 16 / float(hb.upem));
    }
  state.SetItemsProcessed(int64_t(state.iterations() * runs.size()));
}

}  // namespace bench
