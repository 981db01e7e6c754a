// Text on the Ahem-metric trace canvas (every character as wide as the font
// size): single runs with their selection, search highlight and glyphs,
// chunks of merged runs on canvases with simple and with full text
// layouts, list markers and the touch handles of a selection.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "canvas/font.h"
#include "css/colors.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/paint_cycle.h"
#include "paint/text_paint.h"
#include "text_canvas.h"

namespace ht::testing {
namespace {

std::string Hex(uint32_t V) {
  char b[9];
  std::snprintf(b, sizeof b, "%08X", V);
  return b;
}

class TextPaintTest : public ::testing::Test {
 protected:
  void TearDown() override { TTextCanvasClass::Flags() = THtCanvasFlags{}; }
  // Laid out in an 800 x 600 view with 10 px text.
  void Load(StringView Body, THtCanvasFlags Flags = {}) {
    TTextCanvasClass::Flags() = Flags;
    Doc = std::make_unique<THtDocument>(&TTextCanvas::ClassType);
    Doc->Parse(u"<body style='margin:0;font-size:10px'>" + String(Body) + u"</body>");
    Doc->CalcSize(800, 600);
  }
  TTextCanvas& G() { return static_cast<TTextCanvas&>(*Doc->Surface); }
  // The calls of one whole paint that start with one of the prefixes.
  std::string Paint(std::initializer_list<std::string_view> Prefixes = {"DrawString", "TextObject", "  Set",
                                                                        "DrawTextObject"}) {
    G().Groups = TTraceCanvas::tcAll;
    G().Calls.clear();
    THtObject target;
    Doc->Draw(&target, TRect(0, 0, 800, 600), TRect(0, 0, 800, 600), 0, 0, 0);
    std::string s;
    for (const std::string& c : G().Calls)
      for (std::string_view p : Prefixes)
        if (c.compare(0, p.size(), p) == 0) {
          s += c + "\n";
          break;
        }
    return s;
  }
  TTextElement* TextOf(StringView Content) {
    for (THtNode* n = Doc.get(); n; n = n->NextNode())
      if (auto* t = dynamic_cast<TTextElement*>(n); t && t->Content() == Content) return t;
    ADD_FAILURE() << "no text " << StringToUtf8(String(Content));
    return nullptr;
  }
  // A scene begun on the surface, so single routines can be called.
  void Begin() {
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 800, 600), nullptr);
    G().BeginScene(scene);
    G().Groups = TTraceCanvas::tcAll;
    G().Calls.clear();
  }
  // A hand-made run of T's characters Start..Start+Count-1, 10 px each.
  std::unique_ptr<THtLineBlock> Run(TTextElement* T, int Start, int Count, float Left = 0) {
    auto b = std::make_unique<THtLineBlock>(T);
    b->Flags.Include(trfText);
    b->Start = Start;
    b->Count = Count;
    b->Left = Left;
    b->LogicalWidth = float(10 * Count);
    b->LogicalHeight = 10;
    return b;
  }

  std::unique_ptr<THtDocument> Doc;
};

TEST_F(TextPaintTest, HighlightBoxesCoverEachOccurrenceOverlappingTheRun) {
  struct Case {
    const char16_t* Text;
    const char16_t* Pattern;
    std::vector<std::pair<int, int>> Runs;  // start, count
    const char* Boxes;
  } cases[] = {
      // One occurrence split over two runs: each run boxes its part (the
      // first to one pixel past its end).
      {u"xxAByy", u"ab", {{1, 3}, {4, 3}}, "FillRect FFFFEF80 20,0,32,10\nFillRect FFFFEF80 30,0,41,10\n"},
      {u"abab", u"ab", {{1, 4}}, "FillRect FFFFEF80 0,0,21,10\nFillRect FFFFEF80 20,0,42,10\n"},
      // The next search starts after a match: one box.
      {u"aaa", u"aa", {{1, 3}}, "FillRect FFFFEF80 0,0,21,10\n"},
      {u"abc", u"", {{1, 3}}, ""},
  };
  for (const Case& c : cases) {
    Load(u"<p style='margin:0'>" + String(c.Text) + u"</p>");
    TTextElement* t = TextOf(c.Text);
    ASSERT_TRUE(t);
    Doc->SetHighlightText(c.Pattern);
    Begin();
    for (auto [start, count] : c.Runs) {
      auto lb = Run(t, start, count, float(10 * (start - 1)));
      DrawHighlightedText(*t, *lb, lb->R(), nullptr);
    }
    EXPECT_EQ(G().Only("FillRect"), c.Boxes) << StringToUtf8(c.Text);
  }
}

