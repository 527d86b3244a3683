// Death-test helpers for contract checks: the pattern a failed check prints,
// matched literally.
#pragma once

#include <string>

namespace oxtest {

// `text` as a regular expression that matches exactly that text, valid both
// for POSIX regular expressions and for GoogleTest's simple ones on Windows.
inline std::string LiteralPattern(const std::string& text) {
  static const std::string special = ".[]{}()\\*+?^$|";
  std::string pattern;
  for (char c : text) {
    if (special.find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// What the standard assertion report prints for a failed check.
inline std::string AssertionReport(const std::string& expression, const std::string& source, int line) {
#if defined(_WIN32)
  return "Assertion failed: " + expression + ", file " + source + ", line " + std::to_string(line);
#else
  return "Assertion `" + expression + "' failed: file " + source + ", line " + std::to_string(line);
#endif
}

// The death-test pattern of a failed contract check.
inline std::string ContractReport(const std::string& expression, const std::string& source, int line) {
  return LiteralPattern(AssertionReport(expression, source, line));
}

}  // namespace oxtest
