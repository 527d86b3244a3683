// One module instance driven through the host library for a benchmark: the
// library loaded, the named pins set, the audio inputs streamed with noise.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/module_host.h"
#include "host/module_library.h"

namespace oxbench {

using Settings = std::vector<std::pair<std::string, std::string>>;

class BenchHost {
 public:
  // Loads the library at `path` and opens an instance at 44100 Hz with the
  // given block size; `streamed` pins get noise (the same every block).
  // Exits the program with a message when anything fails.
  BenchHost(const std::string& path, int32_t block_size, const Settings& settings,
            const std::vector<std::string>& streamed);

  oxhost::ModuleHost& host() { return *host_; }
  int32_t Pin(const std::string& name);
  oxhost::PinValue Value(int32_t pin, const std::string& text);
  // Processes `blocks` whole blocks.
  void Run(int32_t blocks);

 private:
  std::unique_ptr<oxhost::ModuleLibrary> library_;
  std::unique_ptr<oxhost::ModuleHost> host_;
  int32_t block_size_;
};

}  // namespace oxbench
