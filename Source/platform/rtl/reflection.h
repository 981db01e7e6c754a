#pragma once
// Member tables for serialisable types. C++ has no run-time list of a
// type's fields and properties, so each serialisable class or record
// declares one ordered, static table with HT_REFLECT: per member its name,
// whether it is a field or a property (read through a getter method), its
// visibility, its kind and, for arrays, the name of the element type.
// Enumeration values are named through the tables of enum_table.h.
//
//   struct TPoint { int X = 0; int Y = 0; };
//   HT_REFLECT(TPoint, void, HT_FIELD(X, mvPublic), HT_FIELD(Y, mvPublic))
//
//   class TShape : public THtObject {
//    public:
//     String FName;
//     int GetCount() const;
//   };
//   HT_REFLECT(TShape, void, HT_FIELD(FName, mvPublic), HT_PROPERTY(Count, GetCount, mvPublished))
//
// HT_REFLECT is used inside namespace ht, after the type is complete; the
// parent is the reflected base class (void for records and root classes).
// A float member holding a date-time number names its kind:
// HT_FIELD(FWhen, mvPublic, mkDateTime). Classes derive from THtObject and
// are found by their dynamic type at run time. An enumeration used as an
// array element type needs a type name: HT_REFLECT_ENUM(TMyEnum).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "platform/rtl/enum_table.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

enum TMemberKind : uint8_t {
  mkUnknown,
  mkInteger,      // up to 32 bits
  mkInt64,
  mkEnumeration,  // Booleans included
  mkFloat,
  mkDateTime,     // a float holding a date-time number
  mkDate,         // a float holding a date
  mkString,       // characters and strings of all kinds
  mkObject,       // a pointer to a reflected class object
  mkRecord,       // a reflected record held by value
  mkInterface,    // a shared reference to an object
  mkArray,
  mkSet,
  mkMethod,
  mkClassRef,
  mkPointer,
  mkProcedure
};

enum TMemberVisibility : uint8_t { mvPrivate, mvProtected, mvPublic, mvPublished };
enum TMemberRole : uint8_t { mrField, mrProperty };

struct TTypeInfo;

// One member value, read through a member table.
struct TReflectedValue {
  TMemberKind Kind = mkUnknown;
  int64_t Int = 0;   // integers and the ordinal of an enumeration
  double Float = 0;  // floats, dates and date-times
  String Text;       // strings
  const std::string_view* EnumNames = nullptr;  // the enumeration's value names
  size_t EnumCount = 0;
  const THtObject* Object = nullptr;    // objects and interfaces (may be null)
  std::shared_ptr<const void> Record;  // a copy of a record value
  const TTypeInfo* Type = nullptr;     // the record's (or the object's static) type
  std::vector<TReflectedValue> Items;  // array elements in index order
  std::string_view ElementTypeName;    // empty when the element type is unknown

  // The enumeration value's name (the ordinal as text when outside the table).
  String EnumValueName() const;
};

struct TMemberInfo {
  std::string_view Name;
  TMemberRole Role = mrField;
  TMemberVisibility Visibility = mvPublic;
  TMemberKind Kind = mkUnknown;
  std::string_view ElementTypeName;
  // Reads the member of an instance of the declaring type.
  TReflectedValue (*Get)(const void* Instance) = nullptr;
};

struct TTypeInfo {
  std::string_view Name;
  const TTypeInfo* Parent = nullptr;  // the reflected base class
  bool IsClass = false;
  // The members in declaration order (fields and properties interleaved as
  // written; writers take the fields first, then the properties).
  std::vector<TMemberInfo> Members;
  // For classes: the object as a pointer to the declaring type.
  const void* (*FromObject)(const THtObject* Object) = nullptr;
};

// Specialised by HT_REFLECT.
template <class T>
struct TReflect;

// The element type name of arrays; specialised for the built-in types, for
// reflected types by HT_REFLECT and for enumerations by HT_REFLECT_ENUM.
template <class T, class = void>
struct TTypeName {
  static constexpr std::string_view Name{};
};

// The table of an object's dynamic type, null when it has none.
const TTypeInfo* FindTypeInfo(const THtObject& Object);
// Used by HT_REFLECT: makes the dynamic type of a class findable.
bool RegisterTypeInfo(const std::type_info& Type, const TTypeInfo& Info);

