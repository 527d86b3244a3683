#include "host/host_side.h"

#include <gtest/gtest.h>

namespace {

using oxhost::HostSide;

// A stand-in record: the host tells instances apart by the record address.
struct FakeInstance {
  ox2::OXModuleRecord record{};
  HostSide side{3, 16};
  FakeInstance() { oxhost::RegisterInstance(&record, &side); }
  ~FakeInstance() { oxhost::UnregisterInstance(&record); }
  intptr_t Call(int32_t opcode, int32_t index = 0, int32_t value = 0, intptr_t ptr = 0) {
    return oxhost::HostCallbackGen2(&record, opcode, index, value, reinterpret_cast<void*>(ptr), 0.0f);
  }
};

TEST(HostSideTest, AnswersCountAndClocks) {
  FakeInstance instance;
  instance.side.sample_clock = 203;
  instance.side.block_start_clock = 200;
  EXPECT_EQ(instance.Call(ox2::HC_PIN_COUNT), 3);
  EXPECT_EQ(instance.Call(ox2::HC_SAMPLE_CLOCK), 203);
  EXPECT_EQ(instance.Call(ox2::HC_BLOCK_START_CLOCK, 1), 200);
}

TEST(HostSideTest, PinBuffersAreOwnedPerPinAndStayPut) {
  FakeInstance instance;
  auto* first = reinterpret_cast<float*>(instance.Call(ox2::HC_PIN_BUFFER, 0));
  auto* second = reinterpret_cast<float*>(instance.Call(ox2::HC_PIN_BUFFER, 1));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  first[15] = 1.5f;  // one block long, zeroed
  EXPECT_EQ(second[15], 0.0f);
  EXPECT_EQ(reinterpret_cast<float*>(instance.Call(ox2::HC_PIN_BUFFER, 0)), first);
  EXPECT_EQ(instance.side.PinBuffer(0), first);
  EXPECT_EQ(instance.Call(ox2::HC_PIN_BUFFER, 3), 0) << "no buffer beyond the pin count";
  EXPECT_EQ(instance.Call(ox2::HC_PIN_BUFFER, -1), 0);
}

TEST(HostSideTest, RecordsWhatTheInstanceReports) {
  FakeInstance instance;
  instance.Call(ox2::HC_SEND_PIN_STATUS, 2, ox2::PS_ONE_CHANGE, 500);
  instance.Call(ox2::HC_SET_PIN_VALUE, 1, 7);
  instance.Call(ox2::HC_PROCESS_CHANGED);
  instance.Call(ox2::HC_SLEEP);
  EXPECT_EQ(instance.side.reported_status[2], ox2::PS_ONE_CHANGE);
  EXPECT_EQ(instance.side.reported_clock[2], 500);
  EXPECT_EQ(instance.side.reported_status[0], -1);
  EXPECT_EQ(instance.side.process_changes, 1);
  EXPECT_TRUE(instance.side.sleep_requested);

  ASSERT_EQ(instance.side.calls.size(), 4u);
  const auto& status = instance.side.calls[0];
  EXPECT_EQ(status.opcode, ox2::HC_SEND_PIN_STATUS);
  EXPECT_EQ(status.index, 2);
  EXPECT_EQ(status.value, 1);
  EXPECT_EQ(status.ptr, 500);
  EXPECT_EQ(instance.side.calls[1].opcode, ox2::HC_SET_PIN_VALUE);
  EXPECT_EQ(instance.side.calls[1].value, 7);
  EXPECT_EQ(instance.side.CallsWithOpcode(ox2::HC_SLEEP).size(), 1u);
}

TEST(HostSideTest, TellsInstancesApartByRecordAndIgnoresStrangers) {
  FakeInstance a, b;
  a.side.sample_clock = 1;
  b.side.sample_clock = 2;
  EXPECT_EQ(a.Call(ox2::HC_SAMPLE_CLOCK), 1);
  EXPECT_EQ(b.Call(ox2::HC_SAMPLE_CLOCK), 2);
  ox1::OXModuleRecord stranger{};
  EXPECT_EQ(oxhost::HostCallbackGen1(&stranger, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 0);
}

TEST(HostSideTest, GenerationOneCallbackReachesItsInstance) {
  ox1::OXModuleRecord record{};
  HostSide side(20, 64);
  side.sample_clock = 77;
  oxhost::RegisterInstance(&record, &side);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 20);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_SAMPLE_CLOCK, 0, 0, nullptr, 0.0f), 77);
  oxhost::UnregisterInstance(&record);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 0);
}

TEST(HostSideTest, ARecordRegisteredAnewReachesItsNewHostSide) {
  ox1::OXModuleRecord record{};
  HostSide first(1, 8), second(2, 8);
  oxhost::RegisterInstance(&record, &first);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 1);
  oxhost::UnregisterInstance(&record);
  oxhost::RegisterInstance(&record, &second);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 2);
  oxhost::UnregisterInstance(&record);
  EXPECT_EQ(oxhost::HostCallbackGen1(&record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f), 0);
}

TEST(HostSideTest, RecordingCanBeTurnedOff) {
  FakeInstance instance;
  instance.side.recording = false;
  instance.Call(ox2::HC_SEND_PIN_STATUS, 0, ox2::PS_STREAMING, 9);
  EXPECT_TRUE(instance.side.calls.empty());
  EXPECT_EQ(instance.side.reported_status[0], ox2::PS_STREAMING);
}

}  // namespace
