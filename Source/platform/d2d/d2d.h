#pragma once
// The Direct2D, DXGI and Direct3D 11 facade over the drawing core. No GPU
// exists here: the Direct3D device is a token, a swap chain is a back and a
// front core surface, and Present hands the front to the window's present
// sink. Direct2D keeps its own semantics: float coordinates, a transform per
// target, axis-aligned clips and layers popped strictly in reverse push
// order (a wrong pop puts the target in an error state that EndDraw
// reports), gradient stops interpolated in gamma 2.2 (which is how cairo
// interpolates), dashes in multiples of the stroke width, arcs as Béziers.
//
// Interfaces are counted references (std::shared_ptr); calls keep the names,
// arguments and HRESULTs of the API they stand in for. Fault hooks
// (D2DFaults) let tests take every failure path the back end branches on.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/core/core_fonts.h"
#include "platform/core/core_path.h"
#include "platform/core/core_status.h"
#include "platform/core/core_surface.h"
#include "platform/gdi/gdi.h"

namespace ht::d2d {

using HRESULT = int32_t;
using UINT32 = uint32_t;
using UINT = unsigned;
using BOOL = int;
using HWND = uintptr_t;
using HMODULE = uintptr_t;

constexpr HRESULT HR(uint32_t v) { return HRESULT(v); }
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = HR(0x80004005), E_NOINTERFACE = HR(0x80004002), E_INVALIDARG = HR(0x80070057),
                  E_OUTOFMEMORY = HR(0x8007000E), E_UNEXPECTED = HR(0x8000FFFF);
constexpr HRESULT D2DERR_WRONG_STATE = HR(0x88990001), D2DERR_RECREATE_TARGET = HR(0x8899000C),
                  D2DERR_PUSH_POP_UNBALANCED = HR(0x88990016), D2DERR_POP_CALL_DID_NOT_MATCH_PUSH = HR(0x8899001A);
constexpr HRESULT DXGI_ERROR_INVALID_CALL = HR(0x887A0001), DXGI_ERROR_UNSUPPORTED = HR(0x887A0004),
                  DXGI_ERROR_DEVICE_REMOVED = HR(0x887A0005), DXGI_ERROR_DEVICE_HUNG = HR(0x887A0006),
                  DXGI_ERROR_DEVICE_RESET = HR(0x887A0007), DXGI_ERROR_ACCESS_LOST = HR(0x887A0026);
inline bool SUCCEEDED(HRESULT h) { return h >= 0; }
inline bool FAILED(HRESULT h) { return h < 0; }
// Codes after which the device must be made again.
inline bool DeviceLost(HRESULT h) {
  return h == DXGI_ERROR_DEVICE_REMOVED || h == DXGI_ERROR_DEVICE_HUNG || h == DXGI_ERROR_DEVICE_RESET;
}

// Surfaces larger than this (either side, or in pixels) are not made: a
// swap chain or bitmap past the budget has no pixels and presents nothing.
constexpr int kMaxSurfaceSide = 16384;
constexpr int64_t kMaxSurfacePixels = int64_t(1) << 26;
bool SurfaceWithinBudget(int64_t W, int64_t H);

// ---------------------------------------------------------------- values
struct D2D1_COLOR_F {
  float r = 0, g = 0, b = 0, a = 0;
};
struct D2D1_POINT_2F {
  float x = 0, y = 0;
};
struct D2D1_SIZE_F {
  float width = 0, height = 0;
};
struct D2D1_POINT_2U {
  UINT32 x = 0, y = 0;
};
struct D2D1_SIZE_U {
  UINT32 width = 0, height = 0;
};
struct D2D1_RECT_F {
  float left = 0, top = 0, right = 0, bottom = 0;
};
struct D2D1_RECT_U {
  UINT32 left = 0, top = 0, right = 0, bottom = 0;
};
struct D2D1_MATRIX_3X2_F {
  float _11 = 1, _12 = 0, _21 = 0, _22 = 1, _31 = 0, _32 = 0;
};
struct D2D1_ROUNDED_RECT {
  D2D1_RECT_F rect;
  float radiusX = 0, radiusY = 0;
};
struct D2D1_ELLIPSE {
  D2D1_POINT_2F point;
  float radiusX = 0, radiusY = 0;
};

constexpr UINT32 DXGI_FORMAT_B8G8R8A8_UNORM = 87;
enum D2D1_ALPHA_MODE : UINT32 { D2D1_ALPHA_MODE_UNKNOWN, D2D1_ALPHA_MODE_PREMULTIPLIED, D2D1_ALPHA_MODE_STRAIGHT,
                                D2D1_ALPHA_MODE_IGNORE };
struct D2D1_PIXEL_FORMAT {
  UINT32 format = DXGI_FORMAT_B8G8R8A8_UNORM;
  D2D1_ALPHA_MODE alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
};
struct D2D1_BITMAP_PROPERTIES {
  D2D1_PIXEL_FORMAT pixelFormat;
  float dpiX = 96, dpiY = 96;
};
enum D2D1_BITMAP_OPTIONS : UINT32 { D2D1_BITMAP_OPTIONS_NONE = 0, D2D1_BITMAP_OPTIONS_TARGET = 1,
                                    D2D1_BITMAP_OPTIONS_CANNOT_DRAW = 2 };
struct D2D1_BITMAP_PROPERTIES1 {
  D2D1_PIXEL_FORMAT pixelFormat;
  float dpiX = 96, dpiY = 96;
  UINT32 bitmapOptions = 0;
  void* colorContext = nullptr;
};
enum D2D1_RENDER_TARGET_TYPE : UINT32 { D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1_RENDER_TARGET_TYPE_SOFTWARE,
                                        D2D1_RENDER_TARGET_TYPE_HARDWARE };
struct D2D1_RENDER_TARGET_PROPERTIES {
  D2D1_RENDER_TARGET_TYPE type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
  D2D1_PIXEL_FORMAT pixelFormat;
  float dpiX = 96, dpiY = 96;
  UINT32 usage = 0, minLevel = 0;
};

enum D2D1_ANTIALIAS_MODE : UINT32 { D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, D2D1_ANTIALIAS_MODE_ALIASED };
// ClearType text is drawn grey: there is no sub-pixel rendering here.
enum D2D1_TEXT_ANTIALIAS_MODE : UINT32 { D2D1_TEXT_ANTIALIAS_MODE_DEFAULT, D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE,
                                         D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE, D2D1_TEXT_ANTIALIAS_MODE_ALIASED };
enum D2D1_GAMMA : UINT32 { D2D1_GAMMA_2_2, D2D1_GAMMA_1_0 };
enum D2D1_EXTEND_MODE : UINT32 { D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_MIRROR };
enum D2D1_BITMAP_INTERPOLATION_MODE : UINT32 { D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                                               D2D1_BITMAP_INTERPOLATION_MODE_LINEAR };
enum D2D1_CAP_STYLE : UINT32 { D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_SQUARE, D2D1_CAP_STYLE_ROUND,
                               D2D1_CAP_STYLE_TRIANGLE };
enum D2D1_LINE_JOIN : UINT32 { D2D1_LINE_JOIN_MITER, D2D1_LINE_JOIN_BEVEL, D2D1_LINE_JOIN_ROUND,
                               D2D1_LINE_JOIN_MITER_OR_BEVEL };
enum D2D1_DASH_STYLE : UINT32 { D2D1_DASH_STYLE_SOLID, D2D1_DASH_STYLE_DASH, D2D1_DASH_STYLE_DOT,
                                D2D1_DASH_STYLE_DASH_DOT, D2D1_DASH_STYLE_DASH_DOT_DOT, D2D1_DASH_STYLE_CUSTOM };
enum D2D1_FILL_MODE : UINT32 { D2D1_FILL_MODE_ALTERNATE, D2D1_FILL_MODE_WINDING };
enum D2D1_FIGURE_BEGIN : UINT32 { D2D1_FIGURE_BEGIN_FILLED, D2D1_FIGURE_BEGIN_HOLLOW };
enum D2D1_FIGURE_END : UINT32 { D2D1_FIGURE_END_OPEN, D2D1_FIGURE_END_CLOSED };
enum D2D1_SWEEP_DIRECTION : UINT32 { D2D1_SWEEP_DIRECTION_COUNTER_CLOCKWISE, D2D1_SWEEP_DIRECTION_CLOCKWISE };
enum D2D1_ARC_SIZE : UINT32 { D2D1_ARC_SIZE_SMALL, D2D1_ARC_SIZE_LARGE };
enum D2D1_LAYER_OPTIONS : UINT32 { D2D1_LAYER_OPTIONS_NONE, D2D1_LAYER_OPTIONS_INITIALIZE_FOR_CLEARTYPE };
enum D2D1_FACTORY_TYPE : UINT32 { D2D1_FACTORY_TYPE_SINGLE_THREADED, D2D1_FACTORY_TYPE_MULTI_THREADED };
enum D2D1_DEVICE_CONTEXT_OPTIONS : UINT32 { D2D1_DEVICE_CONTEXT_OPTIONS_NONE,
                                            D2D1_DEVICE_CONTEXT_OPTIONS_ENABLE_MULTITHREADED_OPTIMIZATIONS };

struct D2D1_STROKE_STYLE_PROPERTIES {
  D2D1_CAP_STYLE startCap = D2D1_CAP_STYLE_FLAT, endCap = D2D1_CAP_STYLE_FLAT, dashCap = D2D1_CAP_STYLE_FLAT;
  D2D1_LINE_JOIN lineJoin = D2D1_LINE_JOIN_MITER;
  float miterLimit = 0;
  D2D1_DASH_STYLE dashStyle = D2D1_DASH_STYLE_SOLID;
  float dashOffset = 0;
};
struct D2D1_GRADIENT_STOP {
  float position = 0;
  D2D1_COLOR_F color;
};
struct D2D1_BRUSH_PROPERTIES {
  float opacity = 1;
  D2D1_MATRIX_3X2_F transform;
};
struct D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES {
  D2D1_POINT_2F startPoint, endPoint;
};
struct D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES {
  D2D1_POINT_2F center, gradientOriginOffset;
  float radiusX = 0, radiusY = 0;
};
struct D2D1_BITMAP_BRUSH_PROPERTIES {
  D2D1_EXTEND_MODE extendModeX = D2D1_EXTEND_MODE_CLAMP, extendModeY = D2D1_EXTEND_MODE_CLAMP;
  D2D1_BITMAP_INTERPOLATION_MODE interpolationMode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
};
struct D2D1_ARC_SEGMENT {
  D2D1_POINT_2F point;
  D2D1_SIZE_F size;
  float rotationAngle = 0;
  D2D1_SWEEP_DIRECTION sweepDirection = D2D1_SWEEP_DIRECTION_COUNTER_CLOCKWISE;
  D2D1_ARC_SIZE arcSize = D2D1_ARC_SIZE_SMALL;
};
struct D2D1_BEZIER_SEGMENT {
  D2D1_POINT_2F point1, point2, point3;
};
struct D2D1_FACTORY_OPTIONS {
  UINT32 debugLevel = 0;
};

// Interface identities for the calls that choose what they create.
enum REFIID : UINT32 { IID_ID2D1Factory, IID_ID2D1Factory1, IID_IDWriteFactory, IID_IDXGIFactory1,
                       IID_IDXGIFactory2, IID_IDXGISurface1 };

// ---------------------------------------------------------------- trace and faults
core::TCallTrace& D2DTrace();

// Failure injection; ResetD2DFaults restores a healthy machine. Queues give
// the results of the next calls in order (an empty queue means success).
struct TD2DFaults {
  std::set<std::string> MissingLibraries;  // "d3d11.dll", "DWrite.dll", "d2d1.dll"
  std::set<std::string> MissingExports;    // "D2D1CreateFactory", ...
  HRESULT HardwareDevice = S_OK;           // D3D11CreateDevice with the hardware driver
  bool HardwareThrows = false;             // ... raises inside the call instead
  HRESULT WarpDevice = S_OK;               // D3D11CreateDevice with WARP
  bool NoFactory1 = false;                 // Direct2D 1.1 missing
  bool NoDXGIFactory2 = false;             // the adapter's factory is only IDXGIFactory1
  std::deque<HRESULT> FlipChain;           // CreateSwapChainForHwnd
  std::deque<HRESULT> LegacyChain;         // IDXGIFactory::CreateSwapChain (device-lost codes remove the device)
  std::deque<HRESULT> Present;             // Present / Present1 (device-lost codes remove the device)
  std::deque<HRESULT> EndDraw;             // ID2D1RenderTarget::EndDraw
  std::deque<HRESULT> WICFactory;          // creating the imaging factory
  std::deque<HRESULT> WICScaler;           // IWICImagingFactory::CreateBitmapScaler
};
TD2DFaults& D2DFaults();
void ResetD2DFaults();

// ---------------------------------------------------------------- base
class IUnknown {
 public:
  virtual ~IUnknown() = default;
};

template <class To, class From>
HRESULT QueryInterface(const std::shared_ptr<From>& Src, std::shared_ptr<To>* Out) {
  *Out = std::dynamic_pointer_cast<To>(Src);
  return *Out ? S_OK : E_NOINTERFACE;
}

// ---------------------------------------------------------------- DXGI / Direct3D
class IDXGISurface1;
class IDXGIAdapter;
class IDXGIFactory;
class ID2D1RenderTarget;

enum D3D_DRIVER_TYPE : UINT { D3D_DRIVER_TYPE_UNKNOWN = 0, D3D_DRIVER_TYPE_HARDWARE = 1,
                              D3D_DRIVER_TYPE_WARP = 5 };
enum D3D_FEATURE_LEVEL : UINT { D3D_FEATURE_LEVEL_9_1 = 0x9100, D3D_FEATURE_LEVEL_9_2 = 0x9200,
                                D3D_FEATURE_LEVEL_9_3 = 0x9300, D3D_FEATURE_LEVEL_10_0 = 0xA000,
                                D3D_FEATURE_LEVEL_10_1 = 0xA100, D3D_FEATURE_LEVEL_11_0 = 0xB000,
                                D3D_FEATURE_LEVEL_11_1 = 0xB100 };
constexpr UINT D3D11_CREATE_DEVICE_BGRA_SUPPORT = 0x20;
constexpr UINT D3D11_SDK_VERSION = 7;

class ID3D11DeviceContext : public IUnknown {};
// The device token; it also answers as its IDXGIDevice (QueryInterface).
class ID3D11Device : public IUnknown {
 public:
  // A removed device fails chain creation and presents with
  // DXGI_ERROR_DEVICE_REMOVED.
  bool Removed = false;
  D3D_DRIVER_TYPE DriverType = D3D_DRIVER_TYPE_HARDWARE;
};
class IDXGIDevice : public IUnknown {
 public:
  virtual HRESULT GetAdapter(std::shared_ptr<IDXGIAdapter>* Adapter) = 0;
};
class IDXGIAdapter : public IUnknown {
 public:
  // IID_IDXGIFactory1 or IID_IDXGIFactory2.
  virtual HRESULT GetParent(REFIID Riid, std::shared_ptr<IDXGIFactory>* Parent) = 0;
};

struct DXGI_SAMPLE_DESC {
  UINT Count = 1, Quality = 0;
};
constexpr UINT DXGI_USAGE_RENDER_TARGET_OUTPUT = 0x20;
enum DXGI_SWAP_EFFECT : UINT { DXGI_SWAP_EFFECT_DISCARD = 0, DXGI_SWAP_EFFECT_SEQUENTIAL = 1,
                               DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL = 3, DXGI_SWAP_EFFECT_FLIP_DISCARD = 4 };
enum DXGI_SCALING : UINT { DXGI_SCALING_STRETCH = 0, DXGI_SCALING_NONE = 1 };
enum DXGI_ALPHA_MODE : UINT { DXGI_ALPHA_MODE_UNSPECIFIED = 0, DXGI_ALPHA_MODE_IGNORE = 3 };
struct DXGI_MODE_DESC {
  UINT Width = 0, Height = 0;
  UINT RefreshNumerator = 0, RefreshDenominator = 0;
  UINT Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  UINT ScanlineOrdering = 0, Scaling = 0;
};
struct DXGI_SWAP_CHAIN_DESC {
  DXGI_MODE_DESC BufferDesc;
  DXGI_SAMPLE_DESC SampleDesc;
  UINT BufferUsage = 0, BufferCount = 0;
  HWND OutputWindow = 0;
  BOOL Windowed = 1;
  DXGI_SWAP_EFFECT SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  UINT Flags = 0;
};
struct DXGI_SWAP_CHAIN_DESC1 {
  UINT Width = 0, Height = 0;
  UINT Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  BOOL Stereo = 0;
  DXGI_SAMPLE_DESC SampleDesc;
  UINT BufferUsage = 0, BufferCount = 0;
  DXGI_SCALING Scaling = DXGI_SCALING_STRETCH;
  DXGI_SWAP_EFFECT SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  DXGI_ALPHA_MODE AlphaMode = DXGI_ALPHA_MODE_UNSPECIFIED;
  UINT Flags = 0;
};
struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
  int x = 0, y = 0;
};
struct DXGI_PRESENT_PARAMETERS {
  UINT DirtyRectsCount = 0;
  const RECT* pDirtyRects = nullptr;
  const RECT* pScrollRect = nullptr;
  const POINT* pScrollOffset = nullptr;
};

