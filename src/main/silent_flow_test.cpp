#include "main/silent_flow.hpp"

#include <gtest/gtest.h>

namespace corvald {
namespace {

TEST(SilentExitCodeTest, KeepsTheLowEightBitsButNeverTurnsAFailureIntoSuccess) {
  EXPECT_EQ(silent_exit_code(0), 0);
  EXPECT_EQ(silent_exit_code(1603), 67);
  EXPECT_EQ(silent_exit_code(255), 255);
  EXPECT_EQ(silent_exit_code(256), 1);
  EXPECT_EQ(silent_exit_code(0xC0000000u), 1);
}

}  // namespace
}  // namespace corvald
