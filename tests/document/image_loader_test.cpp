#include "document/image_loader.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "canvas/image.h"
#include "document/global.h"
#include "document_fixture.h"
#include "platform/rtl/code_pages.h"

namespace ht::testing {
namespace {

using namespace std::chrono_literals;

// A loader of the test's own, posting to the test's dispatcher; driven by
// ProcessNext unless started.
class ImageLoaderTest : public DocumentTest {
 protected:
  TDispatcher dispatcher;

  THtImageLoader& Install(bool Start) {
    SetImageLoader(std::make_unique<THtImageLoader>(Start, &dispatcher));
    return ImageLoader();
  }
  void TearDown() override { SetImageLoader(nullptr); }

  std::unique_ptr<THtDocument> LoadingDocument(std::function<THtBytes(const String&)> Bytes) {
    auto doc = NewDocument();
    doc->BackgroundImageLoading = true;
    doc->OnGetImage = [Bytes](THtDocument*, const String& Url, TElement*) { return Bytes(Url); };
    return doc;
  }
};

TEST_F(ImageLoaderTest, DestroyingOneDocumentDropsOnlyItsRequests) {
  THtImageLoader& loader = Install(false);
  auto first = LoadingDocument([](const String&) { return TracePng(1, 1); });
  auto second = LoadingDocument([](const String&) { return TracePng(8, 4); });
  THtImage* mine = first->GetImage(u"a.png", nullptr, false);
  THtImage* theirs = second->GetImage(u"b.png", nullptr, false);
  THtImage* cached = first->GetImage(u"c.png", nullptr, false);
  EXPECT_EQ(loader.QueueCount(), 3u);
  // The image objects outlive the request only while their cache does: look
  // at their state through a cache reset rather than a destroyed document.
  first->OnGetImage = nullptr;
  loader.Unsubscribe(first.get());
  EXPECT_EQ(mine->LoadState, 0);
  EXPECT_EQ(cached->LoadState, 0);
  first.reset();
  EXPECT_EQ(loader.QueueCount(), 1u);
  EXPECT_TRUE(loader.ProcessNext());
  EXPECT_EQ(theirs->LoadState, 2);
  EXPECT_EQ(theirs->Width, 8);
  EXPECT_TRUE(second->AllImagesLoaded());
  EXPECT_FALSE(loader.ProcessNext());
}

TEST_F(ImageLoaderTest, ResultsEventsAndOneRefreshPerDocument) {
  THtImageLoader& loader = Install(false);
  auto doc = LoadingDocument([](const String& Url) {
    if (Url == u"empty") return THtBytes();
    if (Url == u"svg") return THtBytes{'<', 's', 'v', 'g', '>', '<', '/', 's', 'v', 'g', '>'};
    if (Url == u"junk") return THtBytes{'j', 'u', 'n', 'k', '!', '!', '!'};
    if (Url == u"throws") throw Exception(u"network down");
    return TracePng(2, 3);
  });
  std::vector<std::pair<THtImage*, bool>> events;
  doc->AfterImageLoaded = [&](THtImage* I) { events.emplace_back(I, true); };
  doc->OnImageLoadedFailed = [&](THtImage* I) { events.emplace_back(I, false); };
  int repaints = 0;
  doc->OnRepaint = [&](THtObject*) { ++repaints; };
  THtImage* png = doc->GetImage(u"png", nullptr, false);
  THtImage* empty = doc->GetImage(u"empty", nullptr, false);
  THtImage* svg = doc->GetImage(u"svg", nullptr, false);
  THtImage* junk = doc->GetImage(u"junk", nullptr, false);
  THtImage* thrown = doc->GetImage(u"throws", nullptr, false);
  doc->NeedRecalc = false;
  while (loader.ProcessNext()) {
  }
  EXPECT_EQ(png->LoadState, 2);
  EXPECT_EQ(png->Height, 3);
  EXPECT_EQ(empty->LoadState, 3);
  EXPECT_EQ(svg->LoadState, 2);
  EXPECT_TRUE(svg->IsVector);
  EXPECT_EQ(junk->LoadState, 3);
  EXPECT_EQ(thrown->LoadState, 3);
  const std::vector<std::pair<THtImage*, bool>> expected = {
      {png, true}, {empty, false}, {svg, true}, {junk, false}, {thrown, false}};
  EXPECT_EQ(events, expected);
  EXPECT_TRUE(doc->NeedRecalc && doc->NeedRepaint);
  // Five results, one refresh.
  EXPECT_EQ(dispatcher.Drain(), 1);
  EXPECT_EQ(repaints, 1);
  // A destroyed document's pending refresh is skipped.
  THtImage* late = doc->GetImage(u"late", nullptr, false);
  EXPECT_TRUE(loader.ProcessNext());
  EXPECT_EQ(late->LoadState, 2);
  doc.reset();
  EXPECT_EQ(dispatcher.Drain(), 0);
}

TEST_F(ImageLoaderTest, WithoutImageCallbackTheGlobalUrlCallbackServes) {
  THtImageLoader& loader = Install(false);
  auto doc = NewDocument();
  doc->BackgroundImageLoading = true;
  THtImage* waiting = doc->GetImage(u"a.png", nullptr, false);
  // No source at all: the image keeps waiting.
  EXPECT_TRUE(loader.ProcessNext());
  EXPECT_EQ(waiting->LoadState, 1);
  const THtBytes png = TracePng(9, 1);
  GetHtGlobal().SetOnGetUrl([&](THtDocument*, const String&, TElement*) { return AnsiToString(std::string(png.begin(), png.end())); });
  THtImage* text = doc->GetImage(u"b.png", nullptr, false);
  EXPECT_TRUE(loader.ProcessNext());
  GetHtGlobal().SetOnGetUrl(nullptr);
  EXPECT_EQ(text->LoadState, 2);
  EXPECT_EQ(text->Width, 9);
  EXPECT_FALSE(doc->AllImagesLoaded());  // a.png still waits
}

TEST_F(ImageLoaderTest, ThreadLoadsInTheBackground) {
  Install(true);
  auto doc = LoadingDocument([](const String& Url) { return TracePng(int(Url.size()), 1); });
  std::vector<THtImage*> images;
  for (const char16_t* url : {u"a", u"bb", u"ccc", u"dddd"}) images.push_back(doc->GetImage(url, nullptr, false));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return doc->AllImagesLoaded(); }, 10s));
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(images[i]->LoadState, 2);
    EXPECT_EQ(images[i]->Width, int(i + 1));
  }
}

