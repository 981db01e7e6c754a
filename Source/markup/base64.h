#pragma once
// Base64 (the RFC 4648 alphabet with "=" padding) to UTF-16 text and back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

using TBytes = std::vector<uint8_t>;

// Base64 without line breaks, allocated once at its final length. Uses the
// SSE4.2 block encoder when the processor has it; same text either way.
String FastEncodeBase64(const TBytes& bytes);
String FastEncodeBase64(const uint8_t* bytes, size_t count);

// Base64 with CR LF after every 76 characters, also after a last line that
// is exactly full (57 bytes give 76 characters and CR LF).
String EncodeBase64Bytes(const TBytes& bytes);
// The UTF-8 bytes of s, encoded as EncodeBase64Bytes does.
String EncodeBase64String(StringView s);
// The UTF-8 bytes of s in one unbroken line (HTTP header values).
String EncodeBase64StringUnbroken(StringView s);

// Decodes Base64 text. Characters outside the alphabet (line breaks, spaces)
// are skipped, the first "=" ends the data, and missing padding is allowed;
// bits that do not fill a last byte are dropped.
TBytes DecodeBase64ToBytes(StringView s);

// The two encoders behind FastEncodeBase64, for tests and benchmarks.
// EncodeBase64Scalar writes (count + 2) / 3 * 4 units with padding.
void EncodeBase64Scalar(const uint8_t* bytes, size_t count, char16_t* out);
// Encodes groups * 12 bytes into groups * 16 units, reading no byte beyond
// them. Only for processors with SSE4.2.
void EncodeBase64Block12(const uint8_t* bytes, size_t groups, char16_t* out);

}  // namespace ht
