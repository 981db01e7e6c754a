#include "host/virtual_sources.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <cstring>
#include <mutex>

#include "canvas/colors.h"
#include "host/host_components.h"
#include "markup/node.h"

namespace ht {

namespace {

// One icon theme for the process, used under this lock: the image loader
// asks for icons from its own thread.
std::mutex themeLock;

GtkIconTheme* iconTheme() {
  static GtkIconTheme* theme = [] {
    // A theme of its own: the screen's default needs an open display.
    GtkIconTheme* t = gtk_icon_theme_new();
    gtk_icon_theme_set_custom_theme(t, "Adwaita");
    return t;
  }();
  return theme;
}

void put16(THtBytes& B, unsigned V) {
  B.push_back(uint8_t(V));
  B.push_back(uint8_t(V >> 8));
}
void put32(THtBytes& B, uint32_t V) {
  put16(B, V & 0xFFFF);
  put16(B, V >> 16);
}

// An icon file holding the pixbuf as one PNG image.
THtBytes iconFile(GdkPixbuf* Pixbuf) {
  gchar* png = nullptr;
  gsize size = 0;
  if (!gdk_pixbuf_save_to_buffer(Pixbuf, &png, &size, "png", nullptr, nullptr)) return THtBytes();
  const int w = gdk_pixbuf_get_width(Pixbuf), h = gdk_pixbuf_get_height(Pixbuf);
  THtBytes b;
  b.reserve(22 + size);
  put16(b, 0);  // reserved
  put16(b, 1);  // icon
  put16(b, 1);  // one image
  b.push_back(uint8_t(w >= 256 ? 0 : w));
  b.push_back(uint8_t(h >= 256 ? 0 : h));
  b.push_back(0);  // no palette
  b.push_back(0);
  put16(b, 1);   // planes
  put16(b, 32);  // bits per pixel
  put32(b, uint32_t(size));
  put32(b, 22);  // offset of the image
  b.insert(b.end(), reinterpret_cast<uint8_t*>(png), reinterpret_cast<uint8_t*>(png) + size);
  g_free(png);
  return b;
}

// The themed icon as an icon file; empty when the theme has none.
THtBytes themedIcon(GIcon* Icon, const char* Name, int Size) {
  std::lock_guard<std::mutex> guard(themeLock);
  GtkIconInfo* info = Icon ? gtk_icon_theme_lookup_by_gicon(iconTheme(), Icon, Size, GTK_ICON_LOOKUP_FORCE_SIZE)
                           : gtk_icon_theme_lookup_icon(iconTheme(), Name, Size, GTK_ICON_LOOKUP_FORCE_SIZE);
  if (!info) return THtBytes();
  THtBytes result;
  if (GdkPixbuf* pixbuf = gtk_icon_info_load_icon(info, nullptr)) {
    result = iconFile(pixbuf);
    g_object_unref(pixbuf);
  }
  g_object_unref(info);
  return result;
}

bool shellIcon(const String& URL, THtBytes& ImageData, int Size) {
  const std::string name = StringToUtf8(URL);
  gboolean uncertain = false;
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, &uncertain);
  if (!type) return false;
  GIcon* icon = g_content_type_get_icon(type);
  g_free(type);
  if (!icon) return false;
  THtBytes bytes = themedIcon(icon, nullptr, Size);
  g_object_unref(icon);
  if (bytes.empty()) return false;
  ImageData = std::move(bytes);
  return true;
}

}  // namespace

bool TWinShellIcons::GetImage(const String& URL, THtBytes& ImageData, int) { return shellIcon(URL, ImageData, 16); }

bool TWinShellLargeIcons::GetImage(const String& URL, THtBytes& ImageData, int) {
  return shellIcon(URL, ImageData, 32);
}

const char* DialogIconThemeName(StringView Name) {
  static const struct {
    StringView name;
    const char* icon;
  } kIcons[] = {
      {u"information", "dialog-information"}, {u"hand", "dialog-error"},        {u"question", "dialog-question"},
      {u"exclamation", "dialog-warning"},     {u"asterisk", "dialog-information"}, {u"shield", "security-high"},
      {u"warning", "dialog-warning"},         {u"error", "dialog-error"},
  };
  for (const auto& i : kIcons)
    if (i.name == Name) return i.icon;
  return "application-x-executable";
}

bool TWinDialogIcons::GetImage(const String& URL, THtBytes& ImageData, int) {
  THtBytes bytes = themedIcon(nullptr, DialogIconThemeName(URL), 32);
  if (bytes.empty()) bytes = themedIcon(nullptr, "application-x-executable", 32);
  if (bytes.empty()) {
    // No theme installed: a clear 32-pixel icon still answers.
    GdkPixbuf* blank = gdk_pixbuf_new(GDK_COLORSPACE_RGB, true, 8, 32, 32);
    gdk_pixbuf_fill(blank, 0);
    bytes = iconFile(blank);
    g_object_unref(blank);
  }
  ImageData = std::move(bytes);
  return true;
}

bool THtImageListSource::GetImage(const String& URL, THtBytes& ImageData, int) {
  const size_t slash = URL.find(u'/');
  const String formName = slash == String::npos ? String() : URL.substr(0, slash);
  THtComponentOwner* form = FindHtForm(formName);
  if (!form) return false;
  String name = slash == String::npos ? String() : URL.substr(slash + 1);
  String index;
  bool hasIndex = false;
  if (const size_t s = name.find(u'/'); s != String::npos) {
    index = name.substr(s + 1);
    name.resize(s);
    hasIndex = true;
  }
  THtComponent* c = form->FindComponent(name);
  if (auto* picture = dynamic_cast<THtPictureComponent*>(c); picture && !picture->Graphic.empty()) {
    ImageData = picture->Graphic;
    return true;
  }
  if (auto* list = dynamic_cast<THtImageListComponent*>(c); list && hasIndex) {
    const std::string digits = StringToUtf8(index);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    ImageData = list->Item(std::stoi(digits));
    return true;
  }
  return false;
}

uint32_t HostThemeColor(int Index) { return TColorToARGB(TColor(uint32_t(Index) + 0xFF000000u)); }

void RegisterHostImageSources() {
  // The global object lives as long as the document unit; a new one (after
  // the unit was finalised) gets the sources anew, an old one not twice.
  IHtGlobal& global = GetHtGlobal();
  if (!global.IsVirtualImage(u"_forms/")) {
    global.RegisterVirtualImageSource(u"_shellsmallicons", std::make_unique<TWinShellIcons>());
    global.RegisterVirtualImageSource(u"_shelllargeicons", std::make_unique<TWinShellLargeIcons>());
    global.RegisterVirtualImageSource(u"_dialogicons", std::make_unique<TWinDialogIcons>());
    global.RegisterVirtualImageSource(u"_forms", std::make_unique<THtImageListSource>());
  }
  THtmlNode::SetThemeColorPrc(HostThemeColor);
}

}  // namespace ht
