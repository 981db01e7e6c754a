#include "backends/gif_lzw.h"

#include <cassert>
#include <cstring>

#include "backends/gif_image.h"

namespace ht {

// ---------------------------------------------------------------------------
// Sub-block reader

TGIFReader::TGIFReader(TStream& Stream, int32_t ABufferSize)
    : TGIFStream(Stream), FBuffer(new uint8_t[size_t(ABufferSize)]), FBufferSize(ABufferSize) {}

void TGIFReader::fill() {
  if (FBufferCount > 0 && FData > 0) std::memmove(FBuffer.get(), FBuffer.get() + FData, size_t(FBufferCount));
  FData = 0;
  int64_t left = -1;  // bytes left in the underlying stream, measured once
  while (!FEOF && FBufferCount < FBufferSize) {
    uint8_t size;
    if (!gif::TryReadByte(*FStream, size) || size == 0) {
      FEOF = true;
      break;
    }
    if (left < 0) left = FStream->Size() - FStream->Position();
    int32_t n = size;
    if (n > left) n = int32_t(left);
    if (n > FBufferSize - FBufferCount) {
      gif::StepBack(*FStream);
      break;
    }
    const size_t got = FStream->Read(FBuffer.get() + FBufferCount, size_t(n));
    FBufferCount += int32_t(got);
    left -= int64_t(got);
    if (got < size_t(n)) left = 0;
  }
  assert(FBufferCount >= 0 && FBufferCount <= FBufferSize);
}

size_t TGIFReader::Read(void* Buffer, size_t Count) {
  auto* out = static_cast<uint8_t*>(Buffer);
  size_t done = 0;
  while (done < Count) {
    if (FBufferCount == 0) {
      if (FEOF) break;
      fill();
      if (FBufferCount == 0) break;
    }
    const size_t n = std::min(Count - done, size_t(FBufferCount));
    std::memcpy(out + done, FBuffer.get() + FData, n);
    FData += int32_t(n);
    FBufferCount -= int32_t(n);
    done += n;
  }
  return done;
}

void TGIFReader::SkipData() {
  FBufferCount = 0;
  FData = 0;
  if (!FEOF) {
    const int64_t size = FStream->Size();
    uint8_t n;
    while (gif::TryReadByte(*FStream, n) && n != 0) {
      const int64_t pos = FStream->Position();
      FStream->SetPosition(std::min(pos + n, size));
    }
  }
  FEOF = true;
}

// ---------------------------------------------------------------------------
// Sub-block writer

TGIFWriter::~TGIFWriter() {
  // A destructor must not throw; Compress flushes explicitly before this,
  // so only a writer left by an exception gets here with bytes pending.
  try {
    Flush();
  } catch (...) {
  }
}

size_t TGIFWriter::Write(const void* Buffer, size_t Count) {
  const auto* p = static_cast<const uint8_t*>(Buffer);
  for (size_t i = 0; i < Count; ++i) WriteByte(p[i]);
  return Count;
}

void TGIFWriter::Flush() {
  if (!FNeedsFlush || FBufferCount <= 1) return;
  FBuffer[0] = uint8_t(FBufferCount - 1);
  const int32_t n = FBufferCount;
  FBufferCount = 1;
  FStream->WriteBuffer(FBuffer, size_t(n));
}

// ---------------------------------------------------------------------------
// Bit reader

TGIFBitReader::TGIFBitReader(TStream& AStream) : FStream(AStream, 4096) {}

bool TGIFBitReader::refill(int32_t Bits) {
  if (FEOF) return false;
  FBuffer[0] = FBuffer[FLastByte - 2];
  FBuffer[1] = FBuffer[FLastByte - 1];
  const int32_t n = int32_t(FStream.Read(FBuffer + 2, 254));
  FLastByte = 2 + n;
  FStartBit = FStartBit - FLastBit + 16;
  FLastBit = 16 + 8 * n;
  if (FLastBit - FStartBit < Bits) return false;
  FEOF = FStream.Eof();
  return true;
}

void TGIFBitReader::SkipData() {
  FStream.SkipData();
  FEOF = true;
}

// ---------------------------------------------------------------------------
// Decoder

namespace {

constexpr int32_t kMaxCodes = 4096;
constexpr int32_t kStackSize = 8192;

struct TGIFDecoder {
  int32_t suffix[kMaxCodes];
  int32_t prefix[kMaxCodes];
  int32_t stack[kStackSize];
  int32_t sp = 0;
  int32_t minCodeSize = 0, codeSize = 0, clearCode = 0, endCode = 0, codeLimit = 0, nextFree = 0;
  int32_t prevCode = 0, firstChar = 0;
  bool firstCode = true;
  TGIFBitReader* reader = nullptr;

