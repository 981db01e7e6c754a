#pragma once
// The imaging component beside Direct2D: decoders, bitmap sources, WIC
// bitmaps, the premultiplied format converter and a linear scaler, over the
// core's image decoders. Every pixel buffer here is a core surface (32-bit
// premultiplied BGRA in memory), so a WIC bitmap can be the target of a
// render target (ID2D1Factory::CreateWicBitmapRenderTarget) without a copy.
//
// Decoders: providers registered by name are tried first, in order; the
// back ends register the GIF one over the engine's codec (frames at their
// own size and place, metadata from the codec). Anything else goes through
// the core's decoder registry, one frame per decoded frame, no metadata.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d2d/d2d.h"
#include "platform/rtl/stream.h"

namespace ht::d2d {

constexpr HRESULT WINCODEC_ERR_COMPONENTNOTFOUND = HR(0x88982F50), WINCODEC_ERR_PROPERTYNOTFOUND = HR(0x88982F40),
                  WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT = HR(0x88982F80), WINCODEC_ERR_WRONGSTATE = HR(0x88982F04),
                  WINCODEC_ERR_NOTINITIALIZED = HR(0x88982F0C), WINCODEC_ERR_FRAMEMISSING = HR(0x88982F62);

// Pixel formats (the GUIDs of the real API, as names).
enum WICPixelFormatGUID : uint32_t {
  GUID_WICPixelFormatDontCare,
  GUID_WICPixelFormat32bppBGR,    // alpha ignored: reads as opaque
  GUID_WICPixelFormat32bppBGRA,   // straight alpha
  GUID_WICPixelFormat32bppPBGRA,  // premultiplied alpha (the core's own layout)
};
enum GUID_ContainerFormat : uint32_t { GUID_ContainerFormatUnknown, GUID_ContainerFormatBmp,
                                       GUID_ContainerFormatPng, GUID_ContainerFormatIco,
                                       GUID_ContainerFormatJpeg, GUID_ContainerFormatTiff,
                                       GUID_ContainerFormatGif, GUID_ContainerFormatWebp };
enum WICBitmapCreateCacheOption : uint32_t { WICBitmapNoCache, WICBitmapCacheOnDemand, WICBitmapCacheOnLoad };
enum WICDecodeOptions : uint32_t { WICDecodeMetadataCacheOnDemand, WICDecodeMetadataCacheOnLoad };
enum WICBitmapAlphaChannelOption : uint32_t { WICBitmapUseAlpha, WICBitmapUsePremultipliedAlpha,
                                              WICBitmapIgnoreAlpha };
enum WICBitmapDitherType : uint32_t { WICBitmapDitherTypeNone };
enum WICBitmapPaletteType : uint32_t { WICBitmapPaletteTypeCustom = 0, WICBitmapPaletteTypeMedianCut = 1 };
enum WICBitmapInterpolationMode : uint32_t { WICBitmapInterpolationModeNearestNeighbor,
                                             WICBitmapInterpolationModeLinear };

struct WICRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
};

// A metadata value: VT_EMPTY, or an unsigned number (VT_UI1, VT_UI2, VT_BOOL).
enum VARTYPE : uint16_t { VT_EMPTY = 0, VT_BOOL = 11, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19 };
struct PROPVARIANT {
  VARTYPE vt = VT_EMPTY;
  uint32_t ulVal = 0;
};

// ---------------------------------------------------------------- streams
struct STATSTG {
  uint64_t cbSize = 0;
  uint32_t type = 0, grfMode = 0, grfLocksSupported = 0, reserved = 0;
  int64_t mtime = 0, ctime = 0, atime = 0;
};
enum STREAM_SEEK : uint32_t { STREAM_SEEK_SET, STREAM_SEEK_CUR, STREAM_SEEK_END };

class IStream : public IUnknown {
 public:
  virtual HRESULT Read(void* Buffer, uint32_t Count, uint32_t* Read) = 0;
  virtual HRESULT Seek(int64_t Move, STREAM_SEEK Origin, uint64_t* NewPosition) = 0;
  virtual HRESULT Stat(STATSTG* Stat, uint32_t Flags) = 0;
};

