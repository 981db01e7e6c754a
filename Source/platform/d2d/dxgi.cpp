// Devices, factories, swap chains and entry points of the facade.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "platform/d2d/d2d.h"
#include "platform/d2d/wic.h"
#include "platform/d2d/dwrite.h"

namespace ht::d2d {

core::TCallTrace& D2DTrace() {
  static core::TCallTrace trace("d2d");
  return trace;
}

TD2DFaults& D2DFaults() {
  static TD2DFaults faults;
  return faults;
}

void ResetD2DFaults() { D2DFaults() = TD2DFaults(); }

namespace {

// Pops the next injected result of a queue; S_OK when none is queued.
HRESULT nextFault(std::deque<HRESULT>& Q) {
  if (Q.empty()) return S_OK;
  HRESULT h = Q.front();
  Q.pop_front();
  return h;
}

std::string rectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TPresentSink& presentSink() {
  static TPresentSink sink;
  return sink;
}

class TDXGIFactory1Impl : public IDXGIFactory1 {};
class TDXGIFactory2Impl : public IDXGIFactory2 {};

class TAdapter : public IDXGIAdapter {
 public:
  HRESULT GetParent(REFIID Riid, std::shared_ptr<IDXGIFactory>* Parent) override {
    Parent->reset();
    if (Riid == IID_IDXGIFactory2) {
      if (D2DFaults().NoDXGIFactory2) return E_NOINTERFACE;
      *Parent = std::make_shared<TDXGIFactory2Impl>();
      return S_OK;
    }
    if (Riid == IID_IDXGIFactory1) {
      if (D2DFaults().NoDXGIFactory2)
        *Parent = std::make_shared<TDXGIFactory1Impl>();
      else
        *Parent = std::make_shared<TDXGIFactory2Impl>();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
};

class TDevice : public ID3D11Device, public IDXGIDevice {
 public:
  HRESULT GetAdapter(std::shared_ptr<IDXGIAdapter>* Adapter) override {
    *Adapter = std::make_shared<TAdapter>();
    return S_OK;
  }
};

bool noDirect3D() {
  const char* v = std::getenv("TARNWICK_NO_DIRECT3D");
  return v && std::strcmp(v, "1") == 0;
}

}  // namespace

bool SurfaceWithinBudget(int64_t W, int64_t H) {
  return W > 0 && H > 0 && W <= kMaxSurfaceSide && H <= kMaxSurfaceSide && W * H <= kMaxSurfacePixels;
}

void SetPresentSink(TPresentSink Sink) { presentSink() = std::move(Sink); }

// ---------------------------------------------------------------- entry points

HMODULE LoadLibraryW(const char* Name) {
  static const char* const libs[] = {"d3d11.dll", "DWrite.dll", "d2d1.dll"};
  for (size_t i = 0; i < 3; ++i)
    if (std::strcmp(Name, libs[i]) == 0) return D2DFaults().MissingLibraries.count(Name) ? 0 : HMODULE(i + 1);
  return 0;
}

void* GetProcAddress(HMODULE Module, const char* Name) {
  if (Module == 0 || D2DFaults().MissingExports.count(Name)) return nullptr;
  std::string n = Name;
  if (Module == 1 && n == "D3D11CreateDevice") return reinterpret_cast<void*>(&D3D11CreateDevice);
  if (Module == 2 && n == "DWriteCreateFactory") return reinterpret_cast<void*>(&DWriteCreateFactory);
  if (Module == 3 && n == "D2D1CreateFactory") return reinterpret_cast<void*>(&D2D1CreateFactory);
  if (Module == 3 && n == "D2D1MakeRotateMatrix") return reinterpret_cast<void*>(&D2D1MakeRotateMatrix);
  return nullptr;
}

HRESULT D3D11CreateDevice(IDXGIAdapter*, D3D_DRIVER_TYPE DriverType, HMODULE, UINT, const D3D_FEATURE_LEVEL*,
                          UINT, UINT SDKVersion, std::shared_ptr<ID3D11Device>* Device,
                          D3D_FEATURE_LEVEL* Reached, std::shared_ptr<ID3D11DeviceContext>* Context) {
  auto& f = D2DFaults();
  D2DTrace().Add(DriverType == D3D_DRIVER_TYPE_WARP ? "D3D11CreateDevice(warp)" : "D3D11CreateDevice(hardware)");
  if (Device) Device->reset();
  if (Context) Context->reset();
  HRESULT hr = S_OK;
  if (noDirect3D())
    hr = DXGI_ERROR_UNSUPPORTED;
  else if (SDKVersion != D3D11_SDK_VERSION)
    hr = E_INVALIDARG;
  else if (DriverType == D3D_DRIVER_TYPE_HARDWARE) {
    if (f.HardwareThrows) throw std::runtime_error("driver fault");
    hr = f.HardwareDevice;
  } else if (DriverType == D3D_DRIVER_TYPE_WARP)
    hr = f.WarpDevice;
  else
    hr = E_INVALIDARG;
  if (FAILED(hr)) return hr;
  auto dev = std::make_shared<TDevice>();
  dev->DriverType = DriverType;
  if (Device) *Device = dev;
  if (Context) *Context = std::make_shared<ID3D11DeviceContext>();
  if (Reached) *Reached = D3D_FEATURE_LEVEL_11_0;
  return S_OK;
}

HRESULT DWriteCreateFactory(DWRITE_FACTORY_TYPE, REFIID Riid, std::shared_ptr<IDWriteFactory>* Factory) {
  if (Riid != IID_IDWriteFactory) return E_NOINTERFACE;
  *Factory = std::make_shared<IDWriteFactory>();
  return S_OK;
}

HRESULT D2D1CreateFactory(D2D1_FACTORY_TYPE, REFIID Riid, const D2D1_FACTORY_OPTIONS*,
                          std::shared_ptr<ID2D1Factory>* Factory) {
  Factory->reset();
  if (Riid == IID_ID2D1Factory1) {
    if (D2DFaults().NoFactory1) return E_NOINTERFACE;
    *Factory = std::make_shared<ID2D1Factory1>();
    return S_OK;
  }
  if (Riid != IID_ID2D1Factory) return E_NOINTERFACE;
  // Without Direct2D 1.1 the plain factory is all there is.
  if (D2DFaults().NoFactory1)
    *Factory = std::make_shared<ID2D1Factory>();
  else
    *Factory = std::make_shared<ID2D1Factory1>();
  return S_OK;
}

void D2D1MakeRotateMatrix(float Angle, D2D1_POINT_2F Center, D2D1_MATRIX_3X2_F* M) {
  double a = double(Angle) * 3.14159265358979323846 / 180;
  float c = float(std::cos(a)), s = float(std::sin(a));
  M->_11 = c;
  M->_12 = s;
  M->_21 = -s;
  M->_22 = c;
  M->_31 = Center.x - Center.x * c + Center.y * s;
  M->_32 = Center.y - Center.x * s - Center.y * c;
}

namespace {
std::atomic<int> wicCreated{0};
}

HRESULT CreateWICImagingFactory(std::shared_ptr<IWICImagingFactory>* Factory) {
  Factory->reset();
  HRESULT hr;
  {
    static std::mutex m;  // the fault queue is shared with the painting thread
    std::lock_guard<std::mutex> g(m);
    hr = nextFault(D2DFaults().WICFactory);
  }
  if (FAILED(hr)) return hr;
  *Factory = std::make_shared<IWICImagingFactory>();
  ++wicCreated;
  return S_OK;
}

int WICFactoriesCreated() { return wicCreated; }

// ---------------------------------------------------------------- swap chains

IDXGISwapChain::IDXGISwapChain(std::shared_ptr<ID3D11Device> Device, HWND Window, int W, int H, bool Flip)
    : FDevice(std::move(Device)), FWindow(Window), FFlip(Flip) {
  makeBuffers(W, H);
}

void IDXGISwapChain::makeBuffers(int W, int H) {
  // Past the budget the chain keeps empty buffers: nothing to draw or show.
  if (!SurfaceWithinBudget(W, H)) W = H = 0;
  FBack = std::make_shared<core::TCoreSurface>(W, H);
  FFront = std::make_shared<core::TCoreSurface>(W, H);
}

HRESULT IDXGISwapChain::GetBuffer(UINT Buffer, REFIID Riid, std::shared_ptr<IDXGISurface1>* Surface) {
  Surface->reset();
  if (Buffer != 0 || Riid != IID_IDXGISurface1) return E_INVALIDARG;
  if (FDevice->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  *Surface = std::make_shared<IDXGISurface1>(FBack);
  return S_OK;
}

HRESULT IDXGISwapChain::ResizeBuffers(UINT, UINT W, UINT H, UINT, UINT) {
  D2DTrace().Add("ResizeBuffers(" + std::to_string(W) + "," + std::to_string(H) + ")");
  if (FDevice->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  makeBuffers(int(std::min<UINT>(W, 1u << 30)), int(std::min<UINT>(H, 1u << 30)));
  return S_OK;
}

HRESULT IDXGISwapChain::checkPresent() {
  if (FDevice->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  HRESULT hr = nextFault(D2DFaults().Present);
  if (DeviceLost(hr)) FDevice->Removed = true;
  return hr;
}

void IDXGISwapChain::hand() {
  if (FFront->Width() == 0) return;
  FFront->MarkDirty();
  if (presentSink()) presentSink()(FWindow, *FFront);
}

HRESULT IDXGISwapChain::Present(UINT, UINT) {
  D2DTrace().Add("Present");
  HRESULT hr = checkPresent();
  if (FAILED(hr)) return hr;
  FBack->Flush();
  if (FBack->Width() > 0 && FBack->Width() == FFront->Width() && FBack->Height() == FFront->Height()) {
    std::memcpy(FFront->Bits(), FBack->Bits(), size_t(FBack->Stride()) * FBack->Height());
  }
  hand();
  return S_OK;
}

HRESULT IDXGISwapChain1::Present1(UINT, UINT, const DXGI_PRESENT_PARAMETERS* P) {
  if (D2DTrace().Enabled) {
    std::string t = "Present1(dirty=" + std::to_string(P ? P->DirtyRectsCount : 0);
    if (P && P->pScrollRect) t += " scroll=" + rectText(*P->pScrollRect);
    if (P && P->pScrollOffset)
      t += " offset=" + std::to_string(P->pScrollOffset->x) + "," + std::to_string(P->pScrollOffset->y);
    D2DTrace().Add(t + ")");
  }
  HRESULT hr = checkPresent();
  if (FAILED(hr)) return hr;
  int w = FFront->Width(), h = FFront->Height();
  if (w == 0 || FBack->Width() != w || FBack->Height() != h) {
    hand();
    return S_OK;
  }
  FBack->Flush();
  FFront->Flush();
  auto clip = [&](RECT r) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, w);
    r.bottom = std::min(r.bottom, h);
    return r;
  };
  // Scroll: the destination rectangle takes the pixels offset away from it.
  if (P && P->pScrollRect && P->pScrollOffset) {
    int dx = P->pScrollOffset->x, dy = P->pScrollOffset->y;
    RECT r = clip(*P->pScrollRect);
    // Keep the source inside the surface too.
    r.left = std::max(r.left, dx);
    r.right = std::min(r.right, w + dx);
    r.top = std::max(r.top, dy);
    r.bottom = std::min(r.bottom, h + dy);
    if (r.right > r.left && r.bottom > r.top) {
      size_t bytes = size_t(r.right - r.left) * 4;
      auto row = [&](int y) {
        std::memmove(FFront->ScanLine(y) + size_t(r.left) * 4, FFront->ScanLine(y - dy) + size_t(r.left - dx) * 4,
                     bytes);
      };
      if (dy > 0)
        for (int y = r.bottom - 1; y >= r.top; --y) row(y);
      else
        for (int y = r.top; y < r.bottom; ++y) row(y);
    }
  }
  auto copy = [&](RECT r) {
    r = clip(r);
    if (r.right <= r.left || r.bottom <= r.top) return;
    size_t bytes = size_t(r.right - r.left) * 4;
    for (int y = r.top; y < r.bottom; ++y)
      std::memcpy(FFront->ScanLine(y) + size_t(r.left) * 4, FBack->ScanLine(y) + size_t(r.left) * 4, bytes);
  };
  if (!P || P->DirtyRectsCount == 0 || !P->pDirtyRects)
    copy(RECT{0, 0, w, h});
  else
    for (UINT i = 0; i < P->DirtyRectsCount; ++i) copy(P->pDirtyRects[i]);
  hand();
  return S_OK;
}

HRESULT IDXGIFactory::CreateSwapChain(const std::shared_ptr<ID3D11Device>& Device, const DXGI_SWAP_CHAIN_DESC* Desc,
                                      std::shared_ptr<IDXGISwapChain>* Chain) {
  D2DTrace().Add("CreateSwapChain");
  Chain->reset();
  if (!Device || !Desc || Desc->OutputWindow == 0) return DXGI_ERROR_INVALID_CALL;
  HRESULT hr = nextFault(D2DFaults().LegacyChain);
  if (DeviceLost(hr)) Device->Removed = true;
  if (Device->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  if (FAILED(hr)) return hr;
  *Chain = std::make_shared<IDXGISwapChain>(Device, Desc->OutputWindow, int(std::min<UINT>(Desc->BufferDesc.Width, 1u << 30)),
                                            int(std::min<UINT>(Desc->BufferDesc.Height, 1u << 30)), false);
  return S_OK;
}

HRESULT IDXGIFactory2::CreateSwapChainForHwnd(const std::shared_ptr<ID3D11Device>& Device, HWND Window,
                                              const DXGI_SWAP_CHAIN_DESC1* Desc, const void*, const void*,
                                              std::shared_ptr<IDXGISwapChain1>* Chain) {
  D2DTrace().Add("CreateSwapChainForHwnd");
  Chain->reset();
  if (!Device || !Desc || Window == 0) return DXGI_ERROR_INVALID_CALL;
  HRESULT hr = nextFault(D2DFaults().FlipChain);
  if (DeviceLost(hr)) Device->Removed = true;
  if (Device->Removed) return DXGI_ERROR_DEVICE_REMOVED;
  if (FAILED(hr)) return hr;
  *Chain = std::make_shared<IDXGISwapChain1>(Device, Window, int(std::min<UINT>(Desc->Width, 1u << 30)),
                                             int(std::min<UINT>(Desc->Height, 1u << 30)), true);
  return S_OK;
}

}  // namespace ht::d2d
