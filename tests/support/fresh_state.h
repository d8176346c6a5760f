// Puts the process-wide state back as the program starts with it, around every
// test: a test that fails half-way cannot hand its language, settings, link
// state, port or message presenter to the next one.
#pragma once
#include <gtest/gtest.h>

namespace tolvane::test {

void ResetProcessState();

class FreshStateListener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override { ResetProcessState(); }
  void OnTestEnd(const ::testing::TestInfo&) override { ResetProcessState(); }
};

// Registers the listener; call after InitGoogleTest.
inline void KeepStateFresh() { ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateListener); }

}  // namespace tolvane::test
