#pragma once
// The platform's byte streams: an abstract stream with a position, a memory
// stream and a file stream, and the stream errors they raise.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

HT_DECLARE_EXCEPTION(EStreamError, Exception);
HT_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
HT_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
HT_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
HT_DECLARE_EXCEPTION(EReadError, EStreamError);
HT_DECLARE_EXCEPTION(EWriteError, EStreamError);

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads or writes up to count bytes; the result is the number moved.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // The new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  // Generic size: seek to the end and back.
  virtual int64_t Size();

  // Move exactly count bytes or raise EReadError / EWriteError.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
};

// A growable byte buffer with a position.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const void* data, size_t size);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return int64_t(FData.size()); }

  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  std::vector<uint8_t> FData;
  size_t FPosition = 0;
};

// fmOpenRead shares the file with other readers and writers (Linux never
// locks); fmCreate creates or truncates it.
enum TFileMode { fmOpenRead, fmCreate };

class TFileStream : public TStream {
 public:
  // Raises EFOpenError or EFCreateError with the system's reason.
  TFileStream(StringView fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  int FHandle = -1;
};

}  // namespace ht
