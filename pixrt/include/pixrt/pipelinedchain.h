// Running a negotiated FilterChain across cores: the stages are split into
// groups of adjacent stages, each group runs on a thread of its own, and
// small rings of frame buffers, made once at start, carry the frames from
// one group to the next. Frames leave in the order they entered.
//
// Each filter is called from one thread at a time, its group's: notifyStart
// before its first frame, transform_ per frame, parameter changes between
// two frames inside its lock()/unlock(), notifyStop after its last frame.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pixrt/filterchain.h"

namespace Pixlib {

class EvictChooser;

class ORV_EXPORT PipelinedChain {
 public:
  // Gives input frame `index` on the first group's thread: either fills
  // `frame` (of the chain's input type) and returns it, or lends a frame of
  // its own of that type, which the chain reads in place and which must stay
  // as it is until the source is called again or the chain stops (the last
  // one while lastInput() may be asked for it). Null: the stream has ended.
  using Source = std::function<const IFrameBuffer*(std::uint64_t index, IFrameBuffer& frame)>;
  // Takes every frame that leaves the chain, in order, on the last group's
  // thread; `index` is the input frame that completed it. The frame is valid
  // during the call. false stops the chain and drops the frames in flight.
  using Sink = std::function<bool(const IFrameBuffer& frame, std::uint64_t index)>;

  struct Options {
    // Threads, one per group of stages; 0: the number of cores. Never more
    // than there are stages (the source counts as one).
    std::size_t threads = 0;
    // Frames that may wait between two groups. Groups balanced to nearly the
    // same cost still differ from frame to frame (a frame's reads meet the
    // other thread's or another process's in the shared cache), and with
    // room for two frames one late frame soon stalls the other group as
    // well; room for four keeps both busy through such runs. Each frame of
    // room costs a frame of memory and, once a slower group has filled it,
    // a frame of latency: a host that needs the lowest latency sets 1 or 2.
    std::size_t queueDepth = 4;
    // Seconds per input frame of each stage (the source first, when there is
    // one), as measureStageCosts() gives them; the groups are balanced on
    // them. Empty: every stage counts the same.
    std::vector<double> costs;
    // Where the frames come from; empty: from push().
    Source source;
    Sink sink;
    // Called once on the last group's thread after its last frame, whether
    // the input ended or the chain stopped: no frame reaches the sink after
    // it, so a caller waiting for frames knows when to stop waiting. Must
    // not throw.
    std::function<void()> ended;
  };

  // What one stage did since start(). `missing` counts the frames a filter
  // that always emits did not produce.
  struct Figures {
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::uint64_t missing = 0;
    std::chrono::nanoseconds busy{0};
  };

  enum class Stop { Drain, Drop };

  // `chain` must stay alive, negotiated and otherwise unused while this
  // runs; its own start()/push() are not used.
  explicit PipelinedChain(FilterChain& chain) : m_Chain(chain) {}
  // Stops a running chain, dropping the frames in flight.
  ~PipelinedChain();
  PipelinedChain(const PipelinedChain&) = delete;
  PipelinedChain& operator=(const PipelinedChain&) = delete;

  // The frame memory start() makes for `chain` under `options` (its costs,
  // threads, queue depth and whether it has a source): the rings between the
  // groups and the frames each group keeps.
  static std::uint64_t frameBytes(const FilterChain& chain, const Options& options);

  // Makes every frame buffer, starts one thread per group and waits until
  // each has told its filters that streaming starts.
  bool start(Options options, std::string& error);

  // Copies `frame` into the first ring, waiting while it is full. One thread
  // pushes. false: a frame of another type, a chain started with a source,
  // or a chain that is not running (any more: error() says why).
  bool push(const IFrameBuffer& frame);

  // Takes no more frames; Drain waits until the frames in flight (with a
  // source: every frame it gives) have left the chain, Drop lets each thread
  // finish the frame in its hands and drops the rest. Every thread tells its
  // filters that streaming stops and ends. false when the chain failed.
  // Not to be called from the source or the sink.
  bool stop(Stop how);

  // Sets a parameter of filter `stage`. While running, the change is handed
  // to the stage's thread, which makes it between two frames inside the
  // filter's lock()/unlock(); the call waits for its result. `fromFrame`
  // receives the first input frame index that the stage transforms with the
  // change made (0 when not running).
  tParamResult setParameter(std::size_t stage, const WCHAR* name, const VARIANT& value,
                            std::uint64_t* fromFrame = nullptr);

  bool running() const { return m_Running; }
  // Why the chain stopped by itself: the failing stage's name and what
  // happened; empty while it has not.
  std::string error() const;

  // The layout of the last start(): the number of groups, and the group of
  // each filter stage and of the source.
  std::size_t groups() const { return m_Groups.size(); }
  std::size_t groupOf(std::size_t stage) const { return m_Stages[stage].group; }

