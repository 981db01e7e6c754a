#include "backends/d2d_helper.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "backends/canvas_dx.h"

namespace ht {
namespace {

using namespace d2d;

// Every test starts from a healthy machine and no devices.
class D2DHelperTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    ResetD2DFaults();
    FreeD2DHelper();
    BindDirect2DEntryPoints();
    THtCanvasDX::ResetDirectXSupport();
    D2DTrace().Enabled = false;
    D2DTrace().Clear();
  }
};

TEST_F(D2DHelperTest, HardwareFailureFallsBackToWarp) {
  for (bool throws : {false, true}) {
    reset();
    D2DFaults().HardwareDevice = E_INVALIDARG;  // a runtime rejecting level 11.1
    D2DFaults().HardwareThrows = throws;
    THtD2DHelper& h = D2DHelper();
    EXPECT_EQ(h.D3DDevice->DriverType, D3D_DRIVER_TYPE_WARP);
    EXPECT_TRUE(h.D2DFactory1 && h.D2DDevice && h.DeviceContext && h.DWriteFactory && h.DXGIFactory2);
    EXPECT_EQ(h.DeviceContext->GetTextAntialiasMode(), D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
  }
}

TEST_F(D2DHelperTest, FailuresRaiseAndTheNextCallTriesAgain) {
  D2DFaults().HardwareDevice = E_FAIL;
  D2DFaults().WarpDevice = DXGI_ERROR_UNSUPPORTED;
  try {
    D2DHelper();
    FAIL() << "no exception";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode, DXGI_ERROR_UNSUPPORTED);
    EXPECT_EQ(e.Message(), u"OLE error 887A0004");
  }
  D2DFaults().WarpDevice = S_OK;
  EXPECT_NO_THROW(D2DHelper());

  struct Case {
    const char* Library;
    const char* Export;
    std::u16string Message;
  } cases[] = {
      {"", "D3D11CreateDevice", u"D3D11CreateDevice not supported"},
      {"d3d11.dll", "", u"D3D11CreateDevice not supported"},
      {"DWrite.dll", "", u"IDWriteFactory not supported"},
      {"d2d1.dll", "", u"D2D1CreateFactory not supported"},
  };
  for (const auto& c : cases) {
    reset();
    if (*c.Library) D2DFaults().MissingLibraries = {c.Library};
    if (*c.Export) D2DFaults().MissingExports = {c.Export};
    BindDirect2DEntryPoints();
    try {
      GetDWriteFactory();
      ADD_FAILURE() << c.Library << c.Export;
    } catch (const ENotSupportedException& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
    THtCanvasDX::ResetDirectXSupport();
    EXPECT_FALSE(THtCanvasDX::IsDirectXSupported());
  }
}

TEST_F(D2DHelperTest, WithoutDirect2D11TheBackEndIsNotUsable) {
  D2DFaults().NoFactory1 = true;
  THtD2DHelper& h = D2DHelper();
  EXPECT_TRUE(h.D2DFactory);
  EXPECT_FALSE(h.D2DFactory1 || h.D2DDevice || h.DeviceContext);
  // DC targets still work through the plain factory...
  auto t = h.CreateDCRenderTarget();
  EXPECT_EQ(t->GetTextAntialiasMode(), D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
  // ...but a window scene has no device to draw with, so the back end is
  // not chosen.
  EXPECT_FALSE(THtCanvasDX::IsDirectXSupported());
}

TEST_F(D2DHelperTest, NoDirect3DEnvironmentKeepsTheBackEndOff) {
  setenv("TARNWICK_NO_DIRECT3D", "1", 1);
  EXPECT_FALSE(THtCanvasDX::IsDirectXSupported());
  unsetenv("TARNWICK_NO_DIRECT3D");
  THtCanvasDX::ResetDirectXSupport();
  EXPECT_TRUE(THtCanvasDX::IsDirectXSupported());
}

TEST_F(D2DHelperTest, SwapChainKinds) {
  std::shared_ptr<IDXGISwapChain> legacy;
  std::shared_ptr<IDXGISwapChain1> flip;
  EXPECT_FALSE(D2DHelper().CreateSwapChain(5, 100, 50, false, legacy, flip));
  EXPECT_TRUE(flip && !legacy);
  EXPECT_FALSE(D2DHelper().CreateSwapChain(5, 100, 50, true, legacy, flip));
  EXPECT_TRUE(legacy && !flip);
  // A flip chain that cannot be made falls back to a legacy one.
  D2DFaults().FlipChain = {E_FAIL};
  D2DHelper().CreateSwapChain(5, 100, 50, false, legacy, flip);
  EXPECT_TRUE(legacy && !flip);
  // Other legacy failures give no chain and no error.
  D2DFaults().LegacyChain = {E_OUTOFMEMORY};
  EXPECT_FALSE(D2DHelper().CreateSwapChain(5, 100, 50, true, legacy, flip));
  EXPECT_TRUE(!legacy && !flip);

  reset();
  D2DFaults().NoDXGIFactory2 = true;
  EXPECT_FALSE(D2DHelper().DXGIFactory2);
  EXPECT_TRUE(D2DHelper().DXGIFactory1);
  D2DHelper().CreateSwapChain(5, 100, 50, false, legacy, flip);
  EXPECT_TRUE(legacy && !flip);
  std::shared_ptr<ID2D1Bitmap1> target;
  EXPECT_TRUE(D2DHelper().CreateTargetBitmap(D2DHelper().DeviceContext.get(), legacy.get(), target));
  EXPECT_EQ(target->GetPixelSize().width, 100u);
}

TEST_F(D2DHelperTest, LostDeviceAtChainCreationRemakesTheDevicesOnce) {
  auto oldDevice = D2DHelper().D3DDevice;
  std::shared_ptr<IDXGISwapChain> legacy;
  std::shared_ptr<IDXGISwapChain1> flip;
  D2DFaults().LegacyChain = {DXGI_ERROR_DEVICE_REMOVED};
  EXPECT_TRUE(D2DHelper().CreateSwapChain(5, 10, 10, true, legacy, flip));
  EXPECT_TRUE(legacy);
  EXPECT_NE(D2DHelper().D3DDevice, oldDevice);
  EXPECT_EQ(legacy->Device(), D2DHelper().D3DDevice);
  // A second failure raises.
  D2DFaults().LegacyChain = {DXGI_ERROR_DEVICE_HUNG, E_FAIL};
  EXPECT_THROW(D2DHelper().CreateSwapChain(5, 10, 10, true, legacy, flip), EOleSysError);
}

TEST_F(D2DHelperTest, ImagingFactoryIsMadeOnceAcrossThreads) {
  int before = WICFactoriesCreated();
  D2DHelper();
  std::shared_ptr<IWICImagingFactory> a, b;
  std::thread t([&] { a = D2DHelper().WICFactory(); });
  b = D2DHelper().WICFactory();
  t.join();
  EXPECT_EQ(a, b);
  EXPECT_EQ(D2DHelper().WICFactory(), a);
  EXPECT_EQ(WICFactoriesCreated(), before + 1);
  reset();
  D2DFaults().WICFactory = {E_OUTOFMEMORY};
  EXPECT_THROW(D2DHelper().WICFactory(), EOleSysError);
  EXPECT_TRUE(D2DHelper().WICFactory());
}

TEST_F(D2DHelperTest, ValueBuilders) {
  DWRITE_FONT_FEATURE f = DWriteFontFeature(u"liga", 1);
  EXPECT_EQ(f.nameTag, uint32_t('l' | 'i' << 8 | 'g' << 16 | 'a' << 24));
  EXPECT_EQ(f.parameter, 1u);
  D2D1_MATRIX_3X2_F m = D2D1MatrixMultiply({2, 0, 0, 2, 1, 1}, D2D1TranslationMatrix(10, 20));
  EXPECT_FLOAT_EQ(m._11, 2);
  EXPECT_FLOAT_EQ(m._31, 11);
  EXPECT_FLOAT_EQ(m._32, 21);
  D2D1_MATRIX_3X2_F r = D2D1RotationMatrix(90, {10, 10});
  // (20, 10) turns about (10, 10) to (10, 20).
  EXPECT_NEAR(20 * r._11 + 10 * r._21 + r._31, 10, 1e-4);
  EXPECT_NEAR(20 * r._12 + 10 * r._22 + r._32, 20, 1e-4);
}

}  // namespace
}  // namespace ht
