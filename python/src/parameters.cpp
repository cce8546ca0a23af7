#include "parameters.h"

#include <climits>

#include "platform/oleauto.h"
#include "platform/textconv.h"

namespace corefilters_py {
namespace {

std::string pythonKey(const ParamInfo& info) {
  std::string key = info.traits ? std::string(info.traits->key) : orv::utf16ToUtf8(info.name);
  for (char& c : key) {
    if (c == '-' || c == ' ') c = '_';
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// Clears the variant whatever way the scope is left.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

}  // namespace

std::vector<ParamInfo> describeParameters(IParameterCtrl* params, const Pixlib::FilterTraits* traits) {
  std::vector<ParamInfo> list;
  ParameterDesc desc;
  for (unsigned i = 0; params && params->getParameterDesc(i, &desc); ++i) {
    ParamInfo info;
    info.name = std::u16string(textField(desc.name));
    info.typeName = orv::utf16ToUtf8(textField(desc.typeName));
    info.boolean = desc.typeId == 1;
    info.traits = traits ? Pixlib::findParameterTraits(*traits, info.name) : nullptr;
    info.key = pythonKey(info);
    list.push_back(std::move(info));
  }
  return list;
}

py::object readParameter(IParameterCtrl* params, const ParamInfo& info) {
  Variant value;
  if (params->getParameter(info.name.c_str(), &value.v) != eParamOk)
    throw py::value_error("cannot read parameter '" + info.key + "'");
  if (value.v.vt == VT_BOOL) return py::bool_(value.v.boolVal != VARIANT_FALSE);
  if (info.boolean) return py::bool_(value.v.lVal != 0);
  return py::int_(value.v.lVal);
}

std::optional<long long> numberOf(const ParamInfo& info, py::handle value) {
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? 1 : 0;
  if (py::isinstance<py::int_>(value)) {
    try {
      return value.cast<long long>();
    } catch (const py::cast_error&) {
      return std::nullopt;
    }
  }
  if (py::isinstance<py::str>(value) && info.traits) {
    if (const auto v = Pixlib::valueFromText(*info.traits, value.cast<std::string>())) return *v;
  }
  return std::nullopt;
}

tParamResult writeParameter(IParameterCtrl* params, const ParamInfo& info, py::handle value,
                            std::optional<long long> number) {
  Variant v;
  if (number || py::isinstance<py::int_>(value)) {
    const long long n = number ? *number : numberOf(info, value).value_or(LLONG_MAX);
    if (n < INT32_MIN || n > INT32_MAX) return eParamInvalid;  // no long holds it
    if (info.boolean) {
      v.v.vt = VT_BOOL;
      v.v.boolVal = n ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
      v.v.vt = VT_I4;
      v.v.lVal = static_cast<LONG>(n);
    }
  } else if (py::isinstance<py::str>(value)) {
    // A list value's name becomes its number; other text goes to the filter's
    // own conversion.
    std::string text = value.cast<std::string>();
    if (info.traits && !info.traits->values.empty()) {
      if (const auto n = Pixlib::valueFromText(*info.traits, text)) text = std::to_string(*n);
    }
    const std::u16string wide = orv::utf8ToUtf16(text);
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  } else {
    throw py::type_error("parameter '" + info.key + "' takes " + (info.boolean ? "a bool" : "an int") +
                         (info.traits && !info.traits->values.empty() ? " or a value name" : "") + ", not " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
  return params->setParameter(info.name.c_str(), &v.v);
}

std::string refusalMessage(const std::string& filter, const ParamInfo& info, py::handle value, tParamResult result,
                           bool live) {
  std::string text = filter + " refuses " + info.key + "=" + std::string(py::repr(value));
  if (live && (result == eParamLiveMode || result == eParamInvalid)) text += " while streaming";
  return text + ": " + Pixlib::refusalReason(info.traits, result);
}

}  // namespace corefilters_py
