#include "host/panel_web.h"

#include "host/inet_client.h"

namespace ht {

THtPanelWeb::THtPanelWeb() : FClient(std::make_unique<THtInetClient>()) {}

THtPanelWeb::~THtPanelWeb() = default;

String THtPanelWeb::Get(const String& URL) { return FClient->Get(URL); }

}  // namespace ht
