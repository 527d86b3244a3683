#include "ox_sdk2/OXPin.h"

#include <gtest/gtest.h>

#include "tests/drift/framework_probe.h"
#include "tests/support/contract_report.h"

namespace {

using probe::ProbeInstance;

class OXPinTest : public ::testing::Test {
 protected:
  ProbeInstance instance{4, {}};
  OXPin pin;
};

TEST_F(OXPinTest, AModuleVariableHoldsTheValueOfAnyDataType) {
  int32_t variable = 0;
  for (int32_t datatype : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    pin.Init(instance.module, 3, datatype, &variable);
    EXPECT_EQ(pin.Variable(), &variable) << datatype;
    EXPECT_EQ(pin.OwnValueBits(), 0u);
    EXPECT_EQ(pin.Status(), PS_STATIC);
    EXPECT_EQ(pin.Index(), 3);
    EXPECT_EQ(pin.DataType(), datatype);
  }
  EXPECT_TRUE(instance.host.calls.empty());
}

TEST_F(OXPinTest, WithoutAVariableValueTypesGetACellOfTheirOwn) {
  for (int32_t datatype : {int32_t{DT_ENUM}, int32_t{DT_BOOL}, int32_t{DT_INT}, 8}) {
    OXPin own;
    own.Init(instance.module, 1, datatype, nullptr);
    ASSERT_NE(own.Variable(), nullptr) << datatype;
    EXPECT_EQ(own.OwnValueBits(), 0u);
    *static_cast<uint8_t*>(own.Variable()) = 0x5A;  // the cell is the pin's own value
    EXPECT_EQ(own.OwnValueBits() & 0xFFu, 0x5Au) << datatype;
  }
  EXPECT_TRUE(instance.host.calls.empty());
}

TEST_F(OXPinTest, WithoutAVariableASamplePinAsksTheHostOnceForItsBuffer) {
  pin.Init(instance.module, 2, DT_FSAMPLE, nullptr);
  ASSERT_EQ(instance.host.calls.size(), 1u);
  EXPECT_EQ(instance.host.calls[0].opcode, HC_PIN_BUFFER);
  EXPECT_EQ(instance.host.calls[0].index, 2);
  ASSERT_NE(pin.Variable(), nullptr);
  EXPECT_EQ(*static_cast<float**>(pin.Variable()), instance.host.buffers[2].data());
}

TEST_F(OXPinTest, WithoutAVariableOtherTypesHaveNoValue) {
  for (int32_t datatype : {int32_t{DT_HOST_VALUE}, 2, 3, 7, 9}) {
    OXPin none;
    none.Init(instance.module, 0, datatype, nullptr);
    EXPECT_EQ(none.Variable(), nullptr) << datatype;
  }
  EXPECT_TRUE(instance.host.calls.empty());
}

TEST_F(OXPinTest, AOneTimeChangeRevertsAfterTheModuleHasSeenIt) {
  pin.Init(instance.module, 1, DT_INT, nullptr);
  pin.OnStatusChange(PS_ONE_CHANGE);
  pin.OnStatusChange(PS_STREAMING);
  EXPECT_EQ(instance.module->seen_pin, (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(instance.module->seen_status, (std::vector<int32_t>{PS_ONE_CHANGE, PS_STREAMING}));
  EXPECT_EQ(pin.Status(), PS_STREAMING);
  pin.OnStatusChange(PS_ONE_CHANGE);
  EXPECT_EQ(pin.Status(), PS_STATIC);
}

TEST_F(OXPinTest, CurrentSampleReadsTheBufferAtTheHostsClock) {
  pin.Init(instance.module, 2, DT_FSAMPLE, nullptr);
  instance.host.buffers[2][3] = 0.625f;
  instance.host.block_start_clock = 200;
  instance.host.sample_clock = 203;
  instance.host.calls.clear();
  EXPECT_EQ(pin.CurrentSample(), 0.625f);
  ASSERT_EQ(instance.host.calls.size(), 2u);
  EXPECT_EQ(instance.host.calls[0].opcode, HC_BLOCK_START_CLOCK);
  EXPECT_EQ(instance.host.calls[0].index, 2);
  EXPECT_EQ(instance.host.calls[1].opcode, HC_SAMPLE_CLOCK);
}

TEST_F(OXPinTest, SendStatusReportsToTheHostAndKeepsTheOwnStatus) {
  pin.Init(instance.module, 3, DT_FSAMPLE, nullptr);
  instance.host.calls.clear();
  pin.SendStatus(500, PS_ONE_CHANGE);
  ASSERT_EQ(instance.host.calls.size(), 1u);
  const probe::HostCall& call = instance.host.calls[0];
  EXPECT_EQ(call.opcode, HC_SEND_PIN_STATUS);
  EXPECT_EQ(call.index, 3);
  EXPECT_EQ(call.value, PS_ONE_CHANGE);
  EXPECT_EQ(call.ptr, 500);
  EXPECT_EQ(pin.Status(), PS_STATIC);
}

TEST_F(OXPinTest, AnUnboundPinTellsNobody) {
  EXPECT_FALSE(pin.IsBound());
  pin.OnStatusChange(PS_STREAMING);
  EXPECT_EQ(pin.Status(), PS_STREAMING);
  EXPECT_EQ(pin.SendStatus(1, PS_ONE_CHANGE), 0);
  EXPECT_TRUE(instance.module->seen_pin.empty());
  EXPECT_TRUE(instance.host.calls.empty());
}

TEST(OXPinDeathTest, CurrentSampleOfAValuePinIsAContractBreach) {
  ProbeInstance instance(2, {});
  OXPin pin;
  int16_t choice = 0;
  pin.Init(instance.module, 1, DT_ENUM, &choice);
  EXPECT_DEATH(pin.CurrentSample(), oxtest::ContractReport("m_datatype == DT_FSAMPLE", "ox_sdk2/OXPin", 125));
}

}  // namespace
