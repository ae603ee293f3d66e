#include "faults.hpp"

#include <gtest/gtest.h>

#include "live_settings.hpp"
#include "options.hpp"
#include "release.hpp"
#include "temp_folder.hpp"

namespace corvald::devserver {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::seconds;

TEST(PacingTest, EachSliceWaitsUntilTheBytesBeforeItWouldHaveTakenTheirTime) {
  constexpr std::uint64_t rate = 8 * 1024 * 1024;
  // Nothing is owed for the first slice, nor without a cap.
  EXPECT_EQ(pacing_wait(0, rate, nanoseconds(0)), nanoseconds(0));
  EXPECT_EQ(pacing_wait(1 << 30, 0, nanoseconds(0)), nanoseconds(0));
  // 4 MiB at 8 MiB/s are due after half a second, whatever already passed counts.
  EXPECT_EQ(pacing_wait(4 * 1024 * 1024, rate, nanoseconds(0)), milliseconds(500));
  EXPECT_EQ(pacing_wait(4 * 1024 * 1024, rate, milliseconds(200)), milliseconds(300));
  // A slow sender is not owed a wait, and a clock that went backwards owes the whole time.
  EXPECT_EQ(pacing_wait(4 * 1024 * 1024, rate, seconds(2)), nanoseconds(0));
  EXPECT_EQ(pacing_wait(1000, 1000, nanoseconds(-5)), seconds(1));
  // Whole seconds and the rest are added: 2.5 s for 2.5 times the rate.
  EXPECT_EQ(pacing_wait(2500, 1000, nanoseconds(0)), milliseconds(2500));
}

TEST(PacingTest, HugeBodiesDoNotOverflowTheSchedule) {
  constexpr std::uint64_t tib = std::uint64_t{1} << 40;
  // 1.5 TiB times 10^9 exceeds 64 bits; at 1 TiB/s it is due after 1.5 s all the same.
  EXPECT_EQ(pacing_wait(tib + tib / 2, tib, nanoseconds(0)), milliseconds(1500));
  EXPECT_EQ(pacing_wait(std::uint64_t{1} << 33, 1 << 30, nanoseconds(0)), seconds(8));
}

TEST(PacingTest, SlicesAreAboutTwentyMillisecondsOfTheRateWithinBounds) {
  EXPECT_EQ(pacing_slice(50'000), 1000u);
  EXPECT_EQ(pacing_slice(8 * 1024 * 1024), 64u * 1024);  // capped at the body piece size
  EXPECT_EQ(pacing_slice(10), 1u);                       // never an empty slice
  EXPECT_EQ(pacing_slice(1), 1u);
  // Sent back to back at their schedule, slices of the cap give the rate: 50 per second.
  const std::uint64_t rate = 1'000'000;
  EXPECT_EQ(pacing_wait(pacing_slice(rate) * 50, rate, nanoseconds(0)), seconds(1));
}

TEST(FaultValuesTest, AcceptsEachKeyAndRefusesWhatItWouldMisread) {
  DownloadFaults faults;
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"rate", "8388608"},
                                                        {"drop_after", "0"},
                                                        {"drop_mode", "always"},
                                                        {"ignore_range", "1"},
                                                        {"html", "1"},
                                                        {"wrong_digest", "1"},
                                                        {"stall_ms", "250"}}) {
    ASSERT_TRUE(is_fault_key(key)) << key;
    const auto applied = apply_fault(faults, key, value);
    EXPECT_TRUE(applied) << key << ": " << applied.error();
  }
  EXPECT_EQ(faults.rate, 8388608u);
  EXPECT_EQ(faults.drop_after, 0u);
  EXPECT_EQ(faults.drop_mode, DropMode::always);
  EXPECT_TRUE(faults.ignore_range && faults.html && faults.wrong_digest);
  EXPECT_EQ(faults.stall_ms, 250);

  const DownloadFaults before = faults;
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"rate", "-1"},
                                                        {"rate", "1e6"},
                                                        {"rate", "1099511627777"},
                                                        {"drop_after", ""},
                                                        {"drop_mode", "twice"},
                                                        {"ignore_range", "yes"},
                                                        {"html", "2"},
                                                        {"wrong_digest", ""},
                                                        {"stall_ms", "3600001"},
                                                        {"telemetry_status", "200"}}) {
    const auto applied = apply_fault(faults, key, value);
    EXPECT_FALSE(applied) << key << "=" << value;
    EXPECT_NE(applied.error().find(key), std::string::npos) << applied.error();
  }
  EXPECT_EQ(faults, before);
}

