#include "canvas/blur.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas/matrix.h"

namespace ht {

namespace {

[[noreturn]] void assertionFailure(int line) {
  throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"blur.cpp", line);
}

}  // namespace

void MakeGaussKernel(TGaussKernel& K, float Radius, float MaxData, float DataGranularity) {
  if (!(Radius > 0.1f)) assertionFailure(__LINE__);
  // Beyond a few hundred pixels the 61 taps are all but equal; clamping keeps
  // a huge CSS blur from stopping the paint.
  Radius = std::min(Radius, 999.0f);
  constexpr int n = TGaussKernel::MaxSize;
  float w[2 * n + 1];
  float sum = 0;
  for (int j = -n; j <= n; ++j) {
    float q = float(j) / Radius;
    w[j + n] = float(std::exp(-double(q * q) / 2));
    sum += w[j + n];
  }
  for (float& v : w) v /= sum;
  // Drop the outer taps whose combined weight cannot change a value.
  int k = n;
  float t = 0;
  float limit = DataGranularity / (2 * MaxData);
  while (t < limit && k > 1) {
    t += 2 * w[k + n];
    --k;
  }
  K.Size = k;
  float s = 0;
  for (int j = -k; j <= k; ++j) s += w[j + n];
  for (int j = -n; j <= n; ++j) {
    K.Weights[j + n] = w[j + n] / s;
    K.IntWeights[j + n] = int32_t(std::ceil(double(w[j + n]) * 16777215.0 / double(s)));
  }
}

bool AnyPixelDiffers(const uint32_t* P, uint32_t Value, int Count) {
  for (int i = 0; i < Count; ++i)
    if (P[i] != Value) return true;
  return false;
}

void BlurLine32(uint32_t* Line, int LastIndex, const TGaussKernel& K, uint32_t* Work, int First,
                int Last, int SkipFrom, int SkipTo) {
  const int r = K.Size;
  First = std::max(First, 0);
  Last = std::min(Last, LastIndex);
  if (First > Last) return;
  for (int i = std::max(First - r, 0), e = std::min(LastIndex, Last + r); i <= e; ++i) Work[i] = Line[i];
  for (int i = First; i <= Last; ++i) {
    if (SkipTo >= 0 && i >= SkipFrom && i <= SkipTo && i - r >= First && i + r <= Last) continue;
    uint32_t acc[4] = {0, 0, 0, 0};
    for (int j = -r; j <= r; ++j) {
      uint32_t p = Line[std::clamp(i + j, First, Last)];
      uint32_t w = uint32_t(K.IntWeight(j));
      acc[0] += w * (p & 0xFF);
      acc[1] += w * ((p >> 8) & 0xFF);
      acc[2] += w * ((p >> 16) & 0xFF);
      acc[3] += w * (p >> 24);
    }
    Work[i] = (acc[0] >> 24) | ((acc[1] >> 24) << 8) | ((acc[2] >> 24) << 16) | ((acc[3] >> 24) << 24);
  }
  std::copy(Work + First, Work + Last + 1, Line + First);
}

void BlurBitmapRect(const THtPixelMap& Bitmap, const TGaussKernel& K, const TRect& R, const TRect& Skip) {
  if (!Bitmap.Bits) return;
  const int w = Bitmap.Width, h = Bitmap.Height;
  const int left = std::max(R.Left, 0), top = std::max(R.Top, 0);
  const int right = std::min(R.Right, w - 1), bottom = std::min(R.Bottom, h - 1);
  if (right - left < 1 || bottom - top < 1) return;
  std::vector<uint32_t> work(size_t(std::max(w, h)));
  for (int y = top; y <= bottom; ++y) {
    uint32_t* row = Bitmap.ScanLine(y);
    if (AnyPixelDiffers(row, row[0], w)) BlurLine32(row, w - 1, K, work.data(), left, right, Skip.Left, Skip.Right);
  }
  std::vector<uint32_t> column(size_t(h), 0);
  for (int x = left; x <= right; ++x) {
    if (x >= Skip.Left && x <= Skip.Right) continue;
    for (int y = top; y <= bottom; ++y) column[y] = Bitmap.ScanLine(y)[x];
    if (!AnyPixelDiffers(column.data() + top, column[top], bottom - top + 1)) continue;
    BlurLine32(column.data(), h - 1, K, work.data(), top, bottom, Skip.Top, Skip.Bottom);
    for (int y = top; y <= bottom; ++y) Bitmap.ScanLine(y)[x] = column[y];
  }
}

namespace {

// Writes Count pixels of Src to row y from column x on, clipped to the bitmap.
void putRun(const THtPixelMap& m, int y, int x, const uint32_t* Src, int Count) {
  if (y < 0 || y >= m.Height) return;
  int from = std::max(0, -x), to = std::min(Count, m.Width - x);
  uint32_t* row = m.ScanLine(y);
  for (int k = from; k < to; ++k) row[x + k] = Src[k];
}

// Fills columns x0..x1 (inclusive) of row y with Value, clipped.
void fillRun(const THtPixelMap& m, int y, int x0, int x1, uint32_t Value) {
  if (y < 0 || y >= m.Height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, m.Width - 1);
  uint32_t* row = m.ScanLine(y);
  for (int x = x0; x <= x1; ++x) row[x] = Value;
}

// Copies Count pixels from column SrcX of row SrcY to column DstX of row
// DstY, in reverse order when Mirror is set; clipped.
void copyRow(const THtPixelMap& m, int SrcY, int DstY, int SrcX, int DstX, int Count, bool Mirror) {
  if (SrcY < 0 || SrcY >= m.Height || DstY < 0 || DstY >= m.Height) return;
  const uint32_t* src = m.ScanLine(SrcY);
  uint32_t* dst = m.ScanLine(DstY);
  for (int k = 0; k < Count; ++k) {
    int sx = Mirror ? SrcX + Count - 1 - k : SrcX + k, dx = DstX + k;
    if (sx >= 0 && sx < m.Width && dx >= 0 && dx < m.Width) dst[dx] = src[sx];
  }
}

}  // namespace

