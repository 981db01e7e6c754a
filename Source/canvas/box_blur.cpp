// Running-sum box blur. The routines share one driver and differ in their
// row steps: the scalar steps work channel by channel, the SSE4.2 steps keep
// the four channels of a pixel in one register, the AVX2 steps two pixels
// (of one row in the vertical step, of two rows side by side in the
// horizontal one). All round sum * (1 / (2r + 1)) in single precision,
// halves to even, over the same integer sums, so they give the same bytes.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "canvas/blur.h"
#include "platform/rtl/cpu_features.h"

namespace ht {

namespace {

struct BoxArea {
  int Left, Top, Cols, Rows, R;
};

// The clipped area and the effective radius; false when nothing changes.
bool boxArea(int Width, int Height, const TRect& Rect, int Radius, BoxArea& a) {
  int left = std::max(Rect.Left, 0), top = std::max(Rect.Top, 0);
  int right = std::min(Rect.Right, Width), bottom = std::min(Rect.Bottom, Height);
  if (right <= left || bottom <= top) return false;
  a = {left, top, right - left, bottom - top, 0};
  // The cap keeps every running sum exact in 32 bits.
  a.R = std::min({Radius, a.Cols / 2 - 1, a.Rows / 2 - 1, 1 << 22});
  return a.R > 0;
}

// The row steps of one implementation. Sums hold four int32 per column.
struct BoxRowSteps {
  // Horizontal running sum of Src (Count pixels, ends repeated) into Dst.
  void (*Horizontal)(const uint32_t* Src, uint32_t* Dst, int Count, int r, float inv);
  // Sums = Weight * Row.
  void (*StartSums)(int32_t* Sums, const uint32_t* Row, int Cols, int Weight);
  // Sums += Row.
  void (*AddToSums)(int32_t* Sums, const uint32_t* Row, int Cols);
  // Sums += In - Out; Dst receives the scaled sums.
  void (*Vertical)(int32_t* Sums, const uint32_t* In, const uint32_t* Out, uint32_t* Dst, int Cols, float inv);
  // Optional: Horizontal over two rows at once. Work holds 2 * (Count + 2r + 1)
  // pixels.
  void (*HorizontalPair)(const uint32_t* SrcA, const uint32_t* SrcB, uint32_t* DstA, uint32_t* DstB, int Count,
                         int r, float inv, uint32_t* Work) = nullptr;
};

// Each pass runs the horizontal step up to two rows ahead of the vertical
// one, so the image is read and written once per pass: the horizontal
// results go to a ring that holds rows y - r - 1 .. y + r + 1, and the
// vertical step writes image row y, which nothing reads again in this pass.
void boxBlur(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius,
             const BoxRowSteps& steps) {
  BoxArea a;
  if (!Pixels || !boxArea(Width, Height, R, Radius, a)) return;
  const int r = a.R, cols = a.Cols, rows = a.Rows;
  const float inv = 1.0f / float(2 * r + 1);
  THtPixelMap m{Pixels, Width, Height, Stride, 32};
  auto row = [&](int y) { return m.ScanLine(a.Top + y) + a.Left; };
  const int ringRows = 2 * r + 3;
  std::vector<uint32_t> ring(static_cast<size_t>(ringRows) * size_t(cols));
  auto ringRow = [&](int y) { return ring.data() + size_t(y % ringRows) * size_t(cols); };
  std::vector<int32_t> sums(static_cast<size_t>(cols) * 4);
  std::vector<uint32_t> work(steps.HorizontalPair ? 2 * (size_t(cols) + 2 * size_t(r) + 1) : 0);
  int done = 0;  // rows of this pass that went through the horizontal step
  // Runs the horizontal step up to row k (pairs while a second row is due).
  auto horizontalUpTo = [&](int k) {
    while (done <= k) {
      if (steps.HorizontalPair && done + 1 < rows) {
        steps.HorizontalPair(row(done), row(done + 1), ringRow(done), ringRow(done + 1), cols, r, inv,
                             work.data());
        done += 2;
      } else {
        steps.Horizontal(row(done), ringRow(done), cols, r, inv);
        ++done;
      }
    }
  };
  for (int pass = 0; pass < 2; ++pass) {
    done = 0;
    horizontalUpTo(r - 1);
    // The window above row 0: row 0 repeated r + 1 times, then rows 0..r-1.
    steps.StartSums(sums.data(), ringRow(0), cols, r + 1);
    for (int y = 0; y < r; ++y) steps.AddToSums(sums.data(), ringRow(y), cols);
    for (int y = 0; y < rows; ++y) {
      const int enter = std::min(y + r, rows - 1);
      horizontalUpTo(enter);
      steps.Vertical(sums.data(), ringRow(enter), ringRow(std::max(y - r - 1, 0)), row(y), cols, inv);
    }
  }
}

// ---- scalar steps

// Rounds to nearest, halves to even (the default rounding mode).
inline int roundToInt(float v) {
#if defined(__SSE__)
  return _mm_cvtss_si32(_mm_set_ss(v));
#else
  return int(std::nearbyint(v));
#endif
}

inline uint32_t boxByte(int32_t sum, float inv) {
  return uint32_t(std::clamp(roundToInt(float(sum) * inv), 0, 255));
}
inline int32_t channel(uint32_t p, int c) { return int32_t((p >> (8 * c)) & 0xFF); }

void horizontalScalar(const uint32_t* Src, uint32_t* Dst, int Count, int r, float inv) {
  const int last = Count - 1;
  int32_t sum[4];
  for (int c = 0; c < 4; ++c) {
    sum[c] = (r + 1) * channel(Src[0], c);
    for (int i = 0; i < r; ++i) sum[c] += channel(Src[i], c);
  }
  for (int x = 0; x < Count; ++x) {
    const uint32_t enter = Src[std::min(x + r, last)], leave = Src[std::max(x - r - 1, 0)];
    uint32_t p = 0;
    for (int c = 0; c < 4; ++c) {
      sum[c] += channel(enter, c) - channel(leave, c);
      p |= boxByte(sum[c], inv) << (8 * c);
    }
    Dst[x] = p;
  }
}

void startSumsScalar(int32_t* Sums, const uint32_t* Row, int Cols, int Weight) {
  for (int x = 0; x < Cols; ++x)
    for (int c = 0; c < 4; ++c) Sums[4 * x + c] = Weight * channel(Row[x], c);
}

void addToSumsScalar(int32_t* Sums, const uint32_t* Row, int Cols) {
  for (int x = 0; x < Cols; ++x)
    for (int c = 0; c < 4; ++c) Sums[4 * x + c] += channel(Row[x], c);
}

void verticalScalar(int32_t* Sums, const uint32_t* In, const uint32_t* Out, uint32_t* Dst, int Cols, float inv) {
  for (int x = 0; x < Cols; ++x) {
    uint32_t p = 0;
    for (int c = 0; c < 4; ++c) {
      int32_t& s = Sums[4 * x + c];
      s += channel(In[x], c) - channel(Out[x], c);
      p |= boxByte(s, inv) << (8 * c);
    }
    Dst[x] = p;
  }
}

// ---- SSE4.2 steps

__attribute__((target("sse4.2"))) inline __m128i loadPixel(const uint32_t* p) {
  int v;
  std::memcpy(&v, p, 4);
  return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
}

__attribute__((target("sse4.2"))) inline __m128i scaled(__m128i sum, __m128 inv) {
  return _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum), inv));
}

