#pragma once
// The HTTP service under the engine's HTTP client: one libcurl easy handle
// per session, which keeps at most one open connection and reuses it while
// scheme, host and port stay the same.
//
// Security is fixed, not negotiable per call: certificates and host names
// are verified against the system's trust store (plus the session's own
// trusted certificates, when given), TLS 1.2 and 1.3 only, http and https
// only, at most 10 redirects and never from https to http. Credentials sent
// as an Authorization header stay with the host they were written for.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

// Counted start-up of the service (curl_global_init): the first open
// initialises, the last close cleans up. Every session holds one count, so
// the service lives while any session does.
void HttpServiceOpen();
void HttpServiceClose();
int HttpServiceOpenCount();

// The current user's certificate store "MY": a folder of PEM files, each
// holding a certificate and its private key. $TARNWICK_CERT_STORE when set,
// else $XDG_CONFIG_HOME/tarnwick/certificates/MY (~/.config when unset).
std::string ClientCertificateStoreFolder();

struct THttpRequest {
  std::string Url;                   // cracked and normalised (CrackUrl)
  std::string Verb = "GET";          // GET, POST or DELETE
  std::vector<std::string> Headers;  // "Name: value", sent in this order
  const std::string* Body = nullptr;  // none when null (an empty body is a body)
  int ConnectTimeoutMs = 60000;      // resolve, connect and TLS handshake
  int IdleTimeoutMs = 30000;         // longest wait without any data moving (whole seconds)
  std::string TrustedCertificateFile;  // extra PEM trust anchors, empty for none
  bool Loopback = false;             // the host is this machine: no proxy
  uint64_t MaxBodySize = 512ull << 20;
};

struct THttpResponse {
  long StatusCode = 0;
  std::string ContentType;   // of the final response, empty when none
  int64_t ContentLength = -1;  // -1 when the header was missing
  bool BodyTooLarge = false;   // the transfer stopped at MaxBodySize
};

class THttpSession {
 public:
  THttpSession();
  ~THttpSession();
  THttpSession(const THttpSession&) = delete;
  THttpSession& operator=(const THttpSession&) = delete;

  // Sends the request, follows redirects and appends the whole body to Body.
  // A body shorter than its Content-Length, a reset, a time-out or any other
  // failure raises EOSError with the mapped condition number; a body over
  // MaxBodySize stops the transfer and sets BodyTooLarge instead.
  void Perform(const THttpRequest& Request, std::vector<uint8_t>& Body, THttpResponse& Response);

  // Closes the open connection (the next request connects anew).
  void CloseConnection();

  // Whether the server of the last handshake asked for a client certificate,
  // and the store's certificate files whose issuer it named (sorted by name).
  bool ClientCertificateRequested() const { return certRequested_; }
  const std::vector<std::string>& AcceptedClientCertificates() const { return acceptedCerts_; }

 private:
  friend struct THttpSessionAccess;
  void configure();
  void* easy_ = nullptr;  // CURL*
  void* headerList_ = nullptr;  // curl_slist* of headerLines_ and two removals
  std::vector<std::string> headerLines_;
  // State of the transfer in progress, read by libcurl's callbacks.
  std::vector<uint8_t>* body_ = nullptr;
  uint64_t maxBody_ = 0;
  bool tooLarge_ = false;
  bool reserved_ = false;
  std::string trustedFile_;
  bool certRequested_ = false;
  bool certGiven_ = false;
  std::vector<std::string> acceptedCerts_;
};

}  // namespace ht
