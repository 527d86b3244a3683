// Both interface generations describe a module and its pins in records of
// the same shape; these read either into the host's own descriptions.
#pragma once

#include <cstdint>
#include <string>

#include "host/module_description.h"

namespace oxhost {

inline std::string Text(const char* text) { return text ? text : ""; }

template <class ModuleProperties>
void ReadModuleRecord(const ModuleProperties& properties, ModuleDescription& description) {
  description.name = Text(properties.name);
  description.id = Text(properties.id);
  description.about = Text(properties.about);
  description.flags = properties.flags;
}

template <class PinProperties>
void ReadPinRecord(int32_t index, const PinProperties& properties, PinDescription& pin) {
  pin.description_index = index;
  pin.variable_address = properties.variable_address;
  pin.direction = properties.direction;
  pin.datatype = properties.datatype;
  pin.name = Text(properties.name);
  pin.has_default = properties.default_value != nullptr;
  pin.default_text = Text(properties.default_value);
  pin.value_list = Text(properties.value_list);
  pin.flags = properties.flags;
}

}  // namespace oxhost
