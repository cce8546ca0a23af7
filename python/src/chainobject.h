// corefilters.Chain: filters in order on pixrt's FilterChain, negotiated once
// per frame shape and streamed.
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
  explicit ChainObject(std::vector<std::shared_ptr<FilterObject>> filters);
  ~ChainObject();
  ChainObject(const ChainObject&) = delete;
  ChainObject& operator=(const ChainObject&) = delete;

  // The chain's output for `frame`, or None while a filter holds frames back.
  py::object call(py::handle frame, py::handle out);
  void stop();
  const std::vector<std::shared_ptr<FilterObject>>& filters() const { return m_Filters; }

 private:
  void stopLocked();
  void startFor(Layout layout, LONG rows, LONG cols);

  std::mutex m_Mutex;
  std::vector<std::shared_ptr<FilterObject>> m_Filters;
  Pixlib::FilterChain m_Chain;
  bool m_Running = false;
  Layout m_Layout = Layout::Plane;
  LONG m_Rows = 0, m_Cols = 0;
  bool m_ReverseOut = false;
};

}  // namespace corefilters_py
