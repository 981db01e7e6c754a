#include "host/inet_client.h"

#include <string>

#include "platform/net/http_session.h"
#include "platform/net/url_crack.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

const std::string kUserAgent = "User-Agent: Mozilla/5.0";

// "Name: value" in UTF-8. A line break inside a value would start a header
// of the caller's choosing, so it is refused.
std::string headerLine(const char* name, StringView value) {
  for (char16_t c : value)
    if (c == u'\r' || c == u'\n' || c == 0)
      throw EHtInetException(Format(u"Invalid character in the %s header", AsciiToString(name)));
  return std::string(name) + ": " + StringToUtf8(value);
}

String decodeBody(const TBytes& bytes, StringView charset) {
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return charset == u"utf-8" ? Utf8ToString(raw) : AnsiToString(raw);
}

void crack(StringView URL, TUrlComponents& parts) {
  if (const int error = CrackUrl(URL, parts)) throw NetError(error, URL);
}

void checkSize(const THttpResponse& response) {
  if (response.BodyTooLarge)
    throw EHtInetException(Format(u"The response body exceeds %u MB", unsigned(HtInetMaxBodySize >> 20)));
}

int initCount = 0;
std::mutex initLock;

}  // namespace

String ExtractCharset(StringView AContentType) {
  const String lower = AsciiLowerCase(AContentType);
  const size_t at = lower.find(u"charset=");
  if (at == String::npos) return String();
  const size_t start = at + 8;
  size_t end = lower.find(u';', start);
  if (end == String::npos) end = lower.size();
  size_t first = start, last = end;
  while (first < last && lower[first] <= u' ') ++first;
  while (last > first && lower[last - 1] <= u' ') --last;
  return lower.substr(first, last - first);
}

String WinInetGet(StringView URL, StringView TrustedCertificates) {
  TUrlComponents parts;
  crack(URL, parts);
  THttpSession session;
  THttpRequest request;
  request.Url = parts.Normalized;
  request.Loopback = parts.Loopback;
  request.Headers.push_back(kUserAgent);
  request.TrustedCertificateFile = StringToUtf8(TrustedCertificates);
  request.MaxBodySize = HtInetMaxBodySize;
  TBytes body;
  THttpResponse response;
  session.Perform(request, body, response);
  checkSize(response);
  if (response.StatusCode != 200) return String();
  return decodeBody(body, ExtractCharset(Utf8ToString(response.ContentType)));
}

THtInetClient::THtInetClient() : Request(std::make_unique<THttpSession>()) {}

THtInetClient::~THtInetClient() = default;

void THtInetClient::SendRequest(StringView URL, const std::string& Verb, const std::string* Body, TBytes& Data) {
  // The same URL again needs no new split. The connection is kept while
  // scheme, host and port stay the same; another one closes it first.
  if (URL != LastURL) {
    TUrlComponents parts;
    crack(URL, parts);
    const String host = parts.Scheme + u"://" + parts.Host + u":" + AsciiToString(std::to_string(parts.Port));
    if (host != LastHost) {
      if (!LastHost.empty()) Request->CloseConnection();
      LastHost = host;
    }
    LastPath = parts.PathWithQuery;
    LastURL = String(URL);
    LastRequestUrl = std::move(parts.Normalized);
    LastLoopback = parts.Loopback;
  }

  THttpRequest request;
  request.Url = LastRequestUrl;
  request.Loopback = LastLoopback;
  request.Verb = Verb;
  if (!Password.empty())
    request.Headers.push_back("Authorization: Basic " + StringToUtf8(EncodeBase64StringUnbroken(User + u":" + Password)));
  if (!Referer.empty()) request.Headers.push_back(headerLine("Referer", Referer));
  if (!ContentType.empty()) request.Headers.push_back(headerLine("Content-Type", ContentType));
  if (Body) request.Headers.push_back("Content-Length: " + std::to_string(Body->size()));
  request.Headers.push_back(kUserAgent);
  request.Headers.push_back("Connection: keep-alive");
  request.Body = Body;
  if (TimeOut > 0) {
    request.ConnectTimeoutMs = 5000;
    request.IdleTimeoutMs = TimeOut;
  }
  request.TrustedCertificateFile = StringToUtf8(TrustedCertificates);
  request.MaxBodySize = HtInetMaxBodySize;

  THttpResponse response;
  try {
    Request->Perform(request, Data, response);
  } catch (const EOSError& e) {
    if (e.ErrorCode() != NET_ERROR_CLIENT_AUTH_CERT_NEEDED) throw;
    std::vector<String> certificates;
    GetClientCertificates(certificates);
    if (certificates.empty()) throw EHtInetException(u"No SSL certificates found");
    throw;  // a certificate fits but could not be used (no private key)
  }
  checkSize(response);
  StatusCode = response.StatusCode;
  ResponseTypeRaw = std::move(response.ContentType);
}

