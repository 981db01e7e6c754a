#include "canvas/image.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/code_pages.h"

namespace ht {

const THtImageClass THtImage::ClassType{"THtImage", nullptr, &CreateInstance<THtImage, THtImage>};

std::unique_ptr<THtImage> THtImageClass::CreateFromString(StringView s) const {
  std::unique_ptr<THtImage> img = Create();
  if (img && !s.empty()) img->LoadFromString(s);
  return img;
}

std::unique_ptr<THtImage> THtImageClass::CreateFromBytes(const THtBytes& ABytes) const {
  std::unique_ptr<THtImage> img = Create();
  if (img && !ABytes.empty()) img->LoadFromBytes(ABytes, false);
  return img;
}

THtImage::~THtImage() {
  if (MetaList && !ListShared && MetaListDeleter) MetaListDeleter(MetaList);
}

void THtImage::LoadFromString(StringView s) {
  const std::string ansi = StringToAnsi(s);
  // One byte per unit of s, whatever the code page produced.
  THtBytes bytes(s.size(), 0);
  std::memcpy(bytes.data(), ansi.data(), std::min(ansi.size(), bytes.size()));
  LoadFromBytes(bytes, false);
}

void THtImage::LoadFromBytes(const THtBytes& ABytes, bool) { DetectKind(ABytes); }

bool THtImage::NextFrame(int) { return false; }

THtBytes THtImage::AsBytes() {
  TStream* stream = GetSourceStream();
  if (!stream) return THtBytes();
  if (auto* mem = dynamic_cast<TMemoryStream*>(stream)) return mem->Data();
  THtBytes bytes(size_t(stream->Size()));
  stream->SetPosition(0);
  if (!bytes.empty()) stream->ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

bool THtImage::IsJPEG(const THtBytes& b) { return b.size() >= 6 && b[0] == 0xFF && b[1] == 0xD8; }

bool THtImage::IsPNG(const THtBytes& b) {
  return b.size() >= 6 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G' && b[4] == 0x0D;
}

bool THtImage::IsGIF(const THtBytes& b) { return b.size() >= 6 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F'; }

bool THtImage::IsBMP(const THtBytes& b) { return b.size() >= 6 && b[0] == 'B' && b[1] == 'M'; }

bool THtImage::IsSVG(const THtBytes& b) {
  if (b.size() < 6 || b[0] != '<') return false;
  // "<s" or "<S", then "v", or "V" followed by "g"/"G" ("<sv" takes any
  // following byte).
  if (b[1] == 's' || b[1] == 'S') {
    if (b[2] == 'v') return true;
    if (b[2] == 'V' && (b[3] == 'g' || b[3] == 'G')) return true;
  }
  return std::memcmp(b.data(), "<?xml", 5) == 0;
}

void THtImage::DetectKind(const THtBytes& b) {
  if (b.size() < 6) return;
  if (IsJPEG(b))
    Kind = hikJPEG;
  else if (IsPNG(b))
    Kind = hikPNG;
  else if (IsGIF(b))
    Kind = hikGIF;
  else if (IsBMP(b))
    Kind = hikBMP;
  else if (IsSVG(b))
    Kind = hikSVG;
  else if (b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0)
    Kind = hikIcon;
  else if ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M'))
    Kind = hikTIFF;
}

THtImages::THtImages() { SetSorted(true); }

THtImages::~THtImages() {
  for (int32_t i = 0; i < Count(); ++i) {
    auto* img = static_cast<THtImage*>(GetObject(i));
    if (img && !img->Shared) delete img;
    PutObject(i, nullptr);
  }
}

THtImage* THtImages::FindImage(StringView Url) const {
  int32_t i;
  return Find(Url, i) ? static_cast<THtImage*>(GetObject(i)) : nullptr;
}

}  // namespace ht
