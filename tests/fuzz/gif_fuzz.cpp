// libFuzzer target: the GIF codec on arbitrary bytes. Loading, compositing
// every frame, saving and loading the saved bytes again may raise only the
// codec's own exception; anything else (another exception, a crash, a read
// past a buffer) is a finding.
#include <cstddef>
#include <cstdint>

#include "backends/gif_image.h"

namespace {

// Large screens and frames are legal (up to the codec's pixel budget), but
// compositing and encoding them takes seconds under the sanitizers: skip
// those steps for them to keep each input fast.
bool small(const ht::THtGifImage& image) {
  if (int64_t(image.Width()) * image.Height() > (1 << 20)) return false;
  for (int32_t i = 0; i < image.Frames().Count(); ++i) {
    const ht::THtGIFFrame* f = image.Frames().Frames(i);
    if (int64_t(f->Width()) * f->Height() > (1 << 20)) return false;
  }
  return true;
}

void composite(ht::THtGifImage& image) {
  for (int32_t i = 0; i < image.Frames().Count(); ++i) image.SetFrameIndex(i);
  image.Bitmap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ht::TMemoryStream saved;
  {
    ht::THtGifImage image;
    ht::TMemoryStream in(data, size);
    try {
      image.LoadFromStream(in);
    } catch (const ht::EHtGIFException&) {
    }
    if (!small(image)) return 0;
    try {
      composite(image);
    } catch (const ht::EHtGIFException&) {
    }
    try {
      image.SaveToStream(saved);
    } catch (const ht::EHtGIFException&) {
      return 0;
    }
  }
  ht::THtGifImage again;
  saved.SetPosition(0);
  try {
    again.LoadFromStream(saved);
    if (small(again)) composite(again);
  } catch (const ht::EHtGIFException&) {
  }
  return 0;
}
