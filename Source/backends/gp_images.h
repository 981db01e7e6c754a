#pragma once
// The GDI+ back end's images, off-screen bitmaps and pages.
//
// THtImageGP decodes through the core's decoder registry (GIF included once
// the back ends have started); bytes no decoder reads leave it not loaded.
// THtBitmapGP is a 32-bit bottom-up DIB section selected into a memory DC,
// the bitmap class of every back end.
#include <atomic>
#include <memory>
#include <vector>

#include "canvas/bitmap.h"
#include "canvas/image.h"
#include "canvas/page.h"
#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/rtl/stream.h"

namespace ht {

class THtImageGP : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }

  THtImageGP() = default;
  ~THtImageGP() override;

  TStream* GetSourceStream() override { return FSourceStream.get(); }
  // SVG text only keeps its bytes; empty bytes load as an image of size 0;
  // anything else is decoded, and bytes no decoder reads are not loaded.
  void LoadFromBytes(const THtBytes& ABytes, bool InLoader) override;
  // Adds ElapsedMs; moves to the next frame (after the last: the first)
  // once the time reaches the frame's delay. Called by the animation thread.
  bool NextFrame(int ElapsedMs) override;
  // Shows the frame NextFrame chose. Called by the painting thread.
  void SelectFrame() override;
  // An image over the pixels of a bitmap (copied).
  void LoadFromPixels(const uint8_t* Top, int W, int H, int Stride);

  int FrameCount() const { return FFrameCount; }
  int Frame() const { return FFrame; }
  // Delays in hundredths of a second, one per frame of an animation.
  const std::vector<uint32_t>& Delays() const { return FDelays; }

  std::unique_ptr<gdiplus::Image> FImage;
  int FFrameCount = 0;
  int FActiveFrame = 0;
  std::atomic<int> FFrame{0};
  std::vector<uint32_t> FDelays;
  std::unique_ptr<TMemoryStream> FSourceStream;
  int FElapsed = 0;
};

class THtBitmapGP : public THtBitmap {
 public:
  static const THtBitmapClass ClassType;
  const THtBitmapClass* ClassRefOf() const override { return &ClassType; }

  THtBitmapGP(int AWidth, int AHeight, bool DIB);
  ~THtBitmapGP() override;

  int GetHeight() const override { return FHeight; }
  int GetWidth() const override { return FWidth; }
  // The bitmap itself: a scene accepts it as its target.
  THtObject* GetCanvas() const override { return const_cast<THtBitmapGP*>(this); }
  void FillRect(const TRect& R, uint32_t Color) override;
  void CopyFromCanvas(const THtObject* Canvas, const TRect& R) override;
  // Blended: stretched into R with the constant alpha; otherwise copied
  // unscaled to R's top-left.
  void DrawOnCanvas(const THtObject* Canvas, const TRectF& R, uint8_t Alpha, bool AlphaBlend) override;
  // Keeps the overlapping top-left part; 0 in either direction frees the
  // DIB and the DC.
  void SetSize(int NewWidth, int NewHeight) override;
  // Starts a clip path on the DC from the path's moves and lines.
  void ApplyClipPath(class THtPath* Path);

  // The pixels, top row first (the stride is negative: rows bottom-up).
  core::TCoreSurface* Surface() const { return FBitmap ? &FBitmap->Surface : nullptr; }

  int FWidth = 0, FHeight = 0;
  gdi::HBITMAP FBitmap = nullptr;
  gdi::HDC Handle = nullptr;
  uint8_t* Buffer = nullptr;  // the first byte: the bottom row
};

// The DC a platform canvas or a bitmap draws through; null for anything
// else.
gdi::HDC CanvasDC(const THtObject* Canvas);

}  // namespace ht
