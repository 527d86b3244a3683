// The drift library's exports and records, as a host meets them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "tests/drift/drift_rig.h"
#include "tests/support/contract_report.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using namespace drifttest;

uint32_t WordAt(const void* record, size_t offset) {
  uint32_t word;
  std::memcpy(&word, static_cast<const char*>(record) + offset, sizeof word);
  return word;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(DriftLibraryTest, PropertiesNameTheModuleType) {
  ox2::OXModuleProperties properties;
  std::memset(&properties, 0xA5, sizeof properties);
  ASSERT_EQ(GetModuleProperties()(0, &properties), 1);
  EXPECT_STREQ(properties.name, "Nuvo_Analogue_Drift");
  EXPECT_STREQ(properties.id, "Analogue_Drift_Emulation_Nuvo2006");
  EXPECT_EQ(properties.flags, 2240);
  EXPECT_EQ(WordAt(&properties, offsetof(ox2::OXModuleProperties, reserved12)), 0xA5A5A5A5u);
  EXPECT_EQ(WordAt(&properties, offsetof(ox2::OXModuleProperties, reserved16)), 0xA5A5A5A5u);

  const std::vector<std::string> lines = Lines(properties.about);
  ASSERT_GT(lines.size(), 9u);
  EXPECT_EQ(lines[0], "Analogue Drift Emulation");
  EXPECT_EQ(lines[1].rfind("Ver:2.90", 0), 0u) << lines[1];
  EXPECT_GT(lines[1].size(), std::strlen("Ver:2.90")) << "a copyright notice follows on the same line";
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "Analogue Drift: Depth + Rate: Controls the depth and rate of Pitch drift : 0 = Digital");
  EXPECT_EQ(lines[4], "   Pitch Drift is the slight detuning caused by component/heat variation in Analogue synths");
  EXPECT_EQ(lines[5], "Update Output Rate: Determines how often the output value is updated");
  EXPECT_EQ(lines[6], "   This can reduce the amount of STATUS messages sent");
  EXPECT_EQ(lines[7], "Active: Off,On");
  EXPECT_EQ(lines[8], "");
}

TEST(DriftLibraryTest, OtherTypeIndexesAreRefusedWithoutWriting) {
  for (int32_t index : {1, -1}) {
    ox2::OXModuleProperties properties;
    std::memset(&properties, 0x5A, sizeof properties);
    ox2::OXModuleProperties before = properties;
    EXPECT_EQ(GetModuleProperties()(index, &properties), 0) << index;
    EXPECT_EQ(std::memcmp(&properties, &before, sizeof before), 0) << index;
  }
  EXPECT_EQ(GetModuleProperties()(0, nullptr), 0) << "no record to fill";
}

TEST(DriftLibraryTest, OnlyTypeZeroWithSubtypeOneOrTwoIsMade) {
  struct Case {
    int32_t index;
    int32_t subtype;
  };
  for (const Case& c : {Case{0, 3}, Case{0, 0}, Case{0, -1}, Case{1, 1}, Case{-1, 1}, Case{1, 2}}) {
    EXPECT_EQ(MakeModule()(c.index, c.subtype, &oxhost::HostCallbackGen2, nullptr), nullptr)
        << c.index << "/" << c.subtype;
  }
}

