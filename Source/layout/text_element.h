#pragma once
// TTextElement: a text node of the element tree (and the "br" element).
// It makes no computed style of its own: it shares its parent's. It turns
// its text into runs: it prepares a display text (text-transform), lets the
// canvas class split it into runs, measures them with its font, sizes the
// white-space runs by the white-space mode and offers one line block per
// run to its container's flow.
#include <cassert>
#include <cstdint>
#include <memory>

#include "canvas/text_run.h"
#include "document/element.h"

namespace ht {

class THtFont;
class THtCanvasClass;

enum THtTextFlag : uint8_t {
  tfFontChanged,    // the font must be resolved again
  tfLeftIsBlock,    // a block boundary precedes: leading blanks are dropped
  tfRightIsBlock,   // a block boundary follows: trailing blanks are dropped
  tfTextPrepared,   // the display text is current
  tfSpaceElement,   // next to a block and blank under white-space normal
  tfSingleWord,
  tfNearBlock,      // next to a block
  tfInSelection,
  tfRelativeFont,   // the font size follows a percentage or the viewport
};

class TTextElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  TTextElement();
  ~TTextElement() override;
  bool IsText() const override { return true; }
  void SetContent(StringView Value) override;
  // The cascade's step for text: the container, the line-break element's
  // content, and the text style copied from the shared style.
  bool CalcStyle(TCSSStyleSheet* Styles) override;

  bool HasTextFlag(THtTextFlag f) const { return TextFlags & (1u << f); }
  void SetOwnTextFlag(THtTextFlag f, bool Value) { ApplyTextFlag(int(f), Value); }
  // Pre-line for a line-break element, else the style's.
  TWhiteSpace WhiteSpace() const;
  // Builds this text's line blocks in Flow; Empty when none was made.
  void CalcBoxes(TFlow* Flow) override;
  // Resolves the font when it changed and measures the runs again when
  // the font or the surface scale changed. With ApplyColor, ready for
  // drawing: the text style's opacity, colour and decoration colour, and
  // the font's style with the decoration lines, from the computed style.
  void ApplyFont(float COpacity, bool ApplyColor);
  // The used line height: never below the font's.
  float LineHeight() const;
  // Splits the display text into measured runs with the canvas class.
  virtual void SplitIntoRuns();
  // Answers whether a first run exists.
  bool CalcLayout() override;
  // The width of ALength characters of S from AFirstChar (1-based; -1: to
  // the end) in this element's font.
  float TextWidth(StringView S, int AFirstChar, int ALength) const;
  // Splits LB after CharPos characters; the new second part is answered,
  // chained right after LB (LB itself when CharPos <= 0).
  THtLineBlock* SplitBlockAtChar(THtLineBlock* LB, int CharPos);
  // Splits LB after the longest prefix narrower than Offset; LB when no
  // prefix fits or LB is too small to split.
  THtLineBlock* SplitBlock(THtLineBlock* LB, float Offset);
  float GetRealLeft() const override;
  float GetRealTop() const override;
  TRectF Rects(int Line) const override;

  // --- Positions, points and editing (text_geometry.cpp) ---------------------
  // Character positions index the display text from 1; a visible index
  // counts only the characters of shown (not hidden) blocks, from 1.
  //
  // The last block whose Start is at most ACharIndex (the first block when
  // ACharIndex lies before all); null without blocks.
  THtLineBlock* CharBlock(int ACharIndex) const;
  // The list index of CharBlock(N), stepped back over hidden blocks (not
  // below 0); -1 without blocks.
  int CharBlockIndex(int N) const;
  // 0 without blocks; past the last shown block, the visible length + 1.
  int VisibleCharIndex(int ACharIndex) const;
  // The inverse; past the end, the display text's length + 1; 0 without
  // blocks.
  int CharIndex(int AVisibleIndex) const;
  int VisibleLength() const;
  // The content characters of the shown blocks, never read past the
  // content (the display text may be longer than the content).
  String VisibleText() const;
  int FirstChar() const;
  int LastChar() const;
  int LastVisibleChar() const;
  int AbsoluteCharPosition(int ACharIndex);
  int AbsolutePositionDelta() override;
  // The document point of a caret before CharIndex; AfterPrevious puts a
  // caret at the start of a block at the end of the block before it.
  TPointF CharPoint(int CharIndex, bool AfterPrevious) override;
  // Whether (X, Y), with the element's origin at (Left, Top), lies on one
  // of its blocks; never for Outside.
  bool InternalHitTest(float X, float Y, float Left, float Top, bool SelfOnly, bool Outside);
  // The word of the block holding CharPos; empty when none.
  String GetWordAt(int CharPos);
  void ReplaceWordAt(int CharPos, StringView NewWord);
  void IgnoreWordAt(int CharPos) { (void)CharPos; }
  // The editing entry: S becomes the content with the spaces that would
  // collapse made non-breaking, so the text shows as typed.
  void SetAndPrepareContent(StringView S);
  String GetInnerText() override;
  String GetRawInnerText() override;
  void FastInnerHTML(TFastString& FS) override;
  // Sets tfInSelection, SelStart and SelEnd (the first and the last
  // selected character, both included, 1-based) from the document's
  // selection; a text outside it only loses tfInSelection.
  void GetSelectionRange();
  // Keeps tfInSelection current before a paint: computed while the document
  // allows selection and has both ends, else cleared.
  void UpdateScrollBars() override;
  bool Visible() const override;

