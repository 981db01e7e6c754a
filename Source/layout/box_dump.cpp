#include "layout/box_dump.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "css/element_style_facts.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/text_element.h"
#include "platform/rtl/number_text.h"

namespace ht {

namespace {

std::string num(double v) { return StringToUtf8(FastFloatToStr(v, 2)); }

std::string rectText(const TRectF& R) {
  return num(R.Left) + "," + num(R.Top) + " " + num(R.Right - R.Left) + "\u00D7" + num(R.Bottom - R.Top);
}

TRectF offset(TRectF R, float dx, float dy) { return TRectF(R.Left + dx, R.Top + dy, R.Right + dx, R.Bottom + dy); }

TRectF unite(const TRectF& A, const TRectF& B) {
  return TRectF(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                std::max(A.Bottom, B.Bottom));
}

std::string quoted(const String& s) {
  std::string out = "\"";
  for (char c : StringToUtf8(s)) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') out += "\\n";
    else out += c;
  }
  return out + "\"";
}

// tag#id.class.class, as a selector would name the element.
std::string boxName(const TElement* E) {
  std::string s = E->Tag().empty() ? std::string("#document") : StringToUtf8(E->Tag());
  const String id = E->GetId();
  if (!id.empty()) s += "#" + StringToUtf8(id);
  const String classes = E->GetStyleClass();
  size_t i = 0;
  while (i < classes.size()) {
    while (i < classes.size() && IsBlankChar(classes[i])) ++i;
    size_t j = i;
    while (j < classes.size() && !IsBlankChar(classes[j])) ++j;
    if (j > i) s += "." + StringToUtf8(classes.substr(i, j - i));
    i = j;
  }
  return s;
}

bool isBox(TElement* E, const THtDocument& Doc) {
  if (E == &Doc) return true;
  if (E->IsText() || !E->Style() || E->Style()->Display() == dsNone) return false;
  return E->LineBlocks.Count() > 0;
}

// The border box in document pixels; an inline box answers the union of its
// line fragments.
TRectF boxRect(TElement* E) {
  TRectF r = E->BorderRect();
  if (E->Style() && E->Style()->Display() == dsInline && !E->IsReplacedElement() && E->FirstRun() &&
      E->LastRun()) {
    const int lines = std::max(1, E->LastRun()->Line - E->FirstRun()->Line + 1);
    r = E->Rects(0);
    for (int l = 1; l < lines; ++l) r = unite(r, E->Rects(l));
  }
  r = offset(r, E->RealLeft(), E->RealTop());
  // Transformed boxes answer their bounds on the page, as a browser does:
  // through their own transform, then those of their ancestors.
  // Only a box with a transform needs its position again: asking every
  // ancestor would make the dump cubic in the depth of the tree.
  for (const TElement* e = E; e; e = e->Parent()) {
    const TElementStyle* style = e->IsText() ? nullptr : ElementStyleOf(e);
    if (!style || !style->HasTransform()) continue;
    THtMatrixData m;
    e->TransformMatrix(e->RealLeft(), e->RealTop(), m);
    if (m.Flags != mfIdentity) r = m.TransformRect(r);
  }
  return r;
}

// Where the content box of E starts in document pixels: the origin of its
// flow's lines.
void contentOrigin(TElement* E, float& X, float& Y) {
  const TRectF inner = E->InnerRect();
  X = E->RealLeft() + inner.Left;
  Y = E->RealTop() + inner.Top + E->VDelta;
  if (E->FOverflowData) {
    X -= float(E->FOverflowData->HOffset);
    Y -= float(E->FOverflowData->VOffset);
  }
}

bool showsOnLine(const THtLineBlock* B) {
  return !B->Hidden() && B->InFlow() && !B->Has(trfBlock) && !B->Has(trfInlineStart) && !B->Has(trfInlineEnd);
}

void dumpLines(TElement* E, TFlow* Flow, const std::string& Indent, std::string& Out) {
  const int count = Flow->LineCount();
  if (count == 0) return;
  // The runs of each line, in chain order.
  std::vector<std::vector<THtLineBlock*>> runs(static_cast<size_t>(count));
  for (THtLineBlock* b = Flow->FirstBlock; b; b = b->NextBlock())
    if (b->Line >= 0 && b->Line < count) runs[size_t(b->Line)].push_back(b);
  float x0 = 0, y0 = 0;
  contentOrigin(E, x0, y0);
  for (int i = 0; i < count; ++i) {
    const THtLineInfo& line = Flow->FLines[size_t(i)];
    const std::vector<THtLineBlock*>& on = runs[size_t(i)];
    // A line of collapsed white space, inline edges or out-of-flow boxes only
    // is no line a reader would see.
    if (line.IsBlock || std::none_of(on.begin(), on.end(), showsOnLine)) continue;
    const TRectF lr(x0 + float(line.LeftOffset), y0 + line.Y, x0 + float(line.LeftOffset + line.Width),
                    y0 + line.Y + line.Height);
    Out += Indent + "line " + rectText(lr) + "\n";
    for (size_t k = 0; k < on.size(); ++k) {
      THtLineBlock* b = on[k];
      if (b->Hidden() || !b->E) continue;
      if (b->IsLineBreak()) {
        Out += Indent + "  <br> " + rectText(b->RealRect()) + "\n";
        continue;
      }
      if (!b->IsText()) continue;
      String text = b->DisplayText();
      TRectF r = b->RealRect();
      while (k + 1 < on.size() && on[k + 1]->E == b->E && on[k + 1]->IsText() && !on[k + 1]->IsLineBreak()) {
        ++k;
        if (on[k]->Hidden()) continue;
        text += on[k]->DisplayText();
        r = unite(r, on[k]->RealRect());
      }
      Out += Indent + "  " + quoted(text) + " " + rectText(r) + "\n";
    }
  }
}

}  // namespace

std::string LayoutDump(THtDocument& Doc) {
  std::string out = "viewport " + std::to_string(Doc.ClientWidth) + "x" + std::to_string(Doc.ClientHeight) + "\n";
  // Depth first without recursion: trees may be deeper than the stack allows.
  std::vector<std::pair<TElement*, int>> stack{{&Doc, 0}};
  while (!stack.empty()) {
    auto [e, depth] = stack.back();
    stack.pop_back();
    const std::string indent(size_t(depth) * 2, ' ');
    out += indent + boxName(e) + " " + rectText(boxRect(e)) + "\n";
    if (e->SelfFlow) dumpLines(e, e->SelfFlow.get(), indent + "  ", out);
    const size_t mark = stack.size();
    for (int i = 0; i < e->Count(); ++i)
      if (auto* child = AsElement(e->GetNode(i)); child && isBox(child, Doc)) stack.emplace_back(child, depth + 1);
    std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
  }
  return out;
}

}  // namespace ht
