#include "pixrt/pipelinedchain.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <system_error>
#include <tuple>
#include <utility>

#include "cacheevict.h"
#include "evictchooser.h"
#include "pixrt/filtertraits.h"

namespace Pixlib {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// How long a thread that finds nothing to do watches for a change before it
// sleeps: a futex wake-up costs far more than this on a virtual machine,
// while the cheap stages of a chain usually wait only a little.
constexpr auto kSpin = std::chrono::microseconds(30);

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

std::string quoted(const std::string& name) { return "'" + name + "'"; }

// Filters the host-side table does not know are taken to always emit.
bool alwaysEmits(IFrameFilter* filter) {
  FilterInfo info{};
  filter->getFilterInfo(&info);
  const FilterTraits* traits = findFilterTraits(info.name);
  return !traits || traits->alwaysEmits;
}

// A filter answers a failure instead of throwing.
std::string failureText(HRESULT hr) {
  return hr == E_OUTOFMEMORY ? " ran out of memory" : " failed";
}

std::string whatOf(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return "ran out of memory";
  } catch (const std::exception& e) {
    return std::string("failed: ") + e.what();
  } catch (...) {
    return "failed";
  }
}

// Seconds per byte a frame made by another thread costs: the group that
// takes it reads it from the other core's caches or from memory, some
// 17 ps/byte above a read from its own caches, and one of the two groups
// evicts it from every cache (see evictLines), some 25 ps/byte, on the
// machines measured.
constexpr double kReadAcrossSecondsPerByte = 17e-12;
constexpr double kEvictSecondsPerByte = 25e-12;

struct Layout {
  std::vector<std::pair<std::size_t, std::size_t>> groups;  // filter stages [first, end)
  std::vector<bool> producerEvicts;                         // per group: the ring feeding it
};

// The groups for a chain of `filters` stages, the source (with one) counting
// as a stage before them.
Layout stageGroups(const FilterChain& chain, bool hasSource, const PipelinedChain::Options& options) {
  const std::size_t filters = chain.size();
  const std::size_t elements = filters + (hasSource ? 1 : 0);
  // Element e is the source (with one) or filter e - offset.
  const std::size_t offset = hasSource ? 1 : 0;
  std::vector<double> costs = options.costs;
  // Measured costs are seconds, and so is a frame's crossing; with none, the
  // stages count the same and a crossing nothing.
  std::vector<double> entry, evict;
  if (costs.size() == elements) {
    entry.assign(elements, 0.0);
    evict.assign(elements, 0.0);
    for (std::size_t e = 1; e < elements; ++e) {
      const std::size_t filter = e - offset;
      const double bytes = (filter == 0 ? chain.inputType() : chain.outputTypeOf(filter - 1)).buffersize;
      entry[e] = kReadAcrossSecondsPerByte * bytes;
      evict[e] = kEvictSecondsPerByte * bytes;
    }
  } else {
    costs.assign(elements, 1.0);
  }
  const std::size_t threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  Layout layout;
  const std::vector<std::size_t> starts =
      balanceStages(costs, std::min(threads, elements), entry, evict, &layout.producerEvicts);
  for (std::size_t g = 0; g < starts.size(); ++g) {
    const std::size_t endElement = g + 1 < starts.size() ? starts[g + 1] : elements;
    layout.groups.emplace_back(starts[g] > offset ? starts[g] - offset : 0, endElement - offset);
  }
  return layout;
}

}  // namespace

std::uint64_t PipelinedChain::frameBytes(const FilterChain& chain, const Options& options) {
  const bool hasSource = static_cast<bool>(options.source);
  const auto groups = stageGroups(chain, hasSource, options).groups;
  const std::uint64_t depth = std::max<std::size_t>(1, options.queueDepth);
  std::uint64_t bytes = 0;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const auto [first, end] = groups[g];
    if (g == 0 && hasSource) {
      if (end > 0) bytes += chain.inputType().buffersize;  // what the source fills
    } else {
      bytes += depth * (first == 0 ? chain.inputType() : chain.outputTypeOf(first - 1)).buffersize;
    }
    for (std::size_t s = first; s < end; ++s)
      if (s + 1 < end || s + 1 == chain.size()) bytes += chain.outputTypeOf(s).buffersize;
  }
  return bytes;
}

