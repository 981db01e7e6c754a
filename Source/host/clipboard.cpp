#include "host/clipboard.h"

#include <initializer_list>
#include <vector>

#include "canvas/image.h"
#include "host/clipboard_blocks.h"
#include "platform/rtl/code_pages.h"
#include "platform/ui/clipboard.h"

namespace ht {

namespace {

unsigned format(const char16_t* Name) { return ui::RegisterClipboardFormat(Name); }

// The first of the named formats that is available; 0 for none.
unsigned firstAvailable(std::initializer_list<const char16_t*> Names) {
  for (const char16_t* n : Names)
    if (ui::IsClipboardFormatAvailable(format(n))) return format(n);
  return 0;
}

const std::initializer_list<const char16_t*> kRTF = {u"Rich Text Format", u"text/rtf", u"application/rtf"};
const std::initializer_list<const char16_t*> kMathML = {u"MathML", u"application/mathml+xml"};

String blockText(unsigned Format) {
  return Format ? ClipboardBlockText(ui::GetClipboardData(Format)) : String();
}

ui::TClipboardBlock bytesOf(const std::string& S, bool Zero) {
  ui::TClipboardBlock b(S.begin(), S.end());
  if (Zero) b.push_back(0);
  return b;
}

}  // namespace

void THtClipboard::SetHTML(const String& AHTML, const String& AText, const String& ASourceFile) {
  ui::TClipboardScope scope;
  std::string html;
  if (!AHTML.empty()) html = HTMLClipboardText(AHTML, ASourceFile);
  const std::string ansi = StringToAnsi(AText);
  ui::EmptyClipboard();
  if (!html.empty()) {
    ui::SetClipboardData(format(u"HTML Format"), bytesOf(html, true));
    ui::SetClipboardData(format(u"text/html"), bytesOf(StringToUtf8(AHTML), false));
  }
  if (!ansi.empty()) ui::SetClipboardData(ui::CF_TEXT, bytesOf(ansi, true));
  if (!AText.empty()) {
    String text = AText;
    if (text.find(u"\r\n") != String::npos && (text.size() < 2 || text.compare(text.size() - 2, 2, u"\r\n") != 0))
      text += u"\r\n";
    ui::TClipboardBlock unicode;
    unicode.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
      unicode.push_back(uint8_t(c & 0xFF));
      unicode.push_back(uint8_t(c >> 8));
    }
    unicode.push_back(0);
    unicode.push_back(0);
    ui::SetClipboardData(ui::CF_UNICODETEXT, std::move(unicode));
  }
  scope.Close();
}

bool THtClipboard::HasHTML() {
  ui::TClipboardScope r;
  return ui::IsClipboardFormatAvailable(format(u"HTML Format"));
}

String THtClipboard::GetHTML() {
  ui::TClipboardScope r;
  return blockText(firstAvailable({u"HTML Format"}));
}

bool THtClipboard::HasText() {
  ui::TClipboardScope r;
  return ui::IsClipboardFormatAvailable(ui::CF_UNICODETEXT) || ui::IsClipboardFormatAvailable(ui::CF_TEXT);
}

String THtClipboard::GetText() {
  ui::TClipboardScope r;
  if (ui::IsClipboardFormatAvailable(ui::CF_UNICODETEXT)) {
    const ui::TClipboardBlock b = ui::GetClipboardData(ui::CF_UNICODETEXT);
    String s;
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
      const char16_t c = char16_t(b[i] | b[i + 1] << 8);
      if (c == 0) break;
      s.push_back(c);
    }
    return s;
  }
  if (ui::IsClipboardFormatAvailable(ui::CF_TEXT)) {
    const ui::TClipboardBlock b = ui::GetClipboardData(ui::CF_TEXT);
    size_t n = 0;
    while (n < b.size() && b[n] != 0) ++n;
    return AnsiToString(std::string_view(reinterpret_cast<const char*>(b.data()), n));
  }
  return String();
}

bool THtClipboard::HasRTF() {
  ui::TClipboardScope r;
  return firstAvailable(kRTF) != 0;
}

String THtClipboard::GetRTF() {
  ui::TClipboardScope r;
  return blockText(firstAvailable(kRTF));
}

bool THtClipboard::HasMathML() {
  ui::TClipboardScope r;
  return firstAvailable(kMathML) != 0;
}

String THtClipboard::GetMathML() {
  ui::TClipboardScope r;
  return blockText(firstAvailable(kMathML));
}

bool THtClipboard::HasEMF() {
  ui::TClipboardScope r;
  return ui::IsClipboardFormatAvailable(ui::CF_METAFILEPICT) || ui::IsClipboardFormatAvailable(ui::CF_ENHMETAFILE);
}

THtBytes THtClipboard::GetEMF() {
  ui::TClipboardScope r;
  if (ui::IsClipboardFormatAvailable(ui::CF_ENHMETAFILE)) return ui::GetClipboardData(ui::CF_ENHMETAFILE);
  return ui::GetClipboardData(ui::CF_METAFILEPICT);
}

bool THtClipboard::HasImage() {
  ui::TClipboardScope r;
  const bool image = ui::IsClipboardFormatAvailable(ui::CF_BITMAP) || ui::IsClipboardFormatAvailable(ui::CF_DIB) ||
                     firstAvailable({u"PNG", u"JPEG", u"JPG", u"GIF", u"image/png", u"image/jpeg", u"image/gif"}) != 0;
  return image && firstAvailable(kRTF) == 0;
}

THtBytes THtClipboard::GetImage() {
  ui::TClipboardScope r;
  const unsigned f = firstAvailable({u"JPEG", u"image/jpeg", u"PNG", u"image/png", u"GIF", u"image/gif"});
  return f ? ui::GetClipboardData(f) : THtBytes();
}

THtBytes THtClipboard::GetBitmap() {
  ui::TClipboardScope r;
  if (!ui::IsClipboardFormatAvailable(ui::CF_DIB)) return THtBytes();
  return DIBtoBMP(ui::GetClipboardData(ui::CF_DIB));
}

void THtClipboard::SetImage(THtImage* AImage) {
  if (!AImage || !AImage->IsLoaded() || !AImage->GetSourceStream()) return;
  std::vector<unsigned> formats;
  switch (AImage->Kind) {
    case hikBMP: formats = {ui::CF_BITMAP}; break;
    case hikJPEG: formats = {format(u"JPEG"), format(u"image/jpeg")}; break;
    case hikPNG: formats = {format(u"PNG"), format(u"image/png")}; break;
    case hikGIF: formats = {format(u"GIF"), format(u"image/gif")}; break;
    default: return;
  }
  const THtBytes bytes = AImage->AsBytes();
  ui::TClipboardScope scope;
  for (unsigned f : formats) ui::SetClipboardData(f, bytes);
  scope.Close();
}

}  // namespace ht
