#pragma once
// The run dump of layout tests: each flow's chain in document order, one
// line per run with its element, flags, width and height.
#include <string>

namespace ht {
class TElement;
}

namespace ht::testing {

// "flow <owner>" for every element under Root (Root included) whose own
// flow holds runs, then "  <element> <flags> <width>x<height>" per run,
// where a text element shows as "'text'" and flags as their names
// without the "trf" prefix.
std::string DumpRuns(TElement* Root);

}  // namespace ht::testing
