#pragma once
// Class references used as factories. Each class of a hierarchy has one static
// descriptor holding its name, its parent's descriptor and a create function;
// a "class reference" is a pointer to such a descriptor and compares by
// pointer. A hierarchy that needs class-level virtual operations derives its
// own descriptor type from TClassRef and adds the function pointers it needs.
//
//   struct THtNodeClass : TClassRef<THtNode, THtNode* /*parent*/> { ... };
//   class THtmlNode : public THtNode {
//    public:
//     static const THtNodeClass ClassType;
//     const THtNodeClass* ClassRefOf() const override { return &ClassType; }
//   };
//   const THtNodeClass THtmlNode::ClassType{"THtmlNode", &THtNode::ClassType,
//                                           CreateInstance<THtmlNode, THtNode, THtNode*>};
#include <memory>
#include <string_view>

namespace ht {

template <class Base, class... CtorArgs>
class TClassRef {
 public:
  using BaseType = Base;
  using CreateFn = std::unique_ptr<Base> (*)(CtorArgs...);

  constexpr TClassRef(std::string_view name, const TClassRef* parent, CreateFn create)
      : name_(name), parent_(parent), create_(create) {}
  TClassRef(const TClassRef&) = delete;
  TClassRef& operator=(const TClassRef&) = delete;

  std::string_view ClassName() const { return name_; }
  const TClassRef* ClassParent() const { return parent_; }

  // True for this class and every class derived from `other`.
  bool InheritsFrom(const TClassRef* other) const {
    for (const TClassRef* c = this; c; c = c->parent_)
      if (c == other) return true;
    return false;
  }

  // The virtual constructor: an abstract class has no create function.
  bool IsAbstract() const { return create_ == nullptr; }
  std::unique_ptr<Base> Create(CtorArgs... args) const {
    return create_ ? create_(std::forward<CtorArgs>(args)...) : nullptr;
  }

 private:
  std::string_view name_;
  const TClassRef* parent_;
  CreateFn create_;
};

// The create function of a concrete class, for a descriptor's initialiser.
template <class Derived, class Base, class... CtorArgs>
std::unique_ptr<Base> CreateInstance(CtorArgs... args) {
  return std::make_unique<Derived>(std::forward<CtorArgs>(args)...);
}

}  // namespace ht
