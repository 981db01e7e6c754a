#pragma once
// The GIF codec's error class and its small stream routines: checked reads,
// single bytes, and text carried in data sub-blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/exception.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

// Every failure of the GIF codec.
HT_DECLARE_EXCEPTION(EHtGIFException, Exception);

// Frames and pictures above this many pixels are refused with "Image is too
// large": a 65535 x 65535 descriptor would otherwise allocate gigabytes
// before the first byte of image data is checked.
constexpr int64_t kGifMaxPixels = int64_t(1) << 26;
// All frames of one file together: each frame's buffer is allocated before
// its data is read, so without this a few bytes per frame could claim
// gigabytes.
constexpr int64_t kGifMaxLoadPixels = int64_t(1) << 28;
// A GIF's pixels come from its LZW data: no code of at most 12 bits stands
// for more than 4096 pixels, and codes that long come only after thousands
// of shorter ones have built the table, so no file paints more than
// kGifPixelsPerByte pixels for each of its bytes. Above kGifFreePixels, a
// screen or frames larger than that are refused with "Image is too large"
// while loading: a few dozen bytes claiming an 8192 x 8192 screen would
// otherwise make every reader allocate and composite a gigabyte of nothing.
constexpr int64_t kGifPixelsPerByte = 4096;
constexpr int64_t kGifFreePixels = int64_t(1) << 22;
// The pixels a file of Bytes bytes (-1: unknown) may hold in all.
int64_t GifLoadPixelAllowance(int64_t Bytes);
void CheckGifPixelBudget(int64_t Width, int64_t Height);

// A text as lines; Text joins them with a CR LF after each line.
using TGIFStrings = std::vector<String>;
String GifStringsText(const TGIFStrings& Strings);
// Splits at CR, LF and CR LF; a final line break makes no empty last line.
void GifSetStringsText(TGIFStrings& Strings, StringView Text);

namespace gif {

// Reads exactly Count bytes or raises "Premature end of data".
void ReadCheck(TStream& Stream, void* Buffer, size_t Count);
// One byte; 0 when none can be read.
uint8_t ReadByte(TStream& Stream);
// One byte, and whether there was one.
bool TryReadByte(TStream& Stream, uint8_t& Value);
void WriteByte(TStream& Stream, uint8_t Value);
// The low byte of every character of the text, in sub-blocks of at most
// 255 bytes, then a zero length byte.
void WriteStrings(TStream& Stream, const TGIFStrings& Strings);
// Sub-blocks up to a zero length byte or the end of the stream; each byte
// becomes the character of the same code.
void ReadStrings(TStream& Stream, TGIFStrings& Strings);
// Steps the stream back by Count bytes (never before its start).
void StepBack(TStream& Stream, int64_t Count = 1);

inline uint16_t GetWord(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void PutWord(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

}  // namespace gif
}  // namespace ht
