#include "platform/d2d/wic.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/core/core_image.h"

namespace ht::d2d {

namespace {

HRESULT nextFault(std::deque<HRESULT>& Q) {
  static std::mutex m;
  std::lock_guard<std::mutex> g(m);
  if (Q.empty()) return S_OK;
  HRESULT h = Q.front();
  Q.pop_front();
  return h;
}

// Copies R of a premultiplied surface into Buffer.
HRESULT copySurface(core::TCoreSurface& S, const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) {
  WICRect r;
  HRESULT hr = CheckCopyRect(Rect, UINT(S.Width()), UINT(S.Height()), Stride, BufferSize, r);
  if (FAILED(hr)) return hr;
  S.Flush();
  for (int y = 0; y < r.Height; ++y)
    std::memcpy(Buffer + size_t(y) * Stride, S.ScanLine(r.Y + y) + size_t(r.X) * 4, size_t(r.Width) * 4);
  return S_OK;
}

bool alphaKnown(WICPixelFormatGUID F) {
  return F == GUID_WICPixelFormat32bppBGR || F == GUID_WICPixelFormat32bppBGRA || F == GUID_WICPixelFormat32bppPBGRA;
}

// What an animation frame of the core's decoders tells: it covers the
// picture (it comes composed) and keeps its delay.
class TCoreFrameMetadata : public IWICMetadataQueryReader {
 public:
  TCoreFrameMetadata(int W, int H, int Delay) : FW(W), FH(H), FDelay(Delay) {}
  HRESULT GetMetadataByName(std::string_view Name, PROPVARIANT* Value) override {
    *Value = PROPVARIANT();
    uint32_t v;
    if (Name == "/imgdesc/Left" || Name == "/imgdesc/Top" || Name == "/grctlext/Disposal")
      v = 0;
    else if (Name == "/imgdesc/Width")
      v = uint32_t(FW);
    else if (Name == "/imgdesc/Height")
      v = uint32_t(FH);
    else if (Name == "/grctlext/Delay")
      v = uint32_t(std::max(FDelay, 0));
    else
      return WINCODEC_ERR_PROPERTYNOTFOUND;
    Value->vt = VT_UI2;
    Value->ulVal = v;
    return S_OK;
  }

 private:
  int FW, FH, FDelay;
};

// The frames of the core's decoders, already premultiplied.
class TCoreWICDecoder : public IWICBitmapDecoder {
 public:
  TCoreWICDecoder(core::TCoreImage&& Image, GUID_ContainerFormat Format) : FFormat(Format) {
    const bool animated = Image.Frames.size() > 1;
    for (core::TCoreImageFrame& f : Image.Frames) {
      FReaders.push_back(animated ? std::make_shared<TCoreFrameMetadata>(Image.Width, Image.Height, f.Delay) : nullptr);
      auto s = std::make_shared<core::TCoreSurface>(Image.Width, Image.Height);
      for (int y = 0; y < Image.Height; ++y)
        std::memcpy(s->ScanLine(y), f.Bits.data() + size_t(y) * size_t(Image.Width) * 4, size_t(Image.Width) * 4);
      s->MarkDirty();
      f.Bits.clear();
      f.Bits.shrink_to_fit();
      FFrames.push_back(std::move(s));
    }
  }
  HRESULT GetContainerFormat(GUID_ContainerFormat* Format) override {
    *Format = FFormat;
    return S_OK;
  }
  HRESULT GetFrameCount(UINT* Count) override {
    *Count = UINT(FFrames.size());
    return S_OK;
  }
  HRESULT GetFrame(UINT Index, std::shared_ptr<IWICBitmapFrameDecode>* Frame) override {
    Frame->reset();
    if (Index >= FFrames.size()) return E_INVALIDARG;
    *Frame = std::make_shared<TWICMemoryFrame>(FFrames[Index], FReaders[Index]);
    return S_OK;
  }
  HRESULT GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) override {
    Reader->reset();
    return WINCODEC_ERR_PROPERTYNOTFOUND;
  }

