#pragma once
// The panel's HTTP client, made on first use. Kept behind its own header:
// the network layer's error class and the run-time layer's share a name,
// so no file may see the HTTP client and the document together.
#include <memory>

#include "platform/rtl/string.h"

namespace ht {

class THtInetClient;

class THtPanelWeb {
 public:
  THtPanelWeb();
  ~THtPanelWeb();
  // The text at URL (the client's Get).
  String Get(const String& URL);

 private:
  std::unique_ptr<THtInetClient> FClient;
};

}  // namespace ht
