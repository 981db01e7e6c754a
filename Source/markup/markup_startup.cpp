#include "markup/markup_startup.h"

#include "markup/entities.h"

namespace ht {

namespace {
int gInitCount = 0;

THtMarkupColorHooks& colorHooks() {
  static THtMarkupColorHooks hooks;
  return hooks;
}
}  // namespace

void SetMarkupColorHooks(THtMarkupColorHooks Hooks) { colorHooks() = std::move(Hooks); }

void InitParserTables() {
  // HtmlCharClass (html_tokenizer.h) and HtmlTextEscapeLength /
  // HtmlAttrEscapeLength (html_writer.h) are constant data.
}

void HtMarkupInitialize() {
  if (gInitCount++ > 0) return;
  InitParserTables();
  CreateEntityDictionaries();
  const THtMarkupColorHooks& hooks = colorHooks();
  if (hooks.CreateColorTables) hooks.CreateColorTables();
  if (hooks.DefaultThemeColor) THtmlNode::SetThemeColorPrc(hooks.DefaultThemeColor);
}

void HtMarkupFinalize() {
  if (gInitCount == 0 || --gInitCount > 0) return;
  FreeEntityDictionaries();
  if (colorHooks().FreeColorTables) colorHooks().FreeColorTables();
}

}  // namespace ht
