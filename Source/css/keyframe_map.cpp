#include "css/keyframe_map.h"

#include <cmath>

#include "markup/str_utils.h"

namespace ht {

void TCSSKeyFrameList::AddSection(TCSSSection* Section) {
  for (const TCSSSelector* s : *Section->Selectors) {
    const String text = SelectorText(*s);
    double v;
    if (SameTextAscii(text, u"from")) {
      v = 0;
    } else if (SameTextAscii(text, u"to")) {
      v = 100;
    } else {
      if (text.size() < 2) continue;
      const StringView number = StringView(text).substr(0, text.size() - 1);
      bool digits = true;
      for (char16_t c : number)
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+')) digits = false;
      if (!digits) continue;
      v = FastStrToFloat(number);
      if (!(v >= 0 && v <= 100)) continue;
    }
    AddObject(int32_t(std::nearbyint(v)), Section);
  }
}

TCSSKeyFrameMap::TCSSKeyFrameMap() : THtObjectDictionary(16, false, KeyField<&TCSSKeyFrameList::Name>) {}

TCSSKeyFrameMap::~TCSSKeyFrameMap() { Clear(); }

void TCSSKeyFrameMap::AddSection(StringView Name, TCSSSection* Section, bool Own) {
  TCSSKeyFrameList* list = FindList(Name);
  if (!list) {
    FLists.push_back(std::make_unique<TCSSKeyFrameList>());
    list = FLists.back().get();
    list->Name = String(Name);
    AddObject(list);
  }
  list->AddSection(Section);
  if (Own) {
    for (const auto& s : FSections)
      if (s.get() == Section) return;
    FSections.emplace_back(Section);
  }
}

TCSSKeyFrameList* TCSSKeyFrameMap::FindList(StringView Name) const {
  TCSSKeyFrameList* list = nullptr;
  return TryGetValue(Name, list) ? list : nullptr;
}

}  // namespace ht
