#include "markup/fast_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/rtl/stream.h"

namespace ht {
namespace {

// (capacity, used) of every chunk, first to last.
std::vector<std::pair<int, int>> layout(const TFastString& sb) {
  std::vector<std::pair<int, int>> out;
  for (const TFastStringChunk* c = &sb.FirstChunk(); c; c = c->Next) out.emplace_back(c->Capacity, c->Used);
  return out;
}

using Layout = std::vector<std::pair<int, int>>;

TEST(FastString, FreshBuilderIsEmpty) {
  TFastString sb(16);
  EXPECT_EQ(sb.TotalLength(), 0);
  EXPECT_EQ(sb.AsString(), u"");
  EXPECT_EQ(sb.LastChar(), u'\0');
  EXPECT_FALSE(sb.StartsWith(u"a"));
  EXPECT_FALSE(sb.EndsWith(u""));
  EXPECT_EQ(sb.PosOf(u"a"), 0);
  EXPECT_EQ(sb.ToStringFrom(1), u"");
}

TEST(FastString, PiecesAreNeverSplitAcrossChunks) {
  TFastString sb(4);
  sb.Add(u"abc").Add(u"de");
  EXPECT_EQ(layout(sb), (Layout{{4, 3}, {4, 2}}));
  EXPECT_EQ(sb.ToString(), u"abcde");
  EXPECT_EQ(sb.PosOf(u"cd"), 3);
  EXPECT_TRUE(sb.EndsWith(u"de"));
  EXPECT_TRUE(sb.EndsWith(u"cde"));  // longer than the last chunk: joined
  EXPECT_TRUE(sb.StartsWith(u"abcd"));
  EXPECT_FALSE(sb.StartsWith(u"abd"));
  sb.Add(u"longer than delta");
  EXPECT_EQ(layout(sb).back(), (std::pair{17, 17}));
  EXPECT_EQ(sb.TotalLength(), 22);
}

TEST(FastString, DeltaZeroGivesExactChunks) {
  TFastString sb(0);
  sb.Add(u"ab").AddChar(u'c').AddSpaces(2).Add2Char(u'x', u'y');
  EXPECT_EQ(layout(sb), (Layout{{2, 2}, {1, 1}, {2, 2}, {2, 2}}));
  EXPECT_EQ(sb.ToString(), u"abc  xy");
}

TEST(FastString, NumberDigitsThatWouldFillTheChunkOpenANewOne) {
  TFastString sb(5);
  sb.Add(u"ab").Add(123);  // 3 digits into 3 free units: new chunk
  EXPECT_EQ(layout(sb), (Layout{{5, 2}, {5, 3}}));
  sb.Add(u"x").AddChar(u'y');  // plain text may fill a chunk exactly
  EXPECT_EQ(layout(sb).back(), (std::pair{5, 5}));
}

TEST(FastString, IntegerText) {
  TFastString sb(8);
  sb.Add(0).AddChar(u' ').Add(-7).AddChar(u' ').Add(42).AddChar(u' ').Add(INT_MAX).AddChar(u' ').Add(INT_MIN);
  EXPECT_EQ(sb.ToString(), u"0 -7 42 2147483647 -2147483648");
}

TEST(FastString, FloatTextWithTwoDigits) {
  const std::pair<double, const char16_t*> cases[] = {
      {1.5, u"1.5"},     {2.004, u"2"},    {2.006, u"2.01"}, {0.5, u".5"},
      {-0.05, u"-.05"},  {0.25, u".25"},   {100, u"100"},    {1.995, u"2"},
      {-0.001, u"0"},    {3e9, u"3000000000"},               {-5e9, u"-5000000000"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
  };
  for (auto [value, text] : cases) {
    TFastString sb(4);
    sb.Add(value, 2);
    EXPECT_EQ(sb.ToString(), text) << value;
  }
  TFastString sb(4);
  sb.Add(0.05, 1);
  EXPECT_EQ(sb.ToString(), u"0");
}

TEST(FastString, PrependPutsTextFirst) {
  TFastString sb(8);
  sb.Prepend(u"<");  // on an empty builder
  sb.Add(u"body");
  sb.Prepend(u"<!-- x -->");
  sb.Add(u">");
  EXPECT_EQ(sb.ToString(), u"<!-- x --><body>");
  EXPECT_EQ(sb.TotalLength(), 16);
  EXPECT_EQ(layout(sb).front(), (std::pair{10, 10}));
  EXPECT_TRUE(sb.StartsWith(u"<!--"));
  EXPECT_EQ(sb.LastChar(), u'>');
}

TEST(FastString, GrabMovesChunksAndLeavesSourceUsable) {
  TFastString target(4);
  target.Add(u"12");
  TFastString source(4);
  source.Add(u"abc").Add(u"def").Add(u"gh");
  const TFastStringChunk* moved = source.FirstChunk().Next;
  target.Grab(source);
  EXPECT_EQ(target.ToString(), u"12abcdefgh");
  EXPECT_EQ(target.TotalLength(), 10);
  EXPECT_EQ(target.ChunkCount(), 4);
  EXPECT_EQ(target.FirstChunk().Next->Next, moved);  // not copied
  EXPECT_EQ(source.TotalLength(), 0);
  EXPECT_EQ(source.ToString(), u"");
  source.Add(u"again");
  EXPECT_EQ(source.ToString(), u"again");
  target.Add(u"!");
  EXPECT_EQ(target.ToString(), u"12abcdefgh!");
}

TEST(FastString, GrabCopiesAMostlyEmptySingleChunk) {
  TFastString target(4);
  target.Add(u"x");
  TFastString source(100);
  source.Add(u"small");
  target.Grab(source);
  EXPECT_EQ(target.ToString(), u"xsmall");
  EXPECT_EQ(source.ToString(), u"small");  // copied: the source keeps its text
  TFastString empty(4);
  target.Grab(empty);
  EXPECT_EQ(target.ToString(), u"xsmall");
  TFastString fresh(4);
  TFastString full(2);
  full.Add(u"ab").Add(u"cd");
  fresh.Grab(full);
  EXPECT_EQ(fresh.ToString(), u"abcd");
  EXPECT_EQ(fresh.ChunkCount(), 2);
}

TEST(FastString, DeletefromEndAcrossChunks) {
  for (int count = -1; count <= 12; ++count) {
    TFastString sb(4);
    sb.Add(u"abc").Add(u"defg").Add(u"hi");
    String expected = u"abcdefghi";
    expected.resize(count <= 0 ? 9 : count >= 9 ? 0 : 9 - size_t(count));
    sb.DeletefromEnd(count);
    EXPECT_EQ(sb.ToString(), expected) << count;
    EXPECT_EQ(sb.TotalLength(), int(expected.size()));
    sb.Add(u"+");
    EXPECT_EQ(sb.ToString(), expected + u"+");
  }
}

TEST(FastString, TrimTrailing) {
  TFastString blanks(16);
  blanks.Add(u"a \t ");
  blanks.TrimTrailingBlanks();
  EXPECT_EQ(blanks.ToString(), u"a");

  TFastString spaces(16);
  spaces.Add(u"a\t ");
  spaces.TrimTrailingSpaces();
  EXPECT_EQ(spaces.ToString(), u"a\t");

  // Once the last chunk is used up the joined text is stripped of blanks.
  TFastString chunked(2);
  chunked.Add(u"ab\t").Add(u"  ");
  chunked.TrimTrailingSpaces();
  EXPECT_EQ(chunked.ToString(), u"ab");
  EXPECT_EQ(chunked.LastChar(), u'b');
}

TEST(FastString, PosOfFindsMatchesOverManyChunks) {
  TFastString sb(0);
  for (const char16_t* piece : {u"xa", u"b", u"c", u"d", u"ef", u"abcdef"}) sb.Add(piece);
  // "xabcdefabcdef" in six chunks.
  EXPECT_EQ(sb.PosOf(u"abcd"), 2);    // over four chunks
  EXPECT_EQ(sb.PosOf(u"bcd"), 3);     // over three
  EXPECT_EQ(sb.PosOf(u"fab"), 7);     // over two
  EXPECT_EQ(sb.PosOf(u"cdef"), 4);
  EXPECT_EQ(sb.PosOf(u"xabcdefabcdef"), 1);
  EXPECT_EQ(sb.PosOf(u"xabcdefabcdefg"), 0);
  EXPECT_EQ(sb.PosOf(u"fx"), 0);
  EXPECT_EQ(sb.PosOf(u""), 0);
}

TEST(FastString, ToStringFromAndLastChar) {
  TFastString sb(3);
  sb.Add(u"ab").Add(u"cd").Add(u"e");
  EXPECT_EQ(sb.ToStringFrom(1), sb.ToString());
  EXPECT_EQ(sb.ToStringFrom(-5), u"abcde");
  EXPECT_EQ(sb.ToStringFrom(3), u"cde");
  EXPECT_EQ(sb.ToStringFrom(sb.TotalLength()), u"e");
  EXPECT_EQ(sb.ToStringFrom(6), u"");
  sb.DeletefromEnd(1);  // last chunk now empty
  EXPECT_EQ(sb.LastChar(), u'd');
}

TEST(FastString, SavesUtf16LittleEndian) {
  TFastString sb(2);
  sb.Add(u"A").Add(u"\u20AC\U0001F600");
  const unsigned char expected[] = {0x41, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
  std::vector<unsigned char> buffer(size_t(sb.TotalLength()) * 2);
  sb.SavetoBuffer(buffer.data());
  EXPECT_EQ(buffer, std::vector<unsigned char>(std::begin(expected), std::end(expected)));
  TMemoryStream stream;
  sb.SavetoStream(stream);
  ASSERT_EQ(stream.Size(), 8);
  std::vector<unsigned char> saved(8);
  stream.SetPosition(0);
  stream.ReadBuffer(saved.data(), 8);
  EXPECT_EQ(saved, buffer);
}

TEST(FastString, ClearFreesAndRestarts) {
  TFastString sb(2);
  sb.Add(u"abc").Add(u"def");
  sb.Clear();
  EXPECT_EQ(sb.ChunkCount(), 1);
  EXPECT_EQ(sb.FirstChunk().Capacity, 0);
  sb.Add(u"x");
  EXPECT_EQ(sb.ToString(), u"x");
}

// Random edits with small chunks against a plain string: every query must
// agree with the joined text whatever the chunk layout.
TEST(FastString, RandomEditsMatchAPlainString) {
  std::mt19937 rng(141);
  const String alphabet = u"ab \t";
  auto randomText = [&](size_t maxLen) {
    String t(rng() % (maxLen + 1), u'a');
    for (auto& c : t) c = alphabet[rng() % alphabet.size()];
    return t;
  };
  for (int round = 0; round < 40; ++round) {
    TFastString sb(int(rng() % 6));
    String model;
    for (int step = 0; step < 60; ++step) {
      switch (rng() % 7) {
        case 0: case 1: {
          String t = randomText(5);
          sb.Add(t);
          model += t;
          break;
        }
        case 2: {
          String t = randomText(3);
          sb.Prepend(t);
          model = t + model;
          break;
        }
        case 3: {
          int n = int(rng() % 5);
          sb.DeletefromEnd(n);
          model.resize(model.size() > size_t(n) ? model.size() - size_t(n) : 0);
          break;
        }
        case 4: {
          TFastString other(int(rng() % 4));
          String t1 = randomText(4), t2 = randomText(4);
          other.Add(t1).Add(t2);
          sb.Grab(other);
          model += t1 + t2;
          break;
        }
        case 5:
          sb.TrimTrailingBlanks();
          while (!model.empty() && model.back() <= u' ') model.pop_back();
          break;
        default: {
          int v = int(rng() % 2000) - 1000;
          sb.Add(v);
          model += AsciiToString(std::to_string(v));
          break;
        }
      }
      ASSERT_EQ(sb.ToString(), model);
      ASSERT_EQ(sb.TotalLength(), int(model.size()));
      ASSERT_EQ(sb.LastChar(), model.empty() ? u'\0' : model.back());
      String probe = randomText(4);
      size_t at = model.find(probe);
      ASSERT_EQ(sb.PosOf(probe), probe.empty() || at == String::npos ? 0 : int(at) + 1) << probe.size();
      ASSERT_EQ(sb.StartsWith(probe), !probe.empty() && model.starts_with(probe));
      ASSERT_EQ(sb.EndsWith(probe), !model.empty() && model.ends_with(probe));
    }
  }
}

// ---------------------------------------------------------------- raw builder

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(char(b));
  return s;
}

TEST(FastRawString, Utf8Encoding) {
  const std::pair<String, std::string> cases[] = {
      {u"ab\u00E9", bytes({'a', 'b', 0xC3, 0xA9})},
      {u"\U0001F600", bytes({0xF0, 0x9F, 0x98, 0x80})},
      {u"\u20AC", bytes({0xE2, 0x82, 0xAC})},
      // Unpaired surrogates become U+FFFD; the next unit is kept.
      {String(u"\xD83D") + u"A", bytes({0xEF, 0xBF, 0xBD, 'A'})},
      {String(u"\xDE00") + u"\xD83D" + u"\xDE00", bytes({0xEF, 0xBF, 0xBD, 0xF0, 0x9F, 0x98, 0x80})},
      {String(u"x\xD83D"), bytes({'x', 0xEF, 0xBF, 0xBD})},
      {String(u"\xD83D\xD83D\xDE00"), bytes({0xEF, 0xBF, 0xBD, 0xF0, 0x9F, 0x98, 0x80})},
      {u"", ""},
  };
  for (const auto& [text, utf8] : cases) {
    TFastRawString sb(0);
    sb.AddUTF8(text);
    EXPECT_EQ(sb.ToUTF8String(), utf8);
    EXPECT_EQ(sb.TotalLength(), int(utf8.size()));
  }
}

TEST(FastRawString, AppendsAndSearchesBytes) {
  TFastRawString sb(4);
  sb.Add("ab").AddChar('c').Add2Char('d', 'e').AddSpaces(2).AddInt(-12).AddInt(0).AddInt(1234567);
  sb.Add("xyz", 2).Add("ignored", 0);
  EXPECT_EQ(sb.ToString(), "abcde  -1201234567xy");
  EXPECT_GT(sb.ChunkCount(), 2);
  EXPECT_TRUE(sb.StartsWith("abcde"));
  EXPECT_FALSE(sb.StartsWith(""));
  EXPECT_EQ(sb.PosOf("de  -12"), 4);
  EXPECT_EQ(sb.PosOf("67xy"), 17);
  EXPECT_EQ(sb.PosOf("zz"), 0);
  sb.Clear();
  EXPECT_EQ(sb.TotalLength(), 0);
  EXPECT_FALSE(sb.StartsWith("a"));
}

}  // namespace
}  // namespace ht
