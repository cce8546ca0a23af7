// Chooses, frame by frame, how a filter's row copies and mirrors write large
// frames: with ordinary or streamed stores (RowStores). Ordinary stores are
// faster while the caller's frames stay in the caches, streamed ones when the
// frames come from memory, and a frame's size cannot tell which: a 5 MB frame
// stays in a 32 MB shared cache when a host reuses one pair of buffers and
// comes from memory when it cycles through several. A stream of frames can
// tell. Each way keeps a running cost per byte of its own frames, the cheaper
// one runs, and every kProbeEvery-th frame the other runs for two frames, so
// a stream whose frames move is followed. The bytes written are the same
// either way; only the speed depends on the choice.
//
// A frame written one way right after a frame written the other is not
// timed: streamed stores push a reused destination out of the caches, so the
// next ordinary frame pays for reading it back and would make ordinary
// stores look as slow as they are from memory.
//
// Threading: next() and record() are called by the thread running the
// filter's transform, one frame at a time; reset() when a stream starts. The
// words are atomic so that a host breaking that rule gets a poor choice, not
// undefined behaviour.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "rotflip/rotflip_frames.h"

namespace orv_filter {

class RowStoreChooser {
 public:
  // Smaller frames stay in the caches beside their sources and take
  // ordinary stores untimed.
  static constexpr std::uint64_t kFromBytes = std::uint64_t{4} << 20;
  static constexpr unsigned kProbeEvery = 128;

  void reset() {
    m_frames.store(0, std::memory_order_relaxed);
    m_previous.store(RowStores::bySize, std::memory_order_relaxed);
    for (auto& cost : m_cost) cost.store(0.0f, std::memory_order_relaxed);
  }

  RowStores next() const {
    const unsigned n = m_frames.load(std::memory_order_relaxed);
    if (n < kTrialFrames) return n < kTrialFrames / 2 ? RowStores::ordinary : RowStores::streamed;
    const bool streamedCheaper = cost(RowStores::streamed) < cost(RowStores::ordinary);
    const bool probe = n % kProbeEvery < 2;
    return streamedCheaper != probe ? RowStores::streamed : RowStores::ordinary;
  }

  void record(RowStores used, std::chrono::nanoseconds took, std::uint64_t bytes) {
    if (bytes == 0 || used == RowStores::bySize) return;
    const unsigned n = m_frames.load(std::memory_order_relaxed);
    if (m_previous.load(std::memory_order_relaxed) == used) {
      const float sample = static_cast<float>(took.count()) / static_cast<float>(bytes);
      const float known = cost(used);
      m_cost[slot(used)].store(known == 0.0f ? sample : (known + sample) / 2, std::memory_order_relaxed);
    }
    m_previous.store(used, std::memory_order_relaxed);
    m_frames.store(n + 1, std::memory_order_relaxed);
  }

 private:
  static constexpr unsigned kTrialFrames = 4;  // two ordinary, two streamed: the second of each is timed
  static unsigned slot(RowStores way) { return way == RowStores::streamed ? 1 : 0; }
  float cost(RowStores way) const { return m_cost[slot(way)].load(std::memory_order_relaxed); }

  std::atomic<unsigned> m_frames{0};
  std::atomic<RowStores> m_previous{RowStores::bySize};  // bySize: no frame yet
  std::atomic<float> m_cost[2]{0.0f, 0.0f};              // nanoseconds per byte: ordinary, streamed
};

}  // namespace orv_filter
