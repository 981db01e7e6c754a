// Form controls on GTK widgets over a panel on the virtual X server: their
// places over the content boxes through scrolling and zoom, typing, dates,
// list and memo sizes, and rebuilds.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "elements/input_element.h"
#include "elements/select_element.h"
#include "elements/text_area_element.h"
#include "platform/ui/gtk_form_controls.h"

namespace ht::testing {
namespace {

class FormWidgetsTest : public WindowTest {
 protected:
  void SetUp() override { Panel = std::make_unique<THtPanel>(); }
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
  }
  void Show(const std::vector<String>& Html) {
    Panel->SetHTML(Html);
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(500, 400);
    Panel->SetParent(Form.get());
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Panel->Width() == 500; }));
    Settle();
    Panel->Repaint();
    Settle();
  }
  template <class T>
  T* ById(StringView Id) {
    for (THtNode* n = Panel->Doc(); n; n = n->NextNode())
      if (n->GetAttribute(u"id") == Id) return dynamic_cast<T*>(n);
    return nullptr;
  }
  // The widget's allocation in the child layer.
  static GtkAllocation allocation(ui::TFormControl& C) {
    GtkAllocation a{};
    gtk_widget_get_allocation(ui::FormControlWidget(C), &a);
    return a;
  }
  int childWidgets() {
    GList* l = gtk_container_get_children(GTK_CONTAINER(Panel->ChildLayer()));
    int n = 0;
    for (GList* i = l; i; i = i->next)
      if (!GTK_IS_SCROLLBAR(i->data)) ++n;
    g_list_free(l);
    return n;
  }
  std::unique_ptr<THtPanel> Panel;
};

const std::vector<String> kPage = {
    u"<html><body style='margin:8px;font:16px sans-serif;height:2000px'>",
    u"<p><input id=t value=first onchange=form.changed> <input id=d type=date value=2021-03-05></p>",
    u"<p><select id=s size=3><option>a<option>b<option>c</select>",
    u"<textarea id=a cols=40 rows=4>text</textarea></p>",
    u"</body></html>"};

TEST_F(FormWidgetsTest, ControlsSitOnTheirContentBoxesAndFollowScrollAndZoom) {
  Show(kPage);
  auto* t = ById<TInputElement>(u"t");
  ASSERT_NE(t, nullptr);
  ASSERT_NE(t->FControl, nullptr);
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(ui::FormControlWidget(*t->FControl)); }));
  Settle();
  GtkAllocation a = allocation(*t->FControl);
  EXPECT_LE(std::abs(a.x - t->GetClientLeft()), 1);
  EXPECT_LE(std::abs(a.y - t->GetClientTop()), 1);
  const int top = a.y;
  Panel->ScrollY(30);
  Panel->Repaint();
  Settle();
  a = allocation(*t->FControl);
  EXPECT_LE(std::abs(a.y - (top - 30)), 1);
  const int left = a.x;
  Panel->SetScale(200);
  Panel->Repaint();
  Settle();
  a = allocation(*t->FControl);
  EXPECT_LE(std::abs(a.x - t->GetClientLeft()), 1);
  EXPECT_GT(a.x, left);
}

TEST_F(FormWidgetsTest, TypingDatesListsAndMemos) {
  Show(kPage);
  auto* t = ById<TInputElement>(u"t");
  std::vector<std::string> events;
  Panel->Doc()->FormMethods[u"changed"] = [&](TElement* E) { events.push_back(StringToUtf8(E->GetAttribute(u"id"))); };
  GtkWidget* entry = ui::FormControlInputWidget(*t->FControl);
  gtk_entry_set_text(GTK_ENTRY(entry), "typed");
  EXPECT_EQ(t->GetAttribute(u"value"), u"typed");
  EXPECT_EQ(events, std::vector<std::string>{"t"});

  auto* d = ById<TInputElement>(u"d");
  GtkWidget* date = ui::FormControlInputWidget(*d->FControl);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(date)), "2021-03-05");
  gtk_entry_set_text(GTK_ENTRY(date), "2022-12-31");
  EXPECT_EQ(d->GetValue(), u"2022-12-31");

  auto* s = ById<TSelectElement>(u"s");
  ASSERT_NE(s->FListBox, nullptr);
  EXPECT_EQ(s->Control->Height(), 48);
  EXPECT_EQ(allocation(*s->Control).height, 48);
  auto* a = ById<TTextAreaElement>(u"a");
  EXPECT_EQ(allocation(*a->Control).width, 320);
  EXPECT_EQ(a->GetValue(), u"text");
}

TEST_F(FormWidgetsTest, ARebuildLeavesNoWidgetBehind) {
  Show(kPage);
  const int with = childWidgets();
  EXPECT_GE(with, 4);
  Panel->SetHTML({u"<p>no form</p>"});
  Settle();
  EXPECT_EQ(childWidgets(), with - 4);
}

}  // namespace
}  // namespace ht::testing
