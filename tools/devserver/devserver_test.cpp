// The server in this process on a free port, spoken to over loopback with httplib's client.
#include "devserver.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "devserver_port.hpp"
#include "feed_text.hpp"
#include "raw_exchange_test_support.hpp"
#include "temp_folder.hpp"

namespace corvald::devserver {
namespace {

std::string release_bytes() {
  std::string bytes(1000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 256);
  return bytes;
}

class DevServerTest : public ::testing::Test {
 protected:
  void start(Options options) {
    auto created = DevServer::create(options);
    ASSERT_TRUE(created) << created.error();
    server_ = std::move(created.value());
    const auto port = server_->bind(0);
    ASSERT_TRUE(port) << port.error();
    runner_ = std::thread([this] { server_->run(); });
    port_ = port.value();
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  }

  void start_with_release() {
    release_dir_ = folder_.path() / "release";
    std::filesystem::create_directory(release_dir_);
    std::ofstream(release_dir_ / "Setup-1.4.0.exe", std::ios::binary) << release_bytes();
    Options options;
    options.release_dir = release_dir_;
    options.release_version = "1.4.0";
    options.record_file = record_file();
    start(options);
  }

  void stop() {
    if (!server_) return;
    server_->stop();
    runner_.join();
    server_.reset();
  }

  void TearDown() override { stop(); }

  std::filesystem::path record_file() const { return folder_.path() / "requests.jsonl"; }

  httplib::Client& client() { return *client_; }

  // The status of a POST to a control endpoint, -1 when there was no answer.
  int control(const std::string& target) {
    const auto res = client().Post(target, "", "text/plain");
    return res ? res->status : -1;
  }

  std::string recorded() {
    const auto res = client().Get("/__control/requests");
    return res ? res->body : "<no answer>";
  }

  TempFolder folder_;
  std::filesystem::path release_dir_;
  std::unique_ptr<DevServer> server_;
  std::thread runner_;
  int port_ = 0;
  std::unique_ptr<httplib::Client> client_;
};

constexpr char file_path[] = "/api/voice-realtime/checkupdate/win-x64/Setup-1.4.0.exe";
constexpr char feed_path[] = "/api/voice-realtime/checkupdate/win-x64/last.yml";

TEST_F(DevServerTest, FeedAndReleaseFileWithRanges) {
  start_with_release();
  const auto feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_EQ(feed->status, 200);
  EXPECT_EQ(feed->get_header_value("Content-Type"), "text/yaml");
  EXPECT_EQ(feed->body, "version: 1.4.0\npath: Setup-1.4.0.exe\nsha512: " +
                            sha512_base64(release_bytes()) + "\nsize: 1000\n");

  const auto whole = client().Get(file_path);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, release_bytes());
  EXPECT_EQ(whole->get_header_value("Accept-Ranges"), "bytes");
  EXPECT_EQ(whole->get_header_value("Content-Type"), "application/octet-stream");

