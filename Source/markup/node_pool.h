#pragma once
// Small blocks for the objects node trees are made of (nodes, child lists,
// attribute sets), so that building and freeing a tree does not go through
// the general heap once per object.
//
// Ownership is unchanged: owners create and delete these objects as
// always; the classes only route their operator new and delete here.
// Blocks are carved from 256 KB chunks into size classes of 16 bytes (up
// to 1 KB; larger objects use the general heap) and return to a per-thread
// free list of their class when deleted, so a long-lived document that
// deletes and adds nodes reuses the same memory instead of growing. Chunks
// are kept for the life of the process. A block may be freed on another
// thread than the one that made it; it then serves that thread.
//
// The same blocks back the arrays those objects grow (a list's pointers,
// an attribute set's entries) through TNodePoolAllocator.
//
// Under AddressSanitizer the pool steps aside, so the sanitizer still sees
// every object's lifetime.
#include <cstddef>

namespace ht {

void* NodePoolAllocate(size_t Size);
void NodePoolFree(void* P, size_t Size) noexcept;

// The class-level operators a pooled class declares.
#define HT_NODE_POOL_OPERATORS                                                              \
  static void* operator new(size_t Size) { return ::ht::NodePoolAllocate(Size); }           \
  static void operator delete(void* P, size_t Size) noexcept { ::ht::NodePoolFree(P, Size); }

// A standard allocator over the pool, for arrays owned by pooled objects.
// Stateless: any two compare equal, so containers move and swap freely.
template <class T>
struct TNodePoolAllocator {
  using value_type = T;
  TNodePoolAllocator() noexcept = default;
  template <class U>
  TNodePoolAllocator(const TNodePoolAllocator<U>&) noexcept {}
  T* allocate(size_t N) { return static_cast<T*>(NodePoolAllocate(N * sizeof(T))); }
  void deallocate(T* P, size_t N) noexcept { NodePoolFree(P, N * sizeof(T)); }
  template <class U>
  bool operator==(const TNodePoolAllocator<U>&) const noexcept { return true; }
};

}  // namespace ht
