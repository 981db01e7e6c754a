#include "platform/net/http_session.h"

#include <curl/curl.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/net/net_error.h"

namespace ht {

namespace {

std::mutex serviceLock;
int serviceCount = 0;

// Index of the session pointer stored on each SSL_CTX libcurl creates.
int sessionIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

struct BioDeleter {
  void operator()(BIO* b) const { BIO_free(b); }
};

}  // namespace

// The callbacks reach the session's private transfer state through here.
struct THttpSessionAccess {
  static size_t write(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<THttpSession*>(user);
    const size_t n = size * count;
    if (!s->reserved_) {
      // Presize from Content-Length, but never trust it beyond a modest
      // amount: a lying header must not allocate the cap up front.
      s->reserved_ = true;
      curl_off_t length = -1;
      if (curl_easy_getinfo(static_cast<CURL*>(s->easy_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
              CURLE_OK &&
          length > 0) {
        const uint64_t want = std::min<uint64_t>(uint64_t(length), std::min<uint64_t>(s->maxBody_, 64u << 20));
        s->body_->reserve(s->body_->size() + want);
      }
    }
    if (s->body_->size() + n > s->maxBody_) {
      s->tooLarge_ = true;
      return 0;  // libcurl stops with a write error
    }
    s->body_->insert(s->body_->end(), reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + n);
    return n;
  }

  static CURLcode sslContext(CURL*, void* ctx, void* user) {
    auto* s = static_cast<THttpSession*>(user);
    auto* sslCtx = static_cast<SSL_CTX*>(ctx);
    if (!s->trustedFile_.empty()) {
      X509_STORE* store = SSL_CTX_get_cert_store(sslCtx);
      if (!store || X509_STORE_load_file(store, s->trustedFile_.c_str()) != 1) return CURLE_SSL_CACERT_BADFILE;
    }
    SSL_CTX_set_ex_data(sslCtx, sessionIndex(), s);
    SSL_CTX_set_client_cert_cb(sslCtx, &clientCertificate);
    return CURLE_OK;
  }

  // Asked by OpenSSL when the server requests a client certificate: offers
  // the first certificate of the store whose issuer the server accepts.
  static int clientCertificate(SSL* ssl, X509** x509, EVP_PKEY** pkey) {
    auto* s = static_cast<THttpSession*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), sessionIndex()));
    if (!s) return 0;
    s->certRequested_ = true;
    s->acceptedCerts_.clear();
    const STACK_OF(X509_NAME)* issuers = SSL_get_client_CA_list(ssl);
    if (!issuers || sk_X509_NAME_num(issuers) == 0) return 0;

    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ClientCertificateStoreFolder(), ec))
      if (entry.is_regular_file(ec) && entry.path().extension() == ".pem") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());

    X509* chosen = nullptr;
    EVP_PKEY* chosenKey = nullptr;
    for (const std::string& file : files) {
      std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(file.c_str(), "r"));
      if (!bio) continue;
      X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
      if (!cert) continue;
      bool accepted = false;
      for (int i = 0; i < sk_X509_NAME_num(issuers) && !accepted; ++i)
        accepted = X509_NAME_cmp(sk_X509_NAME_value(issuers, i), X509_get_issuer_name(cert)) == 0;
      if (!accepted) {
        X509_free(cert);
        continue;
      }
      s->acceptedCerts_.push_back(file);
      if (!chosen) {
        BIO_reset(bio.get());
        EVP_PKEY* key = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr);
        if (key) {
          chosen = cert;
          chosenKey = key;
          continue;
        }
      }
      X509_free(cert);
    }
    if (!chosen) return 0;
    *x509 = chosen;  // OpenSSL takes both and frees them
    *pkey = chosenKey;
    s->certGiven_ = true;
    return 1;
  }
};

namespace {

int mapCurlError(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return NET_ERROR_TIMEOUT;
    case CURLE_URL_MALFORMAT: return NET_ERROR_INVALID_URL;
    // Also a reply in HTTP/0.9, that is without a status line; a refused
    // redirect is told apart by its status below.
    case CURLE_UNSUPPORTED_PROTOCOL: return NET_ERROR_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS: return NET_ERROR_REDIRECT_FAILED;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return NET_ERROR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return NET_ERROR_CANNOT_CONNECT;
    case CURLE_PEER_FAILED_VERIFICATION: return NET_ERROR_SECURE_FAILURE;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED: return NET_ERROR_SECURE_CHANNEL_ERROR;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY: return NET_ERROR_INVALID_SERVER_RESPONSE;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM: return NET_ERROR_CONNECTION_ERROR;
    default: return NET_ERROR_INTERNAL;
  }
}

}  // namespace

