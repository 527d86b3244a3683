#pragma once

#include <cstdint>
#include <string>

namespace oxhost {

// Number parsing for texts from the command line and from module
// descriptions: the whole text must be the number (surrounding blanks
// allowed), independent of the locale.
bool ParseWholeNumber(const std::string& text, int32_t& number);
bool ParseDecimal(const std::string& text, double& number);

// The text without leading and trailing blanks.
std::string Trimmed(const std::string& text);

}  // namespace oxhost
