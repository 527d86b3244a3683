// The host driver against two small modules linked into the test program:
// numbering, starting values, event timing, split process calls, clocks,
// variable writes, sleep and process-entry changes, for both generations.
#include "host/module_host.h"

#include <gtest/gtest.h>

#include "tests/host/fake_modules.h"

namespace {

using oxhost::ModuleHost;
using oxhost::PinValue;
using oxtest::FakeGeneration1;
using oxtest::FakeGeneration2;

std::unique_ptr<ModuleHost> ConnectGeneration2(int32_t repeated_pins = 0) {
  std::string error;
  auto instance = oxhost::CreateGeneration2Instance(oxtest::FakeGeneration2Properties,
                                                    oxtest::FakeGeneration2Make, error);
  EXPECT_TRUE(instance) << error;
  auto host = ModuleHost::Connect(std::move(instance), error, repeated_pins);
  EXPECT_TRUE(host) << error;
  return host;
}

std::unique_ptr<ModuleHost> ConnectGeneration1() {
  std::string error;
  auto instance = oxhost::CreateGeneration1Instance(oxtest::FakeGeneration1Main, error);
  EXPECT_TRUE(instance) << error;
  auto host = ModuleHost::Connect(std::move(instance), error);
  EXPECT_TRUE(host) << error;
  return host;
}

PinValue Sample(float value) {
  PinValue pin_value;
  pin_value.sample = value;
  return pin_value;
}

PinValue Integer(int32_t value) {
  PinValue pin_value;
  pin_value.integer = value;
  return pin_value;
}

TEST(ModuleHostTest, NumbersPinsWithoutGuiOnlyDescriptionsAndRepeatsTheLast) {
  auto host = ConnectGeneration2(2);
  ASSERT_TRUE(host);
  const auto& description = host->description();
  EXPECT_EQ(description.generation, 2);
  EXPECT_EQ(description.name, "Fake Two");
  EXPECT_EQ(description.about, "line one\nline two");
  EXPECT_EQ(description.flags, 5);
  struct Expected {
    const char* name;
    int32_t description_index;
    bool has_variable;
  };
  const Expected expected[] = {{"Level", 0, true}, {"Mode", 2, true}, {"Out", 3, true},
                               {"Extra", 4, false}, {"Extra", 4, false}, {"Extra", 4, false}};
  ASSERT_EQ(description.pins.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(description.pins[i].number, static_cast<int32_t>(i));
    EXPECT_EQ(description.pins[i].name, expected[i].name);
    EXPECT_EQ(description.pins[i].description_index, expected[i].description_index);
    EXPECT_EQ(description.pins[i].variable_address != nullptr, expected[i].has_variable);
  }
  ASSERT_EQ(description.pins[1].choices.size(), 3u);
  EXPECT_EQ(description.pins[1].choices[2].label, "Quiet");
  EXPECT_EQ(description.pins[1].choices[2].value, 7);
}

TEST(ModuleHostTest, RepeatsOnlyALastPinThatAsksForIt) {
  std::string error;
  auto instance = oxhost::CreateGeneration1Instance(oxtest::FakeGeneration1Main, error);
  ASSERT_TRUE(instance) << error;
  EXPECT_FALSE(ModuleHost::Connect(std::move(instance), error, 1));
  EXPECT_NE(error.find("does not repeat"), std::string::npos) << error;
}

TEST(ModuleHostTest, FindsPinsByNumberOrNameAndRefusesSharedNames) {
  auto host = ConnectGeneration2(2);
  ASSERT_TRUE(host);
  struct Case {
    const char* text;
    int32_t number;  // -1: refused
    const char* message;
  };
  const Case cases[] = {{"1", 1, ""},
                        {"Mode", 1, ""},
                        {"mode", -1, "no pin named 'mode'"},
                        {"6", -1, "no pin number 6 (the module has pins 0 to 5)"},
                        {"Extra", -1, "pin name 'Extra' is shared by pins 3, 4 and 5; name the pin by its number"},
                        {"4", 4, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const auto* pin = host->FindPin(c.text, error);
    if (c.number < 0) {
      EXPECT_EQ(pin, nullptr);
      EXPECT_NE(error.find(c.message), std::string::npos) << error;
    } else {
      ASSERT_NE(pin, nullptr) << error;
      EXPECT_EQ(pin->number, c.number);
    }
  }
}

TEST(ModuleHostTest, RefusesValuesForOutputsStreamsOnlySampleInputsAndKeepsTime) {
  auto host = ConnectGeneration2();
  ASSERT_TRUE(host);
  std::string error;
  EXPECT_FALSE(host->SetInitialValue(2, Sample(1.0f), error));
  EXPECT_NE(error.find("is not an input"), std::string::npos) << error;
  EXPECT_FALSE(host->StreamInput(1, error));
  EXPECT_NE(error.find("is not a sample pin"), std::string::npos) << error;
  ASSERT_TRUE(host->StreamInput(3, error)) << error;
  EXPECT_FALSE(host->SetInitialValue(3, Sample(1.0f), error));
  ASSERT_TRUE(host->Open(44100.0f, 16, error)) << error;
  EXPECT_FALSE(host->ScheduleChange(5, 3, Sample(0.0f), error)) << "a streamed input takes no constant";
  host->ProcessBlock(16);
  EXPECT_FALSE(host->ScheduleChange(15, 0, Sample(0.0f), error));
  EXPECT_NE(error.find("lies before the current sample 16"), std::string::npos) << error;
  EXPECT_TRUE(host->ScheduleChange(16, 0, Sample(0.0f), error)) << error;
}

TEST(ModuleHostTest, GenerationTwoEventsComeAtTheirOwnClockBetweenSplitProcessCalls) {
  auto host = ConnectGeneration2();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->Open(44100.0f, 64, error)) << error;
  ASSERT_TRUE(host->ScheduleChange(100, 1, Integer(0), error)) << error;
  FakeGeneration2* module = FakeGeneration2::last;
  ASSERT_NE(module, nullptr);
  for (int block = 0; block < 3; ++block) host->ProcessBlock(64);

  // Starting events at clock 0 for every input, then the change at 100; the
  // host answers each event's own clock.
  struct Event {
    int32_t time, pin, status, mode;
    std::size_t calls_before;
  };
  // Mode's variable is written just before Mode's own event, not earlier.
  const Event events[] = {{0, 0, ox2::PS_STATIC, -1, 0}, {0, 1, ox2::PS_STATIC, 1, 0}, {0, 3, ox2::PS_STATIC, 1, 0},
                          {100, 1, ox2::PS_ONE_CHANGE, 0, 2}};
  ASSERT_EQ(module->events.size(), std::size(events));
  for (std::size_t i = 0; i < std::size(events); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(module->events[i].time_stamp, events[i].time);
    EXPECT_EQ(module->events[i].host_clock, events[i].time);
    EXPECT_EQ(module->events[i].pin, events[i].pin);
    EXPECT_EQ(module->events[i].status, events[i].status);
    EXPECT_EQ(module->events[i].mode, events[i].mode);
    EXPECT_EQ(module->events[i].level, 0.5f) << "Level's buffer holds its default, 5 tenths";
    EXPECT_EQ(module->events[i].process_calls_before, events[i].calls_before);
  }
  struct Call {
    int32_t offset, count, clock;
  };
  const Call calls[] = {{0, 64, 0}, {0, 36, 64}, {36, 28, 100}, {0, 64, 128}};
  ASSERT_EQ(module->calls.size(), std::size(calls));
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(module->calls[i].offset, calls[i].offset);
    EXPECT_EQ(module->calls[i].count, calls[i].count);
    EXPECT_EQ(module->calls[i].host_clock, calls[i].clock);
  }
  EXPECT_EQ(host->clock(), 192);
}

