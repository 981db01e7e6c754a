#pragma once
// The HTTP client unit's start-up and shut-down, reached from a file of
// their own: the network layer's error class shares its name with the
// run-time layer's, so the client's header stays apart from the engine's.
namespace ht {

void StartHttpClientUnit();
void FinishHttpClientUnit();

}  // namespace ht
