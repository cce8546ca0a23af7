// What an element knows about its filter: names, and one GObject property
// per filter parameter, made from the filter's parameter descriptors and the
// host-side table of ranges, value names and live rules.
#pragma once

#include "filterfactory.h"
#include "pixrt/filtertraits.h"

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

namespace orvgst {

struct PropertyDescription {
  std::u16string name;  // as the filter names it: u"Start Pattern"
  std::string key;      // the property: "start-pattern"
  const Pixlib::ParameterTraits* traits;  // null for a parameter the table does not know
  bool boolean;
  GType enumType;  // G_TYPE_NONE unless the value is picked from a list
  LONG defaultValue;  // read from a fresh filter
};

struct ElementDescription {
  std::u16string filterName;  // as the factory lists it: u"Rotate Flip"
  std::string key;            // "rotflip"
  std::string elementName;    // "orvrotflip"
  std::string typeName;       // "GstOrvRotflip"
  const Pixlib::FilterTraits* traits;  // null for a filter the table does not know
  std::vector<PropertyDescription> properties;
  // Why the element has no filter (the module cannot be loaded); empty when
  // the module made it.
  std::string unavailable;

  bool alwaysEmits() const { return !traits || traits->alwaysEmits; }
  const PropertyDescription* property(std::string_view key) const;
};

// Property ids: the parameter text, then the parameters in the filter's order.
enum : guint { kPropParameters = 1, kFirstParameterProperty = 2 };

// Describes the filter `name` from a fresh instance; null when the factory
// does not make one.
std::unique_ptr<ElementDescription> describeFilter(IFilterFactory* factory, const std::u16string& name);

// Describes a filter of the host-side table for an element that stands in
// while the module cannot be loaded: the same names and properties, with
// the table's first value as default, so that pipelines that name them
// still parse and the element can say why it has no filter.
std::unique_ptr<ElementDescription> describeStandIn(const Pixlib::FilterTraits& traits, const std::string& reason);

// Installs the parameter text property and one property per parameter.
void installProperties(GObjectClass* klass, const ElementDescription& element);

// A property value as the filter's setter takes it, and back.
LONG parameterValueOf(const PropertyDescription& p, const GValue* value);
void setPropertyValue(const PropertyDescription& p, LONG parameter, GValue* value);

// The filter's parameter through its interface; false when it refuses.
bool readParameter(IFrameFilter* filter, const std::u16string& name, LONG& value);
tParamResult writeParameter(IFrameFilter* filter, const PropertyDescription& p, LONG value);

}  // namespace orvgst
