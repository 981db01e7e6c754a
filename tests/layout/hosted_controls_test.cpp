// Hosted control elements over a fake host (a form holding a panel that
// stands for the host control), details elements, and the document's form
// values and validity.
#include <memory>

#include "layout_fixture.h"
#include "support/ahem_canvas.h"
#include "canvas/canvas.h"
#include "css/css_selector.h"
#include "document/base_input_element.h"
#include "document/element_registry.h"
#include "layout/control_element.h"
#include "layout/details_element.h"
#include "layout/layout_style.h"
#include "platform/ui/hosted_control.h"
#include "platform/ui/scroll_bar.h"

namespace ht::testing {

namespace {

using ui::TControl;
using ui::TControlClass;

const TControlClass kPanelClass{u"TPanel", [] { return std::make_unique<TControl>(kPanelClass); }, {}, false};

const TControlClass kEditClass{u"TFakeEdit",
                               [] { return std::make_unique<TControl>(kEditClass); },
                               {{u"Align", ui::pkEnumeration, {u"alNone", u"alTop", u"alBottom", u"alLeft", u"alRight", u"alClient"}},
                                {u"Count", ui::pkInteger, {}},
                                {u"Big", ui::pkInt64, {}},
                                {u"Ratio", ui::pkFloat, {}},
                                {u"Caption", ui::pkString, {}}},
                               true};

// The host's form owns the host control's window and a control "Edit1" on
// a nested panel.
struct TFakeHost : ui::IHostControl {
  TFakeHost() {
    auto window = kPanelClass.Create();
    Window = window.get();
    Form.InsertComponent(std::move(window));
    Window->SetParent(&Form);
    auto panel = kPanelClass.Create();
    Panel = panel.get();
    Form.InsertComponent(std::move(panel));
    Panel->SetParent(&Form);
    auto edit = kEditClass.Create();
    Edit = edit.get();
    Edit->Name = u"Edit1";
    Form.InsertComponent(std::move(edit));
    Edit->SetParent(Panel);
  }
  std::unique_ptr<ui::TScrollBar> CreateScrollBar() override { return nullptr; }
  TControl* ControlWindow() override { return Window; }
  TControl Form{kPanelClass};
  TControl* Window = nullptr;
  TControl* Panel = nullptr;
  TControl* Edit = nullptr;
};

class HostedControlsTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    ui::RegisterHostableClass(&kEditClass);
    RegisterElementClass(u"x-input", &TBaseInputElement::ClassType);
  }
  void TearDown() override {
    Doc.reset();
    ui::UnregisterHostableClass(&kEditClass);
  }
  void Load(StringView Html, bool Paged = false, float Scale = 1) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false);
    Doc->Control = &Host;
    Doc->Paged = Paged;
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>" + String(Html));
    Doc->Surface->Scene.Scale = Scale;
    Doc->CalcSize(800, 600);
  }
  template <class T>
  T* Id(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* e = dynamic_cast<T*>(n); e && e->GetId() == Id) return e;
    return nullptr;
  }
  TFakeHost Host;
};

}  // namespace

TEST_F(HostedControlsTest, ControlFoundByNameMovesInAndStaysWithItsOwner) {
  Load(u"<control id=c name=edit1></control>");
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_EQ(c->Control, Host.Edit);
  EXPECT_EQ(Host.Edit->Parent(), Host.Window);
  EXPECT_FALSE(c->FOwnsControl);
  const int owned = Host.Form.ComponentCount();
  Doc.reset();
  EXPECT_EQ(Host.Form.ComponentCount(), owned);  // not freed with the element
  EXPECT_EQ(Host.Edit->Name, u"Edit1");
}

TEST_F(HostedControlsTest, OnlyRegisteredTypesAreCreated) {
  Load(u"<control id=a type=TNope></control><control id=b type=tfakeedit>object X: TFakeEdit end</control>");
  TControlElement* a = Id<TControlElement>(u"a");
  EXPECT_EQ(a->Control, nullptr);
  float w = 0, h = 0;
  bool keep = true;
  EXPECT_FALSE(a->GetIntrinsicSize(w, h, keep));
  // The stored-form text is read by no one here; the registered type makes
  // a control owned by the element.
  TControlElement* b = Id<TControlElement>(u"b");
  ASSERT_NE(b->Control, nullptr);
  EXPECT_TRUE(b->FOwnsControl);
  EXPECT_EQ(b->Control->Parent(), Host.Window);
}

