#include "worker/installer_step.hpp"

#include <gtest/gtest.h>

namespace corvald {
namespace {

TEST(CompareVersions, NumericComponentsWithLenientParts) {
  struct Case {
    const char* a;
    const char* b;
    VersionOrder order;
  };
  const Case cases[] = {
      {"1.2", "1.2.0", VersionOrder::equal},
      {"1.10", "1.9", VersionOrder::greater},
      {"1.9", "1.10", VersionOrder::less},
      {"1.2.3-beta", "1.2.0", VersionOrder::equal},
      {"v1.2", "0.2", VersionOrder::equal},
      {"+1", "1", VersionOrder::equal},
      {"++1", "0", VersionOrder::equal},
      {"-1", "0", VersionOrder::equal},
      {"1..2", "1.0.2", VersionOrder::equal},
      {"18446744073709551615", "18446744073709551614", VersionOrder::greater},
      {"18446744073709551616", "0", VersionOrder::equal},  // past 64 bits counts as 0
      {"1.4.0", "1.4", VersionOrder::equal},
      {"1.3.9", "1.4", VersionOrder::less},
      {"", "0.0", VersionOrder::equal},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare_versions(c.a, c.b), c.order) << c.a << " vs " << c.b;
  }
}

TEST(InstallerStep, ArgumentsAndMessages) {
  EXPECT_EQ(installer_args(), std::vector<std::string>{"/S"});
  EXPECT_EQ(installer_exit_message(1603), "installer exited with code 1603");
  EXPECT_EQ(installer_exit_message(0xC0000005u), "installer exited with code -1073741819");
  EXPECT_EQ(format_seconds(42713), "42.7");
  EXPECT_EQ(format_seconds(999), "1.0");
  EXPECT_EQ(format_seconds(0), "0.0");
  auto child = spawn_installer("/nonexistent/corvald/setup.exe", {"/S"});
  ASSERT_FALSE(child);
  EXPECT_EQ(child.error().text(), "installer not found: /nonexistent/corvald/setup.exe");
}

}  // namespace
}  // namespace corvald
