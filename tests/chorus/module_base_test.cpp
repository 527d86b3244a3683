// The generation-1 framework through a test-only module built on it: the
// event queue and block splitting, clock re-syncs, pin creation and binding,
// value writes by data type, deferred calls, data events and the contract
// checks that the chorus cannot reach.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/chorus/probe/probe_reports.h"
#include "tests/chorus/support/gen1_instance.h"
#include "tests/support/contract_report.h"

namespace {

using oxtest::Gen1Instance;

const std::string kProbeLibrary = OX_PROBE_LIBRARY;
constexpr int32_t kDescribedPins = 5;
enum ProbePin : int32_t { kEnumPin = 0, kBoolPin, kIntPin, kHostValuePin, kAudioPin };

class Probe : public Gen1Instance {
 public:
  explicit Probe(int32_t pin_count = kDescribedPins, bool repeat_last = false, uint32_t clock = 0)
      : Gen1Instance(kProbeLibrary, pin_count, 128) {
    probe::ProbeSettings settings{repeat_last ? 1 : 0};
    Dispatch(ox1::MOD_QUERY_4, 0, 0, &settings);
    set_clock(clock);
    Open();
    side().calls.clear();
  }

  // The reports of status changes and process calls, as readable lines.
  std::vector<std::string> Trace() const {
    std::vector<std::string> lines;
    for (const oxhost::HostCall& call : side().calls) {
      const std::string clock = std::to_string(static_cast<uint32_t>(call.ptr));
      switch (call.opcode) {
        case probe::kStatusSeen:
          lines.push_back("pin " + std::to_string(call.index) + " status " + std::to_string(call.value) + " at " + clock);
          break;
        case probe::kValueSeen:
          lines.push_back("value " + std::to_string(call.value));
          break;
        case probe::kRendered:
          lines.push_back("render " + std::to_string(call.index) + "+" + std::to_string(call.value) + " at " + clock);
          break;
        case probe::kDataSeen:
          lines.push_back("data " + std::to_string(call.index) + " " + std::to_string(call.value) + " at " + clock);
          break;
        default:
          break;
      }
    }
    return lines;
  }

