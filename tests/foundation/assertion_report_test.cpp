#include <gtest/gtest.h>

#include "ox_platform.h"
#include "tests/support/contract_report.h"

namespace {

using oxtest::ContractReport;

// The report names the expression, the source and the line exactly as given,
// not the place of the code that reports them.
TEST(AssertionReportDeathTest, ReportsExpressionSourceAndLineAsGiven) {
  EXPECT_DEATH(ox_report_assertion("m_pins != 0", "ox_sdk2/OXModule_base", 150),
               ContractReport("m_pins != 0", "ox_sdk2/OXModule_base", 150));
}

TEST(AssertionReportDeathTest, ReportsExpressionsWithOperatorsVerbatim) {
  const char* expression = "(((OXPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || x";
  EXPECT_DEATH(ox_report_assertion(expression, "ox_sdk2/OXModule_base", 80),
               ContractReport(expression, "ox_sdk2/OXModule_base", 80));
}

TEST(AssertionReportDeathTest, CheckEndsTheProcessOnlyWhenItsConditionFails) {
  int frames = 1;
  OX_CHECK(frames > 0, "sampleFrames > 0", "ox_sdk/OXModule_base", 190);
  frames = 0;
  EXPECT_DEATH(OX_CHECK(frames > 0, "sampleFrames > 0", "ox_sdk/OXModule_base", 190),
               ContractReport("sampleFrames > 0", "ox_sdk/OXModule_base", 190));
}

}  // namespace
