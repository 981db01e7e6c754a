#include "css/style_unit.h"

#include "css/css_extensions.h"
#include "css/css_media_set.h"
#include "css/default_style_sheet.h"
#include "css/property_registry.h"

namespace ht {

void InitStyleUnit() {
  RegisterCSSProperties();
  DefaultCSSMediaSet();
}

void FinalizeStyleUnit() {
  FreeDefaultStyleSheet();
  TCSSExtension::FreeExtensions();
  UnregisterCSSProperties();
}

}  // namespace ht
