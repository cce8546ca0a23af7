// The rings' choice of evicting their slots, on modelled fill costs: the
// parts of each fill arrive in the order the chain records them.
#include <gtest/gtest.h>

#include <cstdint>

#include "evictchooser.h"

using Pixlib::EvictChooser;

namespace {

struct Costs {
  double evict, writeEvicted, writeKept, read;
};

// Runs fills [from, to); every 7th fill is held up tenfold by another
// process, whichever way it went.
void run(EvictChooser& chooser, std::uint64_t from, std::uint64_t to, const Costs& c) {
  for (std::uint64_t n = from; n < to; ++n) {
    const double held = n % 7 == 3 ? 10.0 : 1.0;
    const bool evict = chooser.evictBefore(n);
    if (evict) chooser.evicted(n, c.evict * held);
    chooser.wrote(n, (evict ? c.writeEvicted : c.writeKept) * held);
    chooser.read(n, c.read * held);
  }
}

TEST(EvictChooser, KeepsTheWayWhoseFillsCostLessInAll) {
  const struct {
    const char* what;
    Costs costs;
    bool evicts;
  } cases[] = {
      {"taking lines back costs the writer more than the eviction", {0.08, 0.25, 0.40, 0.30}, true},
      {"the eviction costs more than it spares the writer", {0.08, 0.25, 0.28, 0.30}, false},
      {"the eviction spares nothing", {0.08, 0.25, 0.25, 0.30}, false},
  };
  constexpr std::uint64_t decided = EvictChooser::kWarm + EvictChooser::kTrial;
  for (const auto& c : cases) {
    EvictChooser chooser(4);
    EXPECT_TRUE(chooser.evictBefore(0)) << c.what;
    run(chooser, 0, decided, c.costs);
    EXPECT_EQ(chooser.evictBefore(decided), c.evicts) << c.what;
    EXPECT_EQ(chooser.evictBefore(EvictChooser::kPeriod - 1), c.evicts) << c.what;
    // The next trial follows a machine whose costs changed.
    const Costs flipped = c.evicts ? Costs{0.08, 0.25, 0.25, 0.30} : Costs{0.08, 0.25, 0.40, 0.30};
    run(chooser, decided, EvictChooser::kPeriod + decided, flipped);
    EXPECT_EQ(chooser.evictBefore(EvictChooser::kPeriod + decided), !c.evicts) << c.what;
  }
}

}  // namespace
