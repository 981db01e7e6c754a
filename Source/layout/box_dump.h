#pragma once
// A text picture of a laid-out document, for layout tests and for checking a
// page by hand (tools/layout_dump). It reads the placed boxes, line tables
// and runs and changes nothing.
//
//   viewport 800x600
//   html 0,0 800×600
//     body 8,8 784×584
//       line 8,8 110×10
//         "hello world" 8,8 110×10
//       p#intro.lead 8,26 784×20
//
// The first line is the document's client size. Then one line per box in
// document order, indented two spaces per level of box nesting:
// "tag#id.class x,y w×h", the border box in document pixels (what a browser's
// getBoundingClientRect answers; for an inline box the union of its line
// fragments). A box is an element, not text, displayed, with at least one
// run; the document itself is always listed. Pseudo-elements are not boxes,
// their text shows among the runs.
//
// Under a box whose own flow holds lines, before its child boxes: each line
// that does not hold a block-level box, "line x,y w×h" (the start and width
// of its content and the height of the line box), and under the line its
// text: consecutive visible runs of one text element joined into one
// "\"text\" x,y w×h" (quotes and backslashes escaped), a forced break as
// "<br> x,y w×h". Lines and runs are what only this engine shows; the box
// lines are what a browser can be checked against.
//
// Numbers carry at most two fraction digits, without trailing zeros.
#include <string>

namespace ht {

class THtDocument;

std::string LayoutDump(THtDocument& Doc);

}  // namespace ht
