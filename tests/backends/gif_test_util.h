#pragma once
// Shared helpers of the GIF codec tests: fixture bytes, loading into an
// image, and a reference decode through giflib.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "backends/gif_image.h"

namespace ht::giftest {

inline std::vector<uint8_t> FixtureBytes(const std::string& name) {
  const char* root = std::getenv("TARNWICK_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/tests/data/gif/" + name + ".gif", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Loads bytes; answers the error message, or "" when loading succeeded.
inline std::string Load(THtGifImage& image, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  try {
    image.LoadFromStream(stream);
  } catch (const EHtGIFException& e) {
    return e.what();
  }
  return "";
}

inline std::vector<uint8_t> Save(THtGifImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return stream.Data();
}

// One frame as giflib decodes it.
struct RefFrame {
  int Left, Top, Width, Height;
  std::vector<uint8_t> Pixels;
  int Delay = -1, Disposal = -1, Transparent = -1;  // -1: no control block
};

struct RefImage {
  bool Ok = false;
  int Width = 0, Height = 0;
  std::vector<RefFrame> Frames;
  int Loops = -1;  // -1: no loop block
};

inline RefImage GiflibDecode(const std::vector<uint8_t>& bytes) {
  struct Source {
    const std::vector<uint8_t>* data;
    size_t pos;
  } src{&bytes, 0};
  auto reader = [](GifFileType* gif, GifByteType* buf, int n) -> int {
    auto* s = static_cast<Source*>(gif->UserData);
    const int avail = int(std::min<size_t>(size_t(n), s->data->size() - s->pos));
    std::copy_n(s->data->data() + s->pos, avail, buf);
    s->pos += size_t(avail);
    return avail;
  };
  RefImage ref;
  int error = 0;
  GifFileType* gif = DGifOpen(&src, reader, &error);
  if (!gif) return ref;
  if (DGifSlurp(gif) == GIF_OK) {
    ref.Ok = true;
    ref.Width = gif->SWidth;
    ref.Height = gif->SHeight;
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& si = gif->SavedImages[i];
      RefFrame f{si.ImageDesc.Left, si.ImageDesc.Top, si.ImageDesc.Width, si.ImageDesc.Height, {}};
      f.Pixels.assign(si.RasterBits, si.RasterBits + size_t(f.Width) * f.Height);
      GraphicsControlBlock gcb;
      if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
        f.Delay = gcb.DelayTime;
        f.Disposal = gcb.DisposalMode;
        f.Transparent = gcb.TransparentColor;
      }
      for (int e = 0; e < si.ExtensionBlockCount && ref.Loops < 0; ++e) {
        const ExtensionBlock& b = si.ExtensionBlocks[e];
        if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
            (std::equal(b.Bytes, b.Bytes + 11, "NETSCAPE2.0") || std::equal(b.Bytes, b.Bytes + 11, "ANIMEXTS1.0")) &&
            e + 1 < si.ExtensionBlockCount && si.ExtensionBlocks[e + 1].ByteCount >= 3)
          ref.Loops = si.ExtensionBlocks[e + 1].Bytes[1] | si.ExtensionBlocks[e + 1].Bytes[2] << 8;
      }
      ref.Frames.push_back(std::move(f));
    }
  }
  DGifCloseFile(gif, &error);
  return ref;
}

}  // namespace ht::giftest
