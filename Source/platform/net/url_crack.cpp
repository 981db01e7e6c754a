#include "platform/net/url_crack.h"

#include <curl/curl.h>

#include <memory>

#include "platform/net/net_error.h"

namespace ht {

namespace {

struct UrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

struct CurlTextDeleter {
  void operator()(char* p) const { curl_free(p); }
};

using CurlText = std::unique_ptr<char, CurlTextDeleter>;

bool getPart(CURLU* url, CURLUPart what, std::string& out, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(url, what, &raw, flags) != CURLUE_OK) return false;
  CurlText text(raw);
  out = raw;
  return true;
}

}  // namespace

int CrackUrl(StringView URL, TUrlComponents& Parts) {
  const std::string utf8 = StringToUtf8(URL);
  // libcurl stops at a NUL; any control character could split a header.
  for (unsigned char c : utf8)
    if (c < 0x20 || c == 0x7F) return NET_ERROR_INVALID_URL;

  std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
  if (!url) return NET_ERROR_INTERNAL;
  // Without a default scheme a text with no "scheme://" is refused rather
  // than guessed; NON_SUPPORT_SCHEME lets us name the refusal ourselves.
  if (curl_url_set(url.get(), CURLUPART_URL, utf8.c_str(),
                   CURLU_URLENCODE | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return NET_ERROR_INVALID_URL;

  std::string scheme, host, port, path, query;
  if (!getPart(url.get(), CURLUPART_SCHEME, scheme)) return NET_ERROR_INVALID_URL;
  for (char& c : scheme)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  if (scheme != "http" && scheme != "https") return NET_ERROR_UNRECOGNIZED_SCHEME;
  if (!getPart(url.get(), CURLUPART_HOST, host) || host.empty()) return NET_ERROR_INVALID_URL;
  if (!getPart(url.get(), CURLUPART_PORT, port, CURLU_DEFAULT_PORT)) return NET_ERROR_INVALID_URL;
  if (!getPart(url.get(), CURLUPART_PATH, path)) path = "/";
  if (!getPart(url.get(), CURLUPART_QUERY, query)) query.clear();
  // The fragment never travels; drop it from what libcurl is handed.
  curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
  std::string normalized;
  if (!getPart(url.get(), CURLUPART_URL, normalized)) return NET_ERROR_INVALID_URL;

  int portNumber = 0;
  for (char c : port) {
    if (c < '0' || c > '9' || portNumber > 65535) return NET_ERROR_INVALID_URL;
    portNumber = portNumber * 10 + (c - '0');
  }
  if (portNumber <= 0 || portNumber > 65535) return NET_ERROR_INVALID_URL;

  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (path.empty()) path = "/";
  if (!query.empty()) path += "?" + query;

  Parts.Scheme = AsciiToString(scheme);
  Parts.Host = Utf8ToString(host);
  Parts.Port = portNumber;
  Parts.PathWithQuery = Utf8ToString(path);
  Parts.Normalized = std::move(normalized);
  Parts.Loopback = host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
  return 0;
}

}  // namespace ht