__attribute__((target("sse4.2"))) inline uint32_t packPixel(__m128i sum, __m128 inv) {
  __m128i v = scaled(sum, inv);
  v = _mm_packus_epi32(v, v);
  return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
}

__attribute__((target("sse4.2"))) void horizontalSse42(const uint32_t* Src, uint32_t* Dst, int Count, int r,
                                                       float invScalar) {
  const __m128 inv = _mm_set1_ps(invScalar);
  const __m128i first = loadPixel(Src);
  __m128i sum = _mm_mullo_epi32(first, _mm_set1_epi32(r + 1));
  for (int i = 0; i < r; ++i) sum = _mm_add_epi32(sum, loadPixel(Src + i));
  // Head and tail repeat the end pixels; the middle reads straight on.
  // (Plain loops: a lambda would not inherit the target and would call the
  // vector helpers instead of inlining them.)
  const int last = Count - 1;
  int x = 0;
  for (; x <= r && x + r <= last; ++x) {
    sum = _mm_sub_epi32(_mm_add_epi32(sum, loadPixel(Src + x + r)), first);
    Dst[x] = packPixel(sum, inv);
  }
  // Four outputs per step: the running sums stay serial, the scaling and
  // packing run on all four at once.
  for (; x + 3 + r <= last; x += 4) {
    const __m128i s0 = _mm_sub_epi32(_mm_add_epi32(sum, loadPixel(Src + x + r)), loadPixel(Src + x - r - 1));
    const __m128i s1 = _mm_sub_epi32(_mm_add_epi32(s0, loadPixel(Src + x + r + 1)), loadPixel(Src + x - r));
    const __m128i s2 = _mm_sub_epi32(_mm_add_epi32(s1, loadPixel(Src + x + r + 2)), loadPixel(Src + x - r + 1));
    sum = _mm_sub_epi32(_mm_add_epi32(s2, loadPixel(Src + x + r + 3)), loadPixel(Src + x - r + 2));
    const __m128i lo = _mm_packus_epi32(scaled(s0, inv), scaled(s1, inv));
    const __m128i hi = _mm_packus_epi32(scaled(s2, inv), scaled(sum, inv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + x), _mm_packus_epi16(lo, hi));
  }
  for (; x + r <= last; ++x) {
    sum = _mm_sub_epi32(_mm_add_epi32(sum, loadPixel(Src + x + r)), loadPixel(Src + x - r - 1));
    Dst[x] = packPixel(sum, inv);
  }
  const __m128i lastPixel = loadPixel(Src + last);
  for (; x < Count; ++x) {
    sum = _mm_sub_epi32(_mm_add_epi32(sum, lastPixel), loadPixel(Src + std::max(x - r - 1, 0)));
    Dst[x] = packPixel(sum, inv);
  }
}

