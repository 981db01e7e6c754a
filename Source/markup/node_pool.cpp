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

struct ThreadPool {
  FreeBlock* Free[kClasses] = {};
  char* Next = nullptr;  // unused rest of the current chunk
  char* End = nullptr;

  void* carve(size_t bytes) {
    if (size_t(End - Next) < bytes) {
      // The rest of the old chunk is dropped: at most 1 KB per chunk.
      Next = static_cast<char*>(::operator new(kChunk));
      End = Next + kChunk;
      std::lock_guard<std::mutex> lock(chunksLock);
      chunks().push_back(Next);
    }
    void* p = Next;
    Next += bytes;
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
  return pool.carve(c * kGrain);
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
