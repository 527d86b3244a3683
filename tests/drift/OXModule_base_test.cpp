#include "ox_sdk2/OXModule_base.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/drift/framework_probe.h"
#include "tests/support/contract_report.h"

namespace {

using probe::Describe;
using probe::ProbeInstance;
using probe::ProbeModule;

uint32_t WordAt(const void* record, size_t offset) {
  uint32_t word;
  std::memcpy(&word, static_cast<const char*>(record) + offset, sizeof word);
  return word;
}

TEST(OXModuleBaseTest, ConstructionFillsTheRecord) {
  ProbeInstance instance(0, {});
  OXModuleRecord* record = instance.module->Record();
  EXPECT_EQ(WordAt(record, 0), 0x4F58507Bu);
  EXPECT_EQ(record->version, 1);
  EXPECT_EQ(record->host_handle, reinterpret_cast<void*>(0x5A5A));
  EXPECT_EQ(record->object, static_cast<OXModule_base*>(instance.module));
  EXPECT_EQ(record->reserved16, 0);
  for (int32_t word : record->reserved32) EXPECT_EQ(word, 0);
  ASSERT_NE(record->dispatch_entry, nullptr);
  ASSERT_NE(record->event_entry, nullptr);
  ASSERT_NE(record->process_entry, nullptr);
  EXPECT_EQ(instance.module->SampleRate(), 44100.0f);
  EXPECT_EQ(instance.module->BlockSize(), 1024);
}

TEST(OXModuleBaseTest, UntilAFunctionIsInstalledProcessingDoesNothing) {
  ProbeInstance instance(1, {Describe(DT_FSAMPLE)});
  instance.module->Call(MOD_OPEN);
  instance.host.calls.clear();
  instance.module->RunProcess(0, 16);
  EXPECT_TRUE(instance.host.calls.empty());
  EXPECT_EQ(instance.module->processed_count, -1);
}

TEST(OXModuleBaseTest, OpcodesWithoutAnOperationAnswerZeroAndDoNothing) {
  ProbeInstance instance(0, {});
  for (int32_t opcode : {4, 5, 9, 11, 14, -1, 0x7FFFFFFF}) {
    EXPECT_EQ(instance.module->Call(opcode, 1, 2, reinterpret_cast<void*>(3), 4.0f), 0) << opcode;
  }
  EXPECT_TRUE(instance.module->calls.empty());
  EXPECT_TRUE(instance.host.calls.empty());
}

TEST(OXModuleBaseTest, SampleRateAndBlockSizeAreStoredUnchecked) {
  ProbeInstance instance(0, {});
  for (float rate : {48000.0f, 0.0f, -3.5f}) {
    EXPECT_EQ(instance.module->Call(MOD_SET_SAMPLE_RATE, 0, 0, nullptr, rate), 0);
    EXPECT_EQ(instance.module->SampleRate(), rate);
  }
  for (int32_t size : {64, 0, -7}) {
    EXPECT_EQ(instance.module->Call(MOD_SET_BLOCK_SIZE, 0, size), 0);
    EXPECT_EQ(instance.module->BlockSize(), size);
  }
}

TEST(OXModuleBaseTest, NotifyCountsOnlyPositiveIndexes) {
  struct Case {
    int32_t index;
    std::vector<std::string> calls;
  };
  for (const Case& c : {Case{0, {"OnNotify"}}, Case{3, {"OnNotify", "OnNotifyCount"}}, Case{-2, {"OnNotify"}}}) {
    ProbeInstance instance(0, {});
    EXPECT_EQ(instance.module->Call(MOD_NOTIFY, c.index), 0);
    EXPECT_EQ(instance.module->calls, c.calls) << c.index;
    if (c.index > 0) {
      EXPECT_EQ(instance.module->arguments, std::vector<intptr_t>{c.index});
    }
  }
}

TEST(OXModuleBaseTest, RequestPassesValueIndexAndPointerInThatOrder) {
  ProbeInstance instance(0, {});
  EXPECT_EQ(instance.module->Call(MOD_REQUEST, 9, 7, reinterpret_cast<void*>(0x1234)), 0);
  EXPECT_EQ(instance.module->calls, std::vector<std::string>{"OnRequest"});
  EXPECT_EQ(instance.module->arguments, (std::vector<intptr_t>{7, 9, 0x1234}));
}

TEST(OXModuleBaseTest, ProcessInfoIsOneSharedRecordDescribingTheLastCaller) {
  ProbeInstance a(0, {});
  ProbeInstance b(0, {});
  b.module->SetProcessFunction(OXProcessFunctionOf<ProbeModule, &ProbeModule::Process>());
  const intptr_t first = a.module->Call(MOD_GET_PROCESS_INFO);
  auto* info = reinterpret_cast<OXProcessFunctionInfo*>(first);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->function->code, a.module->Record()->process_entry);
  EXPECT_EQ(b.module->Call(MOD_GET_PROCESS_INFO), first);
  EXPECT_EQ(info->kind, 1);
  EXPECT_EQ(info->size, static_cast<int32_t>(sizeof(OXProcessFunction)));
  if (sizeof(void*) == 4) {
    EXPECT_EQ(info->size, 12);
  }
  EXPECT_EQ(info->function->code, b.module->Record()->process_entry);
  EXPECT_NE(info->function->code, a.module->Record()->process_entry);
  EXPECT_EQ(info->reserved, 0);
}

