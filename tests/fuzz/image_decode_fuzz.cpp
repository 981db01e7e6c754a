// libFuzzer target: every decoder of the registry (GIF included) on
// arbitrary bytes. A decode either fails or yields frames of exactly
// width x height pixels within the budget; a crash, a hang or a read past a
// buffer is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backends/gif_decoder.h"
#include "platform/core/core_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (ht::HtRegisterGifDecoder(), true);
  (void)registered;
  ht::core::TCoreImage img;
  if (!ht::core::DecodeImage(data, size, img)) return 0;
  if (!ht::core::WithinPixelBudget(img.Width, img.Height, int64_t(img.Frames.size()))) std::abort();
  for (const auto& f : img.Frames)
    if (f.Bits.size() != size_t(img.Width) * size_t(img.Height) * 4) std::abort();
  return 0;
}
