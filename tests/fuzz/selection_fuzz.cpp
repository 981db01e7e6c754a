// libFuzzer target: a laid-out page and a script of selection operations
// over it. The input is UTF-8 HTML, then after a zero byte the script: each
// operation is four bytes (what, an element number, a position, a length)
// and reads its text from the HTML's own characters. Operations write the
// ends and positions at random (out of range too), select words and
// paragraphs, save and restore, search and replace; after each one every
// query must answer without a crash, and text edits keep the tree sound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/backends_startup.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "layout/layout_startup.h"
#include "layout/text_element.h"
#include "markup/html_tokenizer.h"
#include "support/ahem_canvas.h"

namespace {

std::vector<ht::TElement*> elements(ht::THtDocument& Doc) {
  std::vector<ht::TElement*> out;
  for (ht::THtNode* n = &Doc; n; n = n->NextNode())
    if (ht::TElement* e = ht::AsElement(n)) out.push_back(e);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready =
      (ht::HtBackendsInitialize(), ht::HtLayoutInitialize(), ht::DefaultStyleSheet(), ht::QuirksStyleSheet(), true);
  (void)ready;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find('\0');
  const ht::String html = ht::Utf8ToString(bytes.substr(0, split));
  const std::string script = split == std::string::npos ? std::string() : bytes.substr(split + 1);
  ht::THtDocument doc(&ht::testing::TAhemCanvas::ClassType);
  try {
    doc.Parse(html);
  } catch (const ht::EHtmlParserException&) {
    return 0;
  }
  doc.CalcSize(400, 600);
  std::vector<ht::TElement*> all = elements(doc);
  ht::TDocSelection& sel = doc.Selection;
  int textPos = 1;
  for (size_t i = 0; i + 3 < script.size() && i < 4 * 64; i += 4) {
    const uint8_t op = uint8_t(script[i]);
    ht::TElement* e = all[uint8_t(script[i + 1]) % all.size()];
    const int pos = int(int8_t(script[i + 2]));
    const size_t len = uint8_t(script[i + 3]) % 8;
    const ht::String piece = html.substr(std::min(html.size(), size_t(uint8_t(script[i + 3]))), len);
    auto* t = dynamic_cast<ht::TTextElement*>(e);
    switch (op % 12) {
      case 0: sel.SetStartElement(e); sel.StartPos = pos; break;
      case 1: sel.SetEndElement(e); sel.EndPos = pos; break;
      case 2: if (t) t->SelectWordAt(pos); break;
      case 3: if (t) t->SelectPara(); break;
      case 4: sel.SaveSelection(); break;
      case 5: sel.RestoreSelection(); break;
      case 6: sel.SetAbsoluteStart(pos); sel.SetAbsoluteEnd(pos + int(len)); break;
      case 7: textPos = pos; (void)doc.FindText(piece, textPos, e, (op & 16) != 0, (op & 32) != 0); break;
      case 8:
        // A restyle may make new generated elements.
        sel.SetText(piece);
        all = elements(doc);
        t = nullptr;
        break;
      case 9: sel.SelectAll(); break;
      case 10: sel.ShrinktoText(); break;
      default: sel.Clear(); break;
    }
    if (t && t->LineBlocks.Count() > 0) {
      ht::THtLineBlock* lb = t->LineBlocks.First();
      (void)t->NearestSpace(pos * 4, lb);
      (void)lb->Nearestto(pos * 4);
      (void)t->CharAtPoint(pos * 4, pos);
    }
    (void)sel.Text();
    (void)doc.GetSelectedHTML();
    (void)sel.VisibleLength();
    (void)sel.AbsoluteStart();
    (void)sel.AllSelected();
    (void)sel.SelectedRows();
    (void)sel.LastCell();
    if (!sel.Empty()) (void)sel.TopElement();
    for (ht::TElement* x : all) {
      (void)sel.FullSelected(x);
      (void)sel.PartiallyInSelection(x);
    }
  }
  return 0;
}
