// The library's two exports and the marker text the host looks for in the image.
#include <stdint.h>

#include <new>

#include "drift/GuiModule.h"
#include "drift/Module.h"
#include "ox_sdk2/OXInterface.h"

// Kept in the image though nothing reads it.
__attribute__((used)) static const char kModuleMarker[] = "OX_MODULE";

// A missing properties record is refused like an unknown index.
extern "C" OX_EXPORT int32_t OX_CDECL getModuleProperties(int32_t index, OXModuleProperties* properties) {
  if (static_cast<uint32_t>(index) != 0 || properties == nullptr) return 0;
  Module::DescribeType(properties);
  return 1;
}

extern "C" OX_EXPORT void* OX_CDECL makeModule(int32_t index, int32_t subtype, OXHostCallback callback,
                                               void* host_handle) {
  if (static_cast<uint32_t>(index) != 0) return nullptr;
  switch (subtype) {
    case OX_SUBTYPE_AUDIO: {
      Module* module = new (std::nothrow) Module(callback, host_handle);
      return module ? module->Record() : nullptr;
    }
    case OX_SUBTYPE_GUI: {
      GuiModule* companion = new (std::nothrow) GuiModule(callback, host_handle);
      return companion ? companion->Record() : nullptr;
    }
    default:
      return nullptr;
  }
}
