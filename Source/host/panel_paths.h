#pragma once
// How the panel's getters prepare a request's URL or file path. Apart from
// the getters so that code seeing the HTTP client may use it too.
#include "platform/rtl/string.h"

namespace ht {

// Whether Url or Base is an http: or https: URL.
bool HtIsWebRequest(StringView Url, StringView Base);
// A web request's URL: U+0010 escaped as "%10", a relative Url resolved
// against an http(s) Base.
String HtPrepareWebUrl(StringView Url, StringView Base);
// The file an image URL names relative to Base (a file path): "file://"
// prefixes dropped ("file:///abs" stays absolute), each leading "../" climbs
// one folder, and a path without a scheme or a leading "//" is taken in
// Base's folder (a leading "/" included).
String HtLocalImagePath(StringView Url, StringView Base);

}  // namespace ht
