#include "backends/dx_images.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "backends/d2d_helper.h"
#include "backends/gif_image.h"
#include "platform/core/core_image.h"
#include "platform/gdi/gdi.h"

namespace ht {

using namespace d2d;

const THtImageClass THtImageDX::ClassType{"THtImageDX", &THtImage::ClassType, &CreateInstance<THtImageDX, THtImage>};
const THtBitmapClass THtBitmapDX::ClassType{"THtBitmapDX", &THtBitmapGP::ClassType,
                                            &CreateInstance<THtBitmapDX, THtBitmap, int, int, bool>};

void CheckImageResult(HRESULT Code) {
  if (Code < 0) throw EInvalidGraphic(u"Invalid image. Error " + Utf8ToString(std::to_string(Code)));
}

HRESULT TStreamAdapterFix::Stat(STATSTG* Stat, uint32_t Flags) {
  if (Stat) *Stat = STATSTG();
  return TStreamAdapter::Stat(Stat, Flags);
}

// ---------------------------------------------------------------- the GIF decoder of the imaging component

namespace {

// A GIF 32-bit picture (red in the lowest byte) as premultiplied BGRA; a
// pixel without alpha is transparent whatever its colour.
inline void gifToBGRA(const uint8_t* s, uint8_t* d, int n) {
  for (int x = 0; x < n; ++x, s += 4, d += 4) {
    const uint8_t a = s[3];
    if (a == 0) {
      std::memset(d, 0, 4);
    } else {
      d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = a;
      if (a != 255) core::Premultiply(d);
    }
  }
}

class TGifMetadata : public IWICMetadataQueryReader {
 public:
  TGifMetadata(std::shared_ptr<THtGifImage> G, int Index) : FGif(std::move(G)), FIndex(Index) {}
  HRESULT GetMetadataByName(std::string_view Name, PROPVARIANT* Value) override {
    *Value = PROPVARIANT();
    auto answer = [&](VARTYPE t, uint32_t v) {
      Value->vt = t;
      Value->ulVal = v;
      return S_OK;
    };
    if (FIndex < 0) {
      if (Name == "/logscrdesc/Width") return answer(VT_UI2, uint32_t(FGif->Header().Width()));
      if (Name == "/logscrdesc/Height") return answer(VT_UI2, uint32_t(FGif->Header().Height()));
      return WINCODEC_ERR_PROPERTYNOTFOUND;
    }
    THtGIFFrame* f = FGif->Frames().Frames(FIndex);
    if (Name == "/imgdesc/Left") return answer(VT_UI2, f->Left());
    if (Name == "/imgdesc/Top") return answer(VT_UI2, f->Top());
    if (Name == "/imgdesc/Width") return answer(VT_UI2, f->Width());
    if (Name == "/imgdesc/Height") return answer(VT_UI2, f->Height());
    TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
    if (!gce) return WINCODEC_ERR_PROPERTYNOTFOUND;
    if (Name == "/grctlext/Delay") return answer(VT_UI2, gce->Delay());
    if (Name == "/grctlext/Disposal") return answer(VT_UI1, uint32_t(gce->Disposal()));
    if (Name == "/grctlext/TransparencyFlag") return answer(VT_BOOL, gce->Transparent() ? 1 : 0);
    return WINCODEC_ERR_PROPERTYNOTFOUND;
  }

