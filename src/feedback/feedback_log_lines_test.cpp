// The feedback upload's lines as support reads them in the log file, word for word.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "feedback/feedback_submit.hpp"
#include "feedback/log_bundle.hpp"
#include "logfile/test/log_capture.hpp"
#include "net/test/scripted_session.hpp"

namespace corvald::feedback {
namespace {

namespace fs = std::filesystem;
using logfile::testing::LogCapture;
using logfile::testing::TempDir;
using net::test::ScriptedReply;
using ::testing::ElementsAre;

constexpr std::uint64_t kMiB = 1048576;

// Sparse where the file system allows, so the caps are met at their real sizes cheaply.
fs::path sized(const TempDir& dir, const std::string& name, std::uint64_t size) {
  std::ofstream(dir.path() / name, std::ios::binary).put('x');
  fs::resize_file(dir.path() / name, size);
  return dir.path() / name;
}

TEST(FeedbackLogLines, BundleSkipsAndTotals) {
  LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  TempDir dir;
  const auto bundle = build_log_bundle(
      {sized(dir, "crash.dmp", 10 * kMiB + 1), sized(dir, "app.log", 8 * kMiB),
       sized(dir, "app.log.2026120812", 8 * kMiB), sized(dir, "app.log.2026120813", 1 * kMiB)});
  ASSERT_TRUE(bundle.ok()) << bundle.error().display();

  // Two stored entries (headers 30 and 46 bytes, each with its name twice) and the end record.
  const std::uint64_t size = (30 + 46 + 2 * 7) + 8 * kMiB + (30 + 46 + 2 * 18) + 1 * kMiB + 22;
  EXPECT_THAT(log.messages(),
              ElementsAre("[feedback] skip oversized entry name=crash.dmp size=10485761",
                          "[feedback] skip past total cap name=app.log.2026120812 "
                          "accum=8388608 cap=15728640",
                          "[feedback] zip built: " + std::to_string(size) +
                              " bytes (2 entries, 1 skipped_oversized, 1 skipped_cap)"));
}

// A success other than 200 shows that the submit line carries the status it got.
TEST(FeedbackLogLines, GrantPutAndSubmit) {
  LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  const std::string blob_path = "feedback/2026/12/08/" + std::string(70, 'b') + ".zip";
  auto session = std::make_shared<net::test::ScriptedSession>();
  session->push(ScriptedReply::with_body(R"({"upload_url":"https://store.test/r.zip?sig=s",)"
                                         R"("private_storage_url":")" +
                                         blob_path + "\"}"));
  session->push(ScriptedReply::with_body("", 201));
  session->push(ScriptedReply::with_body("{}", 202));
  FeedbackSubmission submission;
  submission.feedback_type = "debug_log";
  submission.session_id = "11111111-2222-4333-8444-555555555555";
  submission.client_id = "client";

  const auto receipt = send_feedback_archive(net::HttpClient(session),
                                             "https://svc.test/api/voice-realtime/feedback",
                                             "client", "UA/1", "PK", submission);
  ASSERT_TRUE(receipt.ok()) << receipt.error().display();

  EXPECT_THAT(log.messages(),
              ElementsAre("[feedback] upload URL granted (path=" + blob_path.substr(0, 80) + "...)",
                          "[feedback] blob PUT OK", "[feedback] submit → HTTP 202"));
}

}  // namespace
}  // namespace corvald::feedback
