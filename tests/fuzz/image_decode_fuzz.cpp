// libFuzzer target: every decoder of the registry (GIF included) on
// arbitrary bytes, then the same bytes through the GDI back end's image
// (with the core converter registered) and the Direct2D back end's image,
// composing every frame of an animation. A decode either fails or yields
// frames of exactly width x height pixels within the budget; a GDI image
// either stays not loaded or has its bitmap's size; a crash, a hang or a
// read past a buffer is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backends/backends_startup.h"
#include "backends/canvas_dx.h"
#include "backends/dx_images.h"
#include "backends/gdi_images.h"
#include "platform/core/core_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (ht::HtBackendsInitialize(),
                               ht::THtDocumentConverter::RegisterImageConverter(
                                   std::make_shared<ht::CoreImageConverter>()),
                               true);
  (void)started;
  ht::THtImageGDI gdiImage;
  gdiImage.LoadFromBytes(ht::THtBytes(data, data + size), false);
  if (gdiImage.IsLoaded() && (!gdiImage.Bitmap || gdiImage.Bitmap->Width() != gdiImage.Width)) std::abort();
  ht::core::TCoreImage img;
  if (ht::core::DecodeImage(data, size, img)) {
    if (!ht::core::WithinPixelBudget(img.Width, img.Height, int64_t(img.Frames.size()))) std::abort();
    for (const auto& f : img.Frames)
      if (f.Bits.size() != size_t(img.Width) * size_t(img.Height) * 4) std::abort();
  }
  ht::THtImageDX dx;
  try {
    dx.LoadFromBytes(ht::THtBytes(data, data + size), false);
  } catch (const ht::EInvalidGraphic&) {
    return 0;  // a decoder that fails half-way is a clear error
  }
  if (!dx.IsLoaded() || !dx.Animated) return 0;
  if (!ht::core::WithinPixelBudget(dx.Width, dx.Height)) std::abort();
  // Every frame composed on a small target, as a paint would.
  auto& helper = ht::D2DHelper();
  std::shared_ptr<ht::d2d::IWICBitmap> buffer;
  helper.WICFactory()->CreateBitmap(1, 1, ht::d2d::GUID_WICPixelFormat32bppPBGRA, ht::d2d::WICBitmapCacheOnLoad,
                                    &buffer);
  std::shared_ptr<ht::d2d::ID2D1RenderTarget> target;
  helper.D2DFactory->CreateWicBitmapRenderTarget(buffer, ht::d2d::D2D1_RENDER_TARGET_PROPERTIES(), &target);
  for (uint32_t i = 0; i < dx.FrameCount(); ++i) {
    dx.SetCurrentFrame(int(i));
    dx.PrepareFrame(target.get());
    dx.NextFrame(1000);
  }
  return 0;
}