TEST(OXModuleBaseTest, CloseRunsCloseThenDestroysTheInstance) {
  ProbeInstance instance(0, {});
  std::vector<std::string> lifecycle;
  instance.module->lifecycle = &lifecycle;
  EXPECT_EQ(instance.Close(), 1);
  EXPECT_EQ(lifecycle, (std::vector<std::string>{"Close", "destroyed"}));
}

TEST(OXModuleBaseTest, PinPropertiesAnswerWhetherAPinWasDescribed) {
  int32_t variable = 0;
  ProbeInstance instance(0, {Describe(DT_INT, &variable, IO_PATCH_STORE | IO_PRIVATE)});
  OXPinProperties properties;
  std::memset(&properties, 0, sizeof properties);
  EXPECT_EQ(instance.module->Call(MOD_GET_PIN_PROPERTIES, 0, 0, &properties), 1);
  EXPECT_EQ(properties.variable_address, &variable);
  EXPECT_EQ(properties.datatype, DT_INT);

  OXPinProperties untouched;
  std::memset(&untouched, 0, sizeof untouched);
  for (int32_t index : {1, -1}) {
    EXPECT_EQ(instance.module->Call(MOD_GET_PIN_PROPERTIES, index, 0, &untouched), 0);
    const OXPinProperties zero = {};
    EXPECT_EQ(std::memcmp(&untouched, &zero, sizeof zero), 0);
  }
  EXPECT_EQ(instance.module->Call(MOD_GET_PIN_PROPERTIES, 0, 0, nullptr), 0) << "no record to fill";
}

TEST(OXModuleBaseTest, PatchStoreIsAllowedOnOutputsPrivateAndGuiPins) {
  for (OXPinProperties allowed :
       {Describe(DT_INT, nullptr, IO_PATCH_STORE, DR_OUT), Describe(DT_INT, nullptr, IO_PATCH_STORE | IO_PRIVATE),
        Describe(DT_INT, nullptr, IO_PATCH_STORE | IO_UI_COMMUNICATION), Describe(DT_INT, nullptr, 0)}) {
    ProbeInstance instance(0, {allowed});
    OXPinProperties properties = {};
    EXPECT_EQ(instance.module->Call(MOD_GET_PIN_PROPERTIES, 0, 0, &properties), 1);
  }
}

TEST(OXModuleBaseDeathTest, PatchStoreOnAPlainInputIsAContractBreach) {
  ProbeInstance instance(0, {Describe(DT_INT, nullptr, IO_PATCH_STORE)});
  OXPinProperties properties = {};
  EXPECT_DEATH(instance.module->Call(MOD_GET_PIN_PROPERTIES, 0, 0, &properties),
               oxtest::ContractReport(
                   "(((OXPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || (((OXPinProperties*)ptr)->flags & "
                   "IO_PRIVATE) != 0 || ((OXPinProperties*)ptr)->direction == DR_OUT || ( ( "
                   "(OXPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0",
                   "ox_sdk2/OXModule_base", 80));
}

// How one host pin comes out of pin creation.
struct ExpectedPin {
  int32_t datatype;  // -1: left unbound
  int32_t from_description;  // whose variable it takes; -1: a cell of its own
};

struct PinCreationCase {
  const char* what;
  int32_t host_count;
  std::vector<OXPinProperties> descriptions;
  std::vector<ExpectedPin> pins;
  std::vector<int32_t> asked;  // descriptions asked for, in order
};

class PinCreationTest : public ::testing::TestWithParam<int> {};

int32_t variables[3];