// What a window shows after a present: its swap chain's front surface.
using TPresentSink = std::function<void(HWND Window, const core::TCoreSurface& Front)>;
// The host (or a test) installs the sink; without one presents still run.
void SetPresentSink(TPresentSink Sink);

class IDXGISwapChain : public IUnknown {
 public:
  IDXGISwapChain(std::shared_ptr<ID3D11Device> Device, HWND Window, int W, int H, bool Flip);
  // Legacy present: the whole back buffer becomes the front.
  HRESULT Present(UINT SyncInterval, UINT Flags);
  // Buffer 0 as IDXGISurface1.
  HRESULT GetBuffer(UINT Buffer, REFIID Riid, std::shared_ptr<IDXGISurface1>* Surface);
  // Count 0 keeps the count. New, cleared buffers; bitmaps over the old
  // back buffer keep it alive but no longer reach the window.
  HRESULT ResizeBuffers(UINT Count, UINT W, UINT H, UINT Format, UINT Flags);

  core::TCoreSurface& Front() { return *FFront; }
  core::TCoreSurface& Back() { return *FBack; }
  bool Flip() const { return FFlip; }
  HWND Window() const { return FWindow; }
  const std::shared_ptr<ID3D11Device>& Device() const { return FDevice; }

 protected:
  HRESULT checkPresent();
  void hand();
  void makeBuffers(int W, int H);