  // --- Text positions, words and search (text_positions.cpp) ---------------
  // Positions are caret positions: P lies before character P (1-based).
  //
  // The caret position nearest to document x X inside the run LB; a run
  // end is taken a third of the narrowest character before it, and a caret
  // never lands inside a surrogate pair.
  int NearestSpace(int X, THtLineBlock* LB);
  // The character under document point (X, Y); 0 when none.
  int CharAtPoint(int X, int Y);
  // The index of the element's line holding (X, Y); -1 when none.
  int LineAt(int X, int Y);
  // The character index of visible index A; past the visible text,
  // LastVisibleChar + 1.
  int CharIndexFromVisible(int A) const;
  // Selects the word around a character into the document selection.
  void SelectWordAt(int CharPos);
  // Selects the enclosing paragraph ("td", "th", "p", "li", "h1" to "h5",
  // "pre", "dd", "dt", "blockquote").
  void SelectPara();
  // The selected characters as plain text: a no-break space becomes a
  // space, and under white-space normal so do CR and LF.
  String SelectedText();
  // The selected characters for HTML output: the content when the whole
  // element is selected, else the selected part of the prepared text.
  String SelectedHTMLText();

  // --- Painting (the painting unit carries them out) -------------------------------
  void Draw(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawRun(TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI) override;

  // --- Neighbourhood ------------------------------------------------------------
  TTextElement* NextTextElement() const;
  TTextElement* PreviousTextElement() const;
  bool IsNext(const TTextElement* TE) const;
  bool IsLineStart() const;
  bool IsLineEnd() const;

  uint16_t TextFlags = 0;  // one bit per text flag 0 to 15
  String Template;         // the parsed text of a templated node
  // The content as shown (text-transform applied); runs and line blocks
  // index it by the same positions as the content.
  String DisplayText;
  std::unique_ptr<THtTextRuns> Runs;
  int FirstRunIndex = 0, LastRunIndex = -1;
  THtFont* Font = nullptr;  // the document collection's
  bool Empty = true;
  int SelStart = 0, SelEnd = 0;
  THtTextStyle TextStyle;

 protected:
  void ApplyTextFlag(int TextFlag, bool Value) override;

 private:
  void prepareText();
  // The characters SelStart .. SelEnd of the prepared text, cut to it and
  // to the content.
  String selectedPart() const;
  void measureRuns();
  void measureSpaces();
  void makeLineBlocks(TFlow* Flow);
  void calcTextStyle();
  // The selected characters [From, To) of the content, 1-based, cut to it.
  const THtCanvasClass* canvasClass() const;
  float surfaceScale() const;

  // The parent and the shared style of the last style pass, which a later
  // pass may skip while both stand.
  const TElement* FStyledUnder = nullptr;
  const IElementStyleFacts* FStyledWith = nullptr;
};

// The text element (or null) a node is: only text elements answer IsText.
inline TTextElement* AsTextElement(THtNode* N) {
  TElement* e = AsElement(N);
  if (!e || !e->IsText()) return nullptr;
  assert(dynamic_cast<TTextElement*>(e) == static_cast<TTextElement*>(e));
  return static_cast<TTextElement*>(e);
}

}  // namespace ht
