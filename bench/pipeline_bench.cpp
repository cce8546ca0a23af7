// The demo chain (DeBayer, Rotate Flip 90, ROI, DeNoise 2) on one thread
// against the same chain across threads, in one run, at two frame sizes.
// The source frames are made before the clock starts and are more than the
// caches hold, so they come from memory; both chains read them in place, and
// only the chains are timed. Besides the ratio it prints each stage's time,
// alone, in the single-threaded run and across threads, and the bound the
// slowest group of adjacent stages sets: the sum of the stage times over the
// slowest group's, with the times alone (on the one frame in the caches the
// balancing measures), and beside it with those of the single-threaded run,
// whose frames come from memory as the pipelined run's do. The verdict takes
// the best run of each way; the median ratio of each pipelined run to the
// single-threaded run just before it is printed too.
//
//   pipeline_bench [--frames N] [--repeats R] [--threads T] [--width W (one size only)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pixrt/filtermodule.h"
#include "pixrt/pipelinedchain.h"

namespace {

using Clock = std::chrono::steady_clock;
using Pixlib::FilterChain;
using Pixlib::FrameBuffer;
using Pixlib::PipelinedChain;

constexpr std::size_t kSourceBytes = std::size_t(48) << 20;  // beyond the 32 MiB cache of the test machine

struct Size {
  int width, height;
  LONG roiLeft, roiTop, roiWidth, roiHeight;  // in the turned frame
};

void setLong(IFrameFilter* f, const char16_t* name, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  if (f->setParameter(name, &v) != eParamOk) {
    std::fprintf(stderr, "pipeline_bench: a parameter was refused\n");
    std::exit(1);
  }
}

// The demo chain for frames of `size`.
void buildChain(Pixlib::FilterModule& module, const Size& size, FilterChain& chain) {
  struct Step {
    const char16_t* name;
    const char* label;
  };
  const Step steps[] = {{u"DeBayer", "DeBayer"}, {u"Rotate Flip", "Rotate Flip"}, {u"ROI", "ROI"}, {u"DeNoise", "DeNoise"}};
  for (const Step& s : steps) {
    IFrameFilter* f = module.factory()->createFilter(s.name);
    if (s.label == std::string("DeBayer")) {
      setLong(f, u"Start Pattern", 2);
      setLong(f, u"Mode", 2);
    } else if (s.label == std::string("Rotate Flip")) {
      setLong(f, u"Rotation Angle", 90);
    } else if (s.label == std::string("ROI")) {
      setLong(f, u"Left", size.roiLeft);
      setLong(f, u"Top", size.roiTop);
      setLong(f, u"Width", size.roiWidth);
      setLong(f, u"Height", size.roiHeight);
    } else {
      setLong(f, u"DeNoise Level", 2);
    }
    chain.append(f, s.label);
    f->Release();
  }
  std::string error;
  if (!chain.negotiate(FrameTypeInfo(MEDIASUBTYPE_BY8, size.width, size.height, 0), error)) {
    std::fprintf(stderr, "pipeline_bench: %s\n", error.c_str());
    std::exit(1);
  }
}

std::vector<std::unique_ptr<FrameBuffer>> makeFrames(const FrameTypeInfo& type) {
  const std::size_t count = std::max<std::size_t>(4, kSourceBytes / type.buffersize + 1);
  std::vector<std::unique_ptr<FrameBuffer>> frames;
  std::uint32_t x = 2463534242u;
  for (std::size_t f = 0; f < count; ++f) {
    frames.push_back(std::make_unique<FrameBuffer>(type));
    BYTE* p = frames.back()->getBufferPtr();
    for (DWORD i = 0; i < type.buffersize; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      p[i] = BYTE((i % type.dim.cx) / 8 + (x & 31));
    }
  }
  return frames;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// `busy` receives each stage's time per frame in the run.
double runSingle(FilterChain& chain, const std::vector<std::unique_ptr<FrameBuffer>>& frames, int count,
                 std::vector<double>& busy) {
  std::string error;
  chain.start(error);
  busy.clear();
  for (std::size_t s = 0; s < chain.size(); ++s) busy.push_back(seconds(chain.figuresOf(s).busy));
  const Clock::time_point begin = Clock::now();
  for (int i = 0; i < count; ++i) chain.push(*frames[i % frames.size()]);
  const double s = seconds(Clock::now() - begin);
  for (std::size_t i = 0; i < chain.size(); ++i) busy[i] = (seconds(chain.figuresOf(i).busy) - busy[i]) / count;
  chain.stop();
  return count / s;
}

// The source lends the prepared frames, as the single-threaded chain reads
// them in place. `busy` receives the time per frame in the run of each of
// the chain's `stages`.
double runPipelined(PipelinedChain& pipe, std::size_t stages, PipelinedChain::Options options,
                    const std::vector<std::unique_ptr<FrameBuffer>>& frames, int count, std::vector<double>& busy) {
  Clock::time_point begin;  // when the first frame enters, after start's allocations
  options.source = [&frames, count, &begin](std::uint64_t i, IFrameBuffer&) -> const IFrameBuffer* {
    if (i == 0) begin = Clock::now();
    return i < std::uint64_t(count) ? frames[i % frames.size()].get() : nullptr;
  };
  std::string error;
  if (!pipe.start(std::move(options), error) || !pipe.stop(PipelinedChain::Stop::Drain)) {
    std::fprintf(stderr, "pipeline_bench: %s%s\n", error.c_str(), pipe.error().c_str());
    std::exit(1);
  }
  const double rate = count / seconds(Clock::now() - begin);
  busy.clear();
  for (std::size_t s = 0; s < stages; ++s) busy.push_back(seconds(pipe.figuresOf(s).busy) / count);
  return rate;
}

// The stage times of all stages and of the slowest group of the pipelined
// chain's groups.
struct Bound {
  double total = 0, slowest = 0;
  double ratio() const { return total / slowest; }
};
Bound boundOf(const PipelinedChain& pipe, const std::vector<double>& times) {
  std::vector<double> groups(pipe.groups());
  Bound bound;
  for (std::size_t s = 0; s < times.size(); ++s) {
    groups[pipe.groupOf(s)] += times[s];
    bound.total += times[s];
  }
  bound.slowest = *std::max_element(groups.begin(), groups.end());
  return bound;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 64, repeats = 3, onlyWidth = 0;
  std::size_t threads = std::max(1u, std::thread::hardware_concurrency());
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--frames") frames = std::atoi(argv[i + 1]);
    if (option == "--repeats") repeats = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--threads") threads = static_cast<std::size_t>(std::atoi(argv[i + 1]));
    if (option == "--width") onlyWidth = std::atoi(argv[i + 1]);
  }
  std::string error;
  auto module = Pixlib::FilterModule::load(Pixlib::libraryDirectory() + "/corefilterssd.ftf", error);
  if (!module) {
    std::fprintf(stderr, "pipeline_bench: %s\n", error.c_str());
    return 1;
  }

  const Size sizes[] = {{1280, 960, 160, 160, 640, 960}, {2448, 2048, 256, 200, 1024, 2048}};
  std::printf("demo chain, %d frames per run, best of %d, %zu threads; source frames from memory\n", frames, repeats,
              threads);
  for (const Size& size : sizes) {
    if (onlyWidth && size.width != onlyWidth) continue;
    FilterChain chain;
    buildChain(*module, size, chain);
    const auto source = makeFrames(chain.inputType());
    std::vector<double> costs;
    if (!Pixlib::measureStageCosts(chain, *source[0], 8, costs, error)) {
      std::fprintf(stderr, "pipeline_bench: %s\n", error.c_str());
      return 1;
    }
    PipelinedChain pipe(chain);
    PipelinedChain::Options options;
    options.threads = threads;
    options.costs = costs;
    options.costs.insert(options.costs.begin(), 0.0);  // the source lends: it costs nothing
    double single = 0, pipelined = 0;
    std::vector<double> busy, bestBusy, singleBusy, paired;
    for (int r = 0; r < repeats; ++r) {
      const double rate = runSingle(chain, source, frames, busy);
      if (rate > single) single = rate, singleBusy = busy;
      const double piped = runPipelined(pipe, chain.size(), options, source, frames, busy);
      if (piped > pipelined) pipelined = piped, bestBusy = busy;
      paired.push_back(piped / rate);
    }
    std::sort(paired.begin(), paired.end());

    const Bound bound = boundOf(pipe, costs), boundSingle = boundOf(pipe, singleBusy);
    const double target = std::min(1.7, 0.9 * bound.ratio());
    std::printf("\n%dx%d (%zu source frames, %.0f MiB)\n", size.width, size.height, source.size(),
                source.size() * double(chain.inputType().buffersize) / (1 << 20));
    // alone: the same frame again and again, as the balancing measures it;
    // single: in the single-threaded run, frames from memory.
    std::printf("  %-12s %9s %9s %12s  (ms/frame)\n", "stage", "alone", "single", "pipelined");
    for (std::size_t s = 0; s < chain.size(); ++s)
      std::printf("  %-12s %9.3f %9.3f %12.3f  thread %zu\n", chain.nameOf(s).c_str(), costs[s] * 1e3,
                  singleBusy[s] * 1e3, bestBusy[s] * 1e3, pipe.groupOf(s) + 1);
    std::printf("  single-threaded   %7.1f frames/s\n", single);
    std::printf("  pipelined         %7.1f frames/s  = %.2fx\n", pipelined, pipelined / single);
    // The best runs of each way may fall in different spells of a busy
    // machine; each pipelined run against the single-threaded one just
    // before it shares its spell.
    std::printf("  each pipelined run against the single-threaded run before it: median %.2fx (%.2f-%.2fx)\n",
                paired[paired.size() / 2], paired.front(), paired.back());
    std::printf("  bound of the slowest group %.2fx (%.3f of %.3f ms; single-threaded %.2fx); target %.2fx: %s\n",
                bound.ratio(), bound.slowest * 1e3, bound.total * 1e3, boundSingle.ratio(), target,
                pipelined / single >= target ? "reached" : "missed");
  }
  return 0;
}
