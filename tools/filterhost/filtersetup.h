// Making filters by name and setting their parameters through the parameter
// interface, with refusals explained to the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filterrequest.h"
#include "pixrt/filtermodule.h"

namespace filterhost {

// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file, an image, the module or the chain failed
inline constexpr int kExitUsage = 2;    // the command line asks for something that does not exist or is refused

// One reference to a filter, and its parameter interface.
class FilterHandle {
 public:
  FilterHandle() = default;
  explicit FilterHandle(IFrameFilter* filter);  // takes over the caller's reference
  ~FilterHandle();
  FilterHandle(FilterHandle&& other) noexcept;
  FilterHandle& operator=(FilterHandle&& other) noexcept;
  FilterHandle(const FilterHandle&) = delete;
  FilterHandle& operator=(const FilterHandle&) = delete;

  IFrameFilter* filter() const { return m_pFilter; }
  IParameterCtrl* params() const { return m_pParams; }
  explicit operator bool() const { return m_pFilter != nullptr; }

 private:
  IFrameFilter* m_pFilter = nullptr;
  IParameterCtrl* m_pParams = nullptr;  // part of the filter, no reference of its own
};

// A parameter's name, type name and current value as text.
struct ParameterView {
  std::string name;
  std::string typeName;
  std::string value;
};
std::vector<ParameterView> parametersOf(IParameterCtrl* params);

// Creates the filter the request names, applies its parameter file (read up
// to `maxFileBytes`) and then its settings, and saves its parameter text when
// asked. On failure returns the exit code and sets `error`.
int makeFilter(Pixlib::FilterModule& module, const FilterRequest& request, std::uint64_t maxFileBytes,
               FilterHandle& handle, std::string& error);

// Writes the filter's parameter text to `path` ("{}" for a filter without
// parameters).
int saveParameterFile(const std::string& filterName, IParameterCtrl* params, const std::string& path,
                      std::string& error);

// The filter's parameter text, or empty when it has none.
std::string parameterText(IParameterCtrl* params);

}  // namespace filterhost