  std::vector<int32_t> Reported(int32_t report, int32_t field_of_index = 0) const {
    std::vector<int32_t> values;
    for (const oxhost::HostCall& call : side().calls) {
      if (call.opcode == report) values.push_back(field_of_index ? call.index : call.value);
    }
    return values;
  }
};

using Lines = std::vector<std::string>;

TEST(ModuleBaseTest, BlockIsSplitAtEventTimes) {
  Probe probe(kDescribedPins, false, 100);
  probe.PinEvent(100, kIntPin, ox1::PS_ONE_CHANGE, 1);
  probe.PinEvent(170, kIntPin, ox1::PS_ONE_CHANGE, 4);
  probe.PinEvent(110, kIntPin, ox1::PS_ONE_CHANGE, 2);
  probe.PinEvent(110, kIntPin, ox1::PS_ONE_CHANGE, 3);
  probe.Process(5, 64);
  EXPECT_EQ(probe.Trace(), (Lines{"pin 2 status 1 at 100", "value 1", "render 5+10 at 100", "pin 2 status 1 at 110",
                                  "value 2", "pin 2 status 1 at 110", "value 3", "render 15+54 at 110"}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 0) << "the event at 170 waits";
  probe.side().calls.clear();
  probe.Process(0, 64);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+6 at 164", "pin 2 status 1 at 170", "value 4", "render 6+58 at 170"}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

TEST(ModuleBaseTest, EqualTimeStampsApplyInOrderOfArrival) {
  Probe probe;
  const uint32_t stamps[] = {20, 10, 20, 10, 20};
  for (int32_t value = 0; value < 5; ++value) probe.PinEvent(stamps[value], kIntPin, ox1::PS_STATIC, value);
  probe.Process(0, 32);
  EXPECT_EQ(probe.Reported(probe::kValueSeen), (std::vector<int32_t>{1, 3, 0, 2, 4}));
  EXPECT_EQ(probe.Reported(probe::kRendered), (std::vector<int32_t>{10, 10, 12}));
}

TEST(ModuleBaseTest, QueueKeepsTimeOrderWhileBlocksDrainIt) {
  Probe probe;
  probe.PinEvent(10, kIntPin, ox1::PS_STATIC, 1);
  probe.PinEvent(20, kIntPin, ox1::PS_STATIC, 2);
  probe.Process(0, 15);  // applies 10; 20 stays queued as the last event
  probe.PinEvent(30, kIntPin, ox1::PS_STATIC, 4);
  probe.PinEvent(25, kIntPin, ox1::PS_STATIC, 3);
  probe.Process(0, 20);  // applies 20, 25 and 30: the queue is empty again
  probe.PinEvent(40, kIntPin, ox1::PS_STATIC, 6);
  probe.PinEvent(35, kIntPin, ox1::PS_STATIC, 5);
  probe.PinEvent(40, kIntPin, ox1::PS_STATIC, 7);
  probe.Process(0, 5);  // applies 35; both events at 40 wait for the next block
  EXPECT_EQ(probe.Reported(probe::kValueSeen), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 0);
  probe.Process(0, 1);
  EXPECT_EQ(probe.Reported(probe::kValueSeen), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

TEST(ModuleBaseTest, EventAtTheBlockEndOpensTheNextBlock) {
  Probe probe;
  probe.PinEvent(16, kIntPin, ox1::PS_STATIC, 9);
  probe.Process(0, 16);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+16 at 0"}));
  probe.side().calls.clear();
  probe.Process(0, 16);
  EXPECT_EQ(probe.Trace(), (Lines{"pin 2 status 0 at 16", "value 9", "render 0+16 at 16"}));
}

TEST(ModuleBaseTest, EmptyQueueRendersTheWholeBlockOnce) {
  Probe probe(kDescribedPins, false, 4000000000u);
  probe.Process(3, 40);
  EXPECT_EQ(probe.Trace(), (Lines{"render 3+40 at 4000000000"}));
}

TEST(ModuleBaseTest, ResyncMovesOverdueEventsToTheNewClock) {
  Probe probe;
  probe.PinEvent(12, kIntPin, ox1::PS_STATIC, 2);
  probe.PinEvent(10, kIntPin, ox1::PS_STATIC, 1);
  probe.PinEvent(80, kIntPin, ox1::PS_STATIC, 3);
  probe.set_clock(50);
  EXPECT_EQ(probe.Dispatch(ox1::MOD_RESYNC_CLOCK), 0);
  probe.Process(0, 64);
  EXPECT_EQ(probe.Trace(), (Lines{"pin 2 status 0 at 50", "value 1", "pin 2 status 0 at 50", "value 2",
                                  "render 0+30 at 50", "pin 2 status 0 at 80", "value 3", "render 30+34 at 80"}));
}

struct ValueCase {
  int32_t pin;
  int32_t value;
  int32_t stored;
};

TEST(ModuleBaseTest, StatusEventsWriteValuesByDataType) {
  const ValueCase cases[] = {
      {kEnumPin, 65538, 2},       {kEnumPin, 0x18000, -32768}, {kEnumPin, -1, -1},  {kBoolPin, 5, 1},
      {kBoolPin, 256, 1},         {kBoolPin, 0, 0},            {kIntPin, 123456789, 123456789},
      {kIntPin, -7, -7},
  };
  Probe probe;
  for (const ValueCase& c : cases) probe.PinEvent(0, c.pin, ox1::PS_ONE_CHANGE, c.value);
  probe.Process(0, 8);
  std::vector<int32_t> expected;
  for (const ValueCase& c : cases) expected.push_back(c.stored);
  EXPECT_EQ(probe.Reported(probe::kValueSeen), expected);
}

TEST(ModuleBaseTest, HostValuePinsHandTheValueBack) {
  Probe probe;
  probe.PinEvent(0, kHostValuePin, ox1::PS_ONE_CHANGE, 77);
  probe.Process(0, 8);
  const auto calls = probe.side().CallsWithOpcode(ox1::HC_SET_PIN_VALUE);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].index, kHostValuePin);
  EXPECT_EQ(calls[0].value, 77);
  EXPECT_EQ(probe.Reported(probe::kStatusSeen, 1), (std::vector<int32_t>{kHostValuePin}));
}

// An audio pin takes no value from an event but its module is still told;
// its current sample is the host buffer's at the event's clock.
TEST(ModuleBaseTest, AudioPinEventsReachTheModuleAndReadTheCurrentSample) {
  Probe probe(kDescribedPins, false, 1000);
  probe.Buffer(kAudioPin)[12] = 0.625f;
  probe.PinEvent(1012, kAudioPin, ox1::PS_STREAMING, 12345);
  probe.Process(0, 32);
  int32_t bits;
  const float sample = 0.625f;
  std::memcpy(&bits, &sample, sizeof bits);
  EXPECT_EQ(probe.Reported(probe::kValueSeen), (std::vector<int32_t>{bits}));
}

TEST(ModuleBaseTest, OneChangeIsSeenOnlyWhileTheModuleIsTold) {
  Probe probe;
  probe.PinEvent(0, kEnumPin, ox1::PS_ONE_CHANGE, 1);
  probe.PinEvent(1, kBoolPin, ox1::PS_STATIC, 1);
  probe.PinEvent(2, kEnumPin, ox1::PS_STREAMING, 1);
  probe.PinEvent(3, kBoolPin, ox1::PS_STATIC, 1);
  probe.Process(0, 8);
  EXPECT_EQ(probe.Reported(probe::kStatusSeen), (std::vector<int32_t>{1, 0, 2, 0}));
  EXPECT_EQ(probe.Reported(probe::kFirstPinStatus), (std::vector<int32_t>{1, 0, 2, 2}));
}

TEST(ModuleBaseTest, LastDescriptionIsRepeatedWhenItAsks) {
  oxtest::Gen1Instance instance(kProbeLibrary, 7, 64);
  probe::ProbeSettings settings{1};
  instance.Dispatch(ox1::MOD_QUERY_4, 0, 0, &settings);
  instance.Open();
  std::vector<int32_t> buffers_asked;
  for (const auto& call : instance.side().CallsWithOpcode(ox1::HC_PIN_BUFFER)) buffers_asked.push_back(call.index);
  EXPECT_EQ(buffers_asked, (std::vector<int32_t>{4, 5, 6}));

  instance.Buffer(6)[3] = -2.5f;
  instance.PinEvent(3, 6, ox1::PS_STREAMING);
  instance.side().calls.clear();
  instance.Process(0, 8);
  int32_t bits;
  const float sample = -2.5f;
  std::memcpy(&bits, &sample, sizeof bits);
  std::vector<int32_t> types, values;
  for (const auto& call : instance.side().calls) {
    if (call.opcode == probe::kTypeSeen) types.push_back(call.value);
    if (call.opcode == probe::kValueSeen) values.push_back(call.value);
  }
  EXPECT_EQ(types, (std::vector<int32_t>{ox1::DT_FSAMPLE}));
  EXPECT_EQ(values, (std::vector<int32_t>{bits}));
}

// Pins past the descriptions stay unbound: an event for one changes nothing
// the module could see.
TEST(ModuleBaseTest, UnboundPinsAreHarmless) {
  Probe probe(7, false);
  probe.PinEvent(0, 5, ox1::PS_STREAMING, 3);
  probe.PinEvent(0, 6, ox1::PS_ONE_CHANGE, 3);
  probe.Process(0, 8);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+8 at 0"}));
}

TEST(ModuleBaseTest, EventsForPinsOutsideTheArrayAreIgnored) {
  Probe probe;
  for (intptr_t target : {intptr_t{5}, intptr_t{-1}, intptr_t{0x7FFFFFFF}}) {
    probe.AddEvent(0, ox1::EV_PIN_STATUS, ox1::PS_ONE_CHANGE, 1, target);
  }
  probe.Process(0, 8);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+8 at 0"}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

struct PinCountCase {
  int32_t host_pins;
  bool repeat_last;
  std::vector<int32_t> asked;
};

TEST(ModuleBaseTest, PinCreationAsksForTheDescriptions) {
  const PinCountCase cases[] = {
      {5, false, {0, 1, 2, 3, 4, 5, 4}}, {3, false, {0, 1, 2, 3, 2}}, {0, false, {0, -1}},
      {7, true, {0, 1, 2, 3, 4, 5, 4}},
  };
  for (const PinCountCase& c : cases) {
    oxtest::Gen1Instance instance(kProbeLibrary, c.host_pins, 64);
    probe::ProbeSettings settings{c.repeat_last ? 1 : 0};
    instance.Dispatch(ox1::MOD_QUERY_4, 0, 0, &settings);
    instance.Open();
    std::vector<int32_t> asked;
    for (const auto& call : instance.side().CallsWithOpcode(probe::kAskedForPin)) asked.push_back(call.index);
    EXPECT_EQ(asked, c.asked) << c.host_pins << " host pins";
  }
}

TEST(ModuleBaseTest, DataEventsPassTheLow16BitsOfTheSecondValue) {
  Probe probe;
  probe.AddEvent(3, ox1::EV_DATA, 9, 0x12345678, 0);
  probe.AddEvent(5, ox1::EV_DATA, -4, 0x0000FFFF, 0);
  probe.Process(0, 8);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+3 at 0", "data 9 22136 at 3", "render 3+2 at 3", "data -4 -1 at 5",
                                  "render 5+3 at 5"}));
}

std::vector<intptr_t> deferred_arguments;

extern "C" void OX_CDECL RecordDeferredCall(intptr_t argument) { deferred_arguments.push_back(argument); }

ox1::OXDeferredCall* NewCall(intptr_t argument, bool with_function = true) {
  auto* call = static_cast<ox1::OXDeferredCall*>(std::malloc(sizeof(ox1::OXDeferredCall)));
  call->argument = argument;
  call->function = with_function ? &RecordDeferredCall : nullptr;
  return call;
}

TEST(ModuleBaseTest, DeferredCallsRunAtTheirSample) {
  deferred_arguments.clear();
  Probe probe;
  probe.AddEvent(4, ox1::EV_DEFERRED_CALL, 0, 0, reinterpret_cast<intptr_t>(NewCall(42)));
  probe.AddEvent(4, ox1::EV_DEFERRED_CALL, 0, 0, 0);
  probe.AddEvent(6, ox1::EV_DEFERRED_CALL, 0, 0, reinterpret_cast<intptr_t>(NewCall(43, false)));
  probe.Process(0, 5);
  EXPECT_EQ(deferred_arguments, (std::vector<intptr_t>{42}));
  probe.Process(0, 5);
  EXPECT_EQ(deferred_arguments, (std::vector<intptr_t>{42}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

TEST(ModuleBaseTest, EventsOfOtherTypesAreOnlyRemoved) {
  Probe probe;
  probe.AddEvent(2, 21, 1, 2, kIntPin);
  probe.AddEvent(2, 6, 1, 2, kIntPin);
  probe.Process(0, 8);
  EXPECT_EQ(probe.Trace(), (Lines{"render 0+2 at 0", "render 2+6 at 2"}));
  EXPECT_EQ(probe.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

// Events never applied go with the instance; a deferred call among them is
// not run.
TEST(ModuleBaseTest, CloseReleasesQueuedEvents) {
  deferred_arguments.clear();
  auto* probe = new Probe;
  probe->AddEvent(100, ox1::EV_DEFERRED_CALL, 0, 0, reinterpret_cast<intptr_t>(NewCall(7)));
  probe->PinEvent(100, kIntPin, ox1::PS_STATIC, 1);
  EXPECT_EQ(probe->Close(), 1);
  delete probe;
  EXPECT_TRUE(deferred_arguments.empty());
}

TEST(ModuleBaseTest, SecondOpenReplacesThePins) {
  Probe probe;
  probe.Open();
  std::vector<int32_t> asked;
  for (const auto& call : probe.side().CallsWithOpcode(probe::kAskedForPin)) asked.push_back(call.index);
  EXPECT_EQ(asked, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 4}));
  probe.PinEvent(0, kIntPin, ox1::PS_STATIC, 5);
  probe.side().calls.clear();
  probe.Process(0, 4);
  EXPECT_EQ(probe.Trace(), (Lines{"pin 2 status 0 at 0", "value 5", "render 0+4 at 0"}));
}

// Without a host callback the instance sees clock 0 and no pins.
TEST(ModuleBaseTest, WorksWithoutAHostCallback) {
  ox1::OXMainEntry entry = oxtest::MainEntry(kProbeLibrary);
  ASSERT_NE(entry, nullptr);
  ox1::OXModuleRecord* record = entry(nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->dispatch_entry(record, ox1::MOD_OPEN, 0, 0, nullptr, 0.0f), 0);
  ox1::OXHostEvent event{2, ox1::EV_PIN_STATUS, 1, 1, 0};
  record->dispatch_entry(record, ox1::MOD_ADD_EVENT, 0, 0, &event, 0.0f);
  record->process_entry(record, 0, 8);
  EXPECT_EQ(record->dispatch_entry(record, ox1::MOD_QUEUE_EMPTY, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(record->dispatch_entry(record, ox1::MOD_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

using ModuleBaseDeathTest = ::testing::Test;

TEST(ModuleBaseDeathTest, PinAccessBeforeOpenBreaksTheContract) {
  EXPECT_DEATH(
      {
        Gen1Instance instance(kProbeLibrary, kDescribedPins, 16);
        int32_t breach = probe::kPinBeforeOpen;
        instance.Dispatch(ox1::MOD_QUERY_5, 0, 0, &breach);
      },
      oxtest::ContractReport("m_pins != 0", "ox_sdk/OXModule_base", 133));
}

TEST(ModuleBaseDeathTest, HandlingAnEventNotDueNowBreaksTheContract) {
  EXPECT_DEATH(
      {
        Probe probe;
        int32_t breach = probe::kEventNotDueNow;
        probe.Dispatch(ox1::MOD_QUERY_5, 0, 0, &breach);
      },
      oxtest::ContractReport("e->time_stamp == SampleClock()", "ox_sdk/OXModule_base", 242));
}

}  // namespace
