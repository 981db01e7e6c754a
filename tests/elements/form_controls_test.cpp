// Form controls over a fake host that hands out the stand-in controls:
// input kinds, checking and radio groups, validity, sizes, the native
// editor, select, text area, labels, fieldsets, comments and framesets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "css/css_selector.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "elements/form_support.h"
#include "elements/frame_elements.h"
#include "elements/input_element.h"
#include "elements/label_elements.h"
#include "elements/select_element.h"
#include "elements/text_area_element.h"
#include "platform/ui/scroll_bar.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

namespace {

struct TFakeFormHost : ui::IHostControl {
  std::unique_ptr<ui::TScrollBar> CreateScrollBar() override { return nullptr; }
  std::unique_ptr<ui::TFormControl> CreateFormControl(ui::TFormControlKind Kind) override {
    ++Made;
    return ui::CreateStandInControl(Kind);
  }
  int Made = 0;
};

class FormControlsTest : public ::testing::Test {
 protected:
  // Hosted: the document has the fake host (and so native controls).
  void Load(StringView Html, bool Hosted = false, bool Paged = false) {
    Doc = std::make_unique<THtDocument>(&TAhemCanvas::ClassType, false);
    if (Hosted) Doc->Control = &Host;
    Doc->Paged = Paged;
    Doc->FormMethods[u"changed"] = [this](TElement* E) { Events.push_back("change:" + Id(E)); };
    Doc->FormMethods[u"focused"] = [this](TElement* E) { Events.push_back("focus:" + Id(E)); };
    Doc->FormMethods[u"blurred"] = [this](TElement* E) { Events.push_back("blur:" + Id(E)); };
    Doc->Parse(u"<!DOCTYPE html><style>body{margin:0;font:10px/1 Ahem}</style>" + String(Html));
    Doc->CalcSize(800, 600);
  }
  static std::string Id(TElement* E) { return StringToUtf8(E->GetAttribute(u"id")); }
  template <class T = TElement>
  T* ById(StringView Id) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (n->GetAttribute(u"id") == Id) return dynamic_cast<T*>(n);
    return nullptr;
  }
  TInputElement* Input(StringView Id) { return ById<TInputElement>(Id); }
  // A press and a release on E, with E's active state set between them as
  // the document's pointer handling does.
  static void Click(TElement* E) {
    bool ignore = false;
    E->DoMouseDown(0, 0, true, ignore, 0);
    E->SetPseudoClass(pcActive, true, false);
    E->DoMouseDown(0, 0, false, ignore, 0);
    E->SetPseudoClass(pcActive, false, false);
  }

  TFakeFormHost Host;
  std::unique_ptr<THtDocument> Doc;
  std::vector<std::string> Events;
};

}  // namespace

TEST_F(FormControlsTest, KindsCheckedStatesAndCaptions) {
  struct TCase {
    const char16_t* Markup;
    TInputType Kind;
    bool Checked;
    const char16_t* Caption;
  };
  const TCase cases[] = {
      {u"<input id=a type=CheckBox>", itCheck, false, u""},
      // Each attribute sets the kind from the type again, in name order:
      // "checked" makes a check box only when it is read last.
      {u"<input checked>", itCheck, true, u""},
      {u"<input checked name=n>", itText, true, u""},
      {u"<input id=a type=radio checked>", itRadio, true, u""},
      {u"<input id=a type=submit>", itButton, false, u"Submit"},
      {u"<input id=a type=reset value=''>", itButton, false, u"Reset"},
      {u"<input id=a type=button value=Go>", itButton, false, u"Go"},
      {u"<input id=a type=color>", itButton, false, u""},
      {u"<input id=a type=password>", itText, false, u""},
      {u"<input id=a type=bogus>", itText, false, u""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Markup));
    Load(c.Markup);
    TInputElement* a = nullptr;
    for (THtNode* n = Doc.get(); n && !a; n = n->NextNode()) a = dynamic_cast<TInputElement*>(n);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->InputType, c.Kind);
    EXPECT_EQ(a->Checked(), c.Checked);
    EXPECT_EQ(HasPseudoClass(a, pcChecked), c.Checked);
    if (c.Kind == itButton) {
      EXPECT_EQ(a->Content(), c.Caption);
    }
  }
}