  // After stop(): the figures of each filter stage and of the source, the
  // time from start to stop, and the frame each stage produced last (null
  // when it produced none).
  const Figures& figuresOf(std::size_t stage) const { return m_Stages[stage].figures; }
  const Figures& sourceFigures() const { return m_SourceFigures; }
  std::chrono::nanoseconds wall() const { return m_Wall; }
  const IFrameBuffer* outputOf(std::size_t stage) const;
  // After stop(): the frame that entered the chain last (lent or not).
  const IFrameBuffer* lastInput() const;

 private:
  struct Stage {
    IFrameFilter* filter = nullptr;
    std::size_t group = 0;
    bool alwaysEmits = true;
    std::unique_ptr<FrameBuffer> own;  // its output inside a group, or at the chain's end
    Figures figures;
  };
  // A ring of frames between two groups; link g feeds group g.
  struct Link {
    std::vector<std::unique_ptr<FrameBuffer>> slots;
    std::vector<std::uint64_t> index;
    std::size_t head = 0;
    std::size_t count = 0;
    std::size_t last = SIZE_MAX;  // the slot written last
    bool closed = false;
    bool producerEvicts = false;  // whether the filling group evicts a slot, or the reading one
    // Whether slots are evicted at all. Shared only so that hosts including
    // this header need not see the chooser, which is the library's own.
    std::shared_ptr<EvictChooser> evicting;
    std::uint64_t fills = 0;  // frames written into the ring so far
    std::uint64_t reads = 0;  // and read out of it
    bool full() const { return count == slots.size(); }
    std::size_t tail() const { return (head + count) % slots.size(); }
  };
  struct Change;
  struct Group {
    std::size_t first = 0;  // filter stages [first, end)
    std::size_t end = 0;
    std::thread thread;
    std::thread::id id;
    std::uint64_t nextIndex = 0;  // input frames below it have been taken
    bool started = false;
    bool finished = false;
    std::vector<Change*> pending;
    // The group's thread sleeps on its own condition, so a hand-off wakes
    // the one thread it concerns, and only when that one sleeps.
    std::condition_variable wake;
    bool sleeping = false;
  };

  template <class Ready>
  void awaitGroup(Group& group, std::unique_lock<std::mutex>& lock, Ready ready);
  template <class Ready>
  void awaitCaller(std::unique_lock<std::mutex>& lock, Ready ready);
  void wakeGroup(std::size_t g);
  void wakeCallers();
  void wakeAll();
  void runGroup(std::size_t g);
  bool frameReady(std::size_t g) const;
  bool inputEnded(std::size_t g) const;
  void runFrame(std::size_t g, std::unique_lock<std::mutex>& lock);
  void applyPending(Group& group, std::unique_lock<std::mutex>& lock);
  tParamResult applyNow(std::size_t stage, const WCHAR* name, const VARIANT& value);
  void fail(const std::string& message);
  void joinAll();

  FilterChain& m_Chain;
  Source m_Source;
  Sink m_Sink;
  std::function<void()> m_Ended;
  std::vector<Stage> m_Stages;
  std::vector<Group> m_Groups;
  std::vector<Link> m_Links;  // m_Links[g] feeds group g; unused [0] with a source
  std::unique_ptr<FrameBuffer> m_SourceOwn;
  const IFrameBuffer* m_LastLent = nullptr;
  Figures m_SourceFigures;

  mutable std::mutex m_Mutex;  // guards everything the threads share below
  // Where push(), start() and setParameter() wait, and how many do.
  std::condition_variable m_CallerWake;
  std::size_t m_CallersWaiting = 0;
  // Counts the changes a waiting thread may care for; a thread spins on it
  // for a moment before it sleeps, since most waits end within that moment.
  std::atomic<std::uint32_t> m_Epoch{0};
  bool m_Abort = false;
  bool m_Pushing = false;
  bool m_SourceEnded = false;
  std::uint64_t m_NextIndex = 0;  // of the next frame pushed or drawn from the source
  std::string m_Error;

  std::atomic<bool> m_Running{false};
  std::chrono::steady_clock::time_point m_Begin;
  std::chrono::nanoseconds m_Wall{0};
};

// The first stage of each group when `costs` (one per stage, in order) are
// split into at most `threads` groups of adjacent stages so that the largest
// group sum is as small as it can be; of the splits that reach it, the one
// with the fewest groups. A group that starts at stage i > 0 pays `entry[i]`
// besides, where given: what taking its frames from another thread costs;
// and `handOver[i]` is paid there by whichever of the two groups it keeps
// the slowest group lower; `producerPays` receives, per group, whether the
// group before it pays that.
ORV_EXPORT std::vector<std::size_t> balanceStages(const std::vector<double>& costs, std::size_t threads,
                                                  const std::vector<double>& entry = {},
                                                  const std::vector<double>& handOver = {},
                                                  std::vector<bool>* producerPays = nullptr);

// Seconds per input frame of each filter of a negotiated, stopped `chain`,
// the least mean of three rounds of `frames` pushes of `frame` on the calling
// thread, after one that is not counted; the chain is started and stopped
// for it.
ORV_EXPORT bool measureStageCosts(FilterChain& chain, const IFrameBuffer& frame, unsigned frames,
                                  std::vector<double>& costs, std::string& error);

}  // namespace Pixlib
