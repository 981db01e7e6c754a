#pragma once
// A litehtml container for benchmarks run beside litehtml: it draws nothing
// and answers litehtml's questions about the screen, images and language with
// fixed values for a viewport of the given size. Fonts and text widths stay
// abstract, since they are what each comparison fixes to match our side.
#include <litehtml/litehtml.h>

#include <memory>

namespace bench {

class TQuietLitehtmlContainer : public litehtml::document_container {
 public:
  TQuietLitehtmlContainer(int width, int height, const litehtml::tchar_t* defaultFont)
      : width_(width), height_(height), defaultFont_(defaultFont) {}

  void delete_font(litehtml::uint_ptr) override {}
  void draw_text(litehtml::uint_ptr, const litehtml::tchar_t*, litehtml::uint_ptr, litehtml::web_color,
                 const litehtml::position&) override {}
  int pt_to_px(int pt) const override { return pt * 96 / 72; }
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return defaultFont_; }
  void draw_list_marker(litehtml::uint_ptr, const litehtml::list_marker&) override {}
  void load_image(const litehtml::tchar_t*, const litehtml::tchar_t*, bool) override {}
  void get_image_size(const litehtml::tchar_t*, const litehtml::tchar_t*, litehtml::size& sz) override {
    sz.width = sz.height = 0;
  }
  void draw_background(litehtml::uint_ptr, const litehtml::background_paint&) override {}
  void draw_borders(litehtml::uint_ptr, const litehtml::borders&, const litehtml::position&, bool) override {}
  void set_caption(const litehtml::tchar_t*) override {}
  void set_base_url(const litehtml::tchar_t*) override {}
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override {}
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring&, litehtml::text_transform) override {}
  void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}
  void set_clip(const litehtml::position&, const litehtml::border_radiuses&, bool, bool) override {}
  void del_clip() override {}
  void get_client_rect(litehtml::position& client) const override { client = litehtml::position(0, 0, width_, height_); }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override {
    media.type = litehtml::media_type_screen;
    media.width = media.device_width = width_;
    media.height = media.device_height = height_;
    media.color = 8;
    media.monochrome = 0;
    media.color_index = 256;
    media.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "en";
    culture.clear();
  }

 private:
  int width_, height_;
  const litehtml::tchar_t* defaultFont_;
};

// litehtml's side: fonts are their pixel size, text is one size per
// character (UTF-8 continuation bytes do not count), nothing is drawn.
class TAhemLitehtmlContainer : public TQuietLitehtmlContainer {
 public:
  TAhemLitehtmlContainer() : TQuietLitehtmlContainer(1280, 800, "Ahem") {}
  litehtml::uint_ptr create_font(const litehtml::tchar_t*, int size, int, litehtml::font_style, unsigned int,
                                 litehtml::font_metrics* fm) override {
    if (fm) {
      fm->height = size;
      fm->ascent = size * 4 / 5;
      fm->descent = size - size * 4 / 5;
      fm->x_height = size * 4 / 5;
    }
    return litehtml::uint_ptr(size);
  }
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr font) override {
    int chars = 0;
    for (const char* p = text; *p; ++p)
      if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++chars;
    return chars * int(font);
  }
};

}  // namespace bench
