// libFuzzer entry for one module library (OX_FUZZ_LIBRARY): every input is a
// host script played on one instance of each of two private replicas of the
// library, loaded once for the whole run.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/host_script.h"
#include "fuzz/library_replica.h"

namespace {

std::unique_ptr<oxfuzz::LibraryReplica> first_replica;
std::unique_ptr<oxfuzz::LibraryReplica> second_replica;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  first_replica = oxfuzz::LibraryReplica::Load(OX_FUZZ_LIBRARY, error);
  if (first_replica) second_replica = oxfuzz::LibraryReplica::Load(OX_FUZZ_LIBRARY, error);
  if (!second_replica) {
    std::fprintf(stderr, "cannot load the module library: %s\n", error.c_str());
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  oxfuzz::PlayHostScript(data, size, *first_replica, *second_replica);
  return 0;
}