  const auto part = client().Get(file_path, {{"Range", "bytes=990-1500"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 990-999/1000");
  EXPECT_EQ(part->get_header_value("Content-Length"), "10");
  EXPECT_EQ(part->body, release_bytes().substr(990));

  const auto past_end = client().Get(file_path, {{"Range", "bytes=1000-"}});
  ASSERT_TRUE(past_end);
  EXPECT_EQ(past_end->status, 416);
  EXPECT_EQ(past_end->get_header_value("Content-Range"), "bytes */1000");
  EXPECT_EQ(past_end->body, "");

  const auto head = client().Head(file_path, {{"Range", "bytes=0-9"}});
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 206);
  EXPECT_EQ(head->get_header_value("Content-Length"), "10");
  EXPECT_EQ(head->body, "");

  const auto other = client().Get("/api/voice-realtime/checkupdate/win-x64/Other.exe");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 404);
}

TEST_F(DevServerTest, FeedStatusCanBeForcedAndReleased) {
  start_with_release();
  ASSERT_EQ(control("/__control/set?feed_status=204"), 200);
  auto feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_EQ(feed->status, 204);
  EXPECT_EQ(feed->body, "");

  ASSERT_EQ(control("/__control/set?feed_status=503&feed_body=down%20for%20maintenance&"
                    "feed_content_type=text/html"),
            200);
  feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_EQ(feed->status, 503);
  EXPECT_EQ(feed->body, "down for maintenance");
  EXPECT_EQ(feed->get_header_value("Content-Type"), "text/html");

  ASSERT_EQ(control("/__control/set?feed_status=&feed_content_type="), 200);
  feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_EQ(feed->status, 200);
  EXPECT_EQ(feed->body.rfind("version: 1.4.0\n", 0), 0u);
}

TEST_F(DevServerTest, TelemetryStatusOverrideAndRecordLines) {
  start_with_release();
  const auto set = client().Post("/__control/set?telemetry_status=503", "", "text/plain");
  ASSERT_TRUE(set);
  EXPECT_EQ(set->status, 200);
  EXPECT_EQ(set->body, "ok");
  EXPECT_EQ(control("/__control/set?telemetry_colour=red"), 400);

  const httplib::Headers headers{{"CV-Request-Id", "r-1"}};
  const auto refused = client().Post("/api/v2/report?cv-request-id=r-1", headers,
                                     "{\"event_name\":\"start\"}", "application/json");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  ASSERT_EQ(control("/__control/set?telemetry_status="), 200);
  const auto accepted = client().Post("/api/v2/report", "{}", "application/json");
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->status, 200);
  const auto unknown =
      client().Post("/nowhere", std::string("\xff\x00", 2), "application/octet-stream");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 404);

  const std::string lines = recorded();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
  EXPECT_EQ(lines.find("/__control/"), std::string::npos);
  EXPECT_NE(lines.find(R"("method":"POST","path":"/api/v2/report","query":"cv-request-id=r-1",)"),
            std::string::npos);
  EXPECT_NE(lines.find(R"(["CV-Request-Id","r-1"])"), std::string::npos);
  EXPECT_NE(lines.find(R"("body":"{\"event_name\":\"start\"}","body_base64":false)"),
            std::string::npos);
  EXPECT_NE(lines.find(R"("path":"/nowhere","query":"",)"), std::string::npos);
  EXPECT_NE(lines.find(R"("body":"/wA=","body_base64":true)"), std::string::npos);

  ASSERT_EQ(control("/__control/reset"), 200);
  EXPECT_EQ(recorded(), "");
  // The file keeps the control requests as well: 4 set, 3 others, 1 requests, 1 reset.
  const std::string file = read_file(record_file());
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 9) << file;
}

TEST_F(DevServerTest, PostWithoutAnyLengthHasAnEmptyBody) {
  start(Options{});
  // As "curl -X POST URL" sends it: no Content-Length, no Transfer-Encoding.
  const std::string answer = exchange_raw(
      port_,
      "POST /__control/set?telemetry_status=201 HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
  const std::string echo =
      exchange_raw(port_, "DELETE /test/echo HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(echo.rfind("HTTP/1.1 200", 0), 0u) << echo;
  // The echo shows the request as sent, without the length the server implied.
  EXPECT_NE(echo.find("DELETE /test/echo\nConnection: close\nHost: t\n\n"), std::string::npos)
      << echo;
  const auto report = client().Post("/api/v2/report", "{}", "application/json");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->status, 201);
}

TEST_F(DevServerTest, EchoShowsTheRequestAsReceived) {
  start(Options{});
  // The Range header is one the echo must show, not act on.
  const httplib::Headers headers{
      {"X-Zeta", "last"}, {"x-alpha", "1"}, {"X-Alpha", "2"}, {"Range", "bytes=0-3"}};
  const auto echo =
      client().Post("/test/echo?b=2&a=%201", headers, "line one\nline two", "text/plain");
  ASSERT_TRUE(echo);
  EXPECT_EQ(echo->status, 200);
  const std::string& body = echo->body;
  EXPECT_EQ(body.rfind("POST /test/echo?b=2&a=%201\n", 0), 0u) << body;
  EXPECT_NE(body.find("\nx-alpha: 1\nX-Alpha: 2\n"), std::string::npos) << body;
  EXPECT_LT(body.find("x-alpha: 1"), body.find("X-Zeta: last"));
  EXPECT_EQ(body.find("REMOTE_ADDR"), std::string::npos);
  EXPECT_EQ(body.find("LOCAL_PORT"), std::string::npos);
  EXPECT_NE(body.find("\nRange: bytes=0-3\n"), std::string::npos);
  EXPECT_EQ(body.substr(body.size() - 19), "\n\nline one\nline two");

  const auto plain = client().Delete("/test/echo");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->body.rfind("DELETE /test/echo\n", 0), 0u);
}

