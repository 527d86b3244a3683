#include "fuzz/library_replica.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace oxfuzz {

std::unique_ptr<LibraryReplica> LibraryReplica::Load(const std::string& path, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code failure;
  std::string pattern = (fs::temp_directory_path(failure) / "ox-replica-XXXXXX").string();
  if (failure || mkdtemp(pattern.data()) == nullptr) {
    error = "no temporary directory for a copy of " + path;
    return nullptr;
  }
  const fs::path copy = fs::path(pattern) / fs::path(path).filename();
  fs::copy_file(path, copy, failure);
  if (failure) {
    error = "cannot copy " + path + ": " + failure.message();
    fs::remove_all(pattern, failure);
    return nullptr;
  }
  auto library = oxhost::ModuleLibrary::Load(copy.string(), error);
  if (!library) {
    fs::remove_all(pattern, failure);
    return nullptr;
  }
  const int generation = library->HasExport("makeModule") ? 2 : library->HasExport("main") ? 1 : 0;
  if (generation == 0) {
    error = path + " exports no module entry";
    fs::remove_all(pattern, failure);
    return nullptr;
  }
  return std::unique_ptr<LibraryReplica>(new LibraryReplica(pattern, std::move(library), generation));
}

LibraryReplica::LibraryReplica(std::string directory, std::unique_ptr<oxhost::ModuleLibrary> library,
                               int generation)
    : directory_(std::move(directory)), library_(std::move(library)), generation_(generation) {}

// The loaded image no longer needs its file.
LibraryReplica::~LibraryReplica() {
  library_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

}  // namespace oxfuzz