TEST(ModuleHostTest, SleepingModuleIsLeftAloneUntilAPinChangesAndItsOutputHolds) {
  auto host = ConnectGeneration2();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->Open(44100.0f, 64, error)) << error;
  ASSERT_TRUE(host->ScheduleChange(10, 1, Integer(7), error)) << error;
  ASSERT_TRUE(host->ScheduleChange(200, 1, Integer(1), error)) << error;
  FakeGeneration2* module = FakeGeneration2::last;
  const float* out = host->OutputBuffer(2);
  ASSERT_NE(out, nullptr);

  host->ProcessBlock(64);
  EXPECT_TRUE(host->asleep());
  ASSERT_EQ(module->calls.size(), 2u);
  EXPECT_FALSE(module->calls[0].quiet);
  EXPECT_TRUE(module->calls[1].quiet) << "the host took the process entry the module announced";
  EXPECT_EQ(module->calls[1].offset, 10);

  host->ProcessBlock(64);
  host->ProcessBlock(64);
  EXPECT_EQ(module->calls.size(), 2u) << "no calls while asleep";
  for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], i < 10 ? 1.5f : 0.0f) << i;

  host->ProcessBlock(64);  // Mode changes back at 200, sample 8 of this block
  EXPECT_FALSE(host->asleep());
  ASSERT_EQ(module->calls.size(), 3u);
  EXPECT_FALSE(module->calls[2].quiet);
  EXPECT_EQ(module->calls[2].offset, 8);
  EXPECT_EQ(module->calls[2].count, 56);
  EXPECT_EQ(module->calls[2].host_clock, 200);
  // Elements before 8 still hold what the module wrote before it slept.
  for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], 1.5f) << i;
}

