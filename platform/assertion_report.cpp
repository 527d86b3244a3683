#include "ox_platform.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
// The console form of the C runtime's own assertion message.
static const char kAssertionFormat[] = "Assertion failed: %s, file %s, line %d\n";
#else
// The same three pieces in the form the C library's assert prints.
static const char kAssertionFormat[] = "Assertion `%s' failed: file %s, line %d\n";
#endif

extern "C" void ox_report_assertion(const char* expression, const char* source, int line) {
  std::fprintf(stderr, kAssertionFormat, expression, source, line);
  std::fflush(stderr);
  std::abort();
}
