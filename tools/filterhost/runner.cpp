// `run`: builds the chain from the command line, streams the frames of the
// inputs or of the built-in camera through it, writes pictures and figures.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <thread>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "bayer.h"
#include "figures.h"
#include "filtersetup.h"
#include "fileio.h"
#include "frameconv.h"
#include "inputlimits.h"
#include "pixrt/filterchain.h"
#include "pixrt/filtertraits.h"
#include "pixrt/pipelinedchain.h"
#include "runplan.h"

namespace filterhost {
namespace {

constexpr std::uint64_t kDefaultCameraFrames = 16;

int fail(int code, const std::string& message) {
  std::cerr << "filterhost: " << message << "\n";
  return code;
}

std::string describe(const Image& image) {
  static const char* const kKinds[] = {"", "grey", "", "RGB", "RGBA"};
  return std::to_string(image.width) + "x" + std::to_string(image.height) + " " + kKinds[image.channels];
}

// "Rotate Flip" -> "rotate-flip".
std::string slug(const std::string& name) {
  std::string text;
  for (unsigned char c : name) {
    if (std::isalnum(c))
      text += static_cast<char>(std::tolower(c));
    else if (!text.empty() && text.back() != '-')
      text += '-';
  }
  while (!text.empty() && text.back() == '-') text.pop_back();
  return text.empty() ? "filter" : text;
}

std::string numbered(std::size_t n, int digits) {
  std::string text = std::to_string(n);
  return std::string(text.size() < static_cast<std::size_t>(digits) ? digits - text.size() : 0, '0') + text;
}

bool makeDirectory(const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) error = "cannot create the directory '" + dir + "': " + ec.message();
  return !ec;
}

bool writeFrame(const std::string& path, const FrameTypeInfo& type, const BYTE* frame, std::string& error) {
  Image picture;
  return frameToImage(type, frame, picture, error) && writeImageFile(path, picture, error);
}

// Where the frames come from: pictures read before the run, or the camera.
class Source {
 public:
  static std::optional<Source> open(const RunPlan& plan, std::string& error) {
    Source source;
    const std::uint64_t limit = plan.limits.frameBytes;
    if (plan.inputs.empty()) {
      const CameraSettings& s = plan.camera;
      // The colour scene and the tables it is drawn from: about 4 bytes a pixel.
      source.m_HeldBytes =
          std::uint64_t(4) * static_cast<std::uint64_t>(s.width) * static_cast<std::uint64_t>(s.height);
      if (source.m_HeldBytes > limit) {
        error = "the camera at " + std::to_string(s.width) + "x" + std::to_string(s.height) + " needs " +
                byteCountText(source.m_HeldBytes) + " for its scene, more than " + frameLimitText(limit);
        return std::nullopt;
      }
      source.m_Camera = std::make_unique<SyntheticCamera>(plan.camera);
      source.m_Frames = plan.frames ? plan.frames : kDefaultCameraFrames;
      source.m_Description = "synthetic camera " + std::to_string(s.width) + "x" + std::to_string(s.height) + " " +
                             patternName(s.pattern) + ", noise " + std::to_string(s.noise);
      return source;
    }
    for (const std::string& path : plan.inputs) {
      // Each picture may take what the ones before it left of the limit.
      Image image;
      if (!readImageFile(path, image, error, InputLimits{plan.limits.fileBytes, limit - source.m_HeldBytes}))
        return std::nullopt;
      if (plan.mosaicPattern >= 0 && image.channels >= 3) image = mosaicImage(image, plan.mosaicPattern);
      source.m_HeldBytes += image.pixels.size();
      if (!source.m_Images.empty()) {
        const Image& first = source.m_Images.front();
        if (image.width != first.width || image.height != first.height || image.channels != first.channels) {
          error = "image '" + path + "' is " + describe(image) + ", unlike the first image (" + describe(first) +
                  "); every frame of a run has the same type";
          return std::nullopt;
        }
      }
      source.m_Images.push_back(std::move(image));
    }
    source.m_Frames = plan.frames ? plan.frames : source.m_Images.size();
    source.m_Description = std::to_string(source.m_Images.size()) + " image(s), " + describe(source.m_Images.front());
    return source;
  }

