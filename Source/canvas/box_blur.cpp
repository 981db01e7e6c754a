// Running-sum box blur. Both routines share one driver and differ in their
// row steps: the scalar steps work channel by channel, the SSE4.2 steps keep
// the four channels of a pixel in one register. Both round
// sum * (1 / (2r + 1)) in single precision, halves to even, so they give the
// same bytes.
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
};

// Each pass runs the horizontal step one row ahead of the vertical one, so
// the image is read and written once per pass: the horizontal results go to
// a ring that holds rows y - r - 1 .. y + r, and the vertical step writes
// image row y, which nothing reads again in this pass.
void boxBlur(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius,
             const BoxRowSteps& steps) {
  BoxArea a;
  if (!Pixels || !boxArea(Width, Height, R, Radius, a)) return;
  const int r = a.R, cols = a.Cols, rows = a.Rows;
  const float inv = 1.0f / float(2 * r + 1);
  THtPixelMap m{Pixels, Width, Height, Stride, 32};
  auto row = [&](int y) { return m.ScanLine(a.Top + y) + a.Left; };
  const int ringRows = 2 * r + 2;
  std::vector<uint32_t> ring(static_cast<size_t>(ringRows) * size_t(cols));
  auto ringRow = [&](int y) { return ring.data() + size_t(y % ringRows) * size_t(cols); };
  std::vector<int32_t> sums(static_cast<size_t>(cols) * 4);
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < r; ++y) steps.Horizontal(row(y), ringRow(y), cols, r, inv);
    // The window above row 0: row 0 repeated r + 1 times, then rows 0..r-1.
    steps.StartSums(sums.data(), ringRow(0), cols, r + 1);
    for (int y = 0; y < r; ++y) steps.AddToSums(sums.data(), ringRow(y), cols);
    for (int y = 0; y < rows; ++y) {
      const int enter = std::min(y + r, rows - 1);
      if (y + r <= rows - 1) steps.Horizontal(row(enter), ringRow(enter), cols, r, inv);
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

constexpr BoxRowSteps kScalarSteps{horizontalScalar, startSumsScalar, addToSumsScalar, verticalScalar};
constexpr BoxRowSteps kSse42Steps{horizontalSse42, startSumsSse42, addToSumsSse42, verticalSse42};

}  // namespace

void BoxBlurRectScalar(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  boxBlur(Pixels, Width, Height, Stride, R, Radius, kScalarSteps);
}

void BoxBlurRectSse42(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  boxBlur(Pixels, Width, Height, Stride, R, Radius, kSse42Steps);
}

void BoxBlurRect(uint8_t* Pixels, int Width, int Height, ptrdiff_t Stride, const TRect& R, int Radius) {
  if (CpuFeatures().SSE42)
    BoxBlurRectSse42(Pixels, Width, Height, Stride, R, Radius);
  else
    BoxBlurRectScalar(Pixels, Width, Height, Stride, R, Radius);
}

}  // namespace ht
