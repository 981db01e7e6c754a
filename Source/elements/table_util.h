#pragma once
// Small helpers the table files share: tag tests, integer attribute text
// and typed child access.
#include "document/element.h"
#include "platform/rtl/string.h"

namespace ht::table_util {

inline bool tagIs(const THtNode* N, StringView Tag) { return N && SameTextAscii(N->Tag(), Tag); }

// A leading integer: an optional sign and the digits up to the first other
// character; no digits read as 0. Large values saturate.
inline long long leadingInteger(StringView s, bool* hasDigits = nullptr) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  long long v = 0;
  bool any = false;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    any = true;
    if (v < 1000000000LL) v = v * 10 + (s[i] - u'0');
  }
  if (hasDigits) *hasDigits = any;
  return negative ? -v : v;
}

// Text that is an integer as a whole (blanks around it allowed).
inline bool readInteger(StringView s, long long& v) {
  s = TrimBlanks(s);
  if (s.empty()) return false;
  size_t i = (s[0] == u'-' || s[0] == u'+') ? 1 : 0;
  if (i == s.size()) return false;
  for (size_t j = i; j < s.size(); ++j)
    if (s[j] < u'0' || s[j] > u'9') return false;
  v = leadingInteger(s);
  return true;
}

template <class T>
T* childAs(THtNode* N) {
  return N && N->ClassRefOf()->InheritsFrom(&T::ClassType) ? static_cast<T*>(N) : nullptr;
}

}  // namespace ht::table_util

#include "elements/table_element.h"

namespace ht {

template <class F>
void TTableElement::editing(bool Layout, F&& Work) {
  ++fEditDepth;
  fEditLayout = fEditLayout || Layout;
  try {
    Work();
  } catch (...) {
    if (--fEditDepth == 0) finishEdit();
    throw;
  }
  // The table may be gone after this: nothing of it is read.
  if (--fEditDepth == 0) finishEdit();
}

}  // namespace ht
