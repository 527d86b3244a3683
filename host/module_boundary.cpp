#include "host/module_boundary.h"

namespace oxhost {

std::unique_ptr<ModuleBoundary> CreateInstance(const ModuleLibrary& library, std::string& error) {
  if (library.HasExport("getModuleProperties") || library.HasExport("makeModule")) {
    void* get_properties = library.Export("getModuleProperties", error);
    if (!get_properties) return nullptr;
    void* make_module = library.Export("makeModule", error);
    if (!make_module) return nullptr;
    return CreateGeneration2Instance(reinterpret_cast<ox2::OXGetModulePropertiesEntry>(get_properties),
                                     reinterpret_cast<ox2::OXMakeModuleEntry>(make_module), error);
  }
  if (library.HasExport("main")) {
    void* main_entry = library.Export("main", error);
    if (!main_entry) return nullptr;
    return CreateGeneration1Instance(reinterpret_cast<ox1::OXMainEntry>(main_entry), error);
  }
  error = "'" + library.path() +
          "' is no module library: it exports neither 'main' nor 'getModuleProperties' and 'makeModule'";
  return nullptr;
}

}  // namespace oxhost
