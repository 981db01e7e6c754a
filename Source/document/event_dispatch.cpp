// Running the document's queue of element events: each event's inline
// handler attribute and first listener through the script adapter, and the
// document's OnClick for clicks, with the current pointer event describing
// the event being run.
#include <utility>

#include "document/document.h"
#include "document/script_adapter.h"

namespace ht {

namespace {

// 1 left, 3 right, 2 middle, 0 none.
int buttonOf(TShiftState Shift) {
  if (Shift & ssLeft) return 1;
  if (Shift & ssRight) return 3;
  if (Shift & ssMiddle) return 2;
  return 0;
}

// A "disabled" attribute of any value but "false" makes the element inert:
// none of its events run.
bool isDisabled(const TElement& E) {
  return E.HasAttribute(u"disabled") && E.GetAttribute(u"disabled") != u"false";
}

THtObject* firstListener(const TElement& E, const String& Name) {
  if (!E.FListeners) return nullptr;
  for (const auto& [event, handler] : *E.FListeners)
    if (event == Name) return handler;
  return nullptr;
}

}  // namespace

void THtDocument::ProcessElementEvents() {
  if (FProcessingEvents) return;
  THtScriptAdapter* adapter = ScriptAdapter();
  if (!adapter) return;
  {
    std::lock_guard<std::recursive_mutex> guard(FEventLock);
    if (FEvents.empty()) return;
    // The whole queue is this run's batch; what handlers queue waits for
    // the next run.
    FRunningEvents = std::exchange(FEvents, {});
  }
  FProcessingEvents = true;
  struct TDone {
    THtDocument* Doc;
    ~TDone() {
      std::lock_guard<std::recursive_mutex> guard(Doc->FEventLock);
      Doc->FRunningEvents.clear();
      Doc->FProcessingEvents = false;
    }
  } done{this};
  // The batch stays in FRunningEvents while it runs, so that an element a
  // handler destroys is blanked in it: each step reads its entry again.
  auto element = [this](size_t I) {
    std::lock_guard<std::recursive_mutex> guard(FEventLock);
    return I < FRunningEvents.size() ? FRunningEvents[I].E : nullptr;
  };
  for (size_t i = 0; !Event.FStopped; ++i) {
    THtElementEvent ev;
    {
      std::lock_guard<std::recursive_mutex> guard(FEventLock);
      if (i >= FRunningEvents.size()) break;
      ev = FRunningEvents[i];
    }
    TElement* e = ev.E;
    if (!e || isDisabled(*e)) continue;
    const bool click = ev.Event == u"click";
    // A link's click is the last event of the batch: its ancestors' clicks
    // would follow the same press.
    if (click && e->Tag() == u"a") Event.FStopped = true;
    Event.Button = buttonOf(ev.Shift);
    Event.Shift = ev.Shift;
    Event.Target = ev.Target;
    const String script = e->GetAttribute(u"on" + ev.Event);
    if (!script.empty()) adapter->Run(e, ev.Event, script);
    if (!(e = element(i))) continue;
    if (THtObject* handler = firstListener(*e, ev.Event)) {
      adapter->RunFunction(e, handler, {});
      if (!(e = element(i))) continue;
    }
    if ((click || ev.Event == u"dblclick") && OnClick) OnClick(e);
  }
}

}  // namespace ht
