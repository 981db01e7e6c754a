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

}  // namespace ht
