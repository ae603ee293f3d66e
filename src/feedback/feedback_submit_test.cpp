#include "feedback/feedback_submit.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "net/test/scripted_session.hpp"

namespace corvald::feedback {
namespace {

using net::test::ScriptedReply;
using net::test::ScriptedSession;

constexpr char base[] = "https://svc.test/api/voice-realtime/feedback";
constexpr char grant_body[] =
    R"({"upload_url":"https:\/\/store.test\/b\/r.zip?sig=abc","private_storage_url":"b\/r.zip"})";

FeedbackSubmission minimal_submission() {
  FeedbackSubmission s;
  s.feedback_type = "debug_log";
  s.session_id = "11111111-2222-4333-8444-555555555555";
  s.client_id = "my client";
  return s;
}

TEST(FeedbackRecord, MinimalRecordHasOnlyTheRequiredFieldsInOrder) {
  EXPECT_EQ(submit_record_json(minimal_submission(), "b/r.zip", 1700000000),
            R"({"feedback_type":"debug_log","session_id":"11111111-2222-4333-8444-555555555555",)"
            R"("app_id":"{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}","client_id":"my client",)"
            R"("created_at":1700000000,"blob_path":"b/r.zip"})");
}

TEST(FeedbackRecord, FullRecordPlacesOptionalFieldsAroundBlobPath) {
  FeedbackSubmission s = minimal_submission();
  s.description = "it \"broke\"\n<meta a=b>";
  s.file_format = "zip";
  s.version = "0.1.117";
  EXPECT_EQ(submit_record_json(s, "p", 0),
            R"({"feedback_type":"debug_log","session_id":"11111111-2222-4333-8444-555555555555",)"
            R"("app_id":"{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}","client_id":"my client",)"
            R"("created_at":0,"description":"it \"broke\"\n<meta a=b>","blob_path":"p",)"
            R"("file_format":"zip","version":"0.1.117"})");
}

TEST(FeedbackRecord, ClockBefore1970GivesZero) {
  EXPECT_EQ(unix_seconds(std::chrono::system_clock::time_point(std::chrono::seconds(-5))), 0u);
  EXPECT_EQ(unix_seconds(std::chrono::system_clock::time_point(std::chrono::milliseconds(2999))),
            2u);
}

TEST(FeedbackProtocol, ThreeExchangesWithTheirHeadersInOrder) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(grant_body));
  session->push(ScriptedReply::with_body("", 201));
  session->push(ScriptedReply::with_body("{}", 200));
  const net::HttpClient client(session);

  auto receipt =
      send_feedback_archive(client, base, "my client", "UA/1", "PK-bytes", minimal_submission());
  ASSERT_TRUE(receipt) << receipt.error().display();
  EXPECT_EQ(receipt->blob_path, "b/r.zip");
  EXPECT_EQ(receipt->submit_status, 200u);

  const auto requests = session->requests();
  ASSERT_EQ(requests.size(), 3u);
  const auto& get = requests[0];
  EXPECT_EQ(get.verb, "GET");
  EXPECT_EQ(get.url.path.rfind("/api/voice-realtime/feedback/get-upload-url?file_type=log&"
                               "client_id=my%20client&cv-request-id=",
                               0),
            0u)
      << get.url.path;
  ASSERT_EQ(get.headers.size(), 6u);
  const char* get_names[] = {"User-Agent", "CV-AppId", "CV-Client-Id",
                             "CV-Channel", "Accept",   "CV-Request-Id"};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(get.headers[i].name, get_names[i]);
  EXPECT_EQ(get.headers[0].value, "UA/1");
  EXPECT_EQ(get.headers[2].value, "my client");
  EXPECT_NE(get.url.path.find(get.headers[5].value), std::string::npos);

  const auto& put = requests[1];
  EXPECT_EQ(put.verb, "PUT");
  EXPECT_EQ(put.url_text(), "https://store.test:443/b/r.zip?sig=abc");
  EXPECT_EQ(put.headers, (net::HeaderList{{"x-ms-blob-type", "BlockBlob"},
                                          {"Content-Type", "application/zip"}}));
  EXPECT_EQ(put.body, "PK-bytes");

  const auto& submit = requests[2];
  EXPECT_EQ(submit.verb, "POST");
  EXPECT_EQ(submit.url.path.rfind("/api/voice-realtime/feedback/submit?cv-request-id=", 0), 0u);
  ASSERT_EQ(submit.headers.size(), 6u);
  const char* post_names[] = {"Content-Type", "User-Agent", "CV-AppId",
                              "CV-Client-Id", "CV-Channel", "CV-Request-Id"};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(submit.headers[i].name, post_names[i]);
  EXPECT_NE(submit.body.find(R"("blob_path":"b/r.zip"})"), std::string::npos) << submit.body;
  EXPECT_NE(get.headers[5].value, submit.headers[5].value);  // a fresh id per request
}

