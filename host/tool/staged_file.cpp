#include "host/tool/staged_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace oxhost {

StagedFile::~StagedFile() {
  if (!temporary_path_.empty() && !committed_) unlink(temporary_path_.c_str());
}

int StagedFile::Create(const std::string& final_path, std::string& error) {
  final_path_ = final_path;
  auto slash = final_path.rfind('/');
  std::string directory = slash == std::string::npos ? "" : final_path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  if (name.empty()) {
    error = "'" + final_path + "' names no file";
    return -1;
  }
  std::string pattern = directory + "." + name + ".part-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  int descriptor = mkstemp(path.data());
  if (descriptor < 0) {
    error = "cannot write '" + final_path + "': " + std::strerror(errno);
    return -1;
  }
  temporary_path_ = path.data();
  // mkstemp makes the file private; the result gets the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  if (fchmod(descriptor, 0666 & ~mask) != 0) {
    error = "cannot write '" + final_path + "': " + std::strerror(errno);
    close(descriptor);
    return -1;
  }
  return descriptor;
}

bool StagedFile::Commit(std::string& error) {
  if (std::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
    error = "cannot write '" + final_path_ + "': " + std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace oxhost
