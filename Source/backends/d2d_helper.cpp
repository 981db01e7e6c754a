#include "backends/d2d_helper.h"

#include <algorithm>
#include <cstdio>

namespace ht {

using namespace d2d;

namespace {

std::unique_ptr<THtD2DHelper> helper;

struct TEntryPoints {
  bool Bound = false;
  PFN_D3D11_CREATE_DEVICE CreateDevice = nullptr;
  PFN_DWRITE_CREATE_FACTORY CreateDWrite = nullptr;
  PFN_D2D1_CREATE_FACTORY CreateFactory = nullptr;
  PFN_D2D1_MAKE_ROTATE_MATRIX MakeRotate = nullptr;
} entry;

String hresultText(HRESULT Code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", uint32_t(Code));
  return Utf8ToString(buf);
}

}  // namespace

EOleSysError::EOleSysError(HRESULT Code)
    : Exception(u"OLE error " + hresultText(Code)), ErrorCode(Code) {}

void OleCheck(HRESULT Hr) {
  if (FAILED(Hr)) throw EOleSysError(Hr);
}

void BindDirect2DEntryPoints() {
  entry = TEntryPoints();
  entry.Bound = true;
  if (HMODULE m = LoadLibraryW("d3d11.dll"))
    entry.CreateDevice = reinterpret_cast<PFN_D3D11_CREATE_DEVICE>(GetProcAddress(m, "D3D11CreateDevice"));
  if (HMODULE m = LoadLibraryW("DWrite.dll"))
    entry.CreateDWrite = reinterpret_cast<PFN_DWRITE_CREATE_FACTORY>(GetProcAddress(m, "DWriteCreateFactory"));
  if (HMODULE m = LoadLibraryW("d2d1.dll")) {
    entry.CreateFactory = reinterpret_cast<PFN_D2D1_CREATE_FACTORY>(GetProcAddress(m, "D2D1CreateFactory"));
    entry.MakeRotate = reinterpret_cast<PFN_D2D1_MAKE_ROTATE_MATRIX>(GetProcAddress(m, "D2D1MakeRotateMatrix"));
  }
}

THtD2DHelper::THtD2DHelper() { CreateDevices(); }

void THtD2DHelper::CreateDevices() {
  if (!entry.Bound) BindDirect2DEntryPoints();
  if (!entry.CreateDevice) throw ENotSupportedException(String(u"D3D11CreateDevice not supported"));
  static const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1,
                                             D3D_FEATURE_LEVEL_10_0, D3D_FEATURE_LEVEL_9_3,  D3D_FEATURE_LEVEL_9_2,
                                             D3D_FEATURE_LEVEL_9_1};
  D3DDevice.reset();
  std::shared_ptr<ID3D11DeviceContext> immediate;
  HRESULT hr;
  try {
    hr = entry.CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, 0, D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels, 7,
                            D3D11_SDK_VERSION, &D3DDevice, nullptr, &immediate);
  } catch (...) {
    hr = HR(0x80000000);
  }
  if (FAILED(hr)) {
    // WARP with the runtime's own feature levels: a runtime that rejects
    // the 11.1 level in the list fails the hardware call for that alone.
    hr = entry.CreateDevice(nullptr, D3D_DRIVER_TYPE_WARP, 0, D3D11_CREATE_DEVICE_BGRA_SUPPORT, nullptr, 0,
                            D3D11_SDK_VERSION, &D3DDevice, nullptr, &immediate);
    OleCheck(hr);
  }
  if (!D2DFactory) {
    if (!entry.CreateFactory) throw ENotSupportedException(String(u"D2D1CreateFactory not supported"));
    D2D1_FACTORY_OPTIONS options;
    std::shared_ptr<ID2D1Factory> f;
    if (SUCCEEDED(entry.CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory1, &options, &f))) {
      D2DFactory1 = std::dynamic_pointer_cast<ID2D1Factory1>(f);
      D2DFactory = f;
    } else {
      OleCheck(entry.CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory, &options, &D2DFactory));
    }
  }
  D3DContext = immediate;
  if (!D3DContext) throw ENotSupportedException(String(u"ID3D11DeviceContext not supported"));
  if (FAILED(QueryInterface(D3DDevice, &DXGIDevice)))
    throw ENotSupportedException(String(u"IDXGIDevice not supported"));
  D2DDevice.reset();
  DeviceContext.reset();
  if (D2DFactory1 && SUCCEEDED(D2DFactory1->CreateDevice(DXGIDevice, &D2DDevice)) &&
      SUCCEEDED(D2DDevice->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_ENABLE_MULTITHREADED_OPTIMIZATIONS,
                                               &DeviceContext))) {
    DeviceContext->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    DeviceContext->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
  }
  if (!DWriteFactory) {
    if (!entry.CreateDWrite || FAILED(entry.CreateDWrite(DWRITE_FACTORY_TYPE_SHARED, IID_IDWriteFactory, &DWriteFactory)))
      throw ENotSupportedException(String(u"IDWriteFactory not supported"));
  }
  OleCheck(DXGIDevice->GetAdapter(&DXGIAdapter));
  std::shared_ptr<IDXGIFactory> parent;
  DXGIFactory1.reset();
  DXGIFactory2.reset();
  if (SUCCEEDED(DXGIAdapter->GetParent(IID_IDXGIFactory2, &parent))) {
    DXGIFactory2 = std::dynamic_pointer_cast<IDXGIFactory2>(parent);
  } else {
    OleCheck(DXGIAdapter->GetParent(IID_IDXGIFactory1, &parent));
    DXGIFactory1 = std::dynamic_pointer_cast<IDXGIFactory1>(parent);
  }
}

