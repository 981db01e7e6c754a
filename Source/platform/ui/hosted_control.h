#pragma once
// Hosted controls as the engine sees them: a stand-in for the platform's
// control library. A control has a class (its name, a factory and typed
// named properties, the run-time type information a document's attributes
// are written through), an owner that frees it, a parent in the window
// tree, bounds in device pixels, visibility and a font size in points.
// Documents may create only the classes the host registered as hostable;
// the host brings its GTK classes, tests register fakes. Main thread only.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/string.h"

namespace ht::ui {

enum TPropertyKind { pkInteger, pkInt64, pkEnumeration, pkFloat, pkString };

struct TPropertyInfo {
  String Name;
  TPropertyKind Kind = pkString;
  std::vector<String> EnumNames;  // the values of an enumeration, in order
};

// A property's value: Int for integers and enumerations (the ordinal),
// Float for floats, Str for strings.
struct TPropertyValue {
  int64_t Int = 0;
  double Float = 0;
  String Str;
};

class TControl;

struct TControlClass {
  String Name;
  std::function<std::unique_ptr<TControl>()> Create;
  std::vector<TPropertyInfo> Properties;
  bool HasFont = false;  // a published "Font" property
  // The property of that name (ignoring ASCII case), or null.
  const TPropertyInfo* FindProperty(StringView AName) const {
    for (const TPropertyInfo& p : Properties)
      if (sameText(p.Name, AName)) return &p;
    return nullptr;
  }
  static bool sameText(StringView A, StringView B) {
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i) {
      char16_t a = A[i], b = B[i];
      if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
      if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
      if (a != b) return false;
    }
    return true;
  }
};

class TControl {
 public:
  explicit TControl(const TControlClass& AClass) : FClass(&AClass) {}
  virtual ~TControl() {
    SetParent(nullptr);
    for (TControl* c : FControls) c->FParent = nullptr;
    FControls.clear();
    while (!FComponents.empty()) {
      std::unique_ptr<TControl> c = std::move(FComponents.back());
      FComponents.pop_back();
      c->FOwner = nullptr;
    }
    if (FOwner) {
      auto& v = FOwner->FComponents;
      for (auto& p : v)
        if (p.get() == this) p.release();
      v.erase(std::remove(v.begin(), v.end(), nullptr), v.end());
    }
  }
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const TControlClass& ControlClass() const { return *FClass; }
  String Name;

  // --- Ownership: an owner frees the components it holds ----------------------------
  TControl* Owner() const { return FOwner; }
  void InsertComponent(std::unique_ptr<TControl> C) {
    if (!C) return;
    if (C->FOwner) C->FOwner->RemoveComponent(C.get()).release();
    C->FOwner = this;
    FComponents.push_back(std::move(C));
  }
  std::unique_ptr<TControl> RemoveComponent(TControl* C) {
    for (auto it = FComponents.begin(); it != FComponents.end(); ++it)
      if (it->get() == C) {
        std::unique_ptr<TControl> out = std::move(*it);
        FComponents.erase(it);
        out->FOwner = nullptr;
        return out;
      }
    return nullptr;
  }
  int ComponentCount() const { return int(FComponents.size()); }

  // --- Window tree -------------------------------------------------------------------
  TControl* Parent() const { return FParent; }
  virtual void SetParent(TControl* AParent) {
    if (AParent == FParent) return;
    if (FParent) {
      auto& v = FParent->FControls;
      v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FParent = AParent;
    if (FParent) FParent->FControls.push_back(this);
  }
  const std::vector<TControl*>& Controls() const { return FControls; }
  // Depth first through the window tree below this control; the name is
  // compared ignoring ASCII case.
  TControl* FindControl(StringView AName) const {
    for (TControl* c : FControls) {
      if (TControlClass::sameText(c->Name, AName)) return c;
      if (TControl* d = c->FindControl(AName)) return d;
    }
    return nullptr;
  }

  // --- Bounds, visibility, font ------------------------------------------------------
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
  }
  void SetWidth(int V) { SetBounds(FLeft, FTop, V, FHeight); }
  void SetHeight(int V) { SetBounds(FLeft, FTop, FWidth, V); }
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value) { FVisible = Value; }
  // The font size in points (classes with a font).
  int FontSize() const { return FFontSize; }
  virtual void SetFontSize(int Value) { FFontSize = Value; }

  // --- Properties --------------------------------------------------------------------
  // False when the class has no such property or it was never set.
  bool GetProperty(StringView AName, TPropertyValue& Value) const {
    const TPropertyInfo* p = FClass->FindProperty(AName);
    if (!p) return false;
    auto it = FProperties.find(p->Name);
    if (it == FProperties.end()) return false;
    Value = it->second;
    return true;
  }
  // False when the class has no such property.
  virtual bool SetProperty(StringView AName, const TPropertyValue& Value) {
    const TPropertyInfo* p = FClass->FindProperty(AName);
    if (!p) return false;
    FProperties[p->Name] = Value;
    return true;
  }

 private:
  const TControlClass* FClass;
  TControl* FOwner = nullptr;
  TControl* FParent = nullptr;
  std::vector<std::unique_ptr<TControl>> FComponents;
  std::vector<TControl*> FControls;
  std::map<String, TPropertyValue> FProperties;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  int FFontSize = 8;
};

// The classes documents may create by their "type" attribute.
inline std::vector<const TControlClass*>& HostableClasses() {
  static std::vector<const TControlClass*> classes;
  return classes;
}
inline void RegisterHostableClass(const TControlClass* AClass) {
  auto& v = HostableClasses();
  if (AClass && std::find(v.begin(), v.end(), AClass) == v.end()) v.push_back(AClass);
}
inline void UnregisterHostableClass(const TControlClass* AClass) {
  auto& v = HostableClasses();
  v.erase(std::remove(v.begin(), v.end(), AClass), v.end());
}
// The registered class of that name (ignoring ASCII case), or null.
inline const TControlClass* FindHostableClass(StringView AName) {
  for (const TControlClass* c : HostableClasses())
    if (TControlClass::sameText(c->Name, AName)) return c;
  return nullptr;
}

// Reads a control in the text form of stored forms ("object Name: TClass
// ... end") into Into (or a new control when null) and answers it; the
// host sets it when it has such a reader. Empty: such text creates nothing.
using TStoredFormReader = std::function<TControl*(StringView Text, TControl* Into)>;
inline TStoredFormReader& StoredFormReader() {
  static TStoredFormReader reader;
  return reader;
}

}  // namespace ht::ui
