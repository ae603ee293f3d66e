// Report-log mode end to end: corvald-setup.exe with APP_INSTALLER_REPORT_LOG=1 against a
// devserver that plays both the update service and the blob storage.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "../support/devserver_port.hpp"
#include "devserver_records.hpp"
#include "file_bytes.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kClear[] = "set?upload_url_status=&storage_status=&submit_status=";

fs::path devserver_dir() {
  const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
  return dir ? fs::path(dir) : fs::path();
}

struct ZipEntry {
  std::string name;
  std::string data;
};

// Walks the local headers of a stored archive in order; the bundle writes nothing between
// one entry's data and the next header.
std::vector<ZipEntry> stored_entries(const std::string& zip) {
  const auto byte = [&](std::size_t at) { return std::uint32_t(std::uint8_t(zip[at])); };
  const auto u16 = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };
  const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::vector<ZipEntry> entries;
  std::size_t at = 0;
  while (at + 30 <= zip.size() && u32(at) == 0x04034B50) {
    const std::size_t name_at = at + 30;
    const std::size_t data_at = name_at + u16(at + 26) + u16(at + 28);
    const std::size_t end = data_at + u32(at + 22);
    if (end > zip.size()) {
      ADD_FAILURE() << "entry at " << at << " runs past the archive";
      break;
    }
    entries.push_back({zip.substr(name_at, u16(at + 26)), zip.substr(data_at, end - data_at)});
    at = end;
  }
  return entries;
}

std::vector<std::string> names_of(const std::vector<ZipEntry>& entries) {
  std::vector<std::string> names;
  for (const ZipEntry& entry : entries) names.push_back(entry.name);
  return names;
}

// The name of a log rotated that long ago: well inside the 72-hour retention whatever the
// time zone, and never the hour this run may rotate into.
std::string rotated_log_name(std::chrono::hours ago) {
  const auto when = std::chrono::system_clock::now() - ago;
  const std::time_t then = std::chrono::system_clock::to_time_t(when);
  char key[16] = {};
  std::strftime(key, sizeof key, "%Y%m%d%H", std::gmtime(&then));
  return std::string("app.log.") + key;
}

// A run that crosses a local hour rotates app.log under the test's feet. Local hours begin
// on a quarter hour of UTC in every time zone, so a start just before one waits it out.
void wait_out_an_hour_boundary() {
  constexpr std::time_t quarter = 900, margin = 15;
  const std::time_t into = std::time(nullptr) % quarter;
  if (into > quarter - margin) {
    std::this_thread::sleep_for(std::chrono::seconds(quarter - into + 1));
  }
}

std::vector<fs::path> stored_blobs() {
  std::vector<fs::path> blobs;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(devserver_dir(), ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("storage-", 0) == 0) blobs.push_back(entry.path());
  }
  return blobs;
}

class ReportLogE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(devserver_base_url().empty()) << "CORVALD_DEVSERVER_DIR names no devserver";
    ASSERT_TRUE(devserver_control("reset"));
    ASSERT_TRUE(devserver_control(kClear));
    for (const fs::path& blob : stored_blobs()) fs::remove(blob);
    local_app_data_ = fresh_folder(std::string("report-log-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    const fs::path logs = local_app_data_ / "corvald-installer" / "logs";
    fs::create_directories(logs);
    std::ofstream(logs / "app.log", std::ios::binary) << "earlier run: seed line\n";
  }

  void TearDown() override {
    (void)devserver_control(kClear);
    std::error_code ignored;
    fs::remove_all(local_app_data_, ignored);
  }

  std::optional<unsigned long> run_report() {
    StubRun run;
    const std::string base = devserver_base_url();
    run.env[L"APP_INSTALLER_REPORT_LOG"] = L"1";
    run.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(base.begin(), base.end());
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = L"";
    run.env[L"LOCALAPPDATA"] = local_app_data_.wstring();
    return run_stub(run);
  }

  std::string log_text() const { return stub_log(local_app_data_); }

  fs::path local_app_data_;
};