void HttpServiceOpen() {
  std::lock_guard<std::mutex> lock(serviceLock);
  if (serviceCount == 0 && curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    throw NetError(NET_ERROR_INTERNAL, u"curl_global_init");
  ++serviceCount;
}

void HttpServiceClose() {
  std::lock_guard<std::mutex> lock(serviceLock);
  if (serviceCount == 0) return;
  if (--serviceCount == 0) curl_global_cleanup();
}

int HttpServiceOpenCount() {
  std::lock_guard<std::mutex> lock(serviceLock);
  return serviceCount;
}

std::string ClientCertificateStoreFolder() {
  if (const char* store = std::getenv("TARNWICK_CERT_STORE"); store && *store) return store;
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    base = config;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.config";
  else
    base = ".config";
  return base + "/tarnwick/certificates/MY";
}

THttpSession::THttpSession() {
  HttpServiceOpen();
  easy_ = curl_easy_init();
  if (!easy_) {
    HttpServiceClose();
    throw NetError(NET_ERROR_INTERNAL, u"curl_easy_init");
  }
  configure();
}

// The options every request of the session shares.
void THttpSession::configure() {
  CURL* h = static_cast<CURL*>(easy_);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_DEFAULT));
  curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &THttpSessionAccess::sslContext);
  curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, this);
  curl_easy_setopt(h, CURLOPT_MAXCONNECTS, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &THttpSessionAccess::write);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
}

THttpSession::~THttpSession() {
  curl_easy_cleanup(static_cast<CURL*>(easy_));
  curl_slist_free_all(static_cast<curl_slist*>(headerList_));
  HttpServiceClose();
}

void THttpSession::CloseConnection() {
  // The connection lives in the handle's cache: a fresh handle drops it.
  CURL* fresh = curl_easy_init();
  if (!fresh) throw NetError(NET_ERROR_INTERNAL, u"curl_easy_init");
  curl_easy_cleanup(static_cast<CURL*>(easy_));
  easy_ = fresh;
  configure();
}

void THttpSession::Perform(const THttpRequest& Request, std::vector<uint8_t>& Body, THttpResponse& Response) {
  CURL* h = static_cast<CURL*>(easy_);
  Response = THttpResponse();
  body_ = &Body;
  maxBody_ = Request.MaxBodySize;
  tooLarge_ = reserved_ = false;
  trustedFile_ = Request.TrustedCertificateFile;
  certRequested_ = certGiven_ = false;
  acceptedCerts_.clear();

  // Requests of one client mostly repeat their headers: keep the list.
  if (!headerList_ || Request.Headers != headerLines_) {
    curl_slist_free_all(static_cast<curl_slist*>(headerList_));
    headerList_ = nullptr;
    headerLines_.clear();
    curl_slist* list = nullptr;
    std::vector<std::string> lines = Request.Headers;
    lines.push_back("Accept:");  // libcurl's own defaults would come between ours
    lines.push_back("Expect:");
    for (const std::string& line : lines) {
      curl_slist* next = curl_slist_append(list, line.c_str());
      if (!next) {
        curl_slist_free_all(list);
        throw NetError(NET_ERROR_INTERNAL, u"out of memory");
      }
      list = next;
    }
    headerList_ = list;
    headerLines_ = Request.Headers;
  }

  char errorText[CURL_ERROR_SIZE] = {};
  const bool secure = Request.Url.compare(0, 6, "https:") == 0;
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(h, CURLOPT_URL, Request.Url.c_str());
  // Loopback never goes through a proxy from the environment; an empty
  // proxy also spares libcurl the look-up of one.
  curl_easy_setopt(h, CURLOPT_PROXY, Request.Loopback ? "" : nullptr);
  // An https request may only be redirected to https.
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  // Extra trust anchors are added to the store libcurl built; a cached
  // store would keep them after the setting changed.
  curl_easy_setopt(h, CURLOPT_CA_CACHE_TIMEOUT, Request.TrustedCertificateFile.empty() ? 86400L : 0L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(Request.ConnectTimeoutMs));
  // The idle limit: no byte moving for that long ends the transfer. libcurl
  // counts it in whole seconds (a progress callback for finer steps costs
  // more than the rest of a small request).
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long((std::max(Request.IdleTimeoutMs, 1) + 999) / 1000));
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(Request.MaxBodySize));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(headerList_));

  if (Request.Body) {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(Request.Body->size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, Request.Body->data());
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }
  const bool standardVerb = Request.Body ? Request.Verb == "POST" : Request.Verb == "GET";
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, standardVerb ? nullptr : Request.Verb.c_str());

  const CURLcode code = curl_easy_perform(h);
  // Nothing of this call may be used by the next one.
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, nullptr);
  body_ = nullptr;

  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  Response.StatusCode = status;
  char* type = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) Response.ContentType = type;
  curl_off_t length = -1;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) Response.ContentLength = length;

  if (code == CURLE_OK) return;
  if (tooLarge_ || code == CURLE_FILESIZE_EXCEEDED) {
    Response.BodyTooLarge = true;
    return;
  }
  int error = mapCurlError(code);
  // The first URL's scheme was checked before, so a refused scheme after a
  // redirect status is a redirect to a scheme we do not follow.
  if (code == CURLE_UNSUPPORTED_PROTOCOL && status >= 300 && status < 400) error = NET_ERROR_REDIRECT_FAILED;
  // A server that asked for a certificate we could not give ends the
  // handshake (TLS 1.2) or the connection right after it (TLS 1.3).
  if (certRequested_ && !certGiven_ &&
      (error == NET_ERROR_SECURE_CHANNEL_ERROR || error == NET_ERROR_CONNECTION_ERROR ||
       error == NET_ERROR_INVALID_SERVER_RESPONSE))
    error = NET_ERROR_CLIENT_AUTH_CERT_NEEDED;
  const std::string detail = errorText[0] ? errorText : curl_easy_strerror(code);
  throw NetError(error, Utf8ToString(detail));
}

}  // namespace ht
