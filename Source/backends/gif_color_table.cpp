#include "backends/gif_image.h"

namespace ht {

int32_t TGIFColorTable::Add(uint32_t Color) {
  if (FCount >= 256) throw EHtGIFException(u"Too many colors");
  if (FCount >= int32_t(FPalette.size())) {
    const int32_t needed = FCount + 1;
    FPalette.resize(size_t(needed <= 16 ? 16 : std::min(needed + 31, 256)));
  }
  FPalette[size_t(FCount)] = GifColorOf(Color);
  ++FCount;
  Optimized = false;
  Changed();
  return FCount - 1;
}

int32_t TGIFColorTable::AddUnique(uint32_t Color) {
  const int32_t i = IndexOf(Color);
  return i >= 0 ? i : Add(Color);
}

int32_t TGIFColorTable::IndexOf(uint32_t Color) const {
  const TGIFColor c = GifColorOf(Color);
  for (int32_t i = 0; i < FCount; ++i)
    if (FPalette[size_t(i)] == c) return i;
  return -1;
}

void TGIFColorTable::Delete(int32_t Index) {
  if (Index < 0 || Index >= FCount) throw EHtGIFException(u"Bad color index");
  FPalette.erase(FPalette.begin() + Index);
  --FCount;
  Optimized = false;
  Changed();
}

uint32_t TGIFColorTable::GetColor(int32_t Index) const {
  if (Index < 0 || Index >= FCount) {
    if (FCount == 0) throw EHtGIFException(u"Color table is empty");
    Index = 0;
  }
  return GifColorValue(FPalette[size_t(Index)]);
}

void TGIFColorTable::SetColor(int32_t Index, uint32_t Value) {
  if (Index < 0 || Index >= FCount) throw EHtGIFException(u"Bad color index");
  FPalette[size_t(Index)] = GifColorOf(Value);
  Changed();
}

void TGIFColorTable::ImportPalette(const TGIFPalette& Palette) {
  Clear();
  FPalette.assign(Palette.begin(), Palette.begin() + std::min<size_t>(Palette.size(), 256));
  FCount = int32_t(FPalette.size());
  Changed();
}

void TGIFColorTable::Assign(const TGIFColorTable& Source) {
  if (&Source == this) return;
  ImportPalette(Source.Data());
  Optimized = Source.Optimized;
  Changed();
}

void TGIFColorTable::Clear() {
  FPalette.clear();
  FCount = 0;
  Optimized = false;
}

int32_t TGIFColorTable::BitsPerPixel() const {
  if (FCount == 0) return 0;
  int32_t b = 1;
  while ((1 << b) < FCount) ++b;
  return b;
}

void TGIFColorTable::SaveToStream(TStream& Stream) const {
  if (FCount == 0) return;
  const int32_t entries = 1 << BitsPerPixel();
  std::vector<uint8_t> bytes(size_t(entries) * 3, 0);
  for (int32_t i = 0; i < FCount; ++i) {
    bytes[size_t(i) * 3] = FPalette[size_t(i)].Red;
    bytes[size_t(i) * 3 + 1] = FPalette[size_t(i)].Green;
    bytes[size_t(i) * 3 + 2] = FPalette[size_t(i)].Blue;
  }
  Stream.WriteBuffer(bytes.data(), bytes.size());
}

void TGIFColorTable::LoadFromStream(TStream& Stream, int32_t ACount) {
  Clear();
  std::vector<uint8_t> bytes(size_t(ACount) * 3);
  gif::ReadCheck(Stream, bytes.data(), bytes.size());
  FPalette.resize(size_t(ACount));
  for (int32_t i = 0; i < ACount; ++i)
    FPalette[size_t(i)] = TGIFColor{bytes[size_t(i) * 3], bytes[size_t(i) * 3 + 1], bytes[size_t(i) * 3 + 2]};
  FCount = ACount;
}

namespace {

using THistogram = std::vector<std::pair<int32_t, int32_t>>;  // (use count, colour index)

// Highest count first; the partition leaves equal counts where it drops them.
void quickSort(THistogram& h, int32_t left, int32_t right) {
  while (left < right) {
    int32_t i = left, j = right;
    const int32_t pivot = h[size_t((left + right) / 2)].first;
    do {
      while (h[size_t(i)].first > pivot) ++i;
      while (h[size_t(j)].first < pivot) --j;
      if (i <= j) {
        std::swap(h[size_t(i)], h[size_t(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (left < j) quickSort(h, left, j);
    left = i;
  }
}

}  // namespace

bool TGIFColorTable::SortByUsage() {
  if (FCount < 2) return false;
  Optimized = true;
  THistogram histogram;
  BuildHistogram(histogram);
  quickSort(histogram, 0, FCount - 1);
  bool inOrder = true;
  for (int32_t i = 0; i < FCount; ++i)
    if (histogram[size_t(i)].second != i) inOrder = false;
  if (inOrder) return true;
  // Map sized 256 so that any stored pixel value has an entry.
  std::vector<int32_t> map(256);
  for (int32_t i = 0; i < 256; ++i) map[size_t(i)] = i;
  for (int32_t pos = 0; pos < FCount; ++pos) map[size_t(histogram[size_t(pos)].second)] = pos;
  RemapImages(map);
  TGIFPalette sorted(FPalette.size());
  for (int32_t i = 0; i < FCount; ++i) sorted[size_t(map[size_t(i)])] = FPalette[size_t(i)];
  for (int32_t i = FCount; i < int32_t(FPalette.size()); ++i) sorted[size_t(i)] = FPalette[size_t(i)];
  FPalette = std::move(sorted);
  for (int32_t pos = 0; pos < FCount; ++pos)
    if (histogram[size_t(pos)].first == 0) {
      FCount = pos;
      break;
    }
  Changed();
  return true;
}

void TGIFColorTable::countPixels(THtGIFFrame& Frame, THistogram& Histogram) {
  const int32_t n = int32_t(Histogram.size());
  for (uint8_t v : Frame.Data())
    if (v < n) ++Histogram[v].first;
}

void TGIFColorTable::remapPixels(THtGIFFrame& Frame, const std::vector<int32_t>& Map) {
  for (uint8_t& v : Frame.Data()) v = uint8_t(Map[v]);
  Frame.FreeBitmap();
  if (Frame.Transparent()) {
    TGIFGraphicControlExtension* gce = Frame.GraphicControlExtension();
    gce->SetTransparentColorIndex(Map[gce->TransparentColorIndex()]);
  }
}

void TGIFGlobalColorTable::BuildHistogram(THistogram& Histogram) {
  Histogram.clear();
  for (int32_t i = 0; i < FCount; ++i) Histogram.emplace_back(0, i);
  TGIFImageList& frames = FHeader->Image()->Frames();
  for (int32_t f = 0; f < frames.Count(); ++f)
    if (&frames.Frames(f)->ActiveColorTable() == this) countPixels(*frames.Frames(f), Histogram);
}

void TGIFGlobalColorTable::RemapImages(const std::vector<int32_t>& Map) {
  TGIFImageList& frames = FHeader->Image()->Frames();
  for (int32_t f = 0; f < frames.Count(); ++f)
    if (&frames.Frames(f)->ActiveColorTable() == this) remapPixels(*frames.Frames(f), Map);
}

bool TGIFGlobalColorTable::Optimize() {
  if (FHeader->Image()->Frames().Count() == 0) return false;
  return SortByUsage();
}

void TGIFGlobalColorTable::Changed() {
  if (FHeader && FHeader->Image()) FHeader->Image()->DropPalette();
}

void TGIFLocalColorTable::BuildHistogram(THistogram& Histogram) {
  Histogram.clear();
  for (int32_t i = 0; i < FCount; ++i) Histogram.emplace_back(0, i);
  countPixels(*FFrame, Histogram);
}

void TGIFLocalColorTable::RemapImages(const std::vector<int32_t>& Map) { remapPixels(*FFrame, Map); }

bool TGIFLocalColorTable::Optimize() { return SortByUsage(); }

void TGIFLocalColorTable::Changed() {
  if (FFrame) FFrame->DropPalette();
}

}  // namespace ht
