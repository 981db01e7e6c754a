#include "backends/gif_image.h"

#include <cstring>

namespace ht {

// ---------------------------------------------------------------------------
// Part lists

THtGIFPartList::~THtGIFPartList() { Clear(); }

void THtGIFPartList::SaveToStream(TStream& Stream) {
  for (int32_t i = 0; i < Count(); ++i) Items(i)->SaveToStream(Stream);
}

THtGIFPart::~THtGIFPart() {
  if (FList) FList->Remove(this);
}

int32_t THtGIFPartList::IndexOf(const THtGIFPart* Item) const {
  if (Item->FList != this) return -1;
  // Parts are nearly always asked for right after they were appended.
  if (Count() > 0 && Items(Count() - 1) == Item) return Count() - 1;
  return FItems.IndexOf(Item);
}

int32_t THtGIFPartList::Add(THtGIFPart* Item) {
  const int32_t i = IndexOf(Item);
  if (i >= 0) return i;
  if (Item->FList) Item->FList->Remove(Item);
  Item->FList = this;
  return FItems.Add(Item);
}

void THtGIFPartList::Insert(int32_t Index, THtGIFPart* Item) {
  if (Item->FList) Item->FList->Remove(Item);
  FItems.Insert(Index, Item);
  Item->FList = this;
}

void THtGIFPartList::Remove(THtGIFPart* Item) {
  if (Item->FList != this) return;
  Item->FList = nullptr;
  if (Count() > 0 && Items(Count() - 1) == Item)
    FItems.Delete(Count() - 1);  // not owning: only removes
  else
    FItems.Extract(Item);
}

void THtGIFPartList::Clear() {
  for (int32_t i = Count() - 1; i >= 0; --i) Delete(i);
}

void THtGIFPartList::Delete(int32_t Index) {
  THtGIFPart* item = Items(Index);
  FItems.Delete(Index);  // not owning: only removes
  item->FList = nullptr;
  delete item;
}

THtGIFFrame* TGIFImageList::Frames(int32_t Index) const { return static_cast<THtGIFFrame*>(Items(Index)); }

namespace {
// The next byte that is not 0; false at the end of the stream.
bool nextBlockByte(TStream& Stream, uint8_t& b) {
  while (gif::TryReadByte(Stream, b))
    if (b != 0) return true;
  return false;
}
}  // namespace

void TGIFImageList::LoadFromStream(TStream& Stream) {
  uint8_t b;
  bool more = nextBlockByte(Stream, b);
  while (more && b != 0x3B) {
    gif::StepBack(Stream);
    if (b != 0x21 && b != 0x2C) break;  // unknown bytes end the loading quietly
    THtGIFFrame* frame = new THtGIFFrame(FImage);  // owned by this list from here
    try {
      frame->LoadFromStream(Stream);
    } catch (...) {
      delete frame;
      throw;
    }
    if (frame->Empty() && frame->Extensions().Count() == 0) delete frame;
    more = nextBlockByte(Stream, b);
  }
  gif::StepBack(Stream);
}

// ---------------------------------------------------------------------------
// Header

TGIFHeader::TGIFHeader(THtGifImage* GIFImage)
    : THtGIFPart(GIFImage), FColorTable(std::make_unique<TGIFGlobalColorTable>(this)) {
  Clear();
}

void TGIFHeader::Clear() {
  FColorTable->Clear();
  FScreenDescriptor = TGIFScreenDescriptor{};
}

void TGIFHeader::Prepare() {
  const int32_t bpp = FColorTable->BitsPerPixel();
  uint8_t packed = 0;
  if (FColorTable->Count() > 0) {
    packed |= 0x80;
    if (FColorTable->Optimized) packed |= 0x08;
  }
  packed |= uint8_t((bpp * 16 - 16) & 0x70);
  packed |= uint8_t((bpp - 1) & 7);
  FScreenDescriptor.PackedFields = packed;
}

void TGIFHeader::SaveToStream(TStream& Stream) {
  const THtGIFVersion version = FImage->Version();
  if (version == gvUnknown) throw EHtGIFException(u"Cannot save empty GIF");
  Stream.WriteBuffer(version == gv87a ? "GIF87a" : "GIF89a", 6);
  Prepare();
  uint8_t sd[7];
  gif::PutWord(sd, FScreenDescriptor.ScreenWidth);
  gif::PutWord(sd + 2, FScreenDescriptor.ScreenHeight);
  sd[4] = FScreenDescriptor.PackedFields;
  sd[5] = FScreenDescriptor.BackgroundColorIndex;
  sd[6] = FScreenDescriptor.AspectRatio;
  Stream.WriteBuffer(sd, 7);
  if (FScreenDescriptor.PackedFields & 0x80) FColorTable->SaveToStream(Stream);
}

void TGIFHeader::LoadFromStream(TStream& Stream) {
  const int64_t pos = Stream.Position();
  uint8_t sig[6];
  auto isGif = [&sig] {
    return std::toupper(sig[0]) == 'G' && std::toupper(sig[1]) == 'I' && std::toupper(sig[2]) == 'F';
  };
  gif::ReadCheck(Stream, sig, 6);
  if (!isGif()) {
    // Tolerate a four-byte prefix in front of the signature.
    Stream.SetPosition(pos + 4);
    gif::ReadCheck(Stream, sig, 6);
    if (!isGif()) throw EHtGIFException(u"Bad GIF signature");
  }
  uint8_t sd[7];
  gif::ReadCheck(Stream, sd, 7);
  FScreenDescriptor.ScreenWidth = gif::GetWord(sd);
  FScreenDescriptor.ScreenHeight = gif::GetWord(sd + 2);
  FScreenDescriptor.PackedFields = sd[4];
  FScreenDescriptor.BackgroundColorIndex = sd[5];
  FScreenDescriptor.AspectRatio = sd[6];
  if (sd[4] & 0x80)
    FColorTable->LoadFromStream(Stream, 2 << (sd[4] & 7));
  else
    FColorTable->Clear();
}

void TGIFHeader::Assign(const TGIFHeader& Source) {
  if (&Source == this) return;
  FColorTable->Assign(*Source.FColorTable);
  FScreenDescriptor = Source.FScreenDescriptor;
}

void TGIFHeader::Assign(const TGIFColorTable& Source) {
  Clear();
  FColorTable->Assign(Source);
}

THtGIFVersion TGIFHeader::GetVersion() const {
  return FColorTable->Optimized || FScreenDescriptor.AspectRatio != 0 ? gv89a : gv87a;
}

void TGIFHeader::SetBackgroundColorIndex(uint8_t Value) {
  if (Value >= FColorTable->Count() && FColorTable->Count() > 0) Value = 0;
  FScreenDescriptor.BackgroundColorIndex = Value;
}

uint32_t TGIFHeader::BackgroundColor() const { return FColorTable->GetColor(FScreenDescriptor.BackgroundColorIndex); }

void TGIFHeader::SetBackgroundColor(uint32_t Value) {
  SetBackgroundColorIndex(uint8_t(FColorTable->AddUnique(Value)));
}

// ---------------------------------------------------------------------------
// Image

THtGifImage::THtGifImage()
    : FFrames(std::make_unique<TGIFImageList>(this)), FHeader(std::make_unique<TGIFHeader>(this)) {
  Clear();
  FTransparent = true;
}

THtGifImage::~THtGifImage() {
  Clear();
  FFrames.reset();
  FHeader.reset();
}

void THtGifImage::Clear() {
  FBitmap.reset();
  FFrames->Clear();
  FHeader->ColorTable().Clear();
  FHeader->SetWidth(0);
  FHeader->SetHeight(0);
  FHeader->Prepare();
  FGlobalPalette.reset();
  FFrameIndex = -1;
  FSavedIndex = -1;
}

void THtGifImage::LoadFromStream(TStream& Stream) {
  Clear();
  struct Budget {
    int64_t& left;
    ~Budget() { left = -1; }
  } budget{FLoadPixelsLeft = kGifMaxLoadPixels};
  const int64_t position = Stream.Position(), size = Stream.Size();
  FLoadPixelsLeft = GifLoadPixelAllowance(size >= position ? size - position : -1);
  FHeader->LoadFromStream(Stream);
  if (int64_t(Width()) * Height() > FLoadPixelsLeft) throw EHtGIFException(u"Image is too large");
  FFrames->LoadFromStream(Stream);
  gif::ReadByte(Stream);  // the trailer, unchecked
}

void THtGifImage::ReserveLoadPixels(int64_t Pixels) {
  if (FLoadPixelsLeft < 0) return;
  if (Pixels > FLoadPixelsLeft) throw EHtGIFException(u"Image is too large");
  FLoadPixelsLeft -= Pixels;
}

void THtGifImage::LoadfromFile(StringView FileName) {
  TFileStream stream(FileName, fmOpenRead);
  LoadFromStream(stream);
}

void THtGifImage::SaveToStream(TStream& Stream) {
  FHeader->SaveToStream(Stream);
  FFrames->SaveToStream(Stream);
  gif::WriteByte(Stream, 0x3B);
  Modified = false;
}

void THtGifImage::SaveToFile(StringView Filename) {
  TFileStream stream(Filename, fmCreate);
  SaveToStream(stream);
}

THtGIFFrame* THtGifImage::Add(const THtGifImage& Source) {
  THtGIFFrame* last = nullptr;
  for (int32_t i = 0; i < Source.Frames().Count(); ++i) {
    auto* frame = new THtGIFFrame(this);
    try {
      frame->Assign(Source.Frames().Frames(i));
    } catch (...) {
      delete frame;
      throw;
    }
    last = frame;
  }
  FBitmap.reset();
  return last;
}

THtGIFFrame* THtGifImage::Add(const THtGIFFrame& Source) {
  auto* frame = new THtGIFFrame(this);
  try {
    frame->Assign(&Source);
  } catch (...) {
    delete frame;
    throw;
  }
  FBitmap.reset();
  return frame;
}

void THtGifImage::Assign(const THtGifImage* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  FHeader->Assign(*Source->FHeader);
  DrawBackgroundColor = Source->DrawBackgroundColor;
  ColorReduction = Source->ColorReduction;
  DitherMode = Source->DitherMode;
  FTransparent = Source->IsTransparent();
  Add(*Source);
}

void THtGifImage::Assign(const THtGIFFrame& Source) {
  Clear();
  Add(Source);
}

void THtGifImage::Pack() {
  FBitmap.reset();
  FGlobalPalette.reset();
  for (int32_t i = 0; i < FFrames->Count(); ++i) {
    FFrames->Frames(i)->FreeBitmap();
    FFrames->Frames(i)->DropPalette();
  }
  if (GlobalColorTable().Count() == 0 && FFrames->Count() == 1) {
    THtGIFFrame* frame = FFrames->Frames(0);
    GlobalColorTable().Assign(frame->ColorTable());
    frame->ColorTable().Clear();
    frame->DropPalette();
  }
}

uint32_t THtGifImage::EffectiveBackgroundColor() const {
  if (DrawBackgroundColor != 0x1FFFFFFF) return DrawBackgroundColor;
  if (GlobalColorTable().Count() == 0) return 0xFFFFFFFF;
  return BackgroundColor();
}

THtGIFVersion THtGifImage::Version() const {
  THtGIFVersion v = gvUnknown;
  for (int32_t i = 0; i < FFrames->Count() && v != gv89a; ++i) v = std::max(v, FFrames->Frames(i)->Version());
  return v;
}

int32_t THtGifImage::BitsPerPixel() const {
  int32_t b = GlobalColorTable().BitsPerPixel();
  for (int32_t i = 0; i < FFrames->Count(); ++i) b = std::max(b, FFrames->Frames(i)->BitsPerPixel());
  return b;
}

int32_t THtGifImage::ColorResolution() const {
  int32_t r = GlobalColorTable().BitsPerPixel() - 1;
  for (int32_t i = 0; i < FFrames->Count(); ++i) r = std::max(r, FFrames->Frames(i)->ColorResolution());
  return r;
}

void THtGifImage::SetBackgroundColorIndex(uint8_t Value) {
  if (Value == BackgroundColorIndex()) return;
  FHeader->SetBackgroundColorIndex(Value);
  Pack();
}

void THtGifImage::SetBackgroundColor(uint32_t Value) {
  if (Value == BackgroundColor()) return;
  FHeader->SetBackgroundColor(Value);
  Pack();
}

void THtGifImage::SetAspectRatio(uint8_t Value) {
  if (Value == AspectRatio()) return;
  FHeader->SetAspectRatio(Value);
  Pack();
}

bool THtGifImage::IsTransparent() const {
  for (int32_t i = 0; i < FFrames->Count(); ++i)
    if (FFrames->Frames(i)->Transparent()) return true;
  return false;
}

void THtGifImage::SetReductionBits(int32_t Value) {
  if (Value < 3 || Value > 8) throw EHtGIFException(u"Invalid Bits Per Pixel value");
  FReductionBits = Value;
}

void THtGifImage::SetWidth(int32_t Value) {
  if (Value < 0 || Value > 65535) Value = 0;
  for (int32_t i = 0; i < FFrames->Count(); ++i) {
    const THtGIFFrame* f = FFrames->Frames(i);
    Value = std::max(Value, f->Left() + f->Width());
  }
  if (Value != Width()) {
    FHeader->SetWidth(uint16_t(std::min(Value, 65535)));
    FBitmap.reset();
  }
}

void THtGifImage::SetHeight(int32_t Value) {
  if (Value < 0 || Value > 65535) Value = 0;
  for (int32_t i = 0; i < FFrames->Count(); ++i) {
    const THtGIFFrame* f = FFrames->Frames(i);
    Value = std::max(Value, f->Top() + f->Height());
  }
  if (Value != Height()) {
    FHeader->SetHeight(uint16_t(std::min(Value, 65535)));
    FBitmap.reset();
  }
}

TGIFPalette THtGifImage::Palette() {
  if (IsInsideGetPalette) throw EHtGIFException(u"No global or local color table defined");
  IsInsideGetPalette = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{IsInsideGetPalette};
  if (FBitmap && !FBitmap->Palette().empty()) return FBitmap->Palette();
  if (FGlobalPalette) return *FGlobalPalette;
  if (GlobalColorTable().Count() > 0) {
    FGlobalPalette = std::make_unique<TGIFPalette>(GlobalColorTable().Data());
    return *FGlobalPalette;
  }
  if (FFrames->Count() == 0) return {};
  return FFrames->Frames(0)->Palette();
}

void THtGifImage::SetPalette(const TGIFPalette& Value) {
  if (Value.empty())
    FGlobalPalette.reset();
  else
    FGlobalPalette = std::make_unique<TGIFPalette>(Value);
}

int32_t THtGifImage::LoopCount() const {
  for (int32_t i = 0; i < FFrames->Count(); ++i) {
    const TGIFExtensionList& exts = FFrames->Frames(i)->Extensions();
    for (int32_t j = 0; j < exts.Count(); ++j)
      if (exts.Extensions(j)->ClassRefOf() == &TGIFAppExtNSLoop::ClassType) {
        const int32_t loops = static_cast<const TGIFAppExtNSLoop*>(exts.Extensions(j))->Loops;
        return loops == 0 ? 0 : loops + 1;
      }
  }
  return 1;
}

TGifBitmap* THtGifImage::Bitmap() {
  if (FFrames->Count() == 0) return nullptr;
  if (!FBitmap) SetFrameIndex(0);
  return FBitmap.get();
}

namespace {
// A picture colour (red lowest, alpha on top) as premultiplied BGRA.
uint32_t bgraOf(uint32_t c) {
  const uint32_t a = c >> 24;
  if (a == 0) return 0;
  uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  if (a != 255) r = (r * a + 127) / 255, g = (g * a + 127) / 255, b = (b * a + 127) / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

TRect clipTo(const TRect& r, int32_t w, int32_t h) {
  return TRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, w), std::min(r.Bottom, h)};
}
}  // namespace