TEST_F(FormControlsTest, CheckBoxesToggleOnReleaseUnlessReadOnlyOrDisabled) {
  Load(u"<input id=c type=checkbox onchange=form.changed><input id=r type=checkbox readonly>"
       u"<input id=d type=checkbox disabled>");
  TInputElement* c = Input(u"c");
  bool ignore = false;
  c->DoMouseDown(0, 0, true, ignore, 0);
  EXPECT_FALSE(c->Checked());  // a press alone changes nothing
  c->DoMouseDown(0, 0, false, ignore, 0);
  EXPECT_TRUE(c->Checked());
  EXPECT_EQ(c->GetAttribute(u"checked"), u"true");
  EXPECT_EQ(c->GetValue(), u"true");
  Click(c);
  EXPECT_FALSE(c->Checked());
  EXPECT_FALSE(c->HasAttribute(u"checked"));
  EXPECT_EQ(Events, (std::vector<std::string>{"change:c", "change:c"}));
  for (const char16_t* id : {u"r", u"d"}) {
    Click(Input(id));
    EXPECT_FALSE(Input(id)->Checked());
  }
  EXPECT_TRUE(Input(u"d")->GetDisabled());
}

TEST_F(FormControlsTest, RadioGroupsAreTheRadiosOfOneNonEmptyName) {
  // A quote in the name, a check box of the same name, unnamed radios.
  Load(u"<input id=a type=radio name='g\"q' checked onchange=form.changed>"
       u"<input id=b type=radio name='g\"q' onchange=form.changed>"
       u"<input id=x type=checkbox name='g\"q' checked onchange=form.changed>"
       u"<input id=o type=radio name=other checked>"
       u"<input id=u1 type=radio checked><input id=u2 type=radio>");
  Click(Input(u"b"));
  EXPECT_TRUE(Input(u"b")->Checked());
  EXPECT_FALSE(Input(u"a")->Checked());
  EXPECT_TRUE(Input(u"x")->Checked());  // check boxes take no part
  EXPECT_TRUE(Input(u"o")->Checked());
  EXPECT_EQ(Events, (std::vector<std::string>{"change:a", "change:b"}));
  Click(Input(u"u2"));
  EXPECT_TRUE(Input(u"u1")->Checked());  // unnamed radios stay apart
  EXPECT_TRUE(Input(u"u2")->Checked());
  Click(Input(u"b"));
  EXPECT_TRUE(Input(u"b")->Checked());  // a radio is never unchecked by a click
}

TEST_F(FormControlsTest, RequiredTextInputsAreInvalidWhileEmpty) {
  Load(u"<input id=e required><input id=f required value=x><input id=g>");
  EXPECT_TRUE(HasPseudoClass(Input(u"e"), pcInvalid));
  EXPECT_FALSE(HasPseudoClass(Input(u"e"), pcValid));
  EXPECT_TRUE(HasPseudoClass(Input(u"f"), pcValid));
  EXPECT_TRUE(HasPseudoClass(Input(u"g"), pcValid));
  EXPECT_FALSE(Doc->FormValid());
}

TEST_F(FormControlsTest, IntrinsicSizesAndTheSizeAttribute) {
  Load(u"<input id=c type=checkbox><input id=t><input id=b type=button value=Go>"
       u"<input id=s size=10><input id=bad size='10;color:red'><input id=huge size=1e12>");
  struct TCase {
    const char16_t* Id;
    float W, H;
  };
  // Ahem at 10px: "Go" is 20 wide.
  for (const TCase& c : {TCase{u"c", 14, 14}, TCase{u"t", 150, 14}, TCase{u"b", 36, 14}}) {
    SCOPED_TRACE(StringToUtf8(c.Id));
    float w = 0, h = 0;
    bool keep = false;
    EXPECT_TRUE(Input(c.Id)->GetIntrinsicSize(w, h, keep));
    EXPECT_EQ(w, c.W);
    EXPECT_EQ(h, c.H);
  }
  EXPECT_EQ(Input(u"s")->VirtualSelfStyle(), u"width:10em;");
  EXPECT_EQ(Input(u"s")->BorderRect().Right - Input(u"s")->BorderRect().Left, 100);
  EXPECT_EQ(Input(u"bad")->VirtualSelfStyle(), u"");
  EXPECT_EQ(Input(u"huge")->VirtualSelfStyle(), u"");
}

