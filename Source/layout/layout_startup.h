#pragma once
// Start-up and shut-down of the layout unit: the document unit's start-up,
// then the tags of layout's element classes. Calls nest.
namespace ht {

void HtLayoutInitialize();
void HtLayoutFinalize();

}  // namespace ht
