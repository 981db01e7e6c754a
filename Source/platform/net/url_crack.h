#pragma once
// Splitting a URL into the parts a request is addressed by. Only http and
// https are served: a page must never reach local files or other protocols
// through a link or an image URL.
#include <string>

#include "platform/rtl/string.h"

namespace ht {

struct TUrlComponents {
  String Scheme;         // "http" or "https", lower case
  String Host;           // as given, IPv6 literals without brackets
  int Port = 0;          // the explicit port or the scheme's default
  String PathWithQuery;  // "/" when the URL has no path; the fragment dropped
  std::string Normalized;  // the URL as libcurl is given it (UTF-8, non-ASCII escaped)
  bool Loopback = false;   // the host is "localhost", 127.x.x.x or ::1
};

// Fills Parts and answers 0, or answers NET_ERROR_INVALID_URL for text that
// is no absolute URL with a host (or holds control characters), and
// NET_ERROR_UNRECOGNIZED_SCHEME for a scheme other than http and https.
int CrackUrl(StringView URL, TUrlComponents& Parts);

}  // namespace ht
