// Decoders over the image libraries: PNG (libpng), JPEG (libjpeg-turbo,
// CMYK too), TIFF (libtiff) and WebP (libwebp, the first frame of an
// animation); the PNG writer.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include "platform/core/core_image.h"

namespace ht::core {

namespace {

// ---------------------------------------------------------------- PNG

struct PngSource {
  const uint8_t* Data;
  size_t Size, Pos;
};

void pngRead(png_structp P, png_bytep Out, png_size_t N) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(P));
  if (src->Size - src->Pos < N) png_error(P, "truncated");
  std::memcpy(Out, src->Data + src->Pos, N);
  src->Pos += N;
}
void pngWarning(png_structp, png_const_charp) {}
void pngFail(png_structp P, png_const_charp) { png_longjmp(P, 1); }

// libpng's full reader: 16-bit samples keep their high byte (the simple
// reader would take them for linear light).
class TPNGDecoder : public TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "png"; }
  bool CanRead(const uint8_t* D, size_t S) const override { return S >= 8 && png_sig_cmp(D, 0, 8) == 0; }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngWarning);
    if (!p) return false;
    png_infop info = png_create_info_struct(p);
    PngSource src{D, S, 0};
    std::vector<png_bytep>* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(p))) {
      delete rows;
      png_destroy_read_struct(&p, &info, nullptr);
      return false;
    }
    png_set_read_fn(p, &src, pngRead);
    png_set_user_limits(p, png_uint_32(HtMaxImageSide), png_uint_32(HtMaxImageSide));
    png_read_info(p, info);
    const png_uint_32 w = png_get_image_width(p, info), h = png_get_image_height(p, info);
    if (!WithinPixelBudget(w, h)) {
      png_destroy_read_struct(&p, &info, nullptr);
      return false;
    }
    const int type = png_get_color_type(p, info);
    png_set_strip_16(p);
    png_set_packing(p);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p);
    if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(p, info) < 8) png_set_expand_gray_1_2_4_to_8(p);
    if (png_get_valid(p, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(p);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(p);
    png_set_bgr(p);
    png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    Img.Width = int(w);
    Img.Height = int(h);
    // Interlaced passes each write part of a row; plain rows are whole.
    if (!Img.AddFrame(1, png_get_interlace_type(p, info) != PNG_INTERLACE_NONE)) {
      png_destroy_read_struct(&p, &info, nullptr);
      return false;
    }
    rows = new std::vector<png_bytep>(h);
    for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = Img.Row(0, int(y));
    png_read_image(p, rows->data());
    png_read_end(p, nullptr);
    delete rows;
    png_destroy_read_struct(&p, &info, nullptr);
    uint8_t* bits = Img.Frames[0].Bits.data();
    for (size_t i = 0, n = size_t(w) * h; i < n; ++i) Premultiply(bits + 4 * i);
    return true;
  }
};

// ---------------------------------------------------------------- JPEG

struct JpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
};

void jpegExit(j_common_ptr Info) { longjmp(reinterpret_cast<JpegError*>(Info->err)->Jump, 1); }
void jpegMessage(j_common_ptr) {}

class TJPEGDecoder : public TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "jpeg"; }
  bool CanRead(const uint8_t* D, size_t S) const override { return S >= 3 && D[0] == 0xFF && D[1] == 0xD8 && D[2] == 0xFF; }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = jpegExit;
    err.Mgr.output_message = jpegMessage;
    // Only volatile locals may change between setjmp and longjmp.
    std::vector<uint8_t>* volatile cmykRow = nullptr;
    if (setjmp(err.Jump)) {
      delete cmykRow;
      jpeg_destroy_decompress(&info);
      return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, D, static_cast<unsigned long>(S));
    jpeg_read_header(&info, TRUE);
    if (!WithinPixelBudget(info.image_width, info.image_height)) {
      jpeg_destroy_decompress(&info);
      return false;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    Img.Width = int(info.output_width);
    Img.Height = int(info.output_height);
    // Every scan line is written (libjpeg fills what a cut file lacks).
    if (!Img.AddFrame(1, false)) {
      jpeg_destroy_decompress(&info);
      return false;
    }
    // Adobe's CMYK JPEGs store the inks inverted.
    const bool inverted = info.saw_Adobe_marker;
    if (cmyk) cmykRow = new std::vector<uint8_t>(size_t(Img.Width) * 4);
    while (info.output_scanline < info.output_height) {
      uint8_t* out = Img.Row(0, int(info.output_scanline));
      JSAMPROW row = cmyk ? cmykRow->data() : out;
      jpeg_read_scanlines(&info, &row, 1);
      if (!cmyk) continue;
      for (int x = 0; x < Img.Width; ++x) {
        const uint8_t* s = cmykRow->data() + 4 * x;
        unsigned c = s[0], m = s[1], y = s[2], k = s[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[4 * x + 0] = uint8_t((y * k + 127) / 255);
        out[4 * x + 1] = uint8_t((m * k + 127) / 255);
        out[4 * x + 2] = uint8_t((c * k + 127) / 255);
        out[4 * x + 3] = 255;
      }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    delete cmykRow;
    return true;
  }
};

// ---------------------------------------------------------------- TIFF

struct MemTiff {
  const uint8_t* Data;
  toff_t Size, Pos = 0;
};

tsize_t tiffRead(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<MemTiff*>(h);
  if (m->Pos >= m->Size) return 0;
  const toff_t take = std::min<toff_t>(toff_t(n), m->Size - m->Pos);
  std::memcpy(buf, m->Data + m->Pos, size_t(take));
  m->Pos += take;
  return tsize_t(take);
}
tsize_t tiffWrite(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t tiffSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemTiff*>(h);
  toff_t base = whence == SEEK_CUR ? m->Pos : whence == SEEK_END ? m->Size : 0;
  m->Pos = base + off;
  return m->Pos;
}
int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t h) { return static_cast<MemTiff*>(h)->Size; }
int tiffMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void tiffUnmap(thandle_t, tdata_t, toff_t) {}

