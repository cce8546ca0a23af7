// Splitting a chain's stages into groups of adjacent stages, one per thread,
// from what each stage costs.
#include <algorithm>
#include <array>
#include <utility>
#include <limits>

#include "pixrt/pipelinedchain.h"

namespace Pixlib {

std::vector<std::size_t> balanceStages(const std::vector<double>& costs, std::size_t threads,
                                       const std::vector<double>& entry, const std::vector<double>& handOver,
                                       std::vector<bool>* producerPays) {
  const std::size_t n = costs.size();
  if (producerPays) producerPays->clear();
  if (n == 0) return {};
  const std::size_t k = std::clamp<std::size_t>(threads, 1, n);
  std::vector<double> prefix(n + 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + std::max(0.0, costs[i]);
  const auto at = [](const std::vector<double>& v, std::size_t i) {
    return i > 0 && i < v.size() ? std::max(0.0, v[i]) : 0.0;
  };

  // worst[g][j][p]: the smallest largest group sum of stages [0, j) in g
  // groups, where p says whether the group ending at j pays the hand-over to
  // the group starting there; from[g][j][p]: where that last group starts and
  // who paid the hand-over there.
  constexpr double kNone = std::numeric_limits<double>::infinity();
  using Row = std::vector<std::array<double, 2>>;
  std::vector<Row> worst(k + 1, Row(n + 1, {kNone, kNone}));
  std::vector<std::vector<std::array<std::pair<std::size_t, int>, 2>>> from(
      k + 1, std::vector<std::array<std::pair<std::size_t, int>, 2>>(n + 1));
  worst[0][0] = {0.0, 0.0};
  for (std::size_t g = 1; g <= k; ++g)
    for (std::size_t j = g; j <= n; ++j)
      for (int p = 0; p < 2; ++p)
        for (std::size_t i = g - 1; i < j; ++i)
          for (int q = 0; q < 2; ++q) {
            const double own = prefix[j] - prefix[i] + at(entry, i) + (q ? 0.0 : at(handOver, i)) +
                               (p ? at(handOver, j) : 0.0);
            const double w = std::max(worst[g - 1][i][q], own);
            if (w < worst[g][j][p]) {
              worst[g][j][p] = w;
              from[g][j][p] = {i, q};
            }
          }
  // A thread more must buy a real gain: 1% of the slowest group.
  std::size_t groups = 1;
  for (std::size_t g = 2; g <= k; ++g)
    if (worst[g][n][0] < worst[groups][n][0] * 0.99) groups = g;

  std::vector<std::size_t> starts(groups);
  if (producerPays) producerPays->assign(groups, false);
  int p = 0;
  for (std::size_t g = groups, j = n; g > 0; --g) {
    const auto [i, q] = from[g][j][p];
    starts[g - 1] = i;
    if (producerPays) (*producerPays)[g - 1] = q == 1 && i > 0;
    j = i;
    p = q;
  }
  return starts;
}

bool measureStageCosts(FilterChain& chain, const IFrameBuffer& frame, unsigned frames, std::vector<double>& costs,
                       std::string& error) {
  if (!chain.start(error)) return false;
  // The first frame pays for touching fresh frame memory; it is not counted.
  chain.push(frame);
  frames = std::max(1u, frames);
  // Each stage's mean over a round of frames, the least of a few rounds:
  // another process taking the core only ever adds time. Means, not single
  // frames, so that a stage that works on some frames only (a run's last)
  // is counted in full.
  constexpr int kRounds = 3;
  costs.assign(chain.size(), std::numeric_limits<double>::infinity());
  std::vector<std::chrono::nanoseconds> before(chain.size());
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t s = 0; s < chain.size(); ++s) before[s] = chain.figuresOf(s).busy;
    for (unsigned i = 0; i < frames; ++i) chain.push(frame);
    for (std::size_t s = 0; s < chain.size(); ++s)
      costs[s] = std::min(costs[s], std::chrono::duration<double>(chain.figuresOf(s).busy - before[s]).count() / frames);
  }
  chain.stop();
  return true;
}

}  // namespace Pixlib