  void push(int32_t v) {
    if (sp >= kStackSize) throw EHtGIFException(u"Invalid GIF data");
    stack[sp++] = v;
  }

  // Entries at or above this one still hold their cleared values.
  int32_t highWater = kMaxCodes;

  // The table as a clear code leaves it: suffix[i] = i below the clear code,
  // everything else 0. Only entries written since the last clear need it
  // again, so a run of clear codes costs little.
  void reset() {
    if (highWater == kMaxCodes) {
      std::memset(prefix, 0, sizeof(prefix));
      for (int32_t i = 0; i < kMaxCodes; ++i) suffix[i] = i < clearCode ? i : 0;
    } else {
      for (int32_t i = clearCode; i < highWater; ++i) prefix[i] = suffix[i] = 0;
    }
    highWater = clearCode;
    codeSize = minCodeSize + 1;
    codeLimit = 2 * clearCode;
    nextFree = clearCode + 2;
    sp = 0;
  }

  // The next pixel value, or a negative value at the end of the data.
  int32_t next() {
    if (sp > 0) return stack[--sp];
    int32_t code;
    if (firstCode) {
      firstCode = false;
      code = clearCode;
    } else {
      code = reader->ReadBits(codeSize);
    }
    if (code < 0) return code;
    if (code == clearCode) {
      reset();
      do code = reader->ReadBits(codeSize);
      while (code == clearCode);
      // An end code straight after a clear code ends the data: it is no pixel.
      if (code == endCode) return -1;
      prevCode = code;
      firstChar = code;
      return code;
    }
    if (code == endCode) return -1;
    int32_t c = code;
    if (c >= nextFree) {
      push(firstChar);
      c = prevCode;
    }
    assert(c < kMaxCodes && "LZW Code too large");
    while (c >= clearCode) {
      push(suffix[c]);
      if (prefix[c] == c) throw EHtGIFException(u"Circular decoder table entry");
      c = prefix[c];
      assert(c < kMaxCodes && "LZW Code too large");
    }
    firstChar = suffix[c];
    push(firstChar);
    if (nextFree <= kMaxCodes - 1) {
      prefix[nextFree] = prevCode;
      suffix[nextFree] = firstChar;
      ++nextFree;
      if (nextFree > highWater) highWater = nextFree;
      if (nextFree >= codeLimit && codeLimit <= kMaxCodes - 1) {
        codeLimit *= 2;
        ++codeSize;
      }
    }
    prevCode = code;
    return stack[--sp];
  }
};

}  // namespace

void ReadImageData(THtGIFFrame& Frame, TStream& Stream) {
  uint8_t minCodeSize;
  if (!gif::TryReadByte(Stream, minCodeSize) || minCodeSize > 11) return;

  CheckGifPixelBudget(Frame.Width(), Frame.Height());
  if (Frame.Image()) Frame.Image()->ReserveLoadPixels(int64_t(Frame.Width()) * Frame.Height());
  Frame.AllocateData();
  const int32_t width = Frame.Width(), height = Frame.Height();
  uint8_t* data = Frame.Data().data();

  auto dec = std::make_unique<TGIFDecoder>();
  dec->minCodeSize = minCodeSize;
  dec->clearCode = 1 << minCodeSize;
  dec->endCode = dec->clearCode + 1;
  dec->codeSize = minCodeSize + 1;
  dec->codeLimit = 2 * dec->clearCode;
  dec->nextFree = dec->clearCode + 2;
  TGIFBitReader reader(Stream);
  dec->reader = &reader;

  if (width > 0 && height > 0) {
    if (Frame.Interlaced()) {
      int32_t row = 0, pass = 0, step = 8;
      bool done = false;
      for (int32_t r = 0; r < height && !done; ++r) {
        uint8_t* out = data + size_t(row) * width;
        for (int32_t x = 0; x < width; ++x) {
          const int32_t v = dec->next();
          if (v < 0) {
            done = true;
            break;
          }
          out[x] = uint8_t(v);
        }
        row += step;
        while (row >= height) {
          if (pass > 0) step /= 2;
          ++pass;
          row = step / 2;
        }
      }
    } else {
      const size_t count = size_t(width) * height;
      for (size_t i = 0; i < count; ++i) {
        const int32_t v = dec->next();
        if (v < 0) break;
        data[i] = uint8_t(v);
      }
    }
  }
  reader.SkipData();
}

// ---------------------------------------------------------------------------
// Encoder

void TGIFEncoder::Compress(TStream& AStream, int32_t ABitsPerPixel, int32_t AWidth, int32_t AHeight,
                           const uint8_t* AData, int32_t AMaxColor) {
  Stream = &AStream;
  Width = AWidth;
  Height = AHeight;
  Data = AData;
  MaxColor = AMaxColor;
  BitsPerPixel = uint8_t(ABitsPerPixel < 2 ? 2 : ABitsPerPixel);
  InitialBitsPerCode = BitsPerPixel + 1;
  gif::WriteByte(AStream, BitsPerPixel);
  BitsPerCode = InitialBitsPerCode;
  MaxCode = int16_t((1 << BitsPerCode) - 1);
  ClearCode = int16_t(1 << BitsPerPixel);
  EOFCode = int16_t(ClearCode + 1);
  BaseCode = int16_t(ClearCode + 2);
  OutputBucket = 0;
  OutputBits = 0;
  cX = AWidth * AHeight;
  Y = 0;
  Pass = 0;
  TGIFWriter writer(AStream);
  GIFStream = &writer;
  if (Data && Width > 0 && Height > 0) CompressData();
  Output(EOFCode);
  writer.Flush();
  GIFStream = nullptr;
  gif::WriteByte(AStream, 0);
}

void TGIFEncoder::baseOutput(int32_t Code) {
  if (OutputBits > 0)
    OutputBucket = (OutputBucket & (0xFFFF >> (16 - OutputBits))) | (Code << OutputBits);
  else
    OutputBucket = Code;
  OutputBits += BitsPerCode;
  while (OutputBits >= 8) {
    GIFStream->WriteByte(uint8_t(OutputBucket));
    OutputBucket >>= 8;
    OutputBits -= 8;
  }
  if (Code == EOFCode && OutputBits > 0) {
    GIFStream->WriteByte(uint8_t(OutputBucket));
    OutputBits = 0;
  }
}

void TGIFEncoder::Output(int32_t Code) { baseOutput(Code); }

void TGIFEncoder::Clear() {
  ClearFlag = true;
  Output(ClearCode);
}

void TLZWEncoder::Output(int32_t Code) {
  baseOutput(Code);
  if (ClearFlag) {
    BitsPerCode = InitialBitsPerCode;
    MaxCode = int16_t((1 << BitsPerCode) - 1);
    ClearFlag = false;
  } else if (FreeEntry > MaxCode) {
    ++BitsPerCode;
    MaxCode = int16_t(BitsPerCode == 12 ? 4096 : (1 << BitsPerCode) - 1);
  }
}

void TLZWEncoder::Clear() {
  TGIFEncoder::Clear();
  if (HashTable->Count() > 0) HashTable->Clear(8192);  // a new table is empty already
  FreeEntry = int16_t(ClearCode + 2);
}

void TLZWEncoder::CompressData() {
  HashTable = std::make_unique<THtIdPointerDictionary>(8192);
  FreeEntry = int16_t(ClearCode + 2);
  Clear();
  Pixel = Data;
  auto check = [this](uint8_t v) {
    if (v >= MaxColor) throw EHtGIFException(u"Color not in color table");
    return int32_t(v);
  };
  int32_t prefix = check(*Pixel++);
  for (int32_t n = cX - 1; n > 0; --n) {
    const int32_t pixel = check(*Pixel++);
    const int32_t key = prefix * 256 + pixel;
    const int32_t slot = HashTable->IndexOf(key);
    if (slot >= 0) {
      prefix = int32_t(reinterpret_cast<intptr_t>(HashTable->Items()[slot].Data));
      continue;
    }
    Output(prefix);
    prefix = pixel;
    if (FreeEntry > 4094) {
      Clear();
    } else {
      HashTable->Add(key, reinterpret_cast<void*>(intptr_t(FreeEntry)));
      ++FreeEntry;
    }
  }
  Output(prefix);
  HashTable.reset();
}

}  // namespace ht
