// A library that exports nothing a host looks for.
#include "platform/ox_platform.h"

extern "C" OX_EXPORT int OX_CDECL ox_unrelated_entry() { return 0; }
