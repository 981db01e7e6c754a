#include "platform/rtl/reflection.h"

#include <mutex>
#include <unordered_map>

namespace ht {

namespace {

struct TTypeRegistry {
  std::mutex Lock;
  std::unordered_map<std::type_index, const TTypeInfo*> Types;
};

TTypeRegistry& registry() {
  static TTypeRegistry r;
  return r;
}

}  // namespace

String TReflectedValue::EnumValueName() const {
  if (EnumNames && Int >= 0 && uint64_t(Int) < EnumCount) return AsciiToString(EnumNames[size_t(Int)]);
  return AsciiToString(std::to_string(Int));
}

bool RegisterTypeInfo(const std::type_info& Type, const TTypeInfo& Info) {
  if (!Info.IsClass) return false;
  TTypeRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  r.Types[std::type_index(Type)] = &Info;
  return true;
}

const TTypeInfo* FindTypeInfo(const THtObject& Object) {
  TTypeRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  const auto it = r.Types.find(std::type_index(typeid(Object)));
  return it == r.Types.end() ? nullptr : it->second;
}

}  // namespace ht
