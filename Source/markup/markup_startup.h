#pragma once
// Start-up and shutdown of the markup unit. HtMarkupInitialize prepares the
// static tables the markup classes read, on the main thread before any parse
// runs; HtMarkupFinalize releases them. Calls nest: only the first
// initialise and the last matching finalise act.
//
// The character-class tables of the tokenizer and the escape-length tables
// of the HTML writer are built by the compiler; what is built here are the
// two entity look-ups. The colour tables and the default system-colour
// procedure belong to the style-sheet layer, which the markup layer may not
// include: that layer installs them through SetMarkupColorHooks before the
// first initialisation, and they then run at their place in the order
// below. Without hooks, colours are left to the style-sheet start-up.
#include "markup/node.h"

namespace ht {

struct THtMarkupColorHooks {
  void (*CreateColorTables)() = nullptr;  // builds the colour-name look-ups
  void (*FreeColorTables)() = nullptr;    // frees them at shutdown
  TThemeColorProc DefaultThemeColor;      // installed with SetThemeColorPrc
};

// Replaces the hooks; takes effect at the next first initialisation.
void SetMarkupColorHooks(THtMarkupColorHooks Hooks);

// Order: the tables (InitParserTables), the entity look-up and its reverse,
// the colour tables, the default theme colour procedure.
void HtMarkupInitialize();
// Frees both entity look-ups and the colour tables.
void HtMarkupFinalize();

// The table preparation step of the start-up: nothing is left to fill at run
// time (every table is constant), kept as the one place the order names.
void InitParserTables();

}  // namespace ht
