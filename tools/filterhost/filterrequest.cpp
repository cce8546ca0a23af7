#include "filterrequest.h"

namespace filterhost {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool parseFilterRequest(const std::string& text, FilterRequest& request, std::string& error) {
  request = FilterRequest{};
  const auto colon = text.find(':');
  const std::string head = text.substr(0, colon);
  const auto at = head.find('@');
  request.name = trimmed(head.substr(0, at));
  if (at != std::string::npos) request.loadFrom = trimmed(head.substr(at + 1));
  if (request.name.empty()) {
    error = "'" + text + "' names no filter (expected NAME[@FILE][:PARAM=VALUE,...])";
    return false;
  }
  if (at != std::string::npos && request.loadFrom.empty()) {
    error = "'" + text + "' has '@' but no parameter file after it";
    return false;
  }
  if (colon == std::string::npos) return true;

  std::string rest = text.substr(colon + 1);
  std::size_t begin = 0;
  while (begin <= rest.size()) {
    const auto comma = rest.find(',', begin);
    const std::string item = rest.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
    begin = comma == std::string::npos ? rest.size() + 1 : comma + 1;
    const std::string shown = trimmed(item);
    if (shown.empty()) continue;
    const auto equals = item.find('=');
    if (equals == std::string::npos) {
      error = "'" + shown + "' in '" + text + "' is not PARAM=VALUE";
      return false;
    }
    ParamSetting setting{trimmed(item.substr(0, equals)), trimmed(item.substr(equals + 1))};
    if (setting.name.empty()) {
      error = "'" + shown + "' in '" + text + "' names no parameter";
      return false;
    }
    request.settings.push_back(std::move(setting));
  }
  return true;
}

}  // namespace filterhost
