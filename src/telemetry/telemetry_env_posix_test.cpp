// The environment switches, set through the POSIX environment of the test process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "net/service.hpp"
#include "telemetry/endpoint.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry {
namespace {

TEST(TelemetryEndpoint, TheOverrideIsUsedAsItIsWheneverItIsSet) {
  const std::string fallback = net::service_url("/api/v2/report");
  EXPECT_TRUE(fallback.ends_with("/api/v2/report")) << fallback;
  EXPECT_EQ(telemetry_endpoint_from(false, std::nullopt), fallback);
  EXPECT_EQ(telemetry_endpoint_from(true, "http://127.0.0.1:1/r"), "http://127.0.0.1:1/r");
  EXPECT_EQ(telemetry_endpoint_from(true, ""), "");
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
