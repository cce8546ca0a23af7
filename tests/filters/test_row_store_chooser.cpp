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

// The ways chosen for `frames` frames the size rule writes `bySize`, the
// first `moveAt` in `before`, then in `after`. The first frames cost three
// times as much as from memory.
std::vector<RowStores> run(RowStores bySize, Residency before, Residency after, unsigned frames, unsigned moveAt) {
  RowStoreChooser chooser;
  chooser.reset();
  std::vector<RowStores> ways;
  unsigned sinceStreamed = 100;
  for (unsigned i = 0; i < frames; ++i) {
    const RowStores way = chooser.next();
    const Residency& where = i < moveAt ? before : after;
    // Every eleventh frame is held up by something else.
    const float perByte = (i < 4 ? 3 * kMemory.cost(way, 100) : where.cost(way, sinceStreamed)) * (i % 11 == 5 ? 4 : 1);
    chooser.record(way, bySize, std::chrono::nanoseconds(static_cast<long>(perByte * 1e6f)), 1'000'000);
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
  const struct {
    const char* name;
    RowStores bySize;
    Residency before, after;
    RowStores bestBefore, bestAfter;
  } cases[] = {
      {"in the caches", O, kCached, kCached, O, O},
      {"from memory", O, kMemory, kMemory, S, S},
      {"caches, then memory", O, kCached, kMemory, O, S},
      {"memory, then caches", O, kMemory, kCached, S, O},
      {"a close call keeps ordinary stores", O, kCloseCall, kCloseCall, O, O},
      // Frames large enough for the size rule to stream them.
      {"large, in the caches", S, kCached, kCached, O, O},
      {"large, memory, then caches", S, kMemory, kCached, S, O},
      {"a close call keeps large frames streamed", S, kCloseCall, kCloseCall, S, S},
  };
  constexpr unsigned kProbe = RowStoreChooser::kProbeEvery, kTrial = RowStoreChooser::kTrialFrames;
  // Each probe is a spell of the other way.
  const double settled = 1.0 - double(RowStoreChooser::kSpellFrames) / kProbe;
  for (const auto& c : cases) {
    const std::vector<RowStores> ways = run(c.bySize, c.before, c.after, 6 * kProbe, 3 * kProbe);
    EXPECT_EQ(share(ways, kTrial + 2, kProbe, c.bestBefore), 1.0) << c.name << ": right after the trial";
    EXPECT_GE(share(ways, 4 * kProbe, 6 * kProbe, c.bestAfter), settled) << c.name;
  }
}

}  // namespace
