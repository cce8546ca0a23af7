// A filter as the command line names it: NAME[@FILE][:PARAM=VALUE,...].
#pragma once

#include <string>
#include <vector>

namespace filterhost {

struct ParamSetting {
  std::string name;
  std::string value;
};

struct FilterRequest {
  std::string name;
  std::string loadFrom;  // parameter text applied before the settings
  std::string saveTo;    // where the parameter text goes once the settings are made
  std::vector<ParamSetting> settings;
};

// Splits at the first ':' (settings) and, before it, the first '@' (the
// parameter file). Settings are separated by ',' and split at their first
// '='; spaces around names and values are dropped.
bool parseFilterRequest(const std::string& text, FilterRequest& request, std::string& error);

}  // namespace filterhost