  std::shared_ptr<ID3D11Device> FDevice;
  HWND FWindow;
  bool FFlip;
  std::shared_ptr<core::TCoreSurface> FBack, FFront;
};

class IDXGISwapChain1 : public IDXGISwapChain {
 public:
  using IDXGISwapChain::IDXGISwapChain;
  // Scrolls the front by the scroll rectangle and offset, copies the dirty
  // rectangles (all of it when none) from the back, then hands the front on.
  HRESULT Present1(UINT SyncInterval, UINT Flags, const DXGI_PRESENT_PARAMETERS* Params);
};

class IDXGIFactory : public IUnknown {
 public:
  HRESULT CreateSwapChain(const std::shared_ptr<ID3D11Device>& Device, const DXGI_SWAP_CHAIN_DESC* Desc,
                          std::shared_ptr<IDXGISwapChain>* Chain);
};
class IDXGIFactory1 : public IDXGIFactory {};
class IDXGIFactory2 : public IDXGIFactory1 {
 public:
  HRESULT CreateSwapChainForHwnd(const std::shared_ptr<ID3D11Device>& Device, HWND Window,
                                 const DXGI_SWAP_CHAIN_DESC1* Desc, const void* FullscreenDesc,
                                 const void* RestrictToOutput, std::shared_ptr<IDXGISwapChain1>* Chain);
};

