#pragma once
// Image decoding behind one interface. A decoder turns encoded bytes into
// frames of 32-bit premultiplied BGRA rows (top-down, stride 4 x width),
// each with its delay and disposal; animated formats hand every frame
// already composited. Decoders are registered in one process-wide list and
// tried in order: PNG, JPEG, TIFF, WebP, BMP and ICO are built in; the back
// ends add GIF (the platform includes no engine code).
//
// A pixel budget refuses hostile sizes before anything is allocated: no
// side over HtMaxImageSide and no more than HtMaxImagePixels pixels over all
// frames. Bytes that no decoder reads give false, never an exception.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ht::core {

constexpr int64_t HtMaxImageSide = 32767;
constexpr int64_t HtMaxImagePixels = int64_t(1) << 26;  // 256 MB of 32-bit pixels

// Whether an image of W x H with Frames frames fits the budget (positive
// sizes only).
bool WithinPixelBudget(int64_t W, int64_t H, int64_t Frames = 1);

enum TCoreDisposal : uint8_t { cdUnspecified, cdNone, cdBackground, cdPrevious };

// Leaves new bytes uninitialised on resize: a decoder that writes every
// row need not clear megabytes first (AddFrame clears when asked).
template <class T>
struct TUninitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = TUninitAllocator<U>;
  };
  TUninitAllocator() = default;
  template <class U>
  TUninitAllocator(const TUninitAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
};
using TPixelBytes = std::vector<uint8_t, TUninitAllocator<uint8_t>>;

struct TCoreImageFrame {
  TPixelBytes Bits;  // premultiplied BGRA, top-down, 4 x width per row
  int Delay = 0;              // hundredths of a second
  TCoreDisposal Disposal = cdUnspecified;
};

struct TCoreImage {
  int Width = 0, Height = 0;
  std::vector<TCoreImageFrame> Frames;
  std::string Format;  // the decoder's name
  // Allocates one frame after checking the budget for Count frames; false
  // (nothing allocated) when it does not fit. Clear false leaves the bytes
  // for a decoder that writes every row.
  bool AddFrame(int Count = 1, bool Clear = true);
  uint8_t* Row(size_t Frame, int y) { return Frames[Frame].Bits.data() + size_t(y) * size_t(Width) * 4; }
};

class TCoreImageDecoder {
 public:
  virtual ~TCoreImageDecoder() = default;
  virtual std::string_view Name() const = 0;
  // A cheap look at the signature.
  virtual bool CanRead(const uint8_t* Data, size_t Size) const = 0;
  // Fills Image; false on any failure (Image is then left empty). May throw
  // for corrupt data: the registry catches.
  virtual bool Decode(const uint8_t* Data, size_t Size, TCoreImage& Image) const = 0;
};

// Adds a decoder after the others (or replaces one of the same name).
void RegisterImageDecoder(std::shared_ptr<TCoreImageDecoder> Decoder);
void UnregisterImageDecoder(std::string_view Name);
std::vector<std::string> ImageDecoderNames();
// The first decoder whose signature matches reads the bytes; false with an
// empty Image when none can. Safe on any thread.
bool DecodeImage(const uint8_t* Data, size_t Size, TCoreImage& Image);

// Writers. Pixels are premultiplied BGRA rows, top-down.
std::vector<uint8_t> EncodePNG(const uint8_t* Bits, int Width, int Height);
// An icon file of one image stored as PNG (sides up to 256).
std::vector<uint8_t> EncodeICO(const uint8_t* Bits, int Width, int Height);

// Premultiplies one straight BGRA pixel in place.
inline void Premultiply(uint8_t* p) {
  const unsigned a = p[3];
  if (a == 255) return;
  p[0] = uint8_t((p[0] * a + 127) / 255);
  p[1] = uint8_t((p[1] * a + 127) / 255);
  p[2] = uint8_t((p[2] * a + 127) / 255);
}

}  // namespace ht::core
