// Chooses, frame by frame, how a filter's row copies and mirrors write large
// frames: with ordinary or streamed stores. Ordinary stores are faster while
// the caller's frames stay in the caches, streamed ones when the frames come
// from memory, and a frame's size cannot tell which: a 5 MB frame stays in a
// 32 MB shared cache when a host reuses one pair of buffers and comes from
// memory when it cycles through several, and so does an 8 MB one. A stream
// of frames can tell. The bytes written are the same either way; only the
// speed depends on the choice.
//
// Each way runs in spells of at least kSpellFrames frames, whose first two
// are not timed: streamed stores push a reused destination out of the
// caches, and the next two ordinary frames pay for reading it back, which
// would make ordinary stores look as slow as they are from memory. A way's
// cost is the cheaper of its last two timed frames, so one frame held up by
// an interrupt or another process does not count, and both ways are judged
// on the same number of frames. A stream's first frames find their buffers
// anywhere, or the caches full of another's lines still to be written back,
// and cost more whichever way writes them: the trial starts after a spell of
// ordinary frames, which clear those lines out (streamed ones would leave
// them for the ordinary spell to pay for), with a spell of streamed then of
// ordinary stores. Then the chosen way runs, and every kProbeEvery frames the
// other runs for a spell, so a stream whose frames move is followed.
//
// Where the size rule picks ordinary stores, streamed stores must win by a
// fifth to be chosen. Timing the filter alone misses what streaming costs the
// next reader of the frame, which then finds it in memory rather than in the
// caches; and at those sizes the two ways are only a tenth or so apart in the
// caches, close enough for noise to pick either. Row copies and mirrors the
// size rule streams take the cheaper way: they are a sixth or more apart
// either way, and the next reader gains from ordinary stores where they win.
// Quarter turns below kTurnsUntilBytes lean to ordinary stores firmly:
// streamed ones must save a third of the time, to be chosen and to stay.
// Turned either way, such a frame costs the turn about the same, in the
// caches and from memory alike, while the next reader pays for finding it in
// memory: on one thread the demo chain's ROI took three times as long after
// a streamed turn (0.23 against 0.07 ms at 1280x960, three quarters of the
// turn's own time). A turn whose frame another core reads is the exception:
// there ordinary stores must take each line back from that core and cost
// twice what streamed ones do.
//
// Threading: next() and record() are called by the thread running the
// filter's transform, one frame at a time; reset() when a stream starts. The
// words are atomic so that a host breaking that rule gets a poor choice, not
// undefined behaviour.
#pragma once

#include <algorithm>
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
  // Turned frames from this size stream untimed: with their sources they
  // fill half a 32 MB shared cache, so the next reader finds little of them
  // there either way, and in the caches 1920x1080 RGB32 turns (8 MB) ran a
  // tenth slower with ordinary stores.
  static constexpr std::uint64_t kTurnsUntilBytes = std::uint64_t{7} << 20;
  static constexpr unsigned kSpellFrames = 4;
  // Ordinary frames while the stream warms up, then a spell of each way.
  static constexpr unsigned kTrialFrames = 3 * kSpellFrames;
  static constexpr unsigned kProbeEvery = 256;

  void reset() {
    m_frames.store(0, std::memory_order_relaxed);
    m_way.store(RowStores::ordinary, std::memory_order_relaxed);
    m_run.store(0, std::memory_order_relaxed);
    m_chosen.store(RowStores::ordinary, std::memory_order_relaxed);
    for (auto& way : m_timed)
      for (auto& t : way) t.store(0.0f, std::memory_order_relaxed);
  }

  RowStores next() const {
    const unsigned n = m_frames.load(std::memory_order_relaxed);
    if (n < kTrialFrames) return n / kSpellFrames == 1 ? RowStores::streamed : RowStores::ordinary;
    const RowStores chosen = m_chosen.load(std::memory_order_relaxed);
    return n % kProbeEvery < kSpellFrames ? other(chosen) : chosen;
  }

  // How strongly the caller leans to ordinary stores (above).
  enum class Lean : unsigned char {
    none,      // the cheaper way wins
    ordinary,  // streamed stores win by a fifth, then stay while they are cheaper
    firmly,    // streamed stores save a third, to be chosen and to stay
  };
  // For a row copy or mirror the size rule would write `bySize`.
  static constexpr Lean leanOf(RowStores bySize) { return bySize == RowStores::streamed ? Lean::none : Lean::ordinary; }

  // A frame of `bytes` written `used` (as next() said) took `took`.
  void record(RowStores used, Lean lean, std::chrono::nanoseconds took, std::uint64_t bytes) {
    if (bytes == 0) return;
    const unsigned n = m_frames.load(std::memory_order_relaxed);
    const unsigned run = used == m_way.load(std::memory_order_relaxed)
                             ? std::min(m_run.load(std::memory_order_relaxed) + 1, kSpellFrames)
                             : 1;
    if (run >= kSpellFrames - 1) {
      std::atomic<float>* timed = m_timed[slot(used)];
      timed[0].store(timed[1].load(std::memory_order_relaxed), std::memory_order_relaxed);
      timed[1].store(static_cast<float>(took.count()) / static_cast<float>(bytes), std::memory_order_relaxed);
      if (n + 1 >= kTrialFrames) {
        const bool streaming = m_chosen.load(std::memory_order_relaxed) == RowStores::streamed;
        float margin = kStreamMargin;
        if (lean == Lean::firmly)
          margin = kFirmStreamMargin;
        else if (lean == Lean::none || streaming)
          margin = 1.0f;
        const bool streamedWins = cost(RowStores::streamed) * margin < cost(RowStores::ordinary);
        m_chosen.store(streamedWins ? RowStores::streamed : RowStores::ordinary, std::memory_order_relaxed);
      }
    }
    m_way.store(used, std::memory_order_relaxed);
    m_run.store(run, std::memory_order_relaxed);
    m_frames.store(n + 1, std::memory_order_relaxed);
  }

 private:
  static constexpr float kStreamMargin = 1.2f;
  static constexpr float kFirmStreamMargin = 1.5f;
  static RowStores other(RowStores way) {
    return way == RowStores::streamed ? RowStores::ordinary : RowStores::streamed;
  }
  static unsigned slot(RowStores way) { return way == RowStores::streamed ? 1 : 0; }
  // The cheaper of the way's last two timed frames, in nanoseconds per byte.
  float cost(RowStores way) const {
    const std::atomic<float>* timed = m_timed[slot(way)];
    return std::min(timed[0].load(std::memory_order_relaxed), timed[1].load(std::memory_order_relaxed));
  }

  std::atomic<unsigned> m_frames{0};
  std::atomic<RowStores> m_way{RowStores::ordinary};  // the way of the last frame
  std::atomic<unsigned> m_run{0};                     // frames in a row written m_way, up to kSpellFrames
  std::atomic<RowStores> m_chosen{RowStores::ordinary};
  std::atomic<float> m_timed[2][2]{};  // by way: the last two timed frames, in nanoseconds per byte
};

}  // namespace orv_filter
