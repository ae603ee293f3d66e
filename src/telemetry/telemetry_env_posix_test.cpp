// The environment switches, as the settings read at start-up hand them over.
#include <gtest/gtest.h>

#include "build_info.hpp"
#include "logfile/test/log_capture.hpp"
#include "net/service.hpp"
#include "telemetry/endpoint.hpp"
#include "telemetry/stub_telemetry.hpp"
#include "telemetry/telemetry_hooks.hpp"

namespace corvald::telemetry {
namespace {

TEST(TelemetryEndpoint, TheOverrideIsUsedWhenItIsSetAndSafe) {
  const std::string fallback = net::service_url(std::nullopt, "/api/v2/report");
  EXPECT_TRUE(fallback.ends_with("/api/v2/report")) << fallback;
  EXPECT_EQ(telemetry_endpoint_from(false, std::nullopt, std::nullopt), fallback);
  EXPECT_EQ(telemetry_endpoint_from(true, "http://127.0.0.1:1/r", std::nullopt),
            "http://127.0.0.1:1/r");
  EXPECT_EQ(telemetry_endpoint_from(true, "https://stats.example/r", std::nullopt),
            "https://stats.example/r");
  EXPECT_EQ(telemetry_endpoint_from(true, "", std::nullopt), "");
  // The default endpoint follows the service the stub was pointed at.
  EXPECT_EQ(telemetry_endpoint_from(false, std::nullopt, "http://127.0.0.1:9/"),
            "http://127.0.0.1:9/api/v2/report");
  // Plain text leaving the machine, or no URL at all, reports to the service instead, with
  // one warning however often the endpoint is asked for.
  logfile::testing::LogCapture capture;
  for (const char* refused : {"http://stats.example/r", "http://127.0.0.1@stats.example/r",
                              "ftp://127.0.0.1/r", "stats.example/r"}) {
    EXPECT_EQ(telemetry_endpoint_from(true, refused, std::nullopt), fallback) << refused;
  }
  EXPECT_EQ(capture.messages(),
            std::vector<std::string>{
                "[telemetry] APP_INSTALLER_TELEMETRY_URL ignored: only https://, or http:// to a "
                "loopback host, may replace the telemetry endpoint; using " +
                fallback});
  EXPECT_EQ(telemetry_endpoint_from(true, std::nullopt, std::nullopt), "");
}

// Both the install and a refused start report through this: the endpoint the settings chose,
// the given locale rather than the settings' one, and every identity field filled.
TEST(TelemetryEndpoint, EveryRunReportsToTheSettingsEndpointInTheGivenLocale) {
  RunSettings settings;
  settings.telemetry_url_set = true;
  settings.telemetry_url = "http://127.0.0.1:7/r";
  settings.locale = "de-DE";
  const TelemetryConfig config =
      stub_telemetry_config(settings, {"agent/1", "session-1", "client-1"}, "en");
  EXPECT_EQ(config.endpoint, "http://127.0.0.1:7/r");
  EXPECT_EQ(config.locale, "en");
  EXPECT_EQ(std::vector<std::string>({config.user_agent, config.session_id, config.client_id,
                                      config.app_id, config.stub_version, config.channel}),
            std::vector<std::string>({"agent/1", "session-1", "client-1", build_info::app_id,
                                      build_info::stub_version, "windows"}));
}

TEST(TelemetryHooksTest, TraceSwitchIsTheOneTheHooksWereMadeWith) {
  EXPECT_FALSE(default_telemetry_hooks(false).trace_enabled());
  EXPECT_TRUE(default_telemetry_hooks(true).trace_enabled());
}

}  // namespace
}  // namespace corvald::telemetry
