#pragma once
// Images of the Direct2D back end: THtImageDX decodes through the imaging
// component, keeps the frame table of an animation and composes its current
// frame for a render target; THtBitmapDX is the back end's bitmap class.
//
// Animated GIFs are composed by the engine's GIF codec, from the frame
// composed last to the one to show (from frame 0 again when the animation
// went back), so the previous frame's disposal, disposal 3 and frames
// skipped between two paints all come out as the codec's own pictures. The
// codec composes in the surfaces' own pixel layout and the frame bitmaps lie
// over its picture, so a frame costs no more than the codec's compositing.
#include <atomic>
#include <memory>
#include <vector>

#include "backends/gp_images.h"
#include "canvas/image.h"
#include "platform/d2d/d2d.h"
#include "platform/d2d/wic.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/stream.h"

namespace ht {

class THtGifImage;

HT_DECLARE_EXCEPTION(EInvalidGraphic, Exception);

// Raises EInvalidGraphic "Invalid image. Error <Code>" for a failed code.
void CheckImageResult(d2d::HRESULT Code);

// The stream adapter whose Stat clears the whole record first, so fields
// the adapter leaves unset read as zero.
class TStreamAdapterFix : public d2d::TStreamAdapter {
 public:
  using TStreamAdapter::TStreamAdapter;
  d2d::HRESULT Stat(d2d::STATSTG* Stat, uint32_t Flags) override;
};

// The decoder of the GIF provider: its frames are the frames as stored (at
// their own size), its metadata the codec's blocks.
class TGifWICDecoder : public d2d::IWICBitmapDecoder {
 public:
  explicit TGifWICDecoder(std::shared_ptr<THtGifImage> AGif) : Gif(std::move(AGif)) {}
  d2d::HRESULT GetContainerFormat(d2d::GUID_ContainerFormat* Format) override;
  d2d::HRESULT GetFrameCount(d2d::UINT* Count) override;
  d2d::HRESULT GetFrame(d2d::UINT Index, std::shared_ptr<d2d::IWICBitmapFrameDecode>* Frame) override;
  // "/logscrdesc/Width", "/logscrdesc/Height".
  d2d::HRESULT GetMetadataQueryReader(std::shared_ptr<d2d::IWICMetadataQueryReader>* Reader) override;
  std::shared_ptr<THtGifImage> Gif;
};

// Registers the GIF decoder of the imaging component (or replaces it).
void HtRegisterGifWICDecoder();
void HtUnregisterGifWICDecoder();

// One frame of an animation's frame table.
struct THtDXFrame {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Delay = 0;     // milliseconds
  int32_t Disposal = 0;  // GIF disposal code
  bool Transparent = true;
};

class THtImageDX : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }

  THtImageDX();
  ~THtImageDX() override;

  TStream* GetSourceStream() override { return FSourceStream.get(); }
  // Decodes the bytes; bytes no decoder reads leave the image not loaded.
  // Raises EInvalidGraphic when a decoder fails half-way.
  void LoadFromBytes(const THtBytes& ABytes, bool InLoader) override;
  // Called by the animation thread: adds Elapsed (ms) and moves on once the
  // frame's delay has passed; an animation whose loops are used up stays on
  // its last frame for good. True when the frame to show changed.
  bool NextFrame(int Elapsed) override;
  int FrameDelay(int Index) const;
  // Called by the painting thread: composes the current frame into the
  // frame buffer and makes (or updates) the frame bitmap for Target.
  void PrepareFrame(d2d::ID2D1RenderTarget* Target);

  int CurrentFrame() const { return FCurrentFrame.load(); }
  void SetCurrentFrame(int Index) { FCurrentFrame.store(Index); }
  bool Finished() const { return FFinished.load(); }
  int ShownFrame() const { return FShownFrame; }
  uint32_t FrameCount() const { return FFrameCount; }
  uint32_t LoopCount() const { return FLoopCount; }
  int FirstDelay() const { return FFirstDelay; }
  const std::vector<THtDXFrame>& Frames() const { return FFrames; }
  // The composed picture (premultiplied BGRA); for a GIF it lies over the
  // codec's picture, as do the frame bitmaps made from it.
  const std::shared_ptr<d2d::IWICBitmap>& FrameBuffer() const { return FFrameBuffer; }

  std::shared_ptr<d2d::IWICBitmap> FDecoded;       // the first frame (whole picture of a still image)
  std::shared_ptr<d2d::ID2D1Bitmap> FFrameBitmap;  // composed frame, or the device-sized bitmap
  uint64_t FTargetVersion = 0;                     // the canvas target FFrameBitmap was made for

 private:
  // Everything after the bytes are kept: decoder, size, frames.
  void decode(d2d::IWICImagingFactory& WIC);
  void readFrameTable();

  int FFirstDelay = 10;
  uint32_t FFrameCount = 0;
  std::atomic<uint32_t> FLoopCount{0};
  int FShownFrame = -1;
  std::atomic<int> FCurrentFrame{0};
  std::atomic<bool> FFinished{false};
  std::shared_ptr<d2d::IWICBitmapDecoder> FDecoder;
  std::shared_ptr<d2d::IStream> FStream;
  int FElapsed = 0;
  std::unique_ptr<TMemoryStream> FSourceStream;
  std::vector<THtDXFrame> FFrames;
  std::shared_ptr<d2d::IWICBitmap> FFrameBuffer;
  std::shared_ptr<THtGifImage> FGif;
  // A GIF animation's frame buffer: the codec's own picture, composed in
  // place (no copy per frame).
  std::shared_ptr<core::TCoreSurface> FPicture;
};

// The back end's bitmap: a GDI+ bitmap with a Direct2D bitmap slot.
class THtBitmapDX : public THtBitmapGP {
 public:
  static const THtBitmapClass ClassType;
  const THtBitmapClass* ClassRefOf() const override { return &ClassType; }
  THtBitmapDX(int AWidth, int AHeight, bool DIB) : THtBitmapGP(AWidth, AHeight, DIB) {}
  std::shared_ptr<d2d::ID2D1Bitmap1> D2DBitmap;  // not filled by the canvas
};

}  // namespace ht
