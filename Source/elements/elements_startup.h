#pragma once
// Start-up and shut-down of the elements unit: the painting unit (and every
// unit below it), then the table classes, registered for their tags and
// answering the document's table hooks, and the SVG properties and
// classes. Calls nest.
namespace ht {

void HtElementsInitialize();
void HtElementsFinalize();

}  // namespace ht
