#include "markup/file_utils.h"

#include <algorithm>
#include <filesystem>

#include "platform/rtl/code_pages.h"
#include "platform/rtl/stream.h"

namespace ht {

std::string LoadFileToRawString(StringView fileName) {
  TFileStream file(fileName, fmOpenRead);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const size_t n = file.Read(buffer, sizeof buffer);
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

namespace {

String utf16FromBytes(std::string_view bytes, bool bigEndian) {
  String text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b0 = uint8_t(bytes[2 * i]), b1 = uint8_t(bytes[2 * i + 1]);
    text[i] = bigEndian ? char16_t(b0 << 8 | b1) : char16_t(b1 << 8 | b0);
  }
  return text;
}

}  // namespace

String LoadFileToString(StringView fileName) { return DecodeFileBytes(LoadFileToRawString(fileName)); }

bool FileBytesAreAnsi(std::string_view all) {
  if (all.size() < 2) return true;
  const unsigned mark = unsigned(uint8_t(all[0])) | unsigned(uint8_t(all[1])) << 8;
  return mark != 0xFEFF && mark != 0xFFFE && mark >= 256 && mark != 0xBBEF;
}

String DecodeFileBytes(std::string_view all) {
  // A single byte cannot be a UTF-16 unit: it is one ANSI character.
  if (all.size() < 2) return AnsiToString(all);
  const unsigned mark = unsigned(uint8_t(all[0])) | unsigned(uint8_t(all[1])) << 8;
  if (mark == 0xFEFF) return utf16FromBytes(all.substr(2), false);
  if (mark == 0xFFFE) return utf16FromBytes(all.substr(2), true);
  if (mark < 256) return utf16FromBytes(all, false);
  if (mark == 0xBBEF) return Utf8ToString(all.substr(std::min<size_t>(3, all.size())));
  return AnsiToString(all);
}

void SaveStringToFileUTF16(StringView s, StringView fileName) {
  std::string bytes;
  bytes.reserve(2 + s.size() * 2);
  bytes += "\xFF\xFE";
  for (char16_t c : s) {
    bytes.push_back(char(c & 0xFF));
    bytes.push_back(char(c >> 8));
  }
  SaveRawBytesToFile(bytes, fileName);
}

void SaveAnsiStringToFile(std::string_view s, StringView fileName) { SaveRawBytesToFile(s, fileName); }

void SaveRawBytesToFile(std::string_view s, StringView fileName) {
  TFileStream file(fileName, fmCreate);
  file.WriteBuffer(s.data(), s.size());
}

String FolderOf(StringView path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == StringView::npos ? String() : String(path.substr(0, slash + 1));
}

String ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return String();
  return FolderOf(Utf8ToString(exe.string()));
}

}  // namespace ht
