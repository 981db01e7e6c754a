// libFuzzer target: device-independent bitmaps into GIF files. Converting
// arbitrary bytes may raise only the codec's own exception, and whatever it
// answers must load again as a GIF; anything else (another exception, a
// crash, a read past a buffer, a huge allocation) is a finding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "backends/gif_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the flags; the rest is the bitmap.
  const bool flip = data[0] & 1, transparent = data[0] & 2;
  ht::TMemoryStream in(data + 1, size - 1);
  std::vector<uint8_t> gif;
  try {
    ht::THtGifImage::ConvertDIB(in, gif, flip, transparent);
  } catch (const ht::EHtGIFException&) {
    return 0;
  }
  ht::THtGifImage image;
  ht::TMemoryStream out(gif.data(), gif.size());
  image.LoadFromStream(out);  // our own output must load without an error
  if (image.Frames().Count() != 1) __builtin_trap();
  return 0;
}
