// The document's queries: elements by id or attribute, the head element,
// the style elements and the start of the document-wide word walk. All
// are walks over the tree in document order, starting after the document.
#include "document/document.h"
#include "markup/xpath.h"

namespace ht {

namespace {

// The first element after From (excluded) in document order; nodes that
// are not elements are passed over.
TElement* nextElementAfter(const THtNode* From) {
  for (THtNode* n = From->NextNode(); n; n = n->NextNode())
    if (auto* e = AsElement(n)) return e;
  return nullptr;
}

}  // namespace

TElement* THtDocument::GetElementbyId(StringView AID) {
  for (TElement* e = nextElementAfter(this); e; e = nextElementAfter(e))
    if (StringView(e->GetAttribute(u"id")) == AID) return e;
  return nullptr;
}

void THtDocument::GetElementsbyID(StringView ID, THtNodeList& List) { GetElementsbyAttr(u"id", ID, List); }

void THtDocument::GetElementsbyAttr(StringView AttrName, StringView AttrValue, THtNodeList& List) {
  for (TElement* e = nextElementAfter(this); e; e = nextElementAfter(e))
    if (StringView(e->GetAttribute(AttrName)) == AttrValue) List.Add(e);
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
