#include <vector>

#include "document/document.h"
#include "document/paint_services.h"
#include "document_fixture.h"
#include "layout/text_element.h"

namespace ht::testing {

namespace {

TElement* add(TElement* Parent, StringView Tag) {
  auto* e = new TElement();
  e->SetTag(Tag);
  return Parent->Add(e);
}

std::vector<int64_t> indexesInOrder(THtDocument& Doc) {
  std::vector<int64_t> out;
  for (THtNode* n = &Doc; n; n = n->NextNode()) out.push_back(static_cast<TElement*>(n)->Index);
  return out;
}

}  // namespace

TEST_F(DocumentTest, InsertsNumberElementsInDocumentOrder) {
  auto doc = NewDocument();
  TElement* a = add(doc.get(), u"a");
  TElement* b = add(doc.get(), u"b");
  EXPECT_LT(a->Index, b->Index);
  EXPECT_EQ(b->Index, a->Index + 10000);  // nothing follows: the step after the previous node

  // AppendChild places the element first, between the receiver and its old
  // first child.
  auto* first = new TElement();
  doc->AppendChild(first);
  EXPECT_EQ(doc->GetChild(0), first);
  EXPECT_GT(first->Index, doc->Index);
  EXPECT_LT(first->Index, a->Index);

  // Inserted after an element with children: after its whole subtree.
  TElement* aChild = add(a, u"i");
  auto* afterA = new TElement();
  doc->InsertAfter(a, afterA);
  EXPECT_GT(afterA->Index, aChild->Index);
  EXPECT_LT(afterA->Index, b->Index);

  auto* beforeB = new TElement();
  doc->InsertBefore(b, beforeB);
  EXPECT_GT(beforeB->Index, afterA->Index);
  EXPECT_LT(beforeB->Index, b->Index);
  EXPECT_FALSE(doc->FIndexesDirty);

  std::vector<int64_t> order = indexesInOrder(*doc);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST_F(DocumentTest, RepeatedInsertsAtOnePlaceAskForRenumbering) {
  auto doc = NewDocument();
  TElement* anchor = add(doc.get(), u"a");
  add(doc.get(), u"z");
  int64_t last = -1;
  int inserts = 0;
  while (!doc->FIndexesDirty && inserts < 64) {
    auto* e = new TElement();
    doc->InsertAfter(anchor, e);
    if (last >= 0) {
      EXPECT_LT(e->Index, last);  // ever closer to the anchor
    }
    last = e->Index;
    ++inserts;
  }
  EXPECT_TRUE(doc->FIndexesDirty);
  EXPECT_LT(inserts, 20);
  doc->RecalcIndexes();
  EXPECT_FALSE(doc->FIndexesDirty);
  std::vector<int64_t> order = indexesInOrder(*doc);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], int64_t(i) * 10000);
}

TEST_F(DocumentTest, FailedInsertsChangeNothing) {
  auto doc = NewDocument();
  TElement* p = add(doc.get(), u"p");
  TElement* q = add(doc.get(), u"q");
  TElement* e = add(p, u"e");
  TElement* inner = add(e, u"inner");
  const int64_t index = e->Index;
  struct Case {
    const char* name;
    std::function<void()> edit;
    const char16_t* message;
  };
  const Case cases[] = {
      {"after a non-child", [&] { q->InsertAfter(inner, e); }, u"Element not found"},
      {"before a non-child", [&] { q->InsertBefore(inner, e); }, u"Element not found"},
      {"after itself", [&] { p->InsertAfter(e, e); }, u"Element not found"},
      {"into its own child", [&] { inner->Add(e); }, u"Element can not contain itself"},
      {"into itself", [&] { e->InsertAfter(nullptr, e); }, u"Element can not contain itself"},
      {"document below itself", [&] { e->Add(doc.get()); }, u"Element can not contain itself"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.edit();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& ex) {
      EXPECT_EQ(ex.Message(), c.message);
    }
    EXPECT_EQ(e->Parent(), p);
    EXPECT_EQ(p->Count(), 1);
    EXPECT_EQ(e->Index, index);
    EXPECT_EQ(inner->Parent(), e);
  }
}

TEST_F(DocumentTest, AddOfAListedChildListsItOnce) {
  auto doc = NewDocument();
  TElement* a = add(doc.get(), u"a");
  TElement* b = add(doc.get(), u"b");
  doc->Add(a);
  ASSERT_EQ(doc->Count(), 2);
  EXPECT_EQ(doc->GetChild(0), b);
  EXPECT_EQ(doc->GetChild(1), a);
  EXPECT_GT(a->Index, b->Index);
}