  // The first of the types this source can deliver that `first` accepts, or
  // the first of them when it accepts none (negotiation then says why).
  FrameTypeInfo chooseType(IFrameFilter* first) const {
    if (m_Camera) {
      const CameraSettings& s = m_Camera->settings();
      return FrameTypeInfo(MEDIASUBTYPE_BY8, s.width, s.height, 0);
    }
    const Image& image = m_Images.front();
    const std::vector<GUID> subtypes = subtypesFor(image);
    for (const GUID& subtype : subtypes) {
      const FrameTypeInfo type = frameTypeFor(image, subtype);
      if (first->checkInputType_(type) == S_OK) return type;
    }
    return frameTypeFor(image, subtypes.front());
  }

  // Makes the frames of the negotiated `type` (one of chooseType's): a
  // buffer the camera captures into, or every picture converted once, after
  // which the pictures are let go.
  void prepare(const FrameTypeInfo& type) {
    if (m_Camera) {
      m_Buffers.push_back(std::make_unique<Pixlib::FrameBuffer>(type));
      return;
    }
    for (const Image& image : m_Images) {
      m_Buffers.push_back(std::make_unique<Pixlib::FrameBuffer>(type));
      imageToFrame(image, type, m_Buffers.back()->getBufferPtr());
    }
    m_Images.clear();
  }

  // Frame `index`, after prepare(); the camera's is valid until the next call.
  const Pixlib::FrameBuffer& frame(std::uint64_t index) {
    const Pixlib::FrameBuffer& buffer = *m_Buffers[index % m_Buffers.size()];
    if (m_Camera) m_Camera->capture(index, buffer.getBufferPtr());
    return buffer;
  }

  // Frame `index` for a chain across threads: the camera captures into
  // `dest`, a frame of the prepared type; a picture is lent as prepared.
  const IFrameBuffer* give(std::uint64_t index, IFrameBuffer& dest) {
    if (!m_Camera) return m_Buffers[index % m_Buffers.size()].get();
    m_Camera->capture(index, dest.getBufferPtr());
    return &dest;
  }

  std::uint64_t frames() const { return m_Frames; }
  // How many frames of the input type prepare() makes.
  std::size_t buffers() const { return m_Camera ? 1 : m_Images.size(); }
  // The memory the pictures (or the camera's scene) take.
  std::uint64_t heldBytes() const { return m_HeldBytes; }
  bool isCamera() const { return m_Camera != nullptr; }
  const char* name() const { return m_Camera ? "camera" : "pictures"; }
  const std::string& description() const { return m_Description; }

  // The camera's colour scene of frame `index`, the truth the raw frames sample.
  bool writeScene(const std::string& path, std::uint64_t index, std::string& error) {
    return !m_Camera || writeImageFile(path, m_Camera->scene(index), error);
  }

