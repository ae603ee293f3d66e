#include "installed_probe/installed_probe.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/test/memory_registry.hpp"

namespace corvald {
namespace {

using platform::RegistryRoot;
using platform::testing::MemoryRegistry;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST(ProbeNames, MatchOnlyTheProductOrProductSpaceDigit) {
  EXPECT_TRUE(display_name_matches("Corvald Tavrin"));
  EXPECT_TRUE(display_name_matches("Corvald Tavrin 2.4.1"));
  EXPECT_TRUE(display_name_matches("Old Corvald Tavrin 2"));
  EXPECT_FALSE(display_name_matches("Corvald Tavrin Beta"));
  EXPECT_FALSE(display_name_matches("corvald tavrin 2"));
  EXPECT_FALSE(display_name_matches("Corvald Tavrin2"));
  EXPECT_FALSE(display_name_matches("Corvald Tavrin "));
  // Only the first occurrence counts, even when a later one would match.
  EXPECT_FALSE(display_name_matches("Corvald Tavrin X Corvald Tavrin 2"));
}

TEST(ProbeExePath, DerivedFromIconOrInstallLocation) {
  using std::nullopt;
  EXPECT_EQ(exe_from_entry("\"C:\\Apps\\Tavrin\\Corvald Tavrin.exe\",0", nullopt),
            std::filesystem::path("C:\\Apps\\Tavrin\\Corvald Tavrin.exe"));
  EXPECT_EQ(exe_from_entry("  /opt/t/App.EXE  ", nullopt), std::filesystem::path("/opt/t/App.EXE"));
  // A negative index is not an index to drop, so the text no longer ends in ".exe".
  EXPECT_EQ(exe_from_entry("C:\\a.exe,-1", nullopt), nullopt);
  EXPECT_EQ(exe_from_entry("C:\\a.exe,", nullopt), nullopt);
  EXPECT_EQ(exe_from_entry("C:\\Apps\\Tavrin\\app.ico", std::string(" \"/opt/tavrin/\" ")),
            std::filesystem::path("/opt/tavrin/Corvald Tavrin.exe"));
  EXPECT_EQ(exe_from_entry(nullopt, std::string("\"\"")), nullopt);
  EXPECT_EQ(exe_from_entry(nullopt, nullopt), nullopt);
}

class ProbeRegistry : public ::testing::Test {
 protected:
  void entry(RegistryRoot root, const std::string& name, const char* display_name,
             const char* version, const char* icon = nullptr) {
    auto& values = registry_.keys[{root, std::string(kUninstall) + "\\" + name}];
    if (display_name) values["DisplayName"] = std::string(display_name);
    if (version) values["DisplayVersion"] = std::string(version);
    if (icon) values["DisplayIcon"] = std::string(icon);
  }

  MemoryRegistry registry_;
};

TEST_F(ProbeRegistry, PerUserEntryHidesNewerPerMachineOne) {
  entry(RegistryRoot::local_machine, "m", "Corvald Tavrin 2.0", "2.0", "C:\\m.exe");
  entry(RegistryRoot::current_user, "u", "Corvald Tavrin 1.0", "1.0", "C:\\u.exe");
  auto found = probe_installed(registry_);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->version, "1.0");
  EXPECT_EQ(found->exe, std::filesystem::path("C:\\u.exe"));
}

TEST_F(ProbeRegistry, SkipsUnusableEntriesAndKeepsEnumerating) {
  entry(RegistryRoot::current_user, "a-other", "Something Else 1", "9.0");
  entry(RegistryRoot::current_user, "b-noversion", "Corvald Tavrin", nullptr);
  entry(RegistryRoot::current_user, "c-locked", "Corvald Tavrin", "8.0");
  entry(RegistryRoot::current_user, "d-good", "Corvald Tavrin", "1.4");
  registry_.open_rc[std::string(kUninstall) + "\\c-locked"] = 5;
  auto found = probe_installed(registry_);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->version, "1.4");
  EXPECT_EQ(found->exe, std::nullopt);
}

TEST_F(ProbeRegistry, OverlongSubkeyNameEndsThatLocationOnly) {
  entry(RegistryRoot::current_user, "a" + std::string(256, 'x'), "Other", "1");
  entry(RegistryRoot::current_user, "b", "Corvald Tavrin", "3.0");
  entry(RegistryRoot::local_machine, "m", "Corvald Tavrin", "2.0");
  auto found = probe_installed(registry_);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->version, "2.0");
}

TEST(LaunchApp, FailuresFinishWithTheFallbackText) {
  const std::string fallback = "fallback text";
  UiStatus none;
  launch_app(std::nullopt, none, nullptr, fallback);
  EXPECT_EQ(none.snapshot().text, fallback);
  EXPECT_TRUE(none.snapshot().finished);

  UiStatus missing;
  launch_app(std::filesystem::path("/nonexistent/corvald/app.exe"), missing, nullptr, fallback);
  EXPECT_EQ(missing.snapshot().text, fallback);
}

}  // namespace
}  // namespace corvald