 private:
  std::shared_ptr<THtGifImage> FGif;
  int FIndex;  // -1: the logical screen
};

// One stored frame at its own size.
class TGifWICFrame : public IWICBitmapFrameDecode {
 public:
  TGifWICFrame(std::shared_ptr<THtGifImage> G, int Index) : FGif(std::move(G)), FIndex(Index) {}
  HRESULT GetSize(UINT* Width, UINT* Height) override {
    TGifBitmap* b = FGif->Frames().Frames(FIndex)->Bitmap();
    *Width = b ? UINT(b->Width()) : 0;
    *Height = b ? UINT(b->Height()) : 0;
    return S_OK;
  }
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override {
    *F = GUID_WICPixelFormat32bppPBGRA;
    return S_OK;
  }
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT BufferSize, uint8_t* Buffer) override {
    TGifBitmap* b = FGif->Frames().Frames(FIndex)->Bitmap();
    const UINT w = b ? UINT(b->Width()) : 0, h = b ? UINT(b->Height()) : 0;
    WICRect r;
    HRESULT hr = CheckCopyRect(Rect, w, h, Stride, BufferSize, r);
    if (FAILED(hr) || r.Width == 0 || r.Height == 0) return hr;
    const TGIFPalette& pal = b->Palette();
    for (int y = 0; y < r.Height; ++y) {
      uint8_t* d = Buffer + size_t(y) * Stride;
      if (b->PixelFormat() == gpf32bit) {
        gifToBGRA(b->ScanLine(r.Y + y) + size_t(r.X) * 4, d, r.Width);
        continue;
      }
      if (b->PixelFormat() != gpf8bit) return E_FAIL;
      const uint8_t* s = b->ScanLine(r.Y + y) + r.X;
      for (int x = 0; x < r.Width; ++x, d += 4) {
        const uint8_t i = s[x];
        if ((b->Transparent() && i == b->TransparentIndex) || i >= pal.size()) {
          std::memset(d, 0, 4);
          continue;
        }
        d[0] = pal[i].Blue, d[1] = pal[i].Green, d[2] = pal[i].Red, d[3] = 255;
      }
    }
    return S_OK;
  }
  HRESULT GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) override {
    *Reader = std::make_shared<TGifMetadata>(FGif, FIndex);
    return S_OK;
  }

 private:
  std::shared_ptr<THtGifImage> FGif;
  int FIndex;
};

class TGifWICProvider : public TWICDecoderProvider {
 public:
  std::string_view Name() const override { return "gif"; }
  bool CanRead(const uint8_t* D, size_t S) const override { return S >= 6 && std::memcmp(D, "GIF", 3) == 0; }
  HRESULT CreateDecoder(std::shared_ptr<const std::vector<uint8_t>> Bytes,
                        std::shared_ptr<IWICBitmapDecoder>* Decoder) const override {
    Decoder->reset();
    try {
      TMemoryStream stream(Bytes->data(), Bytes->size());
      auto gif = std::make_shared<THtGifImage>();
      gif->LoadFromStream(stream);
      if (gif->Frames().Count() == 0) return WINCODEC_ERR_FRAMEMISSING;
      *Decoder = std::make_shared<TGifWICDecoder>(std::move(gif));
      return S_OK;
    } catch (const std::exception&) {
      // Damaged or over the codec's budget: no decoder reads it.
      return WINCODEC_ERR_COMPONENTNOTFOUND;
    }
  }
};

}  // namespace

HRESULT TGifWICDecoder::GetContainerFormat(GUID_ContainerFormat* Format) {
  *Format = GUID_ContainerFormatGif;
  return S_OK;
}

HRESULT TGifWICDecoder::GetFrameCount(UINT* Count) {
  *Count = UINT(Gif->Frames().Count());
  return S_OK;
}

HRESULT TGifWICDecoder::GetFrame(UINT Index, std::shared_ptr<IWICBitmapFrameDecode>* Frame) {
  Frame->reset();
  if (Index >= UINT(Gif->Frames().Count())) return E_INVALIDARG;
  *Frame = std::make_shared<TGifWICFrame>(Gif, int(Index));
  return S_OK;
}

HRESULT TGifWICDecoder::GetMetadataQueryReader(std::shared_ptr<IWICMetadataQueryReader>* Reader) {
  *Reader = std::make_shared<TGifMetadata>(Gif, -1);
  return S_OK;
}

void HtRegisterGifWICDecoder() { RegisterWICDecoder(std::make_shared<TGifWICProvider>()); }
void HtUnregisterGifWICDecoder() { UnregisterWICDecoder("gif"); }

// ---------------------------------------------------------------- image

THtImageDX::THtImageDX() = default;
THtImageDX::~THtImageDX() {
  // The bitmaps may lie over the codec's picture: they go first.
  FFrameBitmap.reset();
  FFrameBuffer.reset();
  FPicture.reset();
  FGif.reset();
}

namespace {

uint32_t queryValue(IWICMetadataQueryReader* Reader, std::string_view Name, bool* Found = nullptr) {
  PROPVARIANT v;
  const bool ok = Reader && SUCCEEDED(Reader->GetMetadataByName(Name, &v)) && v.vt != VT_EMPTY;
  if (Found) *Found = ok;
  return ok ? v.ulVal : 0;
}

}  // namespace