TEST_F(TextPaintTest, SelectionBackgroundCoversTheSelectedCharacters) {
  Load(u"<p style='margin:0'>abcdef</p>");
  TTextElement* t = TextOf(u"abcdef");
  ASSERT_TRUE(t);
  t->SetOwnTextFlag(tfInSelection, true);
  struct Case {
    int SelStart, SelEnd;
    bool RTL;
    const char* Box;
  } cases[] = {
      {1, 6, false, "0,0,60,10"},   // the whole run: exactly its width
      {2, 3, false, "10,0,30,10"},  // b and c
      {3, 9, false, "20,0,60,10"},
      // Right to left the logical start is at the right edge: a selection
      // from before the run to its third character is its right part.
      {1, 3, true, "30,0,60,10"},
      {4, 6, true, "0,0,30,10"},
      {7, 9, false, ""},  // after the run
  };
  for (const Case& c : cases) {
    t->SelStart = c.SelStart;
    t->SelEnd = c.SelEnd;
    auto lb = Run(t, 1, 6);
    if (c.RTL) lb->Bidi = bdRTL;
    Begin();
    DrawSelectionBackground(*t, *lb, nullptr, lb->R());
    const std::string fill = G().Only("FillRect");
    EXPECT_EQ(fill.empty() ? "" : fill.substr(fill.find(' ', 9) + 1, fill.size() - fill.find(' ', 9) - 2), c.Box)
        << c.SelStart << ".." << c.SelEnd;
  }
}

TEST_F(TextPaintTest, ARunDrawsItsSelectionHighlightGlyphsAndSpellingMark) {
  Load(u"<pre style='margin:0'>ab   </pre>");
  TTextElement* t = TextOf(u"ab   ");
  ASSERT_TRUE(t);
  t->ApplyFont(1, true);
  t->SetOwnTextFlag(tfInSelection, true);
  t->SelStart = 1;
  t->SelEnd = 5;
  Doc->SetHighlightText(u"b");
  Doc->SpellChecking = true;
  auto letters = Run(t, 1, 2);
  letters->Flags.Include(trfSpellIncorrect);
  auto blanks = Run(t, 3, 3, 20);
  Begin();
  DrawTextRun(*t, *letters, nullptr, letters->R(), THtDrawInfo{});
  DrawTextRun(*t, *blanks, nullptr, blanks->R(), THtDrawInfo{});
  // A blank run draws its selection but no glyphs.
  const std::string highlight = "FillRect FFFFEF80 10,0,22,10\n";
  const std::string tint = "FillRect " + Hex(ParseHtColor(u"highlight") & 0x40FFFFFFu);
  EXPECT_EQ(G().Only("FillRect"), highlight + tint + " 0,0,20,10\n" + tint + " 20,0,50,10\n");
  EXPECT_EQ(G().Only("DrawString"), "DrawString \"ab\" 0,0 " + StringToUtf8(t->Font->Family()) + "\n");
  // The wavy red line along the bottom of the misspelt run.
  EXPECT_EQ(G().Only("DrawPath"),
            "DrawPath FFFF0000/.5 [M 0,10.5 L 3,8.5 L 6,10.5 L 9,8.5 L 12,10.5 L 15,8.5 L 18,10.5 L 20,8.5]\n");

  // HideSelection drops the selection, not the highlight.
  Doc->HideSelection = true;
  Begin();
  DrawTextRun(*t, *letters, nullptr, letters->R(), THtDrawInfo{});
  EXPECT_EQ(G().Only("FillRect"), highlight);
  // Opacity 0: nothing at all, not even the spelling mark.
  ElementStyleOf(t)->CalculatedOpacity = 0;
  Begin();
  DrawTextRun(*t, *letters, nullptr, letters->R(), THtDrawInfo{});
  EXPECT_EQ(G().Joined(), "");
}