__attribute__((target("sse4.2"))) void startSumsSse42(int32_t* Sums, const uint32_t* Row, int Cols, int Weight) {
  const __m128i w = _mm_set1_epi32(Weight);
  __m128i* s = reinterpret_cast<__m128i*>(Sums);
  for (int x = 0; x < Cols; ++x) _mm_storeu_si128(s + x, _mm_mullo_epi32(loadPixel(Row + x), w));
}

__attribute__((target("sse4.2"))) void addToSumsSse42(int32_t* Sums, const uint32_t* Row, int Cols) {
  __m128i* s = reinterpret_cast<__m128i*>(Sums);
  for (int x = 0; x < Cols; ++x) _mm_storeu_si128(s + x, _mm_add_epi32(_mm_loadu_si128(s + x), loadPixel(Row + x)));
}

__attribute__((target("sse4.2"))) void verticalSse42(int32_t* Sums, const uint32_t* In, const uint32_t* Out,
                                                     uint32_t* Dst, int Cols, float invScalar) {
  const __m128 inv = _mm_set1_ps(invScalar);
  __m128i* sums = reinterpret_cast<__m128i*>(Sums);
  int x = 0;
  for (; x + 4 <= Cols; x += 4) {
    __m128i* s = sums + x;
    const __m128i s0 = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(s + 0), loadPixel(In + x)), loadPixel(Out + x));
    const __m128i s1 = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(s + 1), loadPixel(In + x + 1)), loadPixel(Out + x + 1));
    const __m128i s2 = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(s + 2), loadPixel(In + x + 2)), loadPixel(Out + x + 2));
    const __m128i s3 = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(s + 3), loadPixel(In + x + 3)), loadPixel(Out + x + 3));
    _mm_storeu_si128(s + 0, s0);
    _mm_storeu_si128(s + 1, s1);
    _mm_storeu_si128(s + 2, s2);
    _mm_storeu_si128(s + 3, s3);
    const __m128i lo = _mm_packus_epi32(scaled(s0, inv), scaled(s1, inv));
    const __m128i hi = _mm_packus_epi32(scaled(s2, inv), scaled(s3, inv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + x), _mm_packus_epi16(lo, hi));
  }
  for (; x < Cols; ++x) {
    __m128i s = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(sums + x), loadPixel(In + x)), loadPixel(Out + x));
    _mm_storeu_si128(sums + x, s);
    Dst[x] = packPixel(s, inv);
  }
}

