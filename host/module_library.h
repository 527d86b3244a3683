#pragma once

#include <memory>
#include <string>

namespace oxhost {

// A loaded module library. Loading and unloading mirror each other; a failure
// says what failed.
class ModuleLibrary {
 public:
  // Loads the library at `path`; on failure returns null and sets `error`.
  static std::unique_ptr<ModuleLibrary> Load(const std::string& path, std::string& error);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  // The address of the export `name`, or null with `error` set.
  void* Export(const std::string& name, std::string& error) const;
  // Whether the library exports `name`.
  bool HasExport(const std::string& name) const;
  const std::string& path() const { return path_; }

 private:
  ModuleLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::string path_;
};

}  // namespace oxhost
