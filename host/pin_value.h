#pragma once

#include <cstdint>
#include <string>

#include "host/module_description.h"

namespace oxhost {

// A value the host gives an input pin: a float for sample pins (what every
// sample of the pin's buffer holds), an integer for value pins.
struct PinValue {
  float sample = 0.0f;
  int32_t integer = 0;
};

// Whether the host can give this pin a value (sample, choice, switch and
// integer pins).
bool IsSettable(const PinDescription& pin);

// Reads a value as a user writes it, in the pin's own units:
// - a sample pin: a decimal number, in the units of the pin's name; the float
//   the module sees is a tenth of it ("6" on "Wet" is 0.6);
// - a choice pin: one of its labels or, when the text is no label, the number
//   of one of its choices;
// - an integer or switch pin: a whole number (a switch also takes on/off).
// Returns false with `error` naming what is wrong.
bool ParsePinValue(const PinDescription& pin, const std::string& text, PinValue& value, std::string& error);

// Reads a pin's default text. Default texts give a choice pin's number, not a
// label (the rate list's default "10" is position 10).
bool ParseDefaultValue(const PinDescription& pin, PinValue& value, std::string& error);

// The value as a user would write it ("6", "Triangle").
std::string PinValueText(const PinDescription& pin, const PinValue& value);

}  // namespace oxhost