std::vector<PinCreationCase> PinCreationCases() {
  const OXPinProperties plain0 = Describe(DT_ENUM, &variables[0]);
  const OXPinProperties plain1 = Describe(DT_INT, &variables[1]);
  const OXPinProperties sample2 = Describe(DT_FSAMPLE, &variables[2]);
  const OXPinProperties repeated2 = Describe(DT_FSAMPLE, &variables[2], IO_REPEAT_LAST);
  return {
      {"no pins", 0, {plain0, plain1, sample2}, {}, {0}},
      {"last repeated", 5, {plain0, plain1, repeated2},
       {{DT_ENUM, 0}, {DT_INT, 1}, {DT_FSAMPLE, 2}, {DT_FSAMPLE, -1}, {DT_FSAMPLE, -1}}, {0, 1, 2, 3, 2}},
      {"extra pins unbound", 5, {plain0, plain1, sample2},
       {{DT_ENUM, 0}, {DT_INT, 1}, {DT_FSAMPLE, 2}, {-1, -1}, {-1, -1}}, {0, 1, 2, 3, 2}},
      {"more descriptions than pins", 2, {plain0, plain1, sample2}, {{DT_ENUM, 0}, {DT_INT, 1}}, {0, 1, 2, 1}},
      {"GUI-only skipped", 2,
       {Describe(DT_ENUM, &variables[0], IO_UI_COMMUNICATION), plain1,
        Describe(DT_FSAMPLE, &variables[2], IO_UI_COMMUNICATION | IO_UI_ALSO_AUDIO)},
       {{DT_INT, 1}, {DT_FSAMPLE, 2}}, {0, 1, 2, 3, 2}},
      {"GUI-only last is not repeated", 3, {plain0, Describe(DT_INT, &variables[1], IO_UI_COMMUNICATION | IO_REPEAT_LAST)},
       {{DT_ENUM, 0}, {-1, -1}, {-1, -1}}, {0, 1, 2, 1}},
  };
}

TEST_P(PinCreationTest, BindsHostPinsToDescriptions) {
  const PinCreationCase c = PinCreationCases()[GetParam()];
  SCOPED_TRACE(c.what);
  ProbeInstance instance(c.host_count, c.descriptions);
  EXPECT_EQ(instance.module->Call(MOD_OPEN), 0);
  EXPECT_EQ(instance.module->asked_descriptions, c.asked);
  ASSERT_EQ(instance.module->PinCount(), static_cast<int32_t>(c.pins.size()));
  std::vector<int32_t> buffers_asked;
  for (const probe::HostCall& call : instance.host.CallsWithOpcode(HC_PIN_BUFFER)) buffers_asked.push_back(call.index);
  std::vector<int32_t> own_buffers;
  for (int32_t number = 0; number < static_cast<int32_t>(c.pins.size()); ++number) {
    const ExpectedPin& expected = c.pins[number];
    OXPin* pin = instance.module->GetPin(number);
    if (expected.datatype < 0) {
      EXPECT_FALSE(pin->IsBound()) << number;
      EXPECT_EQ(pin->Variable(), nullptr) << number;
      continue;
    }
    EXPECT_TRUE(pin->IsBound()) << number;
    EXPECT_EQ(pin->Index(), number);
    EXPECT_EQ(pin->DataType(), expected.datatype) << number;
    if (expected.from_description >= 0) {
      EXPECT_EQ(pin->Variable(), &variables[expected.from_description]) << number;
    } else {
      own_buffers.push_back(number);
      ASSERT_NE(pin->Variable(), nullptr);
      EXPECT_EQ(*static_cast<float**>(pin->Variable()), instance.host.buffers[number].data()) << number;
    }
  }
  EXPECT_EQ(buffers_asked, own_buffers) << "each repeat gets a buffer of its own";
}

INSTANTIATE_TEST_SUITE_P(Cases, PinCreationTest, ::testing::Range(0, static_cast<int>(PinCreationCases().size())));

TEST(OXModuleBaseTest, WithoutACallbackThereAreNoPinsAndNoClock) {
  ProbeModule module(nullptr, nullptr, {Describe(DT_INT)});
  module.Open();
  EXPECT_EQ(module.PinCount(), 0);
  EXPECT_EQ(module.SampleClock(), 0);
}

TEST(OXModuleBaseTest, AnUnallocatablePinArrayLeavesTheInstanceWithoutPins) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "only a 32-bit address space makes this count unallocatable";
  ProbeInstance instance(0, {Describe(DT_INT)});
  instance.host.pin_count = 0x7FFFFFFF;
  instance.module->Call(MOD_OPEN);
  EXPECT_EQ(instance.module->PinCount(), 0);
}

class EventTest : public ::testing::Test {
 protected:
  int16_t choice = 0;
  ProbeInstance instance{3, {Describe(DT_FSAMPLE), Describe(DT_ENUM, &choice), Describe(DT_INT)}};
  void SetUp() override {
    instance.module->Call(MOD_OPEN);
    instance.host.sample_clock = 700;
    instance.host.calls.clear();
  }
};

