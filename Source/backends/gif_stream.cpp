#include "backends/gif_stream.h"

#include <algorithm>

namespace ht {

int64_t GifLoadPixelAllowance(int64_t Bytes) {
  if (Bytes < 0 || Bytes > kGifMaxLoadPixels / kGifPixelsPerByte) return kGifMaxLoadPixels;
  return std::max(kGifFreePixels, Bytes * kGifPixelsPerByte);
}

void CheckGifPixelBudget(int64_t Width, int64_t Height) {
  if (Width > 0 && Height > 0 && Width * Height > kGifMaxPixels)
    throw EHtGIFException(u"Image is too large");
}

String GifStringsText(const TGIFStrings& Strings) {
  String text;
  for (const String& line : Strings) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

void GifSetStringsText(TGIFStrings& Strings, StringView Text) {
  Strings.clear();
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = start;
    while (end < Text.size() && Text[end] != u'\r' && Text[end] != u'\n') ++end;
    Strings.emplace_back(Text.substr(start, end - start));
    if (end < Text.size() && Text[end] == u'\r') {
      ++end;
      if (end < Text.size() && Text[end] == u'\n') ++end;
    } else if (end < Text.size()) {
      ++end;  // a lone LF
    }
    start = end;
  }
}

namespace gif {

void ReadCheck(TStream& Stream, void* Buffer, size_t Count) {
  if (Stream.Read(Buffer, Count) != Count) throw EHtGIFException(u"Premature end of data");
}

uint8_t ReadByte(TStream& Stream) {
  uint8_t b = 0;
  if (Stream.Read(&b, 1) != 1) return 0;
  return b;
}

bool TryReadByte(TStream& Stream, uint8_t& Value) { return Stream.Read(&Value, 1) == 1; }

void WriteByte(TStream& Stream, uint8_t Value) { Stream.WriteBuffer(&Value, 1); }

void WriteStrings(TStream& Stream, const TGIFStrings& Strings) {
  const String text = GifStringsText(Strings);
  uint8_t block[256];
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t n = std::min<size_t>(255, text.size() - pos);
    block[0] = uint8_t(n);
    for (size_t i = 0; i < n; ++i) block[1 + i] = uint8_t(text[pos + i]);
    Stream.WriteBuffer(block, n + 1);
    pos += n;
  }
  WriteByte(Stream, 0);
}

void ReadStrings(TStream& Stream, TGIFStrings& Strings) {
  Strings.clear();
  String text;
  uint8_t size = 0;
  uint8_t block[255];
  while (TryReadByte(Stream, size) && size != 0) {
    ReadCheck(Stream, block, size);
    for (size_t i = 0; i < size; ++i) text += char16_t(block[i]);
  }
  GifSetStringsText(Strings, text);
}

void StepBack(TStream& Stream, int64_t Count) {
  const int64_t pos = Stream.Position();
  Stream.SetPosition(pos >= Count ? pos - Count : 0);
}

}  // namespace gif
}  // namespace ht
