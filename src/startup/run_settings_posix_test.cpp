// Every value the stub takes from its environment, read as start-up reads it: set, empty,
// unreadable and unset, and what the rooms that receive them make of each.
#include "startup/run_settings.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>

#include "telemetry/endpoint.hpp"

namespace corvald {
namespace {

// Sets the variables for one reading and restores the unset state after it.
RunSettings read_with(std::initializer_list<std::pair<const char*, const char*>> variables) {
  for (const auto& [name, value] : variables) ::setenv(name, value, 1);
  RunSettings settings = read_run_settings();
  for (const auto& [name, value] : variables) ::unsetenv(name);
  return settings;
}

class RunSettingsFromEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name :
         {"LOCALAPPDATA", "APP_INSTALLER_REPORT_LOG", "APP_INSTALLER_SKIP_INSTALL",
          "APP_INSTALLER_TELEMETRY_URL", "APP_INSTALLER_TELEMETRY_TRACE", "APP_INSTALLER_LOCALE",
          "APP_INSTALLER_SCREENSHOT_DIR", "APP_INSTALLER_SERVICE_URL"}) {
      if (std::getenv(name) != nullptr) GTEST_SKIP() << name << " set by the caller";
    }
  }
};

TEST_F(RunSettingsFromEnvironment, LocalAppDataMissingRelativeAndPresent) {
  const RunSettings unset = read_run_settings();
  EXPECT_FALSE(unset.local_app_data.has_value());
  EXPECT_EQ(unset.logs_dir(), Path(".") / "corvald-installer" / "logs");
  ASSERT_FALSE(unset.cache_root().ok());
  EXPECT_EQ(unset.cache_root().error().text(), "LOCALAPPDATA not set");

  const RunSettings relative = read_with({{"LOCALAPPDATA", "relative/appdata"}});
  EXPECT_EQ(relative.logs_dir(), Path("relative/appdata") / "corvald-installer" / "logs");
  ASSERT_FALSE(relative.cache_root().ok());
  EXPECT_EQ(relative.cache_root().error().text(),
            "LOCALAPPDATA is not an absolute path: relative/appdata");

  const RunSettings present = read_with({{"LOCALAPPDATA", "/home/u/.local"}});
  EXPECT_EQ(present.local_app_data, Path("/home/u/.local"));
  EXPECT_EQ(present.logs_dir(), Path("/home/u/.local/corvald-installer/logs"));
  EXPECT_EQ(present.cache_root().value(), Path("/home/u/.local/tavrin/Cache"));
}

TEST_F(RunSettingsFromEnvironment, EachSwitchAsItIsSet) {
  const RunSettings unset = read_run_settings();
  EXPECT_FALSE(unset.report_log);
  EXPECT_FALSE(unset.skip_install);
  EXPECT_FALSE(unset.telemetry_url_set);
  EXPECT_FALSE(unset.telemetry_trace);
  EXPECT_FALSE(unset.screenshot_dir.has_value());
  EXPECT_FALSE(unset.service_url.has_value());
  EXPECT_EQ(unset.locale, "en");

  const RunSettings set = read_with({{"APP_INSTALLER_REPORT_LOG", "1"},
                                     {"APP_INSTALLER_SKIP_INSTALL", "1"},
                                     {"APP_INSTALLER_TELEMETRY_TRACE", ""},
                                     {"APP_INSTALLER_SCREENSHOT_DIR", "/tmp/shots"},
                                     {"APP_INSTALLER_SERVICE_URL", "http://127.0.0.1:9"},
                                     {"APP_INSTALLER_LOCALE", "fr_CA"}});
  EXPECT_TRUE(set.report_log);
  EXPECT_TRUE(set.skip_install);
  EXPECT_TRUE(set.telemetry_trace) << "presence alone switches tracing on";
  EXPECT_EQ(set.screenshot_dir, "/tmp/shots");
  EXPECT_EQ(set.service_url, "http://127.0.0.1:9");
  EXPECT_EQ(set.locale, "fr-FR");

  // Only exactly "1" counts; a trace switch that is not valid Unicode still counts; a locale
  // that is not valid Unicode is as if unset, and native builds have no system locale.
  const RunSettings near = read_with({{"APP_INSTALLER_REPORT_LOG", " 1"},
                                      {"APP_INSTALLER_SKIP_INSTALL", "true"},
                                      {"APP_INSTALLER_TELEMETRY_TRACE", "\xff"},
                                      {"APP_INSTALLER_LOCALE", "de\xFF"}});
  EXPECT_FALSE(near.report_log);
  EXPECT_FALSE(near.skip_install);
  EXPECT_TRUE(near.telemetry_trace);
  EXPECT_EQ(near.locale, "en");
}

TEST_F(RunSettingsFromEnvironment, TelemetryUrlSetEmptyUnreadableOrUnset) {
  const std::string fallback = telemetry::telemetry_endpoint(read_run_settings());
  EXPECT_TRUE(fallback.ends_with("/api/v2/report")) << fallback;

  const RunSettings empty = read_with({{"APP_INSTALLER_TELEMETRY_URL", ""}});
  EXPECT_TRUE(empty.telemetry_url_set);
  EXPECT_EQ(telemetry::telemetry_endpoint(empty), "");
  const RunSettings unreadable =
      read_with({{"APP_INSTALLER_TELEMETRY_URL", "http://127.0.0.1:\xff/r"}});
  EXPECT_TRUE(unreadable.telemetry_url_set);
  EXPECT_FALSE(unreadable.telemetry_url.has_value());
  EXPECT_EQ(telemetry::telemetry_endpoint(unreadable), "")
      << "unreadable, but still not the real service";
  const RunSettings given = read_with({{"APP_INSTALLER_TELEMETRY_URL", "http://127.0.0.1:1/r"}});
  EXPECT_EQ(telemetry::telemetry_endpoint(given), "http://127.0.0.1:1/r");
}

}  // namespace
}  // namespace corvald
