#include "elementproperties.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/oleauto.h"
#include "platform/textconv.h"

namespace orvgst {
namespace {

// "Start Pattern" -> "start-pattern", for parameters the table does not know.
std::string keyFromName(const std::u16string& name) {
  std::string key;
  for (char c : orv::utf16ToUtf8(name)) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    else if (!key.empty() && key.back() != '-')
      key += '-';
  }
  while (!key.empty() && key.back() == '-') key.pop_back();
  return key.empty() ? "parameter" : key;
}

std::string capitalised(std::string_view key) {
  std::string text;
  bool upper = true;
  for (char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      upper = true;
      continue;
    }
    text += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    upper = false;
  }
  return text;
}

// Enum types live as long as the classes that use them: for the process.
GType registerEnum(const std::string& typeName, const Pixlib::ParameterTraits& traits) {
  if (GType known = g_type_from_name(typeName.c_str())) return known;
  auto* values = g_new0(GEnumValue, traits.values.size() + 1);
  for (std::size_t i = 0; i < traits.values.size(); ++i) {
    const Pixlib::ValueName& v = traits.values[i];
    values[i].value = v.value;
    values[i].value_name = g_strndup(v.label.data(), v.label.size());
    values[i].value_nick = g_strndup(v.nick.data(), v.nick.size());
  }
  return g_enum_register_static(g_strdup(typeName.c_str()), values);
}

GParamFlags flagsOf(const PropertyDescription& p) {
  const bool live = p.traits && p.traits->live != Pixlib::LiveChange::Refused;
  return static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                  (live ? GST_PARAM_MUTABLE_PLAYING : GST_PARAM_MUTABLE_READY));
}

GParamSpec* specOf(const PropertyDescription& p) {
  const std::string nick = orv::utf16ToUtf8(p.name);
  const std::string blurb = p.traits ? std::string(p.traits->blurb) : nick;
  // GParamSpecs keep the strings: G_PARAM_STATIC_STRINGS asks for ones that
  // outlive the class, so they are interned.
  const char* key = g_intern_string(p.key.c_str());
  const char* n = g_intern_string(nick.c_str());
  const char* b = g_intern_string(blurb.c_str());
  if (p.boolean) return g_param_spec_boolean(key, n, b, p.defaultValue != 0, flagsOf(p));
  if (p.enumType != G_TYPE_NONE) return g_param_spec_enum(key, n, b, p.enumType, p.defaultValue, flagsOf(p));
  const gint lo = p.traits ? p.traits->minimum : std::numeric_limits<gint>::min();
  const gint hi = p.traits ? p.traits->maximum : std::numeric_limits<gint>::max();
  return g_param_spec_int(key, n, b, lo, hi, std::clamp<gint>(p.defaultValue, lo, hi), flagsOf(p));
}

std::unique_ptr<ElementDescription> namedElement(const std::u16string& name, const Pixlib::FilterTraits* traits) {
  auto element = std::make_unique<ElementDescription>();
  element->filterName = name;
  element->traits = traits;
  element->key = traits ? std::string(traits->key) : keyFromName(name);
  element->elementName = "orv" + element->key;
  element->typeName = "GstOrv" + capitalised(element->key);
  return element;
}

PropertyDescription propertyOf(const ElementDescription& element, const std::u16string& name, bool boolean) {
  PropertyDescription p;
  p.name = name;
  p.traits = element.traits ? Pixlib::findParameterTraits(*element.traits, p.name) : nullptr;
  p.key = p.traits ? std::string(p.traits->key) : keyFromName(p.name);
  p.boolean = boolean;
  p.enumType = G_TYPE_NONE;
  if (p.traits && !p.traits->values.empty() && !p.boolean)
    p.enumType = registerEnum(element.typeName + capitalised(p.key), *p.traits);
  p.defaultValue = 0;
  if (p.key == "parameters" || p.key == "name" || p.key == "parent" || p.key == "qos") p.key = "param-" + p.key;
  return p;
}

}  // namespace

const PropertyDescription* ElementDescription::property(std::string_view k) const {
  for (const PropertyDescription& p : properties)
    if (p.key == k) return &p;
  return nullptr;
}

bool readParameter(IFrameFilter* filter, const std::u16string& name, LONG& value) {
  VARIANT v;
  VariantInit(&v);
  if (filter->getParameter(name.c_str(), &v) != eParamOk) return false;
  value = v.vt == VT_BOOL ? (v.boolVal != VARIANT_FALSE) : v.lVal;
  VariantClear(&v);
  return true;
}

tParamResult writeParameter(IFrameFilter* filter, const PropertyDescription& p, LONG value) {
  VARIANT v;
  VariantInit(&v);
  if (p.boolean) {
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    v.vt = VT_I4;
    v.lVal = value;
  }
  // The filter's lock makes the change land between two frames.
  filter->lock();
  const tParamResult result = filter->setParameter(p.name.c_str(), &v);
  filter->unlock();
  return result;
}

std::unique_ptr<ElementDescription> describeFilter(IFilterFactory* factory, const std::u16string& name) {
  IFrameFilter* filter = factory->createFilter(name.c_str());
  if (!filter) return nullptr;
  std::unique_ptr<ElementDescription> element = namedElement(name, Pixlib::findFilterTraits(name));
  ParameterDesc desc;
  for (unsigned i = 0; filter->getParameterDesc(i, &desc); ++i) {
    PropertyDescription p = propertyOf(*element, std::u16string(textField(desc.name)), desc.typeId == 1);
    readParameter(filter, p.name, p.defaultValue);
    element->properties.push_back(std::move(p));
  }
  filter->Release();
  return element;
}

std::unique_ptr<ElementDescription> describeStandIn(const Pixlib::FilterTraits& traits, const std::string& reason) {
  std::unique_ptr<ElementDescription> element = namedElement(std::u16string(traits.name), &traits);
  element->unavailable = reason;
  for (const Pixlib::ParameterTraits& t : traits.parameters) {
    PropertyDescription p = propertyOf(*element, std::u16string(t.name), t.boolean);
    p.defaultValue = t.values.empty() ? t.minimum : t.values.front().value;
    element->properties.push_back(std::move(p));
  }
  return element;
}

void installProperties(GObjectClass* klass, const ElementDescription& element) {
  g_object_class_install_property(
      klass, kPropParameters,
      g_param_spec_string("parameters", "Parameters",
                          "All parameters as the filter's JSON text, e.g. {\"Mode\":2}; restores saved settings",
                          nullptr,
                          static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                                   GST_PARAM_MUTABLE_PLAYING)));
  for (guint i = 0; i < element.properties.size(); ++i)
    g_object_class_install_property(klass, kFirstParameterProperty + i, specOf(element.properties[i]));
}

LONG parameterValueOf(const PropertyDescription& p, const GValue* value) {
  if (p.boolean) return g_value_get_boolean(value) ? 1 : 0;
  if (p.enumType != G_TYPE_NONE) return g_value_get_enum(value);
  return g_value_get_int(value);
}

void setPropertyValue(const PropertyDescription& p, LONG parameter, GValue* value) {
  if (p.boolean)
    g_value_set_boolean(value, parameter != 0);
  else if (p.enumType != G_TYPE_NONE)
    g_value_set_enum(value, parameter);
  else
    g_value_set_int(value, parameter);
}

}  // namespace orvgst
