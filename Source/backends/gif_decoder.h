#pragma once
// The GIF decoder of the core's registry, over the engine's GIF codec: the
// platform includes no engine code, so the back ends register it.
namespace ht {

// Registers (or replaces) the decoder named "gif"; safe to call again.
void HtRegisterGifDecoder();
void HtUnregisterGifDecoder();

}  // namespace ht
