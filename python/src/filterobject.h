// corefilters.Filter: one filter of the module, its parameters and its stream.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <mutex>
#include <string>
#include <vector>

#include "arrayframes.h"
#include "parameters.h"
#include "pixrt/filtermodule.h"

namespace corefilters_py {

// The module, loaded on import and never unloaded: Python keeps extension
// libraries loaded to the end, and filters may outlive any owner.
Pixlib::FilterModule& loadedModule();

// Waits for `mutex` without holding the GIL, so a thread that holds the mutex
// while it waits for the GIL can always go on.
std::unique_lock<std::mutex> lockWithoutGil(std::mutex& mutex);

class FilterObject {
 public:
  // Makes the filter `name` (its name or key); ValueError when there is none.
  explicit FilterObject(const std::string& name);
  ~FilterObject();
  FilterObject(const FilterObject&) = delete;
  FilterObject& operator=(const FilterObject&) = delete;

  const std::string& name() const { return m_Name; }
  IFrameFilter* filter() const { return m_pFilter; }
  const std::vector<ParamInfo>& parameters() const { return m_Params; }
  const ParamInfo* findParameter(const std::string& key) const;

  py::object get(const std::string& key);
  void set(const std::string& key, py::handle value);
  std::string save();
  void load(const std::string& text);
  void showDialog();

  // out = f(frame) / f(frame, out=buf); None while DeNoise is inside a run.
  py::object call(py::handle frame, py::handle out);
  // Ends the stream; the next frame starts a new one.
  void stop();
  bool live() const { return m_Live; }
  std::string expectedInputs() const;

  // A chain drives the filter: the chain's stream decides what it sees.
  // `flipped` and `rows` describe the frames reaching it (see Declaration).
  void joinStream(bool flipped, LONG rows);
  void leaveStream();
  bool inChain() const { return m_InChain; }
  std::mutex& mutex() { return m_Mutex; }

 private:
  void stopLocked();
  void enterView(bool flipped, LONG rows);
  void leaveView();
  void mirrorRotationAngle();
  bool setLocked(const ParamInfo& info, py::handle value, tParamResult& result);
  py::object getLocked(const ParamInfo& info);

  std::mutex m_Mutex;  // one stream at a time: frames, parameters, start and stop
  IFrameFilter* m_pFilter = nullptr;
  IParameterCtrl* m_pParams = nullptr;
  const Pixlib::FilterTraits* m_pTraits = nullptr;
  std::string m_Name;
  std::vector<ParamInfo> m_Params;
  std::vector<Layout> m_Layouts;

  // The stream: started on the first frame, ended by stop(), a frame of
  // another shape, or the filter's end.
  bool m_Live = false;
  bool m_InChain = false;
  Layout m_Layout = Layout::Plane;
  LONG m_Rows = 0, m_Cols = 0;
  Declaration m_Decl;
  std::vector<BYTE> m_Reversed;  // output staging when rows must be turned over

  // While the module sees the frames upside down, its "Top" and "Rotation
  // Angle" are the array's bottom and opposite turn; the binding translates.
  bool m_Flipped = false;
  LONG m_ViewRows = 0;
};

}  // namespace corefilters_py
