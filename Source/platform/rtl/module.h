#pragma once
// What kind of module the engine runs in.
#include <atomic>

namespace ht {

// True when the engine is loaded as a library by another program (set by
// that build before the units start): start-ups that would change
// process-wide choices of the host program leave them alone.
inline std::atomic<bool> IsLibrary{false};

}  // namespace ht
