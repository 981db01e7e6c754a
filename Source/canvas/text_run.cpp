#include "canvas/text_run.h"

namespace ht {

const THtTextRunClass THtTextRun::ClassType{"THtTextRun", nullptr, &CreateInstance<THtTextRun, THtTextRun>};

namespace {


bool isLetterOrDigit(char16_t c) {
  return IsAsciiDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isAsciiPunct(char16_t c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

bool isCJK(char16_t c) {
  const unsigned hi = c >> 8;
  return (hi >= 0x4E && hi <= 0x9F) || hi == 0xF9 || hi == 0xFA || hi == 0x30;
}

constexpr char16_t kClosingMarks[] =
    u"!),.:;?]}\uFF0C\u3001\u3002\u2014\u02C7\u0401\u3003\u3005\uFF5E\u2026\u2019\u201D"
    u"\u3015\u3009\u300B\u300D\u300F\u3017\u3011";
constexpr char16_t kOpeningMarks[] = u"([{\u2018\u201C";

bool isIn(const char16_t* set, char16_t c) {
  if (c == 0) return false;
  for (; *set; ++set)
    if (*set == c) return true;
  return false;
}

// The scan over one string; at() gives the terminating NUL past the end.
class Splitter {
 public:
  explicit Splitter(StringView s) : s_(s), n_(s.size()) {}

  char16_t at(size_t i) const { return i < n_ ? s_[i] : u'\0'; }

  // Chooses the run's kind by the unit at i and returns the index after it.
  size_t scan(size_t i, THtTextRunFlags& flags, THtTextRunBidi& bidi) const {
    const char16_t c = at(i);
    const THtTextRunFlags breakable{trfSpace, trfBlank, trfBreakBefore, trfBreakAfter};
    size_t j = i + 1;
    if (c == 0x09) {
      while (at(j) == 0x09) ++j;
      flags = breakable + THtTextRunFlags{trfTab};
      bidi = bdNeutral;
    } else if (c == 0x0A || c == 0x0D) {
      const char16_t next = at(j);
      if ((c == 0x0D && next == 0x0A) || (c == 0x0A && next == 0x0D)) ++j;
      flags = breakable + THtTextRunFlags{trfLineBreak};
      bidi = bdNeutral;
    } else if (c == 0x20) {
      while (at(j) == 0x20) ++j;
      flags = breakable;
      bidi = bdNeutral;
    } else if (isAsciiPunct(c)) {
      bidi = bdNeutral;
      if (c == u'/') {
        flags = {trfBreakBefore};
      } else if (c == u'!' || c == u'%' || c == u',' || c == u'-' || c == u'?') {
        // A separator inside a number (1,000 or 10-20) allows no break.
        if ((c == u',' || c == u'-') && i > 0 && IsAsciiDigit(at(i - 1)) && IsAsciiDigit(at(j))) {
          flags = {};
          bidi = bdWeakLRT;
        } else {
          flags = {trfBreakAfter};
        }
      } else {
        for (;; ++j) {
          const char16_t u = at(j);
          const bool low = u < 0x40 && u != 0 && u != 0x09 && u != 0x0A && u != 0x0D && u != 0x20 &&
                           !IsAsciiDigit(u);
          if (!(low || (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E))) break;
        }
        flags = {};
      }
    } else if (IsAsciiDigit(c)) {
      for (;; ++j) {
        const char16_t u = at(j);
        if (u == 0) break;
        if (isLetterOrDigit(u)) continue;
        if (u == u',' || u == u'.') {
          if (isLetterOrDigit(at(j - 1)) && isLetterOrDigit(at(j + 1))) continue;
          break;
        }
        if (CharBidiClass(u) != bdLTR) break;
      }
      flags = {};
      bidi = bdWeakLRT;
    } else if (c == 0xA0) {
      while (at(j) == 0xA0) ++j;
      flags = {trfSpace};
      bidi = bdNeutral;
    } else if (isCJK(c)) {
      flags = {};
      if (!isIn(kClosingMarks, c)) flags.Include(trfBreakBefore);
      if (!isIn(kOpeningMarks, c) && !isIn(kClosingMarks, at(j))) flags.Include(trfBreakAfter);
      bidi = bdLTR;
    } else {
      bidi = CharBidiClass(c);
      for (; j < n_; ++j) {
        const char16_t u = at(j);
        if (u == 0x09 || u == 0x0A || u == 0x0D || u == 0x20 || u == 0xA0) break;
        if ((u >= 0x21 && u <= 0x26) || (u >= 0x28 && u <= 0x2F) || (u >= 0x3A && u <= 0x3F)) break;
        if (isCJK(u)) break;
        // The low half of a surrogate pair stays with its high half.
        if (IsLowSurrogate(u) && IsHighSurrogate(at(j - 1))) continue;
        if (CharBidiClass(u) == bidi) continue;
        if (bidi == bdLTR && (u == 0x27 || IsAsciiDigit(u) || u == 0x5F || u == 0x60)) continue;
        if (IsHighSurrogate(u)) continue;
        break;
      }
      flags = {};
    }
    return j;
  }

 private:
  StringView s_;
  size_t n_;
};

}  // namespace

void SplitTextRuns(StringView s, THtTextRuns& Runs, const THtTextRunClass* RunClass) {
  if (!RunClass) RunClass = &THtTextRun::ClassType;
  const Splitter splitter(s);
  size_t i = 0;
  while (i < s.size()) {
    THtTextRunFlags flags;
    THtTextRunBidi bidi = bdLTR;
    const size_t end = splitter.scan(i, flags, bidi);
    std::unique_ptr<THtTextRun> run = RunClass->Create();
    run->Start = int(i + 1);
    run->Count = int(end - i);
    run->Flags = flags;
    run->Bidi = bidi;
    Runs.Add(run.release());
    i = end;
  }
}

}  // namespace ht
