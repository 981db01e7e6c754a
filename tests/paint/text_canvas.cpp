#include "text_canvas.h"

#include "canvas/font.h"

namespace ht::testing {

namespace {

std::string hex(uint32_t V) {
  static const char* digits = "0123456789ABCDEF";
  std::string s(8, '0');
  for (int i = 7; i >= 0; --i, V >>= 4) s[size_t(i)] = digits[V & 15];
  return s;
}

std::string styleText(THtFontStyles S) {
  std::string s;
  if (S.Contains(hfsBold)) s += "b";
  if (S.Contains(hfsItalic)) s += "i";
  if (S.Contains(hfsUnderline)) s += "u";
  if (S.Contains(hfsStrikeOut)) s += "s";
  return s.empty() ? "-" : s;
}

// Writes its calls into the canvas that made it.
class TTraceTextObject : public THtTextObject {
 public:
  explicit TTraceTextObject(TTextCanvas& G) : FG(G) {}
  void SetColor(uint32_t Color, int FirstChar, int Length) override {
    FG.Calls.push_back("  SetColor " + hex(Color) + " " + std::to_string(FirstChar) + "+" + std::to_string(Length));
  }
  void SetStyle(THtFontStyles Style, int FirstChar, int Length, uint32_t, TCSSTextDecorationStyle) override {
    FG.Calls.push_back("  SetStyle " + styleText(Style) + " " + std::to_string(FirstChar) + "+" +
                       std::to_string(Length));
  }
  void SetAlignment(THAlign) override {}

 private:
  TTextCanvas& FG;
};

}  // namespace

THtCanvasFlags& TTextCanvasClass::Flags() {
  static THtCanvasFlags flags;
  return flags;
}

const TTextCanvasClass TTextCanvas::ClassType{"TTextCanvas", &TAhemCanvas::ClassType,
                                              &CreateInstance<TTextCanvas, THtCanvas>};

std::unique_ptr<THtTextObject> TTextCanvas::CreateTextObject(StringView s, THtFont*, const THtTextStyle&,
                                                             const TRectF& R, int AFirstChar, int ALength) {
  const size_t first = size_t(std::max(AFirstChar, 1) - 1);
  const String part = first < s.size() ? String(s.substr(first, size_t(std::max(ALength, 0)))) : String();
  Calls.push_back("TextObject \"" + StringToUtf8(part) + "\" " + TraceNum(R.Left) + "," + TraceNum(R.Top));
  return std::make_unique<TTraceTextObject>(*this);
}

void TTextCanvas::DrawTextObject(THtTextObject*, const TRectF& R, THtFont* Font) {
  Calls.push_back("DrawTextObject " + TraceNum(R.Left) + "," + TraceNum(R.Top) + " " +
                  StringToUtf8(Font ? Font->Family() : String()));
}

}  // namespace ht::testing
