// libFuzzer target: clipboard blocks from other programs. Any bytes read as
// an HTML Format or text block, and as a bitmap made into a BMP file, must
// neither crash nor read past the block; a BMP made must hold its own size
// in its header and only bytes of the block after it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/clipboard_blocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact sizes, so that ASan sees a read one byte past the block.
  const ht::THtBytes block(data, data + size);
  (void)ht::ClipboardBlockText(block);
  const ht::THtBytes bmp = ht::DIBtoBMP(block);
  if (bmp.empty()) return 0;
  uint32_t fileSize = 0, offset = 0;
  std::memcpy(&fileSize, bmp.data() + 2, 4);
  std::memcpy(&offset, bmp.data() + 10, 4);
  if (bmp.size() < 54 || fileSize != bmp.size() || offset > bmp.size() || bmp.size() - 14 > size) __builtin_trap();
  if (std::memcmp(bmp.data() + 14, data, bmp.size() - 14) != 0) __builtin_trap();
  return 0;
}
