#include "cacheevict.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace Pixlib {
namespace {

constexpr std::uintptr_t kLine = 64;

#if defined(__x86_64__) || defined(__i386__)
// clflushopt, unlike clflush, lets the evictions of many lines overlap.
bool detect() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 23));
}

__attribute__((target("clflushopt"))) void evict(std::uintptr_t from, std::uintptr_t to) {
  for (std::uintptr_t p = from; p < to; p += kLine) _mm_clflushopt(reinterpret_cast<void*>(p));
  _mm_sfence();
}
#elif defined(__aarch64__)
// Clean and invalidate to the point of coherence: out of every cache.
bool detect() { return true; }

void evict(std::uintptr_t from, std::uintptr_t to) {
  for (std::uintptr_t p = from; p < to; p += kLine) asm volatile("dc civac, %0" ::"r"(p) : "memory");
  asm volatile("dsb ish" ::: "memory");
}
#else
bool detect() { return false; }
void evict(std::uintptr_t, std::uintptr_t) {}
#endif

}  // namespace

void evictLines(const void* data, std::size_t bytes) {
  static const bool canEvict = detect();
  if (!canEvict || bytes == 0) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(kLine - 1);
  evict(begin, reinterpret_cast<std::uintptr_t>(data) + bytes);
}

}  // namespace Pixlib
