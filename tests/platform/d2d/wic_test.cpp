// The imaging component of the facade: decoders, converter, scaler, WIC
// bitmaps and their render targets, command lists and the blur effect.
#include "platform/d2d/wic.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/core_image.h"

namespace ht::d2d {
namespace {

std::vector<uint8_t> png(int W, int H, const std::vector<uint32_t>& Px) {
  return core::EncodePNG(reinterpret_cast<const uint8_t*>(Px.data()), W, H);
}

// A straight-alpha source of fixed pixels.
class TStraight : public IWICBitmapSource {
 public:
  explicit TStraight(std::vector<uint8_t> P, UINT W) : FPx(std::move(P)), FW(W) {}
  HRESULT GetSize(UINT* W, UINT* H) override {
    *W = FW;
    *H = UINT(FPx.size() / 4 / FW);
    return S_OK;
  }
  HRESULT GetPixelFormat(WICPixelFormatGUID* F) override {
    *F = GUID_WICPixelFormat32bppBGRA;
    return S_OK;
  }
  HRESULT CopyPixels(const WICRect* Rect, UINT Stride, UINT Size, uint8_t* Buffer) override {
    UINT w, h;
    GetSize(&w, &h);
    WICRect r;
    HRESULT hr = CheckCopyRect(Rect, w, h, Stride, Size, r);
    if (FAILED(hr)) return hr;
    for (int y = 0; y < r.Height; ++y)
      std::memcpy(Buffer + y * Stride, FPx.data() + ((r.Y + y) * w + r.X) * 4, size_t(r.Width) * 4);
    return S_OK;
  }
  std::vector<uint8_t> FPx;
  UINT FW;
};

class WICFacade : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetD2DFaults();
    ASSERT_EQ(CreateWICImagingFactory(&wic), S_OK);
    D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory, nullptr, &factory);
  }
  void TearDown() override { ResetD2DFaults(); }
  std::shared_ptr<IWICBitmapDecoder> Decode(const std::vector<uint8_t>& Bytes, HRESULT* Hr = nullptr) {
    TMemoryStream st(Bytes.data(), Bytes.size());
    TStreamAdapter adapter(&st);
    std::shared_ptr<IWICBitmapDecoder> d;
    HRESULT hr = wic->CreateDecoderFromStream(&adapter, nullptr, WICDecodeMetadataCacheOnDemand, &d);
    if (Hr) *Hr = hr;
    return d;
  }
  std::shared_ptr<IWICImagingFactory> wic;
  std::shared_ptr<ID2D1Factory> factory;
};

TEST_F(WICFacade, DecodersFramesAndPixels) {
  auto d = Decode(png(2, 2, {0xFF0000FF, 0x80800000, 0, 0xFFFFFFFF}));
  ASSERT_TRUE(d);
  GUID_ContainerFormat f;
  d->GetContainerFormat(&f);
  EXPECT_EQ(f, GUID_ContainerFormatPng);
  UINT n = 0, w = 0, h = 0;
  d->GetFrameCount(&n);
  EXPECT_EQ(n, 1u);
  std::shared_ptr<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(d->GetFrame(0, &frame), S_OK);
  EXPECT_EQ(d->GetFrame(1, &frame), E_INVALIDARG);
  d->GetFrame(0, &frame);
  frame->GetSize(&w, &h);
  EXPECT_EQ(w, 2u);
  EXPECT_EQ(h, 2u);
  uint32_t px[4];
  ASSERT_EQ(frame->CopyPixels(nullptr, 8, 16, reinterpret_cast<uint8_t*>(px)), S_OK);
  EXPECT_EQ(px[0], 0xFF0000FFu);
  EXPECT_EQ(px[1], 0x80800000u);
  // One pixel out of a rectangle; rectangles and buffers that do not fit fail.
  WICRect r{1, 1, 1, 1};
  ASSERT_EQ(frame->CopyPixels(&r, 4, 4, reinterpret_cast<uint8_t*>(px)), S_OK);
  EXPECT_EQ(px[0], 0xFFFFFFFFu);
  WICRect out{1, 1, 2, 1};
  EXPECT_EQ(frame->CopyPixels(&out, 8, 8, reinterpret_cast<uint8_t*>(px)), E_INVALIDARG);
  EXPECT_EQ(frame->CopyPixels(nullptr, 8, 15, reinterpret_cast<uint8_t*>(px)), E_INVALIDARG);
  EXPECT_EQ(frame->CopyPixels(nullptr, 4, 16, reinterpret_cast<uint8_t*>(px)), E_INVALIDARG);
  // A still image answers no metadata.
  std::shared_ptr<IWICMetadataQueryReader> reader;
  EXPECT_EQ(frame->GetMetadataQueryReader(&reader), WINCODEC_ERR_PROPERTYNOTFOUND);
  // Bytes nothing reads.
  HRESULT hr;
  EXPECT_FALSE(Decode({'n', 'o', 'p', 'e', 0, 0, 0, 0}, &hr));
  EXPECT_EQ(hr, WINCODEC_ERR_COMPONENTNOTFOUND);
  EXPECT_FALSE(Decode({}, &hr));
}

