// The HTTP client's URL splitting and charset extraction, and the panel
// getters' URL and path preparation, over arbitrary text: never a crash,
// and what they accept keeps its promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/inet_client.h"
#include "host/panel_paths.h"
#include "platform/net/net_error.h"
#include "platform/net/url_crack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ht::String text = ht::Utf8ToString(bytes);

  ht::TUrlComponents parts;
  const int error = ht::CrackUrl(text, parts);
  if (error == 0) {
    if (parts.Scheme != u"http" && parts.Scheme != u"https") std::abort();
    if (parts.Port <= 0 || parts.Port > 65535 || parts.Host.empty()) std::abort();
    if (parts.PathWithQuery.empty() || parts.PathWithQuery[0] != u'/') std::abort();
    // No blank or control character reaches libcurl (a host may stay
    // non-ASCII: international names are resolved as such).
    for (unsigned char c : parts.Normalized)
      if (c <= 0x20 || c == 0x7F) std::abort();
  } else if (error != ht::NET_ERROR_INVALID_URL && error != ht::NET_ERROR_UNRECOGNIZED_SCHEME) {
    std::abort();
  }

  const ht::String charset = ht::ExtractCharset(text);
  if (!charset.empty()) {
    if (charset.front() <= u' ' || charset.back() <= u' ') std::abort();
    if (charset.find(u';') != ht::String::npos) std::abort();
    for (char16_t c : charset)
      if (c >= u'A' && c <= u'Z') std::abort();
  }
  // The input split in two at its first newline: a URL and its base.
  const size_t cut = text.find(u'\n');
  const ht::String url = text.substr(0, cut);
  const ht::String base = cut == ht::String::npos ? ht::String() : text.substr(cut + 1);
  const ht::String web = ht::HtPrepareWebUrl(url, base);
  if (base.find(u'\x10') == ht::String::npos && web.find(u'\x10') != ht::String::npos) std::abort();
  const ht::String path = ht::HtLocalImagePath(url, base);
  // Separators are normalised and no "../" is left at the front.
  if (path.find(u'\\') != ht::String::npos) std::abort();
  if (path.substr(0, 3) == u"../") std::abort();
  return 0;
}