std::shared_ptr<IDXGIFactory> THtD2DHelper::DXGIFactory() const {
  if (DXGIFactory2) return DXGIFactory2;
  return DXGIFactory1;
}

std::shared_ptr<IWICImagingFactory> THtD2DHelper::WICFactory() {
  std::lock_guard<std::mutex> guard(Lock);
  if (!FWICFactory) OleCheck(CreateWICImagingFactory(&FWICFactory));
  return FWICFactory;
}

bool THtD2DHelper::CreateTargetBitmap(ID2D1DeviceContext* Context, IDXGISwapChain* SwapChain,
                                      std::shared_ptr<ID2D1Bitmap1>& Bitmap) {
  Bitmap.reset();
  if (!Context || !SwapChain) return false;
  std::shared_ptr<IDXGISurface1> surface;
  if (FAILED(SwapChain->GetBuffer(0, IID_IDXGISurface1, &surface))) return false;
  D2D1_BITMAP_PROPERTIES1 props;
  props.pixelFormat = D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE);
  props.bitmapOptions = D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW;
  return SUCCEEDED(Context->CreateBitmapFromDxgiSurface(surface, &props, &Bitmap));
}

std::shared_ptr<ID2D1DCRenderTarget> THtD2DHelper::CreateDCRenderTarget() {
  std::lock_guard<std::mutex> guard(Lock);
  std::shared_ptr<ID2D1DCRenderTarget> target;
  OleCheck(D2DFactory->CreateDCRenderTarget(
      D2D1RenderTargetProperties(D2D1_RENDER_TARGET_TYPE_DEFAULT,
                                 D2D1PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96, 96,
                                 0, 0),
      &target));
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  target->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
  return target;
}

