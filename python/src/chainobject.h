// corefilters.Chain: filters in order on pixrt's FilterChain, negotiated once
// per frame shape and streamed; run() across threads when asked for.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>
#include <vector>

#include "filterobject.h"
#include "pixrt/filterchain.h"

namespace corefilters_py {

class ChainObject {
 public:
  // `threads` > 1 (0: one per core): run() spreads the filters over that
  // many threads; a single call stays on the calling thread.
  ChainObject(std::vector<std::shared_ptr<FilterObject>> filters, std::size_t threads);
  ~ChainObject();
  ChainObject(const ChainObject&) = delete;
  ChainObject& operator=(const ChainObject&) = delete;

  // The chain's output for `frame`, or None while a filter holds frames back.
  py::object call(py::handle frame, py::handle out);
  void stop();
  const std::vector<std::shared_ptr<FilterObject>>& filters() const { return m_Filters; }
  std::size_t threads() const { return m_Threads; }

  // For a run across threads, which drives the chain itself: ends a stream
  // on the calling thread, negotiates for frames like `first` and lets the
  // filters join; the chain is left unstarted. Calls fail until endRun().
  // Gives the checked first frame.
  py::array beginRun(py::handle first);
  void endRun();
  Pixlib::FilterChain& chain() { return m_Chain; }
  // `frame` as a C-contiguous array of the shape the run negotiated for;
  // ValueError or TypeError otherwise.
  py::array runInput(py::handle frame) const;
  // A new array holding the last filter's output `frame`.
  py::array newOutput(const IFrameBuffer& frame) const;

 private:
  void stopLocked();
  void startFor(Layout layout, LONG rows, LONG cols, bool startChain);
  py::array checkedInput(py::handle frame, Layout& layout, LONG& rows, LONG& cols) const;
  std::vector<py::ssize_t> outputShape() const;
  void copyOutput(const BYTE* from, py::array& output) const;

  std::mutex m_Mutex;
  std::vector<std::shared_ptr<FilterObject>> m_Filters;
  Pixlib::FilterChain m_Chain;
  std::size_t m_Threads = 1;
  bool m_Running = false;
  bool m_InRun = false;  // a run across threads has the chain
  Layout m_Layout = Layout::Plane;
  LONG m_Rows = 0, m_Cols = 0;
  bool m_ReverseOut = false;
};

}  // namespace corefilters_py
