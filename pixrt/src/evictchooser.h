// Whether the slots of a ring between two groups are evicted from every
// cache before they are filled again. Evicting spares the writer taking each
// line back from the core that read it; on some processors that is worth
// more than the eviction costs, on others (two cores behind one level 3) it
// is not. So the ring tries both ways from time to time, in alternating
// spells of its own fills, and keeps the way whose fills cost less in all:
// the eviction before a fill, its write and its read, on whichever thread
// each runs.
//
// Fills are numbered from 0 in the order they are written; a ring of `slots`
// slots puts fill n where fill n - slots was. Not thread-safe: the chain
// calls it under its lock.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Pixlib {

class EvictChooser {
 public:
  // A trial starts every kPeriod fills, after kWarm fills that let the rings
  // fill and the caches settle; its fills take turns in spells of kSpell,
  // kPerWay fills each way.
  static constexpr std::uint64_t kPeriod = 1024;
  static constexpr std::uint64_t kWarm = 16;
  static constexpr std::uint64_t kSpell = 4;
  static constexpr std::size_t kPerWay = 32;
  static constexpr std::uint64_t kTrial = 2 * kPerWay;

  explicit EvictChooser(std::size_t slots) : m_Pending(std::max<std::size_t>(1, slots), 0.0) {}

  // Whether the slot is evicted before fill `fill` is written into it.
  // Before the first trial has decided, it is.
  bool evictBefore(std::uint64_t fill) const {
    const std::uint64_t phase = fill % kPeriod;
    if (inTrial(phase)) return (phase - kWarm) / kSpell % 2 == 0;
    return m_Evict;
  }

  // What fill `fill` cost, part by part, in the order the parts happen.
  void evicted(std::uint64_t fill, double seconds) { pendingOf(fill) = seconds; }
  void wrote(std::uint64_t fill, double seconds) { pendingOf(fill) += seconds; }
  void read(std::uint64_t fill, double seconds) {
    double& pending = pendingOf(fill);
    const double cost = pending + seconds;
    pending = 0.0;
    const std::uint64_t phase = fill % kPeriod;
    if (!inTrial(phase)) return;
    if (phase == kWarm) m_Count = {0, 0};
    const int way = evictBefore(fill) ? 1 : 0;
    if (m_Count[way] < kPerWay) m_Costs[way][m_Count[way]++] = cost;
    if (phase + 1 == kWarm + kTrial) decide();
  }

 private:
  static bool inTrial(std::uint64_t phase) { return phase >= kWarm && phase < kWarm + kTrial; }
  double& pendingOf(std::uint64_t fill) { return m_Pending[fill % m_Pending.size()]; }

  // Medians: a frame held up by another process says nothing of the way.
  void decide() {
    if (m_Count[0] < kPerWay / 2 || m_Count[1] < kPerWay / 2) return;
    double median[2];
    for (int way = 0; way < 2; ++way) {
      double* begin = m_Costs[way].data();
      double* mid = begin + m_Count[way] / 2;
      std::nth_element(begin, mid, begin + m_Count[way]);
      median[way] = *mid;
    }
    m_Evict = median[1] < median[0];
  }

  std::vector<double> m_Pending;  // per slot: the parts of its fill so far
  std::array<std::array<double, kPerWay>, 2> m_Costs{};  // [kept, evicted]
  std::array<std::size_t, 2> m_Count{0, 0};
  bool m_Evict = true;
};

}  // namespace Pixlib
