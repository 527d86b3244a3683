// Loads a real module library and drives its module through the host
// library, with pin values given as a user writes them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/module_host.h"

namespace oxtest {

struct HostRig {
  std::unique_ptr<oxhost::ModuleLibrary> library;
  std::unique_ptr<oxhost::ModuleHost> host;

  explicit HostRig(const char* path) {
    std::string error;
    library = oxhost::ModuleLibrary::Load(path, error);
    EXPECT_TRUE(library) << error;
    if (library) host = oxhost::ModuleHost::Load(*library, error);
    EXPECT_TRUE(host) << error;
  }
  ~HostRig() { host.reset(); }

  int32_t Pin(const std::string& name) {
    std::string error;
    const oxhost::PinDescription* pin = host->FindPin(name, error);
    EXPECT_NE(pin, nullptr) << error;
    return pin ? pin->number : -1;
  }
  oxhost::PinValue Value(const std::string& name, const std::string& text) {
    std::string error;
    oxhost::PinValue value;
    const oxhost::PinDescription* pin = host->FindPin(name, error);
    EXPECT_TRUE(pin && oxhost::ParsePinValue(*pin, text, value, error)) << error;
    return value;
  }
  void Set(const std::string& name, const std::string& text) {
    std::string error;
    EXPECT_TRUE(host->SetInitialValue(Pin(name), Value(name, text), error)) << error;
  }
  void ChangeAt(int64_t clock, const std::string& name, const std::string& text) {
    std::string error;
    EXPECT_TRUE(host->ScheduleChange(clock, Pin(name), Value(name, text), error)) << error;
  }
};

}  // namespace oxtest
