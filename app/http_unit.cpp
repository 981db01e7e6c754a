#include "http_unit.h"

#include "host/inet_client.h"

namespace ht {

void StartHttpClientUnit() { HtInetInitialize(); }
void FinishHttpClientUnit() { HtInetFinalize(); }

}  // namespace ht
