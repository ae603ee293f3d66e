#include "options.hpp"

#include <gtest/gtest.h>

#include "live_settings.hpp"

namespace corvald::devserver {
namespace {

Outcome<Options> parse(std::vector<std::string> args) { return parse_options(args); }

TEST(OptionsTest, ReadsEveryOptionInBothForms) {
  const auto parsed = parse({"--port",
                             "18080",
                             "--port-file=/tmp/p",
                             "--record",
                             "/tmp/r.jsonl",
                             "--release",
                             "/rel",
                             "--release-version",
                             "1.4.0",
                             "--release-date=2024-05-01",
                             "--feed-file",
                             "/f.yml",
                             "--feed-status",
                             "204",
                             "--feed-body",
                             "a=b c",
                             "--feed-content-type",
                             "text/html",
                             "--telemetry-status=503",
                             "--telemetry-stall-ms",
                             "2500"});
  ASSERT_TRUE(parsed) << parsed.error();
  const Options& o = parsed.value();
  EXPECT_EQ(o.port, 18080);
  EXPECT_EQ(o.port_file, "/tmp/p");
  EXPECT_EQ(o.record_file, "/tmp/r.jsonl");
  EXPECT_EQ(o.release_dir, "/rel");
  EXPECT_EQ(o.release_version, "1.4.0");
  EXPECT_EQ(o.release_date, "2024-05-01");
  EXPECT_EQ(o.feed_file, "/f.yml");
  EXPECT_EQ(o.feed_status, 204);
  EXPECT_EQ(o.feed_body, "a=b c");  // only the first "=" of "--name=value" splits
  EXPECT_EQ(o.feed_content_type, "text/html");
  EXPECT_EQ(o.telemetry_status, 503);
  EXPECT_EQ(o.telemetry_stall_ms, 2500);
}

TEST(OptionsTest, DefaultsAndLastValueWins) {
  const auto defaults = parse({});
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults.value().port, 0);
  EXPECT_FALSE(defaults.value().feed_status);
  EXPECT_EQ(defaults.value().telemetry_status, 200);
  EXPECT_EQ(defaults.value().telemetry_stall_ms, 0);
  EXPECT_EQ(parse({"--port", "0", "--port", "9000"}).value().port, 9000);
  EXPECT_EQ(parse({"--feed-body=x=y"}).value().feed_body, "x=y");
  EXPECT_EQ(parse({"--feed-body", ""}).value().feed_body, "");
}

TEST(OptionsTest, RefusesWhatItWouldOtherwiseMisread) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--bogus", "1"},
           {"18080"},
           {"--port"},
           {"--port", "65536"},
           {"--port", "-1"},
           {"--port", "80x"},
           {"--feed-status", "100"},
           {"--feed-status", "600"},
           {"--telemetry-status", "abc"},
           {"--telemetry-stall-ms", "3600001"},
           {"--release", "/rel"},
           {"--release-version", "1.0"},
           {"--release-date", "2024"},
           {"--release", "/rel", "--release-version", ""},
       }) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_FALSE(parse(args)) << joined;
  }
}

TEST(LiveSettingsTest, OverridesReplaceTheCommandLineUntilCleared) {
  Options options;
  options.feed_status = 500;
  options.feed_body = "from the command line";
  options.telemetry_status = 202;
  LiveSettings settings(options);

  EXPECT_EQ(settings.apply({{"feed_status", "204"},
                            {"telemetry_stall_ms", "1500"},
                            {"feed_content_type", "text/html"}}),
            "");
  EffectiveSettings now = settings.current();
  EXPECT_EQ(now.feed_status, 204);
  EXPECT_EQ(now.feed_body, "from the command line");
  EXPECT_EQ(now.feed_content_type, "text/html");
  EXPECT_EQ(now.telemetry_status, 202);
  EXPECT_EQ(now.telemetry_stall_ms, 1500);

  EXPECT_EQ(settings.apply({{"feed_status", ""}, {"telemetry_stall_ms", ""}}), "");
  now = settings.current();
  EXPECT_EQ(now.feed_status, 500);
  EXPECT_EQ(now.telemetry_stall_ms, 0);
  EXPECT_EQ(now.feed_content_type, "text/html");
}

TEST(LiveSettingsTest, OneBadPairLeavesEverythingAsItWas) {
  LiveSettings settings{Options{}};
  EXPECT_NE(settings.apply({{"telemetry_status", "503"}, {"feed_colour", "red"}}), "");
  EXPECT_NE(settings.apply({{"telemetry_status", "503"}, {"feed_status", "99"}}), "");
  EXPECT_NE(settings.apply({{"telemetry_status", "503"}, {"telemetry_stall_ms", "-5"}}), "");
  EXPECT_EQ(settings.current().telemetry_status, 200);
  EXPECT_FALSE(settings.current().feed_status);
}

}  // namespace
}  // namespace corvald::devserver
