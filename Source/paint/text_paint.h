#pragma once
// The painting of text, list markers and replaced images: text runs one at
// a time or merged into chunks of one line, with what lies under and over
// them (selection, search highlight, spelling marks, shadows), the markers
// of list items, images and inline frames with their placeholders, and the
// small handles drawn at selection ends and resize corners.
//
// Character positions are 1-based in the text element's display text, as
// the runs count them. A text element's SelStart..SelEnd is selected.
#include <cstdint>

#include "canvas/text_run.h"
#include "css/css_keywords.h"
#include "document/draw_info.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/string.h"

namespace ht {

class TElement;
class TTextElement;
class TImageElement;
class TIFrameElement;
class TFlow;
class THtLineBlock;

// --- Text runs (text_paint.cpp) ----------------------------------------------------------
void TextDraw(TTextElement& T, TFlow* Flow, const THtDrawInfo& DI);
void TextDrawRun(TTextElement& T, TFlow* Flow, THtLineBlock* Block, const THtDrawInfo& DI);
// One run inside Rect (surface coordinates): selection, highlight, glyphs,
// shadow and spelling mark.
void DrawTextRun(TTextElement& T, THtLineBlock& LB, TFlow* Flow, TRectF Rect, const THtDrawInfo& DI);
// Boxes behind the case-insensitive occurrences of the document's
// highlight text that overlap LB.
void DrawHighlightedText(TTextElement& T, THtLineBlock& LB, const TRectF& Rect, TFlow* Flow);
// The selected part of LB, as tall as its line.
void DrawSelectionBackground(TTextElement& T, THtLineBlock& LB, TFlow* Flow, const TRectF& Rect);
void DrawSpellingMark(TTextElement& T, THtLineBlock& LB, const TRectF& Rect, float Height);
// The width of the Count characters of T's display text from First.
float TextRangeWidth(TTextElement& T, int First, int Count);

// --- Merged text chunks (merged_text.cpp) ------------------------------------------------
// What a flow's walk knows while it paints text.
struct TTextWalk {
  TElement* Owner = nullptr;  // the element whose own flow is walked
  TFlow* Flow = nullptr;
  THtDrawInfo ChildDI;          // the draw info of the flow's children
  bool UseTextLayouts = false;  // the canvas lays out whole styled strings
  bool Justified = false;       // the owner's text-align is justify
};
// Draws the chunk that starts at the text run B0 and answers the last run
// it used, so the walk goes on after it.
THtLineBlock* DrawMergedText(const TTextWalk& W, THtLineBlock* B0);

// --- List markers (list_marker.cpp) -----------------------------------------------------
void DrawListMarker(TElement& E, const THtDrawInfo& DI);
// The marker's counter text: "5." (or ".5" right to left).
String ListMarkerText(TElement& E, TListStyleType Type, bool RTL);

// --- Images and inline frames (image_paint.cpp) ------------------------------------------
void ImageDrawInline(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
void ImageDrawBlock(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
void ImageDrawBorder(TImageElement& E, const THtDrawInfo& DI);
void ImageDrawInnerElements(TImageElement& E, TFlow* Flow, const THtDrawInfo& DI);
// R: the content box in element coordinates.
void DrawImage(TImageElement& E, TRectF R, const THtDrawInfo& DI);
void DrawIFrame(TIFrameElement& E, TRectF R, const THtDrawInfo& DI);
// The box of a missing image, R in surface coordinates.
void DrawPlaceholder(TImageElement& E, const TRectF& R);
void DrawSizingPreview(TImageElement& E, const THtDrawInfo& DI);

// --- Touch selection handles (selection_handles.cpp) -------------------------------------
// One handle at a selection end: Rect is the caret rectangle there in
// surface coordinates, as tall as the font. The knob's document point goes
// to the selection's LeftPoint (IsLeft) or RightPoint. Magnify: the handle
// is being dragged and its line shows magnified above it.
void DrawSelectionHandle(TElement& E, TRectF Rect, bool IsLeft, bool Magnify, const THtDrawInfo& DI);
// The magnifier over R (the caret rectangle widened by 30 px each side):
// E's line from the dragged end's run drawn 1.5 times as large in a
// rounded box above R.
void DrawMagnifier(TElement& E, const TRectF& R, const THtDrawInfo& DI);

// --- Handles (element_handles.cpp) -------------------------------------------------------
// The rectangle E shows while it is being resized: its margin box (an
// inline element: the rectangle of its first line) with the edges the
// dragged handle moves set from the user size.
TRectF GetSizingRect(const TElement& E);
// Style 1: a round knob; any other: a square of side 2 x Size.
void DrawHandle(TElement& E, float X, float Y, int Size, uint32_t Color, uint8_t Style);
// The designer's frame, fill and resize handles of E (the handles only
// where E's resize value and the document allow sizing).
void DrawDesignerSelection(TElement& E, const THtDrawInfo& DI);
// The grid frame of a table cell without a full border.
void DrawCellGridFrame(TElement& E, const THtDrawInfo& DI);

}  // namespace ht
