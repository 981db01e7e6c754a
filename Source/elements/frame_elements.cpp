#include "elements/frame_elements.h"

#include "document/computed_style.h"

namespace ht {

const THtNodeClass TFrameElement::ClassType{"TFrameElement", &TElement::ClassType,
                                            CreateInstance<TFrameElement, THtNode>};
const THtNodeClass TFrameSetElement::ClassType{"TFrameSetElement", &TFrameElement::ClassType,
                                               CreateInstance<TFrameSetElement, THtNode>};

void TFrameElement::ParseAttribute(StringView Param, StringView Value) {
  if (Param == u"src") SetContent(Value);
  else TElement::ParseAttribute(Param, Value);
}

void TFrameSetElement::ParseAttribute(StringView Param, StringView Value) {
  if (Param == u"rows") ParseSizes(Value, true);
  else if (Param == u"cols") ParseSizes(Value, false);
  else TFrameElement::ParseAttribute(Param, Value);
}

void TFrameSetElement::ParseSizes(StringView Value, bool AIsRows) {
  IsRows = AIsRows;
  Rows.clear();
  // Entries run to the next ",", "(" or ")"; blank and empty ones are
  // skipped.
  size_t i = 0;
  while (i < Value.size()) {
    size_t j = i;
    while (j < Value.size() && Value[j] != u',' && Value[j] != u'(' && Value[j] != u')') ++j;
    StringView entry = Value.substr(i, j - i);
    while (!entry.empty() && entry.front() <= u' ') entry.remove_prefix(1);
    while (!entry.empty() && entry.back() <= u' ') entry.remove_suffix(1);
    if (!entry.empty()) {
      TMeasure m;
      m.Init(ElementStyleOf(this));
      m.Parent = IsRows ? &InnerHeight : &InnerWidth;
      m.Parse(entry);
      Rows.push_back(m);
    }
    i = j + 1;
  }
}

int TFrameSetElement::FrameIndex(const TElement* Frame) const {
  int index = -1;
  for (int i = 0; i < Count(); ++i) {
    THtNode* n = GetNode(i);
    if (dynamic_cast<TFrameElement*>(n)) ++index;
    if (n == Frame) return index;
  }
  return -1;
}

int TFrameSetElement::FrameSize(const TElement* Frame) const {
  const int i = FrameIndex(Frame);
  return i >= 0 && i < int(Sizes.size()) ? Sizes[size_t(i)] : 0;
}

int TFrameSetElement::FrameLeft(const TElement* E) const {
  const int i = FrameIndex(E);
  int sum = 0;
  for (int k = 0; k < std::min(i, int(Sizes.size())); ++k) sum += Sizes[size_t(k)];
  return sum;
}

void TFrameSetElement::UpdateSize(const TElement* E, int W, int H) {
  const int i = FrameIndex(E);
  if (i < 0 || i >= int(Sizes.size()) - 1) return;
  const int v = IsRows ? H : W;
  if (v == 0) return;
  Sizes[size_t(i) + 1] += Sizes[size_t(i)] - v;
  Sizes[size_t(i)] = v;
}

}  // namespace ht