// An IStream over a run-time stream it does not own. Stat fills the size
// and the type only, as the platform's adapter does.
class TStreamAdapter : public IStream {
 public:
  explicit TStreamAdapter(TStream* AStream) : FStream(AStream) {}
  HRESULT Read(void* Buffer, uint32_t Count, uint32_t* Read) override;
  HRESULT Seek(int64_t Move, STREAM_SEEK Origin, uint64_t* NewPosition) override;
  HRESULT Stat(STATSTG* Stat, uint32_t Flags) override;
  TStream* Stream() const { return FStream; }

 private:
  TStream* FStream;
};

// ---------------------------------------------------------------- sources
class IWICBitmapSource : public IUnknown {
 public:
  virtual HRESULT GetSize(UINT* Width, UINT* Height) = 0;
  virtual HRESULT GetPixelFormat(WICPixelFormatGUID* Format) = 0;
  // Rect (all when null) into Buffer, rows Stride bytes apart, in the
  // source's own pixel format.
  virtual HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) = 0;
};

// Checks the rectangle and buffer of a CopyPixels call against a W x H
// source; fills R with the rectangle to copy.
HRESULT CheckCopyRect(const WICRect* Rect, UINT W, UINT H, UINT Stride, UINT BufferSize, WICRect& R);

// Pixels in memory: a core surface (premultiplied) or, for sources made
// without a cache, the source it reads on every copy.
class IWICBitmap : public IWICBitmapSource {
 public:
  IWICBitmap(std::shared_ptr<core::TCoreSurface> S, WICPixelFormatGUID F) : Surface(std::move(S)), Format(F) {}
  HRESULT GetSize(UINT* Width, UINT* Height) override;
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override;
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) override;

  std::shared_ptr<core::TCoreSurface> Surface;  // null for an uncached bitmap
  WICPixelFormatGUID Format;
  // Uncached: the pixels stay in the source.
  std::shared_ptr<IWICBitmapSource> Source;
  WICBitmapCreateCacheOption Cache = WICBitmapCacheOnLoad;
};

class IWICMetadataQueryReader : public IUnknown {
 public:
  // Names such as "/imgdesc/Left"; WINCODEC_ERR_PROPERTYNOTFOUND when the
  // value is absent.
  virtual HRESULT GetMetadataByName(std::string_view Name, PROPVARIANT* Value) = 0;
};

class IWICBitmapFrameDecode : public IWICBitmapSource {
 public:
  virtual HRESULT GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) = 0;
};

class IWICBitmapDecoder : public IUnknown {
 public:
  virtual HRESULT GetContainerFormat(GUID_ContainerFormat* Format) = 0;
  virtual HRESULT GetFrameCount(UINT* Count) = 0;
  virtual HRESULT GetFrame(UINT Index, std::shared_ptr<IWICBitmapFrameDecode>* Frame) = 0;
  // The container's own metadata ("/logscrdesc/..." of a GIF).
  virtual HRESULT GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) = 0;
};

class IWICFormatConverter : public IWICBitmapSource {
 public:
  // Only conversions to 32bppPBGRA (or to the source's own format) exist.
  HRESULT Initialize(std::shared_ptr<IWICBitmapSource> Source, WICPixelFormatGUID Dest, WICBitmapDitherType Dither,
                     const void* Palette, double AlphaThreshold, WICBitmapPaletteType PaletteTranslate);
  HRESULT GetSize(UINT* Width, UINT* Height) override;
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override;
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) override;

 private:
  std::shared_ptr<IWICBitmapSource> FSource;
  WICPixelFormatGUID FFrom = GUID_WICPixelFormatDontCare, FTo = GUID_WICPixelFormatDontCare;
};