TEST_F(FormControlsTest, WithoutHostOrInPagedOutputNoEditorIsMade) {
  Load(u"<input id=t value=v>");
  EXPECT_EQ(Input(u"t")->FControl, nullptr);
  Load(u"<input id=t value=v>", true, true);
  EXPECT_EQ(Input(u"t")->FControl, nullptr);
  EXPECT_EQ(Host.Made, 0);
  EXPECT_EQ(Input(u"t")->GetValue(), u"v");
}

TEST_F(FormControlsTest, EditorKindsAndSetUp) {
  Load(u"<input id=t value=hi maxlength=abc placeholder=P style='text-align:center'>"
       u"<input id=p type=password maxlength=5 disabled border=0>"
       u"<input id=n type=number maxvalue=x minvalue=3 valuetype=float decimaldigits=q>"
       u"<input id=n2 type=number><input id=D type=Date><input id=d type=date value=2021-03-05>"
       u"<input id=bad type=date value=yesterday><input id=tm type=time value=07:08>",
       true);
  auto* t = dynamic_cast<ui::TEdit*>(Input(u"t")->FControl.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Text(), u"hi");
  EXPECT_EQ(t->MaxLength(), 0);  // not a whole number: ignored
  EXPECT_EQ(t->TextHint(), u"P");
  EXPECT_EQ(t->Alignment(), ui::taCenter);
  EXPECT_EQ(t->FontSize(), 8);  // 10 px at 96 dpi in points
  EXPECT_EQ(t->FontName(), u"Ahem");
  EXPECT_FALSE(t->Visible());  // until the first paint places it
  auto* p = dynamic_cast<ui::TEdit*>(Input(u"p")->FControl.get());
  EXPECT_EQ(p->PasswordChar(), u'*');
  EXPECT_EQ(p->MaxLength(), 5);
  EXPECT_EQ(p->BorderStyle(), ui::bsNone);
  EXPECT_TRUE(p->ReadOnly());
  EXPECT_TRUE(p->Enabled());
  EXPECT_TRUE(Input(u"p")->GetDisabled());  // the editor is only read-only
  auto* n = dynamic_cast<ui::TNumberBox*>(Input(u"n")->FControl.get());
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->MaxValue(), 1000);
  EXPECT_EQ(n->MinValue(), 3);
  EXPECT_EQ(n->Mode(), ui::nbmFloat);
  EXPECT_EQ(n->Decimal(), 2);
  EXPECT_EQ(dynamic_cast<ui::TNumberBox*>(Input(u"n2")->FControl.get())->MaxValue(), 0);
  // The control choice compares exactly: "Date" is an edit box.
  EXPECT_NE(dynamic_cast<ui::TEdit*>(Input(u"D")->FControl.get()), nullptr);
  EXPECT_EQ(Input(u"D")->InputType, itText);
  auto* d = dynamic_cast<ui::TDateTimePicker*>(Input(u"d")->FControl.get());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Input(u"d")->GetValue(), u"2021-03-05");
  Input(u"d")->SetValue(u"2020-02-29");
  EXPECT_EQ(Input(u"d")->GetValue(), u"2020-02-29");
  EXPECT_THROW(Input(u"d")->SetValue(u"2020-02-30"), EConvertError);
  EXPECT_EQ(Input(u"d")->GetAttribute(u"value"), u"2020-02-29");
  EXPECT_EQ(dynamic_cast<ui::TDateTimePicker*>(Input(u"bad")->FControl.get())->DateTime(), 0);
  EXPECT_EQ(Input(u"tm")->GetValue(), u"07:08:00");
}

