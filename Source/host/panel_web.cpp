#include "host/panel_web.h"

#include "host/inet_client.h"

namespace ht {

THtPanelWeb::THtPanelWeb() : FClient(std::make_unique<THtInetClient>()) {}

THtPanelWeb::~THtPanelWeb() = default;

String THtPanelWeb::Get(const String& URL) { return FClient->Get(URL); }

}  // namespace ht

namespace ht {

std::vector<uint8_t> THtPanelWeb::GetBytes(const String& URL) {
  const TBytes bytes = FClient->GetBytes(URL);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace ht