void THtInetClient::ReadResponseText(String& Text) {
  String charset;
  if (!ResponseTypeRaw.empty()) {
    ResponseContentType = Utf8ToString(ResponseTypeRaw);
    charset = ExtractCharset(ResponseContentType);
  }
  Text = decodeBody(ResponseBytes, charset);
  // A small buffer is kept for the next request, a large one given back.
  if (ResponseBytes.capacity() > (1u << 20)) ResponseBytes = TBytes();
  ResponseCode = uint32_t(StatusCode);
  if (ResponseCode == 401) throw EHtInetException(u"401: " + Text);
}

String THtInetClient::TextRequest(StringView URL, const std::string& Verb, const std::string* Body) {
  ResponseBytes.clear();
  ResponseTypeRaw.clear();
  SendRequest(URL, Verb, Body, ResponseBytes);
  String text;
  ReadResponseText(text);
  return text;
}

String THtInetClient::Get(StringView AURL) {
  std::lock_guard<std::mutex> guard(Lock);
  ResponseContentType.clear();
  try {
    return TextRequest(AURL, "GET", nullptr);
  } catch (const EOSError& e) {
    // The second attempt keeps the same security: a refused certificate
    // stays refused, it only gets a fresh handle.
    if (e.ErrorCode() != NET_ERROR_SECURE_FAILURE && e.ErrorCode() != NET_ERROR_SECURE_CHANNEL_ERROR) throw;
    return WinInetGet(AURL, TrustedCertificates);
  }
}

TBytes THtInetClient::GetBytes(StringView AURL) {
  std::lock_guard<std::mutex> guard(Lock);
  TBytes result;
  if (AURL.size() > HtInetMaxBytesUrlLength) return result;
  SendRequest(AURL, "GET", nullptr, result);
  return result;
}

String THtInetClient::Post(StringView AURL, const std::string& query, StringView AContentType) {
  std::lock_guard<std::mutex> guard(Lock);
  ContentType = AContentType.empty() ? String(u"text/html; charset=utf-8") : String(AContentType);
  return TextRequest(AURL, "POST", &query);
}

String THtInetClient::Delete(StringView AURL, const std::string& query, StringView AContentType) {
  std::lock_guard<std::mutex> guard(Lock);
  ContentType = AContentType.empty() ? String(u"text/html; charset=utf-8") : String(AContentType);
  return TextRequest(AURL, "DELETE", &query);
}

void THtInetClient::GetClientCertificates(std::vector<String>& List) const {
  if (!Request->ClientCertificateRequested()) return;
  for (const std::string& file : Request->AcceptedClientCertificates()) List.push_back(Utf8ToString(file));
}

void HtInetInitialize() {
  std::lock_guard<std::mutex> guard(initLock);
  if (initCount++ == 0) HttpServiceOpen();
}

void HtInetFinalize() {
  std::lock_guard<std::mutex> guard(initLock);
  if (initCount == 0) return;
  if (--initCount == 0) HttpServiceClose();
}

}  // namespace ht