TEST_F(FormControlsTest, TypingRaisesChangeAndFocusSetsPseudoClasses) {
  Load(u"<form id=f><input id=t onchange=form.changed onfocus=form.focused onblur=form.blurred></form>", true);
  TInputElement* t = Input(u"t");
  auto* edit = dynamic_cast<ui::TEdit*>(t->FControl.get());
  ASSERT_NE(edit, nullptr);
  edit->SetText(u"typed");
  edit->OnChange();
  EXPECT_EQ(t->GetAttribute(u"value"), u"typed");
  EXPECT_EQ(t->GetValue(), u"typed");
  Click(t);  // a release focuses the editor
  EXPECT_TRUE(t->Focused());
  EXPECT_TRUE(HasPseudoClass(t, pcFocus));
  EXPECT_TRUE(HasPseudoClass(ById(u"f"), pcFocusWithin));
  edit->KillFocus();
  EXPECT_FALSE(HasPseudoClass(t, pcFocus));
  EXPECT_FALSE(HasPseudoClass(ById(u"f"), pcFocusWithin));
  EXPECT_EQ(Events, (std::vector<std::string>{"change:t", "focus:t", "blur:t"}));
}

TEST_F(FormControlsTest, EditorsFollowLayoutScaleAndDisplay) {
  Load(u"<div id=w style='padding:5px'>x<input id=t style='border:2px solid;padding:1px'></div>", true);
  TInputElement* t = Input(u"t");
  ui::TFormControl& c = *t->FControl;
  // A CSS border: a borderless editor as high as its font plus 4.
  EXPECT_EQ(c.BorderStyle(), ui::bsNone);
  EXPECT_EQ(c.Height(), c.FontHeight() + 4);
  t->UpdateScrollBars();
  EXPECT_EQ(c.Left(), t->GetClientLeft());
  EXPECT_EQ(c.Top(), t->GetClientTop());
  EXPECT_EQ(c.Width(), int(t->InnerWidth));
  EXPECT_TRUE(c.Visible());
  const int left = c.Left();
  Doc->Surface->SetScaleFactor(2);
  t->UpdateScrollBars();
  EXPECT_EQ(c.Left(), 2 * left);
  EXPECT_EQ(c.Width(), 2 * int(t->InnerWidth));
  Doc->Surface->SetScaleFactor(1);
  ById(u"w")->SetAttribute(u"style", u"display:none");
  Doc->CalcSize(800, 600);
  EXPECT_FALSE(c.Visible());
  // A rebuild frees every control.
  Doc.reset();
}

TEST_F(FormControlsTest, SelectCombosListsAndValues) {
  Load(u"<style>select{font-size:16px}</style>"
       u"<select id=c><option value=a>A</option><option selected>B</option><option value=c><b>C</b></option></select>"
       u"<select id=l size=3 multiple><option value=1 selected>one</option><option value=2>two</option>"
       u"<option value=3 selected>three</option></select>"
       u"<select id=x size=x><option>p</option></select>",
       true);
  auto* c = ById<TSelectElement>(u"c");
  ASSERT_NE(c->FComboBox, nullptr);
  EXPECT_EQ(c->FComboBox->DropDownCount(), 20);
  EXPECT_EQ(c->FComboBox->Items(), (std::vector<String>{u"A", u"B", u"<b>C</b>"}));  // option markup
  EXPECT_EQ(c->FComboBox->ItemIndex(), 1);
  EXPECT_EQ(c->GetValue(), u"B");  // no value: the text
  c->FComboBox->SetItemIndex(0);
  c->FComboBox->OnChange();
  EXPECT_EQ(c->GetValue(), u"a");
  EXPECT_EQ(c->GetNode(0)->GetAttribute(u"selected"), u"true");
  EXPECT_FALSE(c->GetNode(1)->HasAttribute(u"selected"));
  EXPECT_EQ(c->GetDisplayValue(), u"B");  // the markup's selection
  c->SetValue(u"C");
  EXPECT_EQ(c->FComboBox->ItemIndex(), 2);

  auto* l = ById<TSelectElement>(u"l");
  ASSERT_NE(l->FListBox, nullptr);
  EXPECT_EQ(l->Control->Height(), 48);  // size 3 at 16 px
  EXPECT_EQ(l->GetValue(), u"1,3");
  float w = 0, h = 0;
  bool keep = true;
  l->GetIntrinsicSize(w, h, keep);
  EXPECT_EQ(h, 50);
  EXPECT_EQ(w, 5 * 16 + 24);  // the widest option plus 24
  // A size that is not a number still makes a list box, of the platform's height.
  auto* x = ById<TSelectElement>(u"x");
  ASSERT_NE(x->FListBox, nullptr);
  EXPECT_EQ(x->Control->Height(), ui::TListBox().Height());
  // The kind stays the one the control was made with.
  x->SetAttribute(u"size", u"");
  x->AfterParse();
  EXPECT_FALSE(x->FIsCombo);
  EXPECT_EQ(x->GetValue(), u"");
}