 private:
  std::unique_ptr<SyntheticCamera> m_Camera;
  std::vector<Image> m_Images;  // until prepare()
  std::vector<std::unique_ptr<Pixlib::FrameBuffer>> m_Buffers;
  std::uint64_t m_Frames = 0;
  std::uint64_t m_HeldBytes = 0;
  std::string m_Description;
};

// The frame memory of the run once its frames are made: the source's
// pictures or scene, its frames of the input type, and one output frame per
// filter. Checked before any frame is made.
std::uint64_t inputFrameBytes(const Pixlib::FilterChain& chain, const Source& source) {
  return std::uint64_t(chain.inputType().buffersize) * source.buffers();
}

std::uint64_t outputFrameBytes(const Pixlib::FilterChain& chain) {
  std::uint64_t outputs = 0;
  for (std::size_t i = 0; i < chain.size(); ++i) outputs += chain.outputTypeOf(i).buffersize;
  return outputs;
}

bool withinFrameLimit(const Pixlib::FilterChain& chain, const Source& source, std::uint64_t limit,
                      std::string& error) {
  const std::uint64_t inputs = inputFrameBytes(chain, source);
  const std::uint64_t outputs = outputFrameBytes(chain);
  const std::uint64_t total = source.heldBytes() + inputs + outputs;
  if (total <= limit) return true;
  error = "the run needs " + byteCountText(total) + " of frame memory (source " + byteCountText(source.heldBytes()) +
          ", input frames " + byteCountText(inputs) + ", output frames " + byteCountText(outputs) + "), more than " +
          frameLimitText(limit);
  return false;
}

void printChain(const Pixlib::FilterChain& chain, const std::string& source) {
  std::cout << "source: " << source << "\n";
  std::cout << "chain: " << Pixlib::frameTypeText(chain.inputType());
  for (std::size_t i = 0; i < chain.size(); ++i)
    std::cout << " -> [" << chain.nameOf(i) << "] -> " << Pixlib::frameTypeText(chain.outputTypeOf(i));
  std::cout << "\n";
}

// What streaming left behind: the frames out, the last frame in and out of
// each stage (owned by the chain that ran), and the figures.
struct Outcome {
  std::uint64_t outputs = 0;
  const IFrameBuffer* lastInput = nullptr;
  std::vector<const IFrameBuffer*> lastOutputs;  // per filter; null when it produced none
  std::vector<StageRow> rows;                    // the source, then the filters
  std::vector<std::uint64_t> missing;            // per filter: frames an always-emitting one did not produce
  std::chrono::nanoseconds wall{0};
};

// The last frame out of every stage, the source frame (the last one pushed)
// first.
int writeStages(const std::string& dir, const Pixlib::FilterChain& chain, const Outcome& outcome, Source& source,
                std::uint64_t lastIndex) {
  std::string error;
  if (!makeDirectory(dir, error)) return fail(kExitFailure, error);
  if (!source.writeScene(dir + "/00-scene.png", lastIndex, error)) return fail(kExitFailure, error);
  const IFrameBuffer& input = *outcome.lastInput;
  if (!writeFrame(dir + "/00-source.png", input.getFrameType(), input.getBufferPtr(), error))
    return fail(kExitFailure, error);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const std::string path = dir + "/" + numbered(i + 1, 2) + "-" + slug(chain.nameOf(i)) + ".png";
    const IFrameBuffer* out = outcome.lastOutputs[i];
    if (!out) {
      std::cerr << "filterhost: '" << chain.nameOf(i) << "' produced no frame; " << path << " not written\n";
      continue;
    }
    if (!writeFrame(path, out->getFrameType(), out->getBufferPtr(), error)) return fail(kExitFailure, error);
  }
  return kExitOk;
}

// Before anything is written: no output may replace a file the run reads.
// The outputs named on the command line are refused at once, the files of
// --every and --stages when they are written.
bool protectInputs(const RunPlan& plan, std::string& error) {
  for (const std::string& path : plan.inputs) protectInputFile(path);
  for (const FilterRequest& request : plan.filters)
    if (!request.loadFrom.empty()) protectInputFile(request.loadFrom);
  std::vector<std::string> named{plan.output};
  for (const FilterRequest& request : plan.filters) named.push_back(request.saveTo);
  for (const std::string& path : named) {
    const std::string why = path.empty() ? std::string() : refusedOutput(path);
    if (!why.empty()) {
      error = "cannot write '" + path + "': " + why;
      return false;
    }
  }
  return true;
}

bool writeEvery(const RunPlan& plan, std::uint64_t n, const Pixlib::FrameTypeInfo& type, const IFrameBuffer& frame,
                std::string& error) {
  return plan.everyDir.empty() ||
         writeFrame(plan.everyDir + "/frame-" + numbered(n, 5) + ".png", type, frame.getBufferPtr(), error);
}

StageRow sourceRow(const Source& source, const Pixlib::FrameTypeInfo& type, std::uint64_t in, std::uint64_t out,
                   std::chrono::nanoseconds busy) {
  return StageRow{source.name(), true, {}, type, in, out, busy, 0};
}

