#include "css/css_media_set.h"

namespace ht {

TCSSMediaSet* DefaultCSSMediaSet() {
  static TCSSMediaSet set;
  return &set;
}

}  // namespace ht