// A parameter change waiting for its stage's thread.
struct PipelinedChain::Change {
  std::size_t stage;
  const WCHAR* name;
  const VARIANT* value;
  tParamResult result = eParamOk;
  std::uint64_t fromFrame = 0;
  bool done = false;
};

PipelinedChain::~PipelinedChain() {
  if (m_Running) stop(Stop::Drop);
}

std::string PipelinedChain::error() const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Error;
}

const IFrameBuffer* PipelinedChain::lastInput() const {
  if (m_Source && m_SourceFigures.framesOut == 0) return nullptr;
  if (m_LastLent) return m_LastLent;
  if (m_SourceOwn) return m_SourceOwn.get();
  const Link& link = m_Links[m_Source ? 1 : 0];
  return link.last == SIZE_MAX ? nullptr : link.slots[link.last].get();
}

const IFrameBuffer* PipelinedChain::outputOf(std::size_t stage) const {
  const Stage& s = m_Stages[stage];
  if (s.figures.framesOut == 0) return nullptr;
  if (s.own) return s.own.get();
  const Link& link = m_Links[s.group + 1];
  return link.last == SIZE_MAX ? nullptr : link.slots[link.last].get();
}

bool PipelinedChain::start(Options options, std::string& error) {
  if (m_Running) {
    error = "the pipelined chain is running already";
    return false;
  }
  if (m_Chain.running()) {
    error = "the chain is running on the calling thread";
    return false;
  }
  const std::size_t filters = m_Chain.size();
  bool negotiated = filters > 0;
  for (std::size_t i = 0; i < filters && negotiated; ++i)
    negotiated = m_Chain.inputTypeOf(i).buffersize != 0 && m_Chain.outputTypeOf(i).buffersize != 0;
  if (!negotiated) {
    error = "the chain's types have not been negotiated";
    return false;
  }

  m_Source = std::move(options.source);
  m_Sink = std::move(options.sink);
  m_Ended = std::move(options.ended);
  const bool hasSource = static_cast<bool>(m_Source);
  const Layout layout = stageGroups(m_Chain, hasSource, options);
  const auto& groups = layout.groups;
  m_Stages = std::vector<Stage>(filters);
  m_Groups = std::vector<Group>(groups.size());
  for (std::size_t g = 0; g < groups.size(); ++g) {
    std::tie(m_Groups[g].first, m_Groups[g].end) = groups[g];
    for (std::size_t s = m_Groups[g].first; s < m_Groups[g].end; ++s) m_Stages[s].group = g;
  }
  for (std::size_t s = 0; s < filters; ++s) {
    m_Stages[s].filter = m_Chain.filterOf(s);
    m_Stages[s].alwaysEmits = alwaysEmits(m_Stages[s].filter);
  }

  // Every buffer the run needs, made now.
  const std::size_t depth = std::max<std::size_t>(1, options.queueDepth);
  m_Links = std::vector<Link>(m_Groups.size());
  std::string making = hasSource ? "the source" : "the chain's input";
  try {
    m_SourceOwn.reset();
    if (hasSource && m_Groups[0].end > 0) m_SourceOwn = std::make_unique<FrameBuffer>(m_Chain.inputType());
    for (std::size_t g = 0; g < m_Groups.size(); ++g) {
      if (g == 0 && hasSource) continue;
      const FrameTypeInfo& type = m_Groups[g].first == 0 ? m_Chain.inputType() : m_Chain.outputTypeOf(m_Groups[g].first - 1);
      if (m_Groups[g].first > 0) making = quoted(m_Chain.nameOf(m_Groups[g].first - 1));
      Link& link = m_Links[g];
      link.producerEvicts = layout.producerEvicts[g];
      link.evicting = std::make_shared<EvictChooser>(depth);
      link.index.assign(depth, 0);
      for (std::size_t i = 0; i < depth; ++i) link.slots.push_back(std::make_unique<FrameBuffer>(type));
    }
    for (std::size_t s = 0; s < filters; ++s) {
      const bool endsGroup = s + 1 == m_Groups[m_Stages[s].group].end;
      const bool endsChain = s + 1 == filters;
      making = quoted(m_Chain.nameOf(s));
      if (!endsGroup || endsChain) m_Stages[s].own = std::make_unique<FrameBuffer>(m_Chain.outputTypeOf(s));
    }
  } catch (const std::bad_alloc&) {
    error = "no memory for the frames of " + making;
    m_Links.clear();
    m_Stages.clear();
    m_Groups.clear();
    return false;
  }

  m_SourceFigures = Figures{};
  m_LastLent = nullptr;
  m_Abort = m_Pushing = m_SourceEnded = false;
  m_NextIndex = 0;
  m_Error.clear();
  m_Running = true;
  m_Begin = Clock::now();
  for (std::size_t g = 0; g < m_Groups.size(); ++g) {
    try {
      m_Groups[g].thread = std::thread(&PipelinedChain::runGroup, this, g);
    } catch (const std::system_error& e) {
      const Group& group = m_Groups[g];
      fail("no thread for " + (group.first == group.end ? std::string("the source") : quoted(m_Chain.nameOf(group.first))) +
           ": " + e.what());
      joinAll();
      m_Running = false;
      error = m_Error;
      return false;
    }
  }
  std::unique_lock<std::mutex> lock(m_Mutex);
  awaitCaller(lock, [this] {
    return std::all_of(m_Groups.begin(), m_Groups.end(), [](const Group& g) { return g.started; });
  });
  return true;
}

