#include "document/image_loader.h"

#include <pthread.h>

#include "canvas/image.h"
#include "document/global.h"
#include "markup/base64.h"
#include "platform/rtl/exception.h"

namespace ht {

namespace {

// The coalescing key of the refresh a finished image asks for; the target
// (the document's liveness) makes it one pending call per document.
const char imagesArrivedKey = 0;

void raise(const TAfterImageLoadedEvent& Event, THtImage* Image) {
  if (!Event) return;
  try {
    Event(Image);
  } catch (...) {
    // A failing handler must not stop the loader.
  }
}

}  // namespace

THtImageLoader::THtImageLoader(bool AStart, TDispatcher* ADispatcher) : FDispatcher(ADispatcher) {
  if (AStart) FThread = std::thread([this] { Execute(); });
}

THtImageLoader::~THtImageLoader() {
  Terminate();
  // Requests never worked leave their images as they were queued.
  std::lock_guard<std::mutex> queue(FQueueLock);
  FQueue.clear();
}

void THtImageLoader::Terminate() {
  {
    std::lock_guard<std::mutex> queue(FQueueLock);
    FTerminated = true;
  }
  FQueueChanged.notify_all();
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void THtImageLoader::LoadImage(const String& Url, THtDocument* Doc, THtImage* Image, bool IsInline) {
  if (FTerminated || !Doc || !Image) return;
  auto rec = std::make_unique<TImageLoadRec>();
  rec->Url = Url;
  rec->Doc = Doc;
  rec->Image = Image;
  rec->IsInline = IsInline;
  rec->OnGetImage = Doc->OnGetImage;
  rec->AfterImageLoaded = Doc->AfterImageLoaded;
  rec->OnImageLoadedFailed = Doc->OnImageLoadedFailed;
  rec->DocLife = Doc->LivenessToken();
  Image->LoadState = 1;
  {
    std::lock_guard<std::mutex> queue(FQueueLock);
    FQueue.push_back(std::move(rec));
  }
  FQueueChanged.notify_one();
}

void THtImageLoader::Unsubscribe(THtDocument* Doc) {
  // The loader's own temporary documents (SVG rendering) never queue
  // anything in work, and the thread holds the current lock while it
  // renders: only the queue is theirs to clean.
  const bool onLoader = FWorker.load() == std::this_thread::get_id();
  std::unique_lock<std::mutex> current(FCurrentLock, std::defer_lock);
  if (!onLoader) current.lock();
  {
    std::lock_guard<std::mutex> queue(FQueueLock);
    std::erase_if(FQueue, [&](const std::unique_ptr<TImageLoadRec>& r) {
      if (r->Doc != Doc) return false;
      r->Image->LoadState = 0;
      return true;
    });
  }
  if (onLoader || !FCurrent || FCurrent->Doc != Doc) return;
  FCurrent->Cancelled = true;
  FCurrent->Image->LoadState = 0;
  // The callback was handed the document: it may not outlive it.
  FFetchDone.wait(current, [&] { return !FFetching || FCurrent == nullptr || FCurrent->Doc != Doc; });
}

bool THtImageLoader::IsSVGData(const THtBytes& Bytes) {
  return Bytes.size() > 5 && Bytes[0] == '<' && (Bytes[1] == '?' || Bytes[1] == 's');
}

size_t THtImageLoader::QueueCount() {
  std::lock_guard<std::mutex> queue(FQueueLock);
  return FQueue.size();
}

void THtImageLoader::Execute() {
  pthread_setname_np(pthread_self(), "HtImageLoader");
  while (!FTerminated) {
    {
      std::unique_lock<std::mutex> queue(FQueueLock);
      FQueueChanged.wait(queue, [&] { return FTerminated || !FQueue.empty(); });
    }
    if (FTerminated) break;
    try {
      ProcessNext();
    } catch (...) {
      // Nothing leaves the loop; the request was dropped with the frame.
    }
  }
}

bool THtImageLoader::ProcessNext() {
  std::unique_ptr<TImageLoadRec> rec;
  {
    // Taken out and made current in one step, so Unsubscribe sees it in
    // one place or the other.
    std::lock_guard<std::mutex> current(FCurrentLock);
    std::lock_guard<std::mutex> queue(FQueueLock);
    if (FQueue.empty()) return false;
    rec = std::move(FQueue.front());
    FQueue.pop_front();
    FCurrent = rec.get();
  }
  FWorker = std::this_thread::get_id();
  struct TRelease {
    THtImageLoader* L;
    ~TRelease() {
      L->FWorker = std::thread::id();
      {
        std::lock_guard<std::mutex> current(L->FCurrentLock);
        L->FCurrent = nullptr;
        L->FFetching = false;
      }
      L->FFetchDone.notify_all();
    }
  } release{this};
  work(*rec);
  return true;
}

void THtImageLoader::work(TImageLoadRec& R) {
  // Runs the fetch without a lock, marked so Unsubscribe can wait for it.
  auto fetch = [&](auto&& Call) {
    {
      std::lock_guard<std::mutex> current(FCurrentLock);
      if (R.Cancelled) return false;
      FFetching = true;
    }
    try {
      Call();
    } catch (...) {
      // A failing fetch delivers nothing.
    }
    {
      std::lock_guard<std::mutex> current(FCurrentLock);
      FFetching = false;
    }
    FFetchDone.notify_all();
    return true;
  };

  THtBytes bytes;
  String text;
  bool isText = false;
  if (R.IsInline) {
    bytes = DecodeBase64ToBytes(R.Url);
  } else if (R.OnGetImage) {
    if (!fetch([&] { bytes = R.OnGetImage(R.Doc, R.Url, nullptr); })) return;
  } else {
    TGetUrlEvent handler = HtGlobalExists() ? GetHtGlobal().GetOnGetUrl() : TGetUrlEvent();
    // Without any source the image stays queued-looking (state 1).
    if (!handler) return;
    if (!fetch([&] { text = handler(R.Doc, R.Url, nullptr); })) return;
    isText = true;
  }
  if (FTerminated) return;

  std::lock_guard<std::mutex> current(FCurrentLock);
  if (R.Cancelled) return;
  THtImage* image = R.Image;
  if (!isText && bytes.empty()) {
    image->LoadState = 3;
    raise(R.OnImageLoadedFailed, image);
    finished(R);
    return;
  }
  try {
    if (isText) image->LoadFromString(text);
    else if (IsSVGData(bytes)) THtDocument::RenderSVGImage(image, bytes, String());
    else image->LoadFromBytes(bytes, true);
    if (!image->IsLoaded()) throw Exception(u"The image could not be decoded");
    // Every field the decoder wrote is published by this store.
    uint8_t loading = 1;
    image->LoadState.compare_exchange_strong(loading, 2);
    if (R.AfterImageLoaded) R.AfterImageLoaded(image);
  } catch (...) {
    image->LoadState = 3;
    raise(R.OnImageLoadedFailed, image);
  }
  finished(R);
}

void THtImageLoader::finished(TImageLoadRec& R) {
  // Held under FCurrentLock with the request not cancelled: the document
  // lives. Its flags are atomic; the refresh runs on the main thread. The
  // image's size (or the missing-image box) changes the layout.
  R.Doc->NeedRecalc = true;
  R.Doc->NeedRepaint = true;
  THtDocument* doc = R.Doc;
  FDispatcher->Post([doc] { doc->Repaint(); }, R.DocLife, reinterpret_cast<TDispatcher::TKey>(&imagesArrivedKey));
}

// --- The process's loader ----------------------------------------------------------------------

namespace {

std::mutex& loaderLock() {
  static std::mutex lock;
  return lock;
}

std::unique_ptr<THtImageLoader>& theLoader() {
  static std::unique_ptr<THtImageLoader> loader;
  return loader;
}

}  // namespace

THtImageLoader& ImageLoader() {
  std::lock_guard<std::mutex> hold(loaderLock());
  if (!theLoader()) theLoader() = std::make_unique<THtImageLoader>();
  return *theLoader();
}

bool ImageLoaderExists() {
  std::lock_guard<std::mutex> hold(loaderLock());
  return theLoader() != nullptr;
}

void SetImageLoader(std::unique_ptr<THtImageLoader> ALoader) {
  std::unique_ptr<THtImageLoader> old;
  {
    std::lock_guard<std::mutex> hold(loaderLock());
    old = std::exchange(theLoader(), std::move(ALoader));
  }
  // Stopped outside the lock: its last request may still ask for the loader.
}

}  // namespace ht