 private:
  GUID_ContainerFormat FFormat;
  std::vector<std::shared_ptr<core::TCoreSurface>> FFrames;
  std::vector<std::shared_ptr<IWICMetadataQueryReader>> FReaders;
};

GUID_ContainerFormat containerOf(std::string_view Name) {
  if (Name == "png") return GUID_ContainerFormatPng;
  if (Name == "jpeg") return GUID_ContainerFormatJpeg;
  if (Name == "tiff") return GUID_ContainerFormatTiff;
  if (Name == "webp") return GUID_ContainerFormatWebp;
  if (Name == "bmp") return GUID_ContainerFormatBmp;
  if (Name == "ico") return GUID_ContainerFormatIco;
  if (Name == "gif") return GUID_ContainerFormatGif;
  return GUID_ContainerFormatUnknown;
}

std::mutex& providersLock() {
  static std::mutex m;
  return m;
}
std::vector<std::shared_ptr<TWICDecoderProvider>>& providers() {
  static std::vector<std::shared_ptr<TWICDecoderProvider>> list;
  return list;
}

}  // namespace

// ---------------------------------------------------------------- streams

HRESULT TStreamAdapter::Read(void* Buffer, uint32_t Count, uint32_t* Read) {
  if (!FStream) return E_UNEXPECTED;
  size_t n = FStream->Read(Buffer, Count);
  if (Read) *Read = uint32_t(n);
  return S_OK;
}

HRESULT TStreamAdapter::Seek(int64_t Move, STREAM_SEEK Origin, uint64_t* NewPosition) {
  if (!FStream) return E_UNEXPECTED;
  int64_t p = FStream->Seek(Move, Origin == STREAM_SEEK_SET ? soBeginning : Origin == STREAM_SEEK_CUR ? soCurrent : soEnd);
  if (NewPosition) *NewPosition = uint64_t(std::max<int64_t>(p, 0));
  return S_OK;
}

HRESULT TStreamAdapter::Stat(STATSTG* Stat, uint32_t) {
  if (!FStream || !Stat) return E_INVALIDARG;
  Stat->type = 2;  // STGTY_STREAM
  Stat->cbSize = uint64_t(std::max<int64_t>(FStream->Size(), 0));
  return S_OK;
}

// ---------------------------------------------------------------- sources

HRESULT CheckCopyRect(const WICRect* Rect, UINT W, UINT H, UINT Stride, UINT BufferSize, WICRect& R) {
  R = Rect ? *Rect : WICRect{0, 0, int(W), int(H)};
  if (R.X < 0 || R.Y < 0 || R.Width < 0 || R.Height < 0 || int64_t(R.X) + R.Width > int64_t(W) ||
      int64_t(R.Y) + R.Height > int64_t(H))
    return E_INVALIDARG;
  if (R.Width == 0 || R.Height == 0) return S_OK;
  if (uint64_t(Stride) < uint64_t(R.Width) * 4 ||
      uint64_t(BufferSize) < uint64_t(Stride) * uint64_t(R.Height - 1) + uint64_t(R.Width) * 4)
    return E_INVALIDARG;
  return S_OK;
}

HRESULT IWICBitmap::GetSize(UINT* Width, UINT* Height) {
  if (Surface) {
    *Width = UINT(Surface->Width());
    *Height = UINT(Surface->Height());
    return S_OK;
  }
  return Source ? Source->GetSize(Width, Height) : WINCODEC_ERR_NOTINITIALIZED;
}

HRESULT IWICBitmap::GetPixelFormat(WICPixelFormatGUID* F) {
  *F = Format;
  return S_OK;
}

HRESULT IWICBitmap::CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) {
  if (!Surface) return Source ? Source->CopyPixels(Rect, Stride, BufferSize, Buffer) : WINCODEC_ERR_NOTINITIALIZED;
  return copySurface(*Surface, Rect, Stride, BufferSize, Buffer);
}

HRESULT TWICMemoryFrame::GetSize(UINT* Width, UINT* Height) {
  *Width = UINT(FPixels->Width());
  *Height = UINT(FPixels->Height());
  return S_OK;
}

HRESULT TWICMemoryFrame::GetPixelFormat(WICPixelFormatGUID* F) {
  *F = GUID_WICPixelFormat32bppPBGRA;
  return S_OK;
}

HRESULT TWICMemoryFrame::CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) {
  return copySurface(*FPixels, Rect, Stride, BufferSize, Buffer);
}

HRESULT TWICMemoryFrame::GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) {
  *Reader = FReader;
  return FReader ? S_OK : WINCODEC_ERR_PROPERTYNOTFOUND;
}

