#include "markup/string_rec.h"

#include "markup/hash_dictionary.h"

namespace ht {

THtStringRec::THtStringRec(StringView AValue)
    : Value(AValue), Hash(HtTagHash(Value.data(), int32_t(Value.size()))) {}

}  // namespace ht
