// What a run reports about speed: a live progress line on a terminal, and a
// table per filter at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "pixrt/filterchain.h"

namespace filterhost {

// Pixels in a frame of `type`, whatever the signs of its dimensions.
std::uint64_t pixelsOf(const Pixlib::FrameTypeInfo& type);

// Rewrites one line on stderr, a few times a second, once a run has lasted
// long enough to be worth watching; does nothing when stderr is not a
// terminal.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressLine(std::uint64_t totalFrames, std::uint64_t pixelsPerFrame);
  ~ProgressLine() { finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void update(std::uint64_t framesDone);
  // Clears the line.
  void finish();

 private:
  bool m_Enabled;
  bool m_Shown = false;
  std::uint64_t m_Total;
  std::uint64_t m_Pixels;
  Clock::time_point m_Begin;
  Clock::time_point m_Next;
};

// What one stage of a run did: the source, then each filter.
struct StageRow {
  std::string name;
  bool isSource = false;  // no input type
  Pixlib::FrameTypeInfo input;
  Pixlib::FrameTypeInfo output;
  std::uint64_t framesIn = 0;
  std::uint64_t framesOut = 0;
  std::chrono::nanoseconds busy{0};
  std::size_t thread = 0;  // 1, 2, ... when the stages ran across threads
};

// The rows of the filters of a chain run on the calling thread.
std::vector<StageRow> filterRows(const Pixlib::FilterChain& chain);

// One row per stage: its types, frames in and out, time per input frame,
// input megapixels per second of its own busy time, and its busy share of
// the run's wall time (the slowest stage of a run across threads is the one
// near 100%); then the run.
void printFigures(std::ostream& out, const std::vector<StageRow>& rows, std::uint64_t frames,
                  std::chrono::nanoseconds wall);

}  // namespace filterhost
