// libFuzzer target: tree construction, the HTML writers and the text
// extractors on arbitrary text. HTML parsing never raises; the tree never
// nests deeper than the builder's guard; what was written parses again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "markup/fast_string.h"
#include "markup/markup_startup.h"
#include "markup/node.h"
#include "markup/node_list.h"

namespace {

int maxDepth(const ht::THtNode& n) {
  int deepest = 0;
  if (ht::THtNodeList* list = n.ChildNodeList())
    for (ht::THtNode* child : *list) deepest = std::max(deepest, 1 + maxDepth(*child));
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (ht::HtMarkupInitialize(), true);
  (void)ready;
  // Pairs of bytes as UTF-16 units, so unpaired surrogates and NULs occur;
  // the first byte picks the entry point.
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  ht::String text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);

  ht::THtmlNode root;
  root.Parse(text);
  if (maxDepth(root) > 258) std::abort();
  if (root.GetCount() > 0) {
    auto* first = static_cast<ht::THtmlNode*>(root.GetNode(0));
    switch (mode % 4) {
      case 1: first->SetInnerHTML(text); break;
      case 2: first->SetOuterHTML(text); break;
      case 3: first->AddHTML(text); break;
      default: break;
    }
  }
  if (maxDepth(root) > 520) std::abort();
  const ht::String written = root.GetInnerHTML();
  ht::THtmlNode again;
  again.Parse(written);
  if (maxDepth(again) > 258) std::abort();
  (void)again.GetInnerHTML();
  ht::TFastString fs(1024);
  bool afterBlock = false;
  root.FastFormattedHTML(fs, 0, 2, afterBlock);
  root.FastInnerText(fs);
  (void)root.GetInnerText();
  return 0;
}
