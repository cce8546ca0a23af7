// Reading and writing parameters through IParameterCtrl, as a host does.
#pragma once

#include "framefilter.h"

namespace orv_test {

inline tParamResult setLong(IParameterCtrl* ctrl, const char16_t* name, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return ctrl->setParameter(name, &v);
}

inline tParamResult setBool(IParameterCtrl* ctrl, const char16_t* name, bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return ctrl->setParameter(name, &v);
}

// The value as a long (bools read as -1/0); 0x7fffffff when unreadable.
inline LONG getLong(IParameterCtrl* ctrl, const char16_t* name) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  if (ctrl->getParameter(name, &v) != eParamOk) return 0x7fffffff;
  return v.lVal;
}

inline bool getBool(IParameterCtrl* ctrl, const char16_t* name) {
  VARIANT v;
  VariantInit(&v);
  ctrl->getParameter(name, &v);
  return v.vt == VT_BOOL && v.boolVal != VARIANT_FALSE;
}

}  // namespace orv_test