bool PipelinedChain::push(const IFrameBuffer& frame) {
  if (!m_Running || m_Source || !frame.getBufferPtr()) return false;
  const FrameTypeInfo& want = m_Chain.inputType();
  const FrameTypeInfo& type = frame.getFrameType();
  if (type.subtype != want.subtype || type.dim.cx != want.dim.cx || type.dim.cy != want.dim.cy ||
      type.buffersize < want.buffersize)
    return false;

  Link& in = m_Links[0];
  std::unique_lock<std::mutex> lock(m_Mutex);
  awaitCaller(lock, [&] { return m_Abort || in.closed || !in.full(); });
  if (m_Abort || in.closed) return false;
  const std::size_t slot = in.tail();
  m_Pushing = true;
  lock.unlock();
  const Clock::time_point begin = Clock::now();
  std::memcpy(in.slots[slot]->getBufferPtr(), frame.getBufferPtr(), want.buffersize);
  const double copied = seconds(Clock::now() - begin);
  lock.lock();
  m_Pushing = false;
  in.evicting->wrote(in.fills++, copied);
  in.index[slot] = m_NextIndex++;
  ++in.count;
  in.last = slot;
  wakeGroup(0);
  return true;
}

bool PipelinedChain::stop(Stop how) {
  if (!m_Running) return m_Error.empty();
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (how == Stop::Drop)
      m_Abort = true;
    else if (!m_Source)
      m_Links[0].closed = true;
    wakeAll();
  }
  joinAll();
  m_Wall = Clock::now() - m_Begin;
  m_Running = false;
  return m_Error.empty();
}

void PipelinedChain::joinAll() {
  for (Group& g : m_Groups)
    if (g.thread.joinable()) g.thread.join();
}

void PipelinedChain::fail(const std::string& message) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (m_Error.empty()) m_Error = message;
  m_Abort = true;
  wakeAll();
}

