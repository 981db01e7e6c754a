#include "css/style_unit.h"

#include "css/colors.h"
#include "css/css_extensions.h"
#include "css/css_media_set.h"
#include "css/default_style_sheet.h"
#include "css/property_registry.h"
#include "markup/node.h"

namespace ht {

void InitStyleUnit() {
  RegisterCSSProperties();
  DefaultCSSMediaSet();
  // The markup layer may not reach the colour code, so its theme-colour
  // procedure is installed from here, unless the host set its own.
  CreateColorDictionary();
  if (!THtmlNode::ThemeColorPrc()) THtmlNode::SetThemeColorPrc(DefaultThemeColor);
}

void FinalizeStyleUnit() {
  FreeDefaultStyleSheet();
  TCSSExtension::FreeExtensions();
  UnregisterCSSProperties();
}

}  // namespace ht
