#include "filtersetup.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "fileio.h"
#include "pixrt/filtertraits.h"
#include "pixrt/parametertext.h"
#include "platform/taskmem.h"
#include "platform/textconv.h"

namespace filterhost {
namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

// "; did you mean 'Mode'?" when `wanted` differs from a known name only in case.
std::string caseHint(const std::string& wanted, const std::vector<std::string>& known) {
  for (const std::string& k : known)
    if (lower(k) == lower(wanted)) return "; did you mean '" + k + "'?";
  return {};
}

std::string valueText(IParameterCtrl* params, const WCHAR* name) {
  VARIANT v;
  VariantInit(&v);
  if (params->getParameter(name, &v) != eParamOk) return "(unreadable)";
  std::string text = v.vt == VT_BOOL ? (v.boolVal != VARIANT_FALSE ? "true" : "false") : std::to_string(v.lVal);
  VariantClear(&v);
  return text;
}

const Pixlib::ParameterTraits* traitsOf(const std::string& filter, const std::string& parameter) {
  const Pixlib::FilterTraits* traits = Pixlib::findFilterTraits(orv::utf8ToUtf16(filter));
  return traits ? Pixlib::findParameterTraits(*traits, orv::utf8ToUtf16(parameter)) : nullptr;
}

std::string explainRefusal(tParamResult result, const std::string& filter, const ParamSetting& setting,
                           IParameterCtrl* params) {
  const std::string subject = "'" + filter + "' ";
  const Pixlib::ParameterTraits* traits = traitsOf(filter, setting.name);
  std::vector<std::string> names;
  std::string typeName = "its type";
  for (const ParameterView& p : parametersOf(params)) {
    names.push_back(p.name);
    if (p.name == setting.name) typeName = p.typeName;
  }
  switch (result) {
    case eParamNotFound:
      if (names.empty()) return subject + "has no parameters, so none called '" + setting.name + "'";
      return subject + "has no parameter '" + setting.name + "'" + caseHint(setting.name, names) +
             " (its parameters: " + joined(names) + ")";
    case eParamFailed:
      return subject + "cannot take " + setting.name + "=" + setting.value + ": '" + setting.value +
             "' does not convert to " + typeName + (traits ? " (it takes " + Pixlib::describeValues(*traits) + ")" : "");
    case eParamLiveMode:
      return subject + "refuses " + setting.name + "=" + setting.value +
             " while it is streaming (live mode): " + Pixlib::refusalReason(traits, result);
    default:
      return subject + "refuses " + setting.name + "=" + setting.value + ": " + Pixlib::refusalReason(traits, result);
  }
}

// A list parameter also takes the name of a value ("Mode=edge-sensing"); the
// filter itself only converts numbers, so the name becomes its number here.
std::string valueForFilter(const std::string& filter, const ParamSetting& setting) {
  const Pixlib::ParameterTraits* traits = traitsOf(filter, setting.name);
  if (!traits || traits->values.empty()) return setting.value;
  const std::optional<std::int32_t> value = Pixlib::valueFromText(*traits, setting.value);
  return value ? std::to_string(*value) : setting.value;
}

tParamResult setFromText(IParameterCtrl* params, const std::string& name8, const std::string& value8) {
  const std::u16string name = orv::utf8ToUtf16(name8);
  const std::u16string value = orv::utf8ToUtf16(value8);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  const tParamResult result = params->setParameter(name.c_str(), &v);
  VariantClear(&v);
  return result;
}

int loadParameterFile(const std::string& filter, IParameterCtrl* params, const std::string& path,
                      std::uint64_t maxBytes, std::string& error) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (!readWholeFile(path, maxBytes, bytes, why)) {
    error = "cannot read the parameter file '" + path + "' for '" + filter + "': " + why;
    return kExitFailure;
  }
  const Pixlib::FilterTraits* traits = Pixlib::findFilterTraits(orv::utf8ToUtf16(filter));
  if (!Pixlib::restoreFrameFilterData(params, std::string(bytes.begin(), bytes.end()), why, traits)) {
    error = "'" + filter + "' rejects the parameter text in '" + path + "': " + why;
    return kExitFailure;
  }
  return kExitOk;
}

