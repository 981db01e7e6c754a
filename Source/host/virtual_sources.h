#pragma once
// The host unit's virtual image sources and its theme colours.
//
// "_shellsmallicons/NAME" and "_shelllargeicons/NAME": the icon of NAME's
// file type (the file need not exist), 16 and 32 pixels. "_dialogicons/NAME":
// a stock dialog icon by exact name, the program icon for any other name.
// Each answers a complete icon file holding one PNG image. "_forms/FORM/NAME"
// gives the picture of a picture control, "_forms/FORM/LIST/INDEX" one image
// of an image list.
#include <cstdint>

#include "document/global.h"

namespace ht {

class TWinShellIcons : public THtVirtualImageSource {
 public:
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override;
};

class TWinShellLargeIcons : public THtVirtualImageSource {
 public:
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override;
};

class TWinDialogIcons : public THtVirtualImageSource {
 public:
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override;
};

class THtImageListSource : public THtVirtualImageSource {
 public:
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override;
};

// The icon-theme name a dialog icon name stands for.
const char* DialogIconThemeName(StringView Name);

// The theme colour of system colour Index as opaque ARGB.
uint32_t HostThemeColor(int Index);

// Registers the four sources with the global object (once per global
// object) and installs the theme colours. Needs the document unit started.
void RegisterHostImageSources();

}  // namespace ht
