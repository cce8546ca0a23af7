// The row store chooser against modelled streams: it must settle on the way
// that is cheaper where the frames live, and follow frames that move.
#include <gtest/gtest.h>

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

// Runs `frames` frames, the first `moveAt` in `before`, then in `after`; the
// share of the last `tail` frames written the way `after` favours.
double tailShare(Residency before, Residency after, unsigned frames, unsigned moveAt, unsigned tail, RowStores best) {
  RowStoreChooser chooser;
  chooser.reset();
  unsigned sinceStreamed = 100;
  unsigned hits = 0;
  for (unsigned i = 0; i < frames; ++i) {
    const RowStores way = chooser.next();
    // A cold first frame, and every seventh frame held up by something else.
    const float perByte = (i < moveAt ? before : after).cost(way, sinceStreamed) * (i == 0 ? 50 : i % 7 == 3 ? 4 : 1);
    chooser.record(way, std::chrono::nanoseconds(static_cast<long>(perByte * 1e6f)), 1'000'000);
    if (i >= frames - tail && way == best) ++hits;
    sinceStreamed = way == RowStores::streamed ? 1 : sinceStreamed + 1;
  }
  return double(hits) / tail;
}

TEST(RowStoreChooser, SettlesOnTheCheaperWayAndFollowsFramesThatMove) {
  const struct {
    const char* name;
    Residency before, after;
    RowStores best;
  } cases[] = {
      {"in the caches", kCached, kCached, RowStores::ordinary},
      {"from memory", kMemory, kMemory, RowStores::streamed},
      {"caches, then memory", kCached, kMemory, RowStores::streamed},
      {"memory, then caches", kMemory, kCached, RowStores::ordinary},
  };
  // Each probe is a spell of the other way.
  const double settled = 1.0 - double(RowStoreChooser::kSpellFrames) / RowStoreChooser::kProbeEvery;
  for (const auto& c : cases)
    EXPECT_GE(tailShare(c.before, c.after, 6 * RowStoreChooser::kProbeEvery, 3 * RowStoreChooser::kProbeEvery,
                        2 * RowStoreChooser::kProbeEvery, c.best),
              settled)
        << c.name;
}

}  // namespace
