#include "feedback/report_files.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include "text/path_text.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ReportFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("corvald-report-files-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  static void write(const fs::path& file) { std::ofstream(file, std::ios::binary) << "x"; }

  static std::vector<std::string> names(const std::vector<Path>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.push_back(text::path_to_utf8(p.filename()));
    return out;
  }

  fs::path root_;
};

TEST_F(ReportFilesTest, LogFilesArePlainAppLogFilesInByteOrder) {
  for (const char* name :
       {"app.log.2", "app.log", "app.log.10", "App.log", "other.log", "xapp.log"}) {
    write(root_ / name);
  }
  fs::create_directory(root_ / "app.log.dir");
  std::error_code ec;
  fs::create_symlink(root_ / "other.log", root_ / "app.log.link", ec);
  const bool have_link = !ec;

  const auto files = collect_log_files(root_);
  EXPECT_EQ(names(files), (std::vector<std::string>{"app.log", "app.log.10", "app.log.2"}));
  if (!have_link) GTEST_LOG_(INFO) << "symbolic links unavailable here: " << ec.message();
}

TEST_F(ReportFilesTest, MissingFolderGivesNothing) {
  EXPECT_TRUE(collect_log_files(root_ / "absent").empty());
  EXPECT_TRUE(collect_crash_dumps_under(root_ / "absent").empty());
  EXPECT_TRUE(collect_crash_dumps_under(std::nullopt).empty());
}

TEST_F(ReportFilesTest, CrashDumpsAreDmpFilesOfAnyCaseNewestFirst) {
  const fs::path dumps = root_ / "CrashDumps";
  fs::create_directories(dumps);
  const auto base = fs::file_time_type::clock::now() - 1h;
  const std::vector<std::pair<std::string, std::chrono::minutes>> files = {
      {"old.dmp", 0min},    {"newest.DMP", 30min}, {"middle.Dmp", 10min},
      {"notes.txt", 40min}, {"dmp", 50min},        {"a.dmp.txt", 50min}};
  for (const auto& [name, age] : files) {
    write(dumps / name);
    fs::last_write_time(dumps / name, base + age);
  }
  fs::create_directory(dumps / "folder.dmp");
  std::error_code ec;
  fs::create_symlink(dumps / "notes.txt", dumps / "link.dmp", ec);

  EXPECT_EQ(names(collect_crash_dumps_under(root_)),
            (std::vector<std::string>{"newest.DMP", "middle.Dmp", "old.dmp"}));
  // The same folder named relative to the working folder, as an empty or relative
  // LOCALAPPDATA would name it, gives nothing.
  EXPECT_TRUE(collect_crash_dumps_under(fs::relative(root_)).empty());
  EXPECT_TRUE(collect_crash_dumps_under(fs::path()).empty());
}

}  // namespace
}  // namespace corvald