TEST(ModuleHostTest, GenerationOneEventsGoAheadWithTheirValuesAndBuffersFollowChanges) {
  auto host = ConnectGeneration1();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->StreamInput(0, error)) << error;
  ASSERT_TRUE(host->Open(48000.0f, 32, error)) << error;
  ASSERT_TRUE(host->ScheduleChange(40, 1, Sample(2.0f), error)) << error;
  ASSERT_TRUE(host->ScheduleChange(64, 3, Integer(1), error)) << error;
  FakeGeneration1* module = FakeGeneration1::last;
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->open_clock, 0);
  EXPECT_EQ(module->pin_count, 4);

  float* in = host->InputBuffer(0);
  const float* out = host->OutputBuffer(2);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  std::vector<float> expected_out;
  for (int block = 0; block < 3; ++block) {
    for (int i = 0; i < 32; ++i) in[i] = static_cast<float>(block * 32 + i);
    host->ProcessBlock(32);
    for (int i = 0; i < 32; ++i) {
      int clock = block * 32 + i;
      EXPECT_EQ(out[i], static_cast<float>(clock) * (clock < 40 ? 1.0f : 2.0f)) << clock;
    }
  }

  struct Event {
    int32_t time, pin, status, value;
    std::size_t calls_before;
  };
  // Direction 3 on "Switch" still makes it an input.
  const Event events[] = {{0, 0, ox1::PS_STREAMING, 0, 0}, {0, 1, ox1::PS_STATIC, 0, 0}, {0, 3, ox1::PS_STATIC, 0, 0},
                          {40, 1, ox1::PS_ONE_CHANGE, 0, 1}, {64, 3, ox1::PS_ONE_CHANGE, 1, 2}};
  ASSERT_EQ(module->events.size(), std::size(events));
  for (std::size_t i = 0; i < std::size(events); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(module->events[i].time_stamp, events[i].time);
    EXPECT_EQ(module->events[i].pin, events[i].pin);
    EXPECT_EQ(module->events[i].status, events[i].status);
    EXPECT_EQ(module->events[i].value2, events[i].value);
    EXPECT_EQ(module->events[i].process_calls_before, events[i].calls_before);
  }
  ASSERT_EQ(module->calls.size(), 3u);
  for (const auto& call : module->calls) {
    EXPECT_EQ(call.offset, 0);
    EXPECT_EQ(call.count, 32);
  }
}

TEST(ModuleHostTest, ClosingEndsTheInstanceOnce) {
  auto host = ConnectGeneration1();
  ASSERT_TRUE(host);
  std::string error;
  ASSERT_TRUE(host->Open(44100.0f, 8, error)) << error;
  host->Close();
  EXPECT_EQ(FakeGeneration1::last, nullptr);
  host->ProcessBlock(8);  // ignored after close
  host.reset();           // no second close
}

}  // namespace
