#include <filesystem>
#include <fstream>
#include <thread>

#include "canvas/image.h"
#include "canvas/meta_canvas.h"
#include "document/data_url.h"
#include "document/global.h"
#include "document/image_loader.h"
#include "document/paint_services.h"
#include "document_fixture.h"
#include "markup/base64.h"
#include "markup/html_tokenizer.h"
#include "platform/rtl/code_pages.h"

namespace ht::testing {
namespace {

String pngUrl(int W, int H) { return u"data:image/png;base64," + FastEncodeBase64(TracePng(W, H)); }

// A loader of the test's own that never runs by itself.
class ImagesTest : public DocumentTest {
 protected:
  void SetUp() override { SetImageLoader(std::make_unique<THtImageLoader>(false)); }
  void TearDown() override { SetImageLoader(nullptr); }
};

TEST(DataUrl, PayloadAfterTheFirstCommaDecodedByItsParameters) {
  struct Case {
    const char16_t* url;
    std::string bytes;  // expected bytes, or
    const char16_t* text;  // expected SVG text
  } cases[] = {
      {u"data:image/png;base64,QUJD", "ABC", nullptr},
      {u"data:image/png;charset=x;BASE64,QU JD\r\n", "ABC", nullptr},
      // Without ";base64" the payload is percent-decoded and "+" stays.
      {u"data:text/plain,c++%20x%2", "c++ x%2", nullptr},
      {u"data:,%00%FF", std::string("\0\xFF", 2), nullptr},
      // A comma in the payload belongs to it.
      {u"data:;base64x,a,b", "a,b", nullptr},
      {u"data:image/svg+xml;utf8,%3Csvg%20width='1'%3E", "", u"<svg width='1'>"},
      {u"data:image/svg+xml;charset=utf-8,<svg>\u00e9</svg>", "", u"<svg>\u00e9</svg>"},
  };
  for (const Case& c : cases) {
    TDataUrl d;
    ASSERT_TRUE(SplitDataUrl(c.url, d)) << StringToUtf8(c.url);
    THtBytes bytes;
    String text;
    DecodeDataUrl(d, bytes, text);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes) << StringToUtf8(c.url);
    EXPECT_EQ(text, c.text ? String(c.text) : String()) << StringToUtf8(c.url);
  }
  TDataUrl d;
  EXPECT_FALSE(SplitDataUrl(u"data:image/png;base64", d));
  EXPECT_FALSE(SplitDataUrl(u"Data:,x", d));
}

TEST_F(ImagesTest, DataUrlsShareOneObjectPerPayload) {
  auto doc = NewDocument();
  THtImage* a = doc->GetImage(pngUrl(20, 10), nullptr, false);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->LoadState, 2);
  EXPECT_EQ(a->Width, 20);
  EXPECT_EQ(doc->GetImage(pngUrl(20, 10), nullptr, false), a);
  // Two pictures that agree on their first kilobyte and more stay apart.
  THtBytes head(1200, 0x41), one = head, two = head;
  one.insert(one.begin(), {0xFF, 0xD8});
  two.insert(two.begin(), {0xFF, 0xD8});
  one.push_back(1);
  two.push_back(2);
  THtImage* j1 = doc->GetImage(u"data:image/jpeg;base64," + FastEncodeBase64(one), nullptr, false);
  THtImage* j2 = doc->GetImage(u"data:image/jpeg;base64," + FastEncodeBase64(two), nullptr, false);
  ASSERT_TRUE(j1 && j2);
  EXPECT_NE(j1, j2);
}

TEST_F(ImagesTest, BadDataGivesAFailedOrNullImage) {
  auto doc = NewDocument();
  EXPECT_EQ(doc->GetImage(u"data:image/png;base64", nullptr, false), nullptr);
  const String png = FastEncodeBase64(TracePng(4, 4));
  for (const String& url : {u"data:image/png;base64," + png.substr(0, 12), String(u"data:image/png;base64,!!!!"),
                            String(u"data:,"), String(u"data:image/gif;base64,R0lGOD")}) {
    THtImage* image = doc->GetImage(url, nullptr, false);
    ASSERT_NE(image, nullptr) << StringToUtf8(url);
    EXPECT_EQ(image->LoadState, 3) << StringToUtf8(url);
    EXPECT_FALSE(image->IsLoaded());
  }
}

// Paint services that record what the SVG rendering's document draws.
struct TViewPortProbe {
  static inline TRect Last{};
  static void Paint(THtDocument& D) { Last = D.Surface->Scene.ViewPort; }
  TViewPortProbe() {
    Services = NeutralPaintServices();
    Services.InternalPaint = &Paint;
    InstallPaintServices(&Services);
  }
  ~TViewPortProbe() { InstallPaintServices(nullptr); }
  THtPaintServices Services;
};

TEST_F(ImagesTest, SvgMarkupBecomesAVectorImage) {
  TViewPortProbe probe;
  auto doc = NewDocument();
  for (const String& url : {String(u"data:image/svg+xml;utf8,%3Csvg%20xmlns='x'%3E%3C/svg%3E"),
                            String(u"data:image/svg+xml;base64,") + EncodeBase64String(u"<svg></svg>")}) {
    TViewPortProbe::Last = {};
    THtImage* image = doc->GetImage(url, nullptr, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Kind, hikSVG);
    EXPECT_TRUE(image->IsVector && image->IsLoaded());
    EXPECT_NE(image->MetaList, nullptr);
    EXPECT_EQ(image->LoadState, 2);
    // Content of no size is drawn into 1000 pixels each way.
    EXPECT_EQ(TViewPortProbe::Last.Right, 1000);
    EXPECT_EQ(TViewPortProbe::Last.Bottom, 1000);
  }
}

