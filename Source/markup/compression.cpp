#include "markup/compression.h"

#include <algorithm>
#include <utility>

namespace ht {

namespace {

std::shared_ptr<IHtZipImplementation>& registered() {
  static std::shared_ptr<IHtZipImplementation> implementation;
  return implementation;
}

// The registered implementation; a clear error instead of a null call when
// the utilities were not started.
IHtZipImplementation& current() {
  if (!registered()) throw EZCompressionError(u"No compression implementation is registered");
  return *registered();
}

String zlibMessage(int code) { return AsciiToString(zError(code)); }

constexpr size_t kInputSize = 65536;
constexpr size_t kDiscardPiece = 8192;
constexpr size_t kReadPiece = 1048576;

}  // namespace

void THtZIP::RegisterImplementation(std::shared_ptr<IHtZipImplementation> implementation) {
  registered() = std::move(implementation);
}

std::shared_ptr<IHtZipImplementation> THtZIP::Implementation() { return registered(); }

void THtZIP::Compress(const TBytes& src, TBytes& dest, bool bestSpeed) {
  current().Compress(src, dest, bestSpeed);
}
void THtZIP::Decompress(const TBytes& src, TBytes& dest) { current().Decompress(src, dest); }
void THtZIP::ZCompress(const TBytes& src, TBytes& dest, bool bestSpeed) {
  current().ZCompress(src, dest, bestSpeed);
}
void THtZIP::ZDecompress(const TBytes& src, TBytes& dest, size_t MaxSize) {
  current().ZDecompress(src, dest, MaxSize);
}

void TDefZipImplementation::Compress(const TBytes& src, TBytes& dest, bool) {
  uLongf length = compressBound(uLong(src.size()));
  dest.resize(length);
  const int result = compress(dest.data(), &length, src.data(), uLong(src.size()));
  if (result != Z_OK) {
    dest.clear();
    throw EZCompressionError(zlibMessage(result));
  }
  dest.resize(length);
}

void TDefZipImplementation::Decompress(const TBytes& src, TBytes& dest) {
  uLongf length = uLongf(dest.size());
  uLong srcLength = uLong(src.size());
  // A one-byte scratch stands in for an empty destination.
  Bytef scratch = 0;
  Bytef* out = dest.empty() ? &scratch : dest.data();
  const int result = uncompress2(out, &length, src.data(), &srcLength);
  if (result != Z_OK) throw EZDecompressionError(zlibMessage(result));
}

void TDefZipImplementation::ZCompress(const TBytes& src, TBytes& dest, bool bestSpeed) {
  dest.clear();
  z_stream z{};
  int result = deflateInit(&z, bestSpeed ? 1 : 9);
  if (result != Z_OK) throw EZCompressionError(zlibMessage(result));
  // The bound always suffices; zlib takes its windows in uInt-sized pieces.
  TBytes out(deflateBound(&z, uLong(src.size())));
  constexpr size_t kPiece = size_t(1) << 30;
  size_t inDone = 0, outDone = 0;
  do {
    const size_t inPiece = std::min(kPiece, src.size() - inDone);
    const size_t outPiece = std::min(kPiece, out.size() - outDone);
    z.next_in = const_cast<Bytef*>(src.data()) + inDone;
    z.avail_in = uInt(inPiece);
    z.next_out = out.data() + outDone;
    z.avail_out = uInt(outPiece);
    result = deflate(&z, inDone + inPiece == src.size() ? Z_FINISH : Z_NO_FLUSH);
    inDone += inPiece - z.avail_in;
    outDone += outPiece - z.avail_out;
  } while (result == Z_OK);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw EZCompressionError(zlibMessage(result));
  out.resize(outDone);
  dest = std::move(out);
}

void TDefZipImplementation::ZDecompress(const TBytes& src, TBytes& dest, size_t MaxSize) {
  dest.clear();
  TMemoryStream source(src.data(), src.size());
  TFixedZDecompressionStream stream(&source);
  TBytes buffer(kReadPiece);
  for (;;) {
    const size_t n = stream.Read(buffer.data(), buffer.size());
    if (n > MaxSize - dest.size()) {
      dest.clear();
      throw EZDecompressionError(u"Decompressed data exceeds the limit");
    }
    dest.insert(dest.end(), buffer.begin(), buffer.begin() + ptrdiff_t(n));
    if (n < buffer.size()) break;
  }
  // Running out of input is not the end of the data.
  if (!stream.StreamEnded()) {
    dest.clear();
    throw EZDecompressionError(u"Compressed data ended unexpectedly");
  }
}

TFixedZDecompressionStream::TFixedZDecompressionStream(TStream* source, int windowBits,
                                                       bool ownsStream)
    : FOwnsStream(ownsStream), FSource(source), FInput(kInputSize) {
  FStartPos = FSource->Position();
  FSourcePos = FStartPos;
  const int result = inflateInit2(&FZStream, windowBits);
  if (result != Z_OK) {
    if (FOwnsStream) delete FSource;
    throw EZDecompressionError(zlibMessage(result));
  }
}

TFixedZDecompressionStream::~TFixedZDecompressionStream() {
  inflateEnd(&FZStream);
  if (FOwnsStream) delete FSource;
}

void TFixedZDecompressionStream::check(int result) const {
  if (result < 0 && result != Z_BUF_ERROR) throw EZDecompressionError(zlibMessage(result));
}

size_t TFixedZDecompressionStream::Read(void* buffer, size_t count) {
  FZStream.next_out = static_cast<Bytef*>(buffer);
  size_t left = count;
  while (left > 0) {
    if (FLastResult == Z_STREAM_END || FLastResult == Z_NEED_DICT || FLastResult == Z_BUF_ERROR) break;
    if (FZStream.avail_in == 0) {
      // Someone else may have moved the source since the last piece.
      if (FSource->Position() != FSourcePos) FSource->SetPosition(FSourcePos);
      const size_t n = FSource->Read(FInput.data(), FInput.size());
      if (n == 0) break;
      FSourcePos += int64_t(n);
      FZStream.next_in = FInput.data();
      FZStream.avail_in = uInt(n);
    }
    // zlib counts in uInt: hand it the output window in pieces it can hold.
    const uInt window = uInt(std::min<size_t>(left, 1u << 30));
    FZStream.avail_out = window;
    FLastResult = inflate(&FZStream, Z_NO_FLUSH);
    left -= window - FZStream.avail_out;
    check(FLastResult);
  }
  if (FLastResult == Z_STREAM_END && FZStream.avail_in > 0) {
    // Leave the source's record pointing right after the compressed data.
    FSourcePos -= FZStream.avail_in;
    FZStream.avail_in = 0;
  }
  return count - left;
}

size_t TFixedZDecompressionStream::Read(TBytes& buffer, size_t offset, size_t count) {
  if (offset > buffer.size()) return 0;
  return Read(buffer.data() + offset, std::min(count, buffer.size() - offset));
}

size_t TFixedZDecompressionStream::Write(const void*, size_t) {
  throw EZDecompressionError(u"Invalid ZStream operation!");
}

void TFixedZDecompressionStream::discard(int64_t count) {
  uint8_t piece[kDiscardPiece];
  while (count > 0) {
    const size_t n = Read(piece, size_t(std::min<int64_t>(count, int64_t(sizeof piece))));
    if (n == 0) break;
    count -= int64_t(n);
  }
}

int64_t TFixedZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t position = int64_t(FZStream.total_out);
  if (origin == soBeginning && offset >= 0) {
    if (offset < position) {
      check(inflateReset(&FZStream));
      FZStream.avail_in = 0;
      FLastResult = Z_OK;
      FSource->SetPosition(FStartPos);
      FSourcePos = FStartPos;
    }
    discard(offset - int64_t(FZStream.total_out));
  } else if (origin == soCurrent && offset >= 0) {
    discard(offset);
  } else if (origin == soEnd && offset == 0) {
    uint8_t piece[kDiscardPiece];
    while (Read(piece, sizeof piece) != 0) {
    }
  } else {
    throw EZDecompressionError(u"Invalid ZStream operation!");
  }
  return int64_t(FZStream.total_out);
}

int64_t TFixedZDecompressionStream::Size() {
  if (FSize < 0) FSize = TStream::Size();
  return FSize;
}

}  // namespace ht