void PipelinedChain::wakeGroup(std::size_t g) {
  m_Epoch.fetch_add(1, std::memory_order_release);
  if (m_Groups[g].sleeping) m_Groups[g].wake.notify_one();
}

void PipelinedChain::wakeCallers() {
  m_Epoch.fetch_add(1, std::memory_order_release);
  if (m_CallersWaiting) m_CallerWake.notify_all();
}

void PipelinedChain::wakeAll() {
  for (std::size_t g = 0; g < m_Groups.size(); ++g) wakeGroup(g);
  wakeCallers();
}

// Both are called with the lock held and return with it held and `ready()`.
template <class Ready>
void PipelinedChain::awaitGroup(Group& group, std::unique_lock<std::mutex>& lock, Ready ready) {
  if (ready()) return;
  const std::uint32_t seen = m_Epoch.load(std::memory_order_acquire);
  lock.unlock();
  const Clock::time_point until = Clock::now() + kSpin;
  for (unsigned i = 1; m_Epoch.load(std::memory_order_acquire) == seen; ++i) {
    relax();
    if (i % 64 == 0 && Clock::now() >= until) break;
  }
  lock.lock();
  if (ready()) return;
  group.sleeping = true;
  group.wake.wait(lock, ready);
  group.sleeping = false;
}

template <class Ready>
void PipelinedChain::awaitCaller(std::unique_lock<std::mutex>& lock, Ready ready) {
  if (ready()) return;
  ++m_CallersWaiting;
  m_CallerWake.wait(lock, ready);
  --m_CallersWaiting;
}

tParamResult PipelinedChain::applyNow(std::size_t stage, const WCHAR* name, const VARIANT& value) {
  IFrameFilter* filter = m_Chain.filterOf(stage);
  filter->lock();
  const tParamResult result = filter->setParameter(name, &value);
  filter->unlock();
  return result;
}

tParamResult PipelinedChain::setParameter(std::size_t stage, const WCHAR* name, const VARIANT& value,
                                          std::uint64_t* fromFrame) {
  if (stage >= m_Chain.size()) return eParamNotFound;
  if (fromFrame) *fromFrame = 0;
  if (!m_Running) return applyNow(stage, name, value);
  Group& group = m_Groups[m_Stages[stage].group];
  std::unique_lock<std::mutex> lock(m_Mutex);
  // On the stage's own thread (from the source or the sink) it is between
  // two frames already; after the thread's last frame nothing races.
  if (group.finished || group.id == std::this_thread::get_id()) {
    if (fromFrame) *fromFrame = group.nextIndex;
    lock.unlock();
    return applyNow(stage, name, value);
  }
  Change change{stage, name, &value};
  group.pending.push_back(&change);
  wakeGroup(m_Stages[stage].group);
  awaitCaller(lock, [&] { return change.done; });
  if (fromFrame) *fromFrame = change.fromFrame;
  return change.result;
}

void PipelinedChain::applyPending(Group& group, std::unique_lock<std::mutex>& lock) {
  std::vector<Change*> changes;
  changes.swap(group.pending);
  const std::uint64_t from = group.nextIndex;
  lock.unlock();
  for (Change* c : changes) {
    c->result = applyNow(c->stage, c->name, *c->value);
    c->fromFrame = from;
  }
  lock.lock();
  for (Change* c : changes) c->done = true;
  wakeCallers();
}

bool PipelinedChain::frameReady(std::size_t g) const {
  const bool input = (g == 0 && m_Source) ? !m_SourceEnded : m_Links[g].count > 0;
  const bool output = g + 1 == m_Groups.size() || !m_Links[g + 1].full();
  return input && output;
}

bool PipelinedChain::inputEnded(std::size_t g) const {
  if (g == 0 && m_Source) return m_SourceEnded;
  const Link& in = m_Links[g];
  if (g == 0 && m_Pushing) return false;
  if (in.count > 0) return false;
  return g == 0 ? in.closed : m_Groups[g - 1].finished;
}

