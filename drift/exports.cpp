#include "ox_sdk2/OXInterface.h"

extern "C" OX_EXPORT int32_t OX_CDECL getModuleProperties(int32_t, OXModuleProperties*) { return 0; }

extern "C" OX_EXPORT void* OX_CDECL makeModule(int32_t, int32_t, OXHostCallback, void*) { return nullptr; }
