#include "net/http_client.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "net/test/scripted_session.hpp"

namespace corvald::net {
namespace {

using test::ScriptedReply;

struct Fixture {
  std::shared_ptr<test::ScriptedSession> session = std::make_shared<test::ScriptedSession>();
  HttpClient client{session};
};

TEST(SplitUrl, SplitsSchemeHostPortAndPath) {
  const std::vector<std::pair<std::string, UrlParts>> cases = {
      {"https://updates.example", {true, "updates.example", 443, "/"}},
      {"http://127.0.0.1:8080/a?b=c", {false, "127.0.0.1", 8080, "/a?b=c"}},
      {"https://h:+443/x", {true, "h", 443, "/x"}},
      {"http://h:0080", {false, "h", 80, "/"}},
      {"http://h:65535/", {false, "h", 65535, "/"}},
      // The path goes out as written: no encoding, and a later ":" or "//" is path text.
      {"https://h/p q%20?u=http://x:1/#f", {true, "h", 443, "/p q%20?u=http://x:1/#f"}},
      {"https://h?cv-request-id=1/2", {true, "h", 443, "/?cv-request-id=1/2"}},
      {"http://h:81#f?x", {false, "h", 81, "/#f?x"}},
      // IPv6 literals keep their brackets, as the Host header writes them.
      {"http://[::1]:8080/a", {false, "[::1]", 8080, "/a"}},
      {"https://[2001:DB8::7]", {true, "[2001:DB8::7]", 443, "/"}},
      {"http://[::ffff:127.0.0.1]?q", {false, "[::ffff:127.0.0.1]", 80, "/?q"}},
  };
  for (const auto& [url, expected] : cases) {
    const auto parts = split_url(url);
    ASSERT_TRUE(parts.ok()) << url << ": " << parts.error().text();
    EXPECT_EQ(*parts, expected) << url;
  }
}

TEST(SplitUrl, RejectsOtherSchemesBadPortsAndEmptyHostsNamingTheWholeUrl) {
  for (const std::string url :
       {"HTTPS://h/", "Http://h/", "ftp://h/f", "", "//h/", " https://h/"}) {
    const auto parts = split_url(url);
    ASSERT_FALSE(parts.ok()) << url;
    EXPECT_EQ(parts.error().kind(), StubError::Kind::parse);
    EXPECT_EQ(parts.error().text(), "unsupported url scheme: " + url);
  }
  // Outside brackets the first ":" starts the port, so user-info is a bad port.
  for (const std::string url :
       {"http://h:/", "http://h:+/", "http://h:-/", "http://h:-1/", "http://h:70000/",
        "http://h:65536", "http://h:18446744073709551697/", "http://h: 80/", "http://h:++80/",
        "http://h:80:81/", "http://user:pw@h/", "http://[::1]8080/", "http://[::1]:/",
        "http://[::1]:80:81/"}) {
    const auto parts = split_url(url);
    ASSERT_FALSE(parts.ok()) << url;
    EXPECT_EQ(parts.error().kind(), StubError::Kind::parse);
    EXPECT_EQ(parts.error().text(), "bad port in url: " + url);
  }
  for (const std::string url : {"http://[::1/", "http://[]:80/", "http://[::1%25eth0]/",
                                "http://[v1.x]/", "http://h]/", "http://a[b:80/"}) {
    const auto parts = split_url(url);
    ASSERT_FALSE(parts.ok()) << url;
    EXPECT_EQ(parts.error().text(), "bad host in url: " + url);
  }
  for (const std::string url : {"https:///up/fee", "http://", "http://:8080/x"}) {
    const auto parts = split_url(url);
    ASSERT_FALSE(parts.ok()) << url;
    EXPECT_EQ(parts.error().kind(), StubError::Kind::parse);
    EXPECT_EQ(parts.error().text(), "missing host in url: " + url);
  }
}

TEST(HttpClient, NothingIsSentWhenTheUrlOrAHeaderIsRejected) {
  Fixture f;
  f.session->set_handler([](const test::RecordedRequest&) { return ScriptedReply{}; });
  EXPECT_EQ(f.client.get("ftp://h/x", {}).error().text(), "unsupported url scheme: ftp://h/x");
  EXPECT_EQ(f.client.post("http://h:70000/", {}, "b").error().text(),
            "bad port in url: http://h:70000/");
  // A line break would let one header become two on the wire.
  for (const HeaderList& headers :
       {HeaderList{{"CV-Client-Id", "abc\r\nX-Injected: 1"}}, HeaderList{{"A", "x\ny"}},
        HeaderList{{"Ok", "1"}, {"Bad\r\nName", "v"}}, HeaderList{{"Na:me", "v"}},
        HeaderList{{"A", std::string("x\0y", 3)}}}) {
    const auto sent = f.client.send("http://h/", "GET", headers);
    ASSERT_FALSE(sent.ok()) << headers.back().name;
    EXPECT_EQ(sent.error().kind(), StubError::Kind::parse);
  }
  EXPECT_EQ(f.session->request_count(), 0u);
}

TEST(HttpClient, PassesVerbHeadersAndBodyThroughUnchanged) {
  Fixture f;
  f.session->set_handler([](const test::RecordedRequest&) { return ScriptedReply{}; });
  const HeaderList headers = {{"CV-Client-Id", "a b"},
                              {"x-ms-blob-type", "BlockBlob"},
                              {"CV-Client-Id", "again"},
                              {"Empty", ""},
                              {"Name", "\xC3\xA9 trailing blank "}};
  ASSERT_TRUE(f.client.send("https://h:8443/up?x=1", "PUT", headers, "zip").ok());
  ASSERT_TRUE(f.client.get("http://h", {}).ok());
  ASSERT_TRUE(f.client.post("http://h/p", {}, std::string(3, '\0')).ok());

  const auto requests = f.session->requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].url, (UrlParts{true, "h", 8443, "/up?x=1"}));
  EXPECT_EQ(requests[0].verb, "PUT");
  EXPECT_EQ(requests[0].headers, headers);
  EXPECT_EQ(requests[0].body, "zip");
  EXPECT_EQ(requests[1].verb, "GET");
  EXPECT_TRUE(requests[1].headers.empty());
  EXPECT_EQ(requests[1].body, "");
  EXPECT_EQ(requests[2].verb, "POST");
  EXPECT_EQ(requests[2].body, std::string(3, '\0'));
}