void THtGifImage::saveUnder(int32_t Index, const TRect& Rect) {
  FSavedIndex = Index;
  FSavedRect = clipTo(Rect, FBitmap->Width(), FBitmap->Height());
  const size_t rowBytes = size_t(std::max(0, FSavedRect.Right - FSavedRect.Left)) * 4;
  FSavedPixels.resize(rowBytes * size_t(std::max(0, FSavedRect.Bottom - FSavedRect.Top)));
  uint8_t* out = FSavedPixels.data();
  for (int32_t y = FSavedRect.Top; y < FSavedRect.Bottom; ++y, out += rowBytes)
    std::memcpy(out, FBitmap->ScanLine(y) + size_t(FSavedRect.Left) * 4, rowBytes);
}

void THtGifImage::restorePrevious(int32_t PrevIndex) {
  if (FSavedIndex != PrevIndex) return;
  const size_t rowBytes = size_t(std::max(0, FSavedRect.Right - FSavedRect.Left)) * 4;
  const uint8_t* in = FSavedPixels.data();
  for (int32_t y = FSavedRect.Top; y < FSavedRect.Bottom; ++y, in += rowBytes)
    std::memcpy(FBitmap->ScanLine(y) + size_t(FSavedRect.Left) * 4, in, rowBytes);
  FSavedIndex = -1;
}

