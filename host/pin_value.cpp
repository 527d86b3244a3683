#include "host/pin_value.h"

#include <cstdio>

#include "host/choice_list.h"
#include "host/number_text.h"
#include "host/ox_interfaces.h"

namespace oxhost {

namespace {

// Sample pins carry their value in tenths of the unit their name and default
// text use.
constexpr double kSampleUnitsPerValue = 10.0;

std::string PinLabel(const PinDescription& pin) {
  return "pin " + std::to_string(pin.number) + " '" + pin.name + "'";
}

bool ParseSample(const PinDescription& pin, const std::string& text, PinValue& value, std::string& error) {
  double number = 0.0;
  if (!ParseDecimal(text, number)) {
    error = PinLabel(pin) + " takes a number, not '" + text + "'";
    return false;
  }
  value.sample = static_cast<float>(number / kSampleUnitsPerValue);
  return true;
}

bool ParseChoiceNumber(const PinDescription& pin, const std::string& text, PinValue& value,
                       std::string& error) {
  int32_t number = 0;
  if (ParseWholeNumber(text, number) && FindChoiceByValue(pin.choices, number)) {
    value.integer = number;
    return true;
  }
  error = PinLabel(pin) + ": '" + text + "' is not one of its choices (" + ChoiceLabels(pin.choices) + ")";
  return false;
}

bool ParseSwitch(const PinDescription& pin, const std::string& text, PinValue& value, std::string& error) {
  std::string word = Trimmed(text);
  if (word == "on" || word == "ON" || word == "true") {
    value.integer = 1;
    return true;
  }
  if (word == "off" || word == "OFF" || word == "false") {
    value.integer = 0;
    return true;
  }
  int32_t number = 0;
  if (!ParseWholeNumber(word, number)) {
    error = PinLabel(pin) + " takes on, off or a whole number, not '" + text + "'";
    return false;
  }
  value.integer = number != 0 ? 1 : 0;
  return true;
}

bool ParseInteger(const PinDescription& pin, const std::string& text, PinValue& value, std::string& error) {
  if (!ParseWholeNumber(text, value.integer)) {
    error = PinLabel(pin) + " takes a whole number, not '" + text + "'";
    return false;
  }
  if (pin.datatype == ox2::DT_ENUM && (value.integer < -32768 || value.integer > 32767)) {
    error = PinLabel(pin) + ": " + text + " is outside the range -32768 to 32767";
    return false;
  }
  return true;
}

}  // namespace

bool IsSettable(const PinDescription& pin) {
  switch (pin.datatype) {
    case ox2::DT_ENUM:
    case ox2::DT_BOOL:
    case ox2::DT_FSAMPLE:
    case ox2::DT_INT:
      return true;
    default:
      return false;
  }
}

bool ParsePinValue(const PinDescription& pin, const std::string& text, PinValue& value, std::string& error) {
  switch (pin.datatype) {
    case ox2::DT_FSAMPLE:
      return ParseSample(pin, text, value, error);
    case ox2::DT_BOOL:
      return ParseSwitch(pin, text, value, error);
    case ox2::DT_INT:
      return ParseInteger(pin, text, value, error);
    case ox2::DT_ENUM:
      if (pin.choices.empty()) return ParseInteger(pin, text, value, error);
      if (const Choice* choice = FindChoiceByLabel(pin.choices, Trimmed(text))) {
        value.integer = choice->value;
        return true;
      }
      return ParseChoiceNumber(pin, text, value, error);
    default:
      error = PinLabel(pin) + " has data type " + std::to_string(pin.datatype) + ", which the host cannot set";
      return false;
  }
}

bool ParseDefaultValue(const PinDescription& pin, PinValue& value, std::string& error) {
  value = PinValue();
  if (!pin.has_default) return true;
  if (pin.datatype == ox2::DT_ENUM && !pin.choices.empty()) {
    if (ParseChoiceNumber(pin, pin.default_text, value, error)) return true;
    error = PinLabel(pin) + ": default '" + pin.default_text + "' is not the number of a choice";
    return false;
  }
  if (ParsePinValue(pin, pin.default_text, value, error)) return true;
  error = PinLabel(pin) + ": cannot read its default '" + pin.default_text + "'";
  return false;
}

std::string PinValueText(const PinDescription& pin, const PinValue& value) {
  if (pin.datatype == ox2::DT_FSAMPLE) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value.sample) * kSampleUnitsPerValue);
    return text;
  }
  if (pin.datatype == ox2::DT_ENUM) {
    if (const Choice* choice = FindChoiceByValue(pin.choices, value.integer)) return choice->label;
  }
  return std::to_string(value.integer);
}

}  // namespace oxhost
