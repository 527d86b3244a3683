#pragma once

#include <string>

namespace oxhost {

// A file written under a temporary name beside its final path and renamed to
// that path only when complete; unless committed, the temporary file is
// removed again, so a failed run neither leaves a partial file nor touches an
// existing one.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file; returns its open descriptor, or -1 with `error` set.
  int Create(const std::string& final_path, std::string& error);
  const std::string& temporary_path() const { return temporary_path_; }
  const std::string& final_path() const { return final_path_; }
  // Renames the (closed) temporary file to the final path.
  bool Commit(std::string& error);

 private:
  std::string final_path_;
  std::string temporary_path_;
  bool committed_ = false;
};

}  // namespace oxhost
