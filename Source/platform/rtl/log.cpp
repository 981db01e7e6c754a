#include "platform/rtl/log.h"

#include <cstdio>
#include <mutex>

namespace ht {
namespace {

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}

TLogSink& Sink() {
  static TLogSink sink;
  return sink;
}

}  // namespace

void HtLog(StringView message) {
  // The sink runs under the lock so a sink being replaced is never called
  // after SetLogSink returned it.
  std::lock_guard<std::mutex> hold(SinkLock());
  if (Sink()) {
    Sink()(message);
    return;
  }
  std::string line = StringToUtf8(message);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

TLogSink SetLogSink(TLogSink sink) {
  std::lock_guard<std::mutex> hold(SinkLock());
  TLogSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

}  // namespace ht
