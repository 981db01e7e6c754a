#include "backends/gp_images.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "canvas/bitmap_effects.h"
#include "canvas/path.h"
#include "canvas/path_records.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/rtl_errors.h"

namespace ht {

const THtImageClass THtImageGP::ClassType{"THtImageGP", &THtImage::ClassType, &CreateInstance<THtImageGP, THtImage>};
const THtBitmapClass THtBitmapGP::ClassType{"THtBitmapGP", &THtBitmap::ClassType,
                                            &CreateInstance<THtBitmapGP, THtBitmap, int, int, bool>};

gdi::HDC CanvasDC(const THtObject* Canvas) {
  if (auto* b = dynamic_cast<const THtBitmapGP*>(Canvas)) return b->Handle;
  if (auto* c = dynamic_cast<const gdi::TCanvas*>(Canvas)) return const_cast<gdi::TCanvas*>(c)->Handle();
  return nullptr;
}

// ---------------------------------------------------------------- image

THtImageGP::~THtImageGP() = default;

void THtImageGP::LoadFromBytes(const THtBytes& ABytes, bool InLoader) {
  THtImage::LoadFromBytes(ABytes, InLoader);
  FSourceStream = std::make_unique<TMemoryStream>(ABytes.data(), ABytes.size());
  FImage.reset();
  FDelays.clear();
  FFrameCount = 0;
  FActiveFrame = 0;
  FFrame = 0;
  FElapsed = 0;
  Width = Height = 0;
  Animated = false;
  FrameTime = 0;
  if (Kind == hikSVG) return;
  if (ABytes.empty()) {
    Loaded = true;
    return;
  }
  FImage = gdiplus::Image::FromBytes(ABytes.data(), ABytes.size());
  if (FImage->GetLastStatus() != gdiplus::Ok) {
    // Nothing could read the bytes: report a failed load, not an empty image.
    FImage.reset();
    Loaded = false;
    return;
  }
  Width = int(FImage->GetWidth());
  Height = int(FImage->GetHeight());
  FFrameCount = int(FImage->GetFrameCount());
  if (FFrameCount > 1) {
    Animated = true;
    if (FImage->GetPropertyItem(gdiplus::PropertyTagFrameDelay, FDelays) != gdiplus::Ok)
      throw Exception(String(u"1"));
    FDelays.resize(size_t(FFrameCount), 0);
    int total = 0;
    for (uint32_t& d : FDelays) {
      if (d == 0) d = uint32_t(100 / FFrameCount);
      total += int(d);
    }
    FrameTime = total;
  }
  Loaded = true;
}

void THtImageGP::LoadFromPixels(const uint8_t* Top, int W, int H, int Stride) {
  auto bmp = std::make_unique<gdiplus::Bitmap>(W, H);
  if (bmp->GetLastStatus() == gdiplus::Ok) {
    core::TCoreSurface* s = bmp->Surface();
    for (int y = 0; y < H; ++y) std::memcpy(s->ScanLine(y), Top + ptrdiff_t(y) * Stride, size_t(W) * 4);
    s->MarkDirty();
    Width = W;
    Height = H;
    FFrameCount = 1;
    FImage = std::move(bmp);
    Loaded = true;
  }
}

bool THtImageGP::NextFrame(int ElapsedMs) {
  if (FFrameCount < 2 || FDelays.empty()) return false;
  FElapsed += ElapsedMs;
  const int f = FFrame.load();
  if (FElapsed < 10 * int(FDelays[size_t(f)])) return false;
  FElapsed = 0;
  FFrame = f + 1 >= FFrameCount ? 0 : f + 1;
  return true;
}

void THtImageGP::SelectFrame() {
  const int f = FFrame.load();
  if (FImage && f != FActiveFrame) {
    FImage->SelectActiveFrame(unsigned(f));
    FActiveFrame = f;
  }
}

// ---------------------------------------------------------------- bitmap

THtBitmapGP::THtBitmapGP(int AWidth, int AHeight, bool DIB) : THtBitmap(AWidth, AHeight, DIB) {
  VerticalInverted = 1;
  SetSize(AWidth, AHeight);
}

THtBitmapGP::~THtBitmapGP() {
  if (Handle) gdi::DeleteDC(Handle);
  if (FBitmap) gdi::DeleteObject(FBitmap);
}

void THtBitmapGP::SetSize(int NewWidth, int NewHeight) {
  NewWidth = std::max(NewWidth, 0);
  NewHeight = std::max(NewHeight, 0);
  if (NewWidth == FWidth && NewHeight == FHeight && FBitmap) return;
  gdi::HBITMAP bmp = nullptr;
  gdi::HDC dc = nullptr;
  uint8_t* bits = nullptr;
  if (int64_t(NewWidth) * NewHeight != 0) {
    if (!core::WithinPixelBudget(NewWidth, NewHeight)) throw EOSError(String(u"Not enough storage is available to process this command"));
    bmp = gdi::CreateDIBSection32(NewWidth, NewHeight, &bits);
    if (!bmp) throw EOSError(String(u"Not enough storage is available to process this command"));
    dc = gdi::CreateCompatibleDC(nullptr);
    gdi::SelectObject(dc, bmp);
    if (FBitmap) {
      const int w = std::min(NewWidth, FWidth), h = std::min(NewHeight, FHeight);
      if (w > 0 && h > 0) gdi::BitBlt(dc, 0, 0, w, h, Handle, 0, 0, gdi::SRCCOPY);
    }
    gdi::SetGraphicsMode(dc, gdi::GM_ADVANCED);
  }
  if (Handle) gdi::DeleteDC(Handle);
  if (FBitmap) gdi::DeleteObject(FBitmap);
  FBitmap = bmp;
  Handle = dc;
  Buffer = bits;
  FWidth = bmp ? NewWidth : 0;
  FHeight = bmp ? NewHeight : 0;
  if (!bmp) FWidth = NewWidth, FHeight = NewHeight;
}

void THtBitmapGP::FillRect(const TRect& R, uint32_t Color) {
  core::TCoreSurface* s = Surface();
  if (!s) return;
  s->Flush();
  FillPixelRectAlpha(s->ScanLine(0), FWidth, FHeight, s->Stride(), R, Color);
  s->MarkDirty();
}

void THtBitmapGP::CopyFromCanvas(const THtObject* Canvas, const TRect& R) {
  gdi::HDC src = CanvasDC(Canvas);
  if (!src || !Handle) return;
  gdi::BitBlt(Handle, 0, 0, R.Right - R.Left, R.Bottom - R.Top, src, R.Left, R.Top, gdi::SRCCOPY);
}

void THtBitmapGP::DrawOnCanvas(const THtObject* Canvas, const TRectF& R, uint8_t Alpha, bool AlphaBlend) {
  gdi::HDC dest = CanvasDC(Canvas);
  if (!dest || !Handle) return;
  const int l = int(std::lround(R.Left)), t = int(std::lround(R.Top));
  if (AlphaBlend) {
    gdi::BLENDFUNCTION bf;
    bf.SourceConstantAlpha = Alpha;
    gdi::AlphaBlend(dest, l, t, int(std::lround(R.Right)) - l, int(std::lround(R.Bottom)) - t, Handle, 0, 0, FWidth,
                    FHeight, bf);
  } else if (!gdi::BitBlt(dest, l, t, FWidth, FHeight, Handle, 0, 0, gdi::SRCCOPY)) {
    throw EOSError(String(u"The parameter is incorrect"));
  }
}

void THtBitmapGP::ApplyClipPath(THtPath* Path) {
  // The DC keeps rectangle clips only; a path clip is the path's bounds.
  if (!Path || !Handle) return;
  TRectF b;
  Path->GetBounds(b, nullptr);
  gdi::HRGN r = gdi::CreateRectRgn(int(std::lround(b.Left)), int(std::lround(b.Top)), int(std::lround(b.Right)),
                                   int(std::lround(b.Bottom)));
  gdi::ExtSelectClipRgn(Handle, r, gdi::RGN_AND);
  gdi::DeleteObject(r);
}

}  // namespace ht
