// The document's queries: elements by id or attribute, the head element,
// the style elements and the start of the document-wide word walk. All
// are walks over the tree in document order, starting after the document.
#include "document/document.h"
#include "markup/xpath.h"

namespace ht {

// The walks test every node and ask for its element type only on a match:
// the type test costs more than the attribute comparison.
TElement* THtDocument::GetElementbyId(StringView AID) {
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (StringView(n->GetAttribute(u"id")) == AID)
      if (TElement* e = AsElement(n)) return e;
  return nullptr;
}

void THtDocument::GetElementsbyID(StringView ID, THtNodeList& List) { GetElementsbyAttr(u"id", ID, List); }

void THtDocument::GetElementsbyAttr(StringView AttrName, StringView AttrValue, THtNodeList& List) {
  for (THtNode* n = NextNode(); n; n = n->NextNode())
    if (StringView(n->GetAttribute(AttrName)) == AttrValue)
      if (TElement* e = AsElement(n)) List.Add(e);
}

TElement* THtDocument::Head() {
  if (auto* h = AsElement(NodebyName(u"head"))) return h;
  if (BodyElement && BodyElement->Parent() && BodyElement->Parent() != this)
    if (auto* h = AsElement(BodyElement->Parent()->NodebyName(u"head"))) return h;
  {
    IHtNodeList found = XPath(this, u"html/head", true);
    if (found && found->Count() > 0)
      if (auto* h = AsElement(found->Get(0))) return h;
  }
  auto head = std::make_unique<TElement>();
  head->SetTag(u"head");
  TElement* html = nullptr;
  if (FNodes)
    for (THtNode* n : *FNodes)
      if (n->Tag() == u"html") {
        html = AsElement(n);
        break;
      }
  TElement* owner = html ? html : this;
  return owner->InsertAfter(nullptr, head.release());
}

IHtNodeList THtDocument::StyleSheets() { return XPath(this, u"//style"); }

bool THtDocument::GetFirstWord(THtWord& W) {
  W.StartBlock = nullptr;
  return GetNextWord(W, false);
}

}  // namespace ht
