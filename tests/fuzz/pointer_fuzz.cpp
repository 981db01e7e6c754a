// libFuzzer target: pointer input on a page whose handlers delete and move
// elements. The input is UTF-8 HTML, then after a zero byte a script of
// input: each step is four bytes (what, x, y, buttons and keys) giving a
// press, a release, a move or a wheel step at a viewport point, at any
// scale and offset, some at the ends of the integer range. The script
// adapter answers "mouseup" and "click" by deleting the element, "mousedown"
// by moving it to the end of the body, and any other event by deleting a
// child now and then. Tables take part as data grids: header cells drag
// onto headers and into a group box, rows resize, and every other input
// runs with the designer's insertion marks. Every step must end without a
// crash or a hang.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "document/script_adapter.h"
#include "elements/elements_startup.h"
#include "markup/html_tokenizer.h"
#include "platform/gdi/gdi_canvas.h"

namespace {

class TEditingAdapter : public ht::THtScriptAdapter {
 public:
  ht::THtDocument* Doc = nullptr;
  unsigned Counter = 0;
  void Run(ht::TElement* E, ht::StringView Event, ht::StringView) override {
    ++Counter;
    if (!E || !Doc || E == Doc || E == Doc->BodyElement) return;
    ht::TElement* parent = E->Parent();
    if (!parent) return;
    if (Event == u"mouseup" || Event == u"click") {
      parent->DeleteChild(E);
    } else if (Event == u"mousedown") {
      try {
        Doc->BodyElement->Add(E);
      } catch (const ht::Exception&) {
      }
    } else if (Counter % 7 == 0 && E->Count() > 0) {
      E->DeleteChild(E->GetNode(0));
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtBackendsInitialize(), ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find('\0');
  ht::String html = ht::Utf8ToString(bytes.substr(0, split));
  const std::string script = split == std::string::npos ? std::string() : bytes.substr(split + 1);
  // Every element takes part: handlers on all of them.
  html = u"<style>*{resize:both} div,th,.group-tag{draggable:true} tr{resize:vertical}</style>" + html;
  TEditingAdapter adapter;
  ht::THtDocument doc(&ht::THtCanvasGP::ClassType);
  adapter.Doc = &doc;
  doc.SetScriptAdapter(&adapter);
  doc.EnableSelection = true;
  doc.ProportionalImageResize = size % 2 == 0;
  doc.DesignerGrid = size % 3 == 0;
  doc.Options = ht::THtDocumentOptions(size % 4);
  try {
    doc.Parse(html);
  } catch (const ht::EHtmlParserException&) {
    return 0;
  }
  for (ht::THtNode* n = &doc; n; n = n->NextNode())
    for (const char16_t* ev : {u"onmousedown", u"onmouseup", u"onclick", u"onmouseover", u"ondrop", u"ondragenter"})
      n->SetAttribute(ev, u"x");
  ht::gdi::TBitmap target(200, 200);
  doc.OnRepaint = [&](ht::THtObject*) {};
  try {
    doc.Draw(&target.Canvas(), ht::TRect(0, 0, 200, 200), ht::TRect(0, 0, 200, 200), 0, 0, 0);
  } catch (const ht::Exception&) {
    return 0;
  }
  for (size_t i = 0; i + 3 < script.size() && i < 4 * 96; i += 4) {
    const uint8_t op = uint8_t(script[i]);
    int x = int(uint8_t(script[i + 1])) - 20, y = int(uint8_t(script[i + 2])) - 20;
    const uint8_t keys = uint8_t(script[i + 3]);
    if (keys == 0xFF) {
      x = op & 1 ? INT_MAX : INT_MIN;
      y = op & 2 ? INT_MAX : INT_MIN;
    }
    const ht::TShiftState shift = ht::TShiftState(keys & (ht::ssShift | ht::ssLeft | ht::ssRight | ht::ssDouble |
                                                          ht::ssTouch));
    try {
      switch (op % 8) {
        case 0: doc.OnMouseDown(x, y, true, shift | ht::ssLeft); break;
        case 1: doc.OnMouseDown(x, y, false, shift); break;
        case 2:
        case 3: doc.OnMouseMove(x, y, shift); break;
        case 4: doc.OnMouseWheel(shift, int(int8_t(keys)) * 40, ht::TPoint{x, y}); break;
        case 5: doc.Surface->SetScaleFactor(float(keys) / 64.0f); break;  // 0 included
        case 6: doc.FDocOffsetY = -float(int8_t(keys)); break;
        case 7:
          doc.Draw(&target.Canvas(), ht::TRect(0, 0, 200, 200), ht::TRect(0, 0, 200, 200), 0, doc.FDocOffsetY, 0);
          break;
      }
    } catch (const ht::Exception&) {
      // Presses, releases and wheel steps pass a handler's failure on.
    }
  }
  return 0;
}
