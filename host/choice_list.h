#pragma once

#include <string>
#include <vector>

#include "host/module_description.h"

namespace oxhost {

// Parses a choice pin's comma-separated value list: a bare label takes its
// position in the list, "label=number" takes that number. Returns false with
// `error` set when an entry's number is not a whole number.
bool ParseChoiceList(const std::string& list, std::vector<Choice>& choices, std::string& error);

// The choice with this label (exact, else the only case-insensitive match), or null.
const Choice* FindChoiceByLabel(const std::vector<Choice>& choices, const std::string& label);
// The first choice that stands for this number, or null.
const Choice* FindChoiceByValue(const std::vector<Choice>& choices, int32_t value);

// "Sine, Triangle" style listing of the labels, for messages.
std::string ChoiceLabels(const std::vector<Choice>& choices);

}  // namespace oxhost