namespace reflect_detail {

template <class T, class = void>
struct IsReflected : std::false_type {};
template <class T>
struct IsReflected<T, std::void_t<decltype(TReflect<T>::Info())>> : std::true_type {};

template <class T, class = void>
struct HasEnumNames : std::false_type {};
template <class T>
struct HasEnumNames<T, std::void_t<decltype(TEnumInfo<T>::Names)>> : std::true_type {};

template <class T>
struct IsVector : std::false_type {};
template <class T, class A>
struct IsVector<std::vector<T, A>> : std::true_type {};
template <class T>
struct IsStdArray : std::false_type {};
template <class T, size_t N>
struct IsStdArray<std::array<T, N>> : std::true_type {};
template <class T>
struct IsShared : std::false_type {};
template <class T>
struct IsShared<std::shared_ptr<T>> : std::true_type {};
template <class T>
struct IsUnique : std::false_type {};
template <class T, class D>
struct IsUnique<std::unique_ptr<T, D>> : std::true_type {};
template <class T>
struct IsFunction : std::false_type {};
template <class T>
struct IsFunction<std::function<T>> : std::true_type {};

inline constexpr std::string_view booleanNames[2] = {"False", "True"};

template <class T>
TReflectedValue toValue(const T& v);

template <class Range>
TReflectedValue arrayValue(const Range& range) {
  using Element = std::remove_cv_t<std::remove_reference_t<decltype(*std::begin(range))>>;
  TReflectedValue r;
  r.Kind = mkArray;
  r.ElementTypeName = TTypeName<Element>::Name;
  for (const auto& item : range) r.Items.push_back(toValue<Element>(item));
  return r;
}

inline TReflectedValue objectValue(const THtObject* o, TMemberKind kind) {
  TReflectedValue r;
  r.Kind = kind;
  r.Object = o;
  return r;
}

template <class T>
constexpr TMemberKind kindOf() {
  if constexpr (std::is_same_v<T, bool> || std::is_enum_v<T>)
    return (std::is_same_v<T, bool> || HasEnumNames<T>::value) ? mkEnumeration : mkUnknown;
  else if constexpr (std::is_same_v<T, char16_t> || std::is_same_v<T, char> || std::is_same_v<T, String> ||
                     std::is_same_v<T, std::string> || std::is_same_v<T, StringView>)
    return mkString;
  else if constexpr (std::is_integral_v<T>)
    return sizeof(T) <= 4 ? mkInteger : mkInt64;
  else if constexpr (std::is_floating_point_v<T>)
    return mkFloat;
  else if constexpr (IsVector<T>::value || IsStdArray<T>::value || std::is_array_v<T>)
    return mkArray;
  else if constexpr (IsShared<T>::value)
    return std::is_base_of_v<THtObject, typename T::element_type> || std::is_polymorphic_v<typename T::element_type>
               ? mkInterface
               : mkPointer;
  else if constexpr (IsUnique<T>::value)
    return std::is_base_of_v<THtObject, typename T::element_type> ? mkObject : mkPointer;
  else if constexpr (std::is_pointer_v<T>)
    return std::is_base_of_v<THtObject, std::remove_cv_t<std::remove_pointer_t<T>>> ? mkObject
           : std::is_function_v<std::remove_pointer_t<T>>                             ? mkProcedure
                                                                                       : mkPointer;
  else if constexpr (std::is_member_function_pointer_v<T> || IsFunction<T>::value)
    return mkMethod;
  else if constexpr (IsReflected<T>::value)
    return mkRecord;
  else
    return mkUnknown;
}

template <class T>
TReflectedValue toValue(const T& v) {
  constexpr TMemberKind kind = kindOf<T>();
  TReflectedValue r;
  r.Kind = kind;
  if constexpr (kind == mkEnumeration) {
    r.Int = int64_t(v);
    if constexpr (std::is_same_v<T, bool>) {
      r.EnumNames = booleanNames;
      r.EnumCount = 2;
    } else {
      r.EnumNames = TEnumInfo<T>::Names.data();
      r.EnumCount = TEnumInfo<T>::Names.size();
    }
  } else if constexpr (kind == mkString) {
    if constexpr (std::is_same_v<T, char16_t>)
      r.Text = String(1, v);
    else if constexpr (std::is_same_v<T, char>)
      r.Text = String(1, char16_t(uint8_t(v)));
    else if constexpr (std::is_same_v<T, std::string>)
      r.Text = Utf8ToString(v);
    else
      r.Text = String(v);
  } else if constexpr (kind == mkInteger || kind == mkInt64) {
    r.Int = int64_t(v);
  } else if constexpr (kind == mkFloat) {
    r.Float = double(v);
  } else if constexpr (kind == mkArray) {
    return arrayValue(v);
  } else if constexpr (kind == mkInterface) {
    return objectValue(dynamic_cast<const THtObject*>(v.get()), mkInterface);
  } else if constexpr (kind == mkObject) {
    if constexpr (IsUnique<T>::value)
      return objectValue(v.get(), mkObject);
    else
      return objectValue(v, mkObject);
  } else if constexpr (kind == mkRecord) {
    r.Record = std::make_shared<T>(v);
    r.Type = &TReflect<T>::Info();
  }
  return r;
}

template <auto Member>
struct FieldAccess;
template <class C, class T, T C::*Member>
struct FieldAccess<Member> {
  using Type = T;
  static TReflectedValue Get(const void* instance) { return toValue<T>(static_cast<const C*>(instance)->*Member); }
};

template <auto Getter>
struct PropertyAccess;
template <class C, class T, T (C::*Getter)() const>
struct PropertyAccess<Getter> {
  using Type = std::remove_cv_t<std::remove_reference_t<T>>;
  static TReflectedValue Get(const void* instance) { return toValue<Type>((static_cast<const C*>(instance)->*Getter)()); }
};

template <class T>
constexpr std::string_view elementTypeName() {
  if constexpr (IsVector<T>::value || IsStdArray<T>::value)
    return TTypeName<typename T::value_type>::Name;
  else if constexpr (std::is_array_v<T>)
    return TTypeName<std::remove_cv_t<std::remove_extent_t<T>>>::Name;
  else
    return {};
}

template <class Access>
TMemberInfo member(std::string_view name, TMemberRole role, TMemberVisibility visibility,
                   TMemberKind kind = mkUnknown) {
  using T = typename Access::Type;
  TMemberInfo m;
  m.Name = name;
  m.Role = role;
  m.Visibility = visibility;
  m.Kind = kindOf<T>();
  // A date or date-time override applies to float members only.
  if ((kind == mkDate || kind == mkDateTime) && m.Kind == mkFloat) m.Kind = kind;
  m.ElementTypeName = elementTypeName<T>();
  m.Get = &Access::Get;
  return m;
}

template <class Type, class Parent>
TTypeInfo makeTypeInfo(std::string_view name, std::vector<TMemberInfo> members) {
  TTypeInfo info;
  info.Name = name;
  if constexpr (!std::is_void_v<Parent>) info.Parent = &TReflect<Parent>::Info();
  info.IsClass = std::is_base_of_v<THtObject, Type>;
  if constexpr (std::is_base_of_v<THtObject, Type>)
    info.FromObject = [](const THtObject* o) -> const void* { return static_cast<const Type*>(o); };
  info.Members = std::move(members);
  return info;
}

}  // namespace reflect_detail