class IDXGISurface1 : public IUnknown {
 public:
  explicit IDXGISurface1(std::shared_ptr<core::TCoreSurface> S) : Surface(std::move(S)) {}
  std::shared_ptr<core::TCoreSurface> Surface;
};

// ---------------------------------------------------------------- Direct2D resources
class ID2D1Resource : public IUnknown {};

class ID2D1StrokeStyle : public ID2D1Resource {
 public:
  ID2D1StrokeStyle(const D2D1_STROKE_STYLE_PROPERTIES& P, const float* Dashes, UINT32 Count);
  D2D1_STROKE_STYLE_PROPERTIES Props;
  std::vector<float> Dashes;  // custom pattern, in stroke widths
  // The core stroke for a width: dashes and offset become lengths; a square
  // or round dash cap grows every dash by the width.
  core::TCoreStroke ToCore(float Width) const;
};

class ID2D1GeometrySink;

class ID2D1Geometry : public ID2D1Resource {
 public:
  // Bounds of the figures under M (identity when null); an empty geometry
  // answers the inverted infinite rectangle, as Direct2D does.
  HRESULT GetBounds(const D2D1_MATRIX_3X2_F* M, D2D1_RECT_F* Bounds) const;
  HRESULT FillContainsPoint(D2D1_POINT_2F Point, const D2D1_MATRIX_3X2_F* M, float Tolerance,
                            BOOL* Contains) const;
  HRESULT StrokeContainsPoint(D2D1_POINT_2F Point, float Width, ID2D1StrokeStyle* Style,
                              const D2D1_MATRIX_3X2_F* M, float Tolerance, BOOL* Contains) const;
  // Drawable: a path geometry only once its sink is closed.
  virtual bool Ready() const { return true; }
  const core::TCorePath& CorePath() const { return FPath; }

 protected:
  core::TCorePath FPath;
};

class ID2D1RoundedRectangleGeometry : public ID2D1Geometry {
 public:
  explicit ID2D1RoundedRectangleGeometry(const D2D1_ROUNDED_RECT& R);
  D2D1_ROUNDED_RECT Rect;
};