TEST(HttpResponse, ReadsContentLengthAcceptRangesAndContentType) {
  const std::vector<std::pair<std::optional<std::string>, std::optional<std::uint64_t>>> lengths = {
      {"1024", 1024},
      {"+7", 7},
      {"0", 0},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},
      {std::nullopt, std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1e3", std::nullopt},
      {"abc", std::nullopt}};
  const std::vector<std::pair<std::optional<std::string>, bool>> ranges = {
      {"bytes", true}, {"Bytes", true}, {"none, bytes", true},
      {"none", false}, {"byte", false}, {std::nullopt, false}};
  Fixture f;
  for (const auto& [header, expected] : lengths) {
    ScriptedReply reply;
    reply.content_length = header;
    f.session->push(reply);
    EXPECT_EQ(f.client.get("http://h/", {})->content_length, expected) << header.value_or("-");
  }
  for (const auto& [header, expected] : ranges) {
    ScriptedReply reply;
    reply.accept_ranges = header;
    reply.content_type = "Text/HTML; charset=\"x\"";
    reply.status = 206;
    f.session->push(reply);
    const auto response = f.client.get("http://h/", {});
    EXPECT_EQ(response->accept_ranges, expected) << header.value_or("-");
    EXPECT_EQ(response->content_type, "Text/HTML; charset=\"x\"");
    EXPECT_EQ(response->status, 206u);
  }
}

TEST(HttpResponse, ReadToEndTakesExactlyTheLimitAndReleasesTheResponseEitherWay) {
  for (const bool known_length : {true, false}) {
    for (const std::size_t size : {1024u, 1025u}) {
      Fixture f;
      ScriptedReply reply = ScriptedReply::with_body(std::string(size, 'b'));
      if (!known_length) reply.content_length.reset();
      reply.pieces = {1000, 24, 1};  // the limit falls between reads
      f.session->push(reply);
      const auto body = f.client.get("http://h/", {}).value().read_to_end(1024);
      if (size == 1024) {
        EXPECT_EQ(body.value(), std::string(1024, 'b'));
      } else {
        EXPECT_EQ(body.error().kind(), StubError::Kind::parse);
        EXPECT_EQ(body.error().text(), "response body exceeds 1024 bytes");
      }
      EXPECT_EQ(f.session->open_bodies(), 0u);
    }
  }
}

TEST(HttpResponse, ReadToEndSurvivesLyingLengthsAndPassesReadFailuresOn) {
  Fixture f;
  // A huge claimed length with no real limit must not become a huge allocation, and the
  // three bytes that came are not the body it announced.
  ScriptedReply liar = ScriptedReply::with_body("abc");
  liar.content_length = "18446744073709551615";
  f.session->push(liar);
  ScriptedReply broken = ScriptedReply::with_body(std::string(20000, 'z'));
  broken.fail_at_byte = 9000;
  f.session->push(broken);

  const auto lied = f.client.get("http://h/", {}).value().read_to_end(UINT64_MAX);
  EXPECT_EQ(lied.error().kind(), StubError::Kind::network);
  EXPECT_EQ(lied.error().text(), "response ended after 3 of 18446744073709551615 bytes");
  const auto failed = f.client.get("http://h/", {}).value().read_to_end(65536);
  EXPECT_EQ(failed.error().kind(), StubError::Kind::network);
  EXPECT_EQ(failed.error().text(), "WinHttpReadData: scripted connection reset");
  EXPECT_EQ(f.session->open_bodies(), 0u);
}