void PipelinedChain::runGroup(std::size_t g) {
  Group& group = m_Groups[g];
  for (std::size_t s = group.first; s < group.end; ++s) {
    const HRESULT hr = m_Stages[s].filter->notifyStart_(m_Chain.inputTypeOf(s), m_Chain.outputTypeOf(s));
    if (FAILED(hr)) fail(quoted(m_Chain.nameOf(s)) + failureText(hr));
  }
  std::unique_lock<std::mutex> lock(m_Mutex);
  group.id = std::this_thread::get_id();
  group.started = true;
  wakeCallers();
  for (;;) {
    awaitGroup(group, lock, [&] { return m_Abort || !group.pending.empty() || frameReady(g) || inputEnded(g); });
    if (!group.pending.empty())
      applyPending(group, lock);
    else if (m_Abort || (!frameReady(g) && inputEnded(g)))
      break;
    else if (frameReady(g))
      runFrame(g, lock);
  }
  lock.unlock();
  for (std::size_t s = group.first; s < group.end; ++s) {
    const HRESULT hr = m_Stages[s].filter->notifyStop_();
    if (FAILED(hr)) fail(quoted(m_Chain.nameOf(s)) + failureText(hr));
  }
  lock.lock();
  while (!group.pending.empty()) applyPending(group, lock);
  // The next group drains what is left in its ring, then ends too.
  group.finished = true;
  if (g + 1 < m_Groups.size()) {
    wakeGroup(g + 1);
    return;
  }
  lock.unlock();
  if (m_Ended) m_Ended();
}

