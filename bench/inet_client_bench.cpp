// The HTTP client beside bare libcurl on loopback: one 50 MB body, and
// 1,000 small keep-alive requests. Both sides fetch from the same server in
// the same process; compare the pairs' times for the ratio.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

#include "host/inet_client.h"
#include "host/loopback_server.h"

namespace {

using ht_test::HttpReply;
using ht_test::TLoopbackServer;
using ht_test::TLoopReply;
using ht_test::TLoopRequest;

constexpr size_t kBigSize = 50u << 20;
constexpr int kSmallCount = 1000;

TLoopbackServer& server() {
  static const auto big = std::make_shared<const std::string>(HttpReply(200, "application/octet-stream",
                                                                        std::string(kBigSize, 'x')));
  static TLoopbackServer instance([](const TLoopRequest& r) {
    if (r.Target == "/big") {
      TLoopReply reply;
      reply.Shared = big;
      return reply;
    }
    return TLoopReply{HttpReply(200, "text/html; charset=utf-8", "<p>small page</p>")};
  });
  instance.KeepLog(false);
  return instance;
}

size_t appendBytes(char* data, size_t size, size_t count, void* user) {
  auto* out = static_cast<std::vector<uint8_t>*>(user);
  out->insert(out->end(), reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + size * count);
  return size * count;
}

// Bare libcurl: one easy handle, keep-alive, the body appended to a vector.
struct BareCurl {
  CURL* h = curl_easy_init();
  std::vector<uint8_t> body;
  BareCurl() {
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBytes);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");
  }
  // Sends the client's own header lines, for a like-for-like request.
  void sameHeaders() {
    for (const char* line : {"User-Agent: Mozilla/5.0", "Connection: keep-alive", "Accept:"})
      headers = curl_slist_append(headers, line);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  }
  curl_slist* headers = nullptr;
  ~BareCurl() {
    curl_easy_cleanup(h);
    curl_slist_free_all(headers);
  }
  size_t get(const std::string& url) {
    body.clear();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(h) != CURLE_OK) return 0;
    return body.size();
  }
};

void BM_InetClientGetBytes50MB(benchmark::State& state) {
  ht::THtInetClient client;
  const ht::String url = ht::Utf8ToString(server().Url("/big"));
  for (auto _ : state) {
    const ht::TBytes bytes = client.GetBytes(url);
    if (bytes.size() != kBigSize) state.SkipWithError("short body");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBigSize));
}

void BM_BareCurlGet50MB(benchmark::State& state) {
  BareCurl curl;
  const std::string url = server().Url("/big");
  for (auto _ : state) {
    // A fresh vector each time, as GetBytes returns a new array.
    curl.body = std::vector<uint8_t>();
    if (curl.get(url) != kBigSize) state.SkipWithError("short body");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBigSize));
}

void BM_InetClientGet1000KeepAlive(benchmark::State& state) {
  ht::THtInetClient client;
  const ht::String url = ht::Utf8ToString(server().Url("/small"));
  for (auto _ : state)
    for (int i = 0; i < kSmallCount; ++i) benchmark::DoNotOptimize(client.Get(url));
  state.SetItemsProcessed(int64_t(state.iterations()) * kSmallCount);
}

void BM_BareCurlGet1000KeepAlive(benchmark::State& state) {
  BareCurl curl;
  const std::string url = server().Url("/small");
  for (auto _ : state)
    for (int i = 0; i < kSmallCount; ++i) benchmark::DoNotOptimize(curl.get(url));
  state.SetItemsProcessed(int64_t(state.iterations()) * kSmallCount);
}

void BM_BareCurlGet1000SameHeaders(benchmark::State& state) {
  BareCurl curl;
  curl.sameHeaders();
  const std::string url = server().Url("/small");
  for (auto _ : state)
    for (int i = 0; i < kSmallCount; ++i) benchmark::DoNotOptimize(curl.get(url));
  state.SetItemsProcessed(int64_t(state.iterations()) * kSmallCount);
}

BENCHMARK(BM_InetClientGetBytes50MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurlGet50MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InetClientGet1000KeepAlive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurlGet1000KeepAlive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurlGet1000SameHeaders)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
