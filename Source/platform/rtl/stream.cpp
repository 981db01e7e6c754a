#include "platform/rtl/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ht {

int64_t TStream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(u"Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(u"Stream write error");
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : FData(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPosition >= FData.size()) return 0;
  const size_t n = std::min(count, FData.size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (FPosition + count > FData.size()) FData.resize(FPosition + count);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == soCurrent) base = int64_t(FPosition);
  if (origin == soEnd) base = int64_t(FData.size());
  const int64_t target = base + offset;
  // A position past the end is allowed (a later write fills the gap).
  FPosition = target < 0 ? 0 : size_t(target);
  return int64_t(FPosition);
}

namespace {
String systemReason() { return Utf8ToString(std::strerror(errno)); }
}  // namespace

TFileStream::TFileStream(StringView fileName, TFileMode mode) {
  const std::string path = StringToUtf8(fileName);
  if (mode == fmCreate) {
    FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError(u"Cannot create file \"%s\". %s", fileName, systemReason());
  } else {
    FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle >= 0) {
      struct stat st;
      if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        errno = EISDIR;
      }
    }
    if (FHandle < 0) throw EFOpenError(u"Cannot open file \"%s\". %s", fileName, systemReason());
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FHandle, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(u"Stream read error");
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FHandle, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError(u"Stream write error");
    done += size_t(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(FHandle, off_t(offset), whence);
  if (result < 0) throw EStreamError(u"Stream seek error");
  return int64_t(result);
}

}  // namespace ht
