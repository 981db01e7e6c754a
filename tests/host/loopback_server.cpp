#include "host/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace ht_test {

namespace {

constexpr int kSliceMs = 50;
constexpr int kIdleLimitMs = 10000;

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

void setTimeouts(int fd) {
  timeval tv{0, kSliceMs * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// One connection, plain or TLS, with reads and writes that give up when the
// server stops.
class Conn {
 public:
  Conn(int fd, SSL* ssl, const std::atomic<bool>& stop) : fd_(fd), ssl_(ssl), stop_(stop) {}
  // >0 bytes read, 0 closed or failed, -1 nothing within one slice.
  int read(char* buf, int size) {
    if (ssl_) {
      const int n = SSL_read(ssl_, buf, size);
      if (n > 0) return n;
      const int err = SSL_get_error(ssl_, n);
      return err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE ? -1 : 0;
    }
    const ssize_t n = ::recv(fd_, buf, size, 0);
    if (n > 0) return int(n);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return -1;
    return 0;
  }
  bool write(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
      if (stop_) return false;
      const int chunk = int(std::min<size_t>(data.size() - done, 1 << 20));
      if (ssl_) {
        const int n = SSL_write(ssl_, data.data() + done, chunk);
        if (n > 0) {
          done += size_t(n);
          continue;
        }
        const int err = SSL_get_error(ssl_, n);
        if (err != SSL_ERROR_WANT_WRITE && err != SSL_ERROR_WANT_READ) return false;
      } else {
        const ssize_t n = ::send(fd_, data.data() + done, chunk, MSG_NOSIGNAL);
        if (n > 0) {
          done += size_t(n);
          continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
      }
    }
    return true;
  }

 private:
  int fd_;
  SSL* ssl_;
  const std::atomic<bool>& stop_;
};

}  // namespace

std::string TLoopRequest::Header(const std::string& name) const {
  const std::string key = lower(name);
  for (const auto& [n, v] : Headers)
    if (lower(n) == key) return v;
  return "";
}

bool TLoopRequest::HasHeader(const std::string& name) const {
  const std::string key = lower(name);
  for (const auto& h : Headers)
    if (lower(h.first) == key) return true;
  return false;
}

std::string HttpReply(int status, const std::string& contentType, const std::string& body,
                      const std::string& extraHeaders) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
  if (!contentType.empty()) head += "Content-Type: " + contentType + "\r\n";
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n";
  return head + body;
}

TLoopbackServer::TLoopbackServer(THandler handler, SSL_CTX* tls) : handler_(std::move(handler)), tls_(tls) {
  if (tls_) SSL_CTX_up_ref(tls_);
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 64) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("loopback server: cannot listen on 127.0.0.1");
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

TLoopbackServer::~TLoopbackServer() {
  Stop();
  if (tls_) SSL_CTX_free(tls_);
}

void TLoopbackServer::Stop() {
  if (stop_.exchange(true)) return;
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    workers.swap(workers_);
  }
  for (std::thread& t : workers) t.join();
  ::close(listenFd_);
}

std::string TLoopbackServer::Url(const std::string& path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<TLoopRequest> TLoopbackServer::Requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

void TLoopbackServer::acceptLoop() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, kSliceMs) <= 0) continue;
    const int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    const int number = ++connections_;
    std::lock_guard<std::mutex> guard(lock_);
    workers_.emplace_back([this, fd, number] { serve(fd, number); });
  }
}

void TLoopbackServer::serve(int fd, int number) {
  setTimeouts(fd);
  SSL* ssl = nullptr;
  if (tls_) {
    // A client that falls back to plain HTTP on this port shows up here.
    char peek[4] = {};
    for (int waited = 0; waited < kIdleLimitMs && !stop_; waited += kSliceMs) {
      const ssize_t n = ::recv(fd, peek, sizeof peek, MSG_PEEK);
      if (n > 0 || n == 0) break;
    }
    if (std::memcmp(peek, "GET ", 4) == 0 || std::memcmp(peek, "POST", 4) == 0) ++plainOnTls_;
    ssl = SSL_new(tls_);
    SSL_set_fd(ssl, fd);
    int ok = 0;
    for (int waited = 0; waited < kIdleLimitMs && !stop_; waited += kSliceMs) {
      ok = SSL_accept(ssl);
      if (ok == 1) break;
      const int err = SSL_get_error(ssl, ok);
      if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) break;
    }
    if (ok != 1) {
      ++failedHandshakes_;
      SSL_free(ssl);
      ::close(fd);
      return;
    }
  }
  Conn conn(fd, ssl, stop_);
  std::string buffer;
  char chunk[65536];
  bool open = true;
  int idleMs = 0;
  while (open && !stop_ && idleMs < kIdleLimitMs) {
    const size_t headEnd = buffer.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
      const int n = conn.read(chunk, sizeof chunk);
      if (n == 0) break;
      if (n < 0) {
        idleMs += kSliceMs;
        continue;
      }
      idleMs = 0;
      buffer.append(chunk, size_t(n));
      continue;
    }
    TLoopRequest request;
    request.Connection = number;
    const std::string head = buffer.substr(0, headEnd);
    size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const size_t sp1 = first.find(' '), sp2 = first.rfind(' ');
    request.Method = first.substr(0, sp1);
    request.Target = sp2 > sp1 ? first.substr(sp1 + 1, sp2 - sp1 - 1) : "";
    while (lineEnd != std::string::npos && lineEnd < head.size()) {
      const size_t next = head.find("\r\n", lineEnd + 2);
      const std::string line = head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
      const size_t colon = line.find(':');
      if (colon != std::string::npos) {
        size_t v = colon + 1;
        while (v < line.size() && line[v] == ' ') ++v;
        request.Headers.emplace_back(line.substr(0, colon), line.substr(v));
      }
      lineEnd = next;
    }
    const size_t length = size_t(std::atoll(request.Header("Content-Length").c_str()));
    while (buffer.size() < headEnd + 4 + length && !stop_ && idleMs < kIdleLimitMs) {
      const int n = conn.read(chunk, sizeof chunk);
      if (n == 0) {
        open = false;
        break;
      }
      if (n < 0) {
        idleMs += kSliceMs;
        continue;
      }
      idleMs = 0;
      buffer.append(chunk, size_t(n));
    }
    if (!open || buffer.size() < headEnd + 4 + length) break;
    request.Body = buffer.substr(headEnd + 4, length);
    buffer.erase(0, headEnd + 4 + length);
    if (keepLog_) {
      std::lock_guard<std::mutex> guard(lock_);
      requests_.push_back(request);
    }
    const TLoopReply reply = handler_(request);
    for (int waited = 0; waited < reply.DelayMs && !stop_; waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (reply.Reset) {
      linger l{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
      break;
    }
    if (!conn.write(reply.Raw) || (reply.Shared && !conn.write(*reply.Shared)) || reply.Close) break;
  }
  if (ssl) {
    SSL_shutdown(ssl);
    SSL_free(ssl);
  }
  ::close(fd);
}

}  // namespace ht_test
