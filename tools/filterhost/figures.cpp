#include "figures.h"

#include <unistd.h>

#include <cstdio>
#include <iomanip>
#include <string>

namespace filterhost {
namespace {

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(200);

double seconds(std::chrono::nanoseconds t) { return std::chrono::duration<double>(t).count(); }

}  // namespace

std::uint64_t pixelsOf(const Pixlib::FrameTypeInfo& type) {
  const std::int64_t columns = type.dim.cx < 0 ? -std::int64_t(type.dim.cx) : std::int64_t(type.dim.cx);
  return static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(Pixlib::frameRows(type));
}

ProgressLine::ProgressLine(std::uint64_t totalFrames, std::uint64_t pixelsPerFrame)
    : m_Enabled(::isatty(STDERR_FILENO) == 1),
      m_Total(totalFrames),
      m_Pixels(pixelsPerFrame),
      m_Begin(Clock::now()),
      m_Next(m_Begin + kQuietStart) {}

void ProgressLine::update(std::uint64_t framesDone) {
  if (!m_Enabled) return;
  const Clock::time_point now = Clock::now();
  if (now < m_Next) return;
  m_Next = now + kInterval;
  const double elapsed = seconds(now - m_Begin);
  const double fps = elapsed > 0 ? framesDone / elapsed : 0;
  std::fprintf(stderr, "\r\033[Kframe %llu/%llu  %.1f frames/s  %.1f MPix/s", static_cast<unsigned long long>(framesDone),
               static_cast<unsigned long long>(m_Total), fps, fps * static_cast<double>(m_Pixels) / 1e6);
  std::fflush(stderr);
  m_Shown = true;
}

void ProgressLine::finish() {
  if (!m_Shown) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_Shown = false;
}

std::vector<StageRow> filterRows(const Pixlib::FilterChain& chain) {
  std::vector<StageRow> rows;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const Pixlib::FilterChain::Figures& f = chain.figuresOf(i);
    rows.push_back({chain.nameOf(i), false, chain.inputTypeOf(i), chain.outputTypeOf(i), f.framesIn, f.framesOut,
                    f.busy, 0});
  }
  return rows;
}

void printFigures(std::ostream& out, const std::vector<StageRow>& rows, std::uint64_t frames,
                  std::chrono::nanoseconds wall) {
  std::size_t nameWidth = 6;
  bool threads = false;
  for (const StageRow& row : rows) {
    nameWidth = std::max(nameWidth, row.name.size());
    threads = threads || row.thread != 0;
  }
  const auto left = [&out](std::size_t width) -> std::ostream& { return out << std::left << std::setw(static_cast<int>(width)); };
  const auto right = [&out](int width) -> std::ostream& { return out << std::right << std::setw(width); };
  const double total = seconds(wall);

  left(nameWidth + 2) << "filter";
  left(18) << "input";
  left(18) << "output";
  right(11) << "frames in";
  right(12) << "frames out";
  right(11) << "ms/frame";
  right(10) << "MPix/s";
  right(8) << "busy %";
  if (threads) right(8) << "thread";
  out << "\n";
  std::chrono::nanoseconds busy{0};
  for (const StageRow& row : rows) {
    if (!row.isSource) busy += row.busy;
    const double s = seconds(row.busy);
    const double msPerFrame = row.framesIn ? 1e3 * s / static_cast<double>(row.framesIn) : 0.0;
    const Pixlib::FrameTypeInfo& measured = row.isSource ? row.output : row.input;
    const double mpix = s > 0 ? static_cast<double>(pixelsOf(measured) * row.framesIn) / s / 1e6 : 0.0;
    left(nameWidth + 2) << row.name;
    left(18) << (row.isSource ? std::string("-") : Pixlib::frameTypeText(row.input));
    left(18) << Pixlib::frameTypeText(row.output);
    right(11) << row.framesIn;
    right(12) << row.framesOut;
    right(11) << std::fixed << std::setprecision(3) << msPerFrame;
    right(10) << std::setprecision(1) << mpix;
    right(8) << (total > 0 ? 100.0 * s / total : 0.0);
    if (threads) right(8) << row.thread;
    out << "\n";
  }
  out << std::fixed << std::setprecision(2) << frames << " frames in " << total << " s ("
      << std::setprecision(1) << (total > 0 ? static_cast<double>(frames) / total : 0.0)
      << " frames/s with source and files; filters " << std::setprecision(3)
      << (frames ? 1e3 * seconds(busy) / static_cast<double>(frames) : 0.0) << " ms/frame)\n";
  out.unsetf(std::ios::floatfield);
}

}  // namespace filterhost