HRESULT IWICFormatConverter::Initialize(std::shared_ptr<IWICBitmapSource> Source, WICPixelFormatGUID Dest,
                                        WICBitmapDitherType, const void*, double, WICBitmapPaletteType) {
  if (!Source) return E_INVALIDARG;
  if (FSource) return WINCODEC_ERR_WRONGSTATE;
  WICPixelFormatGUID from;
  HRESULT hr = Source->GetPixelFormat(&from);
  if (FAILED(hr)) return hr;
  if (!alphaKnown(from) || (Dest != from && Dest != GUID_WICPixelFormat32bppPBGRA))
    return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  FSource = std::move(Source);
  FFrom = from;
  FTo = Dest;
  return S_OK;
}

HRESULT IWICFormatConverter::GetSize(UINT* Width, UINT* Height) {
  return FSource ? FSource->GetSize(Width, Height) : WINCODEC_ERR_NOTINITIALIZED;
}

HRESULT IWICFormatConverter::GetPixelFormat(WICPixelFormatGUID* F) {
  if (!FSource) return WINCODEC_ERR_NOTINITIALIZED;
  *F = FTo;
  return S_OK;
}

HRESULT IWICFormatConverter::CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) {
  if (!FSource) return WINCODEC_ERR_NOTINITIALIZED;
  HRESULT hr = FSource->CopyPixels(Rect, Stride, BufferSize, Buffer);
  if (FAILED(hr) || FFrom == FTo) return hr;
  UINT w = 0, h = 0;
  FSource->GetSize(&w, &h);
  WICRect r;
  CheckCopyRect(Rect, w, h, Stride, BufferSize, r);
  for (int y = 0; y < r.Height; ++y) {
    uint8_t* p = Buffer + size_t(y) * Stride;
    for (int x = 0; x < r.Width; ++x, p += 4) {
      if (FFrom == GUID_WICPixelFormat32bppBGR)
        p[3] = 0xFF;
      else
        core::Premultiply(p);
    }
  }
  return S_OK;
}

HRESULT IWICBitmapScaler::Initialize(std::shared_ptr<IWICBitmapSource> Source, UINT Width, UINT Height,
                                     WICBitmapInterpolationMode Mode) {
  if (!Source || Width == 0 || Height == 0) return E_INVALIDARG;
  if (FSource) return WINCODEC_ERR_WRONGSTATE;
  if (!SurfaceWithinBudget(Width, Height)) return E_OUTOFMEMORY;
  HRESULT hr = Source->GetPixelFormat(&FFormat);
  if (FAILED(hr)) return hr;
  if (!alphaKnown(FFormat)) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  FSource = std::move(Source);
  FWidth = Width;
  FHeight = Height;
  FMode = Mode;
  return S_OK;
}

HRESULT IWICBitmapScaler::GetSize(UINT* Width, UINT* Height) {
  if (!FSource) return WINCODEC_ERR_NOTINITIALIZED;
  *Width = FWidth;
  *Height = FHeight;
  return S_OK;
}

HRESULT IWICBitmapScaler::GetPixelFormat(WICPixelFormatGUID* F) {
  if (!FSource) return WINCODEC_ERR_NOTINITIALIZED;
  *F = FFormat;
  return S_OK;
}

HRESULT IWICBitmapScaler::scale(core::TCoreSurface* Into) {
  HRESULT hr = S_OK;
  // Straight alpha would blend wrongly: scale premultiplied pixels, and
  // give the source's format back after.
  std::shared_ptr<core::TCoreSurface> src;
  if (auto* b = dynamic_cast<IWICBitmap*>(FSource.get()); b && b->Surface && FFormat == GUID_WICPixelFormat32bppPBGRA)
    src = b->Surface;
  else
    src = ReadSourcePBGRA(FSource.get(), &hr);
  if (!src) return FAILED(hr) ? hr : E_FAIL;
  core::TCoreSurface* out = Into;
  std::unique_ptr<core::TCoreSurface> own;
  if (!out) {
    own = std::make_unique<core::TCoreSurface>(int(FWidth), int(FHeight));
    out = own.get();
  }
  if (src->Width() > 0 && src->Height() > 0) {
    cairo_t* cr = cairo_create(out->Handle());
    cairo_scale(cr, double(FWidth) / src->Width(), double(FHeight) / src->Height());
    cairo_set_source_surface(cr, src->Handle(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), FMode == WICBitmapInterpolationModeLinear ? CAIRO_FILTER_BILINEAR
                                                                                              : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    out->Flush();
  }
  if (FFormat == GUID_WICPixelFormat32bppBGRA) {
    // Back to straight alpha.
    for (int y = 0; y < out->Height(); ++y) {
      uint8_t* p = out->ScanLine(y);
      for (int x = 0; x < out->Width(); ++x, p += 4)
        if (p[3] != 0 && p[3] != 255)
          for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255, (p[c] * 255 + p[3] / 2) / p[3]));
    }
  }
  if (own) FScaled = std::move(own);
  return S_OK;
}