// ---- AVX2 steps

// Two pixels widened to eight int32 (the first in the low half).
__attribute__((target("avx2"))) inline __m256i loadPixelPair(const uint32_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) inline __m256i scaled8(__m256i sum, __m256 inv) {
  return _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(sum), inv));
}

// Rows A and B side by side: Work[2i], Work[2i + 1] hold A and B at column
// clamp(i - r - 1, 0, Count - 1), so the running sums need no end cases.
__attribute__((target("avx2"))) void horizontalPairAvx2(const uint32_t* SrcA, const uint32_t* SrcB,
                                                        uint32_t* DstA, uint32_t* DstB, int Count, int r,
                                                        float invScalar, uint32_t* Work) {
  const int last = Count - 1, padded = Count + 2 * r + 1;
  uint32_t* w = Work + 2 * (r + 1);
  int i = 0;
  for (; i + 4 <= Count; i += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(SrcA + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(SrcB + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w + 2 * i), _mm_unpacklo_epi32(a, b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w + 2 * i + 4), _mm_unpackhi_epi32(a, b));
  }
  for (; i < Count; ++i) {
    w[2 * i] = SrcA[i];
    w[2 * i + 1] = SrcB[i];
  }
  for (int k = 0; k <= r; ++k) {
    Work[2 * k] = SrcA[0];
    Work[2 * k + 1] = SrcB[0];
  }
  for (int k = r + 1 + Count; k < padded; ++k) {
    Work[2 * k] = SrcA[last];
    Work[2 * k + 1] = SrcB[last];
  }
  const __m256 inv = _mm256_set1_ps(invScalar);
  __m256i sum = _mm256_setzero_si256();
  for (int k = 0; k <= 2 * r; ++k) sum = _mm256_add_epi32(sum, loadPixelPair(Work + 2 * k));
  // Output x adds padded column x + 2r + 1 and drops column x.
  const uint32_t* enter = Work + 2 * (2 * r + 1);
  const uint32_t* leave = Work;
  int x = 0;
  for (; x + 4 <= Count; x += 4) {
    const uint32_t* e = enter + 2 * x;
    const uint32_t* l = leave + 2 * x;
    const __m256i d0 = _mm256_sub_epi32(loadPixelPair(e), loadPixelPair(l));
    const __m256i d1 = _mm256_sub_epi32(loadPixelPair(e + 2), loadPixelPair(l + 2));
    const __m256i d2 = _mm256_sub_epi32(loadPixelPair(e + 4), loadPixelPair(l + 4));
    const __m256i d3 = _mm256_sub_epi32(loadPixelPair(e + 6), loadPixelPair(l + 6));
    const __m256i s0 = _mm256_add_epi32(sum, d0);
    const __m256i s1 = _mm256_add_epi32(s0, d1);
    const __m256i s2 = _mm256_add_epi32(s1, d2);
    sum = _mm256_add_epi32(s2, d3);
    // Low lane: row A's four pixels; high lane: row B's.
    const __m256i lo = _mm256_packus_epi32(scaled8(s0, inv), scaled8(s1, inv));
    const __m256i hi = _mm256_packus_epi32(scaled8(s2, inv), scaled8(sum, inv));
    const __m256i px = _mm256_packus_epi16(lo, hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(DstA + x), _mm256_castsi256_si128(px));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(DstB + x), _mm256_extracti128_si256(px, 1));
  }
  for (; x < Count; ++x) {
    sum = _mm256_add_epi32(sum, _mm256_sub_epi32(loadPixelPair(enter + 2 * x), loadPixelPair(leave + 2 * x)));
    __m256i v = scaled8(sum, inv);
    v = _mm256_packus_epi32(v, v);
    v = _mm256_packus_epi16(v, v);
    DstA[x] = uint32_t(_mm_cvtsi128_si32(_mm256_castsi256_si128(v)));
    DstB[x] = uint32_t(_mm_cvtsi128_si32(_mm256_extracti128_si256(v, 1)));
  }
}

