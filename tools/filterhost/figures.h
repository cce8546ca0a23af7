// What a run reports about speed: a live progress line on a terminal, and a
// table per filter at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>

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

// One row per filter: its types, frames in and out, time per input frame and
// input megapixels per second of its own transform time; then the run.
void printFigures(std::ostream& out, const Pixlib::FilterChain& chain, std::uint64_t frames,
                  std::chrono::nanoseconds wall);

}  // namespace filterhost