TEST_F(DocumentTest, TextSharesItsParentsStyle) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<p>text<b>bold</b></p>");
  auto* p = static_cast<TElement*>(doc->FindNode(u"p"));
  auto* text = static_cast<TElement*>(p->GetNode(0));
  ASSERT_TRUE(text->IsText());
  EXPECT_EQ(text->Style(), p->Style());
  EXPECT_FALSE(text->OwnsStyle());
  EXPECT_TRUE(p->OwnsStyle());

  // Moved elsewhere, it shares its new parent's style.
  auto* b = static_cast<TElement*>(doc->FindNode(u"b"));
  b->Add(text);
  EXPECT_EQ(text->Style(), b->Style());
  p->InsertHTML(u"first<i>x</i>");
  auto* moved = static_cast<TElement*>(p->GetNode(0));
  ASSERT_TRUE(moved->IsText());
  EXPECT_EQ(moved->Style(), p->Style());
  EXPECT_EQ(moved->Document, doc.get());

  // Any move, then the old parent's deletion: the text never keeps a style
  // it does not share with its parent.
  auto* holder = static_cast<TElement*>(doc->Add(new TElement()));
  holder->SetInnerText(u"loose");
  auto* loose = static_cast<TElement*>(holder->GetNode(0));
  EXPECT_EQ(loose->Style(), holder->Style());
  holder->MoveChildrentoParent(true);
  doc->DeleteChild(holder);
  EXPECT_EQ(loose->Parent(), doc.get());
  EXPECT_EQ(loose->Style(), doc->Style());
  p->MoveChildrento(b, -1);
  for (int i = 0; i < b->Count(); ++i)
    if (auto* t = static_cast<TElement*>(b->GetNode(i)); t->IsText()) {
      EXPECT_EQ(t->Style(), b->Style());
    }
}

TEST_F(DocumentTest, NavigationWalksDocumentOrder) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<div><p>a</p><p>b</p></div><span></span>");
  auto* div = static_cast<TElement*>(doc->FindNode(u"div"));
  auto* p1 = div->GetChild(0);
  auto* p2 = div->GetChild(1);
  auto* span = static_cast<TElement*>(doc->FindNode(u"span"));
  EXPECT_EQ(p1->Next(), p2);
  EXPECT_EQ(p2->Previous(), p1);
  EXPECT_EQ(span->PreviousElement(), p2->GetChild(0));
  EXPECT_EQ(p2->GetChild(0)->NextElement(), span);
  EXPECT_EQ(p1->GetChild(0)->CommonParentWith(p2), div);
  EXPECT_EQ(span->CommonParentWith(p1), doc.get());
  EXPECT_EQ(doc->CommonParentWith(p1), nullptr);
}

// --- Deletion ----------------------------------------------------------------------------

namespace {
std::vector<TElement*> forgotten;
void recordForgotten(THtDocument&, TElement& E) { forgotten.push_back(&E); }
}  // namespace

TEST_F(DocumentTest, DeletedElementsLeaveEveryTrackedPlace) {
  THtPaintServices services = NeutralPaintServices();
  services.ElementForgotten = recordForgotten;
  InstallPaintServices(&services);
  forgotten.clear();

  auto doc = NewDocument();
  doc->SetInnerHTML(u"<body><div><p><b>x</b></p></div></body>");
  auto* body = static_cast<TElement*>(doc->FindNode(u"body"));
  auto* div = static_cast<TElement*>(doc->FindNode(u"div"));
  auto* p = static_cast<TElement*>(doc->FindNode(u"p"));
  auto* b = static_cast<TElement*>(doc->FindNode(u"b"));
  doc->BodyElement = p;
  doc->FHoverElement = b;
  doc->FPressedElement = p;
  doc->SizingElement = b;
  doc->Selection.SetStartElement(b);
  doc->FHoverElements = {div, p, b};
  doc->FTransitionElements = {b};
  doc->FRunningElements = {p};
  doc->FFootNotes = {b, div};
  doc->Event.Target = b;
  doc->QueueElementEvent(b, u"click", 0);
  doc->QueueElementEvent(div, u"click", 0);
  std::vector<TElement*> deleted;
  doc->OnElementDeleted = [&](TElement* E) { deleted.push_back(E); };
  doc->NeedRecalc = false;
  forgotten.clear();

  div->Parent()->DeleteChild(div);

  EXPECT_EQ(doc->FHoverElement, body);
  EXPECT_EQ(doc->FPressedElement, body);
  EXPECT_EQ(doc->BodyElement, doc.get());
  EXPECT_EQ(doc->SizingElement, nullptr);
  EXPECT_EQ(doc->Selection.StartElement(), nullptr);
  EXPECT_TRUE(doc->FHoverElements.empty());
  EXPECT_TRUE(doc->FTransitionElements.empty());
  EXPECT_TRUE(doc->FRunningElements.empty());
  EXPECT_TRUE(doc->FFootNotes.empty());
  THtElementEvents events = doc->ElementEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].E, nullptr);
  EXPECT_EQ(events[0].Target, nullptr);
  EXPECT_EQ(events[1].E, nullptr);
  EXPECT_TRUE(doc->NeedRecalc);
  // Parents are told before their children; painting forgets each.
  ASSERT_GE(deleted.size(), 3u);
  EXPECT_EQ(deleted[0], div);
  EXPECT_EQ(deleted[1], p);
  EXPECT_EQ(deleted[2], b);
  EXPECT_EQ(forgotten.size(), deleted.size());

  // The document's own destruction tells nobody.
  deleted.clear();
  doc.reset();
  EXPECT_TRUE(deleted.empty());
  InstallPaintServices(nullptr);
}

