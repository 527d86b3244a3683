#include "host/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace oxhost {

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool ParseWholeNumber(const std::string& text, int32_t& number) {
  std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(trimmed.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  if (parsed < std::numeric_limits<int32_t>::min() || parsed > std::numeric_limits<int32_t>::max()) return false;
  number = static_cast<int32_t>(parsed);
  return true;
}

bool ParseDecimal(const std::string& text, double& number) {
  std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  // Only plain decimal notation: no hexadecimal floats, infinities or NaNs.
  if (trimmed.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  double parsed = std::strtod(trimmed.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(parsed)) return false;
  number = parsed;
  return true;
}

}  // namespace oxhost
