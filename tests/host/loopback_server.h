#pragma once
// A small HTTP/1.1 server for the client tests and benchmarks. It listens on
// 127.0.0.1 only (an ephemeral port), plain or TLS, serves each connection
// on a thread of its own with keep-alive, logs every request, and stops
// itself: in its destructor, and any connection idle for 10 s is dropped.
#include <openssl/ssl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ht_test {

struct TLoopRequest {
  int Connection = 0;  // 1-based number of the connection it came on
  std::string Method, Target;
  std::vector<std::pair<std::string, std::string>> Headers;  // in arrival order
  std::string Body;
  // The value of the first header of that name (case-insensitive), "" when none.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

struct TLoopReply {
  std::string Raw;     // written as it stands
  int DelayMs = 0;     // wait before writing
  bool Close = false;  // close the connection after writing
  bool Reset = false;  // reset the connection (RST) instead of writing
  std::shared_ptr<const std::string> Shared = nullptr;  // written after Raw (large bodies, not copied)
};

// "HTTP/1.1 <status> X" with Content-Type (when not empty), Content-Length
// and the extra header lines (each ending in CR LF), then the body.
std::string HttpReply(int status, const std::string& contentType, const std::string& body,
                      const std::string& extraHeaders = "");

class TLoopbackServer {
 public:
  using THandler = std::function<TLoopReply(const TLoopRequest&)>;

  // Serves TLS when tls is given (the server keeps a reference).
  explicit TLoopbackServer(THandler handler, SSL_CTX* tls = nullptr);
  ~TLoopbackServer();

  int Port() const { return port_; }
  // "http://127.0.0.1:<port><path>" (https for a TLS server).
  std::string Url(const std::string& path) const;
  std::vector<TLoopRequest> Requests() const;
  // Benchmarks turn the request log off, so that it costs nothing.
  void KeepLog(bool keep) { keepLog_ = keep; }
  int Connections() const { return connections_.load(); }
  int FailedHandshakes() const { return failedHandshakes_.load(); }
  // Plain HTTP bytes that arrived on the TLS port.
  int PlainOnTls() const { return plainOnTls_.load(); }
  void Stop();

 private:
  void acceptLoop();
  void serve(int fd, int number);

  THandler handler_;
  SSL_CTX* tls_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> keepLog_{true};
  std::atomic<int> connections_{0}, failedHandshakes_{0}, plainOnTls_{0};
  mutable std::mutex lock_;
  std::vector<TLoopRequest> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace ht_test
