#include "wer_setup/crash_dumps.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/test/memory_registry.hpp"
#include "text/format.hpp"

namespace corvald {
namespace {

using platform::RegistryRoot;
using platform::testing::MemoryRegistry;

class CrashDumpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("corvald-wer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::string folder_text() const { return text::path_to_utf8(root_) + "\\CrashDumps"; }
  const MemoryRegistry::Values& values(const std::string& exe) {
    return registry_.values(RegistryRoot::current_user, local_dumps_key(exe));
  }

  MemoryRegistry registry_;
  std::filesystem::path root_;
};

TEST_F(CrashDumpsTest, WritesTheThreeValuesAndCreatesTheFolder) {
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  const auto& v = values("setup.exe");
  EXPECT_EQ(std::get<std::uint32_t>(v.at("DumpType")), 2u);
  EXPECT_EQ(std::get<std::uint32_t>(v.at("DumpCount")), 5u);
  EXPECT_EQ(std::get<std::string>(v.at("DumpFolder")), folder_text());
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "CrashDumps"));
  EXPECT_EQ(local_dumps_key("setup.exe"),
            "Software\\Microsoft\\Windows\\Windows Error Reporting\\LocalDumps\\setup.exe");
}

TEST_F(CrashDumpsTest, LeavesACorrectKeyUntouched) {
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  const int writes = registry_.writes;
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  EXPECT_EQ(registry_.writes, writes);
}

TEST_F(CrashDumpsTest, RewritesAKeyThatDiffersInAnyValue) {
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  auto& v = registry_.keys[{RegistryRoot::current_user, local_dumps_key("setup.exe")}];
  v["DumpCount"] = std::uint32_t{10};
  const int writes = registry_.writes;
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  EXPECT_EQ(registry_.writes, writes + 3);
  EXPECT_EQ(std::get<std::uint32_t>(values("setup.exe").at("DumpCount")), 5u);

  // The folder comparison is case-sensitive.
  std::string upper = folder_text();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  v["DumpFolder"] = upper;
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  EXPECT_EQ(std::get<std::string>(values("setup.exe").at("DumpFolder")), folder_text());
}

TEST_F(CrashDumpsTest, EachExecutableNameGetsItsOwnKey) {
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  register_crash_dumps(registry_, std::string("corvald-setup (1).exe"), root_);
  EXPECT_TRUE(registry_.has_key(RegistryRoot::current_user, local_dumps_key("setup.exe")));
  EXPECT_TRUE(
      registry_.has_key(RegistryRoot::current_user, local_dumps_key("corvald-setup (1).exe")));
}

TEST_F(CrashDumpsTest, WithoutLocalAppDataOrNameNothingIsTouched) {
  register_crash_dumps(registry_, std::string("setup.exe"), std::nullopt);
  register_crash_dumps(registry_, std::nullopt, root_);
  register_crash_dumps(registry_, std::string("setup.exe"), std::filesystem::path());
  EXPECT_EQ(registry_.create_calls, 0);
  EXPECT_TRUE(registry_.keys.empty());
}

TEST_F(CrashDumpsTest, StopsAtTheFirstFailedWrite) {
  registry_.set_rc["DumpCount"] = 5;
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  const auto& v = values("setup.exe");
  EXPECT_EQ(v.count("DumpType"), 1u);
  EXPECT_EQ(v.count("DumpCount"), 0u);
  EXPECT_EQ(v.count("DumpFolder"), 0u);
}

TEST_F(CrashDumpsTest, AFailedKeyCreationWritesNothing) {
  registry_.create_rc = 5;
  register_crash_dumps(registry_, std::string("setup.exe"), root_);
  EXPECT_EQ(registry_.writes, 0);
}

}  // namespace
}  // namespace corvald