__attribute__((target("avx2"))) void verticalAvx2(int32_t* Sums, const uint32_t* In, const uint32_t* Out,
                                                  uint32_t* Dst, int Cols, float invScalar) {
  const __m256 inv = _mm256_set1_ps(invScalar);
  __m256i* sums = reinterpret_cast<__m256i*>(Sums);
  // The packs interleave per 128-bit lane: pixels come out as 0 2 4 6 | 1 3 5 7.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int x = 0;
  for (; x + 8 <= Cols; x += 8) {
    __m256i* s = sums + x / 2;
    __m256i v[4];
    for (int k = 0; k < 4; ++k) {
      v[k] = _mm256_sub_epi32(_mm256_add_epi32(_mm256_loadu_si256(s + k), loadPixelPair(In + x + 2 * k)),
                              loadPixelPair(Out + x + 2 * k));
      _mm256_storeu_si256(s + k, v[k]);
    }
    const __m256i lo = _mm256_packus_epi32(scaled8(v[0], inv), scaled8(v[1], inv));
    const __m256i hi = _mm256_packus_epi32(scaled8(v[2], inv), scaled8(v[3], inv));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + x),
                        _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo, hi), order));
  }
  verticalSse42(Sums + 4 * x, In + x, Out + x, Dst + x, Cols - x, invScalar);
}

// ---- AVX2 steps on 16-bit sums
//
// For d = 2r + 1 <= 255 every running sum (at most 255 * d) fits 16 bits,
// and the rounded float quotient equals ((sum + r) * M >> 16) >> Shift for a
// suitable M: the multiplier is searched for and checked against boxByte for
// every possible sum before it is used, so this path gives the float path's
// bytes by construction (or is not taken). Sixteen channels, four pixels,
// fit one register.

struct BoxMagic {
  int r = 0;
  uint16_t M = 0;
  int Shift = 0;
};

bool findBoxMagic(int r, BoxMagic& magic) {
  const int d = 2 * r + 1;
  if (d > 255) return false;
  const float inv = 1.0f / float(d);
  for (int shift = 0; shift < 16; ++shift) {
    const uint32_t m = uint32_t(((uint64_t(1) << (16 + shift)) + uint64_t(d) - 1) / uint64_t(d));
    if (m > 0xFFFF) break;
    bool ok = true;
    for (int32_t sum = 0; ok && sum <= 255 * d; ++sum)
      ok = ((uint32_t(sum + r) * m) >> (16 + shift)) == boxByte(sum, inv);
    if (ok) {
      magic = {r, uint16_t(m), shift};
      return true;
    }
  }
  return false;
}

// Sums of eight pixels: even channels (blue, red) then odd channels (green,
// alpha), sixteen 16-bit lanes each, so no byte shuffles are needed.
constexpr int kSumBlock = 8;

// The running sums carry the + r of the quotient from the start.
__attribute__((target("avx2"))) inline __m256i quotient16(__m256i biasedSum, __m256i m, __m128i shift) {
  return _mm256_srl_epi16(_mm256_mulhi_epu16(biasedSum, m), shift);
}