bool THtD2DHelper::CreateSwapChain(HWND Window, int Width, int Height, bool Legacy,
                                   std::shared_ptr<IDXGISwapChain>& SwapChain,
                                   std::shared_ptr<IDXGISwapChain1>& SwapChain1) {
  SwapChain.reset();
  SwapChain1.reset();
  if (DXGIFactory2 && !Legacy) {
    DXGI_SWAP_CHAIN_DESC1 desc;
    desc.Width = UINT(std::max(Width, 0));
    desc.Height = UINT(std::max(Height, 0));
    desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 2;
    desc.Scaling = DXGI_SCALING_NONE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
    desc.AlphaMode = DXGI_ALPHA_MODE_IGNORE;
    if (SUCCEEDED(DXGIFactory2->CreateSwapChainForHwnd(D3DDevice, Window, &desc, nullptr, nullptr, &SwapChain1)))
      return false;
  }
  std::shared_ptr<IDXGIFactory> factory = DXGIFactory();
  if (!factory) return false;
  DXGI_SWAP_CHAIN_DESC desc = DXGISwapChainDesc(Window, Width, Height);
  HRESULT hr = factory->CreateSwapChain(D3DDevice, &desc, &SwapChain);
  if (hr == DXGI_ERROR_DEVICE_REMOVED || hr == DXGI_ERROR_DEVICE_HUNG || hr == DXGI_ERROR_DEVICE_RESET ||
      hr == HR(0x887A0023)) {
    CreateDevices();
    factory = DXGIFactory();
    if (!factory) OleCheck(E_NOINTERFACE);
    OleCheck(factory->CreateSwapChain(D3DDevice, &desc, &SwapChain));
    return true;
  }
  return false;
}

THtD2DHelper& D2DHelper() {
  if (!helper) helper = std::make_unique<THtD2DHelper>();
  return *helper;
}

std::shared_ptr<IDWriteFactory> GetDWriteFactory() { return D2DHelper().DWriteFactory; }

void FreeD2DHelper() { helper.reset(); }

DWRITE_FONT_FEATURE DWriteFontFeature(StringView Tag, uint32_t Value) {
  uint32_t tag = 0;
  for (size_t i = 0; i < 4 && i < Tag.size(); ++i) tag |= uint32_t(uint8_t(Tag[i])) << (8 * i);
  return {tag, Value};
}

D2D1_RENDER_TARGET_PROPERTIES D2D1RenderTargetProperties(D2D1_RENDER_TARGET_TYPE Type,
                                                         const D2D1_PIXEL_FORMAT& Format, float DpiX, float DpiY,
                                                         uint32_t Usage, uint32_t MinLevel) {
  D2D1_RENDER_TARGET_PROPERTIES p;
  p.type = Type;
  p.pixelFormat = Format;
  p.dpiX = DpiX;
  p.dpiY = DpiY;
  p.usage = Usage;
  p.minLevel = MinLevel;
  return p;
}

D2D1_MATRIX_3X2_F D2D1RotationMatrix(float Angle, D2D1_POINT_2F Center) {
  D2D1_MATRIX_3X2_F m;
  if (!entry.Bound) BindDirect2DEntryPoints();
  if (entry.MakeRotate) entry.MakeRotate(Angle, Center, &m);
  return m;
}

D2D1_MATRIX_3X2_F D2D1MatrixMultiply(const D2D1_MATRIX_3X2_F& A, const D2D1_MATRIX_3X2_F& B) {
  D2D1_MATRIX_3X2_F m;
  m._11 = A._11 * B._11 + A._12 * B._21;
  m._12 = A._11 * B._12 + A._12 * B._22;
  m._21 = A._21 * B._11 + A._22 * B._21;
  m._22 = A._21 * B._12 + A._22 * B._22;
  m._31 = A._31 * B._11 + A._32 * B._21 + B._31;
  m._32 = A._31 * B._12 + A._32 * B._22 + B._32;
  return m;
}

DXGI_SWAP_CHAIN_DESC DXGISwapChainDesc(HWND Window, int Width, int Height) {
  DXGI_SWAP_CHAIN_DESC d;
  d.BufferDesc.Width = UINT(std::max(Width, 0));
  d.BufferDesc.Height = UINT(std::max(Height, 0));
  d.BufferDesc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  d.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  d.BufferCount = 2;
  d.OutputWindow = Window;
  d.Windowed = 1;
  d.SwapEffect = DXGI_SWAP_EFFECT_SEQUENTIAL;
  return d;
}

}  // namespace ht
