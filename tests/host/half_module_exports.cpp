// A library with only one of the two generation-2 exports.
#include "ox_sdk2/OXInterface.h"

extern "C" OX_EXPORT int32_t OX_CDECL getModuleProperties(int32_t, OXModuleProperties*) { return 0; }
