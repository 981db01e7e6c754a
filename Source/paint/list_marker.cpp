// The marker of a list item: a shape (circle, disc, square) or a counter
// text with its period, left of the item's content (right of it for
// right-to-left items), on the baseline of the item's first text when it
// has one.
#include <algorithm>
#include <climits>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"
#include "paint/element_paint.h"
#include "paint/text_paint.h"

namespace ht {

namespace {

// A whole decimal integer (optional sign) that fits an int, else Default.
int strToIntDef(StringView s, int Default) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  if (i == s.size()) return Default;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return Default;
    v = v * 10 + (s[i] - u'0');
    if (v > 2147483648LL) return Default;
  }
  if (negative) v = -v;
  return v < INT_MIN || v > INT_MAX ? Default : int(v);
}

}  // namespace

String ListMarkerText(TElement& E, TListStyleType Type, bool RTL) {
  String text = E.Content();
  if (text.empty()) {
    const TElement* list = E.Parent();
    const int start = list && list->HasAttribute(u"start") ? strToIntDef(list->GetAttribute(u"start"), 1) : 1;
    const long long n = std::clamp<long long>(static_cast<long long>(E.TagIndex()) + start, INT_MIN, INT_MAX);
    text = TStyledHTMLNode::CounterText(Type, int(n));
  }
  return RTL ? u"." + text : text + u".";
}

void DrawListMarker(TElement& E, const THtDrawInfo& DI) {
  TElementStyle* S = ElementStyleOf(&E);
  THtCanvas* G = SurfaceOf(E);
  if (!S || !G) return;
  const TListStyleType type = S->ListStyleType();
  if (type == lstNone) return;
  const bool rtl = S->Direction() == cdRTL;
  const float gap = S->ListStylePosition() == lspInside ? 0.0f : 10.0f;
  const TRectF inner = E.InnerRect();
  const float padding = rtl ? E.PaddingRight() : E.PaddingLeft();
  TRectF R{DI.CX + inner.Left - gap - padding, DI.CY + inner.Top, DI.CX + inner.Right, DI.CY + inner.Bottom};
  if (!G->DocumentRectInView(R)) return;
  R.Left += gap;

  const uint32_t color = S->TextColor();
  THtFont* font = S->GetFont();
  if (!font) return;
  // The font is shared: no decoration lines on a marker.
  font->SetStyle(S->FontStyle());

  TFlow* flow = E.SelfFlow.get();
  const bool hasLines = flow && flow->LineCount() > 0;
  // The item's first text, when it comes next in line layout: the marker
  // sits on its baseline.
  TTextElement* text = nullptr;
  THtLineBlock* run = nullptr;
  if (hasLines) {
    text = dynamic_cast<TTextElement*>(E.NextLineElement());
    if (text && text->HasAsParent(&E)) run = text->FirstRun();
    if (!run) text = nullptr;
  }
  float V, H;
  if (hasLines) {
    const THtLineInfo* L0 = flow->GetLine(0);
    const float extra = std::trunc(std::max(font->Height(), L0->Height) - font->Height());
    if (run) {
      R.Top = text->SurfaceTop() + run->Top + run->Ascent * 0.7f;
      V = 0;
    } else {
      V = extra + font->Ascent - font->Ascent / 3;
    }
    if (font->Height() < 8) V = (L0->Height - 5) * 0.5f + 1;
    H = rtl ? std::round(R.Right - R.Left) + 20
            : float(L0->LeftOffset) - float(int(gap) / 2) - std::round(font->Height() / 2);
  } else {
    V = std::ceil((R.Bottom - R.Top) / 2);
    H = -10;
  }

  switch (type) {
    case lstCircle: G->DrawEllipse(G->GetPen(color, 1.0f), R.Left + H, R.Top + V - 2.5f, 5, 5); return;
    case lstDisk: G->FillEllipse(G->GetBrush(color), R.Left + H, R.Top + V - 2.5f, 5, 5); return;
    case lstSquare: G->FillRectangle(G->GetBrush(color), R.Left + H, R.Top + V - 2.5f, 5, 5); return;
    default: break;
  }
  if (!rtl) H += std::round(font->Height() / 2);
  const String marker = ListMarkerText(E, type, rtl);
  THtTextStyle style;
  style.Color = S->TextColor();
  style.WritingMode = S->WritingMode();
  const float x = R.Left + H;
  const float w = G->ClassRefOf()->MeasureString(marker, font, style, 1.0f, 1, int(marker.size()));
  float top;
  if (!hasLines) {
    top = R.Top + font->LineHeight * 0.8f - font->Ascent;
  } else if (run) {
    const float textAscent = text->Font ? text->Font->Ascent : font->Ascent;
    top = text->SurfaceTop() + run->Top + textAscent - font->Ascent;
  } else {
    top = R.Top + flow->GetLine(0)->Height * 0.8f - font->Ascent;
  }
  G->DrawString(marker, TRectF{x - w, top, x, top + font->LineHeight}, font, style, 1, int(marker.size()));
}

}  // namespace ht
