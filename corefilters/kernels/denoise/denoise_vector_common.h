// What the vector kernels (SSE2, AVX2, NEON) share: the reasoning that lets them add in
// 16 bits, when they stream, how they align their main stream, and the loops
// themselves, written once over a small set of operations each instruction-set
// unit supplies (its `Ops`).
#pragma once

#include <cstddef>
#include <cstdint>

#include "denoise_kernels.h"

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

// Ops supplies, for registers V of kBytes bytes:
//   frame(p)              kBytes frame bytes at p, in whatever form lets
//                         widenLow / widenHigh give the first and second
//                         half of them as a register of 16-bit lanes
//   load(p), store(p, v)  unaligned; stream(p, v) to a kBytes-aligned p
//   add16, bitAnd, splat16, shiftCount(level), shiftRight16(v, count)
//   packBytes(lo, hi)     the low bytes of the lanes of lo, then of hi
//   fence()               orders the streamed stores
//
// Each kernel runs the reference loop over a short head until the array it
// stores to is kBytes-aligned, so no store splits a cache line, then steps
// kBytes frame bytes at a time, and leaves the rest to the reference loop.
template <class Ops>
struct VectorKernels {
  using V = typename Ops::V;
  static constexpr std::size_t kStep = Ops::kBytes;
  static constexpr std::size_t kHalf = kStep / 2;  // accumulator entries per register

  static void startRun(std::int16_t* acc, const BYTE* src, std::size_t n) {
    std::size_t i = elementsToAlignment(acc, Ops::kBytes, n);
    denoiseStartRunC(acc, src, i);
    for (; i + kStep <= n; i += kStep) {
      const auto bytes = Ops::frame(src + i);
      Ops::store(acc + i, Ops::widenLow(bytes));
      Ops::store(acc + i + kHalf, Ops::widenHigh(bytes));
    }
    denoiseStartRunC(acc + i, src + i, n - i);
  }

  static void accumulate(std::int16_t* acc, const BYTE* src, std::size_t n) {
    std::size_t i = elementsToAlignment(acc, Ops::kBytes, n);
    denoiseAccumulateC(acc, src, i);
    for (; i + kStep <= n; i += kStep) {
      const auto bytes = Ops::frame(src + i);
      Ops::store(acc + i, Ops::add16(Ops::load(acc + i), Ops::widenLow(bytes)));
      Ops::store(acc + i + kHalf, Ops::add16(Ops::load(acc + i + kHalf), Ops::widenHigh(bytes)));
    }
    denoiseAccumulateC(acc + i, src + i, n - i);
  }

  // Full steps from the start of the range; returns how many bytes they
  // covered. The destination is aligned, as streaming stores need.
  template <bool kStream>
  static std::size_t emitSteps(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
    const V lowByte = Ops::splat16(0x00FF);
    const auto shift = Ops::shiftCount(level);
    std::size_t i = 0;
    for (; i + kStep <= n; i += kStep) {
      const auto frame = Ops::frame(src + i);
      const V lo = Ops::add16(Ops::load(acc + i), Ops::widenLow(frame));
      const V hi = Ops::add16(Ops::load(acc + i + kHalf), Ops::widenHigh(frame));
      // Masked to 0..255 first, so the saturating pack only narrows.
      const V loBytes = Ops::bitAnd(Ops::shiftRight16(lo, shift), lowByte);
      const V hiBytes = Ops::bitAnd(Ops::shiftRight16(hi, shift), lowByte);
      const auto bytes = Ops::packBytes(loBytes, hiBytes);
      if constexpr (kStream) {
        Ops::stream(dst + i, bytes);
      } else {
        Ops::store(dst + i, bytes);
      }
    }
    return i;
  }

  static void emit(BYTE* dst, const std::int16_t* acc, const BYTE* src, std::size_t n, unsigned level) {
    if (level > kMaxLevel16BitEmit) {
      denoiseEmitC(dst, acc, src, n, level);
      return;
    }
    std::size_t i = elementsToAlignment(dst, Ops::kBytes, n);
    denoiseEmitC(dst, acc, src, i, level);
    if (n >= kStreamingEmitBytes) {
      i += emitSteps<true>(dst + i, acc + i, src + i, n - i, level);
      // Streaming stores are weakly ordered: make them visible before the
      // frame is handed on, possibly to another thread.
      Ops::fence();
    } else {
      i += emitSteps<false>(dst + i, acc + i, src + i, n - i, level);
    }
    denoiseEmitC(dst + i, acc + i, src + i, n - i, level);
  }
};

// The set one instruction-set unit hands out.
template <class Ops>
const DenoiseKernels& vectorKernelSet() {
  using Kernels = VectorKernels<Ops>;
  static constexpr DenoiseKernels kernels{Kernels::startRun, Kernels::accumulate, Kernels::emit};
  return kernels;
}

}  // namespace

}  // namespace orv_filter