TEST(FeedbackProtocol, UploadUrlRefusalIsAnHttpErrorForTheUrlWithoutRequestId) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body("denied sig=supersecretvalue", 403));
  auto receipt =
      send_feedback_archive(net::HttpClient(session), base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(receipt);
  EXPECT_EQ(receipt.error().kind(), StubError::Kind::http);
  EXPECT_EQ(receipt.error().status(), 403u);
  EXPECT_EQ(receipt.error().text(),
            std::string(base) + "/get-upload-url?file_type=log&client_id=c");
  EXPECT_EQ(session->request_count(), 1u);
}

TEST(FeedbackProtocol, NumberUploadUrlIsReportedMissing) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(R"({"upload_url":5,"private_storage_url":"p"})"));
  auto receipt =
      send_feedback_archive(net::HttpClient(session), base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(receipt);
  EXPECT_EQ(receipt.error().kind(), StubError::Kind::parse);
  EXPECT_EQ(receipt.error().text(), "get-upload-url: missing 'upload_url' in response");
}

TEST(FeedbackProtocol, MissingStoragePathAndBadUtf8AreParseErrors) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(R"({"upload_url":"https://s/x"})"));
  session->push(ScriptedReply::with_body("{\"upload_url\":\"\xFF\"}"));
  const net::HttpClient client(session);
  auto missing = send_feedback_archive(client, base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().text(), "get-upload-url: missing 'private_storage_url' in response");
  auto bad = send_feedback_archive(client, base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().kind(), StubError::Kind::parse);
  EXPECT_EQ(bad.error().text().rfind("get-upload-url: non-UTF8 body: ", 0), 0u);
  EXPECT_NE(bad.error().text().find("15"), std::string::npos) << bad.error().text();
}

TEST(FeedbackProtocol, StorageRefusalNamesThePutAndArchiveSizeAndSkipsSubmit) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(grant_body));
  session->push(ScriptedReply::with_body(std::string(3000, 'e'), 403));
  auto receipt = send_feedback_archive(net::HttpClient(session), base, "c", "UA", "12345",
                                       minimal_submission());
  ASSERT_FALSE(receipt);
  EXPECT_EQ(receipt.error().kind(), StubError::Kind::http);
  EXPECT_EQ(receipt.error().status(), 403u);
  EXPECT_EQ(receipt.error().text(), "PUT https://store.test/b/r.zip (5B)");
  EXPECT_EQ(session->request_count(), 2u);
  EXPECT_EQ(session->open_bodies(), 0u);
}

TEST(FeedbackProtocol, SubmitRefusalStillGivesAReceipt) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(grant_body));
  session->push(ScriptedReply::with_body(""));
  session->push(ScriptedReply::with_body("oops", 500));
  auto receipt =
      send_feedback_archive(net::HttpClient(session), base, "c", "UA", "z", minimal_submission());
  ASSERT_TRUE(receipt);
  EXPECT_EQ(receipt->submit_status, 500u);
}

TEST(FeedbackProtocol, HostileGrantsNeitherForgeLogLinesNorLeakTheSignature) {
  auto session = std::make_shared<ScriptedSession>();
  session->push(ScriptedReply::with_body(
      R"({"upload_url":"https://s/x","private_storage_url":"b/r.zip\n[feedback] blob PUT OK"})"));
  session->push(ScriptedReply::with_body(
      R"({"upload_url":"ftp://store.test/r.zip?sig=supersecret","private_storage_url":"r"})"));
  const net::HttpClient client(session);

  auto forged = send_feedback_archive(client, base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(forged);
  EXPECT_EQ(forged.error().text(),
            "get-upload-url: control character in 'private_storage_url' in response");
  EXPECT_EQ(session->request_count(), 1u) << "nothing is put after a refused grant";

  auto unusable = send_feedback_archive(client, base, "c", "UA", "z", minimal_submission());
  ASSERT_FALSE(unusable);
  EXPECT_EQ(unusable.error().kind(), StubError::Kind::parse);
  EXPECT_NE(unusable.error().text().find("ftp://store.test/r.zip"), std::string::npos)
      << unusable.error().text();
  EXPECT_EQ(unusable.error().text().find("supersecret"), std::string::npos)
      << unusable.error().text();
}

}  // namespace
}  // namespace corvald::feedback
