#pragma once
// "data:" URLs as image sources: the payload after the first comma, read as
// Base64 only when a ";base64" parameter says so and percent-decoded
// otherwise ("+" stays a plus), and the image cache's key for it.
#include "canvas/canvas_types.h"
#include "platform/rtl/string.h"

namespace ht {

struct TDataUrl {
  String MediaType;  // the text between "data:" and the first ";" or ","
  StringView Payload;  // everything after the first ",", as written (a view into the URL)
  bool Base64 = false;
};

// False when Url does not start with "data:" (case-sensitive) or has no
// comma.
bool SplitDataUrl(StringView Url, TDataUrl& Out);

// The cache key of a payload: a hash of all of it, its length and its first
// 100 characters, so payloads that share a long header stay apart.
String DataUrlKey(StringView Payload);

// Whether text is SVG markup: it starts with "<svg" or "<?xml".
bool IsSVGText(StringView s);

// The payload's bytes: Base64-decoded, or percent-decoded. Text is the
// decoded text of a payload that is SVG markup (then Bytes stays empty).
void DecodeDataUrl(const TDataUrl& D, THtBytes& Bytes, String& Text);

}  // namespace ht
