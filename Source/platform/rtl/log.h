#pragma once
// One sink for the messages worker threads and the dispatcher report (a pass
// that threw, a dropped subscriber). The default writes UTF-8 lines to
// stderr; tests and the host install their own. Safe from any thread.
#include <functional>

#include "platform/rtl/string.h"

namespace ht {

using TLogSink = std::function<void(StringView message)>;

void HtLog(StringView message);
// Installs a sink (empty restores the default) and returns the previous one.
TLogSink SetLogSink(TLogSink sink);

}  // namespace ht