TEST_F(HostedControlsTest, AttributesSetTypedProperties) {
  Load(u"<control id=c type=TFakeEdit align=al-client count=abc big=123456789012 ratio='1,5' caption=Hi "
       u"style='width:50px'></control>");
  TControl* e = Id<TControlElement>(u"c")->Control;
  ASSERT_NE(e, nullptr);
  ui::TPropertyValue v;
  ASSERT_TRUE(e->GetProperty(u"Align", v));
  EXPECT_EQ(v.Int, 5);
  EXPECT_FALSE(e->GetProperty(u"Count", v));  // not a number: left unset
  ASSERT_TRUE(e->GetProperty(u"Big", v));
  EXPECT_EQ(v.Int, 123456789012);
  ASSERT_TRUE(e->GetProperty(u"Ratio", v));
  EXPECT_DOUBLE_EQ(v.Float, 1.5);
  ASSERT_TRUE(e->GetProperty(u"Caption", v));
  EXPECT_EQ(v.Str, u"Hi");
  EXPECT_EQ(e->Width(), 50);  // from the CSS width; style itself is no property
}

TEST_F(HostedControlsTest, PagedDocumentCreatesNone) {
  Load(u"<control id=c type=TFakeEdit></control>", true);
  EXPECT_EQ(Id<TControlElement>(u"c")->Control, nullptr);
}

TEST_F(HostedControlsTest, PlacedInDevicePixelsWithTheFontSize) {
  Load(u"<control id=c type=TFakeEdit style='width:30px;height:40px;font-size:16px'></control>", false, 2);
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_NE(c->Control, nullptr);
  c->UpdateScrollBars();
  EXPECT_EQ(c->Control->Height(), 80);
  EXPECT_EQ(c->Control->Width(), 60);
  EXPECT_TRUE(c->Control->Visible());
  EXPECT_EQ(c->Control->FontSize(), 24);  // 16 px = 12 pt, at scale 2
  c->HideControls();
  EXPECT_FALSE(c->Control->Visible());
}

// The document's pass passes over subtrees with nothing to update; a
// control deep among idle siblings is still shown again on every pass, and
// one added under a subtree already passed over is placed too.
TEST_F(HostedControlsTest, DeepControlIsUpdatedByEveryDocumentPass) {
  Load(u"<div><p>a</p><div><p>b</p><div><p>c</p>"
       u"<control id=c type=TFakeEdit style='width:30px;height:40px'></control></div></div></div><div id=i><p>idle</p></div>");
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_NE(c->Control, nullptr);
  for (int pass = 0; pass < 3; ++pass) {
    c->HideControls();
    Doc->UpdateScrollBars();
    EXPECT_TRUE(c->Control->Visible()) << pass;
    EXPECT_EQ(c->Control->Width(), 30) << pass;
  }
  TElement* idle = Id<TElement>(u"i");
  ASSERT_NE(idle, nullptr);
  idle->SetInnerHTML(u"<control id=n type=TFakeEdit style='width:20px;height:10px'></control>");
  Doc->CalcSize(800, 600);
  TControlElement* n = Id<TControlElement>(u"n");
  ASSERT_NE(n, nullptr);
  ASSERT_NE(n->Control, nullptr);
  n->HideControls();
  Doc->UpdateScrollBars();
  EXPECT_TRUE(n->Control->Visible());
  EXPECT_EQ(n->Control->Width(), 20);
}

// A hidden box does not keep its parent walked on every pass; once shown
// (a style change and a layout pass) the control inside it is placed.
TEST_F(HostedControlsTest, ControlShownFromAHiddenBoxIsUpdated) {
  Load(u"<div><p>a</p><div id=h style='display:none'>"
       u"<control id=c type=TFakeEdit style='width:30px;height:40px'></control></div><p>b</p></div>");
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_NE(c, nullptr);
  for (int pass = 0; pass < 2; ++pass) Doc->UpdateScrollBars();
  Id<TElement>(u"h")->SetAttribute(u"style", u"");
  Doc->CalcSize(800, 600);
  ASSERT_NE(c->Control, nullptr);
  c->HideControls();
  Doc->UpdateScrollBars();
  EXPECT_TRUE(c->Control->Visible());
  EXPECT_EQ(c->Control->Width(), 30);
}

