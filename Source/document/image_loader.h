#pragma once
// The process-wide image loader ("HtImageLoader"): documents that load
// images in the background queue requests here; the thread works through
// them first in, first out. It fetches the bytes through the document's
// image callback (or, for a document without one, the text through the
// global URL callback), lets the waiting image decode them or renders SVG
// text into it, marks the image loaded (2) or failed (3), raises the
// document's image events and posts one coalesced refresh of the document
// to the main thread.
//
// Ownership: the thread alone owns the request it works on; Unsubscribe only
// cancels it. Callbacks and events are copied from the document when the
// request is queued, so the thread never reads the document's fields.
//
// Locks: FQueueLock guards the queue; FCurrentLock guards the request in
// work and every use of its image and document by the thread. The fetch
// runs under neither; Unsubscribe waits for a fetch of its document to
// return, so the callback never sees a half-destroyed document.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "canvas/canvas_types.h"
#include "document/document.h"
#include "platform/rtl/dispatcher.h"

namespace ht {

class TImageLoadRec {
 public:
  String Url;  // the image URL; for an inline request the Base64 text of the data
  THtDocument* Doc = nullptr;  // not owned
  THtImage* Image = nullptr;   // owned by the document's image cache
  bool IsInline = false;
  // Copied from the document when queued.
  TGetImageEvent OnGetImage;
  TAfterImageLoadedEvent AfterImageLoaded, OnImageLoadedFailed;
  TLivenessToken DocLife;
  bool Cancelled = false;  // guarded by FCurrentLock
};

class THtImageLoader {
 public:
  // AStart false: no thread runs; tests work the queue with ProcessNext.
  explicit THtImageLoader(bool AStart = true, TDispatcher* ADispatcher = &TDispatcher::Main());
  ~THtImageLoader();  // stops the thread and frees the requests still queued
  THtImageLoader(const THtImageLoader&) = delete;
  THtImageLoader& operator=(const THtImageLoader&) = delete;

  // Main thread. Nothing once the thread is terminating; otherwise the
  // image's load state becomes 1 and the request joins the queue.
  void LoadImage(const String& Url, THtDocument* Doc, THtImage* Image, bool IsInline);
  // Main thread. Doc's queued requests leave the queue (their images back
  // to state 0); a request of Doc in work is cancelled (state 0, no result,
  // no event), after waiting for its fetch to return.
  void Unsubscribe(THtDocument* Doc);
  // More than 5 bytes, starting with "<" and then "?" or "s".
  static bool IsSVGData(const THtBytes& Bytes);

  // Works one request; false when the queue was empty.
  bool ProcessNext();
  size_t QueueCount();
  void Terminate();
  bool Terminated() const { return FTerminated; }

 private:
  void Execute();
  void work(TImageLoadRec& R);
  void finished(TImageLoadRec& R);

  std::mutex FQueueLock;
  std::condition_variable FQueueChanged;
  std::deque<std::unique_ptr<TImageLoadRec>> FQueue;  // guarded by FQueueLock
  std::mutex FCurrentLock;
  std::condition_variable FFetchDone;
  TImageLoadRec* FCurrent = nullptr;  // guarded by FCurrentLock
  bool FFetching = false;             // guarded by FCurrentLock: FCurrent's fetch is running
  std::atomic<bool> FTerminated{false};
  std::atomic<std::thread::id> FWorker{};  // the thread working a request, while it does
  TDispatcher* FDispatcher;
  std::thread FThread;
};

// The process's loader: made and started by the first background load,
// stopped by the document unit's shut-down.
THtImageLoader& ImageLoader();
bool ImageLoaderExists();
// Replaces the process's loader (null stops and frees it); tests install
// one they drive by hand.
void SetImageLoader(std::unique_ptr<THtImageLoader> ALoader);

}  // namespace ht