class TTIFFDecoder : public TCoreImageDecoder {
 public:
  TTIFFDecoder() {
    // Corrupt files are reported by the result, not on stderr.
    static std::once_flag once;
    std::call_once(once, [] {
      TIFFSetErrorHandler(nullptr);
      TIFFSetWarningHandler(nullptr);
    });
  }
  std::string_view Name() const override { return "tiff"; }
  bool CanRead(const uint8_t* D, size_t S) const override {
    return S >= 8 && ((D[0] == 'I' && D[1] == 'I' && D[2] == 42 && D[3] == 0) ||
                      (D[0] == 'M' && D[1] == 'M' && D[2] == 0 && D[3] == 42));
  }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    MemTiff mem{D, toff_t(S)};
    TIFF* tif = TIFFClientOpen("memory", "rm", &mem, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap,
                               tiffUnmap);
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    bool ok = WithinPixelBudget(w, h);
    if (ok) {
      Img.Width = int(w);
      Img.Height = int(h);
      ok = Img.AddFrame();
    }
    if (ok) {
      auto* raster = reinterpret_cast<uint32_t*>(Img.Frames[0].Bits.data());
      // Gives premultiplied RGBA bytes, top row first; swap red and blue.
      ok = TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 0) == 1;
      uint8_t* p = Img.Frames[0].Bits.data();
      for (size_t i = 0, n = size_t(w) * h; ok && i < n; ++i, p += 4) std::swap(p[0], p[2]);
    }
    TIFFClose(tif);
    return ok;
  }
};

// ---------------------------------------------------------------- WebP

class TWebPDecoder : public TCoreImageDecoder {
 public:
  std::string_view Name() const override { return "webp"; }
  bool CanRead(const uint8_t* D, size_t S) const override {
    return S >= 12 && std::memcmp(D, "RIFF", 4) == 0 && std::memcmp(D + 8, "WEBP", 4) == 0;
  }
  bool Decode(const uint8_t* D, size_t S, TCoreImage& Img) const override {
    WebPBitstreamFeatures f;
    if (WebPGetFeatures(D, S, &f) != VP8_STATUS_OK) return false;
    const uint8_t* data = D;
    size_t size = S;
    int ox = 0, oy = 0, fw = f.width, fh = f.height;
    WebPData whole{D, S};
    WebPDemuxer* demux = nullptr;
    WebPIterator it;
    if (f.has_animation) {
      demux = WebPDemux(&whole);
      if (!demux) return false;
      if (!WebPDemuxGetFrame(demux, 1, &it)) {
        WebPDemuxDelete(demux);
        return false;
      }
      data = it.fragment.bytes, size = it.fragment.size;
      ox = it.x_offset, oy = it.y_offset, fw = it.width, fh = it.height;
    }
    bool ok = WithinPixelBudget(f.width, f.height) && ox + fw <= f.width && oy + fh <= f.height;
    if (ok) {
      Img.Width = f.width;
      Img.Height = f.height;
      ok = Img.AddFrame();
    }
    if (ok) {
      uint8_t* at = Img.Row(0, oy) + size_t(ox) * 4;
      ok = WebPDecodeBGRAInto(data, size, at, size_t(Img.Width) * 4 * size_t(fh), Img.Width * 4) != nullptr;
      for (int y = 0; ok && y < fh; ++y) {
        uint8_t* row = Img.Row(0, oy + y) + size_t(ox) * 4;
        for (int x = 0; x < fw; ++x) Premultiply(row + 4 * x);
      }
    }
    if (demux) {
      WebPDemuxReleaseIterator(&it);
      WebPDemuxDelete(demux);
    }
    return ok;
  }
};

}  // namespace

std::shared_ptr<TCoreImageDecoder> CreatePNGDecoder() { return std::make_shared<TPNGDecoder>(); }
std::shared_ptr<TCoreImageDecoder> CreateJPEGDecoder() { return std::make_shared<TJPEGDecoder>(); }
std::shared_ptr<TCoreImageDecoder> CreateTIFFDecoder() { return std::make_shared<TTIFFDecoder>(); }
std::shared_ptr<TCoreImageDecoder> CreateWebPDecoder() { return std::make_shared<TWebPDecoder>(); }

std::vector<uint8_t> EncodePNG(const uint8_t* Bits, int Width, int Height) {
  if (!Bits || !WithinPixelBudget(Width, Height)) return {};
  // PNG keeps straight alpha.
  std::vector<uint8_t> straight(Bits, Bits + size_t(Width) * size_t(Height) * 4);
  for (size_t i = 0; i < straight.size(); i += 4) {
    const unsigned a = straight[i + 3];
    if (a == 0 || a == 255) continue;
    for (int c = 0; c < 3; ++c) straight[i + c] = uint8_t(std::min(255u, (straight[i + c] * 255 + a / 2) / a));
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(Width);
  image.height = png_uint_32(Height);
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, straight.data(), Width * 4, nullptr)) return {};
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, straight.data(), Width * 4, nullptr)) return {};
  out.resize(size);
  return out;
}

}  // namespace ht::core