// Row into the sums (Weight times, plus the bias r), or onto them (Weight 0
// adds once).
__attribute__((target("avx2"))) void sums16(uint16_t* Sums, const uint32_t* Row, int Cols, int Weight, int r) {
  const __m256i mask = _mm256_set1_epi16(0x00FF);
  const __m256i w = _mm256_set1_epi16(int16_t(Weight)), rv = _mm256_set1_epi16(int16_t(r));
  uint32_t tail[kSumBlock];
  for (int x = 0; x < Cols; x += kSumBlock) {
    const uint32_t* src = Row + x;
    if (Cols - x < kSumBlock) {
      std::fill(std::begin(tail), std::end(tail), 0u);
      std::copy(Row + x, Row + Cols, tail);
      src = tail;
    }
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    __m256i* s = reinterpret_cast<__m256i*>(Sums + 4 * x);
    const __m256i even = _mm256_and_si256(v, mask), odd = _mm256_srli_epi16(v, 8);
    if (Weight) {
      _mm256_storeu_si256(s, _mm256_add_epi16(_mm256_mullo_epi16(even, w), rv));
      _mm256_storeu_si256(s + 1, _mm256_add_epi16(_mm256_mullo_epi16(odd, w), rv));
    } else {
      _mm256_storeu_si256(s, _mm256_add_epi16(_mm256_loadu_si256(s), even));
      _mm256_storeu_si256(s + 1, _mm256_add_epi16(_mm256_loadu_si256(s + 1), odd));
    }
  }
}

__attribute__((target("avx2"))) void vertical16(uint16_t* Sums, const uint32_t* In, const uint32_t* Out,
                                                uint32_t* Dst, int Cols, const BoxMagic& magic) {
  const __m256i mask = _mm256_set1_epi16(0x00FF);
  const __m256i m = _mm256_set1_epi16(int16_t(magic.M));
  const __m128i shift = _mm_cvtsi32_si128(magic.Shift);
  uint32_t tailIn[kSumBlock], tailOut[kSumBlock], tailDst[kSumBlock];
  for (int x = 0; x < Cols; x += kSumBlock) {
    const bool tail = Cols - x < kSumBlock;
    const uint32_t *in = In + x, *out = Out + x;
    uint32_t* dst = Dst + x;
    if (tail) {
      std::fill(std::begin(tailIn), std::end(tailIn), 0u);
      std::fill(std::begin(tailOut), std::end(tailOut), 0u);
      std::copy(In + x, In + Cols, tailIn);
      std::copy(Out + x, Out + Cols, tailOut);
      in = tailIn;
      out = tailOut;
      dst = tailDst;
    }
    const __m256i vi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    const __m256i vo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    __m256i* s = reinterpret_cast<__m256i*>(Sums + 4 * x);
    const __m256i even = _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(s), _mm256_and_si256(vi, mask)),
                                          _mm256_and_si256(vo, mask));
    const __m256i odd = _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(s + 1), _mm256_srli_epi16(vi, 8)),
                                         _mm256_srli_epi16(vo, 8));
    _mm256_storeu_si256(s, even);
    _mm256_storeu_si256(s + 1, odd);
    const __m256i px = _mm256_or_si256(quotient16(even, m, shift),
                                       _mm256_slli_epi16(quotient16(odd, m, shift), 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), px);
    if (tail) std::copy(tailDst, tailDst + (Cols - x), Dst + x);
  }
}

__attribute__((target("avx2"))) inline __m256i column16(const uint16_t* Work, int c) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Work + 16 * c));
}

