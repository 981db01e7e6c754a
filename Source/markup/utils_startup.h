#pragma once
// Start-up and shut-down of the shared routines. HtUtilsInitialize runs
// before any other unit of the engine uses them, on the main thread before
// other threads exist: it reads the processor flags, selects the character
// search and registers the zlib compression implementation. Calls nest: only
// the first initialise and the last matching finalise do anything.
namespace ht {

void HtUtilsInitialize();
void HtUtilsFinalize();

}  // namespace ht
