#include <gtest/gtest.h>

#include "support/fresh_state.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  tolvane::test::KeepStateFresh();
  return RUN_ALL_TESTS();
}
