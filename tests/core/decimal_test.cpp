#include "core/decimal.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(DecimalValue, LeadingIntegerRule) {
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(DecimalValue("abc"), 0);
  EXPECT_EQ(DecimalValue("  42x"), 42);
  EXPECT_EQ(DecimalValue("\t-17"), -17);
  EXPECT_EQ(DecimalValue("+8"), 8);
  EXPECT_EQ(DecimalValue("- 8"), 0);
  EXPECT_EQ(DecimalValue("007"), 7);
  EXPECT_EQ(DecimalValue("99999999999999999999"), 2147483647);
  EXPECT_EQ(DecimalValue("-99999999999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace tolvane