TEST_F(DevServerTest, PatternBodiesWithChosenFraming) {
  start(Options{});
  const auto body =
      client().Get("/test/body?size=60&status=203&content_type=text/html&accept_ranges=none");
  ASSERT_TRUE(body);
  EXPECT_EQ(body->status, 203);
  EXPECT_EQ(body->body, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefgh");
  EXPECT_EQ(body->get_header_value("Content-Type"), "text/html");
  EXPECT_EQ(body->get_header_value("Accept-Ranges"), "none");

  // A Range header is not this endpoint's business: the whole pattern comes back.
  const auto chunked = client().Get("/test/body?size=100000&no_length=1", {{"Range", "bytes=0-9"}});
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->status, 200);
  EXPECT_FALSE(chunked->has_header("Content-Length"));
  EXPECT_EQ(chunked->get_header_value("Content-Type"), "application/octet-stream");
  EXPECT_EQ(chunked->get_header_value("Transfer-Encoding"), "chunked");
  ASSERT_EQ(chunked->body.size(), 100000u);
  EXPECT_EQ(chunked->body[99999], static_cast<char>('a' + 99999 % 26));

  const auto declared = client().Get("/test/body?size=5&content_length=3&content_type=");
  ASSERT_TRUE(declared);
  EXPECT_EQ(declared->body, "abc");
  // Sent as an empty value, which httplib's client reads as no header: not text/plain at least.
  EXPECT_EQ(declared->get_header_value("Content-Type"), "");
  const auto refused = client().Get("/test/body?size=-1");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400);
}

TEST_F(DevServerTest, StopEndsAStalledRequestAndTheServer) {
  start(Options{});
  std::thread stalled([this] {
    httplib::Client own("127.0.0.1", port_);
    own.set_read_timeout(3600, 0);
    own.Get("/test/stall?ms=3600000");
  });
  // The stall is recorded before it begins waiting.
  while (recorded().find("/test/stall") == std::string::npos) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stop();  // would hang here, and the test time out, if the stall ignored the shutdown
  stalled.join();
}

// The body of a raw answer, as far as the server sent it before closing.
std::string raw_body(const std::string& answer) {
  const auto end = answer.find("\r\n\r\n");
  return end == std::string::npos ? "<no header end>" : answer.substr(end + 4);
}

std::string raw_get(int port, const std::string& range = "") {
  std::string request = std::string("GET ") + file_path + " HTTP/1.1\r\nHost: t\r\n";
  if (!range.empty()) request += "Range: " + range + "\r\n";
  return exchange_raw(port, request + "Connection: close\r\n\r\n");
}