TEST(FaultOptionsTest, CommandLineNamesAreTheKeysWithDashes) {
  const auto parsed =
      parse_options({"--release", "/rel", "--release-version", "1.5.0", "--rate=1000",
                     "--drop-after", "3145728", "--drop-mode", "always", "--ignore-range", "1",
                     "--html=0", "--wrong-digest", "1", "--stall-ms", "40"});
  ASSERT_TRUE(parsed) << parsed.error();
  const DownloadFaults& f = parsed.value().faults;
  EXPECT_EQ(f.rate, 1000u);
  EXPECT_EQ(f.drop_after, 3145728u);
  EXPECT_EQ(f.drop_mode, DropMode::always);
  EXPECT_TRUE(f.ignore_range);
  EXPECT_FALSE(f.html);
  EXPECT_TRUE(f.wrong_digest);
  EXPECT_EQ(f.stall_ms, 40);

  EXPECT_FALSE(parse_options({"--rate", "1000"})) << "a fault with no release to apply it to";
  EXPECT_FALSE(parse_options({"--release", "/r", "--release-version", "1", "--drop_after", "1"}));
  EXPECT_FALSE(parse_options({"--release", "/r", "--release-version", "1", "--drop-mode", "x"}));
  EXPECT_FALSE(parse_options({"--release", "/r", "--release-version", "1", "--rate"}));
}

TEST(FaultSettingsTest, ControlKeysOverrideTheCommandLineUntilCleared) {
  Options options;
  options.faults.rate = 5000;
  options.faults.drop_after = 100;
  LiveSettings settings(options);
  EXPECT_EQ(settings.apply({{"rate", "0"}, {"html", "1"}, {"drop_mode", "always"}}), "");
  DownloadFaults now = settings.current().faults;
  EXPECT_EQ(now.rate, 0u);
  EXPECT_TRUE(now.html);
  EXPECT_EQ(now.drop_after, 100u);
  EXPECT_EQ(now.drop_mode, DropMode::always);

  EXPECT_EQ(settings.apply({{"rate", ""}, {"html", ""}}), "");
  now = settings.current().faults;
  EXPECT_EQ(now.rate, 5000u);
  EXPECT_FALSE(now.html);
  EXPECT_EQ(now.drop_mode, DropMode::always);

  // All or nothing, as for the other keys.
  EXPECT_NE(settings.apply({{"stall_ms", "10"}, {"rate", "fast"}}), "");
  EXPECT_EQ(settings.current().faults.stall_ms, 0);
}

TEST(FaultSettingsTest, ASingleDropIsSpentOnceAndRearmedBySettingTheDropAgain) {
  LiveSettings settings{Options{}};
  EXPECT_TRUE(settings.claim_single_drop());
  EXPECT_FALSE(settings.claim_single_drop());
  EXPECT_EQ(settings.apply({{"rate", "100"}}), "");
  EXPECT_FALSE(settings.claim_single_drop()) << "an unrelated key must not rearm the cut";
  EXPECT_EQ(settings.apply({{"drop_after", "10"}}), "");
  EXPECT_TRUE(settings.claim_single_drop());
  EXPECT_FALSE(settings.claim_single_drop());
  EXPECT_EQ(settings.apply({{"drop_mode", "once"}}), "");
  EXPECT_TRUE(settings.claim_single_drop());
}

TEST(WrongDigestTest, IsTheDigestOfTheFileWithItsFirstByteFlipped) {
  TempFolder folder;
  std::string bytes(3 << 20, 'x');  // more than one read buffer: only the first byte changes
  bytes[1 << 20] = 'y';
  const auto file = folder.write("Setup.exe", bytes);
  WrongDigest wrong(file);
  const auto digest = wrong.get();
  ASSERT_TRUE(digest) << digest.error();
  std::string flipped = bytes;
  flipped[0] = static_cast<char>(~flipped[0]);
  EXPECT_EQ(digest.value(), sha512_base64(flipped));
  EXPECT_NE(digest.value(), sha512_base64(bytes));
  EXPECT_EQ(digest.value().size(), sha512_base64(bytes).size());

  EXPECT_FALSE(WrongDigest(folder.path() / "missing.exe").get());
}

TEST(CaptivePortalTest, IsAnHtmlDocument) {
  EXPECT_EQ(captive_portal_page().rfind("<!DOCTYPE html>", 0), 0u);
}

}  // namespace
}  // namespace corvald::devserver
