#include "markup/node_pool.h"

#include <mutex>
#include <new>
#include <vector>

namespace ht {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

constexpr size_t kGrain = 16;
constexpr size_t kLargest = 1024;
constexpr size_t kClasses = kLargest / kGrain + 1;
constexpr size_t kChunk = 256 * 1024;

struct FreeBlock {
  FreeBlock* Next;
};

// Every chunk ever made, so they stay reachable after their thread ends.
std::mutex chunksLock;
std::vector<void*>& chunks() {
  static auto* list = new std::vector<void*>();
  return *list;
}

// Each size class carves its own chunks, so blocks of one class lie side
// by side: a tree freed and built again walks its free lists through
// memory in long runs the processor can fetch ahead, instead of hopping
// between blocks of other sizes.
struct ThreadPool {
  FreeBlock* Free[kClasses] = {};
  char* Next[kClasses] = {};  // unused rest of each class's current chunk
  char* End[kClasses] = {};

  void* carve(size_t c) {
    const size_t bytes = c * kGrain;
    if (size_t(End[c] - Next[c]) < bytes) {
      // The rest of the old chunk is dropped: less than one block.
      char* chunk = static_cast<char*>(::operator new(kChunk));
      Next[c] = chunk;
      End[c] = chunk + kChunk;
      std::lock_guard<std::mutex> lock(chunksLock);
      chunks().push_back(chunk);
    }
    void* p = Next[c];
    Next[c] += bytes;
    return p;
  }
};

thread_local ThreadPool pool;

inline size_t classOf(size_t size) { return (size + kGrain - 1) / kGrain; }

}  // namespace

void* NodePoolAllocate(size_t Size) {
  if (!kPooled || Size > kLargest || Size == 0) return ::operator new(Size);
  const size_t c = classOf(Size);
  if (FreeBlock* b = pool.Free[c]) {
    pool.Free[c] = b->Next;
    return b;
  }
  return pool.carve(c);
}

void NodePoolFree(void* P, size_t Size) noexcept {
  if (!P) return;
  if (!kPooled || Size > kLargest || Size == 0) {
    ::operator delete(P);
    return;
  }
  const size_t c = classOf(Size);
  auto* b = static_cast<FreeBlock*>(P);
  b->Next = pool.Free[c];
  pool.Free[c] = b;
}

}  // namespace ht