TEST_F(DevServerTest, DropAfterCutsAnswersAtThatByteOnceOrAlways) {
  start_with_release();
  const std::string bytes = release_bytes();
  ASSERT_EQ(control("/__control/set?drop_after=300"), 200);
  // An answer that ends before the cut is whole and does not spend the single drop.
  EXPECT_EQ(raw_body(raw_get(port_, "bytes=0-199")), bytes.substr(0, 200));
  std::string cut = raw_get(port_);
  EXPECT_NE(cut.find("Content-Length: 1000\r\n"), std::string::npos) << cut.substr(0, 300);
  EXPECT_EQ(raw_body(cut), bytes.substr(0, 300));
  EXPECT_EQ(raw_body(raw_get(port_)), bytes);

  ASSERT_EQ(control("/__control/set?drop_mode=always"), 200);
  EXPECT_EQ(raw_body(raw_get(port_)), bytes.substr(0, 300));
  // The count is per answer: a range is cut 300 bytes after its own start.
  EXPECT_EQ(raw_body(raw_get(port_, "bytes=500-999")), bytes.substr(500, 300));
  // httplib's client sees the short body as a failed exchange.
  EXPECT_FALSE(client().Get(file_path));

  ASSERT_EQ(control("/__control/set?drop_after="), 200);
  EXPECT_EQ(raw_body(raw_get(port_, "bytes=500-999")), bytes.substr(500));
}

TEST_F(DevServerTest, IgnoreRangeHtmlAndWrongDigestChangeTheRelease) {
  start_with_release();
  const std::string bytes = release_bytes();
  ASSERT_EQ(control("/__control/set?ignore_range=1"), 200);
  auto ignored = client().Get(file_path, {{"Range", "bytes=10-19"}});
  ASSERT_TRUE(ignored);
  EXPECT_EQ(ignored->status, 200);
  EXPECT_FALSE(ignored->has_header("Content-Range"));
  EXPECT_EQ(ignored->body, bytes);

  ASSERT_EQ(control("/__control/set?ignore_range=&html=1"), 200);
  for (const httplib::Headers& headers : {httplib::Headers{}, {{"Range", "bytes=0-3"}}}) {
    const auto portal = client().Get(file_path, headers);
    ASSERT_TRUE(portal);
    EXPECT_EQ(portal->status, 200);
    EXPECT_EQ(portal->get_header_value("Content-Type"), "text/html");
    EXPECT_EQ(portal->body, captive_portal_page());
  }
  ASSERT_EQ(control("/__control/set?html=0"), 200);
  const auto ranged = client().Get(file_path, {{"Range", "bytes=10-19"}});
  ASSERT_TRUE(ranged);
  EXPECT_EQ(ranged->status, 206);
  EXPECT_EQ(ranged->body, bytes.substr(10, 10));

  ASSERT_EQ(control("/__control/set?wrong_digest=1"), 200);
  std::string flipped = bytes;
  flipped[0] = static_cast<char>(~flipped[0]);
  auto feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_EQ(feed->body, "version: 1.4.0\npath: Setup-1.4.0.exe\nsha512: " + sha512_base64(flipped) +
                            "\nsize: 1000\n");
  ASSERT_EQ(control("/__control/set?wrong_digest=0"), 200);
  feed = client().Get(feed_path);
  ASSERT_TRUE(feed);
  EXPECT_NE(feed->body.find(sha512_base64(bytes)), std::string::npos);
}

