#include "canvas/text_run.h"

#include <gtest/gtest.h>

#include "canvas/canvas.h"
#include "support/trace_canvas.h"

namespace ht {
namespace {

// Each run as start:count:flags:bidi, flags as letters
// (s space, b blank, B break before, A break after, L line break, T tab) and
// bidi as L, N, W (weak LTR) or R.
std::string describe(const THtTextRuns& runs) {
  std::string out;
  for (const THtTextRun* r : runs) {
    std::string flags;
    const std::pair<THtTextRunFlag, char> names[] = {{trfSpace, 's'},      {trfBlank, 'b'},
                                                     {trfBreakBefore, 'B'}, {trfBreakAfter, 'A'},
                                                     {trfLineBreak, 'L'},  {trfTab, 'T'}};
    for (auto [f, c] : names)
      if (r->Flags.Contains(f)) flags += c;
    out += std::to_string(r->Start) + ":" + std::to_string(r->Count) + ":" + flags + ":" + "LNWR"[r->Bidi] + " ";
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string split(StringView s) {
  THtTextRuns runs;
  testing::TTraceCanvas::ClassType.SplitString(s, runs, &THtTextRun::ClassType);
  // Runs cover the text without gaps or overlaps.
  int next = 1;
  for (const THtTextRun* r : runs) {
    EXPECT_EQ(r->Start, next);
    EXPECT_GT(r->Count, 0);
    next += r->Count;
  }
  EXPECT_EQ(next, int(s.size()) + 1);
  return describe(runs);
}

TEST(TextRunSplit, Samples) {
  struct Case {
    const char16_t* text;
    const char* runs;
  } cases[] = {
      {u"", ""},
      {u"Hello world", "1:5::L 6:1:sbBA:N 7:5::L"},
      {u"a\tb", "1:1::L 2:1:sbBAT:N 3:1::L"},
      {u"\t\t", "1:2:sbBAT:N"},
      {u"\r\n", "1:2:sbBAL:N"},
      {u"\n\r", "1:2:sbBAL:N"},
      {u"\r\r", "1:1:sbBAL:N 2:1:sbBAL:N"},
      {u"a  b", "1:1::L 2:2:sbBA:N 4:1::L"},
      {u"1,000", "1:5::W"},
      {u"1,a", "1:3::W"},
      {u"1, 2", "1:1::W 2:1:A:N 3:1:sbBA:N 4:1::W"},
      {u"10-20", "1:2::W 3:1::W 4:2::W"},
      {u"a-b", "1:1::L 2:1:A:N 3:1::L"},
      {u"-5", "1:1:A:N 2:1::W"},
      {u"a/b", "1:1::L 2:1:B:N 3:1::L"},
      {u"(x)", "1:1::N 2:1::L 3:1::N"},
      {u"((x", "1:2::N 3:1::L"},
      {u"don't", "1:5::L"},
      {u"abc123", "1:6::L"},
      {u"3.14px", "1:6::W"},
      {u"\u05D0\u05D1123", "1:2::R 3:3::W"},
      {u"\u00A0\u00A0\u00A0", "1:3:s:N"},
      {u"\u4E2D\u6587", "1:1:BA:L 2:1:BA:L"},
      {u"\u4E2D\u3002", "1:1:B:L 2:1:A:L"},
      {u"\u4E2Dx", "1:1:BA:L 2:1::L"},
      {u"caf\u00E9 \u00E9t\u00E9", "1:4::L 5:1:sbBA:N 6:3::L"},
  };
  for (const Case& c : cases) EXPECT_EQ(split(c.text), c.runs) << StringToUtf8(c.text);
}

TEST(TextRunSplit, SurrogatePairsStayWhole) {
  // U+1F600 after a letter: the pair stays in the word.
  EXPECT_EQ(split(u"a\U0001F600"), "1:3::L");
  EXPECT_EQ(split(u"\U0001F600"), "1:2::N");
  EXPECT_EQ(split(u"1\U0001F600"), "1:1::W 2:2::N");
  EXPECT_EQ(split(u"\U0001F600 \U0001F601x"), "1:2::N 3:1:sbBA:N 4:2::N 6:1::L");
  // An unpaired low surrogate still forms a run of its own.
  EXPECT_EQ(split(StringView(u"a\xDC00", 2)), "1:1::L 2:1::N");
}

// A run class derived the way layout derives its line blocks.
class TLineBlock : public THtTextRun {
 public:
  static const THtTextRunClass ClassType;
  const THtTextRunClass* ClassRefOf() const override { return &ClassType; }
  int Extra = 7;
};
const THtTextRunClass TLineBlock::ClassType{"TLineBlock", &THtTextRun::ClassType,
                                            &CreateInstance<TLineBlock, THtTextRun>};

TEST(TextRunSplit, AppendsWithTheGivenRunClass) {
  THtTextRuns runs;
  THtCanvas::ClassType.SplitString(u"ab", runs, &THtTextRun::ClassType);
  THtCanvas::ClassType.SplitString(u"c d", runs, &TLineBlock::ClassType);
  ASSERT_EQ(runs.Count(), 4);
  EXPECT_EQ(runs.GetRun(0)->Count, 2);
  EXPECT_EQ(runs.GetRun(1)->Start, 1);  // positions are per split string
  EXPECT_NE(dynamic_cast<TLineBlock*>(runs.GetRun(3)), nullptr);
}

TEST(TextStyle, DefaultAndReset) {
  THtTextStyle s = THtTextStyle::Default();
  EXPECT_EQ(s.Opacity, 1.0f);
  EXPECT_EQ(s.Color, 0u);
  EXPECT_EQ(s.Overflow, toClip);
  EXPECT_EQ(s.DecorationStyle, tsSolid);
  EXPECT_EQ(s.WritingMode, wmHorizontalTB);
  EXPECT_TRUE(s.FontFeatures.empty());
  s.Opacity = 0.5f;
  s.LetterSpacing = 2;
  s.FontFeatures = u"liga";
  s.Reset();
  EXPECT_EQ(s.Opacity, 1.0f);
  EXPECT_EQ(s.LetterSpacing, 0);
  EXPECT_TRUE(s.FontFeatures.empty());
}

TEST(TextRunMeasure, TraceCanvasUsesFixedMetrics) {
  auto fonts = testing::TTraceCanvas::ClassType.CreateFontCollection();
  THtFont* f = fonts->GetFont(u"Arial", 10, {});
  THtTextStyle style;
  style.WordSpacing = 3;
  EXPECT_FLOAT_EQ(testing::TTraceCanvas::ClassType.MeasureString(u"ab cd", f, style, 2, 2, 3), 3 * 10 + 3);
  EXPECT_THROW(THtCanvas::ClassType.MeasureString(u"ab", f, style, 1, 1, 2), EAbstractError);
}

}  // namespace
}  // namespace ht
