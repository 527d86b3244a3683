#include "bench/bench_host.h"

#include <cstdio>
#include <cstdlib>

namespace oxbench {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "ox_bench: %s\n", what.c_str());
  std::exit(1);
}

}  // namespace

BenchHost::BenchHost(const std::string& path, int32_t block_size, const Settings& settings,
                     const std::vector<std::string>& streamed)
    : block_size_(block_size) {
  std::string error;
  library_ = oxhost::ModuleLibrary::Load(path, error);
  if (!library_) Fail(error);
  host_ = oxhost::ModuleHost::Load(*library_, error);
  if (!host_) Fail(path + ": " + error);
  for (const auto& [name, text] : settings) {
    const int32_t pin = Pin(name);
    if (!host_->SetInitialValue(pin, Value(pin, text), error)) Fail(error);
  }
  for (const std::string& name : streamed) {
    if (!host_->StreamInput(Pin(name), error)) Fail(error);
  }
  if (!host_->Open(44100.0f, block_size, error)) Fail(error);
  uint32_t noise = 12345;
  for (const std::string& name : streamed) {
    float* buffer = host_->InputBuffer(Pin(name));
    for (int32_t i = 0; i < block_size; ++i) {
      noise = noise * 1664525u + 1013904223u;
      buffer[i] = static_cast<float>(static_cast<int32_t>(noise)) * 0x1p-32f;
    }
  }
}

int32_t BenchHost::Pin(const std::string& name) {
  std::string error;
  const oxhost::PinDescription* pin = host_->FindPin(name, error);
  if (!pin) Fail(error);
  return pin->number;
}

oxhost::PinValue BenchHost::Value(int32_t pin, const std::string& text) {
  std::string error;
  oxhost::PinValue value;
  if (!oxhost::ParsePinValue(host_->description().pins[pin], text, value, error)) Fail(error);
  return value;
}

void BenchHost::Run(int32_t blocks) {
  for (int32_t b = 0; b < blocks; ++b) host_->ProcessBlock(block_size_);
}

}  // namespace oxbench
