// The environment switches, set through the POSIX environment of the test process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "logfile/test/log_capture.hpp"
#include "net/service.hpp"
#include "telemetry/endpoint.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry {
namespace {

TEST(TelemetryEndpoint, TheOverrideIsUsedWhenItIsSetAndSafe) {
  const std::string fallback = net::service_url("/api/v2/report");
  EXPECT_TRUE(fallback.ends_with("/api/v2/report")) << fallback;
  EXPECT_EQ(telemetry_endpoint_from(false, std::nullopt), fallback);
  EXPECT_EQ(telemetry_endpoint_from(true, "http://127.0.0.1:1/r"), "http://127.0.0.1:1/r");
  EXPECT_EQ(telemetry_endpoint_from(true, "https://stats.example/r"), "https://stats.example/r");
  EXPECT_EQ(telemetry_endpoint_from(true, ""), "");
  // Plain text leaving the machine, or no URL at all, reports to the service instead, with
  // one warning however often the endpoint is asked for.
  logfile::testing::LogCapture capture;
  for (const char* refused : {"http://stats.example/r", "http://127.0.0.1@stats.example/r",
                              "ftp://127.0.0.1/r", "stats.example/r"}) {
    EXPECT_EQ(telemetry_endpoint_from(true, refused), fallback) << refused;
  }
  EXPECT_EQ(capture.messages(),
            std::vector<std::string>{
                "[telemetry] APP_INSTALLER_TELEMETRY_URL ignored: only https://, or http:// to a "
                "loopback host, may replace the telemetry endpoint; using " + fallback});
  EXPECT_EQ(telemetry_endpoint_from(true, std::nullopt), "");

  ::setenv("APP_INSTALLER_TELEMETRY_URL", "", 1);
  EXPECT_EQ(telemetry_endpoint(), "");
  ::setenv("APP_INSTALLER_TELEMETRY_URL", "http://127.0.0.1:\xff/r", 1);
  EXPECT_EQ(telemetry_endpoint(), "") << "unreadable, but still not the real service";
  ::unsetenv("APP_INSTALLER_TELEMETRY_URL");
  EXPECT_EQ(telemetry_endpoint(), fallback);
}

TEST(TelemetryHooksTest, TraceSwitchIsThePresenceOfTheVariable) {
  const auto hooks = default_telemetry_hooks();
  ::unsetenv("APP_INSTALLER_TELEMETRY_TRACE");
  EXPECT_FALSE(hooks.trace_enabled());
  ::setenv("APP_INSTALLER_TELEMETRY_TRACE", "", 1);
  EXPECT_TRUE(hooks.trace_enabled());
  ::setenv("APP_INSTALLER_TELEMETRY_TRACE", "\xff", 1);
  EXPECT_TRUE(hooks.trace_enabled());
  ::unsetenv("APP_INSTALLER_TELEMETRY_TRACE");
}

}  // namespace
}  // namespace corvald::telemetry