__attribute__((target("avx2"))) inline __m256i widenPixels(const uint32_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Four rows side by side: Work holds, for every column clamp(i - r - 1, 0,
// Count - 1), the four rows' pixels widened to 16 bits (32 bytes), so the
// running sums need no end cases and one register holds the four rows' sums.
__attribute__((target("avx2"))) void horizontal16x4(const uint32_t* const* Src, uint32_t* const* Dst, int Count,
                                                    const BoxMagic& magic, uint16_t* Work) {
  const int r = magic.r, last = Count - 1, padded = Count + 2 * r + 1;
  // Local copies: stores through Work could otherwise alias the row pointers.
  const uint32_t *srcA = Src[0], *srcB = Src[1], *srcC = Src[2], *srcD = Src[3];
  uint32_t *dstA = Dst[0], *dstB = Dst[1], *dstC = Dst[2], *dstD = Dst[3];
  auto setColumn = [Work](int c, uint32_t pa, uint32_t pb, uint32_t pc, uint32_t pd) {
    const uint32_t px[4] = {pa, pb, pc, pd};
    for (int k = 0; k < 4; ++k)
      for (int b = 0; b < 4; ++b) Work[16 * c + 4 * k + b] = uint16_t((px[k] >> (8 * b)) & 0xFF);
  };
  int i = 0;
  for (; i + 4 <= Count; i += 4) {
    // a = A0 A1 | A2 A3 (pixels as four 16-bit channels), likewise b, c, d.
    const __m256i a = widenPixels(srcA + i), b = widenPixels(srcB + i);
    const __m256i c = widenPixels(srcC + i), d = widenPixels(srcD + i);
    const __m256i ab0 = _mm256_unpacklo_epi64(a, b), ab1 = _mm256_unpackhi_epi64(a, b);  // A0 B0 | A2 B2
    const __m256i cd0 = _mm256_unpacklo_epi64(c, d), cd1 = _mm256_unpackhi_epi64(c, d);
    __m256i* o = reinterpret_cast<__m256i*>(Work + 16 * (r + 1 + i));
    _mm256_storeu_si256(o, _mm256_permute2x128_si256(ab0, cd0, 0x20));
    _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(ab1, cd1, 0x20));
    _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(ab0, cd0, 0x31));
    _mm256_storeu_si256(o + 3, _mm256_permute2x128_si256(ab1, cd1, 0x31));
  }
  for (; i < Count; ++i) setColumn(r + 1 + i, srcA[i], srcB[i], srcC[i], srcD[i]);
  __m256i* columns = reinterpret_cast<__m256i*>(Work);
  const __m256i first = _mm256_loadu_si256(columns + r + 1), lastColumn = _mm256_loadu_si256(columns + r + last + 1);
  for (int c = 0; c <= r; ++c) _mm256_storeu_si256(columns + c, first);
  for (int c = r + 1 + Count; c < padded; ++c) _mm256_storeu_si256(columns + c, lastColumn);
  const __m256i m = _mm256_set1_epi16(int16_t(magic.M));
  const __m128i shift = _mm_cvtsi32_si128(magic.Shift);
  __m256i sum = _mm256_set1_epi16(int16_t(r));
  for (int c = 0; c <= 2 * r; ++c) sum = _mm256_add_epi16(sum, column16(Work, c));
  // Output x adds padded column x + 2r + 1 and drops column x.
  const int ahead = 2 * r + 1;
  // Packed pairs come out as A B A' B' | C D C' D'; this order groups rows.
  const __m256i order = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  int x = 0;
  for (; x + 4 <= Count; x += 4) {
    const __m256i s0 = _mm256_add_epi16(sum, _mm256_sub_epi16(column16(Work, x + ahead), column16(Work, x)));
    const __m256i s1 =
        _mm256_add_epi16(s0, _mm256_sub_epi16(column16(Work, x + ahead + 1), column16(Work, x + 1)));
    const __m256i s2 =
        _mm256_add_epi16(s1, _mm256_sub_epi16(column16(Work, x + ahead + 2), column16(Work, x + 2)));
    sum = _mm256_add_epi16(s2, _mm256_sub_epi16(column16(Work, x + ahead + 3), column16(Work, x + 3)));
    // After the permute: A(x, x+1) C(x, x+1) | B(x, x+1) D(x, x+1).
    const __m256i p01 = _mm256_permutevar8x32_epi32(
        _mm256_packus_epi16(quotient16(s0, m, shift), quotient16(s1, m, shift)), order);
    const __m256i p23 = _mm256_permutevar8x32_epi32(
        _mm256_packus_epi16(quotient16(s2, m, shift), quotient16(sum, m, shift)), order);
    const __m256i ab = _mm256_unpacklo_epi64(p01, p23), cd = _mm256_unpackhi_epi64(p01, p23);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstA + x), _mm256_castsi256_si128(ab));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstB + x), _mm256_extracti128_si256(ab, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstC + x), _mm256_castsi256_si128(cd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstD + x), _mm256_extracti128_si256(cd, 1));
  }
  for (; x < Count; ++x) {
    sum = _mm256_add_epi16(sum, _mm256_sub_epi16(column16(Work, x + ahead), column16(Work, x)));
    const __m256i q = quotient16(sum, m, shift);
    const __m256i p = _mm256_packus_epi16(q, q);
    const __m128i lo = _mm256_castsi256_si128(p), hi = _mm256_extracti128_si256(p, 1);
    dstA[x] = uint32_t(_mm_cvtsi128_si32(lo));
    dstB[x] = uint32_t(_mm_extract_epi32(lo, 1));
    dstC[x] = uint32_t(_mm_cvtsi128_si32(hi));
    dstD[x] = uint32_t(_mm_extract_epi32(hi, 1));
  }
}

