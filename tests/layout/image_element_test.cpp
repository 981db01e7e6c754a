#include "layout/image_element.h"

#include "canvas/exporters.h"
#include "canvas/image.h"
#include "canvas/pixel_buffer.h"
#include "layout/layout_style.h"
#include "layout_fixture.h"
#include "markup/base64.h"
#include "support/trace_canvas.h"

namespace ht::testing {
namespace {

String pngUrl(int W, int H) { return u"data:image/png;base64," + FastEncodeBase64(TracePng(W, H)); }

class ImageElementTest : public LayoutTest {
 protected:
  // The body's img and iframe elements after the style pass, the body 400
  // px wide.
  std::vector<TImageElement*> Parse(StringView Html) {
    Doc->Parse(String(Html));
    Doc->CalcSize(800, 600);
    std::vector<TImageElement*> out;
    for (THtNode* n = Doc.get(); n; n = n->NextNode()) {
      if (n->Tag() == u"body") Body = static_cast<TElement*>(n);
      if (auto* img = dynamic_cast<TImageElement*>(n)) out.push_back(img);
    }
    return out;
  }
  void Build() {
    Body->CalcBoxes(nullptr);
    Body->InnerWidth = 400;
    Body->SizeFlags |= sfWidthDefinite;
  }
  TElement* Body = nullptr;
};

TEST_F(ImageElementTest, SizesFromTheImageAndTheCss) {
  struct Case {
    const char16_t* Src;
    const char16_t* Css;
    float W, H;
  };
  const String png = pngUrl(200, 100);
  const Case cases[] = {
      {png.c_str(), u"", 200, 100},
      {png.c_str(), u"width:50px", 50, 25},
      {png.c_str(), u"max-width:120px", 120, 60},
      {png.c_str(), u"height:20px", 40, 20},
      {png.c_str(), u"width:30px; height:70px", 30, 70},
      {u"", u"", 16, 16},                           // no image at all
      {u"data:image/png;base64,AAAA", u"", 16, 16},  // a failed one
      {u"data:image/png;base64,AAAA", u"width:30px", 30, 0},
  };
  String html = u"<body style='margin:0'>";
  for (const Case& c : cases) html += u"<img src='" + String(c.Src) + u"' style='" + String(c.Css) + u"'>";
  auto imgs = Parse(html + u"</body>");
  ASSERT_EQ(imgs.size(), std::size(cases));
  Build();
  for (size_t i = 0; i < imgs.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i);
    TImageElement* img = imgs[i];
    EXPECT_EQ(DisplayOf(img), dsInlineBlock);
    // Box building, the sizing pass and CalcContentSize agree.
    EXPECT_EQ(img->ContentWidth, cases[i].W);
    EXPECT_EQ(img->ContentHeight, cases[i].H);
    EXPECT_EQ(img->LineBlocks.Get(0)->LogicalWidth, cases[i].W);
    img->CalcBoxSize(img->InnerDeltaX() + img->OuterDeltaX(), img->InnerDeltaY() + img->OuterDeltaY(), img->MinWidth(),
                     img->MaxWidth());
    EXPECT_EQ(img->InnerWidth, cases[i].W);
    EXPECT_EQ(img->InnerHeight, cases[i].H);
    img->CalcContentSize();
    EXPECT_EQ(img->ContentWidth, cases[i].W);
  }
  EXPECT_TRUE(imgs[0]->Loaded());
  EXPECT_FALSE(imgs[6]->Loaded());
  // Resetting the cache or the matrices drops the element's image.
  imgs[0]->ClearJointMatrix();
  EXPECT_EQ(imgs[0]->HI, nullptr);
  imgs[1]->LoadUrl();
  ASSERT_NE(imgs[1]->HI, nullptr);
  Doc->ResetImageCache();
  EXPECT_EQ(imgs[1]->HI, nullptr);
}

TEST_F(ImageElementTest, SourcesDecodedOnceAndEmbeddedDataKeptWhole) {
  int asked = 0;
  String lastUrl;
  Doc->OnGetImage = [&](THtDocument*, const String& Url, TElement*) {
    ++asked;
    lastUrl = Url;
    return TracePng(4, 2);
  };
  const String png = pngUrl(3, 3);
  auto imgs = Parse(u"<body><img src='a%20b.png'><img src=' c++.png' hspace=5><img src='" + png +
                    u"'><img xlink:href='x%41.png'></body>");
  ASSERT_EQ(imgs.size(), 4u);
  EXPECT_EQ(imgs[0]->Url(), u"a b.png");
  EXPECT_EQ(imgs[1]->Url(), u"c++.png");
  EXPECT_EQ(imgs[3]->Url(), u"xA.png");
  EXPECT_EQ(imgs[3]->Content(), u"");
  EXPECT_EQ(imgs[2]->Url(), png);
  EXPECT_TRUE(imgs[2]->Embedded());
  Build();
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(lastUrl, u"xA.png");
  EXPECT_EQ(imgs[1]->Style()->MarginPx(1), 5);
  EXPECT_EQ(imgs[1]->Style()->MarginPx(3), 5);
  // The embedded image gave up its attribute but is written back whole.
  EXPECT_EQ(imgs[2]->InlinePrefix, u"data:image/png;base64,");
  EXPECT_EQ(imgs[2]->GetAttribute(u"src"), u"");
  const String html = Body->GetOuterHTML();
  EXPECT_NE(html.find(u"src=\"data:image/png;base64," + EncodeBase64Bytes(TracePng(3, 3)) + u"\""), String::npos);
  EXPECT_EQ(imgs[2]->GetAttribute(u"src"), u"");
  // Every loaded image can be embedded.
  Doc->EmbedAllImages();
  EXPECT_EQ(imgs[0]->GetAttribute(u"src"), u"data:image/png;base64," + EncodeBase64Bytes(TracePng(4, 2)));
}

TEST_F(ImageElementTest, EndOfAResizeWritesTheSize) {
  auto imgs = Parse(u"<body><img src='" + pngUrl(40, 20) + u"' style='border:1px solid'><img src='" + pngUrl(40, 20) +
                    u"'></body>");
  Build();
  Doc->FUserWidth = 300;
  Doc->FUserHeight = 150;
  imgs[0]->ApplyUserSize();
  EXPECT_EQ(imgs[0]->GetAttribute(u"style"), u"border:1px solid;width:300px;height:150px;");
  EXPECT_EQ(imgs[0]->GetAttribute(u"width"), u"300");
  EXPECT_EQ(imgs[0]->GetAttribute(u"height"), u"150");
  EXPECT_EQ(Doc->FUserWidth, 0);
  // Without a user size the content size is written.
  imgs[1]->ApplyUserSize();
  EXPECT_EQ(imgs[1]->GetAttribute(u"width"), u"40");
  EXPECT_EQ(imgs[1]->GetAttribute(u"height"), u"20");
}

TEST_F(ImageElementTest, InlineFramesLoadNestedDocumentsButNeverThemselves) {
  int fetched = 0;
  Doc->CurrentFile = u"/site/page.html";
  Doc->OnGetUrl = [&](THtDocument*, const String& Url, TElement*) {
    ++fetched;
    return Url == u"inner.html" ? String(u"<p>inner<iframe src='page.html'></iframe>") : String(u"<p>x");
  };
  auto frames = Parse(u"<body><iframe src='inner.html' style='width:200px; height:100px'></iframe>"
                      u"<iframe src='page.html'></iframe></body>");
  ASSERT_EQ(frames.size(), 2u);
  auto* inner = static_cast<TIFrameElement*>(frames[0]);
  auto* self = static_cast<TIFrameElement*>(frames[1]);
  inner->LoadUrl();
  self->LoadUrl();
  ASSERT_TRUE(inner->Loaded());
  EXPECT_EQ(inner->NestedDocument()->CurrentFile, u"/site/inner.html");
  EXPECT_EQ(inner->NestedDocument()->ParentDocument, Doc.get());
  EXPECT_FALSE(self->Loaded());
  inner->LoadUrl();  // kept, not fetched again
  EXPECT_EQ(fetched, 1);
  // The nested document's own frame points back at its parent.
  for (THtNode* n = inner->NestedDocument(); n; n = n->NextNode())
    if (auto* f = dynamic_cast<TIFrameElement*>(n)) {
      f->LoadUrl();
      EXPECT_FALSE(f->Loaded());
    }
  inner->CalcContentSize();
  EXPECT_EQ(inner->ContentWidth, 200);
  EXPECT_EQ(inner->ContentHeight, 100);
}

TEST_F(ImageElementTest, NoFrameLoadsInEditorMode) {
  bool fetched = false;
  Doc->EditorMode = true;
  Doc->OnGetUrl = [&](THtDocument*, const String&, TElement*) {
    fetched = true;
    return String(u"<p>x");
  };
  auto frames = Parse(u"<body><iframe src='a.html' style='width:30px'></iframe></body>");
  Build();
  frames[0]->LoadUrl();
  EXPECT_FALSE(fetched);
  EXPECT_FALSE(frames[0]->Loaded());
  frames[0]->CalcContentSize();
  EXPECT_EQ(frames[0]->ContentWidth, 30);
  EXPECT_EQ(frames[0]->ContentHeight, 0);
}

}  // namespace
}  // namespace ht::testing

