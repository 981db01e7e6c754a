#include "elements/form_elements.h"

#include "document/element_registry.h"
#include "elements/frame_elements.h"
#include "elements/input_element.h"
#include "elements/label_elements.h"
#include "elements/select_element.h"
#include "elements/text_area_element.h"

namespace ht {

namespace {

struct TFormTag {
  const char16_t* Tag;
  const THtNodeClass* Class;
};

const TFormTag kFormTags[] = {
    {u"frameset", &TFrameSetElement::ClassType}, {u"frame", &TFrameElement::ClassType},
    {u"label", &THtLabelElement::ClassType},     {u"!", &THtCommentElement::ClassType},
    {u"fieldset", &TFieldSetElement::ClassType}, {u"input", &TInputElement::ClassType},
    {u"select", &TSelectElement::ClassType},     {u"textarea", &TTextAreaElement::ClassType},
};

}  // namespace

void RegisterFormElementClasses() {
  for (const TFormTag& t : kFormTags) RegisterElementClass(t.Tag, t.Class);
}

void UnregisterFormElementClasses() {
  for (const TFormTag& t : kFormTags) RegisterElementClass(t.Tag, &TElement::ClassType);
}

}  // namespace ht