TEST_F(FormControlsTest, TextAreaSizesTextAndChange) {
  Load(u"<style>textarea{font-size:16px}</style>"
       u"<textarea id=a cols=40 rows=5 onchange=form.changed>line 1\nline 2</textarea>"
       u"<textarea id=b cols=1e12 rows=-5 style='overflow-y:hidden'></textarea>"
       u"<textarea id=c cols=99999999 rows=99999999></textarea>",
       true);
  auto* a = ById<TTextAreaElement>(u"a");
  ASSERT_NE(a->Control, nullptr);
  EXPECT_EQ(a->Control->Width(), 320);
  EXPECT_EQ(a->Control->Height(), 80);
  EXPECT_EQ(a->Control->ScrollBars(), ui::ssVertical);
  EXPECT_EQ(a->GetValue(), u"line 1\nline 2");
  float w = 0, h = 0;
  bool keep = true;
  a->GetIntrinsicSize(w, h, keep);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 82);
  a->Control->SetText(u"x");
  a->Control->OnChange();
  EXPECT_EQ(Events, std::vector<std::string>{"change:a"});
  auto* b = ById<TTextAreaElement>(u"b");
  EXPECT_EQ(b->FCols, 0);
  EXPECT_EQ(b->Control->ScrollBars(), ui::ssNone);
  auto* c = ById<TTextAreaElement>(u"c");
  EXPECT_EQ(c->Control->Width(), ui::MaxControlExtent);
  EXPECT_EQ(c->Control->Height(), ui::MaxControlExtent);
  // Without a memo the value is not stored.
  Load(u"<textarea id=a>t</textarea>");
  ById<TTextAreaElement>(u"a")->SetValue(u"x");
  EXPECT_EQ(ById<TTextAreaElement>(u"a")->GetValue(), u"");
}

TEST_F(FormControlsTest, LabelsActOnTheirInputOncePerClick) {
  Load(u"<label id=l for=c>text</label><input id=c type=checkbox>"
       u"<label id=m><input id=i type=checkbox> inside</label>"
       u"<label id=self for=self>me</label><label id=p for=q>p</label><label id=q for=p>q</label>");
  // A click on a label: its press reaches the target, whose own pointer
  // step makes it active; the release then reaches it too.
  const auto clickLabel = [](TElement* Label, TElement* Target) {
    bool ignore = false;
    Label->DoMouseDown(0, 0, true, ignore, 0);
    Target->SetPseudoClass(pcActive, true, false);
    Label->DoMouseDown(0, 0, false, ignore, 0);
    Target->SetPseudoClass(pcActive, false, false);
  };
  clickLabel(ById(u"l"), Input(u"c"));
  EXPECT_TRUE(Input(u"c")->Checked());
  clickLabel(ById(u"l"), Input(u"c"));
  EXPECT_FALSE(Input(u"c")->Checked());
  clickLabel(ById(u"m"), Input(u"i"));
  EXPECT_TRUE(Input(u"i")->Checked());
  // A click on the check box inside: the box first (deeper), then its label,
  // which finds it active on the press and no longer on the release.
  TInputElement* i = Input(u"i");
  bool ignore = false;
  i->DoMouseDown(0, 0, true, ignore, 0);
  i->SetPseudoClass(pcActive, true, false);
  ById(u"m")->DoMouseDown(0, 0, true, ignore, 0);
  i->DoMouseDown(0, 0, false, ignore, 0);
  i->SetPseudoClass(pcActive, false, false);
  ById(u"m")->DoMouseDown(0, 0, false, ignore, 0);
  EXPECT_FALSE(i->Checked());  // toggled once
  // Chains of labels end.
  Click(ById(u"self"));
  Click(ById(u"p"));
}