// Every frame through the chain on this thread.
int streamOnOneThread(Pixlib::FilterChain& chain, Source& source, const RunPlan& plan, Outcome& outcome) {
  std::string error;
  if (!chain.start(error)) return fail(kExitFailure, error);
  const Pixlib::FrameTypeInfo& last = chain.outputTypeOf(chain.size() - 1);
  const auto begin = std::chrono::steady_clock::now();
  std::chrono::nanoseconds sourceBusy{0};
  {
    ProgressLine progress(source.frames(), pixelsOf(chain.inputType()));
    for (std::uint64_t n = 0; n < source.frames(); ++n) {
      const auto before = std::chrono::steady_clock::now();
      outcome.lastInput = &source.frame(n);
      sourceBusy += std::chrono::steady_clock::now() - before;
      if (chain.push(*outcome.lastInput) == chain.size()) {
        if (!writeEvery(plan, outcome.outputs, last, *chain.outputOf(chain.size() - 1), error)) {
          chain.stop();
          return fail(kExitFailure, error);
        }
        ++outcome.outputs;
      }
      progress.update(n + 1);
    }
  }
  chain.stop();
  outcome.wall = std::chrono::steady_clock::now() - begin;
  outcome.rows = filterRows(chain);
  outcome.rows.insert(outcome.rows.begin(),
                      sourceRow(source, chain.inputType(), source.frames(), source.frames(), sourceBusy));
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const Pixlib::FilterChain::Figures& f = chain.figuresOf(i);
    FilterInfo info{};
    chain.filterOf(i)->getFilterInfo(&info);
    const Pixlib::FilterTraits* traits = Pixlib::findFilterTraits(info.name);
    outcome.missing.push_back(!traits || traits->alwaysEmits ? f.framesIn - f.framesOut : 0);
    outcome.lastOutputs.push_back(f.framesOut ? chain.outputOf(i) : nullptr);
  }
  return kExitOk;
}

// What each stage costs per frame, the source first: a few frames through the
// chain on this thread before the run, the same frame each time.
std::vector<double> measureCosts(Pixlib::FilterChain& chain, Source& source, std::string& error) {
  constexpr int kSourceProbes = 2;
  constexpr unsigned kChainProbes = 4;
  Pixlib::FrameBuffer frame(chain.inputType());
  const auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < kSourceProbes; ++i) source.give(i, frame);
  std::vector<double> costs{std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
                            kSourceProbes};
  std::vector<double> filters;
  if (!Pixlib::measureStageCosts(chain, frame, kChainProbes, filters, error)) return {};
  costs.insert(costs.end(), filters.begin(), filters.end());
  return costs;
}

// The source and the filters spread over `threads` threads, grouped by what
// each costs; `pipe` keeps the last frames for the pictures.
int streamPipelined(Pixlib::FilterChain& chain, Pixlib::PipelinedChain& pipe, Source& source, const RunPlan& plan,
                    std::size_t threads, Outcome& outcome) {
  std::string error;
  Pixlib::PipelinedChain::Options options;
  options.threads = threads;
  options.costs = measureCosts(chain, source, error);
  if (options.costs.empty()) return fail(kExitFailure, error);
  const std::uint64_t frames = source.frames();
  options.source = [&source, frames](std::uint64_t n, IFrameBuffer& dest) {
    return n < frames ? source.give(n, dest) : nullptr;
  };
  // The frames the threads hand on come on top of those the run on one
  // thread needs, which the measuring above has made already.
  const std::uint64_t between = Pixlib::PipelinedChain::frameBytes(chain, options);
  const std::uint64_t total = source.heldBytes() + inputFrameBytes(chain, source) + outputFrameBytes(chain) + between;
  if (total > plan.limits.frameBytes)
    return fail(kExitFailure, "the run across threads needs " + byteCountText(total) + " of frame memory (" +
                                  byteCountText(between) + " of it for the frames the threads hand on), more than " +
                                  frameLimitText(plan.limits.frameBytes) + "; --threads 1 needs less");
  const Pixlib::FrameTypeInfo last = chain.outputTypeOf(chain.size() - 1);
  std::string sinkError;
  ProgressLine progress(frames, pixelsOf(chain.inputType()));
  options.sink = [&](const IFrameBuffer& frame, std::uint64_t n) {
    if (!writeEvery(plan, outcome.outputs, last, frame, sinkError)) return false;
    ++outcome.outputs;
    progress.update(n + 1);
    return true;
  };
  if (!pipe.start(std::move(options), error)) return fail(kExitFailure, error);
  const bool finished = pipe.stop(Pixlib::PipelinedChain::Stop::Drain);
  progress.finish();
  if (!finished) return fail(kExitFailure, sinkError.empty() ? "the chain stopped: " + pipe.error() : sinkError);

  outcome.wall = pipe.wall();
  const Pixlib::PipelinedChain::Figures& s = pipe.sourceFigures();
  outcome.rows.push_back(sourceRow(source, chain.inputType(), s.framesIn, s.framesOut, s.busy));
  outcome.rows.back().thread = 1;
  const std::vector<StageRow> filters = filterRows(chain);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const Pixlib::PipelinedChain::Figures& f = pipe.figuresOf(i);
    StageRow row = filters[i];
    row.framesIn = f.framesIn;
    row.framesOut = f.framesOut;
    row.busy = f.busy;
    row.thread = pipe.groupOf(i) + 1;
    outcome.rows.push_back(row);
    outcome.missing.push_back(f.missing);
    outcome.lastOutputs.push_back(pipe.outputOf(i));
  }
  outcome.lastInput = pipe.lastInput();
  return kExitOk;
}

}  // namespace

