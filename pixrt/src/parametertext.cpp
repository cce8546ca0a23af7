// The parameter text: a JSON object of parameter name -> value, in the
// filter's enumeration order; numbers for long parameters, true/false for
// bool ones.
#include <limits>
#include <nlohmann/json.hpp>

#include "framefilter.h"
#include "platform/textconv.h"

namespace Pixlib {
namespace {

using Json = nlohmann::ordered_json;

// The value to hand to setParameter for one JSON value.
VARIANT toVariant(const Json& value) {
  VARIANT v;
  VariantInit(&v);
  if (value.is_boolean()) {
    v.vt = VT_BOOL;
    v.boolVal = value.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (value.is_number_integer() || value.is_number_unsigned()) {
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
      v.vt = VT_UI8;
      v.ullVal = value.get<std::uint64_t>();
    } else {
      const std::int64_t n = value.get<std::int64_t>();
      if (n >= std::numeric_limits<LONG>::min() && n <= std::numeric_limits<LONG>::max()) {
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(n);
      } else {
        v.vt = VT_I8;
        v.llVal = n;
      }
    }
  } else if (value.is_number_float()) {
    v.vt = VT_R8;
    v.dblVal = value.get<double>();
  } else {  // string, checked by the caller
    const std::u16string text = orv::utf8ToUtf16(value.get_ref<const std::string&>());
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  return v;
}

}  // namespace

std::string saveFrameFilterData(const IParameterCtrl* pCtrl) {
  if (!pCtrl) return {};
  // The parameter interface has no const operations; reading changes nothing.
  auto* ctrl = const_cast<IParameterCtrl*>(pCtrl);
  Json object = Json::object();
  ParameterDesc desc;
  for (unsigned i = 0; ctrl->getParameterDesc(i, &desc); ++i) {
    const std::u16string name(textField(desc.name));
    VARIANT v;
    VariantInit(&v);
    if (ctrl->getParameter(name.c_str(), &v) != eParamOk) continue;  // data blocks and unreadable values
    const std::string key = orv::utf16ToUtf8(name);
    if (v.vt == VT_BOOL)
      object[key] = v.boolVal != VARIANT_FALSE;
    else if (v.vt == VT_I4)
      object[key] = v.lVal;
    VariantClear(&v);
  }
  return object.empty() ? std::string() : object.dump();
}

bool restoreFrameFilterData(IParameterCtrl* pCtrl, const std::string& data) {
  if (!pCtrl) return false;
  // Check the whole text before anything is applied.
  const Json object = Json::parse(data, nullptr, /*allow_exceptions=*/false);
  if (object.is_discarded() || !object.is_object()) return false;
  for (const auto& item : object.items()) {
    const Json& value = item.value();
    if (!value.is_number() && !value.is_boolean() && !value.is_string()) return false;
  }
  // Apply every value in text order; a refusal does not stop the rest.
  bool allApplied = true;
  for (const auto& item : object.items()) {
    const std::u16string name = orv::utf8ToUtf16(item.key());
    VARIANT v = toVariant(item.value());
    const tParamResult result = pCtrl->setParameter(name.c_str(), &v);
    VariantClear(&v);
    if (result != eParamOk) allApplied = false;
  }
  return allApplied;
}

}  // namespace Pixlib
