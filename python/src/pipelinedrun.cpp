#include "pipelinedrun.h"

#include <string>
#include <vector>

namespace corefilters_py {
namespace {

// Outputs made ahead of iteration: enough to keep the threads busy while
// Python handles one, few enough to bound the memory.
constexpr std::size_t kAhead = 4;

}  // namespace

PipelinedRun::PipelinedRun(std::shared_ptr<ChainObject> chain, py::object frames)
    : m_Chain(std::move(chain)), m_Frames(std::move(frames)), m_Pipe(m_Chain->chain()) {}

PipelinedRun::~PipelinedRun() {
  if (!m_Started || m_Stopped) return;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Dropped = true;
    m_Changed.notify_all();
  }
  {
    py::gil_scoped_release release;
    m_Pipe.stop(Pixlib::PipelinedChain::Stop::Drop);
  }
  m_Chain->endRun();
}

void PipelinedRun::start() {
  m_Started = true;
  m_First = py::reinterpret_steal<py::object>(PyIter_Next(m_Frames.ptr()));
  if (!m_First) {
    m_Stopped = true;
    if (PyErr_Occurred()) throw py::error_already_set();
    return;
  }
  m_Stopped = true;  // until the chain is ours
  py::array first = m_Chain->beginRun(m_First);
  m_Stopped = false;
  Pixlib::PipelinedChain::Options options;
  options.threads = m_Chain->threads();
  options.source = [this](std::uint64_t index, IFrameBuffer&) { return give(index); };
  options.sink = [this](const IFrameBuffer& frame, std::uint64_t) { return take(frame); };
  options.ended = [this] {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Ended = true;
    m_Changed.notify_all();
  };
  std::string error;
  bool started;
  {
    py::gil_scoped_release release;
    // The groups are balanced on what each filter costs on the first frame;
    // the source lends the arrays and costs next to nothing.
    Pixlib::FrameBuffer frame(m_Chain->chain().inputType(), static_cast<BYTE*>(const_cast<void*>(first.data())));
    started = Pixlib::measureStageCosts(m_Chain->chain(), frame, 2, options.costs, error);
    options.costs.insert(options.costs.begin(), 0.0);
    started = started && m_Pipe.start(std::move(options), error);
  }
  if (!started) {
    m_Stopped = true;
    m_Chain->endRun();
    throw py::value_error(error);
  }
}

const IFrameBuffer* PipelinedRun::give(std::uint64_t index) {
  py::gil_scoped_acquire gil;
  try {
    py::object frame = index == 0 ? std::move(m_First) : py::reinterpret_steal<py::object>(PyIter_Next(m_Frames.ptr()));
    if (!frame) {
      if (PyErr_Occurred()) throw py::error_already_set();
      m_Held = py::object();
      return nullptr;
    }
    py::array input = m_Chain->runInput(frame);
    m_Lent.emplace(m_Chain->chain().inputType(), static_cast<BYTE*>(const_cast<void*>(input.data())));
    m_Held = std::move(input);
    return &*m_Lent;
  } catch (...) {
    // Ends the input; the frames before it still come out, then it is raised.
    fail();
    m_Held = py::object();
    return nullptr;
  }
}

bool PipelinedRun::take(const IFrameBuffer& frame) {
  py::object out;
  {
    py::gil_scoped_acquire gil;
    try {
      out = m_Chain->newOutput(frame);
    } catch (...) {
      fail();
      return false;
    }
  }
  std::unique_lock<std::mutex> lock(m_Mutex);
  m_Changed.wait(lock, [this] { return m_Ready.size() < kAhead || m_Dropped; });
  if (m_Dropped) {
    lock.unlock();
    py::gil_scoped_acquire gil;
    out = py::object();
    return false;
  }
  m_Ready.push_back(std::move(out));
  m_Changed.notify_all();
  return true;
}

void PipelinedRun::fail() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (!m_Failure) m_Failure = std::current_exception();
}

py::object PipelinedRun::next() {
  if (!m_Started) start();
  if (m_Stopped) throw py::stop_iteration();
  py::object out;
  {
    py::gil_scoped_release release;
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Ready.empty() || m_Ended; });
    if (!m_Ready.empty()) {
      out = std::move(m_Ready.front());
      m_Ready.pop_front();
      m_Changed.notify_all();
    }
  }
  if (out) return out;
  finish();
  throw py::stop_iteration();
}

void PipelinedRun::finish() {
  m_Stopped = true;
  bool finished;
  {
    py::gil_scoped_release release;
    finished = m_Pipe.stop(Pixlib::PipelinedChain::Stop::Drain);
  }
  m_Chain->endRun();
  if (m_Failure) std::rethrow_exception(m_Failure);
  if (!finished) throw std::runtime_error("the chain stopped: " + m_Pipe.error());
}

}  // namespace corefilters_py