TEST_F(ImagesTest, SourcesInOrderAndMissesCachedAsNull) {
  auto doc = NewDocument();
  int asked = 0;
  doc->OnGetImage = [&](THtDocument*, const String& Url, TElement*) {
    ++asked;
    return Url == u"a.png" ? TracePng(3, 2) : THtBytes();
  };
  doc->OnGetUrl = [](THtDocument*, const String&, TElement*) { return String(); };
  THtImage* a = doc->GetImage(u"a.png", nullptr, false);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Width, 3);
  EXPECT_EQ(doc->GetImage(u"a.png", nullptr, false), a);
  EXPECT_EQ(doc->GetImage(u"nothing.png", nullptr, false), nullptr);
  EXPECT_EQ(doc->GetImage(u"nothing.png", nullptr, false), nullptr);
  EXPECT_EQ(asked, 2);
  // The host's ready objects come before its bytes.
  doc->OnGetImageObject = [](THtDocument*, const String& Url, TElement*) -> THtImage* {
    if (Url != u"obj") return nullptr;
    auto* image = new TTraceImage;
    image->Width = 7;
    return image;
  };
  THtImage* obj = doc->GetImage(u"obj", nullptr, false);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->Width, 7);
  EXPECT_EQ(obj->LoadState, 2);
  // Only the URL is recorded when the user fetches the image itself.
  THtImage* ref = doc->GetImage(u"later.png", nullptr, true);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->Url, u"later.png");
  EXPECT_EQ(ref->LoadState, 0);
  EXPECT_EQ(asked, 2);
}

TEST_F(ImagesTest, LocalFilesAndResourceText) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("tarnwick-images-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub");
  const THtBytes png = TracePng(5, 6);
  std::ofstream(dir / "sub" / "a b.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
  auto doc = NewDocument();
  doc->CurrentFile = Utf8ToString((dir / "page.html").string());
  THtImage* image = doc->GetImage(u"sub/a b.png", nullptr, false);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Height, 6);
  EXPECT_EQ(THtDocument::ImageFiletoBytes(Utf8ToString((dir / "sub" / "a b.png").string())), png);
  EXPECT_TRUE(THtDocument::ImageFiletoBytes(u"  ").empty());
  EXPECT_TRUE(THtDocument::ImageFiletoBytes(u"/no/such/file.png").empty());
  EXPECT_EQ(THtDocument::ImageFiletoString(Utf8ToString((dir / "sub" / "a b.png").string())).size(), png.size());
  std::filesystem::remove_all(dir);

  // With a URL callback the text is the image (8-bit data).
  auto other = NewDocument();
  const String text = AnsiToString(std::string(png.begin(), png.end()));
  other->OnGetUrl = [&](THtDocument*, const String&, TElement*) { return text; };
  THtImage* fromText = other->GetImage(u"x.png", nullptr, false);
  ASSERT_NE(fromText, nullptr);
  EXPECT_EQ(fromText->Width, 5);
}

TEST_F(ImagesTest, BackgroundLoadingQueuesOneEmptyImage) {
  auto doc = NewDocument();
  doc->BackgroundImageLoading = true;
  THtImage* image = doc->GetImage(u"slow.png", nullptr, false);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->LoadState, 1);
  EXPECT_EQ(doc->GetImage(u"slow.png", nullptr, false), image);
  EXPECT_EQ(ImageLoader().QueueCount(), 1u);
  EXPECT_FALSE(doc->AllImagesLoaded());
  EXPECT_THROW(doc->SetCanvasClass(&THtMetaCanvas::ClassType), EHtmlParserException);
  EXPECT_EQ(doc->CanvasClass, &TTraceCanvas::ClassType);
  // Resetting the cache cancels the load of the image it frees.
  doc->ResetImageCache();
  EXPECT_EQ(ImageLoader().QueueCount(), 0u);
  EXPECT_TRUE(doc->AllImagesLoaded());
}

// Another back end, as far as the document can tell.
class TOtherCanvas : public TTraceCanvas {
 public:
  static const TTraceCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
};
const TTraceCanvasClass TOtherCanvas::ClassType{"TOtherCanvas", &TTraceCanvas::ClassType,
                                                CreateInstance<TOtherCanvas, THtCanvas>};

TEST_F(ImagesTest, CanvasClassChangeKeepsImagesOnlyBetweenRecorderAndItsReference) {
  const THtCanvasClass* savedRef = HtRefCanvasClass;
  HtRefCanvasClass = &TTraceCanvas::ClassType;
  auto doc = NewDocument();
  THtImage* image = doc->GetImage(pngUrl(2, 2), nullptr, false);
  doc->Surface->SetScaleFactor(2);
  doc->SetCanvasClass(&THtMetaCanvas::ClassType);
  EXPECT_NE(dynamic_cast<THtMetaCanvas*>(doc->Surface.get()), nullptr);
  EXPECT_EQ(doc->Surface->ScaleFactor(), 2);
  EXPECT_EQ(doc->GetImage(pngUrl(2, 2), nullptr, false), image);
  doc->SetCanvasClass(&TOtherCanvas::ClassType);
  EXPECT_EQ(doc->FImages->Count(), 0);
  HtRefCanvasClass = savedRef;
}

}  // namespace
}  // namespace ht::testing
