#include "telemetry/environment_meta.hpp"

#include <gtest/gtest.h>

#include <regex>

#include "platform/env.hpp"

namespace corvald::telemetry {
namespace {

TEST(EnvironmentMeta, AllTwelvePairsInOrderWithTheFactsGiven) {
  EnvironmentFacts facts;
  facts.native_machine = platform::kMachineAmd64;
  facts.os_version = platform::OsVersion{10, 0, 22631};
  facts.disk_free_bytes = (51200ull << 20) + 1048575;  // a partial MiB is cut off
  facts.memory = platform::MemoryStatus{16384ull << 20, 5120ull << 20};
  EXPECT_EQ(format_environment_meta(facts),
            "<meta source=installer&product=tavrin&os=win&arch=x64&native_arch=x64&"
            "os_version=10.0.22631&stub_version=0.1.117&commit=6c20bc0&build_time=1788095247&"
            "disk_free_mb=51200&mem_total_mb=16384&mem_avail_mb=5120>");
}

TEST(EnvironmentMeta, MissingFactsStillGiveEveryKey) {
  EXPECT_EQ(format_environment_meta(EnvironmentFacts{}),
            "<meta source=installer&product=tavrin&os=win&arch=x64&native_arch=unknown&"
            "os_version=unknown&stub_version=0.1.117&commit=6c20bc0&build_time=1788095247&"
            "disk_free_mb=&mem_total_mb=&mem_avail_mb=>");
}

TEST(EnvironmentMeta, NativeArchitectureNames) {
  EXPECT_EQ(native_arch_name(platform::kMachineArm64), "arm64");
  EXPECT_EQ(native_arch_name(platform::kMachineArmNt), "arm");
  EXPECT_EQ(native_arch_name(platform::kMachineAmd64), "x64");
  EXPECT_EQ(native_arch_name(platform::kMachineI386), "x86");
  EXPECT_EQ(native_arch_name(std::uint16_t{0x0200}), "unknown");  // Itanium
  EXPECT_EQ(native_arch_name(std::nullopt), "unknown");
}

TEST(EnvironmentMeta, PercentEncodingKeepsOnlyTheUnreservedBytes) {
  EXPECT_EQ(percent_encode("AZaz09-._~"), "AZaz09-._~");
  EXPECT_EQ(percent_encode("a b&c=d%/+"), "a%20b%26c%3Dd%25%2F%2B");
  EXPECT_EQ(percent_encode("é\x7f"), "%C3%A9%7F");
  EXPECT_EQ(percent_encode(std::string_view("\0\xff", 2)), "%00%FF");
}

TEST(EnvironmentMeta, TheLineOfThisMachineHasTheFixedShape) {
  const std::regex shape(
      "<meta source=installer&product=tavrin&os=win&arch=x64&native_arch=(arm64|arm|x64|x86|"
      "unknown)&os_version=(\\d+\\.\\d+\\.\\d+|unknown)&stub_version=0\\.1\\.117&commit=6c20bc0&"
      "build_time=1788095247&disk_free_mb=\\d*&mem_total_mb=\\d*&mem_avail_mb=\\d*>");
  const std::string line = environment_meta_line(platform::env_path("LOCALAPPDATA"));
  EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

}  // namespace
}  // namespace corvald::telemetry