// The driver of boxBlur with the 16-bit steps: the horizontal step runs on
// four rows at once (single rows at the end go through the SSE4.2 step,
// which gives the same bytes), so the ring holds three rows more.
void boxBlur16(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const BoxArea& a,
               const BoxMagic& magic) {
  const int r = a.R, cols = a.Cols, rows = a.Rows;
  const float inv = 1.0f / float(2 * r + 1);
  THtPixelMap m{Pixels, Width, Height, Stride, 32};
  auto row = [&](int y) { return m.ScanLine(a.Top + y) + a.Left; };
  const int ringRows = 2 * r + 5;
  std::vector<uint32_t> ring(static_cast<size_t>(ringRows) * size_t(cols));
  auto ringRow = [&](int y) { return ring.data() + size_t(y % ringRows) * size_t(cols); };
  const size_t blocks = (size_t(cols) + kSumBlock - 1) / kSumBlock;
  std::vector<uint16_t> sums(blocks * kSumBlock * 4);
  std::vector<uint16_t> work(16 * (size_t(cols) + 2 * size_t(r) + 1));
  int done = 0;
  auto horizontalUpTo = [&](int k) {
    while (done <= k) {
      if (done + 3 < rows) {
        const uint32_t* src[4] = {row(done), row(done + 1), row(done + 2), row(done + 3)};
        uint32_t* dst[4] = {ringRow(done), ringRow(done + 1), ringRow(done + 2), ringRow(done + 3)};
        horizontal16x4(src, dst, cols, magic, work.data());
        done += 4;
      } else {
        horizontalSse42(row(done), ringRow(done), cols, r, inv);
        ++done;
      }
    }
  };
  for (int pass = 0; pass < 2; ++pass) {
    done = 0;
    horizontalUpTo(r - 1);
    sums16(sums.data(), ringRow(0), cols, r + 1, r);
    for (int y = 0; y < r; ++y) sums16(sums.data(), ringRow(y), cols, 0, r);
    for (int y = 0; y < rows; ++y) {
      const int enter = std::min(y + r, rows - 1);
      horizontalUpTo(enter);
      vertical16(sums.data(), ringRow(enter), ringRow(std::max(y - r - 1, 0)), row(y), cols, magic);
    }
  }
}

constexpr BoxRowSteps kScalarSteps{horizontalScalar, startSumsScalar, addToSumsScalar, verticalScalar};
constexpr BoxRowSteps kSse42Steps{horizontalSse42, startSumsSse42, addToSumsSse42, verticalSse42};
constexpr BoxRowSteps kAvx2Steps{horizontalSse42, startSumsSse42, addToSumsSse42, verticalAvx2, horizontalPairAvx2};

}  // namespace

void BoxBlurRectScalar(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  boxBlur(Pixels, Width, Height, Stride, R, Radius, kScalarSteps);
}

void BoxBlurRectSse42(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  boxBlur(Pixels, Width, Height, Stride, R, Radius, kSse42Steps);
}

void BoxBlurRectAvx2(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  BoxArea a;
  BoxMagic magic;
  if (Pixels && boxArea(Width, Height, R, Radius, a) && findBoxMagic(a.R, magic))
    boxBlur16(Pixels, Width, Height, Stride, a, magic);
  else
    boxBlur(Pixels, Width, Height, Stride, R, Radius, kAvx2Steps);
}

void BoxBlurRect(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  if (CpuFeatures().AVX2)
    BoxBlurRectAvx2(Pixels, Width, Height, Stride, R, Radius);
  else if (CpuFeatures().SSE42)
    BoxBlurRectSse42(Pixels, Width, Height, Stride, R, Radius);
  else
    BoxBlurRectScalar(Pixels, Width, Height, Stride, R, Radius);
}

}  // namespace ht