// What one whole paint draws as text with each kind of text layout: the
// plain runs (no merging), one DrawString per chunk (simple layouts) and
// one text object per chunk with its ranges (text layouts).
TEST_F(TextPaintTest, ChunksOfMergedRuns) {
  const THtCanvasFlags none{}, simple{hcfSupportsSimpleLayouts}, layouts{hcfSupportsTextLayouts};
  struct Case {
    const char16_t* Body;
    THtCanvasFlags Flags;
    const char* Drawn;
  } cases[] = {
      // A span: without merging and with simple layouts its start ends the
      // chunk; with text layouts its text joins, its colour set as a range.
      {u"<p>aa<span style='color:#ff0000'>bb</span>cc</p>", none,
       "DrawString \"aa\" 0,10 Times New Roman\nDrawString \"bb\" 20,10 Times New Roman\n"
       "DrawString \"cc\" 40,10 Times New Roman\n"},
      {u"<p>aa<span style='color:#ff0000'>bb</span>cc</p>", simple,
       "DrawString \"aa\" 0,10 Times New Roman\nDrawString \"bb\" 20,10 Times New Roman\n"
       "DrawString \"cc\" 40,10 Times New Roman\n"},
      {u"<p>aa<span style='color:#ff0000'>bb</span>cc</p>", layouts,
       "TextObject \"aabbcc\" 0,10\n  SetColor FFFF0000 3+2\nDrawTextObject 0,10 Times New Roman\n"},
      {u"<p>aa<u>bb</u>cc</p>", layouts,
       "TextObject \"aabbcc\" 0,10\n  SetStyle u 3+2\nDrawTextObject 0,10 Times New Roman\n"},
      // Runs of another size never join.
      {u"<p>aa<span style='font-size:20px'>bb</span></p>", layouts,
       "TextObject \"aa\" 0,18\nDrawTextObject 0,18 Times New Roman\nTextObject \"bb\" 20,10\n"
       "DrawTextObject 20,10 Times New Roman\n"},
      // One line of words is one chunk; justified, every word is its own.
      {u"<p>aa bb cc</p>", simple, "DrawString \"aa bb cc\" 0,10 Times New Roman\n"},
      {u"<p style='text-align:justify'>aa bb cc</p>", simple,
       "DrawString \"aa \" 0,10 Times New Roman\nDrawString \"bb \" 30,10 Times New Roman\n"
       "DrawString \"cc\" 60,10 Times New Roman\n"},
      // Collapsed line ends, a bare line feed as well as CR LF, are drawn
      // as the spaces they were laid out as.
      {u"<p>aa\nbb\r\ncc</p>", simple, "DrawString \"aa bb cc\" 0,10 Times New Roman\n"},
      {u"<p>aa\nbb</p>", layouts, "TextObject \"aa bb\" 0,10\nDrawTextObject 0,10 Times New Roman\n"},
      // A tab ends the chunk.
      {u"<pre>aa\tbb</pre>", simple, "DrawString \"aa\" 0,0 Courier New\nDrawString \"bb\" 30,0 Courier New\n"},
      // Underlined blanks are drawn; plain blanks are not.
      {u"<pre><u>   </u></pre>", simple, "DrawString \"   \" 0,0 Courier New\n"},
      {u"<pre>   </pre>", simple, ""},
  };
  for (const Case& c : cases) {
    Load(c.Body, c.Flags);
    EXPECT_EQ(Paint(), c.Drawn) << StringToUtf8(c.Body) << " flags " << int(c.Flags.Contains(hcfSupportsTextLayouts));
  }
}

