#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oxhost {

// One entry of a choice pin's value list: the label shown to the user and the
// number the pin's variable takes.
struct Choice {
  std::string label;
  int32_t value;
};

// One pin as the host presents it.
struct PinDescription {
  int32_t number = 0;             // the pin number used in events and host calls
  int32_t description_index = 0;  // which module description it came from
  std::string name;
  int32_t direction = 0;          // 0 input, 1 output; other values are shown as they are
  int32_t datatype = 0;
  bool has_default = false;
  std::string default_text;
  std::string value_list;         // as the module gave it (choices or a range text)
  std::vector<Choice> choices;    // parsed choices of a DT_ENUM pin with a value list
  int32_t flags = 0;
  void* variable_address = nullptr;  // the module variable the host writes, or null

  // Every direction other than output (a module may use others) is an input.
  bool is_input() const { return direction != 1; }
  bool is_output() const { return direction == 1; }
};

// A module type's identity and its pins.
struct ModuleDescription {
  int generation = 0;
  std::string name;
  std::string id;
  std::string about;
  int32_t flags = 0;
  std::vector<PinDescription> pins;  // indexed by pin number
};

// Names of pin data types and directions for display.
std::string DataTypeName(int32_t datatype);
std::string DirectionName(int32_t direction);

}  // namespace oxhost