TEST_F(ImageLoaderTest, DestroyDuringABlockedCallbackRaisesNothing) {
  Install(true);
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> events{0};
  auto doc = LoadingDocument([&](const String&) {
    entered.set_value();
    released.wait();
    return TracePng(1, 1);
  });
  doc->AfterImageLoaded = [&](THtImage*) { ++events; };
  doc->OnImageLoadedFailed = [&](THtImage*) { ++events; };
  doc->GetImage(u"slow", nullptr, false);
  entered.get_future().wait();
  // The destruction waits for the callback, which a helper lets go once
  // the destruction has begun.
  std::atomic<bool>* destroying = &doc->Destroying;
  std::thread helper([&] {
    while (!destroying->load()) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(5ms);
    release.set_value();
  });
  doc.reset();
  helper.join();
  SetImageLoader(nullptr);  // joins the thread: anything it would do is done
  EXPECT_EQ(events, 0);
  EXPECT_EQ(dispatcher.Drain(), 0);
}

TEST(ImageLoaderSniff, SvgDataNeedsMoreThanFiveBytes) {
  EXPECT_TRUE(THtImageLoader::IsSVGData({'<', 's', 'v', 'g', ' ', '/'}));
  EXPECT_TRUE(THtImageLoader::IsSVGData({'<', '?', 'x', 'm', 'l', ' '}));
  EXPECT_FALSE(THtImageLoader::IsSVGData({'<', 's', 'v', 'g', '>'}));
  EXPECT_FALSE(THtImageLoader::IsSVGData({'<', 'S', 'V', 'G', '>', ' '}));
}

}  // namespace
}  // namespace ht::testing
