// The panel's commands on the virtual X server: find and replace through
// the find dialogs, copying to the clipboard with the document's location,
// and printing at a scale.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/window_fixture.h"
#include "host/clipboard.h"
#include "layout/text_element.h"
#include "platform/core/core_surface.h"
#include "platform/gdi/gdi_meta.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/find_dialogs.h"

namespace ht::testing {
namespace {

class PanelCommandsTest : public WindowTest {
 protected:
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
  }
  void Load(const String& Html) {
    if (!Panel) {
      Panel = std::make_unique<THtPanel>();
      Form = std::make_unique<ui::TForm>();
      Form->SetClientSize(640, 480);
      Panel->SetParent(Form.get());
      Form->Show();
      ASSERT_TRUE(RunUntil([&] { return Panel->Width() == 640; }));
      Settle();
    }
    Panel->LoadFromString(Html);
  }
  String Selected() { return Panel->Doc()->GetSelectedText(); }
  int SelStart() { return Panel->Doc()->Selection.RealStartPos(); }
  std::unique_ptr<THtPanel> Panel;
  ui::TFindDialog Dialog;
  ui::TReplaceDialog Replace;
};

TEST_F(PanelCommandsTest, WholeWordSkipsMatchesInsideWords) {
  Load(u"<p>concatenate cat</p>");
  Panel->FindDialog(&Dialog);
  Dialog.FindText = u"cat";
  Dialog.Options = ui::frDown | ui::frWholeWord;
  Dialog.Execute();
  Dialog.ClickFindNext();
  EXPECT_EQ(Selected(), u"cat");
  EXPECT_EQ(SelStart(), 13);
  // Without whole words the first match inside the longer word is found.
  Panel->Doc()->Selection.Clear();
  Dialog.Options = ui::frDown;
  Dialog.Execute();
  Dialog.ClickFindNext();
  EXPECT_EQ(SelStart(), 4);
  Dialog.ClickFindNext();
  EXPECT_EQ(SelStart(), 13) << "the next search starts after the selection";
  Dialog.ClickFindNext();
  EXPECT_TRUE(Panel->Doc()->Selection.Empty()) << "nothing more found clears the selection";
}

TEST_F(PanelCommandsTest, OneLetterWholeWordEndsInBothDirections) {
  Load(u"<p>cat a</p><p>banana</p>");
  Panel->FindDialog(&Dialog);
  Dialog.FindText = u"a";
  Dialog.Options = ui::frDown | ui::frWholeWord;
  Dialog.Execute();
  Dialog.ClickFindNext();
  EXPECT_EQ(SelStart(), 5);
  Dialog.ClickFindNext();
  EXPECT_TRUE(Panel->Doc()->Selection.Empty());
  // Upwards from the selected "a": the "a" of "cat" is no word.
  Dialog.ClickFindNext();
  ASSERT_EQ(SelStart(), 5);
  Dialog.Options = ui::frWholeWord;
  Dialog.Execute();
  Dialog.ClickFindNext();
  EXPECT_TRUE(Panel->Doc()->Selection.Empty());
  // Upwards without whole words: the earlier "a", not the selected one again.
  Dialog.Options = ui::frDown | ui::frWholeWord;
  Dialog.Execute();
  Dialog.ClickFindNext();
  Dialog.Options = 0;
  Dialog.Execute();
  Dialog.ClickFindNext();
  EXPECT_EQ(SelStart(), 2);
}

TEST_F(PanelCommandsTest, ReplaceAndReplaceAllEnd) {
  Load(u"<p>a cab a</p>");
  Panel->ReplaceDialog(&Replace);
  Replace.FindText = u"a";
  Replace.ReplaceText = u"aa";
  Replace.Options = ui::frDown;
  Replace.Execute();
  Replace.ClickReplaceAll();
  auto* text = dynamic_cast<TTextElement*>(Panel->Doc()->Selection.StartElement());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Content(), u"aa caab aa");
  // Replace changes what the last find selected.
  Replace.FindText = u"caab";
  Replace.ReplaceText = u"dog";
  Replace.Execute();
  Panel->Doc()->Selection.Clear();
  Replace.ClickFindNext();
  Replace.ClickReplace();
  EXPECT_EQ(text->Content(), u"aa dog aa");
  // An empty replacement removes every match.
  Replace.FindText = u"a";
  Replace.ReplaceText = u"";
  Replace.Execute();
  Panel->Doc()->Selection.Clear();
  Replace.ClickReplaceAll();
  EXPECT_EQ(text->Content(), u"\u00a0dog\u00a0") << "the edge blanks are kept as no-break spaces";
}