void BlurBitmap32(const THtPixelMap& Bitmap, const TRect& R, float Blur, uint32_t Color, int Radius,
                  bool Mirror) {
  if (Blur < 0.1f) return;
  if (Bitmap.PixelBits != 32) throw Exception(String(u"Blur only works for 32-bit bitmaps"));
  if (!Bitmap.Bits) return;
  // The kernel stops growing long before these; they keep the sizes below
  // in range.
  Blur = std::min(Blur, 999.0f);
  Radius = std::clamp(Radius, 0, 1 << 16);
  const uint32_t color = PremultiplyColor(Color);
  TGaussKernel K;
  MakeGaussKernel(K, Blur, 255, 1);
  const int M = std::max(int(std::ceil(2.0 * Radius)), int(std::ceil(2.0 * double(Blur))));
  const TRect I{R.Left + M, R.Top + M, R.Right - M, R.Bottom - M};
  if (I.Right - I.Left <= 1 || I.Bottom - I.Top <= 1) {
    BlurBitmapRect(Bitmap, K, TRect{R.Left - M, R.Top - M, R.Right + M, R.Bottom + M}, TRect{-1, -1, -1, -1});
    return;
  }
  // One blurred line gives the rising edge (centred on 2e) and the falling
  // edge (centred on 6e) of every side.
  const int e = std::max(int(std::ceil(double(Blur))), 2 * Radius);
  const int L = 2 * e, N = 8 * e;
  std::vector<uint32_t> profile(size_t(N) + 1, 0), work(size_t(N) + 1);
  std::fill(profile.begin() + 2 * e, profile.begin() + 6 * e, color);
  BlurLine32(profile.data(), N - 1, K, work.data(), 0, N - 1, -1, -1);

  // The inner area as inclusive bounds, symmetric about the box's centre.
  const TRect skip{I.Left, I.Top, I.Right - 1, I.Bottom - 1};
  const TRect C{R.Left - M, R.Top - M, R.Left + M, R.Top + M};
  BlurBitmapRect(Bitmap, K, C, skip);
  const int side = 2 * M + 1;
  if (Mirror && C.Left >= 0 && C.Top >= 0 && C.Right <= Bitmap.Width - 1 && C.Bottom <= Bitmap.Height - 1) {
    // The box is symmetric about its centre lines: row y mirrors to
    // R.Top + R.Bottom - 1 - y, column x to R.Left + R.Right - 1 - x.
    for (int k = 0; k < side; ++k) copyRow(Bitmap, C.Bottom - k, R.Bottom - M - 1 + k, C.Left, C.Left, side, false);
    for (int y = C.Top; y <= C.Bottom; ++y) copyRow(Bitmap, y, y, C.Left, R.Right - M - 1, side, true);
    for (int k = 0; k < side; ++k)
      copyRow(Bitmap, C.Bottom - k, R.Bottom - M - 1 + k, R.Right - M - 1, R.Right - M - 1, side, false);
  } else {
    // Squares centred on the corner pixels, placed as the mirrored copies are.
    const int right = R.Right - 1, bottom = R.Bottom - 1;
    BlurBitmapRect(Bitmap, K, TRect{right - M, R.Top - M, right + M, R.Top + M}, skip);
    BlurBitmapRect(Bitmap, K, TRect{R.Left - M, bottom - M, R.Left + M, bottom + M}, skip);
    BlurBitmapRect(Bitmap, K, TRect{right - M, bottom - M, right + M, bottom + M}, skip);
  }

  // Each side continues the last row of its finished corner exactly; the
  // top and bottom sides take the plain profile, so that the shadow stays
  // symmetric about both centre lines.
  const int edgeRow = R.Top + M - 1, leftCol = R.Left - L, rightCol = R.Right - L;
  std::vector<uint32_t> leftProfile(profile.begin(), profile.begin() + 2 * L);
  std::vector<uint32_t> rightProfile(profile.begin() + (N - 2 * L), profile.begin() + N);
  if (edgeRow >= 0 && edgeRow < Bitmap.Height) {
    const uint32_t* row = Bitmap.ScanLine(edgeRow);
    for (int k = 0; k < 2 * L; ++k) {
      if (leftCol + k >= 0 && leftCol + k < Bitmap.Width) leftProfile[size_t(k)] = row[leftCol + k];
      if (rightCol + k >= 0 && rightCol + k < Bitmap.Width) rightProfile[size_t(k)] = row[rightCol + k];
    }
  }
  for (int y = R.Top + M; y <= R.Bottom - M - 1; ++y) {
    putRun(Bitmap, y, leftCol, leftProfile.data(), 2 * L);
    putRun(Bitmap, y, rightCol, rightProfile.data(), 2 * L);
  }
  for (int k = 0; k <= 2 * L; ++k) {
    fillRun(Bitmap, R.Top - L + k, R.Left + M, R.Right - M - 1, profile[size_t(k)]);
    fillRun(Bitmap, R.Bottom - L - 1 + k, R.Left + M, R.Right - M - 1, profile[size_t(N - 2 * L - 1 + k)]);
  }
}

}  // namespace ht
