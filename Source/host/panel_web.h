#pragma once
// The panel's HTTP client. Kept behind its own header: the network layer's
// error class and the run-time layer's share a name, so no file may see the
// HTTP client and the document together. The client serialises its own
// requests, so the main thread and the image loader may share one.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

class THtInetClient;

class THtPanelWeb {
 public:
  THtPanelWeb();
  ~THtPanelWeb();
  // The text at URL (the client's Get).
  String Get(const String& URL);
  // The bytes at URL (the client's GetBytes).
  std::vector<uint8_t> GetBytes(const String& URL);
  THtInetClient& Client() { return *FClient; }

 private:
  std::unique_ptr<THtInetClient> FClient;
};

}  // namespace ht