// A connection closed early reads as a clean end: only the announced length tells a part of a
// body from the whole, for both ways a body is read to its end.
TEST(HttpResponse, ABodyCutBeforeItsLengthFailsWhicheverWayItIsReadToItsEnd) {
  const std::string feed = "version: 1.4.0\nsha512: " + std::string(88, 'Q') + "\n";
  struct Case {
    std::string length;
    std::size_t sent;
    bool whole;
  };
  for (const Case& c : {Case{std::to_string(feed.size()), feed.size(), true},
                        Case{std::to_string(feed.size()), 40, false},
                        Case{std::to_string(feed.size() + 1), feed.size(), false}}) {
    for (const bool post : {false, true}) {
      Fixture f;
      ScriptedReply reply = ScriptedReply::with_body(feed.substr(0, c.sent));
      reply.content_length = c.length;
      reply.pieces = {16};
      f.session->push(reply);
      std::optional<StubError> error;
      if (post) {
        auto sent = f.client.post("http://h/", {}, "x");
        if (!sent) error = sent.error();
      } else {
        auto body = f.client.get("http://h/", {}).value().read_to_end(65536);
        if (body) {
          EXPECT_EQ(body.value(), feed);
        } else {
          error = body.error();
        }
      }
      SCOPED_TRACE(c.length + "/" + std::to_string(c.sent) + (post ? " post" : " get"));
      EXPECT_EQ(error.has_value(), !c.whole);
      if (error) {
        EXPECT_EQ(error->kind(), StubError::Kind::network);
        EXPECT_EQ(error->text(),
                  "response ended after " + std::to_string(c.sent) + " of " + c.length + " bytes");
      }
      EXPECT_EQ(f.session->open_bodies(), 0u);
    }
  }
}

TEST(HttpClientPost, KeepsTheFirst1024BytesLogSafeAndDrainsTheRest) {
  // The masked token shows its last three characters, so a byte kept past 1024 would show.
  const std::string body = "token=" + std::string(1018, 'a') + std::string(3976, 'Z');
  ASSERT_EQ(body.size(), 5000u);
  Fixture f;
  ScriptedReply reply = ScriptedReply::with_body(body, 500);
  reply.pieces = {1000, 1000};
  f.session->push(reply);
  const auto sent = f.client.post("http://h/api/v2/report", {}, R"({"event":"x"})");
  EXPECT_EQ(sent->status, 500u);
  EXPECT_EQ(sent->body_text, "token=aaa***aaa");
  EXPECT_EQ(f.session->open_bodies(), 0u);

  // A failure near the very end proves the reads went on past the kept part.
  reply.fail_at_byte = 4999;
  f.session->push(reply);
  EXPECT_EQ(f.client.post("http://h/", {}, "x").error().text(),
            "WinHttpReadData: scripted connection reset");

  // A body that never ends is dropped once the drain cap is read: the failure placed just
  // past it is never reached.
  ScriptedReply endless =
      ScriptedReply::with_body(std::string(HttpResponse::kMaxDrainedBody + 64 * 1024, 'x'), 200);
  endless.fail_at_byte = HttpResponse::kMaxDrainedBody + 32 * 1024;
  f.session->push(endless);
  const auto capped = f.client.post("http://h/", {}, "x");
  ASSERT_TRUE(capped.ok()) << capped.error().display();
  EXPECT_EQ(capped->body_text, std::string(512, 'x') + "...[truncated]");
  EXPECT_EQ(f.session->open_bodies(), 0u);
}

TEST(HttpClient, CopiesSendAtOnceWhileOneExchangeIsStalled) {
  Fixture f;
  auto gate = std::make_shared<test::Gate>();
  ScriptedReply stalled = ScriptedReply::with_body("late");
  stalled.stall = gate;
  f.session->push_for("http://h/slow", stalled);
  f.session->set_handler([](const test::RecordedRequest& r) {
    return ScriptedReply::with_body(r.header("Range").value_or("none"));
  });

  std::string slow_body;
  std::thread slow([client = f.client, &slow_body] {
    auto response = client.get("http://h:80/slow", {});
    if (response.ok()) slow_body = std::move(response.value()).read_to_end(9).value();
  });
  gate->wait_for_arrivals(1);
  std::vector<std::string> bodies(3);
  std::vector<std::thread> others;
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    others.emplace_back([client = f.client, &bodies, i] {
      auto response = client.get("http://h/fast", {{"range", std::to_string(i)}});
      if (response.ok()) bodies[i] = std::move(response.value()).read_to_end(9).value();
    });
  }
  for (auto& t : others) t.join();
  EXPECT_EQ(bodies, (std::vector<std::string>{"0", "1", "2"}));
  gate->open();
  slow.join();
  EXPECT_EQ(slow_body, "late");
}

TEST(StubUserAgent, NamesTheProductWordAndTheStubVersion) {
  EXPECT_EQ(stub_user_agent(),
            "CorvaldVoice/0.0.1 TavrinStub/0.1.117 CorvaldInstaller/0.1.117 Windows/10.0");
}

}  // namespace
}  // namespace corvald::net
