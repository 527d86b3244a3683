#include <new>

#include "chorus/Module.h"

// The library's one export, exported under the plain name `main` by the
// library's export list: creates a chorus instance and answers its record, or
// null when there is no memory for it.
extern "C" OX_EXPORT OXModuleRecord* OX_CDECL ox_main(OXHostCallback callback) {
  auto* module = new (std::nothrow) chorus::Module(callback);
  return module ? module->Record() : nullptr;
}
