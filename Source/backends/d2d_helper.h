#pragma once
// THtD2DHelper: the process-wide graphics devices of the Direct2D back end
// (Direct3D device, DXGI device, adapter and factory, Direct2D factory,
// device and device context, DirectWrite factory, imaging factory) and the
// three kinds of target the Direct2D canvas draws on: swap chains for
// windows, target bitmaps over their back buffers, and DC-bound targets.
// Also the small Direct2D value builders and OpenType feature tags.
#include <memory>
#include <mutex>

#include "platform/d2d/d2d.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/string.h"

namespace ht {

HT_DECLARE_EXCEPTION(ENotSupportedException, Exception);

// The platform's OLE error: a failed HRESULT, with its code.
class EOleSysError : public Exception {
 public:
  explicit EOleSysError(d2d::HRESULT Code);
  d2d::HRESULT ErrorCode;
};
// Raises EOleSysError when Hr is a failure.
void OleCheck(d2d::HRESULT Hr);

class THtD2DHelper {
 public:
  // Runs CreateDevices; a failure there passes on and nothing is kept.
  THtD2DHelper();

  std::shared_ptr<d2d::ID3D11Device> D3DDevice;
  std::shared_ptr<d2d::ID3D11DeviceContext> D3DContext;
  std::shared_ptr<d2d::ID2D1DeviceContext> DeviceContext;  // empty without Direct2D 1.1
  std::shared_ptr<d2d::ID2D1Device> D2DDevice;             // empty without Direct2D 1.1
  std::shared_ptr<d2d::ID2D1Factory> D2DFactory;
  std::shared_ptr<d2d::ID2D1Factory1> D2DFactory1;
  std::shared_ptr<d2d::IDXGIDevice> DXGIDevice;
  std::shared_ptr<d2d::IDWriteFactory> DWriteFactory;
  std::shared_ptr<d2d::IDXGIAdapter> DXGIAdapter;
  std::shared_ptr<d2d::IDXGIFactory1> DXGIFactory1;  // only when DXGIFactory2 cannot be had
  std::shared_ptr<d2d::IDXGIFactory2> DXGIFactory2;
  // Held while render targets are made through the shared D2DFactory, and
  // while the imaging factory is first made.
  std::mutex Lock;

  // (Re)creates the device set; the two factories are kept when present.
  void CreateDevices();
  // DXGIFactory2, else DXGIFactory1 (either may be empty).
  std::shared_ptr<d2d::IDXGIFactory> DXGIFactory() const;
  // Made once, under Lock (the image-loader thread may ask first).
  std::shared_ptr<d2d::IWICImagingFactory> WICFactory();
  // A bitmap over the chain's back buffer for Context; false when none.
  bool CreateTargetBitmap(d2d::ID2D1DeviceContext* Context, d2d::IDXGISwapChain* SwapChain,
                          std::shared_ptr<d2d::ID2D1Bitmap1>& Bitmap);
  std::shared_ptr<d2d::ID2D1DCRenderTarget> CreateDCRenderTarget();
  // A flip-model chain (SwapChain1) unless Legacy or unavailable, else a
  // legacy one (SwapChain); true only when the devices had to be re-made.
  bool CreateSwapChain(d2d::HWND Window, int Width, int Height, bool Legacy,
                       std::shared_ptr<d2d::IDXGISwapChain>& SwapChain,
                       std::shared_ptr<d2d::IDXGISwapChain1>& SwapChain1);

 private:
  std::shared_ptr<d2d::IWICImagingFactory> FWICFactory;
};

// The singleton, made on first use; a creation that raises leaves none, so
// the next call tries again.
THtD2DHelper& D2DHelper();
// D2DHelper's DirectWrite factory: raises when Direct2D cannot be used.
std::shared_ptr<d2d::IDWriteFactory> GetDWriteFactory();
// Frees the singleton (program end; tests start over with it).
void FreeD2DHelper();
// Binds the system entry points; runs once before the first device set is
// made, and again when called (tests change the machine in between).
void BindDirect2DEntryPoints();

// A DirectWrite feature: the first four characters of Tag, the first in the
// lowest byte.
d2d::DWRITE_FONT_FEATURE DWriteFontFeature(StringView Tag, uint32_t Value);

// Value builders.
inline d2d::D2D1_POINT_2F D2D1PointF(float X, float Y) { return {X, Y}; }
inline d2d::D2D1_RECT_F D2D1RectF(float L, float T, float R, float B) { return {L, T, R, B}; }
inline d2d::D2D1_RECT_U D2D1RectU(uint32_t L, uint32_t T, uint32_t R, uint32_t B) { return {L, T, R, B}; }
inline d2d::D2D1_ROUNDED_RECT D2D1RoundedRect(const d2d::D2D1_RECT_F& R, float RadiusX, float RadiusY) {
  return {R, RadiusX, RadiusY};
}
inline d2d::D2D1_PIXEL_FORMAT D2D1PixelFormat(uint32_t Format, d2d::D2D1_ALPHA_MODE Mode) { return {Format, Mode}; }
d2d::D2D1_RENDER_TARGET_PROPERTIES D2D1RenderTargetProperties(d2d::D2D1_RENDER_TARGET_TYPE Type,
                                                              const d2d::D2D1_PIXEL_FORMAT& Format, float DpiX,
                                                              float DpiY, uint32_t Usage, uint32_t MinLevel);
inline d2d::D2D1_MATRIX_3X2_F D2D1IdentityMatrix() { return {}; }
inline d2d::D2D1_MATRIX_3X2_F D2D1TranslationMatrix(float X, float Y) { return {1, 0, 0, 1, X, Y}; }
d2d::D2D1_MATRIX_3X2_F D2D1RotationMatrix(float Angle, d2d::D2D1_POINT_2F Center);
// A then B.
d2d::D2D1_MATRIX_3X2_F D2D1MatrixMultiply(const d2d::D2D1_MATRIX_3X2_F& A, const d2d::D2D1_MATRIX_3X2_F& B);
d2d::DXGI_SWAP_CHAIN_DESC DXGISwapChainDesc(d2d::HWND Window, int Width, int Height);

}  // namespace ht