int executeRun(Pixlib::FilterModule& module, const RunPlan& plan) {
  std::string error;
  if (!protectInputs(plan, error)) return fail(kExitFailure, error);
  Pixlib::FilterChain chain;
  for (const FilterRequest& request : plan.filters) {
    FilterHandle handle;
    if (const int code = makeFilter(module, request, plan.limits.fileBytes, handle, error)) return fail(code, error);
    chain.append(handle.filter(), request.name);
  }

  std::optional<Source> source = Source::open(plan, error);
  if (!source) return fail(kExitFailure, error);
  if (!chain.negotiate(source->chooseType(chain.filterOf(0)), error))
    return fail(kExitFailure, "the chain does not negotiate: " + error);
  printChain(chain, source->description());
  if (!withinFrameLimit(chain, *source, plan.limits.frameBytes, error)) return fail(kExitFailure, error);

  if (!plan.everyDir.empty() && !makeDirectory(plan.everyDir, error)) return fail(kExitFailure, error);

  source->prepare(chain.inputType());
  // The camera is a stage of its own; pictures are only lent.
  const std::size_t stages = chain.size() + (source->isCamera() ? 1 : 0);
  const std::size_t threads =
      std::min<std::size_t>(plan.threads ? plan.threads : std::max(1u, std::thread::hardware_concurrency()), stages);
  Outcome outcome;
  Pixlib::PipelinedChain pipe(chain);
  if (const int code = threads > 1 ? streamPipelined(chain, pipe, *source, plan, threads, outcome)
                                   : streamOnOneThread(chain, *source, plan, outcome))
    return code;

  printFigures(std::cout, outcome.rows, source->frames(), outcome.wall);
  std::cout << outcome.outputs << " frame(s) out of the chain\n";
  for (std::size_t i = 0; i < chain.size(); ++i)
    if (outcome.missing[i])
      std::cerr << "filterhost: '" << chain.nameOf(i) << "' produced no frame for " << outcome.missing[i] << " of its "
                << outcome.rows[i + 1].framesIn << " input frame(s), though it makes one for each\n";
  if (!plan.stagesDir.empty()) {
    if (const int code = writeStages(plan.stagesDir, chain, outcome, *source, source->frames() - 1)) return code;
    std::cout << "stage pictures in " << plan.stagesDir << "/\n";
  }
  if (!plan.output.empty()) {
    if (outcome.outputs == 0)
      return fail(kExitFailure, "the chain produced no frame from " + std::to_string(source->frames()) +
                                    " input frame(s); " + plan.output + " not written");
    const IFrameBuffer& out = *outcome.lastOutputs.back();
    if (!writeFrame(plan.output, out.getFrameType(), out.getBufferPtr(), error))
      return fail(kExitFailure, error);
  }
  return kExitOk;
}

}  // namespace filterhost
