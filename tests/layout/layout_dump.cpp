#include "layout_dump.h"

#include "document/element.h"
#include "layout/text_element.h"
#include "support/trace_canvas.h"

namespace ht::testing {

namespace {

const char* const kFlagNames[] = {"Space",      "Blank",      "RTL",         "BreakBefore", "BreakAfter",
                                  "LineBreak",  "NoRightBreak", "NoLeftBreak", "Hidden",     "Processed",
                                  "Block",      "OutofFlow",  "InlineStart", "InlineEnd",   "Collapsible",
                                  "Text",       "SpellIncorrect", "Hyphen",  "Tab"};

std::string elementName(const TElement* E) {
  if (!E) return "?";
  if (E->IsText()) {
    if (E->HasFlag(efLineBreak)) return "<br>";
    return "'" + StringToUtf8(E->Content()) + "'";
  }
  return StringToUtf8(E->Tag().empty() ? String(u"#document") : E->Tag());
}

std::string runLine(const THtLineBlock* b) {
  std::string s = "  " + elementName(b->E);
  if (b->E && b->E->IsText()) s += "[" + std::to_string(b->Start) + "," + std::to_string(b->Count) + "]";
  std::string flags;
  for (int f = 0; f <= int(trfTab); ++f)
    if (b->Flags.Contains(THtTextRunFlag(f))) flags += (flags.empty() ? "" : ",") + std::string(kFlagNames[f]);
  s += " {" + flags + "} " + TraceNum(b->LogicalWidth) + "x" + TraceNum(b->LogicalHeight);
  return s;
}

}  // namespace

std::string DumpRuns(TElement* Root) {
  std::string out;
  for (THtNode* n = Root; n; n = n->NextNode()) {
    auto* e = AsElement(n);
    if (!e || !e->SelfFlow || !e->SelfFlow->FirstBlock) continue;
    out += "flow " + elementName(e) + "\n";
    for (THtLineBlock* b = e->SelfFlow->FirstBlock; b; b = b->NextBlock()) out += runLine(b) + "\n";
  }
  return out;
}

}  // namespace ht::testing
