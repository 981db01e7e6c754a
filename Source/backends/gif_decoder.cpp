#include "backends/gif_decoder.h"

#include <algorithm>
#include <cstring>

#include "backends/gif_image.h"
#include "platform/core/core_image.h"

namespace ht {

// ---------------------------------------------------------------- GIF decoder

namespace {

class TGifDecoder : public core::TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "gif"; }
  bool CanRead(const uint8_t* D, size_t S) const override { return S >= 6 && std::memcmp(D, "GIF", 3) == 0; }
  bool Decode(const uint8_t* D, size_t S, core::TCoreImage& Img) const override {
    TMemoryStream stream(D, S);
    THtGifImage gif;
    gif.LoadFromStream(stream);
    const int n = gif.Frames().Count();
    if (n == 0 || !core::WithinPixelBudget(gif.Width(), gif.Height(), n)) return false;
    Img.Width = gif.Width();
    Img.Height = gif.Height();
    for (int i = 0; i < n; ++i) {
      if (!Img.AddFrame()) return false;
      core::TCoreImageFrame& out = Img.Frames.back();
      THtGIFFrame* frame = gif.Frames().Frames(i);
      if (auto* gce = frame->GraphicControlExtension()) {
        // The delay as stored: a 0 is for the image to interpret.
        out.Delay = gce->Delay();
        out.Disposal = core::TCoreDisposal(std::clamp(gce->Disposal(), 0, 3));
      }
      gif.SetFrameIndex(i);
      TGifBitmap* pic = gif.Bitmap();
      if (!pic) continue;
      const int w = std::min(pic->Width(), Img.Width), h = std::min(pic->Height(), Img.Height);
      if (pic->PixelFormat() == gpf32bit) {
        for (int y = 0; y < h; ++y) {
          const uint8_t* s = pic->ScanLine(y);
          uint8_t* d = Img.Row(Img.Frames.size() - 1, y);
          for (int x = 0; x < w; ++x, s += 4, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
        }
      } else if (pic->PixelFormat() == gpf8bit) {
        // A single frame stays a palette picture.
        const TGIFPalette& pal = pic->Palette();
        for (int y = 0; y < h; ++y) {
          const uint8_t* s = pic->ScanLine(y);
          uint8_t* d = Img.Row(Img.Frames.size() - 1, y);
          for (int x = 0; x < w; ++x, d += 4) {
            const uint8_t idx = s[x];
            if ((pic->Transparent() && idx == pic->TransparentIndex) || idx >= pal.size()) continue;
            d[0] = pal[idx].Blue, d[1] = pal[idx].Green, d[2] = pal[idx].Red, d[3] = 255;
          }
        }
      }
    }
    return true;
  }
};

}  // namespace

void HtRegisterGifDecoder() { core::RegisterImageDecoder(std::make_shared<TGifDecoder>()); }
void HtUnregisterGifDecoder() { core::UnregisterImageDecoder("gif"); }

}  // namespace ht
