#include "ox_sdk/OXInterface.h"

// Exported under the plain name `main` by the library's export list.
extern "C" OX_EXPORT OXModuleRecord* OX_CDECL ox_main(OXHostCallback) { return nullptr; }