TEST_F(TextPaintTest, ListMarkers) {
  struct Case {
    const char16_t* Body;
    const char* Drawn;
  } cases[] = {
      {u"<ol start=5><li>x</li><li>y</li></ol>",
       "DrawString \"5.\" 15,10 Times New Roman\nDrawString \"x\" 40,10 Times New Roman\n"
       "DrawString \"6.\" 15,20 Times New Roman\nDrawString \"y\" 40,20 Times New Roman\n"},
      // Not an integer, or too large for one: from 1.
      {u"<ol start=x><li>x</li></ol>",
       "DrawString \"1.\" 15,10 Times New Roman\nDrawString \"x\" 40,10 Times New Roman\n"},
      {u"<ol start=99999999999><li>x</li></ol>",
       "DrawString \"1.\" 15,10 Times New Roman\nDrawString \"x\" 40,10 Times New Roman\n"},
      // Only siblings with the same tag count.
      {u"<ol><p>p</p><li>x</li></ol>",
       "DrawString \"p\" 40,10 Times New Roman\nDrawString \"1.\" 15,30 Times New Roman\n"
       "DrawString \"x\" 40,30 Times New Roman\n"},
      // Right to left: the period first, right of the content.
      {u"<ol start=5 style='direction:rtl'><li>x</li></ol>",
       "DrawString \".5\" 760,10 Times New Roman\nDrawString \"x\" 750,10 Times New Roman\n"},
      // Shapes: a 5 px disc or square left of the first line.
      {u"<ul><li>x</li></ul>", "FillPath FF000000 [A 30,13.1,5,5,0,359.9 Z]\nDrawString \"x\" 40,10 Times New Roman\n"},
      {u"<ul style='list-style-type:square'><li>x</li></ul>",
       "FillRect FF000000 30,13.1,35,18.1\nDrawString \"x\" 40,10 Times New Roman\n"},
      // Scrolled out of view: no marker.
      {u"<ol style='margin-top:900px'><li>x</li></ol>", ""},
  };
  for (const Case& c : cases) {
    Load(c.Body);
    EXPECT_EQ(Paint({"DrawString", "FillEllipse", "DrawEllipse", "FillRect", "FillPath"}), c.Drawn)
        << StringToUtf8(c.Body);
  }
}

