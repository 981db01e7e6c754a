#pragma once
// TSelfStyles: a process-wide cache from style text to the sheet parsed from
// it, so that each distinct text (an inline "style" attribute, a document's
// style text) is parsed once per process. Sheets are keyed by their exact
// text and owned by the cache until shut-down.
//
// Threads: documents are styled on the main thread and, for SVG images, on
// the image loader's; every operation takes the cache's lock, and AddSS
// finds and adds as one step.
#include <functional>
#include <memory>
#include <mutex>

#include "css/style_sheet.h"
#include "markup/hash_dictionary.h"

namespace ht {

class TSelfStyles : public THtObjectDictionary {
 public:
  TSelfStyles();

  // True with StyleSheet set to the cached sheet for Key; else False with
  // StyleSheet null.
  bool FindSS(StringView Key, TCSSStyleSheet*& StyleSheet);
  // Stores StyleSheet under Key (setting its Key) and returns it; when Key
  // is cached already, frees StyleSheet and returns the cached sheet.
  TCSSStyleSheet* AddSS(StringView Key, TCSSStyleSheet* StyleSheet);
  // The cached sheet for Key, made by Make when missing.
  TCSSStyleSheet* FindOrAdd(StringView Key, const std::function<std::unique_ptr<TCSSStyleSheet>()>& Make);

 private:
  std::recursive_mutex FLock;
};

// The two caches of the document unit; null outside its start-up and
// shut-down.
TSelfStyles* InlineStyleCache();
TSelfStyles* DocumentSheetCache();

}  // namespace ht