namespace ht::testing {
namespace {

TEST_F(ImageElementTest, ParsedDocumentLaysImagesOutAtTheirSize) {
  auto imgs = Parse(u"<body style='margin:0'><p style='margin:0'><img src='" + pngUrl(200, 100) +
                    u"'><img src='" + pngUrl(60, 30) + u"' style='width:30px; border:2px solid'></p></body>");
  ASSERT_EQ(imgs.size(), 2u);
  EXPECT_EQ(imgs[0]->CalcWidth(), 200);
  EXPECT_EQ(imgs[0]->CalcHeight(), 100);
  EXPECT_EQ(imgs[1]->CalcWidth(), 34);
  EXPECT_EQ(imgs[1]->CalcHeight(), 19);
  // Side by side on one line, bottoms on the baseline.
  EXPECT_EQ(imgs[1]->OuterRect.Left, 200);
  EXPECT_EQ(imgs[1]->OuterRect.Top, 81);
}

}  // namespace
}  // namespace ht::testing

namespace ht::testing {
namespace {

// Decodes a trace PNG into blank pixels of its size and encodes pixels as a
// trace PNG of theirs.
struct TFakeConverter : IHtImageConverter {
  std::unique_ptr<THtBitmapData> PNGtoBitmapData(const THtBytes& B) override {
    TTraceImage probe;
    probe.LoadFromBytes(B, false);
    return std::make_unique<THtBitmapData>(probe.Width, probe.Height, 32);
  }
  THtBytes BitmapDatatoPNG(const THtBitmapData& D) override { return TracePng(D.Width(), D.Height()); }
};

TEST_F(ImageElementTest, ResizeWithShiftCropsThroughTheConverter) {
  auto imgs = Parse(u"<body style='margin:0'><img src='" + pngUrl(200, 100) + u"' style='width:100px'></body>");
  ASSERT_EQ(imgs[0]->CalcWidth(), 100);
  THtImage* original = imgs[0]->HI;
  Doc->FCropImage = true;
  Doc->FUserWidth = 50;
  Doc->FUserHeight = 30;
  // Without a converter nothing is cropped.
  imgs[0]->ApplyUserSize();
  EXPECT_EQ(imgs[0]->HI, original);
  EXPECT_EQ(Doc->FUserWidth, 0);
  const std::shared_ptr<IHtImageConverter> saved = THtDocumentConverter::ImageConverter();
  THtDocumentConverter::RegisterImageConverter(std::make_shared<TFakeConverter>());
  Doc->FUserWidth = 50;
  Doc->FUserHeight = 30;
  imgs[0]->ApplyUserSize();
  THtDocumentConverter::RegisterImageConverter(saved);
  ASSERT_NE(imgs[0]->HI, original);
  // Half the shown width and three fifths of its height, in image pixels.
  EXPECT_EQ(imgs[0]->HI->Width, 100);
  EXPECT_EQ(imgs[0]->HI->Height, 60);
  EXPECT_EQ(imgs[0]->InlinePrefix, u"data:image/png;base64,");
  EXPECT_TRUE(Doc->NeedRecalc);
}

}  // namespace
}  // namespace ht::testing