void THtImageDX::LoadFromBytes(const THtBytes& ABytes, bool InLoader) {
  THtImage::LoadFromBytes(ABytes, InLoader);
  FSourceStream = std::make_unique<TMemoryStream>(ABytes.data(), ABytes.size());
  FDecoded.reset();
  FFrameBitmap.reset();
  FFrameBuffer.reset();
  FPicture.reset();
  FDecoder.reset();
  FStream.reset();
  FGif.reset();
  FFrames.clear();
  FFrameCount = 0;
  FLoopCount = 0;
  FFirstDelay = 10;
  FShownFrame = -1;
  FCurrentFrame = 0;
  FFinished = false;
  FElapsed = 0;
  Loaded = false;
  Animated = false;
  FrameTime = 0;
  Width = Height = 0;
  if (Kind == hikSVG) return;
  std::shared_ptr<IWICImagingFactory> wic = D2DHelper().WICFactory();
  if (Kind == hikBMP) {
    // Through a platform bitmap, whose alpha the picture does not keep.
    core::TCoreImage img;
    if (!core::DecodeImage(ABytes.data(), ABytes.size(), img) || img.Frames.empty()) return;
    gdi::HBITMAP bmp = gdi::CreateDIBSection32(img.Width, img.Height, nullptr);
    if (!bmp) return;
    core::TCoreSurface& s = bmp->Surface;
    for (int y = 0; y < img.Height; ++y) std::memcpy(s.ScanLine(y), img.Row(0, y), size_t(img.Width) * 4);
    s.MarkDirty();
    HRESULT hr = wic->CreateBitmapFromHBITMAP(bmp, nullptr, WICBitmapIgnoreAlpha, &FDecoded);
    Width = s.Width();
    Height = s.Height();
    gdi::DeleteObject(bmp);
    CheckImageResult(hr);
    Loaded = FDecoded != nullptr;
    return;
  }
  try {
    decode(*wic);
  } catch (const EHtGIFException&) {
    // The codec read the blocks but cannot compose them: nothing reads it.
    FDecoded.reset();
    FDecoder.reset();
    FStream.reset();
    FGif.reset();
    FFrames.clear();
    Loaded = Animated = false;
    Width = Height = 0;
  }
}

