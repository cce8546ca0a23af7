#include "platform/taskmem.h"

#include <atomic>
#include <cstdlib>

namespace {

// Allocations still to be refused by the test hook.
std::atomic<int> g_failuresPending{0};

bool takeInjectedFailure() {
  int pending = g_failuresPending.load(std::memory_order_relaxed);
  while (pending > 0) {
    if (g_failuresPending.compare_exchange_weak(pending, pending - 1, std::memory_order_relaxed)) return true;
  }
  return false;
}

}  // namespace

void* CoTaskMemAlloc(std::size_t size) {
  if (takeInjectedFailure()) return nullptr;
  // malloc(0) may answer null; one byte keeps zero-size blocks valid and unique.
  return std::malloc(size != 0 ? size : 1);
}

void CoTaskMemFree(void* block) { std::free(block); }

namespace orv {

void failNextTaskMemAllocs(int count) { g_failuresPending.store(count > 0 ? count : 0, std::memory_order_relaxed); }

}  // namespace orv