TEST_F(PanelCommandsTest, LocationOfTheCurrentFile) {
  Panel = std::make_unique<THtPanel>();
  const std::pair<String, String> cases[] = {
      {u"", u"file://"},
      {u"/tmp/page.html", u"file:///tmp/page.html"},
      {u"http://example.test/a.html", u"http://example.test/a.html"},
      {u"https://example.test/", u"https://example.test/"},
      {u"file:///tmp/b.html", u"file:///tmp/b.html"},
      {u"HTTP://upper", u"file://HTTP://upper"},
  };
  for (const auto& [file, location] : cases) {
    Panel->fCurrentFile = file;
    EXPECT_EQ(Panel->Location(), location);
  }
}

TEST_F(PanelCommandsTest, CopyCommands) {
  Load(u"<p>one <b>two</b></p>");
  Panel->fCurrentFile = u"/tmp/page.html";
  THtClipboard::SetHTML(u"", u"before", u"");
  Panel->CopySelectiontoClipboard();
  EXPECT_EQ(THtClipboard::GetText(), u"before") << "an empty selection leaves the clipboard alone";
  Panel->Doc()->Selection.SelectAll();
  ASSERT_FALSE(Panel->Doc()->Selection.Empty());
  uint16_t key = 'C';
  Panel->InputKeyDown(key, ssCtrl);
  EXPECT_EQ(THtClipboard::GetText(), Panel->Doc()->GetSelectedText());
  const String html = THtClipboard::GetHTML();
  EXPECT_NE(html.find(u"SourceURL:file%3a%2f%2f%2ftmp%2fpage.html\r\n"), String::npos) << StringToUtf8(html);
  EXPECT_NE(html.find(Panel->Doc()->GetSelectedHTML()), String::npos);
  Panel->CopytoClipboard();
  EXPECT_NE(THtClipboard::GetHTML().find(Panel->Doc()->OuterHTML()), String::npos);
  EXPECT_NE(THtClipboard::GetText().find(u"one two"), String::npos);
  THtClipboard::SetHTML(u"", u"", u"");
}

// Keeps the pages of each job.
class TKeepSink : public gdi::TPrintSink {
 public:
  bool Print(gdi::TPrintJob& Job) override {
    Jobs.push_back(std::move(Job));
    return true;
  }
  std::vector<gdi::TPrintJob> Jobs;
};

// The width of the black run on the middle of the box's row, in page pixels.
int blackWidth(gdi::TGdiMetaFile& Page, int Row) {
  core::TCoreSurface s(Page.Width, Page.Height);
  s.Fill(0xFFFFFFFF);
  {
    core::TCoreContext c(s);
    gdi::PlayEnhMetaFileOn(c, &Page, core::TCoreMatrix{1, 0, 0, 1, 0, 0});
  }
  s.Flush();
  int n = 0;
  for (int x = 0; x < Page.Width; ++x)
    if ((s.Pixel(x, Row) & 0xFFFFFF) == 0) ++n;
  return n;
}

TEST_F(PanelCommandsTest, PrintScalesThePrintedDocument) {
  Load(u"<body style=\"margin:0\"><div style=\"width:200px;height:400px;background:#000\"></div></body>");
  auto sink = std::make_shared<TKeepSink>();
  gdi::SetPrintSink(sink);
  struct TRestore {
    ~TRestore() { gdi::SetPrintSink(nullptr); }
  } restore;
  Panel->Print(nullptr, 1.0f);
  Panel->Print(nullptr, 0.5f);
  ASSERT_EQ(sink->Jobs.size(), 2u);
  ASSERT_FALSE(sink->Jobs[0].Pages.empty());
  ASSERT_FALSE(sink->Jobs[1].Pages.empty());
  gdi::TGdiMetaFile& full = *sink->Jobs[0].Pages[0].Meta;
  gdi::TGdiMetaFile& half = *sink->Jobs[1].Pages[0].Meta;
  EXPECT_EQ(full.Width, half.Width) << "the paper stays the same";
  const int w1 = blackWidth(full, full.Height / 10), w2 = blackWidth(half, half.Height / 10);
  EXPECT_GT(w1, 150);
  EXPECT_NEAR(w2 * 2, w1, 4);
}

}  // namespace
}  // namespace ht::testing