TEST_F(FormControlsTest, FieldsetNotchLeavesTheLegendsWidth) {
  Load(u"<fieldset id=f><legend id=l>ab</legend>x</fieldset>"
       u"<fieldset id=r><legend id=rl align=right>abc</legend>x</fieldset><fieldset id=n>x</fieldset>");
  auto* f = ById<TFieldSetElement>(u"f");
  ASSERT_EQ(f->FLegend, ById(u"l"));
  float x1 = 0, x2 = 0;
  ASSERT_TRUE(f->NotchEnds(x1, x2));
  EXPECT_EQ(x1, 20);
  EXPECT_EQ(x2, 40);
  auto* r = ById<TFieldSetElement>(u"r");
  ASSERT_TRUE(r->NotchEnds(x1, x2));
  const TRectF border = r->BorderRect(), legend = r->FLegend->BorderRect();
  EXPECT_EQ(border.Left + x1, legend.Left - 3);
  EXPECT_EQ(border.Left + x2, legend.Right + 3);
  EXPECT_FALSE(ById<TFieldSetElement>(u"n")->NotchEnds(x1, x2));
  // The legend leaves: the reference goes.
  f->DeleteChild(f->FLegend);
  EXPECT_FALSE(f->NotchEnds(x1, x2));
}

TEST_F(FormControlsTest, CommentsHaveNoDisplay) {
  Load(u"<p id=p>a<!-- hidden -->b</p>");
  for (THtNode* n = ById(u"p")->GetNode(0); n; n = n->NextSibling())
    if (auto* c = dynamic_cast<THtCommentElement*>(n)) {
      ASSERT_NE(c->Style(), nullptr);
      EXPECT_EQ(c->Style()->Display(), dsNone);
      return;
    }
  FAIL() << "no comment element";
}

TEST_F(FormControlsTest, FramesetsKeepTheirListsAndFrameBook) {
  Load(u"<frameset id=s rows='100,*,20%'><frame id=a src=a.html>text<frame id=b><frameset id=c cols='25%, 75%'>"
       u"</frameset></frameset>");
  auto* s = ById<TFrameSetElement>(u"s");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Rows.size(), 3u);
  EXPECT_TRUE(s->IsRows);
  EXPECT_EQ(s->Rows[0].FValue, 100);
  EXPECT_TRUE(s->Rows[1].GetAuto());
  EXPECT_EQ(s->Rows[2].FMUnit, muPercent);
  auto* c = ById<TFrameSetElement>(u"c");
  ASSERT_EQ(c->Rows.size(), 2u);
  EXPECT_FALSE(c->IsRows);
  EXPECT_EQ(c->Rows[1].FValue, 75);
  EXPECT_EQ(ById(u"a")->Content(), u"a.html");
  EXPECT_EQ(s->FrameIndex(ById(u"b")), 1);
  EXPECT_EQ(s->FrameIndex(c), 2);
  EXPECT_EQ(s->FrameIndex(s), -1);
  EXPECT_EQ(s->FrameSize(ById(u"b")), 0);
  s->Sizes = {100, 200, 50};
  EXPECT_EQ(s->FrameLeft(c), 300);
  s->UpdateSize(ById(u"a"), 0, 120);
  EXPECT_EQ(s->Sizes, (std::vector<int>{120, 180, 50}));
  s->UpdateSize(c, 0, 10);  // the last frame has no neighbour
  EXPECT_EQ(s->Sizes, (std::vector<int>{120, 180, 50}));
}

TEST(FormSupportTest, DatesAndTimesInFixedText) {
  EXPECT_EQ(DateToStr(StrToDate(u"0099-12-31")), u"0099-12-31");
  EXPECT_EQ(TimeToStr(StrToTime(u"23:59:59")), u"23:59:59");
  for (const char16_t* bad : {u"2021-3-5", u"2021-02-29", u"", u"2021/03/05"}) EXPECT_THROW(StrToDate(bad), EConvertError);
  for (const char16_t* bad : {u"24:00", u"7:08", u"07:60", u"07:08:"}) EXPECT_THROW(StrToTime(bad), EConvertError);
  int v = 0;
  EXPECT_TRUE(TryStrToInt(u" -12 ", v));
  EXPECT_EQ(v, -12);
  for (const char16_t* bad : {u"1e12", u"99999999999", u"12px", u"-", u""}) EXPECT_FALSE(TryStrToInt(bad, v));
}

}  // namespace ht::testing
