// The drift module driven through the host library, without files: its
// output follows the generator formulas, switching it off takes effect at
// its sample, and the idle module is put to sleep with its zeros held.
#include <vector>

#include "tests/host/drift_model.h"
#include "tests/host/host_rig.h"

namespace {

TEST(DriftDriveTest, FollowsTheGeneratorThenGoesIdleAtItsSampleAndSleeps) {
  oxtest::HostRig rig(OX_DRIFT_LIBRARY);
  ASSERT_TRUE(rig.host);
  rig.Set("Analogue Drift Depth", "10");
  rig.Set("Active", "ON");
  const int32_t block = 1024;
  std::string error;
  ASSERT_TRUE(rig.host->Open(44100.0f, block, error)) << error;
  const int blocks = 400;  // more than two targets at one every 4 s
  const int64_t off = static_cast<int64_t>(blocks) * block + 300;
  rig.ChangeAt(off, "Active", "OFF");
  const float* out = rig.host->OutputBuffer(rig.Pin("Drift.Out"));
  ASSERT_NE(out, nullptr);

  oxtest::DriftModel model(44100.0, block);
  float expected = 0.0f;
  for (int b = 0; b < blocks; ++b) {
    rig.host->ProcessBlock(block);
    model.Call(block, expected);
    ASSERT_NEAR(out[0], expected, 1e-6) << "block " << b;
    ASSERT_EQ(out[block - 1], out[0]) << "block " << b;
  }
  EXPECT_NE(expected, 0.0f);
  EXPECT_EQ(rig.host->ReportedStatus(2), ox2::PS_ONE_CHANGE);

  rig.host->ProcessBlock(block);  // switched off at sample 300 of this block
  model.Call(300, expected);
  for (int i = 0; i < block; ++i) {
    if (i < 300) {
      ASSERT_NEAR(out[i], expected, 1e-6) << i;
    } else {
      ASSERT_EQ(out[i], 0.0f) << i;
    }
  }
  EXPECT_EQ(rig.host->ReportedClock(2), static_cast<int32_t>(off));
  EXPECT_FALSE(rig.host->asleep()) << "less than a block of zeros so far";
  rig.host->ProcessBlock(block);
  EXPECT_TRUE(rig.host->asleep());
  for (int i = 0; i < block; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

}  // namespace