#define HT_REFLECT_NAME_(T, N)       \
  template <>                        \
  struct TTypeName<T> {              \
    static constexpr std::string_view Name{N}; \
  };

HT_REFLECT_NAME_(int8_t, "ShortInt")
HT_REFLECT_NAME_(uint8_t, "Byte")
HT_REFLECT_NAME_(int16_t, "SmallInt")
HT_REFLECT_NAME_(uint16_t, "Word")
HT_REFLECT_NAME_(int32_t, "Integer")
HT_REFLECT_NAME_(uint32_t, "Cardinal")
HT_REFLECT_NAME_(int64_t, "Int64")
HT_REFLECT_NAME_(uint64_t, "UInt64")
HT_REFLECT_NAME_(float, "Single")
HT_REFLECT_NAME_(double, "Double")
HT_REFLECT_NAME_(bool, "Boolean")
HT_REFLECT_NAME_(char16_t, "Char")
HT_REFLECT_NAME_(String, "string")

// A member field: HT_FIELD(Name, Visibility) or HT_FIELD(Name, Visibility, Kind).
#define HT_FIELD(Name, ...)                                                                                  \
  ::ht::reflect_detail::member<::ht::reflect_detail::FieldAccess<&Self::Name>>(#Name, ::ht::mrField, \
                                                                                  __VA_ARGS__)
// A property read through a const getter method without arguments.
#define HT_PROPERTY(Name, Getter, ...)                                                                        \
  ::ht::reflect_detail::member<::ht::reflect_detail::PropertyAccess<&Self::Getter>>(#Name, ::ht::mrProperty, \
                                                                                       __VA_ARGS__)

// The member table of Type (a plain identifier), whose reflected base class
// is Parent (void for none), followed by its HT_FIELD and HT_PROPERTY
// entries in declaration order.
#define HT_REFLECT(Type, Parent, ...)                                                                \
  template <>                                                                                        \
  struct TReflect<Type> {                                                                            \
    using Self = Type;                                                                               \
    static const TTypeInfo& Info() {                                                                 \
      static const TTypeInfo info = ::ht::reflect_detail::makeTypeInfo<Type, Parent>(#Type, {__VA_ARGS__}); \
      return info;                                                                                   \
    }                                                                                                \
    static inline const bool Registered = ::ht::RegisterTypeInfo(typeid(Type), Info());             \
  };                                                                                                 \
  HT_REFLECT_NAME_(Type, #Type)

// Names an enumeration (declared with HT_ENUM) as an array element type.
#define HT_REFLECT_ENUM(Type) HT_REFLECT_NAME_(Type, #Type)

}  // namespace ht
