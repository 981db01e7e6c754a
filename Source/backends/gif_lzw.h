#pragma once
// The GIF variant of LZW: the data sub-block streams, the bit reader, the
// decoder that expands one frame's codes into pixel indices (with interlaced
// row order) and the hash-table encoder that writes them back.
#include <cstdint>
#include <memory>

#include "backends/gif_stream.h"
#include "markup/hash_dictionary.h"

namespace ht {

class THtGIFFrame;

// A stream over the data of one run of sub-blocks (not owning Stream).
class TGIFStream : public TStream {
 public:
  explicit TGIFStream(TStream& Stream) : FStream(&Stream) {}
  TStream& Stream() const { return *FStream; }
  // Sub-block streams cannot seek; the answer is the underlying position.
  int64_t Seek(int64_t, TSeekOrigin) override { return FStream->Position(); }

 protected:
  TStream* FStream;
};

// Reads the bytes of consecutive data sub-blocks up to the zero-length
// terminator (or the end of the underlying stream).
class TGIFReader : public TGIFStream {
 public:
  TGIFReader(TStream& Stream, int32_t ABufferSize);

  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void*, size_t) override { return 0; }
  // Discards the rest of the sub-blocks, terminator included.
  void SkipData();
  // The terminator was met (or the stream ended) and nothing is buffered.
  bool Eof() const { return FEOF && FBufferCount == 0; }

 private:
  void fill();

  std::unique_ptr<uint8_t[]> FBuffer;
  int32_t FData = 0;         // next unread byte
  int32_t FBufferSize;       // capacity
  int32_t FBufferCount = 0;  // bytes buffered and not yet read
  bool FEOF = false;
};

// Packs written bytes into sub-blocks of at most 255 bytes. Flush writes
// the pending bytes as one sub-block and never an empty one: a zero length
// there would end the data early for other readers, and the terminator that
// follows would stand where they expect the next block.
class TGIFWriter : public TGIFStream {
 public:
  explicit TGIFWriter(TStream& Stream) : TGIFStream(Stream) {}
  ~TGIFWriter() override;  // flushes what is pending

  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* Buffer, size_t Count) override;
  void WriteByte(uint8_t Value) {
    FNeedsFlush = true;
    FBuffer[FBufferCount++] = Value;
    if (FBufferCount == 256) Flush();
  }
  void Flush();

 private:
  uint8_t FBuffer[256];      // byte 0 is the sub-block's length
  int32_t FBufferCount = 1;  // bytes used, the length byte included
  bool FNeedsFlush = false;
};

// Cuts least-significant-bit-first codes out of the sub-block data through
// a 256-byte window refilled 254 bytes at a time.
class TGIFBitReader {
 public:
  explicit TGIFBitReader(TStream& AStream);

  // The next code of Bits bits (1 to 12), or -1 when the data is exhausted.
  int32_t ReadBits(int32_t Bits) {
    // A code that ends exactly at the last valid bit is still taken, so data
    // that stops without an end code on a byte boundary loses no pixel.
    if (FLastBit - FStartBit < Bits && !refill(Bits)) return -1;
    const int32_t first = FStartBit >> 3;
    const int32_t last = (FStartBit + Bits - 1) >> 3;  // below FLastByte
    uint32_t v = FBuffer[first];
    if (last > first) v |= uint32_t(FBuffer[first + 1]) << 8;
    if (last > first + 1) v |= uint32_t(FBuffer[first + 2]) << 16;
    v = (v >> (FStartBit & 7)) & (0x7FFFu >> (15 - Bits));
    FStartBit += Bits;
    return int32_t(v);
  }
  void SkipData();
  bool Eof() const { return FEOF; }

 private:
  bool refill(int32_t Bits);

  TGIFReader FStream;
  uint8_t FBuffer[256] = {};
  int32_t FStartBit = 0;
  int32_t FLastBit = 0;
  int32_t FLastByte = 2;
  bool FEOF = false;
};

// Decodes one image's data (minimum code size byte, sub-blocks, terminator)
// into the frame's pixel buffer.
void ReadImageData(THtGIFFrame& Frame, TStream& Stream);

class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;

  // Writes the minimum code size byte, the data sub-blocks and the
  // terminator for AWidth x AHeight pixel bytes at AData.
  void Compress(TStream& AStream, int32_t ABitsPerPixel, int32_t AWidth, int32_t AHeight,
                const uint8_t* AData, int32_t AMaxColor);

  int32_t MaxColor = 0;
  uint8_t BitsPerPixel = 0;
  TStream* Stream = nullptr;
  int32_t Width = 0, Height = 0;
  const uint8_t* Data = nullptr;
  TGIFWriter* GIFStream = nullptr;
  int32_t OutputBucket = 0;
  int32_t OutputBits = 0;
  bool ClearFlag = false;
  int32_t BitsPerCode = 0;
  int32_t InitialBitsPerCode = 0;
  int16_t MaxCode = 0, ClearCode = 0, EOFCode = 0, BaseCode = 0;
  const uint8_t* Pixel = nullptr;
  int32_t cX = 0;
  int32_t Y = 0;
  int32_t Pass = 0;

 protected:
  virtual void Output(int32_t Code);
  virtual void Clear();
  virtual void CompressData() = 0;
  void baseOutput(int32_t Code);
};

class TLZWEncoder : public TGIFEncoder {
 public:
  int16_t FreeEntry = 0;
  std::unique_ptr<THtIdPointerDictionary> HashTable;

 protected:
  void Output(int32_t Code) override;
  void Clear() override;
  void CompressData() override;
};

}  // namespace ht
