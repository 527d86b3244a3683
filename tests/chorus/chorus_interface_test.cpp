// The chorus library at its boundary: `main`, the record, the dispatcher's
// answers, the identity, the pin table and the contract checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/chorus/support/chorus_rig.h"
#include "tests/support/contract_report.h"

namespace {

using oxtest::ChorusLibrary;
using oxtest::Gen1Instance;

TEST(ChorusInterfaceTest, MainFillsTheRecord) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  const ox1::OXModuleRecord* record = instance.record();
  ASSERT_NE(record, nullptr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(record);
  EXPECT_EQ(bytes[0], 0x7B);
  EXPECT_EQ(bytes[1], 0x50);
  EXPECT_EQ(bytes[2], 0x58);
  EXPECT_EQ(bytes[3], 0x4F);
  EXPECT_EQ(record->version, 1);
  EXPECT_NE(record->dispatch_entry, nullptr);
  EXPECT_NE(record->process_entry, nullptr);
  EXPECT_NE(record->object, nullptr);
  const int32_t zeros[15] = {};
  EXPECT_EQ(std::memcmp(record->reserved08, zeros, sizeof record->reserved08), 0);
  EXPECT_EQ(record->reserved14 | record->reserved18 | record->reserved1C | record->reserved24, 0);
  EXPECT_EQ(std::memcmp(record->reserved30, zeros, sizeof record->reserved30), 0);
}

TEST(ChorusInterfaceTest, EachMainCallMakesAnIndependentInstance) {
  Gen1Instance first(ChorusLibrary(), oxtest::kChorusPins, 64);
  Gen1Instance second(ChorusLibrary(), oxtest::kChorusPins, 64);
  EXPECT_NE(first.record(), second.record());
  EXPECT_NE(first.record()->object, second.record()->object);
  first.Open();
  ox1::OXHostEvent event{50, ox1::EV_PIN_STATUS, 0, 0, 0};
  first.Dispatch(ox1::MOD_ADD_EVENT, 0, 0, &event);
  EXPECT_EQ(first.Dispatch(ox1::MOD_QUEUE_EMPTY), 0);
  EXPECT_EQ(second.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

struct OpcodeCase {
  int32_t opcode;
  int32_t answer;
};

TEST(ChorusInterfaceTest, OpcodesAnswerBeforeAndAfterOpen) {
  const OpcodeCase cases[] = {
      {ox1::MOD_QUERY_CONSTANT, 1000}, {ox1::MOD_QUEUE_EMPTY, 1}, {ox1::MOD_QUERY_4, 0},
      {ox1::MOD_QUERY_5, 0},           {12, 0},                   {-1, 0},
      {ox1::MOD_RESYNC_CLOCK, 0},      {ox1::MOD_SET_BLOCK_SIZE, 0},
  };
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  int32_t scratch[8] = {};
  for (bool opened : {false, true}) {
    if (opened) {
      EXPECT_EQ(instance.Dispatch(ox1::MOD_OPEN), 0);
    }
    for (const OpcodeCase& c : cases) {
      EXPECT_EQ(instance.Dispatch(c.opcode, 0, 64, scratch), c.answer) << "opcode " << c.opcode << ", opened " << opened;
    }
  }
}

TEST(ChorusInterfaceTest, QueueStateFollowsEvents) {
  oxtest::ChorusRig rig(44100.0f, 64);
  Gen1Instance& instance = rig.instance;
  EXPECT_EQ(instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
  instance.PinEvent(100, oxtest::kSpread, ox1::PS_ONE_CHANGE);
  EXPECT_EQ(instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 0);
  instance.Process(0, 64);
  EXPECT_EQ(instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 0) << "due at 100, not yet";
  instance.Process(0, 64);
  EXPECT_EQ(instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

TEST(ChorusInterfaceTest, CloseIsAnsweredOneByTheEntry) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  instance.Open();
  instance.PinEvent(10, oxtest::kSpread, ox1::PS_ONE_CHANGE);
  EXPECT_EQ(instance.Close(), 1);
}

TEST(ChorusInterfaceTest, IdentityFillsNameIdAndAboutOnly) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  ox1::OXModuleProperties properties;
  std::memset(&properties, 0x5A, sizeof properties);
  ASSERT_EQ(instance.Dispatch(ox1::MOD_GET_MODULE_PROPERTIES, 0, 0, &properties), 1);
  EXPECT_STREQ(properties.name, "Zarn_Chorus 1.3");
  EXPECT_STREQ(properties.id, "Zarn_Chorus 1.3");
  ASSERT_NE(properties.about, nullptr);
  EXPECT_NE(std::string(properties.about).find('\n'), std::string::npos) << "several lines";
  EXPECT_EQ(properties.reserved12, 0x5A5A5A5A);
  EXPECT_EQ(properties.reserved16, 0x5A5A5A5A);
  EXPECT_EQ(properties.flags, 0x5A5A5A5A);
  EXPECT_EQ(instance.Dispatch(ox1::MOD_GET_MODULE_PROPERTIES, 0, 0, nullptr), 0);
}

struct PinRow {
  const char* name;
  int32_t direction;
  int32_t datatype;
  const char* default_value;
  const char* value_list;
  int32_t flags;
};

const PinRow kPinTable[oxtest::kChorusPins] = {
    {"In L", ox1::DR_IN, ox1::DT_FSAMPLE, "0", nullptr, 0x200},
    {"In R", ox1::DR_IN, ox1::DT_FSAMPLE, "0", nullptr, 0x200},
    {"Out L", ox1::DR_OUT, ox1::DT_FSAMPLE, nullptr, nullptr, 0},
    {"Out R", ox1::DR_OUT, ox1::DT_FSAMPLE, nullptr, nullptr, 0},
    {"PreDly1(ms)", ox1::DR_IN, ox1::DT_FSAMPLE, "10", "100,0,100,0", 0},
    {"PreDly2(ms)", ox1::DR_IN, ox1::DT_FSAMPLE, "5", "100,0,100,0", 0},
    {"MaxDelay1(ms)", ox1::DR_IN, ox1::DT_FSAMPLE, "4", "100,0,100,0", 0},
    {"MaxDelay2(ms)", ox1::DR_IN, ox1::DT_FSAMPLE, "9", "100,0,100,0", 0},
    {"VoiceMix", ox1::DR_IN, ox1::DT_FSAMPLE, "5", nullptr, 0},
    {"Wet", ox1::DR_IN, ox1::DT_FSAMPLE, "6", nullptr, 0},
    {"Dry", ox1::DR_IN, ox1::DT_FSAMPLE, "8", "10,0,10,0", 0},
    {"Spread", ox1::DR_IN, ox1::DT_FSAMPLE, "10", nullptr, 0},
    {"Rate1(Hz)", ox1::DR_IN, ox1::DT_FSAMPLE, "0.68", "5,0.1,5,0.1", 0},
    {"Rate2(Hz)", ox1::DR_IN, ox1::DT_FSAMPLE, "0.33", "5,0.1,5,0.1", 0},
    {"Rate2(Hz)", ox1::DR_IN, ox1::DT_FSAMPLE, "0.34", "5,0.1,5,0.1", 0},
    {"Mod1Wave", ox1::DR_IN, ox1::DT_ENUM, "0", "Sine,Triangle", 0},
    {"Mod2Wave", ox1::DR_IN, ox1::DT_ENUM, "0", "Sine,Triangle", 0},
    {"Mod3Wave", ox1::DR_IN, ox1::DT_ENUM, "0", "Sine,Triangle", 0},
    {"On|Off", ox1::DR_IN, ox1::DT_ENUM, "0", "ON,OFF", 0},
    {"Modulation Mode", 3, ox1::DT_ENUM, "0", "Internal LFO,External Source", 0},
};

void ExpectText(const char* actual, const char* expected, int32_t pin, const char* field) {
  if (!expected) {
    EXPECT_EQ(actual, nullptr) << "pin " << pin << " " << field;
  } else {
    ASSERT_NE(actual, nullptr) << "pin " << pin << " " << field;
    EXPECT_STREQ(actual, expected) << "pin " << pin << " " << field;
  }
}

TEST(ChorusInterfaceTest, DescribesTheTwentyPins) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  const void* variables[oxtest::kChorusPins];
  for (int32_t pin = 0; pin < oxtest::kChorusPins; ++pin) {
    ox1::OXPinProperties properties{};
    ASSERT_EQ(instance.Dispatch(ox1::MOD_GET_PIN_PROPERTIES, pin, 0, &properties), 1) << pin;
    const PinRow& row = kPinTable[pin];
    ExpectText(properties.name, row.name, pin, "name");
    EXPECT_EQ(properties.direction, row.direction) << pin;
    EXPECT_EQ(properties.datatype, row.datatype) << pin;
    ExpectText(properties.default_value, row.default_value, pin, "default");
    ExpectText(properties.value_list, row.value_list, pin, "value list");
    EXPECT_EQ(properties.flags, row.flags) << pin;
    EXPECT_EQ(properties.reserved, 0) << pin;
    variables[pin] = properties.variable_address;
    EXPECT_NE(variables[pin], nullptr) << pin;
    for (int32_t other = 0; other < pin; ++other) EXPECT_NE(variables[other], variables[pin]) << pin;
  }
}

TEST(ChorusInterfaceTest, UndescribedPinsAreRefusedWithoutWriting) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  for (int32_t index : {20, 21, -1, INT32_MIN}) {
    ox1::OXPinProperties properties;
    std::memset(&properties, 0xA5, sizeof properties);
    ox1::OXPinProperties untouched = properties;
    EXPECT_EQ(instance.Dispatch(ox1::MOD_GET_PIN_PROPERTIES, index, 0, &properties), 0) << index;
    EXPECT_EQ(std::memcmp(&properties, &untouched, sizeof properties), 0) << index;
  }
  EXPECT_EQ(instance.Dispatch(ox1::MOD_GET_PIN_PROPERTIES, 0, 0, nullptr), 0);
}

// A host's own request fills the record without zeroing it first: fields a
// pin has none of keep what the host put there.
TEST(ChorusInterfaceTest, HostRequestKeepsFieldsThePinDoesNotUse) {
  Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
  static const char kHostText[] = "host";
  ox1::OXPinProperties properties{};
  properties.default_value = kHostText;
  properties.value_list = kHostText;
  properties.flags = 0x40;
  ASSERT_EQ(instance.Dispatch(ox1::MOD_GET_PIN_PROPERTIES, oxtest::kOutL, 0, &properties), 1);
  EXPECT_EQ(properties.default_value, kHostText);
  EXPECT_EQ(properties.value_list, kHostText);
  EXPECT_EQ(properties.flags, 0x40);
  EXPECT_STREQ(properties.name, "Out L");
}

using ChorusInterfaceDeathTest = ::testing::Test;

TEST(ChorusInterfaceDeathTest, EmptyBlockBreaksTheContract) {
  EXPECT_DEATH(
      {
        oxtest::ChorusRig rig(44100.0f, 64);
        rig.instance.CallProcessEntry(0, 0);
      },
      oxtest::ContractReport("sampleFrames > 0", "ox_sdk/OXModule_base", 190));
}

TEST(ChorusInterfaceDeathTest, EventInThePastBreaksTheContract) {
  EXPECT_DEATH(
      {
        oxtest::ChorusRig rig(44100.0f, 64, 500);
        rig.instance.PinEvent(499, oxtest::kSpread, ox1::PS_ONE_CHANGE);
      },
      oxtest::ContractReport("p_event->time_stamp >= SampleClock()", "ox_sdk/OXModule_base", 287));
}

// Open takes the host's clock without moving queued events, so an event
// queued before Open can fall behind the clock.
TEST(ChorusInterfaceDeathTest, EventBehindTheClockBreaksTheContract) {
  EXPECT_DEATH(
      {
        Gen1Instance instance(ChorusLibrary(), oxtest::kChorusPins, 64);
        instance.PinEvent(5, oxtest::kSpread, ox1::PS_ONE_CHANGE);
        instance.set_clock(100);
        instance.Open();
        instance.BindAudioBuffers(oxtest::kChorusPins);
        instance.Process(0, 64);
      },
      oxtest::ContractReport("next_event->time_stamp >= current_sample_clock", "ox_sdk/OXModule_base",
                             209));
}

}  // namespace
