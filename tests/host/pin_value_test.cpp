// Reading pin values in the pins' own units, choice lists and numbers.
#include "host/pin_value.h"

#include <gtest/gtest.h>

#include "host/choice_list.h"
#include "host/ox_interfaces.h"

namespace {

using oxhost::PinDescription;
using oxhost::PinValue;

PinDescription Pin(int32_t datatype, const char* list = "", const char* default_text = nullptr) {
  PinDescription pin;
  pin.number = 7;
  pin.name = "P";
  pin.datatype = datatype;
  pin.value_list = list;
  pin.has_default = default_text != nullptr;
  pin.default_text = default_text ? default_text : "";
  std::string error;
  if (datatype == ox2::DT_ENUM && *list) {
    EXPECT_TRUE(oxhost::ParseChoiceList(list, pin.choices, error)) << error;
  }
  return pin;
}

TEST(ChoiceListTest, BareLabelsTakeTheirPositionAndNumberedOnesTheirNumber) {
  std::vector<oxhost::Choice> choices;
  std::string error;
  ASSERT_TRUE(oxhost::ParseChoiceList("OFF,ON", choices, error));
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1].label, "ON");
  EXPECT_EQ(choices[1].value, 1);
  ASSERT_TRUE(oxhost::ParseChoiceList("1=1,2=2,4=4,Big = 64", choices, error));
  ASSERT_EQ(choices.size(), 4u);
  EXPECT_EQ(choices[2].label, "4");
  EXPECT_EQ(choices[2].value, 4);
  EXPECT_EQ(choices[3].label, "Big");
  EXPECT_EQ(choices[3].value, 64);
  EXPECT_FALSE(oxhost::ParseChoiceList("A=x", choices, error));
  EXPECT_NE(error.find("'A=x'"), std::string::npos) << error;
}

TEST(PinValueTest, ReadsValuesInThePinsOwnUnits) {
  const char* rates = "1/100,1/50,1/25,1/10,1/5,1/3,1/2,1,2,3,4,6,10,20,40";
  struct Case {
    PinDescription pin;
    const char* text;
    float sample;
    int32_t integer;
  };
  const Case cases[] = {
      {Pin(ox2::DT_FSAMPLE), "6", 0.6f, 0},
      {Pin(ox2::DT_FSAMPLE), "0.68", 0.068f, 0},
      {Pin(ox2::DT_FSAMPLE), "-1e1", -1.0f, 0},
      {Pin(ox2::DT_FSAMPLE), " 10 ", 1.0f, 0},
      {Pin(ox2::DT_ENUM, "Sine,Triangle"), "Triangle", 0.0f, 1},
      {Pin(ox2::DT_ENUM, "Sine,Triangle"), "triangle", 0.0f, 1},
      {Pin(ox2::DT_ENUM, "Sine,Triangle"), "0", 0.0f, 0},
      {Pin(ox2::DT_ENUM, "OFF,ON"), "ON", 0.0f, 1},
      {Pin(ox2::DT_ENUM, "1=1,2=2,4=4,8=8"), "8", 0.0f, 8},
      {Pin(ox2::DT_ENUM, rates), "4", 0.0f, 10},  // a label before a number
      {Pin(ox2::DT_ENUM, rates), "1/3", 0.0f, 5},
      {Pin(ox2::DT_ENUM, rates), "14", 0.0f, 14},
      {Pin(ox2::DT_ENUM), "-3", 0.0f, -3},
      {Pin(ox2::DT_INT), "123456", 0.0f, 123456},
      {Pin(ox2::DT_BOOL), "on", 0.0f, 1},
      {Pin(ox2::DT_BOOL), "5", 0.0f, 1},
      {Pin(ox2::DT_BOOL), "0", 0.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PinValue value;
    std::string error;
    ASSERT_TRUE(oxhost::ParsePinValue(c.pin, c.text, value, error)) << error;
    EXPECT_EQ(value.sample, c.sample);
    EXPECT_EQ(value.integer, c.integer);
  }
}

TEST(PinValueTest, RefusesWhatThePinCannotTake) {
  struct Case {
    PinDescription pin;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {Pin(ox2::DT_FSAMPLE), "abc", "pin 7 'P' takes a number, not 'abc'"},
      {Pin(ox2::DT_FSAMPLE), "", "takes a number"},
      {Pin(ox2::DT_FSAMPLE), "nan", "takes a number"},
      {Pin(ox2::DT_FSAMPLE), "1e999", "takes a number"},
      {Pin(ox2::DT_FSAMPLE), "0x10", "takes a number"},
      {Pin(ox2::DT_ENUM, "Sine,Triangle"), "Square", "'Square' is not one of its choices (Sine, Triangle)"},
      {Pin(ox2::DT_ENUM, "Sine,Triangle"), "2", "not one of its choices"},
      {Pin(ox2::DT_ENUM, "1=1,2=2,4=4"), "3", "not one of its choices"},
      {Pin(ox2::DT_ENUM), "40000", "outside the range -32768 to 32767"},
      {Pin(ox2::DT_INT), "1.5", "takes a whole number"},
      {Pin(ox2::DT_BOOL), "maybe", "takes on, off or a whole number"},
      {Pin(ox2::DT_HOST_VALUE), "1", "has data type 1, which the host cannot set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PinValue value;
    std::string error;
    EXPECT_FALSE(oxhost::ParsePinValue(c.pin, c.text, value, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(PinValueTest, DefaultTextsOfChoicePinsAreNumbers) {
  const char* rates = "1/100,1/50,1/25,1/10,1/5,1/3,1/2,1,2,3,4,6,10,20,40";
  struct Case {
    PinDescription pin;
    bool readable;
    float sample;
    int32_t integer;
  };
  const Case cases[] = {
      {Pin(ox2::DT_ENUM, rates, "10"), true, 0.0f, 10},  // position 10, the choice "4"
      {Pin(ox2::DT_ENUM, "1=1,2=2,4=4", "4"), true, 0.0f, 4},
      {Pin(ox2::DT_ENUM, "OFF,ON", "0"), true, 0.0f, 0},
      {Pin(ox2::DT_FSAMPLE, "", "0.0"), true, 0.0f, 0},
      {Pin(ox2::DT_FSAMPLE, "", "8"), true, 0.8f, 0},
      {Pin(ox2::DT_FSAMPLE), true, 0.0f, 0},  // no default: zero
      {Pin(ox2::DT_ENUM, "OFF,ON", "ON"), false, 0.0f, 0},
      {Pin(ox2::DT_FSAMPLE, "", "loud"), false, 0.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pin.default_text);
    PinValue value;
    std::string error;
    EXPECT_EQ(oxhost::ParseDefaultValue(c.pin, value, error), c.readable) << error;
    if (!c.readable) {
      EXPECT_NE(error.find("default '" + c.pin.default_text + "'"), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(value.sample, c.sample);
    EXPECT_EQ(value.integer, c.integer);
  }
  EXPECT_EQ(oxhost::PinValueText(Pin(ox2::DT_ENUM, rates), PinValue{0.0f, 10}), "4");
  EXPECT_EQ(oxhost::PinValueText(Pin(ox2::DT_FSAMPLE), PinValue{0.6f, 0}), "6");
}

}  // namespace