TEST_F(EventTest, PinStatusReachesThePinAndTheModule) {
  instance.module->Deliver(700, EV_PIN_STATUS, PS_ONE_CHANGE, 1);
  instance.module->Deliver(700, EV_PIN_STATUS, PS_STREAMING, 2);
  EXPECT_EQ(instance.module->seen_pin, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(instance.module->seen_status, (std::vector<int32_t>{PS_ONE_CHANGE, PS_STREAMING}));
  EXPECT_EQ(instance.module->GetPin(1)->Status(), PS_STATIC) << "a one-time change reverts";
  EXPECT_EQ(instance.module->GetPin(2)->Status(), PS_STREAMING);
}

TEST_F(EventTest, TargetsThatAreNoPinNumberAreIgnored) {
  for (intptr_t target : {intptr_t{3}, intptr_t{-1}, intptr_t{1000000}}) {
    instance.module->Deliver(700, EV_PIN_STATUS, PS_ONE_CHANGE, target);
  }
  EXPECT_TRUE(instance.module->seen_pin.empty());
}

TEST_F(EventTest, DataEventsPassTheLow16BitsOfTheSecondValue) {
  instance.module->Deliver(700, EV_DATA, -5, 0, 0x1234ABCD);
  EXPECT_EQ(instance.module->calls, std::vector<std::string>{"OnDataEvent"});
  EXPECT_EQ(instance.module->arguments, (std::vector<intptr_t>{700, -5, 0xABCD}));
}

ProbeModule* called_with = nullptr;
void OX_CDECL RememberModule(void* object) {
  called_with = static_cast<ProbeModule*>(static_cast<OXModule_base*>(object));
}

TEST_F(EventTest, ModuleCallsRunTheNamedFunctionOnTheInstance) {
  called_with = nullptr;
  instance.module->Deliver(700, EV_MODULE_CALL, 0, reinterpret_cast<intptr_t>(&RememberModule));
  EXPECT_EQ(called_with, instance.module);
  instance.module->Deliver(700, EV_MODULE_CALL, 0, 0);  // names no function: nothing happens
}

TEST_F(EventTest, EventsWithoutAMeaningChangeNothing) {
  for (int32_t type : {6, 1, 3, 22, -1}) instance.module->Deliver(700, type, PS_ONE_CHANGE, 1, 1);
  EXPECT_TRUE(instance.module->seen_pin.empty());
  EXPECT_TRUE(instance.module->calls.empty());
  EXPECT_EQ(instance.host.calls.size(), 5u) << "only the time-stamp checks asked the host";
}

TEST(OXModuleBaseEventTest, EventsForUnboundPinsGoNoFurther) {
  ProbeInstance instance(5, {Describe(DT_INT), Describe(DT_INT)});
  instance.module->Call(MOD_OPEN);
  instance.module->Deliver(0, EV_PIN_STATUS, PS_STREAMING, 4);
  EXPECT_TRUE(instance.module->seen_pin.empty());
  EXPECT_EQ(instance.module->GetPin(4)->Status(), PS_STREAMING);
}

TEST(OXModuleBaseSwitchTest, HostIsToldOnlyOfRealChanges) {
  ProbeInstance instance(0, {});
  ProbeModule* module = instance.module;
  const OXProcessFunction process = OXProcessFunctionOf<ProbeModule, &ProbeModule::Process>();
  auto changes = [&] { return instance.host.CallsWithOpcode(HC_PROCESS_CHANGED).size(); };

  module->SetProcessFunction(process);
  EXPECT_EQ(changes(), 1u);
  EXPECT_EQ(module->Record()->process_entry, process.code);
  module->SetProcessFunction(process);
  EXPECT_EQ(changes(), 1u) << "the same function again";

  OXProcessFunction second_word = process;
  second_word.word1 = 1;
  module->SetProcessFunction(second_word);
  EXPECT_EQ(changes(), 2u);
  OXProcessFunction third_word = process;
  third_word.word2 = 1;
  module->SetProcessFunction(third_word);
  EXPECT_EQ(changes(), 3u);
  auto* info = reinterpret_cast<OXProcessFunctionInfo*>(module->Call(MOD_GET_PROCESS_INFO));
  EXPECT_EQ(info->function->word1, 0);
  EXPECT_EQ(info->function->word2, 1);

  module->RunProcess(5, 11);
  EXPECT_EQ(module->processed_offset, 5);
  EXPECT_EQ(module->processed_count, 11);
}

}  // namespace