// Resamples a source to another size (bilinear for linear, as the core
// samples, on premultiplied pixels): straight into the caller's buffer when
// it asks for the whole picture, else once into a picture of its own.
class IWICBitmapScaler : public IWICBitmapSource {
 public:
  HRESULT Initialize(std::shared_ptr<IWICBitmapSource> Source, UINT Width, UINT Height,
                     WICBitmapInterpolationMode Mode);
  HRESULT GetSize(UINT* Width, UINT* Height) override;
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override;
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) override;

 private:
  // Into Into when given, else into FScaled.
  HRESULT scale(core::TCoreSurface* Into);
  std::shared_ptr<IWICBitmapSource> FSource;
  UINT FWidth = 0, FHeight = 0;
  WICBitmapInterpolationMode FMode = WICBitmapInterpolationModeLinear;
  WICPixelFormatGUID FFormat = GUID_WICPixelFormatDontCare;
  std::unique_ptr<core::TCoreSurface> FScaled;
};

// ---------------------------------------------------------------- decoder providers
class TWICDecoderProvider {
 public:
  virtual ~TWICDecoderProvider() = default;
  virtual std::string_view Name() const = 0;
  virtual bool CanRead(const uint8_t* Data, size_t Size) const = 0;
  // A decoder over the bytes; a failed HRESULT when they cannot be read.
  virtual HRESULT CreateDecoder(std::shared_ptr<const std::vector<uint8_t>> Bytes,
                                std::shared_ptr<IWICBitmapDecoder>* Decoder) const = 0;
};
// Adds a provider before the core's decoders (or replaces one of the same
// name); safe on any thread.
void RegisterWICDecoder(std::shared_ptr<TWICDecoderProvider> Provider);
void UnregisterWICDecoder(std::string_view Name);

// A frame of premultiplied BGRA pixels held in memory, for providers.
class TWICMemoryFrame : public IWICBitmapFrameDecode {
 public:
  TWICMemoryFrame(std::shared_ptr<core::TCoreSurface> Pixels, std::shared_ptr<IWICMetadataQueryReader> Reader)
      : FPixels(std::move(Pixels)), FReader(std::move(Reader)) {}
  HRESULT GetSize(UINT* Width, UINT* Height) override;
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override;
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) override;
  HRESULT GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) override;

 private:
  std::shared_ptr<core::TCoreSurface> FPixels;
  std::shared_ptr<IWICMetadataQueryReader> FReader;
};

// ---------------------------------------------------------------- factory
class IWICImagingFactory : public IUnknown {
 public:
  // Reads the whole stream; WINCODEC_ERR_COMPONENTNOTFOUND when no decoder
  // reads it.
  HRESULT CreateDecoderFromStream(IStream* Stream, const void* Vendor, WICDecodeOptions Options,
                                  std::shared_ptr<IWICBitmapDecoder>* Decoder);
  // The bitmap's pixels; with WICBitmapIgnoreAlpha they read as opaque.
  HRESULT CreateBitmapFromHBITMAP(gdi::HBITMAP Bitmap, const void* Palette, WICBitmapAlphaChannelOption Option,
                                  std::shared_ptr<IWICBitmap>* Out);
  // Cached on load: the pixels are copied now; without a cache the bitmap
  // reads the source on every copy.
  HRESULT CreateBitmapFromSource(std::shared_ptr<IWICBitmapSource> Source, WICBitmapCreateCacheOption Option,
                                 std::shared_ptr<IWICBitmap>* Out);
  // A cleared bitmap (32bppPBGRA or 32bppBGR only).
  HRESULT CreateBitmap(UINT Width, UINT Height, WICPixelFormatGUID Format, WICBitmapCreateCacheOption Option,
                       std::shared_ptr<IWICBitmap>* Out);
  HRESULT CreateFormatConverter(std::shared_ptr<IWICFormatConverter>* Out);
  HRESULT CreateBitmapScaler(std::shared_ptr<IWICBitmapScaler>* Out);
};

// Reads a whole source as premultiplied BGRA into a new surface (null on
// failure, with the code in Hr).
std::shared_ptr<core::TCoreSurface> ReadSourcePBGRA(IWICBitmapSource* Source, HRESULT* Hr);

}  // namespace ht::d2d
