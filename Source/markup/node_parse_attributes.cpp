#include "markup/html_parser.h"
#include "markup/node.h"

namespace ht {

void THtmlNode::ParseAttributes(THtmlParser& HP) {
  if (HP.Attributes) FAttributes = std::move(HP.Attributes);
}

void THtmlNode::ParseAttributes(StringView s) {
  THtmlParser parser(u"<x " + String(s) + u"/>", false);
  if (parser.NextItem()) ParseAttributes(parser);
}

}  // namespace ht