TEST_F(WICFacade, ConverterPremultipliesAndScalerResamples) {
  auto src = std::make_shared<TStraight>(std::vector<uint8_t>{200, 100, 50, 128, 10, 20, 30, 255}, 2);
  std::shared_ptr<IWICFormatConverter> conv;
  wic->CreateFormatConverter(&conv);
  ASSERT_EQ(conv->Initialize(src, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                             WICBitmapPaletteTypeMedianCut),
            S_OK);
  EXPECT_EQ(conv->Initialize(src, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                             WICBitmapPaletteTypeMedianCut),
            WINCODEC_ERR_WRONGSTATE);
  uint8_t out[8];
  ASSERT_EQ(conv->CopyPixels(nullptr, 8, 8, out), S_OK);
  EXPECT_EQ((std::vector<int>(out, out + 8)), (std::vector<int>{100, 50, 25, 128, 10, 20, 30, 255}));
  // A source that never got a source answers "not initialised".
  std::shared_ptr<IWICFormatConverter> empty;
  wic->CreateFormatConverter(&empty);
  EXPECT_EQ(empty->CopyPixels(nullptr, 8, 8, out), WINCODEC_ERR_NOTINITIALIZED);

  // 4 x 1 (black, black, white, white) to 2 x 1 and to 8 x 2.
  std::shared_ptr<IWICBitmap> b;
  ASSERT_EQ(wic->CreateBitmap(4, 1, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, &b), S_OK);
  b->Surface->SetPixel(0, 0, 0xFF000000);
  b->Surface->SetPixel(1, 0, 0xFF000000);
  b->Surface->SetPixel(2, 0, 0xFFFFFFFF);
  b->Surface->SetPixel(3, 0, 0xFFFFFFFF);
  std::shared_ptr<IWICBitmapScaler> s;
  wic->CreateBitmapScaler(&s);
  ASSERT_EQ(s->Initialize(b, 8, 2, WICBitmapInterpolationModeLinear), S_OK);
  UINT w, h;
  s->GetSize(&w, &h);
  EXPECT_EQ(w, 8u);
  EXPECT_EQ(h, 2u);
  uint32_t row[16];
  ASSERT_EQ(s->CopyPixels(nullptr, 32, 64, reinterpret_cast<uint8_t*>(row)), S_OK);
  EXPECT_EQ(row[0], 0xFF000000u);
  EXPECT_EQ(row[15], 0xFFFFFFFFu);
  EXPECT_GT(row[4] & 0xFF, 0u);  // between black and white at the step
  EXPECT_LT(row[3] & 0xFF, 0xFFu);
  // A failing scaler is reported by the factory.
  D2DFaults().WICScaler = {E_OUTOFMEMORY};
  EXPECT_EQ(wic->CreateBitmapScaler(&s), E_OUTOFMEMORY);
  EXPECT_FALSE(s);
}

