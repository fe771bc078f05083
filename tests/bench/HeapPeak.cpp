#include "HeapPeak.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> inUse{0}, peak{0};

// Each block begins with its size, in a header that keeps the block's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t now = inUse.fetch_add(size) + size;
  for (std::size_t high = peak.load(); now > high && !peak.compare_exchange_weak(high, now);) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Release(void* p) noexcept {
  if (!p) return;
  void* block = static_cast<char*>(p) - kHeader;
  inUse.fetch_sub(*static_cast<std::size_t*>(block));
  std::free(block);
}
}  // namespace

std::size_t HeapInUse() { return inUse.load(); }
void ResetHeapPeak() { peak.store(inUse.load()); }
std::size_t HeapPeak() { return peak.load(); }

// The array and nothrow forms of the library call these; the aligned forms keep their own blocks.
void* operator new(std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
