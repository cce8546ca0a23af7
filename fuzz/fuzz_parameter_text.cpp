// The parameter text a host hands to a filter: the input read as UTF-8 and,
// a second time, as raw UTF-16 code units, through restoreParameters of every
// filter. A text the filter accepted and saves again must restore into a
// fresh filter and save to the same text.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_filters.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace {

using orv_fuzz::FilterRef;

// The filter's saved text; empty for a filter without parameters.
std::u16string savedText(const FilterRef& filter) {
  WCHAR* text = nullptr;
  const tParamResult result = filter.params()->saveParameters(&text);
  FUZZ_REQUIRE(result == eParamOk || result == eParamNotFound);
  FUZZ_REQUIRE((result == eParamOk) == (text != nullptr));
  std::u16string copy = text ? std::u16string(text) : std::u16string();
  CoTaskMemFree(text);
  return copy;
}

void restoreIntoEveryFilter(const std::u16string& text) {
  for (unsigned index = 0; index < orv_fuzz::kFilterCount; ++index) {
    FilterRef filter(index);
    const tParamResult result = filter.params()->restoreParameters(text.c_str());
    FUZZ_REQUIRE(result == eParamOk || result == eParamFailed);
    const std::u16string saved = savedText(filter);
    if (saved.empty()) continue;
    FilterRef fresh(index);
    FUZZ_REQUIRE(fresh.params()->restoreParameters(saved.c_str()) == eParamOk);
    FUZZ_REQUIRE(savedText(fresh) == saved);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  restoreIntoEveryFilter(orv::utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));
  std::u16string units(size / sizeof(char16_t), u'\0');
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
  restoreIntoEveryFilter(units);
  return 0;
}
