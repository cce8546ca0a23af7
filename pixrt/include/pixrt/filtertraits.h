// What a host knows about the module's filters beyond their descriptors.
//
// A filter describes its parameters by name and type only. Ranges, the names
// of list values, which parameters may change while frames flow and which
// filters emit fewer frames than they take are written here, once, for every
// host: the tool's listing and messages, the GStreamer elements and the
// Python binding. The filter's setters stay the judge of every value; this
// table only explains and presents.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "framefilter.h"

namespace Pixlib {

// When a parameter may be set while the filter is streaming.
enum class LiveChange {
  Allowed,       // any value it takes when stopped, from the next frame on
  KeepingShape,  // only values that keep the negotiated output frame size
  Refused,       // never: the setter answers eParamLiveMode
};

// One value of a parameter picked from a list.
struct ValueName {
  std::int32_t value;
  std::string_view nick;   // for command lines and enums: "edge-sensing"
  std::string_view label;  // as the filter's dialog shows it: "Edge Sensing"
};

struct ParameterTraits {
  std::u16string_view name;  // as the filter names it: u"Start Pattern"
  std::string_view key;      // host spelling: "start-pattern" ('_' in Python)
  std::string_view blurb;    // one sentence for property browsers
  bool boolean;              // a Boolean parameter; otherwise a Long
  std::int32_t minimum;      // the values the setter takes (booleans: 0..1)
  std::int32_t maximum;
  std::span<const ValueName> values;  // non-empty: only these values are taken
  LiveChange live;
};

struct FilterTraits {
  std::u16string_view name;  // as the factory lists it: u"Rotate Flip"
  std::string_view key;      // host spelling: "rotflip"
  std::string_view description;
  bool alwaysEmits;  // one output frame for every input frame it takes
  std::span<const ParameterTraits> parameters;
};

// Every filter of the module.
ORV_EXPORT std::span<const FilterTraits> allFilterTraits();

// Looked up by the filter's name or key; null for a filter the table does not
// know (a module of another version), which a host then treats as having no
// ranges, changing nothing while live and always emitting.
ORV_EXPORT const FilterTraits* findFilterTraits(std::u16string_view name);
ORV_EXPORT const FilterTraits* findFilterTraitsByKey(std::string_view key);

// By the parameter's name, or by its key with '-' or '_' between words.
ORV_EXPORT const ParameterTraits* findParameterTraits(const FilterTraits& filter, std::u16string_view name);
ORV_EXPORT const ParameterTraits* findParameterTraitsByKey(const FilterTraits& filter, std::string_view key);

// The value a text names: a number, a nick or a label (case-insensitive);
// empty when it names none. Only for list parameters does a name count.
ORV_EXPORT std::optional<std::int32_t> valueFromText(const ParameterTraits& param, std::string_view text);

// The values a parameter takes, for messages and listings:
// "0..3: 0 RG, 1 GB, 2 GR, 3 BG", "0, 90, 180, 270", "true or false", "0..7".
ORV_EXPORT std::string describeValues(const ParameterTraits& param);

// Why a setter refused a value, in words a user can act on; `param` may be
// null (a parameter the table does not know).
ORV_EXPORT std::string refusalReason(const ParameterTraits* param, tParamResult result);

}  // namespace Pixlib
