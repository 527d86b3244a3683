// Allocations that fail inside the library leave every instance safe. The
// failures are provoked by replacing the program's non-throwing allocation
// functions, which the library's own calls reach on ELF targets; elsewhere,
// and under AddressSanitizer (which owns those functions), the tests skip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "tests/chorus/support/chorus_rig.h"

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#define OX_ALLOCATION_FAILURES 1
#endif

#if OX_ALLOCATION_FAILURES

namespace {

// While armed, every non-throwing allocation of at least `failing_size`
// bytes fails.
bool armed = false;
std::size_t failing_size = 0;
int refused = 0;

void* Allocate(std::size_t size) {
  if (armed && size >= failing_size) {
    ++refused;
    return nullptr;
  }
  return std::malloc(size ? size : 1);
}

struct Armed {
  explicit Armed(std::size_t size) {
    failing_size = size;
    refused = 0;
    armed = true;
  }
  ~Armed() { armed = false; }
};

}  // namespace

__attribute__((visibility("default"))) void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
__attribute__((visibility("default"))) void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}

namespace {

using oxtest::ChorusFrame;
using oxtest::StereoOut;


TEST(AllocationFailureTest, MainAnswersNullWithoutMemory) {
  ox1::OXMainEntry entry = oxtest::MainEntry(oxtest::ChorusLibrary());
  ASSERT_NE(entry, nullptr);
  ox1::OXModuleRecord* record;
  {
    Armed armed(1);
    record = entry(&oxhost::HostCallbackGen1);
    EXPECT_GT(refused, 0);
  }
  EXPECT_EQ(record, nullptr);
}

// Without delay lines the chorus cannot run: wherever it would, the instance
// passes its inputs through instead, and never touches a missing line.
TEST(AllocationFailureTest, MissingDelayLinesLeaveABypass) {
  oxtest::Gen1Instance instance(oxtest::ChorusLibrary(), oxtest::kChorusPins, 256);
  {
    Armed armed(32768 * sizeof(float));
    instance.Open();
    EXPECT_GT(refused, 0);
  }
  instance.BindAudioBuffers(oxtest::kChorusPins);
  const std::vector<ChorusFrame> frames = oxtest::NoiseFrames(256);
  for (int32_t mode : {0, 1}) {
    instance.PinEvent(instance.clock(), oxtest::kInL, ox1::PS_STREAMING);
    instance.PinEvent(instance.clock(), oxtest::kInR, ox1::PS_STREAMING);
    instance.PinEvent(instance.clock(), oxtest::kModulationMode, ox1::PS_ONE_CHANGE, mode);
    for (int32_t i = 0; i < 256; ++i) {
      instance.Buffer(oxtest::kInL)[i] = frames[i].in_l;
      instance.Buffer(oxtest::kInR)[i] = frames[i].in_r;
    }
    instance.Process(0, 256);
    for (int32_t i = 0; i < 256; ++i) {
      ASSERT_EQ(instance.Buffer(oxtest::kOutL)[i], frames[i].in_l) << "mode " << mode << ", sample " << i;
      ASSERT_EQ(instance.Buffer(oxtest::kOutR)[i], frames[i].in_r) << "mode " << mode << ", sample " << i;
    }
  }
}

// A later Open that gets its memory runs the chorus again.
TEST(AllocationFailureTest, ReopeningWithMemoryRestoresTheChorus) {
  oxtest::ChorusRig rig(44100.0f, 256);
  {
    Armed armed(32768 * sizeof(float));
    rig.instance.Open();
  }
  rig.instance.Open();
  const std::vector<ChorusFrame> frames = oxtest::NoiseFrames(256);
  const std::vector<StereoOut> out = rig.Run(frames);
  for (size_t i = 0; i < frames.size(); ++i) ASSERT_EQ(out[i].left, 0.8f * frames[i].in_l) << i;
}

// An event that cannot be copied is dropped.
TEST(AllocationFailureTest, EventWithoutMemoryIsDropped) {
  oxtest::ChorusRig rig(44100.0f, 64);
  {
    Armed armed(1);
    rig.Change(10, oxtest::kOnOff, 1);
    EXPECT_GT(refused, 0);
  }
  EXPECT_EQ(rig.instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

// Without memory for its pins the instance has none: it announces nothing,
// ignores pin events and does no work.
TEST(AllocationFailureTest, PinsWithoutMemoryLeaveTheInstanceIdle) {
  oxtest::Gen1Instance instance(oxtest::ChorusLibrary(), oxtest::kChorusPins, 64);
  {
    Armed armed(oxtest::kChorusPins * 8);
    instance.Open();
    EXPECT_GT(refused, 0);
  }
  instance.BindAudioBuffers(oxtest::kChorusPins);
  EXPECT_TRUE(instance.side().CallsWithOpcode(ox1::HC_SEND_PIN_STATUS).empty());
  instance.PinEvent(0, oxtest::kOnOff, ox1::PS_ONE_CHANGE, 1);
  instance.Fill(oxtest::kInL, 0.5f);
  instance.Fill(oxtest::kOutL, 7.0f);
  instance.Process(0, 64);
  EXPECT_EQ(instance.Buffer(oxtest::kOutL)[0], 7.0f);
}

}  // namespace

#else

TEST(AllocationFailureTest, NeedsReplaceableAllocation) {
  GTEST_SKIP() << "allocation failures cannot be provoked on this target";
}

#endif