class ID2D1PathGeometry : public ID2D1Geometry, public std::enable_shared_from_this<ID2D1PathGeometry> {
 public:
  // Opens the one sink of the geometry; a second Open fails.
  HRESULT Open(std::shared_ptr<ID2D1GeometrySink>* Sink);
  bool Ready() const override { return FClosed; }
  HRESULT GetFigureCount(UINT32* Count) const;

 private:
  friend class ID2D1GeometrySink;
  bool FOpened = false, FClosed = false;
  UINT32 FFigures = 0;
};

class ID2D1GeometrySink : public IUnknown {
 public:
  explicit ID2D1GeometrySink(std::shared_ptr<ID2D1PathGeometry> G) : FGeometry(std::move(G)) {}
  void SetFillMode(D2D1_FILL_MODE Mode);
  void BeginFigure(D2D1_POINT_2F Start, D2D1_FIGURE_BEGIN Begin);
  void AddLine(D2D1_POINT_2F P);
  void AddBezier(const D2D1_BEZIER_SEGMENT& B);
  // Elliptical arc from the current point (endpoint form); equal end points
  // add nothing, radii too small to reach are scaled up.
  void AddArc(const D2D1_ARC_SEGMENT& A);
  void EndFigure(D2D1_FIGURE_END End);
  // Commits the figures; D2DERR_WRONG_STATE after a misuse (a figure still
  // open, a segment outside a figure, a second Close).
  HRESULT Close();

 private:
  bool usable();
  std::shared_ptr<ID2D1PathGeometry> FGeometry;
  core::TCorePath FPath;
  bool FInFigure = false, FClosed = false;
  HRESULT FError = S_OK;
  UINT32 FFigures = 0;
};

class ID2D1Image : public ID2D1Resource {};

class ID2D1Bitmap : public ID2D1Image {
 public:
  ID2D1Bitmap(std::shared_ptr<core::TCoreSurface> S, D2D1_ALPHA_MODE Mode)
      : Surface(std::move(S)), AlphaMode(Mode) {}
  D2D1_SIZE_F GetSize() const;
  D2D1_SIZE_U GetPixelSize() const;
  // Copies SrcRect (all of the target when null) of the target's pixels to
  // DestPoint ((0, 0) when null).
  HRESULT CopyFromRenderTarget(const D2D1_POINT_2U* DestPoint, ID2D1RenderTarget* Target,
                               const D2D1_RECT_U* SrcRect);
  // Replaces DstRect (all of the bitmap when null) by premultiplied BGRA
  // rows Pitch bytes apart.
  HRESULT CopyFromMemory(const D2D1_RECT_U* DstRect, const void* Src, UINT32 Pitch);
  std::shared_ptr<core::TCoreSurface> Surface;
  D2D1_ALPHA_MODE AlphaMode;
};
class ID2D1Bitmap1 : public ID2D1Bitmap {
 public:
  using ID2D1Bitmap::ID2D1Bitmap;
  UINT32 Options = 0;
};

class ID2D1Brush : public ID2D1Resource {
 public:
  float Opacity = 1;
  D2D1_MATRIX_3X2_F Transform;
  // What the core paints with (user space of the draw call).
  virtual core::TCorePaint ToPaint() const = 0;
};
class ID2D1SolidColorBrush : public ID2D1Brush {
 public:
  void SetColor(const D2D1_COLOR_F& C);
  D2D1_COLOR_F GetColor() const { return FColor; }
  void SetOpacity(float O) { Opacity = O; }
  core::TCorePaint ToPaint() const override;

 private:
  D2D1_COLOR_F FColor;
};
class ID2D1GradientStopCollection : public ID2D1Resource {
 public:
  std::vector<D2D1_GRADIENT_STOP> Stops;
  D2D1_GAMMA Gamma = D2D1_GAMMA_2_2;
  D2D1_EXTEND_MODE Extend = D2D1_EXTEND_MODE_CLAMP;
};
class ID2D1LinearGradientBrush : public ID2D1Brush {
 public:
  D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES Props;
  std::shared_ptr<ID2D1GradientStopCollection> Stops;
  core::TCorePaint ToPaint() const override;
};
class ID2D1RadialGradientBrush : public ID2D1Brush {
 public:
  D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES Props;
  std::shared_ptr<ID2D1GradientStopCollection> Stops;
  core::TCorePaint ToPaint() const override;
};
class ID2D1BitmapBrush : public ID2D1Brush {
 public:
  std::shared_ptr<ID2D1Bitmap> Bitmap;
  D2D1_BITMAP_BRUSH_PROPERTIES Props;
  core::TCorePaint ToPaint() const override;
};
class ID2D1Layer : public ID2D1Resource {};

// A recorded sequence of drawing: a device context's target while it
// records, then drawn as an image. Held as a cairo recording surface.
class ID2D1CommandList : public ID2D1Image {
 public:
  ID2D1CommandList();
  // Ends recording; a list is drawable only once closed.
  HRESULT Close();
  bool Closed() const { return FClosed; }
  std::shared_ptr<core::TCoreSurface> Recording;

 private:
  bool FClosed = false;
};

// Effects: only the Gaussian blur exists, computed on the processor.
enum CLSID_D2D1Effect : UINT32 { CLSID_D2D1GaussianBlur = 1 };
enum D2D1_GAUSSIANBLUR_PROP : UINT32 { D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION = 0,
                                       D2D1_GAUSSIANBLUR_PROP_OPTIMIZATION = 1,
                                       D2D1_GAUSSIANBLUR_PROP_BORDER_MODE = 2 };
