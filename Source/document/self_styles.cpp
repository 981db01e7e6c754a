#include "document/self_styles.h"

namespace ht {

namespace {
StringView sheetKey(const THtObject* AObject) { return static_cast<const TCSSStyleSheet*>(AObject)->Key; }
}  // namespace

TSelfStyles::TSelfStyles() : THtObjectDictionary(8191, true, sheetKey) {}

bool TSelfStyles::FindSS(StringView Key, TCSSStyleSheet*& StyleSheet) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  StyleSheet = nullptr;
  return TryGetValue(Key, StyleSheet);
}

TCSSStyleSheet* TSelfStyles::AddSS(StringView Key, TCSSStyleSheet* StyleSheet) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  TCSSStyleSheet* found = nullptr;
  if (TryGetValue(Key, found)) {
    if (found != StyleSheet) delete StyleSheet;
    return found;
  }
  StyleSheet->Key = String(Key);
  AddObject(StyleSheet);
  return StyleSheet;
}

TCSSStyleSheet* TSelfStyles::FindOrAdd(StringView Key, const std::function<std::unique_ptr<TCSSStyleSheet>()>& Make) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  TCSSStyleSheet* found = nullptr;
  if (TryGetValue(Key, found)) return found;
  return AddSS(Key, Make().release());
}

}  // namespace ht
