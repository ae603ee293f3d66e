// Report-log mode end to end: corvald-setup.exe with APP_INSTALLER_REPORT_LOG=1 against a
// devserver that plays both the update service and the blob storage.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/devserver_port.hpp"
#include "devserver_records.hpp"
#include "stub_process.hpp"

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kClear[] = "set?upload_url_status=&storage_status=&submit_status=";

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

fs::path devserver_dir() {
  const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
  return dir ? fs::path(dir) : fs::path();
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
    local_app_data_ = fresh_folder(
        std::string("report-log-") +
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

  std::string log_text() const {
    return read_bytes(local_app_data_ / "corvald-installer" / "logs" / "app.log");
  }

  fs::path local_app_data_;
};

TEST_F(ReportLogE2eTest, AcceptedReportExitsZeroWithTheLogInTheStoredZip) {
  EXPECT_EQ(run_report(), 0ul);
  const auto blobs = stored_blobs();
  ASSERT_EQ(blobs.size(), 1u);
  const std::string zip = read_bytes(blobs[0]);
  EXPECT_EQ(zip.rfind("PK\x03\x04", 0), 0u);
  EXPECT_NE(zip.find("app.log"), std::string::npos);
  EXPECT_NE(zip.find("earlier run: seed line"), std::string::npos);
  const std::string log = log_text();
  EXPECT_NE(log.find("[report-log] OK"), std::string::npos) << log;
}

TEST_F(ReportLogE2eTest, RefusedSubmitExitsOneWithTheHttpError) {
  ASSERT_TRUE(devserver_control("set?submit_status=500"));
  EXPECT_EQ(run_report(), 1ul);
  const std::string log = log_text();
  EXPECT_NE(log.find("[report-log] FAIL: HTTP 500 for feedback/submit"), std::string::npos)
      << log;
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