void THtImageDX::decode(IWICImagingFactory& WIC) {
  IWICImagingFactory* wic = &WIC;
  FStream = std::make_shared<TStreamAdapterFix>(FSourceStream.get());
  if (FAILED(wic->CreateDecoderFromStream(FStream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &FDecoder))) {
    FStream.reset();
    FDecoder.reset();
    return;
  }
  if (auto* gifDecoder = dynamic_cast<TGifWICDecoder*>(FDecoder.get())) {
    // The codec that read the bytes answers the loop count and composes.
    FGif = gifDecoder->Gif;
    FLoopCount = uint32_t(FGif->LoopCount());
  }
  GUID_ContainerFormat format;
  CheckImageResult(FDecoder->GetContainerFormat(&format));
  UINT count = 0;
  CheckImageResult(FDecoder->GetFrameCount(&count));
  FFrameCount = count;
  std::shared_ptr<IWICBitmapFrameDecode> frame0;
  CheckImageResult(FDecoder->GetFrame(0, &frame0));
  UINT w = 0, h = 0;
  CheckImageResult(frame0->GetSize(&w, &h));
  std::shared_ptr<IWICBitmapSource> first = frame0;
  if (FGif) {
    // A GIF is as large as its logical screen, and its first picture is
    // frame 0 composed on it.
    std::shared_ptr<IWICMetadataQueryReader> screen;
    FDecoder->GetMetadataQueryReader(&screen);
    bool fw = false, fh = false;
    const uint32_t sw = queryValue(screen.get(), "/logscrdesc/Width", &fw),
                   sh = queryValue(screen.get(), "/logscrdesc/Height", &fh);
    if (fw && fh && sw > 0 && sh > 0) w = sw, h = sh;
    if (!core::WithinPixelBudget(w, h)) {
      // A screen no picture may have: nothing reads it.
      FDecoder.reset();
      FGif.reset();
      FStream.reset();
      return;
    }
    if (FGif->Width() > 0 && FGif->Height() > 0) {
      // An animation is composed in the layout it is drawn in.
      FGif->PictureBGRA = count > 1;
      FGif->SetFrameIndex(0);
      if (TGifBitmap* pic = FGif->Bitmap(); pic && pic->PixelFormat() == gpf32bit) {
        auto s = std::make_shared<core::TCoreSurface>(pic->Width(), pic->Height());
        for (int y = 0; y < pic->Height(); ++y)
          if (FGif->PictureBGRA)
            std::memcpy(s->ScanLine(y), pic->ScanLine(y), size_t(pic->Width()) * 4);
          else
            gifToBGRA(pic->ScanLine(y), s->ScanLine(y), pic->Width());
        s->MarkDirty();
        first = std::make_shared<TWICMemoryFrame>(s, nullptr);
        s->Flush();
        w = UINT(s->Width()), h = UINT(s->Height());
      } else if (pic && pic->PixelFormat() == gpf8bit && count == 1) {
        // One frame: frame 0 is the picture, placed on the screen.
        auto s = std::make_shared<core::TCoreSurface>(int(w), int(h));
        std::vector<uint8_t> rows(size_t(pic->Width()) * pic->Height() * 4);
        UINT fw0 = 0, fh0 = 0;
        frame0->GetSize(&fw0, &fh0);
        if (fw0 > 0 && fh0 > 0 &&
            SUCCEEDED(frame0->CopyPixels(nullptr, fw0 * 4, UINT(rows.size()), rows.data()))) {
          THtGIFFrame* f = FGif->Frames().Frames(0);
          for (int y = 0; y < int(fh0); ++y) {
            const int ty = f->Top() + y;
            if (ty >= int(h)) break;
            const int n = std::min(int(fw0), int(w) - f->Left());
            if (n > 0) std::memcpy(s->ScanLine(ty) + size_t(f->Left()) * 4, rows.data() + size_t(y) * fw0 * 4, size_t(n) * 4);
          }
        }
        s->MarkDirty();
        first = std::make_shared<TWICMemoryFrame>(s, nullptr);
      }
    }
  }
  Width = int(w);
  Height = int(h);
  CheckImageResult(wic->CreateBitmapFromSource(first, w >= 2000 ? WICBitmapNoCache : WICBitmapCacheOnLoad, &FDecoded));
  if (count < 2) {
    FFirstDelay = 10;
  } else {
    readFrameTable();
    std::shared_ptr<IWICMetadataQueryReader> reader;
    bool found = false;
    if (SUCCEEDED(frame0->GetMetadataQueryReader(&reader))) {
      const uint32_t d = queryValue(reader.get(), "/grctlext/Delay", &found);
      FFirstDelay = found ? int(d) * 10 : 10;
    }
    if (!found) FFirstDelay = 10;
    int total = 0;
    for (const THtDXFrame& f : FFrames) total += f.Delay;
    FrameTime = total;
  }
  Loaded = true;
  Animated = count > 1;
  FShownFrame = -1;
}

void THtImageDX::readFrameTable() {
  FFrames.assign(FFrameCount, THtDXFrame());
  for (uint32_t i = 0; i < FFrameCount; ++i) {
    std::shared_ptr<IWICBitmapFrameDecode> frame;
    CheckImageResult(FDecoder->GetFrame(i, &frame));
    std::shared_ptr<IWICMetadataQueryReader> reader;
    frame->GetMetadataQueryReader(&reader);
    THtDXFrame& f = FFrames[i];
    f.Left = int32_t(queryValue(reader.get(), "/imgdesc/Left"));
    f.Top = int32_t(queryValue(reader.get(), "/imgdesc/Top"));
    f.Right = f.Left + int32_t(queryValue(reader.get(), "/imgdesc/Width"));
    f.Bottom = f.Top + int32_t(queryValue(reader.get(), "/imgdesc/Height"));
    f.Delay = int32_t(queryValue(reader.get(), "/grctlext/Delay")) * 10;
    bool found = false;
    f.Disposal = int32_t(queryValue(reader.get(), "/grctlext/Disposal", &found));
    if (!found) f.Disposal = 0;
    const uint32_t t = queryValue(reader.get(), "/grctlext/TransparencyFlag", &found);
    f.Transparent = found ? t != 0 : true;
  }
}

int THtImageDX::FrameDelay(int Index) const {
  return Index >= 0 && size_t(Index) < FFrames.size() ? FFrames[size_t(Index)].Delay : 0;
}

