// The row store chooser against modelled streams: it must settle on the way
// that is cheaper where the frames live, and follow frames that move.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "rowstorechooser.h"

using orv_filter::RowStoreChooser;
using orv_filter::RowStores;

namespace {

// Nanoseconds per byte of a frame written `way`, `sinceStreamed` frames
// after the last streamed one. Reused buffers in the caches: streamed stores
// push the destination out, and the next two ordinary frames read it back.
struct Residency {
  float ordinary, streamed, ordinaryAfterStreamed;
  float cost(RowStores way, unsigned sinceStreamed) const {
    if (way == RowStores::streamed) return streamed;
    return sinceStreamed <= 2 ? ordinaryAfterStreamed : ordinary;
  }
};
constexpr Residency kCached{0.10f, 0.13f, 0.30f};
constexpr Residency kMemory{0.30f, 0.20f, 0.30f};
constexpr Residency kCloseCall{0.22f, 0.20f, 0.30f};  // streamed stores a tenth cheaper
constexpr Residency kQuarterOff{0.20f, 0.15f, 0.30f};  // streamed stores a quarter cheaper
constexpr Residency kReadByAnotherCore{0.40f, 0.20f, 0.40f};

// The ways chosen for `frames` frames the size rule writes `bySize`, the
// first `moveAt` in `before`, then in `after`. The first frames cost three
// times as much as from memory.
std::vector<RowStores> run(RowStoreChooser::Lean lean, Residency before, Residency after, unsigned frames,
                           unsigned moveAt) {
  RowStoreChooser chooser;
  chooser.reset();
  std::vector<RowStores> ways;
  unsigned sinceStreamed = 100;
  for (unsigned i = 0; i < frames; ++i) {
    const RowStores way = chooser.next();
    const Residency& where = i < moveAt ? before : after;
    // Every eleventh frame is held up by something else.
    const float perByte = (i < 4 ? 3 * kMemory.cost(way, 100) : where.cost(way, sinceStreamed)) * (i % 11 == 5 ? 4 : 1);
    chooser.record(way, lean, std::chrono::nanoseconds(static_cast<long>(perByte * 1e6f)), 1'000'000);
    ways.push_back(way);
    sinceStreamed = way == RowStores::streamed ? 1 : sinceStreamed + 1;
  }
  return ways;
}

double share(const std::vector<RowStores>& ways, unsigned from, unsigned to, RowStores way) {
  return double(std::count(ways.begin() + from, ways.begin() + to, way)) / (to - from);
}

TEST(RowStoreChooser, SettlesOnTheCheaperWayAndFollowsFramesThatMove) {
  constexpr RowStores O = RowStores::ordinary, S = RowStores::streamed;
  constexpr auto Small = RowStoreChooser::leanOf(O), Large = RowStoreChooser::leanOf(S),
                 Turn = RowStoreChooser::Lean::firmly;
  const struct {
    const char* name;
    RowStoreChooser::Lean lean;
    Residency before, after;
    RowStores bestBefore, bestAfter;
  } cases[] = {
      {"in the caches", Small, kCached, kCached, O, O},
      {"from memory", Small, kMemory, kMemory, S, S},
      {"caches, then memory", Small, kCached, kMemory, O, S},
      {"memory, then caches", Small, kMemory, kCached, S, O},
      {"a close call keeps ordinary stores", Small, kCloseCall, kCloseCall, O, O},
      // Frames large enough for the size rule to stream them.
      {"large, in the caches", Large, kCached, kCached, O, O},
      {"large, memory, then caches", Large, kMemory, kCached, S, O},
      {"a close call keeps large frames streamed", Large, kCloseCall, kCloseCall, S, S},
      // Quarter turns: streaming must save a third.
      {"a turn keeps ordinary stores a quarter dearer", Turn, kQuarterOff, kQuarterOff, O, O},
      {"a turn another core reads streams", Turn, kCached, kReadByAnotherCore, O, S},
  };
  constexpr unsigned kProbe = RowStoreChooser::kProbeEvery, kTrial = RowStoreChooser::kTrialFrames;
  // Each probe is a spell of the other way.
  const double settled = 1.0 - double(RowStoreChooser::kSpellFrames) / kProbe;
  for (const auto& c : cases) {
    const std::vector<RowStores> ways = run(c.lean, c.before, c.after, 6 * kProbe, 3 * kProbe);
    EXPECT_EQ(share(ways, kTrial + 2, kProbe, c.bestBefore), 1.0) << c.name << ": right after the trial";
    EXPECT_GE(share(ways, 4 * kProbe, 6 * kProbe, c.bestAfter), settled) << c.name;
  }
}

}  // namespace
