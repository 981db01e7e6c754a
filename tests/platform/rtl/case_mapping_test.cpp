#include "platform/rtl/case_mapping.h"

#include <gtest/gtest.h>

namespace ht {

TEST(CaseMapping, KeepsTheUtf16Length) {
  struct Case {
    const char16_t* in;
    const char16_t* upper;
  } cases[] = {
      {u"abc \u00e9\u00df", u"ABC \u00c9\u00df"},  // sharp s has no one-to-one upper case
      {u"\U00010428x", u"\U00010400X"},            // Deseret: a pair maps to a pair
      {u"\xD800" u"a", u"\xD800" u"A"},  // an unpaired surrogate stays
  };
  for (const Case& c : cases) {
    const String up = UpperCaseSameLength(c.in);
    EXPECT_EQ(up.size(), String(c.in).size());
    EXPECT_EQ(up, c.upper);
  }
  EXPECT_EQ(LowerCaseSameLength(u"ABC \u00c9\u0130"), u"abc \u00e9i");
  EXPECT_EQ(LowerCaseSameLength(u"\U00010400"), u"\U00010428");
  // Into a buffer that held a longer string: the same answer, nothing of
  // the old content left.
  String out = u"a much longer earlier string";
  LowerCaseSameLength(u"AZ@[`\U00010400\xDC00", out);
  EXPECT_EQ(out, u"az@[`\U00010428\xDC00");
}

}  // namespace ht