TEST_F(DocumentTest, DeepChainsFreeWithoutRecursion) {
  auto doc = NewDocument();
  TElement* e = doc.get();
  for (int i = 0; i < 100000; ++i) e = add(e, u"d");
  doc->FHoverElement = e;
  doc->GetChild(0)->Add(new TElement());  // a sibling deep inside is fine too
  doc->DeleteChild(doc->GetChild(0));
  EXPECT_EQ(doc->FHoverElement, doc.get());
  e = doc.get();
  for (int i = 0; i < 100000; ++i) e = add(e, u"d");
  doc.reset();  // the document frees the second chain
}

TEST_F(DocumentTest, LayoutOperationsReadTheRuns) {
  auto doc = NewDocument();
  TElement* e = add(doc.get(), u"span");
  EXPECT_EQ(e->FirstRun(), nullptr);
  EXPECT_EQ(e->StartLine(), 0);
  THtLineBlock* first = e->LineBlocks.Add(std::make_unique<THtLineBlock>(e));
  first->Line = 3;
  THtLineBlock* hidden = e->LineBlocks.Add(std::make_unique<THtLineBlock>(e));
  hidden->Flags.Include(trfHidden);
  EXPECT_EQ(e->FirstRun(), first);
  EXPECT_EQ(e->LastRun(), hidden);
  EXPECT_EQ(e->LastVisibleRun(), first);
  EXPECT_EQ(e->StartLine(), 3);
  EXPECT_EQ(e->EnsureSelfFlow(), e->EnsureSelfFlow());
  EXPECT_EQ(e->SelfFlow->Owner, e);
}

}  // namespace ht::testing

namespace ht::testing {

TEST_F(DocumentTest, ComputedStyleSeesTheDocumentsViewAndRootSizes) {
  auto doc = NewDocument();
  TElement* e = doc->Add(new TElement());
  doc->FViewPort = TRectF(0, 0, 800, 600);
  doc->PageWidthPixels = 1000;
  doc->PageHeightPixels = 700;
  // Asked as a styled node, as the computed style's link asks.
  const TStyledHTMLNode* link = e;
  float w = 0, h = 0, scale = 0;
  ASSERT_TRUE(link->Viewport(w, h, scale));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(scale, 1);
  EXPECT_EQ(*link->RootWidthRef(), 1000);
  EXPECT_EQ(*link->RootHeightRef(), 700);
}

TEST_F(DocumentTest, TextFlagsPassUpAndDown) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<p>a<b>b</b></p>c");
  auto* p = static_cast<TElement*>(doc->FindNode(u"p"));
  auto* a = static_cast<TTextElement*>(p->GetNode(0));
  auto* b = static_cast<TTextElement*>(doc->FindNode(u"b")->GetNode(0));
  auto* c = static_cast<TTextElement*>(doc->GetNode(1));
  p->SetTextFlag(3, true, false, true);
  EXPECT_EQ(a->TextFlags, 1u << 3);
  EXPECT_EQ(b->TextFlags, 1u << 3);
  EXPECT_EQ(c->TextFlags, 0u);
  c->SetTextFlag(3, true, true, false);
  EXPECT_EQ(c->TextFlags, 1u << 3);
  p->SetTextFlag(3, false, false, true, p);  // stops at itself
  EXPECT_EQ(a->TextFlags, 1u << 3);
}

}  // namespace ht::testing
