#include "host/host_components.h"

#include <algorithm>
#include <mutex>

#include "platform/rtl/string.h"

namespace ht {

namespace {

std::mutex formsLock;
std::vector<THtComponentOwner*>& forms() {
  static std::vector<THtComponentOwner*> list;
  return list;
}
}  // namespace

THtBytes THtImageListComponent::Item(int Index) const {
  if (Index < 0 || size_t(Index) >= Images.size()) return THtBytes();
  return Images[size_t(Index)];
}

THtComponent* THtComponentOwner::FindComponent(StringView AName) const {
  if (AName.empty()) return nullptr;
  for (const auto& c : FComponents)
    if (SameTextAscii(c->Name, AName)) return c.get();
  return nullptr;
}

void RegisterHtForm(THtComponentOwner* Form) {
  std::lock_guard<std::mutex> guard(formsLock);
  if (std::find(forms().begin(), forms().end(), Form) == forms().end()) forms().push_back(Form);
}

void UnregisterHtForm(THtComponentOwner* Form) {
  std::lock_guard<std::mutex> guard(formsLock);
  std::erase(forms(), Form);
}

THtComponentOwner* FindHtForm(StringView AName) {
  std::lock_guard<std::mutex> guard(formsLock);
  if (AName.empty()) return nullptr;
  for (THtComponentOwner* f : forms())
    if (SameTextAscii(f->Name, AName)) return f;
  return nullptr;
}

}  // namespace ht
