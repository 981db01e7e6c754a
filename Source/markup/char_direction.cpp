#include "markup/char_direction.h"

namespace ht {

THtTextRunBidi CharBidiClass(char16_t Ch) {
  if (Ch < 0x80) {
    if (Ch >= u'0' && Ch <= u'9') return bdWeakLRT;
    if ((Ch >= u'A' && Ch <= u'Z') || (Ch >= u'a' && Ch <= u'z')) return bdLTR;
    if (Ch < 0x7F) return bdNeutral;
    return bdLTR;  // U+007F falls in with the letters above ASCII
  }
  if ((Ch >= 0x0590 && Ch <= 0x05FF) || (Ch >= 0xFB1D && Ch <= 0xFB4F)) return bdRTL;  // Hebrew
  if ((Ch >= 0xFB50 && Ch <= 0xFDFF) || (Ch >= 0xFE70 && Ch <= 0xFEFF)) return bdRTL;  // Arabic forms
  if (Ch > 0x2000) return bdNeutral;
  if ((Ch >= 0x0600 && Ch <= 0x06FF) || (Ch >= 0x0750 && Ch <= 0x077F) || (Ch >= 0x08A0 && Ch <= 0x08FF))
    return bdRTL;
  return bdLTR;
}

}  // namespace ht
