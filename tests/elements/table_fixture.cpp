#include "elements/table_fixture.h"

#include "layout/layout_style.h"
#include "platform/rtl/string.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

TTableElement* TableTest::Load(StringView Html) {
  Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType);
  Doc->Parse(String(Html));
  Doc->RecalcStyles();
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (auto* t = dynamic_cast<TTableElement*>(n)) {
      t->Prepare();
      return t;
    }
  return nullptr;
}

TElement* TableTest::ById(StringView Id) {
  for (THtNode* n = Doc.get(); n; n = n->NextNode())
    if (n->GetAttribute(u"id") == Id) return dynamic_cast<TElement*>(n);
  return nullptr;
}

std::string TableTest::Grid(TTableElement* T) {
  std::string s;
  for (int r = 0; r < T->RowCount; ++r) {
    if (r) s += " | ";
    TTableRow* row = T->Row(r);
    bool first = true;
    for (int k = 0; k < row->Count(); ++k) {
      auto* c = dynamic_cast<TTableCell*>(row->ChildNodes(k));
      if (!c || DisplayOf(c) == dsNone) continue;
      if (!first) s += ' ';
      first = false;
      s += StringToUtf8(c->GetAttribute(u"id")) + "@" + std::to_string(c->Col);
    }
  }
  return s;
}

}  // namespace ht::testing
