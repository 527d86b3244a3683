#include "ox_sdk2/OXGUI_base.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A companion that writes down which operation ran with which arguments.
class RecordingCompanion : public OXGUI_base {
 public:
  RecordingCompanion(std::vector<std::string>* log) : OXGUI_base(nullptr, reinterpret_cast<void*>(0x77)), log(log) {}
  ~RecordingCompanion() override { log->push_back("destroyed"); }

  std::vector<std::string>* log;
  void Write(const std::string& entry) { log->push_back(entry); }
  static std::string Text(const void* ptr) { return std::to_string(reinterpret_cast<intptr_t>(ptr)); }
  static std::string Text(float opt) { return std::to_string(static_cast<int>(opt)); }
  static std::string Text(OXGUIPair pair) { return std::to_string(pair.index) + "/" + std::to_string(pair.value); }

  void OnGuiOpcode0(bool yes) override { Write(yes ? "0 yes" : "0 no"); }
  void OnGuiClose() override { Write("close"); }
  void OnGuiOpcode2(int32_t index, void* ptr) override { Write("2 " + std::to_string(index) + " " + Text(ptr)); }
  void OnGuiOpcode3(void* ptr, float opt, OXGUIPair pair) override {
    Write("3 " + Text(ptr) + " " + Text(opt) + " " + Text(pair));
  }
  void OnGuiOpcode4(void* ptr, float opt, OXGUIPair pair) override {
    Write("4 " + Text(ptr) + " " + Text(opt) + " " + Text(pair));
  }
  void OnGuiOpcode5(void* ptr, float opt, OXGUIPair pair) override {
    Write("5 " + Text(ptr) + " " + Text(opt) + " " + Text(pair));
  }
  void OnGuiOpcode6(int32_t value, int32_t index, void* ptr) override {
    Write("6 " + std::to_string(value) + " " + std::to_string(index) + " " + Text(ptr));
  }
  void OnGuiOpcode7(OXGUIOpcode7Record* record) override {
    Write(std::string("7 ") + std::to_string(record->index) + (record->companion == this ? " this" : " other"));
  }
  void OnGuiOpcode8(void* ptr) override { Write("8 " + Text(ptr)); }
  void OnGuiOpcode9(void* ptr) override { Write("9 " + Text(ptr)); }
  uint8_t OnGuiOpcode10() override {
    Write("10");
    return 255;
  }
  void OnGuiOpcode11(int32_t index) override { Write("11 " + std::to_string(index)); }
  void OnGuiOpcode12(int32_t index) override { Write("12 " + std::to_string(index)); }
};

class OXGUIBaseTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  RecordingCompanion* companion = new RecordingCompanion(&log);
  void TearDown() override { delete companion; }
  int32_t Call(int32_t opcode, int32_t index, int32_t value, intptr_t ptr, float opt) {
    OXGUIRecord* record = companion->Record();
    return static_cast<int32_t>(
        record->dispatch_entry(record, opcode, index, value, reinterpret_cast<void*>(ptr), opt));
  }
};

TEST_F(OXGUIBaseTest, ConstructionFillsTheRecord) {
  const OXGUIRecord* record = companion->Record();
  uint32_t magic;
  std::memcpy(&magic, record, sizeof magic);
  EXPECT_EQ(magic, 0x4F58504Du);
  EXPECT_EQ(record->version, 1);
  EXPECT_EQ(record->host_handle, reinterpret_cast<void*>(0x77));
  EXPECT_EQ(record->object, static_cast<OXGUI_base*>(companion));
  for (int32_t word : record->reserved20) EXPECT_EQ(word, 0);
}

TEST_F(OXGUIBaseTest, EachOpcodeHandsOverItsArgumentsInItsOrder) {
  struct Case {
    int32_t opcode;
    int32_t index;
    std::string expected;
  };
  const Case cases[] = {
      {0, 1, "0 yes"},          {0, 0, "0 no"},           {0, 2, "0 no"},         {2, 5, "2 5 44"},
      {3, 5, "3 44 3 5/6"},     {4, 5, "4 44 3 5/6"},     {5, 5, "5 44 3 5/6"},   {6, 5, "6 6 5 44"},
      {7, 5, "7 5 this"},       {8, 5, "8 44"},           {9, 5, "9 44"},         {11, 5, "11 5"},
      {12, 5, "12 5"},
  };
  for (const Case& c : cases) {
    log.clear();
    EXPECT_EQ(Call(c.opcode, c.index, 6, 44, 3.0f), 0) << c.opcode;
    EXPECT_EQ(log, std::vector<std::string>{c.expected}) << c.opcode;
  }
}

TEST_F(OXGUIBaseTest, Opcode10AnswersTheEightBitValueWidenedWithoutSign) {
  EXPECT_EQ(Call(10, 0, 0, 0, 0.0f), 255);
}

TEST_F(OXGUIBaseTest, OpcodesBeyondTwelveAnswerZeroAndCallNothing) {
  for (int32_t opcode : {13, -1, 0x7FFFFFFF}) EXPECT_EQ(Call(opcode, 1, 1, 1, 1.0f), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(OXGUIBaseTest, CloseAnswersOneAndDestroysTheCompanion) {
  EXPECT_EQ(Call(GUI_CLOSE, 0, 0, 0, 0.0f), 1);
  companion = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"close", "destroyed"}));
}

TEST(OXGUIBaseDefaultsTest, TheBaseAnswersEveryOpcodeWithZero) {
  OXGUI_base companion(nullptr, nullptr);
  OXGUIRecord* record = companion.Record();
  for (int32_t opcode = 0; opcode <= 12; ++opcode) {
    if (opcode == GUI_CLOSE) continue;
    EXPECT_EQ(record->dispatch_entry(record, opcode, 1, 1, nullptr, 0.0f), 0) << opcode;
  }
}

}  // namespace
