// The parameter text of a filter, for hosts that want to tell their user why
// a text was rejected. saveFrameFilterData and the two-argument
// restoreFrameFilterData are declared with the frame types (frametype.h).
#pragma once

#include <string>

#include "framefilter.h"

namespace Pixlib {

struct FilterTraits;

// Restores a parameter text through `pCtrl`. Before anything is applied the
// whole text is checked: it is one JSON object; no key appears twice; every
// key names a parameter of the filter; every value is a number, true/false
// or a string, and converts to its parameter's type as setParameter converts
// it. A text that fails a check changes nothing. Then every value is set, in
// the text's order; a value the filter refuses (out of range, or not allowed
// while it streams) keeps the parameter as it was and the others are still
// set. Returns true when every value was set; otherwise `reason` names the
// key and what is wrong ("'Mode': 7 is refused: the value is out of range or
// not allowed"). With the filter's `traits` (filtertraits.h) the reason also
// gives the values the parameter takes; the setters stay the judge of them.
ORV_EXPORT bool restoreFrameFilterData(IParameterCtrl* pCtrl, const std::string& data, std::string& reason,
                                       const FilterTraits* traits = nullptr);

}  // namespace Pixlib
