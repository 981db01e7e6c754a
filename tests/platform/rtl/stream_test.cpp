#include "platform/rtl/stream.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace ht {
namespace {

TEST(Stream, MemoryStreamReadsWritesAndSeeks) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Position(), 6);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Seek(-2, soEnd), 4);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_EQ(s.Read(buf, 8), 0u);
  // Writing past the end fills the gap with zeros.
  s.SetPosition(8);
  s.WriteBuffer("z", 1);
  EXPECT_EQ(std::string(s.Data().begin(), s.Data().end()), std::string("abcdef\0\0z", 9));
  s.SetPosition(7);
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  EXPECT_EQ(s.Seek(-100, soCurrent), 0);
}

TEST(Stream, FileStreamCreatesReadsAndReportsErrors) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("ht_stream_test_" + std::to_string(::getpid()) + ".bin");
  const String name = Utf8ToString(path.string());
  {
    TFileStream out(name, fmCreate);
    out.WriteBuffer("hello", 5);
  }
  {
    TFileStream in(name, fmOpenRead);
    EXPECT_EQ(in.Size(), 5);
    char buf[5];
    in.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_THROW(in.Write("x", 1), EWriteError);
  }
  std::filesystem::remove(path);
  try {
    TFileStream missing(name, fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"" + name + u"\". No such file or directory");
  }
}

}  // namespace
}  // namespace ht
