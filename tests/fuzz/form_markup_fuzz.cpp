// libFuzzer target: documents of random form markup (inputs of every type,
// selects, text areas, labels chaining to each other, fieldsets, framesets)
// with random attribute values, over a host that makes stand-in controls;
// parsed, styled, laid out, painted on the trace canvas, placed, clicked
// and laid out again in paged output. Every control stays within the
// platform's 32767-pixel range and no label chain runs for ever.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "css/default_style_sheet.h"
#include "document/base_input_element.h"
#include "document/document.h"
#include "elements/elements_startup.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/ui/scroll_bar.h"
#include "support/ahem_canvas.h"

namespace {

struct TFuzzHost : ht::ui::IHostControl {
  std::unique_ptr<ht::ui::TScrollBar> CreateScrollBar() override { return nullptr; }
  std::unique_ptr<ht::ui::TFormControl> CreateFormControl(ht::ui::TFormControlKind Kind) override {
    auto c = ht::ui::CreateStandInControl(Kind);
    Made.push_back(c.get());
    return c;
  }
  std::vector<ht::ui::TFormControl*> Made;
};

class TReader {
 public:
  TReader(const uint8_t* D, size_t N) : FData(D), FSize(N) {}
  bool More() const { return FPos < FSize; }
  uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  template <size_t N>
  const char* Pick(const char* const (&List)[N]) {
    return List[Byte() % N];
  }

 private:
  const uint8_t* FData;
  size_t FSize, FPos = 0;
};

const char* const kTags[] = {"input", "select", "textarea", "label", "fieldset", "legend", "frameset",
                             "frame", "option", "div", "span", "form"};
const char* const kAttrs[] = {"type", "size", "maxlength", "cols", "rows", "value", "rows", "cols", "for",
                              "id", "name", "checked", "disabled", "readonly", "required", "multiple",
                              "border", "style", "selected", "align", "valuetype", "maxvalue", "src"};
const char* const kValues[] = {"text", "checkbox", "CheckBox", "radio", "submit", "reset", "color", "date",
                               "time", "number", "Date", "password", "1e12", "-5", "3", "40", "0",
                               "99999999999", "100,*,20%", "(,)", "*,", "a", "b", "l1", "l2", "2021-03-05",
                               "12:30", "float", "\"q\"", "", "display:none", "opacity:0", "border:1px solid",
                               "width:auto;max-width:50%", "right", "font-size:1e9px", "x"};

std::string markup(TReader& R) {
  std::string html = "<body style='font:10px Ahem'>";
  int open = 0;
  while (R.More() && html.size() < 4000) {
    const uint8_t op = R.Byte() % 8;
    if (op == 0 && open > 0) {
      html += "</div>";
      --open;
      continue;
    }
    if (op == 1) {
      html += "text";
      continue;
    }
    const std::string tag = R.Pick(kTags);
    html += "<" + tag;
    for (int n = R.Byte() % 4; n > 0; --n) html += std::string(" ") + R.Pick(kAttrs) + "='" + R.Pick(kValues) + "'";
    html += ">";
    if (op == 2) html += "<div>", ++open;
    if (op == 3) html += "<option value=v>o</option></" + tag + ">";
  }
  return html;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtElementsInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  TReader reader(data, size);
  const std::string html = markup(reader);
  TFuzzHost host;
  ht::THtDocument doc(&ht::testing::TAhemCanvas::ClassType);
  doc.Control = &host;
  try {
    doc.Parse(ht::Utf8ToString(html));
    doc.CalcSize(400, 300);
    ht::gdi::TBitmap target(64, 64);
    doc.Draw(&target.Canvas(), ht::TRect(0, 0, 400, 300), ht::TRect(0, 0, 400, 300), 0, 0, 0);
    for (ht::THtNode* n = &doc; n; n = n->NextNode())
      if (auto* e = dynamic_cast<ht::TElement*>(n); e && !e->IsText()) {
        bool ignore = false;
        e->DoMouseDown(0, 0, true, ignore, 0);
        e->DoMouseDown(0, 0, false, ignore, 0);
        if (auto* input = dynamic_cast<ht::TBaseInputElement*>(e)) (void)input->GetValue();
      }
    for (ht::ui::TFormControl* c : host.Made)
      if (c->Width() < 0 || c->Width() > ht::ui::MaxControlExtent || c->Height() < 0 ||
          c->Height() > ht::ui::MaxControlExtent)
        std::abort();
    doc.Paged = true;
    doc.CalcSize(400, 300);
  } catch (const ht::EHtmlParserException&) {
  } catch (const ht::EConvertError&) {
  }
  return 0;
}
