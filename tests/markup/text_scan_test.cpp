#include "markup/text_scan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The vector scan against the scalar one on random text of stops, letters
// and units whose low or high byte looks like a stop, from every start
// offset, with runs from dense stops to none.
TEST(TextScan, VectorMatchesScalar) {
  const char16_t alphabet[] = {u'a', u'Z', u' ', u'>', u'<', u'&', char16_t(0x263C), char16_t(0x3C00),
                               char16_t(0x2600), char16_t(0xFFFF), u'\0', u';'};
  std::srand(20);
  for (int round = 0; round < 300; ++round) {
    const size_t len = size_t(std::rand() % 70);
    const int stopOdds = 1 + std::rand() % 60;
    std::u16string text(len, u'x');
    for (char16_t& c : text)
      c = std::rand() % stopOdds == 0 ? alphabet[4 + std::rand() % 2] : alphabet[std::rand() % 12];
    const char16_t* end = text.data() + text.size();
    for (size_t from = 0; from <= len; ++from)
      ASSERT_EQ(ht::FindTextStop(text.data() + from, end), ht::FindTextStopScalar(text.data() + from, end))
          << "round " << round << " from " << from;
  }
}