void THtGifImage::SetFrameIndex(int32_t Index) {
  const int32_t last = FFrames->Count() - 1;
  if (Index < 0) Index = 0;
  if (Index > last) Index = last;
  if (Index < FFrameIndex) FFrameIndex = -1;
  if (!FBitmap) {
    CheckGifPixelBudget(Width(), Height());
    auto picture = std::make_unique<TGifBitmap>();
    picture->SetPixelFormat(gpf32bit);
    picture->SetWidth(Width());
    picture->SetHeight(Height());
    FBitmap = std::move(picture);
    FFrameIndex = -1;  // a new picture starts from the first frame
  }
  if (FFrames->Count() == 1) {
    FBitmap->Assign(FFrames->Frames(0)->Bitmap());
    return;
  }
  if (FFrameIndex == -1) {
    if (FBitmap->PixelFormat() != gpf32bit) {
      // The single-frame copy left an 8-bit picture behind.
      FBitmap = std::make_unique<TGifBitmap>();
      FBitmap->SetPixelFormat(gpf32bit);
      FBitmap->SetWidth(Width());
      FBitmap->SetHeight(Height());
    }
    FBitmap->Fill(0);
    FSavedIndex = -1;
  }
  const int32_t pw = FBitmap->Width(), ph = FBitmap->Height();
  while (FFrameIndex < Index) {
    ++FFrameIndex;
    THtGIFFrame* frame = FFrames->Frames(FFrameIndex);
    TGifBitmap* fb = frame->Bitmap();
    if (!fb) continue;
    if (FFrameIndex > 0) {
      const THtGIFFrame* prev = FFrames->Frames(FFrameIndex - 1);
      const int32_t disposal = prev->GraphicControlExtension() ? prev->GraphicControlExtension()->Disposal() : 0;
      if (disposal == fdmBackground) {
        uint32_t fill = frame->Transparent() ? 0 : EffectiveBackgroundColor();
        if (PictureBGRA) fill = bgraOf(fill);
        FBitmap->FillRect(prev->BoundsRect(), fill);
      }
      else if (disposal == fdmPreviousFrame)
        restorePrevious(FFrameIndex - 1);
    }
    if (fb->PixelFormat() != gpf8bit) continue;
    const TRect bounds{frame->Left(), frame->Top(), frame->Left() + fb->Width(), frame->Top() + fb->Height()};
    const int32_t disposal = frame->GraphicControlExtension() ? frame->GraphicControlExtension()->Disposal() : 0;
    if (disposal == fdmPreviousFrame) saveUnder(FFrameIndex, bounds);

    // Colours of the frame's palette as picture pixels, once per frame.
    const TGIFPalette& palette = fb->Palette();
    uint32_t colors[256];
    for (int32_t i = 0; i < 256; ++i)
      colors[i] = size_t(i) < palette.size() ? 0xFF000000u | GifColorValue(palette[size_t(i)]) : 0xFF000000u;
    if (PictureBGRA)
      for (uint32_t& c : colors) c = bgraOf(c);
    const bool transparent = fb->Transparent();
    const int32_t tIndex = fb->TransparentIndex;
    const TRect clip = clipTo(bounds, pw, ph);
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
      const uint8_t* src = fb->ScanLine(y - bounds.Top) + (clip.Left - bounds.Left);
      uint8_t* dst = FBitmap->ScanLine(y) + size_t(clip.Left) * 4;
      for (int32_t x = clip.Left; x < clip.Right; ++x, ++src, dst += 4) {
        if (transparent && *src == tIndex) continue;
        std::memcpy(dst, &colors[*src], 4);
      }
    }
  }
}

}  // namespace ht