// Called with the lock held and a frame ready; transforms outside the lock.
void PipelinedChain::runFrame(std::size_t g, std::unique_lock<std::mutex>& lock) {
  Group& group = m_Groups[g];
  const bool fromSource = g == 0 && m_Source;
  const bool last = g + 1 == m_Groups.size();
  Link* in = fromSource ? nullptr : &m_Links[g];
  Link* out = last ? nullptr : &m_Links[g + 1];
  const std::uint64_t index = fromSource ? m_NextIndex++ : in->index[in->head];
  const std::size_t outSlot = out ? out->tail() : 0;
  group.nextIndex = index + 1;
  // The fills this frame reads and may write, and whether their slots are
  // evicted: the reader evicts for the fill after the ring's next round.
  const std::uint64_t readFill = in ? in->reads : 0, writeFill = out ? out->fills : 0;
  const bool evictOut = out && out->producerEvicts && out->evicting->evictBefore(writeFill);
  const bool evictIn = in && !in->producerEvicts && in->evicting->evictBefore(readFill + in->slots.size());
  lock.unlock();

  // Where stage s writes: its own frame, or the ring towards the next group.
  const auto destOf = [&](std::size_t s) -> FrameBuffer& {
    return m_Stages[s].own ? *m_Stages[s].own : *out->slots[outSlot];
  };
  // Whoever runs at the moment, for a failure; named only then, so that a
  // frame allocates nothing.
  constexpr std::size_t kSource = SIZE_MAX, kSink = SIZE_MAX - 1;
  std::size_t who = kSource;
  const auto nameOfWho = [&] {
    return who == kSource ? std::string("the source")
           : who == kSink ? std::string("the receiver of the frames")
                          : quoted(m_Chain.nameOf(who));
  };
  bool produced = true;
  bool sourceEnded = false;
  std::string failure;
  // What the crossings cost this frame, for the rings' choice of eviction.
  double evictOutTime = 0, writeTime = 0, readTime = 0, evictInTime = 0;
  const auto timeEviction = [](const FrameBuffer& slot) {
    const Clock::time_point begin = Clock::now();
    evictLines(slot.getBufferPtr(), slot.size());
    return seconds(Clock::now() - begin);
  };
  try {
    if (evictOut) evictOutTime = timeEviction(*out->slots[outSlot]);
    const IFrameBuffer* frame = fromSource ? nullptr : in->slots[in->head].get();
    if (fromSource) {
      FrameBuffer& dest = m_SourceOwn ? *m_SourceOwn : *out->slots[outSlot];
      const Clock::time_point begin = Clock::now();
      frame = m_Source(index, dest);
      if (frame && frame != &dest) {
        const FrameTypeInfo& type = frame->getFrameType();
        if (!frame->getBufferPtr() || type.subtype != dest.getFrameType().subtype ||
            type.dim.cx != dest.getFrameType().dim.cx || type.dim.cy != dest.getFrameType().dim.cy ||
            type.buffersize < dest.size())
          throw std::runtime_error("lent a frame of another type");
        // Read in place, unless the source runs alone and hands on a copy.
        if (!m_SourceOwn) {
          std::memcpy(dest.getBufferPtr(), frame->getBufferPtr(), dest.size());
          frame = &dest;
        }
      }
      if (frame) m_LastLent = frame == &dest ? nullptr : frame;
      const Clock::duration took = Clock::now() - begin;
      m_SourceFigures.busy += took;
      writeTime = seconds(took);
      sourceEnded = !frame;
      produced = !sourceEnded;
      if (produced) {
        ++m_SourceFigures.framesIn;
        ++m_SourceFigures.framesOut;
      }
    }
    for (std::size_t s = group.first; produced && s < group.end; ++s) {
      Stage& stage = m_Stages[s];
      who = s;
      FrameBuffer& dest = destOf(s);
      ++stage.figures.framesIn;
      const Clock::time_point begin = Clock::now();
      const HRESULT hr = stage.filter->transform_(*frame, dest);
      const Clock::duration took = Clock::now() - begin;
      stage.figures.busy += took;
      if (s == group.first && in) readTime = seconds(took);
      if (s + 1 == group.end) writeTime = seconds(took);
      if (hr != S_OK) {
        produced = false;
        if (FAILED(hr)) {
          failure = nameOfWho() + failureText(hr);
          break;
        }
        // Held back or refused; only a filter that always emits is short.
        if (stage.alwaysEmits) ++stage.figures.missing;
        break;
      }
      ++stage.figures.framesOut;
      frame = &dest;
    }
    who = kSink;
    if (produced && last && m_Sink && !m_Sink(*frame, index)) failure = nameOfWho() + " stopped the chain";
    // Out of every cache before the slot goes back (or, above, before it is
    // filled again, where the balancing found the producer has the time),
    // where the ring found that it pays: the thread that fills it then
    // writes at the memory's pace instead of taking each line back from the
    // core that read it.
    if (evictIn) evictInTime = timeEviction(*in->slots[in->head]);
  } catch (...) {
    failure = nameOfWho() + " " + whatOf(std::current_exception());
    produced = false;
  }

  lock.lock();
  if (in) {
    // Before the slot goes back: the eviction is the first part of the
    // fill after it.
    in->evicting->read(readFill, readTime);
    if (evictIn) in->evicting->evicted(readFill + in->slots.size(), evictInTime);
    ++in->reads;
    in->head = (in->head + 1) % in->slots.size();
    --in->count;
    // A slot came free for whoever fills this ring.
    if (g == 0)
      wakeCallers();
    else
      wakeGroup(g - 1);
  }
  if (sourceEnded) m_SourceEnded = true;
  if (evictOut) out->evicting->evicted(writeFill, evictOutTime);
  if (produced && out) {
    out->evicting->wrote(writeFill, writeTime);
    ++out->fills;
    out->index[outSlot] = index;
    out->last = outSlot;
    ++out->count;
    wakeGroup(g + 1);
  }
  if (!failure.empty()) {
    if (m_Error.empty()) m_Error = failure;
    m_Abort = true;
    wakeAll();
  }
}

}  // namespace Pixlib
