/* Platform services the module libraries rely on: the calling convention of
   every function that crosses the host boundary, and the standard assertion
   report used by contract checks. */
#ifndef OX_PLATFORM_H
#define OX_PLATFORM_H

#if defined(_WIN32) && !defined(_WIN64)
#define OX_CDECL __cdecl
#else
#define OX_CDECL
#endif

/* Marks an entry the library exports. What is actually exported, and under
   which plain name, is fixed by the library's export list (a module-definition
   file for the DLL, a version script for ELF), so nothing else leaks out. */
#if defined(_WIN32)
#define OX_EXPORT
#else
#define OX_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reports a failed contract check with the expression text, source name and
   line exactly as given, then ends the process abnormally. Active in every
   build. */
#if defined(__cplusplus)
[[noreturn]]
#else
_Noreturn
#endif
void ox_report_assertion(const char* expression, const char* source, int line);

#ifdef __cplusplus
}
#endif

/* A contract check. The expression text, source and line are those the
   interface documents for the breach, so they are passed explicitly. */
#define OX_CHECK(condition, expression_text, source, line)          \
  do {                                                              \
    if (!(condition)) ox_report_assertion(expression_text, source, line); \
  } while (0)

#endif
