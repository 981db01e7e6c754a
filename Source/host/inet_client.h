#pragma once
// A thin synchronous HTTP and HTTPS client for the host control: its URL
// loader and text getter use Get, its image getter GetBytes; Post and
// Delete are there for programs. Every call blocks until the whole response
// has been read.
//
// One client keeps one connection, reused while scheme, host and port stay
// the same. Calls on one client are serialised by its own lock, so the
// control's main thread and its image-loader thread may share it; the
// settings (TimeOut, User, ...) are meant to be set before such sharing.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "markup/base64.h"
#include "platform/net/net_error.h"
#include "platform/rtl/exception.h"

namespace ht {

class THttpSession;

// The client's own failures: "No SSL certificates found", "401: <body>",
// and a body over the size limit. Failures of the HTTP service itself raise
// EOSError, whose message holds the condition number.
HT_DECLARE_EXCEPTION(EHtInetException, Exception);

// Largest body GetBytes, Get, Post and Delete accept.
constexpr uint64_t HtInetMaxBodySize = 512ull << 20;
// GetBytes answers an empty array without a request for longer URLs.
constexpr size_t HtInetMaxBytesUrlLength = 4096;

class THtInetClient {
 public:
  THtInetClient();
  ~THtInetClient();
  THtInetClient(const THtInetClient&) = delete;
  THtInetClient& operator=(const THtInetClient&) = delete;

  // Milliseconds the transfer may stay idle; the connection (with the TLS
  // handshake) gets 5 s. 0: 60 s to connect and 30 s idle.
  int TimeOut = 0;
  String User, Password;  // Basic authorisation, sent when Password is not empty
  String Referer;
  String ContentType;  // sent when not empty; Post and Delete set it
  String ResponseContentType;  // of the last text response
  uint32_t ResponseCode = 0;   // of the last text response
  // A PEM file of certificates trusted besides the system's (for a private
  // authority or a self-signed server). Verification itself is never off.
  String TrustedCertificates;

  String Get(StringView AURL);
  TBytes GetBytes(StringView AURL);
  // query is sent as it stands (8-bit bytes); an empty AContentType sends
  // "text/html; charset=utf-8", which the client then keeps in ContentType.
  String Post(StringView AURL, const std::string& query, StringView AContentType);
  String Delete(StringView AURL, const std::string& query, StringView AContentType);

  // The store certificates (file names) that the server of the last request
  // accepts, when it asked for one; empty otherwise.
  void GetClientCertificates(std::vector<String>& List) const;

 private:
  // Sends the request and reads the whole response body into Body.
  void SendRequest(StringView URL, const std::string& Verb, const std::string* Body, TBytes& Data);
  void ReadResponseText(String& Text);
  String TextRequest(StringView URL, const std::string& Verb, const std::string* Body);

  // The split of the last URL; the same URL again is not split anew.
  String LastHost;  // scheme, host and port: another one means another connection
  String LastPath;  // path with query
  String LastURL;
  std::string LastRequestUrl;  // LastURL as libcurl is given it
  bool LastLoopback = false;   // LastURL names this machine
  std::unique_ptr<THttpSession> Request;  // the libcurl handle and its connection
  TBytes ResponseBytes;                   // body of the current text request
  std::string ResponseTypeRaw;            // Content-Type of the current request
  long StatusCode = 0;
  std::mutex Lock;
};

// The charset parameter of a content type, lower-cased and trimmed of
// blanks; quotes are kept. Empty when there is none.
String ExtractCharset(StringView AContentType);

// A plain second GET on a fresh handle with the same security: status 200
// gives the decoded text, any other status empty text (no 401 check).
// TrustedCertificates as for the client.
String WinInetGet(StringView URL, StringView TrustedCertificates = {});

// Start-up of the HTTP client unit (the HTTP service, once). Calls nest.
void HtInetInitialize();
void HtInetFinalize();

}  // namespace ht
