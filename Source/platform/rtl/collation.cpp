#include "platform/rtl/collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace ht {

namespace {

// One collator for the process; comparing through a const collator is
// safe from several threads.
const icu::Collator* collator() {
  static const std::unique_ptr<icu::Collator> c = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) made.reset();
    if (made) made->setStrength(icu::Collator::TERTIARY);
    return made;
  }();
  return c.get();
}

icu::UnicodeString alias(StringView S) {
  return icu::UnicodeString(false, reinterpret_cast<const UChar*>(S.data()), int32_t(S.size()));
}

}  // namespace

int CompareStringW(StringView A, StringView B) {
  const icu::Collator* c = collator();
  if (!c) return A < B ? -1 : A == B ? 0 : 1;  // no collation data: code unit order
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      c->compare(reinterpret_cast<const UChar*>(A.data()), int32_t(A.size()), reinterpret_cast<const UChar*>(B.data()),
                 int32_t(B.size()), status);
  return r == UCOL_LESS ? -1 : r == UCOL_EQUAL ? 0 : 1;
}

std::string CollationKey(StringView S) {
  const icu::Collator* c = collator();
  if (!c) {
    std::string k;
    k.reserve(S.size() * 2);
    for (char16_t u : S) {
      k += char(u >> 8);
      k += char(u & 0xFF);
    }
    return k;
  }
  const icu::UnicodeString u = alias(S);
  std::string key(S.size() * 4 + 16, '\0');
  int32_t n = c->getSortKey(u, reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
  if (n > int32_t(key.size())) {
    key.resize(size_t(n));
    n = c->getSortKey(u, reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
  }
  // The key ends with a zero byte, which adds nothing to the order.
  key.resize(n > 0 ? size_t(n - 1) : 0);
  return key;
}

}  // namespace ht