enum D2D1_BORDER_MODE : UINT32 { D2D1_BORDER_MODE_SOFT, D2D1_BORDER_MODE_HARD };
enum D2D1_INTERPOLATION_MODE : UINT32 { D2D1_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                                        D2D1_INTERPOLATION_MODE_LINEAR };
enum D2D1_COMPOSITE_MODE : UINT32 { D2D1_COMPOSITE_MODE_SOURCE_OVER };
class ID2D1Effect : public ID2D1Image, public std::enable_shared_from_this<ID2D1Effect> {
 public:
  void SetInput(UINT32 Index, std::shared_ptr<ID2D1Image> Input);
  HRESULT SetValue(UINT32 Index, float Value);
  // The effect's output is the effect itself.
  void GetOutput(std::shared_ptr<ID2D1Image>* Output);
  // The blurred input bitmap (null without one): premultiplied pixels the
  // input's size (hard borders) or grown by three deviations (soft).
  std::shared_ptr<core::TCoreSurface> Render(TPoint& Origin);

  float StandardDeviation = 3;
  UINT32 Optimization = 1;
  D2D1_BORDER_MODE BorderMode = D2D1_BORDER_MODE_SOFT;
  std::shared_ptr<ID2D1Image> Input;
};

struct D2D1_LAYER_PARAMETERS {
  D2D1_RECT_F contentBounds;
  ID2D1Geometry* geometricMask = nullptr;
  D2D1_ANTIALIAS_MODE maskAntialiasMode = D2D1_ANTIALIAS_MODE_PER_PRIMITIVE;
  D2D1_MATRIX_3X2_F maskTransform;
  float opacity = 1;
  ID2D1Brush* opacityBrush = nullptr;
  D2D1_LAYER_OPTIONS layerOptions = D2D1_LAYER_OPTIONS_NONE;
};

// ---------------------------------------------------------------- render targets
class IDWriteTextLayout;
class IWICBitmapSource;
class IWICBitmap;
class ID2D1RenderTarget : public ID2D1Resource {
 public:
  ID2D1RenderTarget();
  ~ID2D1RenderTarget() override;

  HRESULT CreateSolidColorBrush(const D2D1_COLOR_F& Color, const D2D1_BRUSH_PROPERTIES* Props,
                                std::shared_ptr<ID2D1SolidColorBrush>* Brush);
  HRESULT CreateGradientStopCollection(const D2D1_GRADIENT_STOP* Stops, UINT32 Count, D2D1_GAMMA Gamma,
                                       D2D1_EXTEND_MODE Extend,
                                       std::shared_ptr<ID2D1GradientStopCollection>* Collection);
  HRESULT CreateLinearGradientBrush(const D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES& LProps,
                                    const D2D1_BRUSH_PROPERTIES* Props,
                                    std::shared_ptr<ID2D1GradientStopCollection> Stops,
                                    std::shared_ptr<ID2D1LinearGradientBrush>* Brush);
  HRESULT CreateRadialGradientBrush(const D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES& RProps,
                                    const D2D1_BRUSH_PROPERTIES* Props,
                                    std::shared_ptr<ID2D1GradientStopCollection> Stops,
                                    std::shared_ptr<ID2D1RadialGradientBrush>* Brush);
  // Src holds premultiplied BGRA rows (Pitch bytes apart); null leaves the
  // bitmap transparent. Alpha mode ignore makes every pixel opaque.
  HRESULT CreateBitmap(D2D1_SIZE_U Size, const void* Src, UINT32 Pitch, const D2D1_BITMAP_PROPERTIES& Props,
                       std::shared_ptr<ID2D1Bitmap>* Bitmap);
  HRESULT CreateBitmapBrush(std::shared_ptr<ID2D1Bitmap> Bitmap, const D2D1_BITMAP_BRUSH_PROPERTIES* BProps,
                            const D2D1_BRUSH_PROPERTIES* Props, std::shared_ptr<ID2D1BitmapBrush>* Brush);
  HRESULT CreateLayer(const D2D1_SIZE_F* Size, std::shared_ptr<ID2D1Layer>* Layer);

