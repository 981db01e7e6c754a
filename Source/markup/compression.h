#pragma once
// A replaceable compression service: THtZIP forwards to one registered
// IHtZipImplementation; the utilities' start-up registers the zlib one.
// Only the zlib format (window bits 15) is used by the default.
#include <cstdint>
#include <memory>
#include <vector>

#include <zlib.h>

#include "platform/rtl/exception.h"
#include "platform/rtl/stream.h"

namespace ht {

using TBytes = std::vector<uint8_t>;

HT_DECLARE_EXCEPTION(EZCompressionError, Exception);
HT_DECLARE_EXCEPTION(EZDecompressionError, Exception);

class IHtZipImplementation {
 public:
  virtual ~IHtZipImplementation() = default;
  virtual void Compress(const TBytes& src, TBytes& dest, bool bestSpeed) = 0;
  virtual void Decompress(const TBytes& src, TBytes& dest) = 0;
  virtual void ZCompress(const TBytes& src, TBytes& dest, bool bestSpeed) = 0;
  // MaxSize bounds the output: callers reading untrusted data pass a limit.
  virtual void ZDecompress(const TBytes& src, TBytes& dest, size_t MaxSize = SIZE_MAX) = 0;
};

class THtZIP {
 public:
  // Replaces the registered implementation (null unregisters it).
  static void RegisterImplementation(std::shared_ptr<IHtZipImplementation> implementation);
  static std::shared_ptr<IHtZipImplementation> Implementation();

  // Forward to the registered implementation, which must exist.
  static void Compress(const TBytes& src, TBytes& dest, bool bestSpeed);
  static void Decompress(const TBytes& src, TBytes& dest);
  static void ZCompress(const TBytes& src, TBytes& dest, bool bestSpeed);
  static void ZDecompress(const TBytes& src, TBytes& dest, size_t MaxSize = SIZE_MAX);
};

class TDefZipImplementation : public IHtZipImplementation {
 public:
  // One shot at zlib's default level; dest ends at the compressed length.
  void Compress(const TBytes& src, TBytes& dest, bool bestSpeed) override;
  // One shot into dest as the caller sized it (the exact decompressed
  // length). Damaged or truncated input raises EZDecompressionError.
  void Decompress(const TBytes& src, TBytes& dest) override;
  // Streaming deflate at level 1 (bestSpeed) or 9; raises
  // EZCompressionError and leaves dest empty when zlib fails.
  void ZCompress(const TBytes& src, TBytes& dest, bool bestSpeed) override;
  // Through TFixedZDecompressionStream; dest ends at the decompressed
  // length. Input that ends before the compressed stream does, or output
  // that would pass MaxSize, raises EZDecompressionError (dest empty).
  void ZDecompress(const TBytes& src, TBytes& dest, size_t MaxSize = SIZE_MAX) override;
};

// Reads the decompressed form of a zlib, gzip or raw deflate stream from a
// source stream, taking the source in 64 KiB pieces. Forward seeks
// decompress and discard; a backward seek starts again from the beginning.
class TFixedZDecompressionStream : public TStream {
 public:
  // windowBits as zlib defines them: 15 zlib format, negative raw deflate,
  // above 15 gzip. Raises EZDecompressionError when zlib cannot start.
  explicit TFixedZDecompressionStream(TStream* source, int windowBits = 15, bool ownsStream = false);
  ~TFixedZDecompressionStream() override;
  TFixedZDecompressionStream(const TFixedZDecompressionStream&) = delete;
  TFixedZDecompressionStream& operator=(const TFixedZDecompressionStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Read(TBytes& buffer, size_t offset, size_t count);
  // Always raises EZDecompressionError "Invalid ZStream operation!".
  size_t Write(const void* buffer, size_t count) override;
  // Supported: from the beginning, forwards from the current position, and
  // to the end with offset 0; anything else raises.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Decompresses everything once, then answers from a cache.
  int64_t Size() override;

  // True once the end of the compressed stream was read.
  bool StreamEnded() const { return FLastResult == Z_STREAM_END; }

 private:
  void check(int result) const;
  void discard(int64_t count);

  bool FOwnsStream;
  TStream* FSource;
  int64_t FStartPos;
  int64_t FSourcePos;
  z_stream FZStream{};
  std::vector<uint8_t> FInput;
  int64_t FSize = -1;
  int FLastResult = Z_OK;
};

}  // namespace ht