TEST_F(HostedControlsTest, SavingWritesPropertiesBackWithADecimalPoint) {
  Load(u"<control id=c type=TFakeEdit ratio=1 align=alnone caption=a></control>");
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_NE(c->Control, nullptr);
  ui::TPropertyValue v;
  v.Float = 2.25;
  c->Control->SetProperty(u"Ratio", v);
  v.Int = 1;
  c->Control->SetProperty(u"Align", v);
  const String html = c->GetOuterHTML();
  EXPECT_NE(html.find(u"ratio=\"2.25\""), String::npos) << StringToUtf8(html);
  EXPECT_NE(html.find(u"align=\"alTop\""), String::npos) << StringToUtf8(html);
}

// Displayed inline, a replaced element is still one atomic run (no opening
// and closing runs around children), sized from its control and its CSS.
TEST_F(HostedControlsTest, InlineControlIsOneAtomicRun) {
  Load(u"<p>a <control id=c type=TFakeEdit style='display:inline;width:30px;height:20px'>x</control> b</p>"
       u"<p><control id=n type=TNope style='display:inline;margin-left:5px'>text</control>z</p>");
  TControlElement* c = Id<TControlElement>(u"c");
  ASSERT_EQ(DisplayOf(c), dsInline);
  ASSERT_EQ(c->LineBlocks.Count(), 1);
  const THtLineBlock* run = c->FirstRun();
  EXPECT_FALSE(run->Has(trfInlineStart));
  EXPECT_EQ(run->LogicalWidth, 30);
  EXPECT_EQ(run->LogicalHeight, 20);
  EXPECT_EQ(run->Left, 20);
  EXPECT_EQ(c->InnerWidth, 30);
  EXPECT_EQ(c->OuterRect.Left, 20);
  EXPECT_EQ(c->OuterRect.Right, 50);
  // No control and no sizes: an empty run that still takes its margin.
  TControlElement* n = Id<TControlElement>(u"n");
  ASSERT_EQ(n->LineBlocks.Count(), 1);
  EXPECT_EQ(n->FirstRun()->LogicalWidth, 5);
  EXPECT_EQ(n->InnerWidth, 0);
}

TEST_F(HostedControlsTest, DetailsShowOnlyTheSummaryUntilOpened) {
  Load(u"<details id=d><summary id=s>sum</summary><p id=p>para</p></details>");
  TDetailsElement* d = Id<TDetailsElement>(u"d");
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->Open());
  EXPECT_EQ(DisplayOf(Id<TElement>(u"p")), dsNone);
  bool ignore = false;
  d->DoMouseDown(1, 1, true, ignore, 0);
  EXPECT_FALSE(d->Open());  // a press alone does not open it
  d->DoMouseDown(1, 1, false, ignore, 0);
  EXPECT_TRUE(d->Open());
  EXPECT_TRUE(bool(Doc->NeedRecalc));
  Doc->CalcSize(800, 600);
  EXPECT_NE(DisplayOf(Id<TElement>(u"p")), dsNone);
  EXPECT_GT(Id<TElement>(u"p")->CalcHeight(), 0);
}

TEST_F(HostedControlsTest, FormValuesListNamedControls) {
  Load(u"<x-input id=c name=User value=z></x-input><x-input id=a name=user value=a></x-input>"
       u"<x-input id=b name=user value=b></x-input><x-input name=empty value=''></x-input>"
       u"<x-input value=nameless></x-input>");
  TFormValuesList& v = Doc->FormValues();
  ASSERT_EQ(v.Count(), 1);
  EXPECT_EQ(v[0], u"user=b");
  v.SetValues(u"user", u"x");
  EXPECT_EQ(Id<TBaseInputElement>(u"a")->GetValue(), u"x");
  EXPECT_EQ(Id<TBaseInputElement>(u"b")->GetValue(), u"x");
  EXPECT_EQ(Id<TBaseInputElement>(u"c")->GetValue(), u"x");
  // A name not listed (its value was empty) is written too.
  Doc->FormValues().SetValues(u"empty", u"y");
  EXPECT_EQ(Doc->FormValues().Values(u"empty"), u"y");
  EXPECT_TRUE(Doc->FormValid());
  Id<TBaseInputElement>(u"a")->SetPseudoClass(pcInvalid, true, false);
  EXPECT_FALSE(Doc->FormValid());
}

TEST_F(HostedControlsTest, NoFormControlsIsValidAndEmpty) {
  Load(u"<p>text</p>");
  EXPECT_TRUE(Doc->FormValid());
  EXPECT_EQ(Doc->FormValues().Count(), 0);
}

}  // namespace ht::testing