int unknownFilter(Pixlib::FilterModule& module, const std::string& name, std::string& error) {
  std::vector<std::string> names;
  for (const std::u16string& n : module.filterNames()) names.push_back(orv::utf16ToUtf8(n));
  error = "the module has no filter '" + name + "'" + caseHint(name, names) + " (its filters: " + joined(names) + ")";
  return kExitUsage;
}

}  // namespace

FilterHandle::FilterHandle(IFrameFilter* filter) : m_pFilter(filter) {
  void* pv = nullptr;
  if (m_pFilter && m_pFilter->QueryInterface(IID_IParameterCtrl, &pv) == S_OK) m_pParams = static_cast<IParameterCtrl*>(pv);
}

FilterHandle::~FilterHandle() {
  if (m_pFilter) m_pFilter->Release();
}

FilterHandle::FilterHandle(FilterHandle&& other) noexcept
    : m_pFilter(std::exchange(other.m_pFilter, nullptr)), m_pParams(std::exchange(other.m_pParams, nullptr)) {}

FilterHandle& FilterHandle::operator=(FilterHandle&& other) noexcept {
  if (this != &other) {
    if (m_pFilter) m_pFilter->Release();
    m_pFilter = std::exchange(other.m_pFilter, nullptr);
    m_pParams = std::exchange(other.m_pParams, nullptr);
  }
  return *this;
}

std::vector<ParameterView> parametersOf(IParameterCtrl* params) {
  std::vector<ParameterView> views;
  ParameterDesc desc;
  for (unsigned i = 0; params && params->getParameterDesc(i, &desc); ++i) {
    views.push_back({orv::utf16ToUtf8(textField(desc.name)), orv::utf16ToUtf8(textField(desc.typeName)),
                     valueText(params, desc.name)});
  }
  return views;
}

std::string parameterText(IParameterCtrl* params) {
  WCHAR* text = nullptr;
  if (!params || params->saveParameters(&text) != eParamOk || !text) return {};
  std::string utf8 = orv::utf16ToUtf8(text);
  CoTaskMemFree(text);
  return utf8;
}

int saveParameterFile(const std::string& filterName, IParameterCtrl* params, const std::string& path,
                      std::string& error) {
  std::string text = parameterText(params);
  text = (text.empty() ? "{}" : text) + "\n";
  std::string why;
  if (!writeWholeFile(path, text.data(), text.size(), why)) {
    error = "cannot write the parameter file '" + path + "' for '" + filterName + "': " + why;
    return kExitFailure;
  }
  return kExitOk;
}

int makeFilter(Pixlib::FilterModule& module, const FilterRequest& request, std::uint64_t maxFileBytes,
               FilterHandle& handle, std::string& error) {
  handle = FilterHandle(module.factory()->createFilter(orv::utf8ToUtf16(request.name).c_str()));
  if (!handle) return unknownFilter(module, request.name, error);
  if (!handle.params()) {
    error = "'" + request.name + "' offers no parameter interface";
    return kExitFailure;
  }
  if (!request.loadFrom.empty()) {
    if (const int code = loadParameterFile(request.name, handle.params(), request.loadFrom, maxFileBytes, error))
      return code;
  }
  for (const ParamSetting& setting : request.settings) {
    const tParamResult result = setFromText(handle.params(), setting.name, valueForFilter(request.name, setting));
    if (result != eParamOk) {
      error = explainRefusal(result, request.name, setting, handle.params());
      return kExitUsage;
    }
  }
  if (!request.saveTo.empty()) return saveParameterFile(request.name, handle.params(), request.saveTo, error);
  return kExitOk;
}

}  // namespace filterhost
