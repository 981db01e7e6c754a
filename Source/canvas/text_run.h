#pragma once
// Text runs and text style. Before text is measured, broken into lines and
// drawn it is cut into runs: words, runs of spaces, tabs, line breaks, single
// CJK characters, numbers and punctuation, each with its line-break
// opportunities and its direction class. Layout derives its line blocks from
// THtTextRun, which is why the run class is a parameter of the split.
#include <cstdint>

#include "platform/rtl/enum_set.h"
#include "css/css_keywords.h"
#include "markup/char_direction.h"
#include "markup/object_list.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/string.h"

namespace ht {

class THtTextRun;
class THtTextRuns;

enum THtTextRunFlag : uint8_t {
  trfSpace,
  trfBlank,
  trfRTL,
  trfBreakBefore,
  trfBreakAfter,
  trfLineBreak,
  trfProhibitRightBreak,
  trfProhibitLeftBreak,
  trfHidden,
  trfProcessed,
  trfBlock,
  trfOutofFlow,
  trfInlineStart,
  trfInlineEnd,
  trfCollapsible,
  trfText,
  trfSpellIncorrect,
  trfHyphen,
  trfTab,
};
using THtTextRunFlags = TEnumSet<THtTextRunFlag, uint32_t>;

class THtTextRunClass : public TClassRef<THtTextRun> {
 public:
  using TClassRef::TClassRef;
};

class THtTextRun : public THtObject {
 public:
  static const THtTextRunClass ClassType;
  virtual const THtTextRunClass* ClassRefOf() const { return &ClassType; }

  int Start = 0;  // 1-based index of the run's first UTF-16 unit
  int Count = 0;  // number of units
  int Line = 0;   // filled by layout
  float LogicalWidth = 0;  // filled by layout
  THtTextRunFlags Flags;
  THtTextRunBidi Bidi = bdLTR;
};

// Owns its runs.
class THtTextRuns : public THtObjectListOf<THtTextRun> {
 public:
  THtTextRuns() : THtObjectListOf<THtTextRun>(true) {}
  float FontScale = 0;
  THtTextRun* GetRun(int Index) const { return Get(Index); }
};

// The options of one text measuring or drawing call.
struct THtTextStyle {
  float WordSpacing = 0, LetterSpacing = 0;  // extra pixels
  float Opacity = 1;
  String FontFeatures;  // CSS font-feature settings
  TCSSTextOverflow Overflow = toClip;
  bool Shadow = false;
  bool RTL = false;
  uint32_t Color = 0, ShadowColor = 0, DecorationColor = 0;
  TCSSTextDecorationStyle DecorationStyle = tsSolid;
  float ShadowX = 0, ShadowY = 0, ShadowBlur = 0;
  TCSSWritingMode WritingMode = wmHorizontalTB;

  // Every field zero, empty or the first value, except Opacity 1.
  void Reset() { *this = THtTextStyle(); }
  static THtTextStyle Default() { return THtTextStyle(); }
};

// Appends runs of RunClass covering s from its first to its last unit, in
// order, without gaps or overlaps; runs already in Runs stay. A surrogate
// pair is never split. (THtCanvasClass::SplitString calls this.)
void SplitTextRuns(StringView s, THtTextRuns& Runs, const THtTextRunClass* RunClass);

}  // namespace ht