TEST(DriftLibraryTest, AnAudioInstanceRecordCarriesItsEntries) {
  auto* record = static_cast<ox2::OXModuleRecord*>(
      MakeModule()(0, ox2::OX_SUBTYPE_AUDIO, &oxhost::HostCallbackGen2, reinterpret_cast<void*>(0xBEEF)));
  ASSERT_NE(record, nullptr);
  const unsigned char magic[4] = {0x7B, 0x50, 0x58, 0x4F};
  EXPECT_EQ(std::memcmp(record, magic, 4), 0);
  EXPECT_EQ(record->version, 1);
  EXPECT_EQ(record->host_handle, reinterpret_cast<void*>(0xBEEF));
  EXPECT_EQ(record->reserved16, 0);
  for (int32_t word : record->reserved32) EXPECT_EQ(word, 0);
  EXPECT_NE(record->dispatch_entry, nullptr);
  EXPECT_NE(record->process_entry, nullptr);
  EXPECT_NE(record->event_entry, nullptr);
  // The record is embedded in the object it names.
  const intptr_t inside = reinterpret_cast<char*>(record) - static_cast<char*>(record->object);
  EXPECT_GT(inside, 0);
  EXPECT_LT(inside, 64);
  EXPECT_EQ(record->dispatch_entry(record, ox2::MOD_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

TEST(DriftLibraryTest, DispatcherAnswersEveryOpcode) {
  DriftRig rig;
  struct Case {
    int32_t opcode;
    int32_t index;
    intptr_t answer;
  };
  for (const Case& c : {Case{14, 0, 0}, Case{-1, 0, 0}, Case{4, 0, 0}, Case{5, 0, 0}, Case{9, 0, 0},
                        Case{11, 0, 0}, Case{8, 0, 0}, Case{8, 2, 0}, Case{12, 0, 0}, Case{ox2::MOD_OPEN, 0, 0}}) {
    EXPECT_EQ(rig.Dispatch(c.opcode, c.index), c.answer) << c.opcode;
  }
  for (int32_t index = 0; index < kPinCount; ++index) {
    intptr_t answer = -1;
    PinProperties(rig.record, index, &answer);
    EXPECT_EQ(answer, 1) << index;
  }
  for (int32_t index : {5, -1, 1000}) {
    intptr_t answer = -1;
    const ox2::OXPinProperties properties = PinProperties(rig.record, index, &answer);
    const ox2::OXPinProperties zero = {};
    EXPECT_EQ(answer, 0) << index;
    EXPECT_EQ(std::memcmp(&properties, &zero, sizeof zero), 0) << index;
  }
}

TEST(DriftLibraryTest, ProcessInfoIsOneRecordDescribingTheLastInstanceAsked) {
  DriftRig a;
  DriftRig b;
  b.Open();
  b.SetActive(false);  // b now runs another process function than a
  ASSERT_NE(a.record->process_entry, b.record->process_entry);
  const intptr_t first = a.Dispatch(ox2::MOD_GET_PROCESS_INFO);
  const auto* info = reinterpret_cast<const ox2::OXProcessFunctionInfo*>(first);
  EXPECT_EQ(info->function->code, a.record->process_entry);
  EXPECT_EQ(b.Dispatch(ox2::MOD_GET_PROCESS_INFO), first);
  EXPECT_EQ(info->kind, 1);
  EXPECT_EQ(info->size, static_cast<int32_t>(sizeof(ox2::OXProcessFunction)));
  EXPECT_EQ(info->function->code, b.record->process_entry);
  EXPECT_EQ(info->function->word1, 0);
  EXPECT_EQ(info->function->word2, 0);
  EXPECT_EQ(info->reserved, 0);
}

TEST(DriftLibraryTest, UnknownEventTypesChangeNothing) {
  DriftRig rig;
  rig.Open();
  const ox2::OXProcessEntry before = rig.record->process_entry;
  rig.side.calls.clear();
  for (int32_t type : {6, 1, 22}) {
    ox2::OxEvent e = {rig.side.sample_clock, type, 1, 1, kActivePin};
    rig.record->event_entry(rig.record->object, &e);
  }
  EXPECT_EQ(rig.record->process_entry, before);
  EXPECT_EQ(rig.side.calls.size(), 3u) << "only the time-stamp checks";
}

TEST(DriftLibraryTest, TheGuiCompanionAnswersWithDefaultsAndCloses) {
  auto* record = static_cast<ox2::OXGUIRecord*>(
      MakeModule()(0, ox2::OX_SUBTYPE_GUI, &oxhost::HostCallbackGen2, reinterpret_cast<void*>(0xCAFE)));
  ASSERT_NE(record, nullptr);
  oxhost::HostSide side(0, 16);
  oxhost::RegisterInstance(record, &side);
  const unsigned char magic[4] = {0x4D, 0x50, 0x58, 0x4F};
  EXPECT_EQ(std::memcmp(record, magic, 4), 0);
  EXPECT_EQ(record->version, 1);
  EXPECT_EQ(record->host_handle, reinterpret_cast<void*>(0xCAFE));
  EXPECT_NE(record->object, nullptr);
  for (int32_t word : record->reserved20) EXPECT_EQ(word, 0);
  int32_t scratch[4] = {};
  for (int32_t opcode : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -1}) {
    EXPECT_EQ(record->dispatch_entry(record, opcode, 1, 2, scratch, 1.0f), 0) << opcode;
  }
  EXPECT_TRUE(side.calls.empty()) << "a companion never calls the host";
  oxhost::UnregisterInstance(record);
  EXPECT_EQ(record->dispatch_entry(record, ox2::GUI_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

// The library file as it lies on disk.
std::string LibraryFilePath() {
#if defined(_WIN32)
  char path[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA(OX_DRIFT_LIBRARY), path, sizeof path);
  return path;
#else
  return OX_DRIFT_LIBRARY;
#endif
}

TEST(DriftLibraryTest, TheImageCarriesTheMarkerText) {
  DriftLibrary();
  std::ifstream file(LibraryFilePath(), std::ios::binary);
  ASSERT_TRUE(file) << LibraryFilePath();
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(image.find(std::string("OX_MODULE", 10)), std::string::npos);
}

// Contract checks: each breach ends the process with its report.
TEST(DriftContractDeathTest, Opcode7IsABreach) {
  DriftRig rig;
  EXPECT_DEATH(rig.Dispatch(7), oxtest::ContractReport("false", "ox_sdk2/OXModule_base", 99));
}

TEST(DriftContractDeathTest, Opcode10IsABreach) {
  DriftRig rig;
  EXPECT_DEATH(rig.Dispatch(10), oxtest::ContractReport("false", "ox_sdk2/OXModule_base", 119));
}

TEST(DriftContractDeathTest, APinEventBeforeOpenIsABreach) {
  DriftRig rig;
  EXPECT_DEATH(rig.Event(kActivePin, ox2::PS_ONE_CHANGE), oxtest::ContractReport("m_pins != 0", "ox_sdk2/OXModule_base", 150));
}

TEST(DriftContractDeathTest, AnEventAtAnotherClockIsABreach) {
  DriftRig rig;
  rig.Open();
  ox2::OxEvent e = {rig.side.sample_clock + 1, ox2::EV_PIN_STATUS, ox2::PS_ONE_CHANGE, 0, kActivePin};
  EXPECT_DEATH(rig.record->event_entry(rig.record->object, &e),
               oxtest::ContractReport("e->time_stamp == SampleClock()", "ox_sdk2/OXModule_base", 276));
}

}  // namespace
