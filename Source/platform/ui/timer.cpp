#include "platform/ui/timer.h"

#include <glib.h>

#include "platform/ui/application.h"

namespace ht::ui {

TTimer::~TTimer() {
  *FAlive = false;
  SetEnabled(false);
}

void TTimer::SetEnabled(bool Value) {
  if (FSource) g_source_remove(FSource);
  FSource = 0;
  if (Value) FSource = g_timeout_add(guint(FInterval > 0 ? FInterval : 1), GSourceFunc(&TTimer::tick), this);
}

void TTimer::SetInterval(int Value) {
  FInterval = Value;
  if (FSource) SetEnabled(true);
}

int TTimer::tick(void* Self) {
  auto* t = static_cast<TTimer*>(Self);
  const std::shared_ptr<bool> alive = t->FAlive;
  const unsigned source = t->FSource;
  Guard([t] {
    if (t->OnTimer) t->OnTimer();
  });
  if (!*alive) return G_SOURCE_REMOVE;  // freed by its handler: the source went with it
  // Stopped or restarted by the handler: this source is gone already.
  if (t->FSource != source) return G_SOURCE_REMOVE;
  return G_SOURCE_CONTINUE;
}

}  // namespace ht::ui
