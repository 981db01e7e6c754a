#pragma once
// TTextElement: a text node of the element tree (and the "br" element).
// It makes no computed style of its own: it shares its parent's. It turns
// its text into runs: it prepares a display text (text-transform), lets the
// canvas class split it into runs, measures them with its font, sizes the
// white-space runs by the white-space mode and offers one line block per
// run to its container's flow.
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
  // the font or the surface scale changed.
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
  void measureRuns();
  void measureSpaces();
  void makeLineBlocks(TFlow* Flow);
  void calcTextStyle();
  const THtCanvasClass* canvasClass() const;
  float surfaceScale() const;
};

}  // namespace ht
