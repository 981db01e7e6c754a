#include "document/animation_thread.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <exception>

#include "canvas/image.h"
#include "document/animation.h"
#include "document/document.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/log.h"

namespace ht {

namespace {

int64_t steadyMicroseconds() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

String messageOf(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    return x.Message();
  } catch (const std::exception& x) {
    return Utf8ToString(x.what());
  } catch (...) {
    return u"unknown exception";
  }
}

// The coalescing key of the hand-off: one RepaintDocs pending at a time.
const char repaintDocsKey = 0;

}  // namespace

// --- The thread --------------------------------------------------------------------------------

TBaseAnimationThread::TBaseAnimationThread(bool AStart, TAnimationClock AClock, TDispatcher* ADispatcher)
    : FClock(AClock ? std::move(AClock) : TAnimationClock(steadyMicroseconds)), FDispatcher(ADispatcher) {
  if (AStart) FThread = std::thread([this] { Execute(); });
}

TBaseAnimationThread::~TBaseAnimationThread() { Terminate(); }

void TBaseAnimationThread::Terminate() {
  FTerminated = true;
  {
    std::lock_guard<std::mutex> hold(FSleepLock);
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
  FLiveness.Kill();
}

void TBaseAnimationThread::RegisterDoc(THtObject* Doc) {
  std::lock_guard<std::mutex> hold(FAddLock);
  if (std::find(FAdded.begin(), FAdded.end(), Doc) == FAdded.end()) FAdded.push_back(Doc);
}

void TBaseAnimationThread::UnregisterDoc(THtObject* Doc) {
  std::lock_guard<std::recursive_mutex> docs(FDocsLock);
  {
    std::lock_guard<std::mutex> hold(FAddLock);
    std::erase(FAdded, Doc);
  }
  if (std::find(Docs.begin(), Docs.end(), Doc) != Docs.end() && !inUnr(Doc)) Unr.push_back(Doc);
}

bool TBaseAnimationThread::IsRegistered(THtObject* Doc) {
  std::lock_guard<std::recursive_mutex> docs(FDocsLock);
  {
    std::lock_guard<std::mutex> hold(FAddLock);
    if (std::find(FAdded.begin(), FAdded.end(), Doc) != FAdded.end()) return true;
  }
  return std::find(Docs.begin(), Docs.end(), Doc) != Docs.end() && !inUnr(Doc);
}

bool TBaseAnimationThread::inUnr(THtObject* Doc) const { return std::find(Unr.begin(), Unr.end(), Doc) != Unr.end(); }

uint64_t TBaseAnimationThread::Subscribe(THtAnimationProc Proc) {
  std::lock_guard<std::recursive_mutex> hold(FProcsLock);
  const uint64_t token = FNextToken++;
  Procs.push_back({token, std::move(Proc)});
  return token;
}

void TBaseAnimationThread::Unsubscribe(uint64_t Token) {
  // A procedure may unsubscribe itself while the pass walks the list: the
  // removal waits for the next pass, before any procedure is called.
  std::lock_guard<std::recursive_mutex> hold(FProcsLock);
  Unp.push_back(Token);
}

size_t TBaseAnimationThread::ProcCount() {
  std::lock_guard<std::recursive_mutex> hold(FProcsLock);
  size_t n = Procs.size();
  for (uint64_t t : Unp)
    if (std::any_of(Procs.begin(), Procs.end(), [&](const TProcRecord& r) { return r.Token == t; })) --n;
  return n;
}

void TBaseAnimationThread::Execute() {
  pthread_setname_np(pthread_self(), "HTAnimation");
  int64_t last = FClock();
  while (!FTerminated) {
    const int64_t now = FClock();
    const int32_t elapsed = int32_t(std::clamp<int64_t>((now - last) / 1000, 1, INT32_MAX));
    if (!Disabled) {
      RunPass(elapsed);
      last = now;
    }
    std::unique_lock<std::mutex> hold(FSleepLock);
    FWake.wait_for(hold, std::chrono::milliseconds(Step.load()), [&] { return FTerminated.load(); });
  }
}

void TBaseAnimationThread::RunPass(int32_t Elapsed) {
  try {
    pass(std::max(Elapsed, 1));
  } catch (...) {
    HtLog(u"HtAnimationThread: " + messageOf(std::current_exception()));
  }
}

void TBaseAnimationThread::pass(int32_t Elapsed) {
  bool repaint = false;
  {
    std::lock_guard<std::recursive_mutex> docs(FDocsLock);
    for (THtObject* d : Unr) std::erase(Docs, d);
    Unr.clear();
    {
      std::lock_guard<std::mutex> hold(FAddLock);
      for (THtObject* d : FAdded)
        if (std::find(Docs.begin(), Docs.end(), d) == Docs.end()) Docs.push_back(d);
      FAdded.clear();
    }
    for (size_t i = 0; i < Docs.size();) {
      THtObject* d = Docs[i];
      if (!inUnr(d) && !AnimateDoc(d, Elapsed, repaint)) {
        Docs.erase(Docs.begin() + ptrdiff_t(i));
        continue;
      }
      ++i;
    }
  }
  {
    std::lock_guard<std::recursive_mutex> procs(FProcsLock);
    for (uint64_t t : Unp) {
      auto it = std::find_if(Procs.begin(), Procs.end(), [&](const TProcRecord& r) { return r.Token == t; });
      if (it != Procs.end()) Procs.erase(it);
    }
    Unp.clear();
    const int32_t step = std::max(Elapsed, Step.load());
    // By index: a procedure may subscribe another one while it runs.
    for (size_t i = 0; i < Procs.size();) {
      THtAnimationProc proc = Procs[i].Proc;
      try {
        proc(step);
        ++i;
      } catch (...) {
        HtLog(u"HtAnimationThread: " + messageOf(std::current_exception()));
        Procs.erase(Procs.begin() + ptrdiff_t(i));
      }
    }
  }
  if (repaint)
    FDispatcher->Post([this] { RepaintDocs(); }, FLiveness.Token(), reinterpret_cast<TDispatcher::TKey>(&repaintDocsKey));
}

void TBaseAnimationThread::RepaintDocs() {
  std::lock_guard<std::recursive_mutex> docs(FDocsLock);
  for (size_t i = 0; i < Docs.size(); ++i) {
    if (FTerminated) break;
    if (inUnr(Docs[i])) continue;
    try {
      RepaintDoc(Docs[i]);
    } catch (...) {
      // A document that cannot repaint must not keep the others stale.
    }
  }
}

// --- THtDocument's thread ----------------------------------------------------------------------

TAnimationThread::~TAnimationThread() {
  // The loop calls this class's operations: stop it before they go.
  Terminate();
}

bool TAnimationThread::AnimateDoc(THtObject* Doc, int32_t AStep, bool& NeedRepaint) {
  auto* doc = static_cast<THtDocument*>(Doc);
  if (!doc->FVisible) return true;
  doc->Animate(AStep);
  if (doc->NeedRepaint || doc->Changed) {
    NeedRepaint = true;
    return true;
  }
  // Decided under the animation lock, which AddAnimation also holds while it
  // appends and reads SubscribedtoAnimation: an animation added now either
  // keeps the document here or subscribes it again.
  std::lock_guard<std::recursive_mutex> guard(doc->FAnimationLock);
  if (doc->Animations().empty() && !doc->HasAnimatedImages()) {
    doc->SubscribedtoAnimation = false;
    return false;
  }
  return true;
}

void TAnimationThread::RepaintDoc(THtObject* Doc) {
  auto* doc = static_cast<THtDocument*>(Doc);
  if (!doc->NeedRepaint) return;
  doc->ApplyAnimatedStyles();
  if (doc->Changed) doc->CalcStyle(doc->Styles.get());
  if (doc->NeedRecalc) doc->Recalc();
  doc->Repaint();
}

// --- The process's thread ----------------------------------------------------------------------

namespace {

std::mutex& threadLock() {
  static std::mutex lock;
  return lock;
}

std::unique_ptr<TAnimationThread>& theThread() {
  static std::unique_ptr<TAnimationThread> thread;
  return thread;
}

}  // namespace

TAnimationThread& AnimationThread() {
  std::lock_guard<std::mutex> hold(threadLock());
  if (!theThread()) theThread() = std::make_unique<TAnimationThread>();
  return *theThread();
}

bool AnimationThreadExists() {
  std::lock_guard<std::mutex> hold(threadLock());
  return theThread() != nullptr;
}

void SetAnimationThread(std::unique_ptr<TAnimationThread> AThread) {
  std::unique_ptr<TAnimationThread> old;
  {
    std::lock_guard<std::mutex> hold(threadLock());
    old = std::exchange(theThread(), std::move(AThread));
  }
  // Freed outside the lock: its last pass may still ask for the thread.
}

// --- The document's side -----------------------------------------------------------------------

void THtDocument::SubscribetoAnimation() {
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  if (SubscribedtoAnimation) return;
  AnimationThread().RegisterDoc(this);
  SubscribedtoAnimation = true;
}

void THtDocument::Animate(int32_t AStep) {
  if (Paged) return;
  bool changed = false, layout = false;
  {
    std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
    if (FAnimations.empty() && !FHasAnimatedImages) return;
    // An image only advances its frame here; painting reads the frame it
    // shows, so the main thread selects it (ApplyAnimatedStyles).
    if (FHasAnimatedImages && FImages)
      for (int32_t i = 0; i < FImages->Count(); ++i) {
        auto* image = static_cast<THtImage*>(FImages->GetObject(i));
        if (image && image->Animated && image->NextFrame(AStep)) {
          FNewImageFrames = true;
          changed = true;
        }
      }
    for (size_t i = 0; i < FAnimations.size();) {
      TAbstractAnimation* a = FAnimations[i].get();
      if (a->NextStep(AStep)) {
        changed = true;
        if (a->NeedRecalc) layout = true;
        // The element's flag word belongs to the main thread: list the
        // element for the hand-off instead of clearing its flag here.
        if (a->ChangeStyle && a->Element) {
          if (std::find(FAnimatedStyleElements.begin(), FAnimatedStyleElements.end(), a->Element) ==
              FAnimatedStyleElements.end())
            FAnimatedStyleElements.push_back(a->Element);
          Changed = true;
        }
        ++i;
      } else if (a->Active()) {
        ++i;
      } else {
        AnimationFinished(a);
        if (a->NeedRecalc) layout = true;
        FAnimations.erase(FAnimations.begin() + ptrdiff_t(i));
        changed = true;
      }
    }
  }
  if (changed) {
    NeedRepaint = true;
    if (layout) NeedRecalc = true;
    else ResetCache();
  }
}

void THtDocument::SetHasAnimatedImages(bool Value) {
  if (Value) IncludeFlag(efHasAnimatedImages);
  else ExcludeFlag(efHasAnimatedImages);
  FHasAnimatedImages = Value;
}

void THtDocument::AnimationFinished(TAbstractAnimation* Animation) {
  if (OnAnimationEnd) OnAnimationEnd(this, Animation);
  if (Animation->Element) QueueElementEvent(Animation->Element, u"transitionend", TShiftState());
  if (Animation->Transition) {
    Animation->Transition->Active = false;
    Animation->Transition->Animation = nullptr;
  }
}

void THtDocument::ApplyAnimatedStyles() {
  std::vector<TElement*> listed;
  {
    std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
    listed.swap(FAnimatedStyleElements);
    if (FNewImageFrames && FImages)
      for (int32_t i = 0; i < FImages->Count(); ++i)
        if (auto* image = static_cast<THtImage*>(FImages->GetObject(i)); image && image->Animated) image->SelectFrame();
    FNewImageFrames = false;
  }
  for (TElement* E : listed) E->StyleChanged(false);
}

}  // namespace ht