TEST_F(WICFacade, BitmapsCachesAndRenderTargets) {
  auto d = Decode(png(3, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
  std::shared_ptr<IWICBitmapFrameDecode> frame;
  d->GetFrame(0, &frame);
  std::shared_ptr<IWICBitmap> cached, uncached;
  ASSERT_EQ(wic->CreateBitmapFromSource(frame, WICBitmapCacheOnLoad, &cached), S_OK);
  ASSERT_EQ(wic->CreateBitmapFromSource(frame, WICBitmapNoCache, &uncached), S_OK);
  EXPECT_TRUE(cached->Surface);
  EXPECT_FALSE(uncached->Surface);  // reads the frame on every copy
  uint32_t a[3], b[3];
  cached->CopyPixels(nullptr, 12, 12, reinterpret_cast<uint8_t*>(a));
  uncached->CopyPixels(nullptr, 12, 12, reinterpret_cast<uint8_t*>(b));
  EXPECT_EQ(std::vector<uint32_t>(a, a + 3), std::vector<uint32_t>(b, b + 3));

  // A render target draws into the WIC bitmap's pixels; a Direct2D bitmap
  // made from it copies them.
  std::shared_ptr<IWICBitmap> canvas;
  wic->CreateBitmap(4, 4, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, &canvas);
  std::shared_ptr<ID2D1RenderTarget> rt;
  ASSERT_EQ(factory->CreateWicBitmapRenderTarget(canvas, D2D1_RENDER_TARGET_PROPERTIES(), &rt), S_OK);
  rt->BeginDraw();
  std::shared_ptr<ID2D1SolidColorBrush> green;
  rt->CreateSolidColorBrush({0, 1, 0, 1}, nullptr, &green);
  rt->FillRectangle({0, 0, 2, 4}, green.get());
  ASSERT_EQ(rt->EndDraw(), S_OK);
  EXPECT_EQ(canvas->Surface->Pixel(1, 1), 0xFF00FF00u);
  EXPECT_EQ(canvas->Surface->Pixel(3, 1), 0u);
  std::shared_ptr<ID2D1Bitmap> bmp;
  ASSERT_EQ(rt->CreateBitmapFromWicBitmap(canvas.get(), nullptr, &bmp), S_OK);
  EXPECT_EQ(bmp->Surface->Pixel(0, 3), 0xFF00FF00u);
  EXPECT_NE(bmp->Surface, canvas->Surface);
  // Straight alpha is not a Direct2D bitmap format.
  auto straight = std::make_shared<TStraight>(std::vector<uint8_t>{1, 2, 3, 4}, 1);
  EXPECT_EQ(rt->CreateBitmapFromWicBitmap(straight.get(), nullptr, &bmp), WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  // An update from memory replaces a rectangle only.
  std::shared_ptr<ID2D1Bitmap> two;
  ASSERT_EQ(rt->CreateBitmapFromWicBitmap(canvas.get(), nullptr, &two), S_OK);
  const uint32_t blue = 0xFF0000FF;
  D2D1_RECT_U r{3, 3, 4, 4};
  ASSERT_EQ(two->CopyFromMemory(&r, &blue, 4), S_OK);
  EXPECT_EQ(two->Surface->Pixel(3, 3), blue);
  EXPECT_EQ(two->Surface->Pixel(2, 3), 0u);
  D2D1_RECT_U outside{3, 3, 5, 4};
  EXPECT_EQ(two->CopyFromMemory(&outside, &blue, 8), E_INVALIDARG);
}

TEST_F(WICFacade, BlurEffectKeepsFlatAreasAndSoftensEdges) {
  auto dev = std::make_shared<ID2D1DeviceContext>();
  std::shared_ptr<ID2D1Effect> effect;
  EXPECT_EQ(dev->CreateEffect(CLSID_D2D1Effect(7), &effect), E_INVALIDARG);
  ASSERT_EQ(dev->CreateEffect(CLSID_D2D1GaussianBlur, &effect), S_OK);
  EXPECT_EQ(effect->SetValue(D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION, -1), E_INVALIDARG);
  auto surface = std::make_shared<core::TCoreSurface>(20, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 20; ++x) surface->SetPixel(x, y, x < 10 ? 0xFF000000 : 0xFFFFFFFF);
  effect->SetInput(0, std::make_shared<ID2D1Bitmap>(surface, D2D1_ALPHA_MODE_IGNORE));
  effect->SetValue(D2D1_GAUSSIANBLUR_PROP_BORDER_MODE, float(D2D1_BORDER_MODE_HARD));
  effect->SetValue(D2D1_GAUSSIANBLUR_PROP_STANDARD_DEVIATION, 2);
  TPoint origin;
  auto out = effect->Render(origin);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Width(), 20);  // hard borders keep the input's size
  EXPECT_EQ(origin.X, 0);
  EXPECT_EQ(out->Pixel(0, 2), 0xFF000000u);
  EXPECT_EQ(out->Pixel(19, 2), 0xFFFFFFFFu);
  const uint32_t left = out->Pixel(9, 2) & 0xFF, right = out->Pixel(10, 2) & 0xFF;
  EXPECT_GT(left, 0u);
  EXPECT_LT(right, 255u);
  EXPECT_EQ(left + right, 255u);  // symmetric about the step, within rounding
  // Soft borders grow by three deviations and fade out.
  effect->SetValue(D2D1_GAUSSIANBLUR_PROP_BORDER_MODE, float(D2D1_BORDER_MODE_SOFT));
  out = effect->Render(origin);
  EXPECT_EQ(origin.X, -6);
  EXPECT_EQ(out->Width(), 32);
  EXPECT_EQ(out->Pixel(0, 0) >> 24, 0u);
}

TEST_F(WICFacade, CommandListsRecordAndReplay) {
  auto dev = std::make_shared<ID2D1DeviceContext>();
  std::shared_ptr<ID2D1CommandList> list;
  dev->CreateCommandList(&list);
  dev->SetTarget(list);
  dev->BeginDraw();
  std::shared_ptr<ID2D1SolidColorBrush> red;
  dev->CreateSolidColorBrush({1, 0, 0, 1}, nullptr, &red);
  dev->FillRectangle({1, 1, 3, 3}, red.get());
  ASSERT_EQ(dev->EndDraw(), S_OK);
  // Drawing an open list is a misuse.
  auto pixels = std::make_shared<ID2D1Bitmap1>(std::make_shared<core::TCoreSurface>(8, 8), D2D1_ALPHA_MODE_PREMULTIPLIED);
  dev->SetTarget(pixels);
  dev->BeginDraw();
  dev->DrawImage(list.get(), nullptr, nullptr, D2D1_INTERPOLATION_MODE_LINEAR, D2D1_COMPOSITE_MODE_SOURCE_OVER);
  EXPECT_EQ(dev->EndDraw(), D2DERR_WRONG_STATE);
  ASSERT_EQ(list->Close(), S_OK);
  EXPECT_EQ(list->Close(), D2DERR_WRONG_STATE);
  dev->BeginDraw();
  D2D1_POINT_2F at{4, 4};
  dev->DrawImage(list.get(), &at, nullptr, D2D1_INTERPOLATION_MODE_LINEAR, D2D1_COMPOSITE_MODE_SOURCE_OVER);
  ASSERT_EQ(dev->EndDraw(), S_OK);
  EXPECT_EQ(pixels->Surface->Pixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(pixels->Surface->Pixel(2, 2), 0u);
  EXPECT_EQ(pixels->Surface->Pixel(7, 7), 0u);
}

}  // namespace
}  // namespace ht::d2d
