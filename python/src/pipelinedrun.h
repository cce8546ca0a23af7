// chain.run(frames) on a Chain made with threads: the frames go through
// pixrt's PipelinedChain, a thread per group of filters. The first group's
// thread takes each frame from the iterator (holding the GIL for that only)
// and the chain reads it in place; the last group's thread turns each output
// into an array for a short queue that iteration empties in order.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include "chainobject.h"
#include "pixrt/pipelinedchain.h"

namespace corefilters_py {

class PipelinedRun {
 public:
  PipelinedRun(std::shared_ptr<ChainObject> chain, py::object frames);
  // Drops the frames in flight when iteration stopped early.
  ~PipelinedRun();
  PipelinedRun(const PipelinedRun&) = delete;
  PipelinedRun& operator=(const PipelinedRun&) = delete;

  // The next output; StopIteration after the last, or what the iterator
  // or the chain raised once the outputs before it are out.
  py::object next();

 private:
  void start();
  void finish();
  const IFrameBuffer* give(std::uint64_t index);
  bool take(const IFrameBuffer& frame);
  void fail();

  std::shared_ptr<ChainObject> m_Chain;
  py::object m_Frames;  // an iterator
  Pixlib::PipelinedChain m_Pipe;
  bool m_Started = false, m_Stopped = false;

  // The first group's thread only, with the GIL.
  py::object m_First;  // taken before the start to negotiate
  py::object m_Held;   // the frame the chain reads at the moment
  std::optional<Pixlib::FrameBuffer> m_Lent;

  std::mutex m_Mutex;  // never waited for with the GIL held
  std::condition_variable m_Changed;
  std::deque<py::object> m_Ready;  // outputs not yet handed out
  bool m_Ended = false;            // the last thread has ended
  bool m_Dropped = false;          // iteration stopped early
  std::exception_ptr m_Failure;    // what the iterator or an array raised
};

}  // namespace corefilters_py
