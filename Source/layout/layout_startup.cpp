#include "layout/layout_startup.h"

#include "document/element_registry.h"
#include "document/global.h"
#include "layout/control_element.h"
#include "layout/details_element.h"
#include "layout/image_element.h"
#include "layout/text_element.h"

namespace ht {

namespace {
int startCount = 0;
}

void HtLayoutInitialize() {
  if (startCount++ > 0) return;
  HtDocumentInitialize();
  RegisterElementClass(u"", &TTextElement::ClassType);
  RegisterElementClass(u"br", &TTextElement::ClassType);
  RegisterElementClass(u"img", &TImageElement::ClassType);
  RegisterElementClass(u"iframe", &TIFrameElement::ClassType);
  RegisterElementClass(u"details", &TDetailsElement::ClassType);
  RegisterElementClass(u"control", &TControlElement::ClassType);
}

void HtLayoutFinalize() {
  if (startCount == 0 || --startCount > 0) return;
  HtDocumentFinalize();
}

}  // namespace ht
