// The parameter text: a JSON object of parameter name -> value, in the
// filter's enumeration order; numbers for long parameters, true/false for
// bool ones.
#include "pixrt/parametertext.h"

#include "pixrt/filtertraits.h"

#include <limits>
#include <new>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

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

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

std::vector<std::string> parameterNames(IParameterCtrl* pCtrl) {
  std::vector<std::string> names;
  ParameterDesc desc;
  for (unsigned i = 0; pCtrl->getParameterDesc(i, &desc); ++i) names.push_back(orv::utf16ToUtf8(textField(desc.name)));
  return names;
}

// The type a parameter takes, VT_I4 or VT_BOOL, read by asking for its value
// (which finds every registered name, whatever its length); VT_EMPTY when the
// filter has no parameter of that name. A value the getter will not give is
// typed by the parameter's description.
VARTYPE parameterType(IParameterCtrl* pCtrl, const std::u16string& name) {
  VARIANT v;
  VariantInit(&v);
  const tParamResult result = pCtrl->getParameter(name.c_str(), &v);
  const VARTYPE read = v.vt;
  VariantClear(&v);
  if (result == eParamOk) return read;
  if (result == eParamNotFound) return VT_EMPTY;
  ParameterDesc desc;
  for (unsigned i = 0; pCtrl->getParameterDesc(i, &desc); ++i)
    if (textField(desc.name) == name) return desc.typeId == 1 ? VT_BOOL : VT_I4;
  return VT_I4;
}

const ParameterTraits* traitsOf(const FilterTraits* traits, const std::string& key) {
  return traits ? findParameterTraits(*traits, orv::utf8ToUtf16(key)) : nullptr;
}

// True when `value` converts to `type` as the filter's setParameter converts it.
bool converts(const Json& value, VARTYPE type) {
  VARIANT v = toVariant(value);
  const bool ok = SUCCEEDED(VariantChangeType(&v, &v, 0, type));
  VariantClear(&v);
  return ok;
}

// Parses `data` into `object` and checks everything that can be checked
// without applying a value. False with `reason` set when the text fails.
bool checkText(IParameterCtrl* pCtrl, const std::string& data, const FilterTraits* traits, Json& object,
               std::string& reason) {
  // Keys of the top-level object, to find one given twice (a JSON parser
  // would silently keep one of them).
  std::set<std::string> keys;
  std::string twice;
  const Json::parser_callback_t noteKeys = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::key && depth == 1 && twice.empty() &&
        !keys.insert(parsed.get<std::string>()).second)
      twice = parsed.get<std::string>();
    return true;
  };
  try {
    object = Json::parse(data, noteKeys);
  } catch (const Json::parse_error& e) {
    reason = e.byte > data.size() ? std::string("not JSON (the text ends too early)")
                                  : "not JSON (the text goes wrong at byte " + std::to_string(e.byte) + ")";
    return false;
  }
  if (!object.is_object()) {
    reason = "not a JSON object of parameter names and values";
    return false;
  }
  if (!twice.empty()) {
    reason = "'" + twice + "' is given twice";
    return false;
  }
  for (const auto& item : object.items()) {
    const std::string& key = item.key();
    const VARTYPE type = parameterType(pCtrl, orv::utf8ToUtf16(key));
    if (type == VT_EMPTY) {
      const std::vector<std::string> names = parameterNames(pCtrl);
      reason = "'" + key + "' is not a parameter of the filter" +
               (names.empty() ? std::string(", which has none") : " (its parameters: " + joined(names) + ")");
      return false;
    }
    const Json& value = item.value();
    const char* typeName = type == VT_BOOL ? "Boolean" : "Long";
    if (!value.is_number() && !value.is_boolean() && !value.is_string()) {
      reason = "'" + key + "': " + value.dump() + " is not a value (expected a number, true/false or a string)";
      return false;
    }
    if (!converts(value, type)) {
      const ParameterTraits* param = traitsOf(traits, key);
      reason = "'" + key + "': " + value.dump() + " does not convert to " + typeName +
               (param ? " (it takes " + describeValues(*param) + ")" : "");
      return false;
    }
  }
  return true;
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

bool restoreFrameFilterData(IParameterCtrl* pCtrl, const std::string& data, std::string& reason,
                            const FilterTraits* traits) {
  if (!pCtrl) {
    reason = "no filter";
    return false;
  }
  try {
    Json object;
    if (!checkText(pCtrl, data, traits, object, reason)) return false;
    // Apply every value in text order; a refusal does not stop the rest.
    std::string refused;
    for (const auto& item : object.items()) {
      const std::u16string name = orv::utf8ToUtf16(item.key());
      VARIANT v = toVariant(item.value());
      const tParamResult result = pCtrl->setParameter(name.c_str(), &v);
      VariantClear(&v);
      if (result != eParamOk) {
        refused += refused.empty() ? "" : "; ";
        refused += "'" + item.key() + "': " + item.value().dump() + " is refused: " +
                   refusalReason(traitsOf(traits, item.key()), result);
      }
    }
    reason = refused;
    return refused.empty();
  } catch (const std::bad_alloc&) {
    reason = "out of memory";
  } catch (const std::exception& e) {
    reason = e.what();
  }
  return false;
}

bool restoreFrameFilterData(IParameterCtrl* pCtrl, const std::string& data) {
  std::string reason;
  return restoreFrameFilterData(pCtrl, data, reason);
}

}  // namespace Pixlib