bool THtImageDX::NextFrame(int Elapsed) {
  if (FFrames.empty() || FFinished.load()) return false;
  int cur = FCurrentFrame.load();
  if (cur < 0 || uint32_t(cur) >= FFrameCount) return false;
  FElapsed += Elapsed;
  if (FElapsed < FFrames[size_t(cur)].Delay) return false;
  FElapsed = 0;
  if (uint32_t(cur + 1) < FFrameCount) {
    FCurrentFrame.store(cur + 1);
    return true;
  }
  uint32_t loops = FLoopCount.load();
  if (loops > 0) {
    FLoopCount.store(--loops);
    if (loops == 0) {
      // Played out: the last frame stays, whatever a paint does with the
      // index.
      FFinished.store(true);
      FCurrentFrame.store(cur + 1);
      return false;
    }
  }
  FCurrentFrame.store(0);
  return true;
}

void THtImageDX::PrepareFrame(ID2D1RenderTarget* Target) {
  if (!Loaded || FFrameCount == 0 || !Target) return;
  const int cur = std::clamp(FCurrentFrame.load(), 0, int(FFrameCount) - 1);
  if (FGif) {
    // The codec goes on from the frame it composed last (from frame 0 when
    // the animation went back) into its picture, which the frame buffer and
    // the frame bitmaps of every target show where it lies.
    if (cur != FShownFrame) {
      if (FPicture) FPicture->Flush();
      try {
        FGif->SetFrameIndex(cur);
      } catch (const EHtGIFException&) {
        // A frame the codec cannot compose: the picture keeps what it has.
      }
      FShownFrame = cur;
      if (FPicture) FPicture->MarkDirty();
    }
    TGifBitmap* pic = FGif->Bitmap();
    if (!pic || pic->PixelFormat() != gpf32bit || pic->Width() <= 0 || pic->Height() <= 0) return;
    if (!FPicture || FPicture->ScanLine(0) != pic->ScanLine(0) || FPicture->Width() != pic->Width() ||
        FPicture->Height() != pic->Height()) {
      FFrameBitmap.reset();
      FPicture = std::make_shared<core::TCoreSurface>(pic->ScanLine(0), pic->Width(), pic->Height(), pic->Width() * 4);
      FFrameBuffer = std::make_shared<IWICBitmap>(FPicture, GUID_WICPixelFormat32bppPBGRA);
    }
    if (!FFrameBitmap) FFrameBitmap = std::make_shared<ID2D1Bitmap>(FPicture, D2D1_ALPHA_MODE_PREMULTIPLIED);
    return;
  }
  // Other formats hand every frame composed already.
  std::shared_ptr<IWICImagingFactory> wic = D2DHelper().WICFactory();
  if (!FFrameBuffer) {
    CheckImageResult(wic->CreateBitmap(UINT(std::max(Width, 0)), UINT(std::max(Height, 0)),
                                       GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, &FFrameBuffer));
    FShownFrame = -1;
    FFrameBitmap.reset();
  }
  core::TCoreSurface* s = FFrameBuffer->Surface.get();
  if (cur != FShownFrame) {
    std::shared_ptr<IWICBitmapFrameDecode> frame;
    CheckImageResult(FDecoder->GetFrame(UINT(cur), &frame));
    std::shared_ptr<IWICFormatConverter> conv;
    CheckImageResult(wic->CreateFormatConverter(&conv));
    CheckImageResult(conv->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                      WICBitmapPaletteTypeMedianCut));
    UINT fw = 0, fh = 0;
    conv->GetSize(&fw, &fh);
    if (s && s->Width() > 0 && fw == UINT(s->Width()) && fh == UINT(s->Height())) {
      s->Flush();
      CheckImageResult(conv->CopyPixels(nullptr, UINT(s->Stride()), UINT(s->Stride()) * fh, s->ScanLine(0)));
      s->MarkDirty();
      if (FFrameBitmap) FFrameBitmap->CopyFromMemory(nullptr, s->ScanLine(0), UINT32(s->Stride()));
    }
    FShownFrame = cur;
  }
  if (!FFrameBitmap) {
    D2D1_BITMAP_PROPERTIES props;
    props.pixelFormat = {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
    CheckImageResult(Target->CreateBitmapFromWicBitmap(FFrameBuffer.get(), &props, &FFrameBitmap));
  }
}

}  // namespace ht