TEST_F(DevServerTest, CappedBodiesArriveWhole) {
  start_with_release();
  // 400-byte slices: the body goes out in three paced pieces, the range in one.
  ASSERT_EQ(control("/__control/set?rate=20000"), 200);
  const auto whole = client().Get(file_path);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->body, release_bytes());
  const auto part = client().Get(file_path, {{"Range", "bytes=600-999"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, release_bytes().substr(600));
}

TEST_F(DevServerTest, StopEndsAStalledOrPacedReleaseAnswer) {
  start_with_release();
  // Requests are recorded before their waits begin.
  const auto wait_for_requests = [this](long count) {
    for (std::string lines; std::count(lines.begin(), lines.end(), '\n') < count;
         lines = recorded()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  const auto get_in_background = [this] {
    return std::thread([this] {
      httplib::Client own("127.0.0.1", port_);
      own.set_read_timeout(3600, 0);
      own.Get(file_path);
    });
  };
  ASSERT_EQ(control("/__control/set?stall_ms=3600000"), 200);
  std::thread stalled = get_in_background();
  wait_for_requests(1);
  // A 1 byte/s cap would take 1000 s over this body.
  ASSERT_EQ(control("/__control/set?stall_ms=&rate=1"), 200);
  std::thread paced = get_in_background();
  wait_for_requests(2);
  stop();  // would hang, and the test time out, if either wait ignored the shutdown
  stalled.join();
  paced.join();
}

TEST(DevServerPortTest, BaseUrlComesFromThePortFile) {
  TempFolder folder;
  ASSERT_EQ(::setenv("CORVALD_DEVSERVER_DIR", folder.path().c_str(), 1), 0);
  EXPECT_EQ(devserver_base_url(), "");
  folder.write("port", "18080\n");
  EXPECT_EQ(devserver_base_url(), "http://127.0.0.1:18080");
  folder.write("port", "80x\n");
  EXPECT_EQ(devserver_base_url(), "");
  folder.write("port", "70000\n");
  EXPECT_EQ(devserver_base_url(), "");
  ::unsetenv("CORVALD_DEVSERVER_DIR");
  EXPECT_EQ(devserver_base_url(), "");
}

}  // namespace
}  // namespace corvald::devserver

namespace corvald::devserver {
namespace {

TEST_F(DevServerTest, FeedbackUploadStoresTheBlobAndStatusesCanBeForced) {
  Options options;
  options.record_file = record_file();
  start(options);

  const auto grant = client().Get("/api/voice-realtime/feedback/get-upload-url?file_type=log");
  ASSERT_TRUE(grant);
  ASSERT_EQ(grant->status, 200);
  const std::string origin = "http://127.0.0.1:" + std::to_string(port_);
  EXPECT_NE(grant->body.find("\"upload_url\":\"" + origin + "/storage/"), std::string::npos)
      << grant->body;
  EXPECT_NE(grant->body.find("\"private_storage_url\":\""), std::string::npos);

  const auto wrong_type = client().Put("/storage/a.zip", {{"x-ms-blob-type", "BlockBlob"}}, "PK",
                                       "application/octet-stream");
  ASSERT_TRUE(wrong_type);
  EXPECT_EQ(wrong_type->status, 400);
  const auto no_blob_type = client().Put("/storage/a.zip", "PK", "application/zip");
  ASSERT_TRUE(no_blob_type);
  EXPECT_EQ(no_blob_type->status, 400);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "storage-1.zip"));

  const std::string zip(
      "PK\x03\x04"
      "app.log\0",
      12);
  const auto put = client().Put("/storage/a.zip?sig=x", {{"x-ms-blob-type", "BlockBlob"}}, zip,
                                "application/zip");
  ASSERT_TRUE(put);
  EXPECT_EQ(put->status, 201);
  EXPECT_EQ(read_file(folder_.path() / "storage-1.zip"), zip);

  const auto submit =
      client().Post("/api/voice-realtime/feedback/submit", "{}", "application/json");
  ASSERT_TRUE(submit);
  EXPECT_EQ(submit->status, 200);

  ASSERT_EQ(control("/__control/set?upload_url_status=403&storage_status=500&submit_status=502"),
            200);
  EXPECT_EQ(client().Get("/api/voice-realtime/feedback/get-upload-url")->status, 403);
  EXPECT_EQ(client()
                .Put("/storage/b.zip", {{"x-ms-blob-type", "BlockBlob"}}, zip, "application/zip")
                ->status,
            500);
  EXPECT_EQ(client().Post("/api/voice-realtime/feedback/submit", "{}", "application/json")->status,
            502);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "storage-2.zip"));
  EXPECT_EQ(control("/__control/set?submit_status=99"), 400);
  EXPECT_NE(recorded().find("/api/voice-realtime/feedback/submit"), std::string::npos);
}

}  // namespace
}  // namespace corvald::devserver
