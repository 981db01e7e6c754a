#include <memory>
#include <string>
#include <thread>
#include <utility>
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

// Records what the document runs: "<tag>:<event>" for handler attributes,
// "<tag>:<event>()" for listeners, with the pointer event's button.
class TRecordingAdapter : public THtScriptAdapter {
 public:
  explicit TRecordingAdapter(THtDocument* ADoc) : Doc(ADoc) {}
  void Run(TElement* Element, StringView Event, StringView Script) override {
    Log.push_back(StringToUtf8(Element->Tag() + u":" + String(Event)));
    Buttons.push_back(Doc->Event.Button);
    if (Script == u"stop") Doc->Event.StopPropagation();
    if (Script == u"delete") Element->Parent()->DeleteChild(Element);
  }
  THtScriptValue RunFunction(TElement* Element, THtObject* Func, const std::vector<String>& Params) override {
    (void)Func;
    EXPECT_TRUE(Params.empty());
    Log.push_back(StringToUtf8(Element->Tag()) + ":" + Current + "()");
    return {};
  }
  THtDocument* Doc;
  std::string Current;
  std::vector<std::string> Log;
  std::vector<int> Buttons;
};

// A document whose script adapter records, and whose OnClick lists tags.
struct TDispatchFixture {
  explicit TDispatchFixture(std::unique_ptr<THtDocument> ADoc) : Adapter(nullptr), Doc(std::move(ADoc)) {
    Adapter.Doc = Doc.get();
    Doc->SetScriptAdapter(&Adapter);
    Doc->OnClick = [this](THtObject* Sender) { Clicked.push_back(StringToUtf8(static_cast<TElement*>(Sender)->Tag())); };
  }
  TElement* Find(StringView Tag) { return static_cast<TElement*>(Doc->FindNode(Tag)); }
  // A release on E: "mouseup" and "click" for E and each ancestor up to the
  // body, innermost first, as pointer handling queues them.
  void Release(TElement* E, TShiftState Shift) {
    for (TElement* e = E; e && e != Doc->Body()->Parent(); e = e->Parent()) e->RunEvent(u"mouseup", Shift);
    for (TElement* e = E; e && e != Doc->Body()->Parent(); e = e->Parent()) Doc->DoOnClick(e, Shift);
    Doc->Event.FStopped = false;  // as a pointer entry point clears it
    Doc->ProcessElementEvents();
  }
  TRecordingAdapter Adapter;  // outlives the document that uses it
  std::unique_ptr<THtDocument> Doc;
  std::vector<std::string> Clicked;
};

}  // namespace

TEST_F(DocumentTest, AClickOnALinkStopsTheBatch) {
  TDispatchFixture f(NewDocument());
  f.Doc->SetInnerHTML(u"<body><ul onclick=x><li onclick=x>item <a href=#y onmouseup=x onclick=x>link</a></li></ul>");
  f.Release(f.Find(u"a"), ssLeft | ssDouble);
  EXPECT_EQ(f.Clicked, std::vector<std::string>{"a"});
  // The mouseups queued before the link's click ran; nothing after it.
  EXPECT_EQ(f.Adapter.Log, (std::vector<std::string>{"a:mouseup", "a:click"}));
  EXPECT_EQ(f.Adapter.Buttons, (std::vector<int>{1, 1}));
  f.Clicked.clear();
  f.Adapter.Log.clear();
  f.Adapter.Buttons.clear();
  f.Release(f.Find(u"li"), ssRight);
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"li", "ul", "body"}));
  EXPECT_EQ(f.Adapter.Log, (std::vector<std::string>{"li:click", "ul:click"}));
  EXPECT_EQ(f.Adapter.Buttons, (std::vector<int>{3, 3}));
}

TEST_F(DocumentTest, DispatchOrderStopsAndButtons) {
  TDispatchFixture f(NewDocument());
  f.Doc->SetInnerHTML(u"<body><p onclick=x onmouseover=x>a</p><i onmouseup=stop onclick=x>b</i>"
                      u"<b disabled onclick=x>c</b><u disabled=false onclick=x>d</u>");
  TElement* p = f.Find(u"p");
  THtObject listener;
  p->AddEventListener(u"click", &listener);
  p->AddEventListener(u"click", &listener);  // only the first one runs
  f.Adapter.Current = "click";
  // Attribute before listener, then OnClick; a double click queues both.
  f.Doc->DoOnClick(p, ssLeft | ssDouble);
  f.Doc->DoElementEnter(p);
  f.Doc->ProcessElementEvents();
  EXPECT_EQ(f.Adapter.Log, (std::vector<std::string>{"p:click", "p:click()", "p:mouseover"}));
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"p", "p"}));
  EXPECT_EQ(f.Adapter.Buttons, (std::vector<int>{1, 0}));  // a move without buttons has none
  // StopPropagation in "mouseup" keeps the click from running.
  f.Adapter.Log.clear();
  f.Clicked.clear();
  f.Release(f.Find(u"i"), ssMiddle);
  EXPECT_EQ(f.Adapter.Log, std::vector<std::string>{"i:mouseup"});
  EXPECT_TRUE(f.Clicked.empty());
  // The stop flag holds until the next entry point clears it.
  f.Find(u"u")->RunEvent(u"click", 0);
  f.Doc->ProcessElementEvents();
  EXPECT_TRUE(f.Clicked.empty());
  // A disabled element runs nothing; "false" is not disabled.
  f.Doc->Event.FStopped = false;
  f.Doc->DoOnClick(f.Find(u"b"), ssLeft);
  f.Doc->DoOnClick(f.Find(u"u"), ssLeft);
  f.Doc->ProcessElementEvents();
  EXPECT_EQ(f.Clicked, std::vector<std::string>{"u"});
}

TEST_F(DocumentTest, AHandlerDeletingItsElementEndsItsEvent) {
  TDispatchFixture f(NewDocument());
  f.Doc->SetInnerHTML(u"<body><p><s onclick=delete>a</s></p>");
  TElement* s = f.Find(u"s");
  THtObject listener;
  s->AddEventListener(u"click", &listener);
  f.Release(s, ssLeft);
  EXPECT_EQ(f.Adapter.Log, (std::vector<std::string>{"s:click"}));
  EXPECT_EQ(f.Clicked, (std::vector<std::string>{"p", "body"}));
}

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