  void BeginDraw();
  // The first failure recorded since BeginDraw (pops out of order, pushes
  // left open, geometries still open), else S_OK.
  HRESULT EndDraw(uint64_t* Tag1 = nullptr, uint64_t* Tag2 = nullptr);
  void SetTransform(const D2D1_MATRIX_3X2_F& M);
  void GetTransform(D2D1_MATRIX_3X2_F* M) const { *M = FTransform; }
  void SetAntialiasMode(D2D1_ANTIALIAS_MODE Mode);
  D2D1_ANTIALIAS_MODE GetAntialiasMode() const { return FAntialias; }
  void SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE Mode) { FTextAntialias = Mode; }
  D2D1_TEXT_ANTIALIAS_MODE GetTextAntialiasMode() const { return FTextAntialias; }
  D2D1_SIZE_F GetSize();

  void PushAxisAlignedClip(const D2D1_RECT_F& R, D2D1_ANTIALIAS_MODE Mode);
  void PopAxisAlignedClip();
  void PushLayer(const D2D1_LAYER_PARAMETERS& Params, ID2D1Layer* Layer);
  void PopLayer();

  // Replaces every pixel inside the clips by the colour (transparent when null).
  void Clear(const D2D1_COLOR_F* Color);
  void DrawLine(D2D1_POINT_2F P0, D2D1_POINT_2F P1, ID2D1Brush* Brush, float Width = 1,
                ID2D1StrokeStyle* Style = nullptr);
  void DrawRectangle(const D2D1_RECT_F& R, ID2D1Brush* Brush, float Width = 1, ID2D1StrokeStyle* Style = nullptr);
  void FillRectangle(const D2D1_RECT_F& R, ID2D1Brush* Brush);
  void DrawRoundedRectangle(const D2D1_ROUNDED_RECT& R, ID2D1Brush* Brush, float Width = 1,
                            ID2D1StrokeStyle* Style = nullptr);
  void FillRoundedRectangle(const D2D1_ROUNDED_RECT& R, ID2D1Brush* Brush);
  void DrawEllipse(const D2D1_ELLIPSE& E, ID2D1Brush* Brush, float Width = 1, ID2D1StrokeStyle* Style = nullptr);
  void FillEllipse(const D2D1_ELLIPSE& E, ID2D1Brush* Brush);
  void DrawGeometry(ID2D1Geometry* G, ID2D1Brush* Brush, float Width = 1, ID2D1StrokeStyle* Style = nullptr);
  void FillGeometry(ID2D1Geometry* G, ID2D1Brush* Brush, ID2D1Brush* OpacityBrush = nullptr);
  void DrawBitmap(ID2D1Bitmap* Bitmap, const D2D1_RECT_F* Dest, float Opacity,
                  D2D1_BITMAP_INTERPOLATION_MODE Mode, const D2D1_RECT_F* Src);
  // A bitmap of the source's pixels (32bppPBGRA, or 32bppBGR read as opaque).
  HRESULT CreateBitmapFromWicBitmap(IWICBitmapSource* Source, const D2D1_BITMAP_PROPERTIES* Props,
                                    std::shared_ptr<ID2D1Bitmap>* Bitmap);
  // Glyphs of Face at EmSize pixels, each at its baseline origin in user space.
  void DrawGlyphs(const core::TCoreFontFace& Face, float EmSize, const uint32_t* Glyphs,
                  const TPointF* Positions, int Count, ID2D1Brush* Brush);
  // Y moved so the baseline falls on a device pixel row (text is snapped
  // vertically unless the transform rotates or skews).
  float SnapTextBaseline(float X, float Y) const;
  // The layout's top-left at Origin; Options as D2D1_DRAW_TEXT_OPTIONS
  // (colour fonts draw as any other here). Defined with DirectWrite.
  void DrawTextLayout(D2D1_POINT_2F Origin, IDWriteTextLayout* Layout, ID2D1Brush* Brush, UINT32 Options = 0);

  bool Drawing() const { return FDrawing; }
  // Pushed clips and layers not yet popped.
  int PushDepth() const { return int(FPushes.size()); }
  // The pixels drawn on and the target's area in them (null without one).
  virtual core::TCoreSurface* TargetSurface(TRect& Area) = 0;

 protected:
  // Records the first failure of the drawing pass.
  void fail(HRESULT Hr);
  // Drawing is possible: inside BeginDraw, no failure, a target with pixels.
  bool ready();
  void applyState();
  void fillPath(const core::TCorePath& P, ID2D1Brush* Brush);
  void strokePath(const core::TCorePath& P, ID2D1Brush* Brush, float Width, ID2D1StrokeStyle* Style);

  struct TPush {
    bool Layer;
    core::TCoreMatrix Matrix;  // user space at the push (opacity masks)
    float Opacity;
    bool HasMask;
    core::TCorePaint Mask;
  };
  bool FDrawing = false;
  std::unique_ptr<core::TCoreContext> FCtx;  // null while the target has no pixels
  core::TCoreSurface* FSurface = nullptr;
  std::vector<TPush> FPushes;
  TRect FArea;
  D2D1_MATRIX_3X2_F FTransform;
  D2D1_ANTIALIAS_MODE FAntialias = D2D1_ANTIALIAS_MODE_PER_PRIMITIVE;
  D2D1_TEXT_ANTIALIAS_MODE FTextAntialias = D2D1_TEXT_ANTIALIAS_MODE_DEFAULT;
  HRESULT FError = S_OK;
  bool FApplied = false;    // the context has FTransform and FAntialias
  core::TCorePath FScratch;  // reused for rectangles
};

class ID2D1DCRenderTarget : public ID2D1RenderTarget {
 public:
  // Draws into the DC's bitmap inside R from the next BeginDraw on.
  HRESULT BindDC(gdi::HDC Dc, const RECT* R);
  core::TCoreSurface* TargetSurface(TRect& Area) override;

 private:
  gdi::HDC FDc = nullptr;
  RECT FRect;
};

// Draws into the pixels of a WIC bitmap.
class ID2D1WicBitmapRenderTarget : public ID2D1RenderTarget {
 public:
  explicit ID2D1WicBitmapRenderTarget(std::shared_ptr<IWICBitmap> B);
  core::TCoreSurface* TargetSurface(TRect& Area) override;
  std::shared_ptr<IWICBitmap> Bitmap;
};

class ID2D1DeviceContext : public ID2D1RenderTarget {
 public:
  // A bitmap or an open command list (which then records).
  void SetTarget(std::shared_ptr<ID2D1Image> Target);
  HRESULT CreateCommandList(std::shared_ptr<ID2D1CommandList>* List);
  HRESULT CreateEffect(CLSID_D2D1Effect Id, std::shared_ptr<ID2D1Effect>* Effect);
  // A closed command list or an effect's output with its top-left at
  // Offset ((0, 0) when null); ImageRect limits the part drawn.
  void DrawImage(ID2D1Image* Image, const D2D1_POINT_2F* Offset, const D2D1_RECT_F* ImageRect,
                 D2D1_INTERPOLATION_MODE Mode, D2D1_COMPOSITE_MODE Composite);
  std::shared_ptr<ID2D1Image> GetTarget() const { return FTarget; }
  HRESULT CreateBitmapFromDxgiSurface(const std::shared_ptr<IDXGISurface1>& Surface,
                                      const D2D1_BITMAP_PROPERTIES1* Props, std::shared_ptr<ID2D1Bitmap1>* Bitmap);
  core::TCoreSurface* TargetSurface(TRect& Area) override;

