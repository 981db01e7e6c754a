#include <thread>
#include <vector>

#include "document/document.h"
#include "document/script_adapter.h"
#include "document_fixture.h"

namespace ht::testing {

namespace {

std::vector<String> names(const THtElementEvents& Events) {
  std::vector<String> out;
  for (const THtElementEvent& e : Events) out.push_back(e.Event);
  return out;
}

}  // namespace

TEST_F(DocumentTest, ClicksAndEnteringQueueEvents) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<p>x</p>");
  auto* p = static_cast<TElement*>(doc->FindNode(u"p"));
  std::vector<String> order;
  doc->OnElementEnter = [&](TElement* E) {
    EXPECT_EQ(E, p);
    EXPECT_TRUE(doc->ElementEvents().empty());  // before "mouseover" is queued
    order.push_back(u"enter");
  };
  doc->DoElementEnter(p);
  doc->DoOnClick(p, ssLeft);
  doc->DoOnClick(p, ssLeft | ssDouble);
  doc->DoElementExit(p);
  THtElementEvents events = doc->ElementEvents();
  EXPECT_EQ(names(events), (std::vector<String>{u"mouseover", u"click", u"click", u"dblclick", u"mouseout"}));
  EXPECT_EQ(events[2].Shift, ssLeft | ssDouble);
  EXPECT_EQ(events[3].Shift, ssLeft | ssDouble);
  EXPECT_EQ(events[3].E, p);
  EXPECT_EQ(order.size(), 1u);

  std::vector<TElement*> clicked;
  doc->OnClick = [&](THtObject* Sender) { clicked.push_back(static_cast<TElement*>(Sender)); };
  doc->ProcessElementEvents();
  EXPECT_EQ(clicked.size(), 3u);
  EXPECT_TRUE(doc->ElementEvents().empty());
}

TEST_F(DocumentTest, FormScriptsCallTheHostFormsMethods) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<b onclick=\"FORM.DoIt\">a</b><i onclick=\"form.missing\">b</i><u onclick=\"alert(1)\">c</u>");
  std::vector<TElement*> calls;
  doc->FormMethods[u"DoIT"] = [&](TElement* E) { calls.push_back(E); };
  for (StringView tag : {u"b", u"i", u"u"}) doc->DoOnClick(static_cast<TElement*>(doc->FindNode(tag)), 0);
  doc->ProcessElementEvents();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]->Tag(), u"b");

  // The adapter itself, called directly.
  THtScriptAdapter adapter;
  adapter.Run(calls[0], u"click", u"Form.doIT");
  adapter.Run(calls[0], u"click", u"form.");
  adapter.Run(nullptr, u"click", u"form.doit");
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_FALSE(adapter.RunFunction(calls[0], nullptr, {}).Assigned);
}

TEST_F(DocumentTest, OnlyTheMainThreadReadsThePointerTarget) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<p>x</p>");
  auto* p = static_cast<TElement*>(doc->FindNode(u"p"));
  doc->Event.Target = p;
  p->RunEvent(u"click", 0);
  std::thread worker([&] { p->RunEvent(u"transitionend", 0); });
  worker.join();
  THtElementEvents events = doc->ElementEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Target, p);
  EXPECT_EQ(events[1].Target, nullptr);
  EXPECT_EQ(events[1].E, p);
}

TEST_F(DocumentTest, ClearingWhileAnotherThreadQueuesNeverTearsAnEntry) {
  auto doc = NewDocument();
  TElement* e = doc->Add(new TElement());
  std::thread worker([&] {
    for (int i = 0; i < 2000; ++i) doc->QueueElementEvent(e, u"transitionend", 0);
  });
  for (int i = 0; i < 200; ++i) {
    doc->ClearElementsEvents();
    for (const THtElementEvent& ev : doc->TakeElementEvents()) {
      EXPECT_EQ(ev.E, e);
      EXPECT_EQ(ev.Event, u"transitionend");
    }
  }
  worker.join();
}

TEST_F(DocumentTest, AnElementDeletedByAHandlerIsSkipped) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<b>a</b><i>b</i>");
  auto* b = static_cast<TElement*>(doc->FindNode(u"b"));
  auto* i = static_cast<TElement*>(doc->FindNode(u"i"));
  std::vector<TElement*> clicked;
  doc->OnClick = [&](THtObject* Sender) {
    clicked.push_back(static_cast<TElement*>(Sender));
    if (Sender == b) doc->DeleteChild(i);
  };
  doc->DoOnClick(b, 0);
  doc->DoOnClick(i, 0);
  doc->ProcessElementEvents();
  EXPECT_EQ(clicked, std::vector<TElement*>{b});
}

}  // namespace ht::testing
