// The summary line from the real Win32 facts.
#include "telemetry/environment_meta.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <regex>

#include "platform/env.hpp"
#include "platform/system_info.hpp"

namespace corvald::telemetry {
namespace {

TEST(EnvironmentMetaWin, EveryFactIsFoundOnAnX64System) {
  const std::string line = environment_meta_line(platform::env_path("LOCALAPPDATA"));
  const std::regex shape(
      "<meta source=installer&product=tavrin&os=win&arch=x64&native_arch=x64&"
      "os_version=\\d+\\.\\d+\\.\\d+&stub_version=0\\.1\\.117&commit=6c20bc0&"
      "build_time=1788095247&disk_free_mb=\\d+&mem_total_mb=[1-9]\\d*&mem_avail_mb=\\d+>");
  EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

TEST(EnvironmentMetaWin, DiskFreeIsMissingForAFolderThatCannotBeAsked) {
  EXPECT_FALSE(platform::disk_free_bytes(L"Q:\\no\\such\\volume").has_value());
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
  EXPECT_TRUE(platform::disk_free_bytes(temp).has_value());
}

}  // namespace
}  // namespace corvald::telemetry
