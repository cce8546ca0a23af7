// What the SSE2 and AVX2 kernels share: the reasoning that lets them add in
// 16 bits, when they stream, and how they align their main stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv_filter {

// Why the vector kernels may add in 16 bits although the sum needs 17: the
// emitted byte is bits level .. level+7 of the 32-bit sum acc + src. A wrapping
// 16-bit add leaves bits 0..15 of that sum intact, and a logical 16-bit shift
// brings bits level .. level+7 down unchanged while they all lie below bit 16,
// that is for every level up to 8. Larger levels need the true high bits, and
// the vector kernels hand them to the reference loop.
inline constexpr unsigned kMaxLevel16BitEmit = 8;

// From this many bytes on, the emitted frame is written with streaming stores
// that bypass the cache. We never read it back, and at this size the emit's
// working set (accumulator 2n, source n, destination n) no longer sits
// comfortably in a last-level cache: ordinary stores would read every
// destination line first and push the accumulator and source out. Smaller
// frames keep ordinary stores, so their output is still cached for the host.
inline constexpr std::size_t kStreamingEmitBytes = std::size_t{4} << 20;

namespace {
// Internal linkage on purpose: this header is compiled once per instruction
// set, and the linker must never hand one file's copy to the other.

// Elements to handle one by one before `p` reaches an `alignment`-byte
// boundary (a power of two), capped at n.
template <typename T>
std::size_t elementsToAlignment(const T* p, std::size_t alignment, std::size_t n) {
  const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(p) & (alignment - 1);
  const std::size_t head = misalignment ? (alignment - misalignment) / sizeof(T) : 0;
  return head < n ? head : n;
}

}  // namespace

}  // namespace orv_filter