HRESULT IWICBitmapScaler::CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) {
  if (!FSource) return WINCODEC_ERR_NOTINITIALIZED;
  if (!FScaled && (!Rect || (Rect->X == 0 && Rect->Y == 0 && UINT(Rect->Width) == FWidth &&
                             UINT(Rect->Height) == FHeight))) {
    // The whole picture into a buffer laid out as a surface: scaled there
    // directly, without a copy.
    WICRect r;
    HRESULT hr = CheckCopyRect(Rect, FWidth, FHeight, Stride, BufferSize, r);
    if (FAILED(hr)) return hr;
    if (Stride == FWidth * 4) {
      core::TCoreSurface into(Buffer, int(FWidth), int(FHeight), int(Stride));
      return scale(&into);
    }
  }
  if (!FScaled) {
    HRESULT hr = scale(nullptr);
    if (FAILED(hr)) return hr;
  }
  return copySurface(*FScaled, Rect, Stride, BufferSize, Buffer);
}

std::shared_ptr<core::TCoreSurface> ReadSourcePBGRA(IWICBitmapSource* Source, HRESULT* Hr) {
  auto fail = [&](HRESULT h) {
    if (Hr) *Hr = h;
    return std::shared_ptr<core::TCoreSurface>();
  };
  if (!Source) return fail(E_INVALIDARG);
  UINT w = 0, h = 0;
  WICPixelFormatGUID f;
  HRESULT hr = Source->GetSize(&w, &h);
  if (SUCCEEDED(hr)) hr = Source->GetPixelFormat(&f);
  if (FAILED(hr)) return fail(hr);
  if (!alphaKnown(f)) return fail(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  if (!SurfaceWithinBudget(w, h)) return fail(E_OUTOFMEMORY);
  auto s = std::make_shared<core::TCoreSurface>(int(w), int(h));
  if (w > 0 && h > 0) {
    s->Flush();
    hr = Source->CopyPixels(nullptr, UINT(s->Stride()), UINT(s->Stride()) * h, s->ScanLine(0));
    if (FAILED(hr)) return fail(hr);
    if (f != GUID_WICPixelFormat32bppPBGRA)
      for (UINT y = 0; y < h; ++y) {
        uint8_t* p = s->ScanLine(int(y));
        for (UINT x = 0; x < w; ++x, p += 4) {
          if (f == GUID_WICPixelFormat32bppBGR)
            p[3] = 0xFF;
          else
            core::Premultiply(p);
        }
      }
    s->MarkDirty();
  }
  if (Hr) *Hr = S_OK;
  return s;
}

// ---------------------------------------------------------------- providers

void RegisterWICDecoder(std::shared_ptr<TWICDecoderProvider> Provider) {
  if (!Provider) return;
  std::lock_guard<std::mutex> g(providersLock());
  auto& list = providers();
  for (auto& p : list)
    if (p->Name() == Provider->Name()) {
      p = std::move(Provider);
      return;
    }
  list.push_back(std::move(Provider));
}

void UnregisterWICDecoder(std::string_view Name) {
  std::lock_guard<std::mutex> g(providersLock());
  auto& list = providers();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& p) { return p->Name() == Name; }), list.end());
}

// ---------------------------------------------------------------- factory

HRESULT IWICImagingFactory::CreateDecoderFromStream(IStream* Stream, const void*, WICDecodeOptions,
                                                    std::shared_ptr<IWICBitmapDecoder>* Decoder) {
  D2DTrace().Add("CreateDecoderFromStream");
  Decoder->reset();
  if (!Stream) return E_INVALIDARG;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  uint64_t pos = 0;
  Stream->Seek(0, STREAM_SEEK_SET, &pos);
  uint8_t chunk[65536];
  for (;;) {
    uint32_t n = 0;
    HRESULT hr = Stream->Read(chunk, sizeof chunk, &n);
    if (FAILED(hr)) return hr;
    if (n == 0) break;
    bytes->insert(bytes->end(), chunk, chunk + n);
  }
  std::vector<std::shared_ptr<TWICDecoderProvider>> list;
  {
    std::lock_guard<std::mutex> g(providersLock());
    list = providers();
  }
  for (const auto& p : list)
    if (p->CanRead(bytes->data(), bytes->size())) {
      HRESULT hr = p->CreateDecoder(bytes, Decoder);
      return SUCCEEDED(hr) && !*Decoder ? WINCODEC_ERR_COMPONENTNOTFOUND : hr;
    }
  core::TCoreImage img;
  if (!core::DecodeImage(bytes->data(), bytes->size(), img) || img.Frames.empty())
    return WINCODEC_ERR_COMPONENTNOTFOUND;
  const GUID_ContainerFormat format = containerOf(img.Format);
  *Decoder = std::make_shared<TCoreWICDecoder>(std::move(img), format);
  return S_OK;
}

