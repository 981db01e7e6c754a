#pragma once
// The @keyframes rules of a style sheet: name -> the keyframe sections of
// that rule keyed by percentage.
#include <memory>
#include <vector>

#include "css/css_section.h"
#include "markup/hash_dictionary.h"
#include "markup/object_list.h"

namespace ht {

// The keyframes of one rule, sorted by percentage (0..100); each item's
// object is the TCSSSection of that keyframe. Equal percentages keep the
// order they were added in.
class TCSSKeyFrameList : public TIDList {
 public:
  String Name;
  // One item per selector of Section: "from" 0, "to" 100, "n%" n rounded
  // (halves to even); other texts and numbers outside 0..100 are dropped.
  void AddSection(TCSSSection* Section);
  TCSSSection* SectionAt(int32_t Index) const { return static_cast<TCSSSection*>(GetObject(Index)); }
};

class TCSSKeyFrameMap : public THtObjectDictionary {
 public:
  TCSSKeyFrameMap();
  ~TCSSKeyFrameMap() override;

  // Files Section under Name; with Own the map frees it, else it belongs
  // to another map (a merged sheet) that must outlive this one.
  void AddSection(StringView Name, TCSSSection* Section, bool Own = true);
  TCSSKeyFrameList* FindList(StringView Name) const;

 private:
  std::vector<std::unique_ptr<TCSSKeyFrameList>> FLists;
  std::vector<std::unique_ptr<TCSSSection>> FSections;
};

}  // namespace ht
