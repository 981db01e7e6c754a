#pragma once
// One @media query as the parser reads it: the media types it names, the
// widths it tests and its tokens for writing it back. Rules outside @media
// share the process-wide default set, which names nothing and always applies.
#include <cstdint>

#include "css/css_keywords.h"
#include "css/css_token.h"
#include "platform/rtl/object.h"

namespace ht {

// A media type keyword is the value name without "cm", ignoring case.
#define HT_CSS_MEDIA_VALUES(X) \
  X(cmAll) X(cmAural) X(cmBraille) X(cmHandheld) X(cmPrint) X(cmProjection) X(cmScreen) X(cmTV) X(cmUnknown)
HT_KEYWORD_ENUM(TCSSMedia, HT_CSS_MEDIA_VALUES);

// A set of TCSSMedia, one bit per ordinal.
using TCSSMediaTypes = uint16_t;
constexpr TCSSMediaTypes MediaBit(TCSSMedia m) { return TCSSMediaTypes(1u << unsigned(m)); }

class TCSSMediaSet : public THtObject {
 public:
  TCSSMediaTypes Media = 0;
  int MinWidth = 0;  // pixels; 0 when not given
  int MaxWidth = 0;
  int MinDeviceWidth = 0;
  int MaxDeviceWidth = 0;
  bool HasSizeQuery = false;  // a width was given
  bool Disabled = false;      // the last test found that the query does not apply
  TCSSTokens Tokens;          // the query's tokens as read

  bool Has(TCSSMedia M) const { return Media & MediaBit(M); }
  void Include(TCSSMedia M) { Media |= MediaBit(M); }
};

// The set of rules outside @media; made on first use, never tested.
TCSSMediaSet* DefaultCSSMediaSet();

}  // namespace ht
