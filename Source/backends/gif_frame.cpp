#include <cstring>

#include "backends/gif_image.h"

namespace ht {

// ---------------------------------------------------------------------------
// TGifBitmap

void TGifBitmap::Assign(const TGifBitmap* Source) {
  if (!Source) throw EHtGIFException(u"Incompatible types");
  if (Source == this) return;
  FData = Source->FData;
  FPalette = Source->FPalette;
  FWidth = Source->FWidth;
  FHeight = Source->FHeight;
  FPixelFormat = Source->FPixelFormat;
}

int32_t TGifBitmap::PixelSize() const {
  switch (FPixelFormat) {
    case gpf8bit: return 1;
    case gpf16bit: return 2;
    case gpf24bit: return 3;
    default: return 4;
  }
}

void TGifBitmap::resize() { FData.resize(size_t(FWidth) * size_t(FHeight) * size_t(PixelSize()), 0); }

void TGifBitmap::SetWidth(int32_t Value) {
  FWidth = Value < 0 ? 0 : Value;
  resize();
}

void TGifBitmap::SetHeight(int32_t Value) {
  FHeight = Value < 0 ? 0 : Value;
  resize();
}

void TGifBitmap::SetPixelFormat(THtGIFPixelFormat Value) {
  if (Value == FPixelFormat) return;
  FPixelFormat = Value;
  resize();
}

uint32_t TGifBitmap::TransparentColor() const {
  if (FTransparent && TransparentIndex >= 0 && !FPalette.empty())
    return GifColorValue(FPalette[size_t(TransparentIndex) < FPalette.size() ? size_t(TransparentIndex) : 0]);
  return FTransparentColor;
}

uint32_t TGifBitmap::GetPixel(int32_t, int32_t) const {
  if (FData.empty()) return 0;
  switch (FPixelFormat) {
    case gpf8bit: return FData[0];
    case gpf16bit: return FData.size() >= 2 ? uint32_t(FData[0] | FData[1] << 8) : 0;
    case gpf24bit: return FData.size() >= 3 ? uint32_t(FData[0] + FData[1] * 256 + FData[2] * 65536) : 0;
    default: return 0;
  }
}

void TGifBitmap::Fill(uint32_t AColor) { FillRect(TRect{0, 0, FWidth, FHeight}, AColor); }

void TGifBitmap::FillRect(const TRect& Rect, uint32_t AColor) {
  if (FPixelFormat != gpf24bit && FPixelFormat != gpf32bit) return;
  const int32_t left = std::max(Rect.Left, 0), right = std::min(Rect.Right, FWidth);
  const int32_t top = std::max(Rect.Top, 0), bottom = std::min(Rect.Bottom, FHeight);
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* row = ScanLine(y);
    for (int32_t x = left; x < right; ++x) {
      if (FPixelFormat == gpf24bit) {
        row[x * 3] = uint8_t(AColor);
        row[x * 3 + 1] = uint8_t(AColor >> 8);
        row[x * 3 + 2] = uint8_t(AColor >> 16);
      } else {
        std::memcpy(row + x * 4, &AColor, 4);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// THtGIFFrame

THtGIFFrame::THtGIFFrame(THtGifImage* GIFImage)
    : THtGIFPart(GIFImage),
      FColorTable(std::make_unique<TGIFLocalColorTable>(this)),
      FExtensions(std::make_unique<TGIFExtensionList>(this)) {
  FImageDescriptor.Separator = 0x2C;
  if (FImage) FImage->Frames().Add(this);
}

THtGIFFrame::~THtGIFFrame() {
  if (FList) FList->Remove(this);
  FExtensions->Clear();
  FGCE = nullptr;
}

void THtGIFFrame::Clear() {
  FExtensions->Clear();
  FColorTable->Clear();
  FData.clear();
  FData.shrink_to_fit();
  SetBounds(0, 0, 0, 0);
  FGCE = nullptr;
  FBitmap.reset();
  FLocalPalette.reset();
}

bool THtGIFFrame::Empty() const { return FData.empty() || Width() == 0 || Height() == 0; }

uint8_t THtGIFFrame::fillIndex() const { return Transparent() ? FGCE->TransparentColorIndex() : 0; }

void THtGIFFrame::AllocateData() {
  CheckGifPixelBudget(Width(), Height());
  FData.assign(size_t(Width()) * Height(), fillIndex());
}

void THtGIFFrame::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (ALeft < 0 || ATop < 0 || AWidth < 0 || AHeight < 0 || ALeft + AWidth > 65535 || ATop + AHeight > 65535)
    throw EHtGIFException(u"Invalid image size");
  const bool resized = AWidth != Width() || AHeight != Height();
  if (resized) CheckGifPixelBudget(AWidth, AHeight);
  FImageDescriptor.Left = uint16_t(ALeft);
  FImageDescriptor.Top = uint16_t(ATop);
  FImageDescriptor.Width = uint16_t(AWidth);
  FImageDescriptor.Height = uint16_t(AHeight);
  if (resized) {
    FBitmap.reset();
    FData.clear();
    if (AWidth > 0 && AHeight > 0)
      AllocateData();
    else
      FData.shrink_to_fit();
  }
  if (FImage) {
    if (FImage->Width() < ALeft + AWidth) FImage->SetWidth(ALeft + AWidth);
    if (FImage->Height() < ATop + AHeight) FImage->SetHeight(ATop + AHeight);
  }
}

void THtGIFFrame::SetBoundsRect(const TRect& Value) {
  SetBounds(Value.Left, Value.Top, Value.Right - Value.Left + 1, Value.Bottom - Value.Top + 1);
}

TGIFColorTable& THtGIFFrame::ActiveColorTable() const {
  if (FColorTable->Count() > 0) return *FColorTable;
  if (FImage && FImage->GlobalColorTable().Count() > 0) return FImage->GlobalColorTable();
  return *FColorTable;
}

THtGIFVersion THtGIFFrame::GetVersion() const {
  return FColorTable->Optimized || FExtensions->Count() > 0 ? gv89a : gv87a;
}

bool THtGIFFrame::Transparent() const { return FGCE && FGCE->Transparent(); }

uint16_t THtGIFFrame::Delay() const { return FGCE && FGCE->Delay() != 0 ? FGCE->Delay() : 10; }

void THtGIFFrame::SetDelay(uint16_t Value) {
  if (!FGCE) new TGIFGraphicControlExtension(this);  // owned by the extension list
  FGCE->SetDelay(Value);
}

uint8_t* THtGIFFrame::Scanline(int32_t Row) {
  if (Row < 0 || Row >= Height()) throw EHtGIFException(u"Invalid pixel coordinates");
  if (FData.empty()) AllocateData();
  if (FData.empty()) throw EHtGIFException(u"Image is empty");
  return FData.data() + size_t(Row) * Width();
}

uint8_t THtGIFFrame::Pixels(int32_t Col, int32_t Row) {
  if (Col < 0 || Col >= Width()) throw EHtGIFException(u"Invalid pixel coordinates");
  return Scanline(Row)[Col];
}

void THtGIFFrame::SetPixel(int32_t Col, int32_t Row, uint8_t Value) {
  if (Col < 0 || Col >= Width()) throw EHtGIFException(u"Invalid pixel coordinates");
  uint8_t* row = Scanline(Row);
  if (row[Col] == Value) return;
  if (Value >= ActiveColorTable().Count()) throw EHtGIFException(u"Color not in color table");
  FBitmap.reset();
  row[Col] = Value;
}

TGIFPalette THtGIFFrame::Palette() {
  if (FBitmap && !FBitmap->Palette().empty()) return FBitmap->Palette();
  if (FLocalPalette) return *FLocalPalette;
  if (FColorTable->Count() > 0) {
    FLocalPalette = std::make_unique<TGIFPalette>(FColorTable->Data());
    return *FLocalPalette;
  }
  return FImage ? FImage->Palette() : TGIFPalette{};
}

void THtGIFFrame::SetPalette(const TGIFPalette& Value) {
  if (FLocalPalette && *FLocalPalette == Value) return;
  if (FBitmap && FBitmap->Palette() != Value) FBitmap.reset();
  if (Value.empty())
    FLocalPalette.reset();
  else
    FLocalPalette = std::make_unique<TGIFPalette>(Value);
}

TGifBitmap* THtGIFFrame::Bitmap() {
  if (FBitmap) return FBitmap.get();
  if (Empty()) return nullptr;
  auto bitmap = std::make_unique<TGifBitmap>();
  const TGIFPalette palette = Palette();
  bitmap->SetPixelFormat(gpf8bit);
  bitmap->SetWidth(Width());
  bitmap->SetHeight(Height());
  bitmap->SetPalette(palette);
  bitmap->SetTransparent(Transparent());
  if (Transparent()) bitmap->TransparentIndex = FGCE->TransparentColorIndex();
  const uint8_t top = uint8_t(palette.size() - 1);
  const size_t n = size_t(Width()) * Height();
  uint8_t* out = bitmap->ScanLine(0);
  const uint8_t* in = FData.data();
  for (size_t i = 0; i < n; ++i) out[i] = in[i] >= top ? top : in[i];
  FBitmap = std::move(bitmap);
  return FBitmap.get();
}

void THtGIFFrame::SetHasBitmap(bool Value) {
  if (Value)
    Bitmap();
  else
    FBitmap.reset();
}

void THtGIFFrame::Assign(const THtGIFFrame* Source) {
  if (Source == this) return;
  Clear();
  if (!Source || Source->Empty()) return;
  FImageDescriptor = Source->FImageDescriptor;
  FData = Source->FData;
  FColorTable->Assign(Source->ActiveColorTable());
  FExtensions->Assign(*Source->FExtensions);
  if (Source->FBitmap) {
    FBitmap = std::make_unique<TGifBitmap>();
    FBitmap->Assign(Source->FBitmap.get());
  }
}

void THtGIFFrame::WriteImageData(TStream& Stream) {
  int32_t bpp, maxColor;
  if (FColorTable->Count() > 0) {
    bpp = FColorTable->BitsPerPixel();
    maxColor = FColorTable->Count();
  } else {
    bpp = FImage ? FImage->BitsPerPixel() : 0;
    maxColor = 1 << bpp;
  }
  TLZWEncoder encoder;
  encoder.Compress(Stream, bpp, Width(), Height(), FData.empty() ? nullptr : FData.data(), maxColor);
}

void THtGIFFrame::SaveToStream(TStream& Stream) {
  FExtensions->SaveToStream(Stream);
  if (Empty()) return;
  // Rows are always written top to bottom, so the interlace bit goes too.
  uint8_t packed = FImageDescriptor.PackedFields & 0x10;
  if (FColorTable->Count() > 0) {
    packed |= 0x80;
    if (FColorTable->Optimized) packed |= 0x20;
    packed |= uint8_t((FColorTable->BitsPerPixel() - 1) & 7);
  }
  FImageDescriptor.PackedFields = packed;
  uint8_t desc[10];
  desc[0] = FImageDescriptor.Separator;
  gif::PutWord(desc + 1, FImageDescriptor.Left);
  gif::PutWord(desc + 3, FImageDescriptor.Top);
  gif::PutWord(desc + 5, FImageDescriptor.Width);
  gif::PutWord(desc + 7, FImageDescriptor.Height);
  desc[9] = packed;
  Stream.WriteBuffer(desc, 10);
  FColorTable->SaveToStream(Stream);
  WriteImageData(Stream);
}

void THtGIFFrame::LoadFromStream(TStream& Stream) {
  Clear();
  FExtensions->LoadFromStream(Stream);
  uint8_t b;
  if (!gif::TryReadByte(Stream, b)) return;
  gif::StepBack(Stream);
  if (b == 0x3B || b == 0) return;

  uint8_t desc[10];
  gif::ReadCheck(Stream, desc, 10);
  if (desc[0] != 0x2C) throw EHtGIFException(u"Invalid GIF data");
  TGIFImageDescriptor& d = FImageDescriptor;
  d.Separator = desc[0];
  d.Left = gif::GetWord(desc + 1);
  d.Top = gif::GetWord(desc + 3);
  d.Width = gif::GetWord(desc + 5);
  d.Height = gif::GetWord(desc + 7);
  d.PackedFields = desc[9];
  if (d.Left + d.Width > 65535) d.Width = uint16_t((d.Left + d.Width) % 65536);
  if (d.Top + d.Height > 65535) d.Height = uint16_t((d.Top + d.Height) % 65536);
  if (d.Width == 0 || d.Height == 0) {
    d.Width = uint16_t(FImage->Width());
    d.Height = uint16_t(FImage->Height());
  }
  if (d.PackedFields & 0x80) FColorTable->LoadFromStream(Stream, 2 << (d.PackedFields & 7));
  ReadImageData(*this, Stream);
  if (!FData.empty()) SetBounds(d.Left, d.Top, d.Width, d.Height);
}

}  // namespace ht
