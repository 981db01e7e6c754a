// Base64, CRC-32 and character search throughput. The CRC runs beside
// zlib's crc32 over the same bytes; the vector routines beside their scalar
// twins.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>

#include "markup/base64.h"
#include "markup/char_search.h"
#include "markup/crc32.h"
#include "markup/str_utils.h"
#include "markup/utils_startup.h"
#include "platform/rtl/cpu_features.h"

namespace {

constexpr size_t kSize = 1 << 20;

const ht::TBytes& randomBytes() {
  static const ht::TBytes bytes = [] {
    std::mt19937 rng(1);
    ht::TBytes b(kSize);
    for (auto& x : b) x = uint8_t(rng());
    return b;
  }();
  return bytes;
}

// 1 MiB of ASCII text as UTF-16 units, with no U+0000.
const ht::String& asciiText() {
  static const ht::String text = [] {
    std::mt19937 rng(2);
    ht::String t(kSize, u' ');
    for (auto& c : t) c = char16_t('a' + rng() % 26);
    return t;
  }();
  return text;
}

void BM_Base64Encode(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ht::FastEncodeBase64(randomBytes()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}
BENCHMARK(BM_Base64Encode);

void BM_Base64EncodeScalar(benchmark::State& state) {
  ht::String out((kSize + 2) / 3 * 4, u'\0');
  for (auto _ : state) {
    ht::EncodeBase64Scalar(randomBytes().data(), kSize, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}
BENCHMARK(BM_Base64EncodeScalar);

void BM_Base64EncodeBlock12(benchmark::State& state) {
  if (!ht::CpuFeatures().SSE42) {
    state.SkipWithError("no SSE4.2");
    return;
  }
  const size_t groups = kSize / 12;
  ht::String out(groups * 16, u'\0');
  for (auto _ : state) {
    ht::EncodeBase64Block12(randomBytes().data(), groups, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(groups * 12));
}
BENCHMARK(BM_Base64EncodeBlock12);

void BM_Base64Decode(benchmark::State& state) {
  const ht::String text = ht::FastEncodeBase64(randomBytes());
  for (auto _ : state) benchmark::DoNotOptimize(ht::DecodeBase64ToBytes(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}
BENCHMARK(BM_Base64Decode);

// Bytes counted are the UTF-16 units hashed (one low byte each).
void BM_StrCRC32(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ht::StrCRC32(asciiText()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}
BENCHMARK(BM_StrCRC32);

void BM_ZlibCrc32(benchmark::State& state) {
  const ht::TBytes& bytes = randomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, bytes.data(), uInt(bytes.size())));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}
BENCHMARK(BM_ZlibCrc32);

// The sought character sits at the very end of 1 Mi units.
void BM_PosCharFrom(benchmark::State& state) {
  ht::HtUtilsInitialize();
  ht::String text = asciiText();
  text.back() = u'#';
  for (auto _ : state) benchmark::DoNotOptimize(ht::PosCharFrom(u'#', text, 1));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize * 2));
  ht::HtUtilsFinalize();
}
BENCHMARK(BM_PosCharFrom);

void BM_FindCharScalar(benchmark::State& state) {
  ht::String text = asciiText();
  text.back() = u'#';
  for (auto _ : state) benchmark::DoNotOptimize(ht::FindCharScalar(text.data(), u'#', text.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize * 2));
}
BENCHMARK(BM_FindCharScalar);

}  // namespace
