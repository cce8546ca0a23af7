#include "platform/cpu.h"

#include <atomic>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace orv {
namespace {

// Bit 31 marks the word as known, so 0 stays "not read yet".
constexpr std::uint32_t kKnown = 0x80000000u;
std::atomic<std::uint32_t> g_features{0};
std::atomic<std::uint32_t> g_mask{~0u};

std::uint32_t readFeatures() {
  std::uint32_t word = 0;
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    if (edx & (1u << 23)) word |= kCpuMMX;
    if (edx & (1u << 25)) word |= kCpuSSE;
    if (edx & (1u << 26)) word |= kCpuSSE2;
    if (ecx & (1u << 0)) word |= kCpuSSE3;
    if (ecx & (1u << 9)) word |= kCpuSSSE3;
    if (ecx & (1u << 19)) word |= kCpuSSE41;
    if (ecx & (1u << 20)) word |= kCpuSSE42;
    const bool osSavesYmm = [&] {
      if (!(ecx & (1u << 27))) return false;  // OSXSAVE
      unsigned lo = 0, hi = 0;
      __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
      return (lo & 6u) == 6u;                 // XMM and YMM state enabled
    }();
    unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
    if (osSavesYmm && __get_cpuid_count(7, 0, &a7, &b7, &c7, &d7) && (b7 & (1u << 5))) word |= kCpuAVX2;
  }
#elif defined(__aarch64__)
  word |= kCpuNEON;
#endif
  // ORV_CPU_FEATURES=0 runs a whole process on the scalar kernels, the way
  // they run on any other processor; any other word keeps only its bits.
  if (const char* keep = std::getenv("ORV_CPU_FEATURES")) word &= static_cast<std::uint32_t>(std::strtoul(keep, nullptr, 0));
  return word;
}

}  // namespace

std::uint32_t cpuFeatureWord() {
  std::uint32_t word = g_features.load(std::memory_order_relaxed);
  if (!(word & kKnown)) {
    word = readFeatures() | kKnown;
    g_features.store(word, std::memory_order_relaxed);
  }
  return word & ~kKnown & g_mask.load(std::memory_order_relaxed);
}

void setCpuFeatureMask(std::uint32_t mask) { g_mask.store(mask, std::memory_order_relaxed); }

}  // namespace orv
