// A filter's parameters in Python's spelling: keys with '_' between words,
// values as int or bool, list values also by name ("edge-sensing", "RG").
#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <vector>

#include "framefilter.h"
#include "pixrt/filtertraits.h"

namespace corefilters_py {

namespace py = pybind11;

struct ParamInfo {
  std::u16string name;  // as the filter names it: u"Start Pattern"
  std::string key;      // "start_pattern"
  std::string typeName; // "Long" or "Boolean"
  bool boolean = false;
  const Pixlib::ParameterTraits* traits = nullptr;  // null when the host table does not know it
};

// The parameters the filter describes, in its order.
std::vector<ParamInfo> describeParameters(IParameterCtrl* params, const Pixlib::FilterTraits* traits);

// The current value: bool for Boolean parameters, int otherwise.
py::object readParameter(IParameterCtrl* params, const ParamInfo& info);

// The number a Python value stands for when it is one, for the conversions the
// binding does itself; empty for a text the host table cannot read.
std::optional<long long> numberOf(const ParamInfo& info, py::handle value);

// Hands `value` to the setter and returns its result. `number` replaces the
// value when given. Raises TypeError for values of no usable Python type.
tParamResult writeParameter(IParameterCtrl* params, const ParamInfo& info, py::handle value,
                            std::optional<long long> number = std::nullopt);

// ValueError text for a refusal: names the filter, parameter, value and reason.
std::string refusalMessage(const std::string& filter, const ParamInfo& info, py::handle value, tParamResult result,
                           bool live);

}  // namespace corefilters_py