TEST_F(ReportLogE2eTest, AcceptedReportCarriesTheLogsThenTheCrashDumpsNewestFirst) {
  const fs::path logs = local_app_data_ / "corvald-installer" / "logs";
  const std::string rotated = rotated_log_name(std::chrono::hours(24));
  std::ofstream(logs / rotated, std::ios::binary) << "rotated hour\n";
  const fs::path dumps = local_app_data_ / "CrashDumps";
  fs::create_directories(dumps);
  std::ofstream(dumps / "older.dmp", std::ios::binary) << "older dump";
  std::ofstream(dumps / "newer.DMP", std::ios::binary) << "newer dump";
  std::ofstream(dumps / "notes.txt", std::ios::binary) << "not a dump";
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(dumps / "older.dmp", now - std::chrono::hours(2));
  fs::last_write_time(dumps / "newer.DMP", now - std::chrono::hours(1));

  wait_out_an_hour_boundary();
  EXPECT_EQ(run_report(), 0ul);
  const auto blobs = stored_blobs();
  ASSERT_EQ(blobs.size(), 1u);
  const std::vector<ZipEntry> entries = stored_entries(file_bytes(blobs[0]));
  const std::vector<std::string> names = names_of(entries);
  // This run's own lines go into app.log too, so only the order and the seeds are fixed.
  ASSERT_EQ(names.size(), 4u) << ::testing::PrintToString(names);
  EXPECT_EQ(names[0], "app.log");
  EXPECT_EQ(names[1], rotated);
  EXPECT_EQ(names[2], "newer.DMP");
  EXPECT_EQ(names[3], "older.dmp");
  EXPECT_EQ(entries[0].data.rfind("earlier run: seed line\n", 0), 0u);
  EXPECT_EQ(entries[3].data, "older dump");

  const auto submits = devserver_requests("/api/voice-realtime/feedback/submit");
  ASSERT_EQ(submits.size(), 1u);
  EXPECT_NE(submits[0].body.find("\"feedback_type\":\"debug_log\""), std::string::npos);
  EXPECT_TRUE(std::regex_search(submits[0].body, std::regex("[\"&]os_version=10\\.0\\.\\d+&")))
      << submits[0].body;
  EXPECT_NE(submits[0].body.find("\"blob_path\":\"" + devserver_base_url() + "/storage/"),
            std::string::npos)
      << submits[0].body;
  const std::string log = log_text();
  EXPECT_NE(log.find("[report-log] bundle: 2 logs + 2 crash dumps"), std::string::npos) << log;
  EXPECT_NE(log.find("[report-log] OK"), std::string::npos) << log;
}

TEST_F(ReportLogE2eTest, WithNoLogsAndNoDumpsAnEmptyArchiveIsStillSent) {
  // A file where the log folder belongs: logging stays off, so there is no log to send.
  const fs::path logs = local_app_data_ / "corvald-installer" / "logs";
  fs::remove_all(logs);
  std::ofstream(logs, std::ios::binary) << "not a folder";

  EXPECT_EQ(run_report(), 0ul);
  const auto blobs = stored_blobs();
  ASSERT_EQ(blobs.size(), 1u);
  EXPECT_EQ(file_bytes(blobs[0]), std::string("PK\x05\x06") + std::string(18, '\0'));
  EXPECT_EQ(devserver_requests("/api/voice-realtime/feedback/submit").size(), 1u);
}

TEST_F(ReportLogE2eTest, RefusedStoragePutExitsOneAndSubmitsNothing) {
  ASSERT_TRUE(devserver_control("set?storage_status=403"));
  EXPECT_EQ(run_report(), 1ul);
  EXPECT_TRUE(stored_blobs().empty());
  EXPECT_TRUE(devserver_requests("/api/voice-realtime/feedback/submit").empty());
  const std::string log = log_text();
  EXPECT_NE(log.find("[feedback] blob PUT FAILED status=403"), std::string::npos) << log;
  EXPECT_NE(log.find("[report-log] FAIL: "), std::string::npos) << log;
  EXPECT_EQ(log.find("forcedsecretvalue"), std::string::npos) << "the sig= value is masked";
}

TEST_F(ReportLogE2eTest, RefusedSubmitExitsOneWithTheHttpError) {
  ASSERT_TRUE(devserver_control("set?submit_status=500"));
  EXPECT_EQ(run_report(), 1ul);
  const std::string log = log_text();
  EXPECT_NE(log.find("[report-log] FAIL: HTTP 500 for feedback/submit"), std::string::npos) << log;
}

TEST_F(ReportLogE2eTest, RefusedUploadUrlExitsOneAndUploadsNothing) {
  ASSERT_TRUE(devserver_control("set?upload_url_status=403"));
  EXPECT_EQ(run_report(), 1ul);
  EXPECT_TRUE(stored_blobs().empty());
  const std::string log = log_text();
  EXPECT_NE(log.find("[feedback] get-upload-url FAILED status=403"), std::string::npos) << log;
  EXPECT_EQ(log.find("forcedsecretvalue"), std::string::npos) << "the sig= value is masked";
}

}  // namespace
}  // namespace corvald::e2e