TEST_F(TextPaintTest, TouchHandlesAtTheSelectionEnds) {
  Load(u"<p style='margin:0'>abcdef</p>");
  TTextElement* t = TextOf(u"abcdef");
  ASSERT_TRUE(t);
  TDocSelection& sel = Doc->Selection;
  sel.SetStartElement(t);
  sel.StartPos = 2;
  sel.SetEndElement(t);
  sel.EndPos = 5;
  Doc->TouchEnabled = true;
  Begin();
  DrawSelectionMarkers(*Doc);
  // Each a stem from the caret down past the text with a square knob (its
  // fill keeps no alpha of the colour's A0 under the 50 mask).
  EXPECT_EQ(G().Joined(),
            "FillRect 009090FE 2,10,18,26\nDrawRect A09090FE/1 2,10,18,26\nDrawLine A09090FE/2 10,0 10,18 flat\n"
            "FillRect 009090FE 32,10,48,26\nDrawRect A09090FE/1 32,10,48,26\nDrawLine A09090FE/2 40,0 40,18 flat\n");
  // The knobs' points are kept for touch presses.
  EXPECT_EQ(sel.LeftPoint.X, 10);
  EXPECT_EQ(sel.RightPoint.X, 40);
  bool left = false;
  EXPECT_TRUE(sel.AtPoint(10, int(sel.LeftPoint.Y), left));

  // At a scale of 4 the knob is 4 px; the platform style is the square one.
  Begin();
  G().Scene.Scale = 4;
  DrawSelectionHandle(*t, TRectF{10, 0, 20, 10}, true, false, THtDrawInfo{});
  EXPECT_EQ(G().Joined(),
            "FillRect 009090FE 6,14,14,22\nDrawRect A09090FE/1 6,14,14,22\nDrawLine A09090FE/2 10,0 10,18 flat\n");
  // The round style: a knob of two circles, the inner one lighter; the
  // square style is the platform's.
  Doc->SelectHandleStyle = shiOS;
  Begin();
  G().Scene.Scale = 4;
  DrawSelectionHandle(*t, TRectF{10, 0, 20, 10}, true, false, THtDrawInfo{});
  EXPECT_EQ(G().Joined(),
            "FillPath A09090FE [A 6,14,8,8,0,359.9 Z]\nFillPath A0D3D3FF [A 7,15,3,3,0,359.9 Z]\n"
            "DrawLine A09090FE/2 10,0 10,18 flat\n");
  Doc->SelectHandleStyle = shWindows;
  Begin();
  G().Scene.Scale = 4;
  DrawSelectionHandle(*t, TRectF{10, 0, 20, 10}, true, false, THtDrawInfo{});
  EXPECT_EQ(G().Joined(),
            "FillRect 009090FE 6,14,14,22\nDrawRect A09090FE/1 6,14,14,22\nDrawLine A09090FE/2 10,0 10,18 flat\n");
  Doc->SelectHandleStyle = shPlatform;
  // While the end handle is dragged, its line shows magnified above it.
  Doc->TouchMarkerTracking = tmRight;
  Begin();
  DrawSelectionMarkers(*Doc);
  EXPECT_EQ(G().Only("MatrixTransform"), "MatrixTransform+ matrix(1.5,0,0,1.5,-20,-25)\n");
  Doc->TouchMarkerTracking = tmNone;
  // Without touch no markers.
  Doc->TouchEnabled = false;
  Begin();
  DrawSelectionMarkers(*Doc);
  EXPECT_EQ(G().Joined(), "");
  // Dragged: its line drawn half as large again in a box above it,
  // clipped to the box.
  Load(u"<p style='margin:100px 0 0 0'>abcdef</p>");
  t = TextOf(u"abcdef");
  Doc->Selection.SetStartElement(t);
  Doc->Selection.StartPos = 2;
  Paint();  // places the flow's runs
  Begin();
  DrawSelectionHandle(*t, TRectF{10, 100, 20, 110}, false, true, THtDrawInfo{});
  // The caret 10..20 x 100..110 widened to 70 x 10: a box twice that,
  // 10 px above it, grown by 3; the content scaled about the handle's x.
  const std::string box =
      "[M -53,67 L 83,67 A 78,67,10,10,270,90 L 88,88 A 78,83,10,10,360,90 L -53,93 A -58,83,10,10,90,90 L -58,72 A "
      "-58,67,10,10,180,90]";
  EXPECT_EQ(G().Joined(), "FillPath FFFFFFFF " + box + "\nDrawPath FFAAAAAA/1 " + box +
                              "\nDrawShadow -58,67,88,93 off 3,3 blur 4 FF808080 a255 r5\nSaveState\nIntersectClip " +
                              box +
                              "\nMatrixTransform+ matrix(1.5,0,0,1.5,-5,-75)\nDrawString \"abcdef\" 0,100 Times New "
                              "Roman\nRestoreState\nFillRect 009090FE 2,110,18,126\nDrawRect A09090FE/1 "
                              "2,110,18,126\nDrawLine A09090FE/2 10,100 10,118 flat\n");
}

}  // namespace
}  // namespace ht::testing