 private:
  std::shared_ptr<ID2D1Image> FTarget;
};

class ID2D1Device : public ID2D1Resource {
 public:
  explicit ID2D1Device(std::shared_ptr<ID3D11Device> D) : D3DDevice(std::move(D)) {}
  HRESULT CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS Options, std::shared_ptr<ID2D1DeviceContext>* Context);
  std::shared_ptr<ID3D11Device> D3DDevice;
};

class ID2D1Factory : public IUnknown {
 public:
  HRESULT CreatePathGeometry(std::shared_ptr<ID2D1PathGeometry>* Geometry);
  HRESULT CreateRoundedRectangleGeometry(const D2D1_ROUNDED_RECT& R,
                                         std::shared_ptr<ID2D1RoundedRectangleGeometry>* Geometry);
  HRESULT CreateStrokeStyle(const D2D1_STROKE_STYLE_PROPERTIES& Props, const float* Dashes, UINT32 Count,
                            std::shared_ptr<ID2D1StrokeStyle>* Style);
  HRESULT CreateDCRenderTarget(const D2D1_RENDER_TARGET_PROPERTIES& Props,
                               std::shared_ptr<ID2D1DCRenderTarget>* Target);
  HRESULT CreateWicBitmapRenderTarget(std::shared_ptr<IWICBitmap> Bitmap,
                                      const D2D1_RENDER_TARGET_PROPERTIES& Props,
                                      std::shared_ptr<ID2D1RenderTarget>* Target);
};
class ID2D1Factory1 : public ID2D1Factory {
 public:
  HRESULT CreateDevice(const std::shared_ptr<IDXGIDevice>& Device, std::shared_ptr<ID2D1Device>* D2DDevice);
};

// ---------------------------------------------------------------- DirectWrite, WIC (tokens for now)
class IDWriteFactory;  // platform/d2d/dwrite.h
enum DWRITE_FACTORY_TYPE : UINT32 { DWRITE_FACTORY_TYPE_SHARED, DWRITE_FACTORY_TYPE_ISOLATED };
struct DWRITE_FONT_FEATURE {
  UINT32 nameTag = 0;
  UINT32 parameter = 0;
};
class IWICImagingFactory;  // platform/d2d/wic.h
// Creates an imaging factory (CoCreateInstance of CLSID_WICImagingFactory).
HRESULT CreateWICImagingFactory(std::shared_ptr<IWICImagingFactory>* Factory);
// How many imaging factories were created in this process.
int WICFactoriesCreated();

// ---------------------------------------------------------------- entry points
using PFN_D3D11_CREATE_DEVICE = HRESULT (*)(IDXGIAdapter* Adapter, D3D_DRIVER_TYPE DriverType, HMODULE Software,
                                            UINT Flags, const D3D_FEATURE_LEVEL* Levels, UINT LevelCount,
                                            UINT SDKVersion, std::shared_ptr<ID3D11Device>* Device,
                                            D3D_FEATURE_LEVEL* Reached,
                                            std::shared_ptr<ID3D11DeviceContext>* Context);
using PFN_DWRITE_CREATE_FACTORY = HRESULT (*)(DWRITE_FACTORY_TYPE Type, REFIID Riid,
                                              std::shared_ptr<IDWriteFactory>* Factory);
using PFN_D2D1_CREATE_FACTORY = HRESULT (*)(D2D1_FACTORY_TYPE Type, REFIID Riid,
                                            const D2D1_FACTORY_OPTIONS* Options,
                                            std::shared_ptr<ID2D1Factory>* Factory);
using PFN_D2D1_MAKE_ROTATE_MATRIX = void (*)(float Angle, D2D1_POINT_2F Center, D2D1_MATRIX_3X2_F* M);

// 0 when the library is missing.
HMODULE LoadLibraryW(const char* Name);
// Null when the export (or the module) is missing.
void* GetProcAddress(HMODULE Module, const char* Name);

// The functions the entry points lead to. TARNWICK_NO_DIRECT3D=1 makes
// every device creation fail with DXGI_ERROR_UNSUPPORTED, as on a machine
// without Direct3D 11.
HRESULT D3D11CreateDevice(IDXGIAdapter* Adapter, D3D_DRIVER_TYPE DriverType, HMODULE Software, UINT Flags,
                          const D3D_FEATURE_LEVEL* Levels, UINT LevelCount, UINT SDKVersion,
                          std::shared_ptr<ID3D11Device>* Device, D3D_FEATURE_LEVEL* Reached,
                          std::shared_ptr<ID3D11DeviceContext>* Context);
HRESULT DWriteCreateFactory(DWRITE_FACTORY_TYPE Type, REFIID Riid, std::shared_ptr<IDWriteFactory>* Factory);
HRESULT D2D1CreateFactory(D2D1_FACTORY_TYPE Type, REFIID Riid, const D2D1_FACTORY_OPTIONS* Options,
                          std::shared_ptr<ID2D1Factory>* Factory);
void D2D1MakeRotateMatrix(float Angle, D2D1_POINT_2F Center, D2D1_MATRIX_3X2_F* M);

// Conversions shared with the back end.
core::TCoreMatrix ToCore(const D2D1_MATRIX_3X2_F& M);
uint32_t ToArgb(const D2D1_COLOR_F& C);

}  // namespace ht::d2d