HRESULT IWICImagingFactory::CreateBitmapFromHBITMAP(gdi::HBITMAP Bitmap, const void*,
                                                    WICBitmapAlphaChannelOption Option,
                                                    std::shared_ptr<IWICBitmap>* Out) {
  Out->reset();
  if (!Bitmap) return E_INVALIDARG;
  core::TCoreSurface& src = Bitmap->Surface;
  const int w = src.Width(), h = src.Height();
  if (!SurfaceWithinBudget(w, h)) return E_OUTOFMEMORY;
  auto s = std::make_shared<core::TCoreSurface>(w, h);
  src.Flush();
  for (int y = 0; y < h; ++y) std::memcpy(s->ScanLine(y), src.ScanLine(y), size_t(w) * 4);
  const bool ignore = Option == WICBitmapIgnoreAlpha;
  if (ignore)
    for (int y = 0; y < h; ++y) {
      uint8_t* p = s->ScanLine(y);
      for (int x = 0; x < w; ++x) p[x * 4 + 3] = 0xFF;
    }
  s->MarkDirty();
  *Out = std::make_shared<IWICBitmap>(s, ignore ? GUID_WICPixelFormat32bppBGR : GUID_WICPixelFormat32bppPBGRA);
  return S_OK;
}

HRESULT IWICImagingFactory::CreateBitmapFromSource(std::shared_ptr<IWICBitmapSource> Source,
                                                   WICBitmapCreateCacheOption Option,
                                                   std::shared_ptr<IWICBitmap>* Out) {
  D2DTrace().Add(Option == WICBitmapNoCache ? "CreateBitmapFromSource(NoCache)" : "CreateBitmapFromSource");
  Out->reset();
  if (!Source) return E_INVALIDARG;
  WICPixelFormatGUID f;
  HRESULT hr = Source->GetPixelFormat(&f);
  if (FAILED(hr)) return hr;
  if (Option == WICBitmapNoCache) {
    auto b = std::make_shared<IWICBitmap>(nullptr, f);
    b->Source = std::move(Source);
    b->Cache = Option;
    *Out = b;
    return S_OK;
  }
  auto s = ReadSourcePBGRA(Source.get(), &hr);
  if (!s) return hr;
  auto b = std::make_shared<IWICBitmap>(s, f == GUID_WICPixelFormat32bppBGR ? f : GUID_WICPixelFormat32bppPBGRA);
  b->Cache = Option;
  *Out = b;
  return S_OK;
}

HRESULT IWICImagingFactory::CreateBitmap(UINT Width, UINT Height, WICPixelFormatGUID Format,
                                         WICBitmapCreateCacheOption Option, std::shared_ptr<IWICBitmap>* Out) {
  Out->reset();
  if (Format != GUID_WICPixelFormat32bppPBGRA && Format != GUID_WICPixelFormat32bppBGR)
    return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (!SurfaceWithinBudget(Width, Height)) return E_OUTOFMEMORY;
  auto b = std::make_shared<IWICBitmap>(std::make_shared<core::TCoreSurface>(int(Width), int(Height)), Format);
  b->Cache = Option;
  *Out = b;
  return S_OK;
}

HRESULT IWICImagingFactory::CreateFormatConverter(std::shared_ptr<IWICFormatConverter>* Out) {
  *Out = std::make_shared<IWICFormatConverter>();
  return S_OK;
}

HRESULT IWICImagingFactory::CreateBitmapScaler(std::shared_ptr<IWICBitmapScaler>* Out) {
  Out->reset();
  HRESULT hr = nextFault(D2DFaults().WICScaler);
  if (FAILED(hr)) return hr;
  *Out = std::make_shared<IWICBitmapScaler>();
  return S_OK;
}

}  // namespace ht::d2d
