// The chorus driven through the host library, without files: outputs
// checked against formulas of its processing, automation at its sample.
#include <cmath>
#include <vector>

#include "tests/host/host_rig.h"

namespace {

// Two different signals, so that swapped channels show.
float Left(int64_t n) { return 0.5f * std::sin(0.01f * static_cast<float>(n)); }
float Right(int64_t n) { return 0.3f * std::cos(0.037f * static_cast<float>(n)) - 0.1f; }

struct Outputs {
  std::vector<float> left, right;
};

// Streams both inputs for `blocks` blocks (the last one `last` samples long)
// and collects both outputs.
Outputs Drive(oxtest::HostRig& rig, int32_t block, int blocks, int32_t last) {
  std::string error;
  float* in_l = rig.host->InputBuffer(0);
  float* in_r = rig.host->InputBuffer(1);
  const float* out_l = rig.host->OutputBuffer(2);
  const float* out_r = rig.host->OutputBuffer(3);
  EXPECT_TRUE(in_l && in_r && out_l && out_r);
  Outputs run;
  if (!(in_l && in_r && out_l && out_r)) return run;
  for (int b = 0; b < blocks; ++b) {
    const int32_t count = b + 1 == blocks ? last : block;
    const int64_t start = rig.host->clock();
    for (int32_t i = 0; i < count; ++i) {
      in_l[i] = Left(start + i);
      in_r[i] = Right(start + i);
    }
    rig.host->ProcessBlock(count);
    run.left.insert(run.left.end(), out_l, out_l + count);
    run.right.insert(run.right.end(), out_r, out_r + count);
  }
  return run;
}

void StreamBoth(oxtest::HostRig& rig) {
  std::string error;
  EXPECT_TRUE(rig.host->StreamInput(rig.Pin("In L"), error)) << error;
  EXPECT_TRUE(rig.host->StreamInput(rig.Pin("In R"), error)) << error;
}

TEST(ChorusDriveTest, WetZeroAndDryTenGiveTheInputBack) {
  oxtest::HostRig rig(OX_CHORUS_LIBRARY);
  ASSERT_TRUE(rig.host);
  StreamBoth(rig);
  rig.Set("Wet", "0");
  rig.Set("Dry", "10");
  std::string error;
  ASSERT_TRUE(rig.host->Open(44100.0f, 100, error)) << error;
  Outputs run = Drive(rig, 100, 5, 37);
  ASSERT_EQ(run.left.size(), 437u);
  for (std::size_t n = 0; n < run.left.size(); ++n) {
    ASSERT_EQ(run.left[n], Left(static_cast<int64_t>(n))) << n;
    ASSERT_EQ(run.right[n], Right(static_cast<int64_t>(n))) << n;
  }
  EXPECT_EQ(rig.host->ReportedStatus(2), ox1::PS_STREAMING);
  EXPECT_EQ(rig.host->ReportedStatus(3), ox1::PS_STREAMING);
}

// With every delay at 0 both voices read the current input; with Spread 0
// the third LFO is 0, so Out L = In L * ((mix + 1) * Wet + Dry) and
// Out R = In R * ((2 - mix) * Wet + Dry). Switching OFF bypasses.
TEST(ChorusDriveTest, ZeroDelaysFollowTheClosedFormulaUntilSwitchedOffAtItsSample) {
  oxtest::HostRig rig(OX_CHORUS_LIBRARY);
  ASSERT_TRUE(rig.host);
  StreamBoth(rig);
  for (const char* pin : {"PreDly1(ms)", "PreDly2(ms)", "MaxDelay1(ms)", "MaxDelay2(ms)", "Spread"}) {
    rig.Set(pin, "0");
  }
  rig.Set("VoiceMix", "2");
  std::string error;
  ASSERT_TRUE(rig.host->Open(48000.0f, 64, error)) << error;
  const int64_t wet_change = 90;  // within the second block
  const int64_t off = 150;        // within the third block
  rig.ChangeAt(wet_change, "Wet", "3");
  rig.ChangeAt(off, "On|Off", "OFF");
  Outputs run = Drive(rig, 64, 4, 64);
  ASSERT_EQ(run.left.size(), 256u);

  const double mix = 0.2, dry = 0.8;
  for (std::size_t n = 0; n < run.left.size(); ++n) {
    SCOPED_TRACE(n);
    const auto clock = static_cast<int64_t>(n);
    if (clock >= off) {
      EXPECT_EQ(run.left[n], Left(clock));
      EXPECT_EQ(run.right[n], Right(clock));
      continue;
    }
    const double wet = clock < wet_change ? 0.6 : 0.3;
    EXPECT_NEAR(run.left[n], Left(clock) * ((mix + 1.0) * wet + dry), 1e-6);
    EXPECT_NEAR(run.right[n], Right(clock) * ((2.0 - mix) * wet + dry), 1e-6);
  }
}

}  // namespace
