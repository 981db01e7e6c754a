#include "markup/file_utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/stream.h"

namespace ht {
namespace {

class FileUtils : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("ht_file_utils_") + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  String path(const char* name) const { return Utf8ToString((dir_ / name).string()); }
  String write(const char* name, std::string_view bytes) const {
    std::ofstream(dir_ / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path(name);
  }

  std::filesystem::path dir_;
};

TEST_F(FileUtils, LoadFileToStringByFirstBytes) {
  struct Case {
    std::string_view bytes;
    String expected;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"\xEF\xBB\xBFh\xC3\xA9"sv, u"h\u00e9"},          // UTF-8 after its mark
      {"\xFF\xFE" "a\0\xAC\x20"sv, u"a\u20ac"},        // UTF-16LE after its mark
      {"\xFE\xFF\0a\x20\xAC"sv, u"a\u20ac"},           // UTF-16BE after its mark
      {"a\0b\0c"sv, u"ab"},                             // no mark, second byte 0; odd byte dropped
      {"caf\xE9 \x80\x81"sv, u"caf\u00e9 \u20ac\u0081"},  // ANSI
      {"x"sv, u"x"},                                    // one byte is one ANSI character
      {""sv, u""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "case" + std::to_string(n++);
    EXPECT_EQ(LoadFileToString(write(name.c_str(), c.bytes)), c.expected) << name;
  }
}

TEST_F(FileUtils, SaveAndLoadBack) {
  const String text = u"h\u00e9llo \U0001F600";
  SaveStringToFileUTF16(text, path("u16.txt"));
  const std::string raw = LoadFileToRawString(path("u16.txt"));
  ASSERT_EQ(raw.size(), 2 + text.size() * 2);
  EXPECT_EQ(raw.substr(0, 4), std::string("\xFF\xFEh\0", 4));
  EXPECT_EQ(LoadFileToString(path("u16.txt")), text);

  const std::string bytes("a\0\xFF\r\n", 5);
  SaveAnsiStringToFile(bytes, path("ansi.bin"));
  EXPECT_EQ(LoadFileToRawString(path("ansi.bin")), bytes);
  SaveRawBytesToFile("xy", path("ansi.bin"));  // truncates
  EXPECT_EQ(LoadFileToRawString(path("ansi.bin")), "xy");
}

TEST_F(FileUtils, OpenAndCreateErrorsNameTheFile) {
  try {
    LoadFileToString(path("missing.txt"));
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(u"Cannot open file \"" + path("missing.txt") + u"\""), String::npos);
  }
  EXPECT_THROW(LoadFileToRawString(Utf8ToString(dir_.string())), EFOpenError);
  EXPECT_THROW(SaveRawBytesToFile("x", path("no/such/dir.txt")), EFCreateError);
}

}  // namespace
}  // namespace ht
