// A module library loaded from a private copy of its file, so that its
// library-wide state (the drift library's random sequence, the chorus
// wavetable) belongs to this copy alone. Two replicas of one library that are
// given the same calls from their loading on must answer them identically.
#pragma once

#include <memory>
#include <string>

#include "host/module_library.h"

namespace oxfuzz {

class LibraryReplica {
 public:
  // Copies `path` to a file of its own under the temporary directory and
  // loads it; on failure returns null with `error` set.
  static std::unique_ptr<LibraryReplica> Load(const std::string& path, std::string& error);
  ~LibraryReplica();
  LibraryReplica(const LibraryReplica&) = delete;
  LibraryReplica& operator=(const LibraryReplica&) = delete;

  const oxhost::ModuleLibrary& library() const { return *library_; }
  // 2 for a library exporting getModuleProperties and makeModule, 1 for main.
  int generation() const { return generation_; }

 private:
  LibraryReplica(std::string directory, std::unique_ptr<oxhost::ModuleLibrary> library, int generation);
  std::string directory_;
  std::unique_ptr<oxhost::ModuleLibrary> library_;
  int generation_;
};

}  // namespace oxfuzz
