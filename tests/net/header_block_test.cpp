// The request headers as they leave WinHTTP, read byte for byte by a loopback server of the
// test's own, beneath any HTTP library that would parse and tidy them.
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "net/http_client.hpp"
// After windows.hpp, which keeps the old winsock.h out.
#include <winsock2.h>
#include <ws2tcpip.h>

namespace corvald::net {
namespace {

// Takes connections one at a time until it is stopped; of each it keeps what arrives up to
// the blank line that ends the headers, then answers 204 and closes, so no connection is
// used twice.
class RawLoopbackServer {
 public:
  // On 127.0.0.1, or on [::1] with `ipv6`.
  explicit RawLoopbackServer(bool ipv6 = false) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    listener_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_loopback;
    auto* address = ipv6 ? reinterpret_cast<sockaddr*>(&v6) : reinterpret_cast<sockaddr*>(&v4);
    int length = ipv6 ? sizeof(v6) : sizeof(v4);
    if (bind(listener_, address, length) != 0 || listen(listener_, 4) != 0 ||
        getsockname(listener_, address, &length) != 0) {
      return;
    }
    port_ = ntohs(ipv6 ? v6.sin6_port : v4.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~RawLoopbackServer() { stop(); }

  std::uint16_t port() const { return port_; }

  // Every request received, in order. Each exchange has ended before the client call that
  // made it returned, so nothing is still on its way.
  std::vector<std::string> stop() {
    if (listener_ != INVALID_SOCKET) {
      closesocket(listener_);
      listener_ = INVALID_SOCKET;
    }
    if (thread_.joinable()) {
      thread_.join();
      WSACleanup();
    }
    return received_;
  }

 private:
  void serve() {
    for (;;) {
      const SOCKET peer = accept(listener_, nullptr, nullptr);
      if (peer == INVALID_SOCKET) return;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(peer, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      received_.push_back(std::move(request));
      const std::string reply = "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n";
      send(peer, reply.data(), static_cast<int>(reply.size()), 0);
      shutdown(peer, SD_SEND);
      closesocket(peer);
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::vector<std::string> received_;  // written by the server thread until it is joined
};

TEST(WinHttpHeaderBlock, PairsGoOutAsWrittenAndAnEmptyListAddsNothing) {
  const auto client = HttpClient::open("corvald-header-test");
  ASSERT_TRUE(client.ok()) << client.error().text();
  RawLoopbackServer server;
  ASSERT_NE(server.port(), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/h?x=1";
  const std::vector<HeaderList> lists = {
      {},
      {{"X-One", "a b"}},
      {{"X-One", "a b"}, {"CV-Request-Id", "r-1"}, {"X-Empty", ""}},
  };
  for (const HeaderList& headers : lists) {
    const auto response = client->get(url, headers);
    ASSERT_TRUE(response.ok()) << response.error().text();
    EXPECT_EQ(response->status, 204u);
  }
  // A line break would let a value carry a header of its own; such a request never leaves.
  const auto smuggling = client->get(url, {{"X-One", "a\r\nX-Two: b"}});
  ASSERT_FALSE(smuggling.ok());
  EXPECT_EQ(smuggling.error().kind(), StubError::Kind::parse);
  EXPECT_EQ(smuggling.error().text(), "bad value of header X-One in request");

  const auto received = server.stop();
  ASSERT_EQ(received.size(), 3u);
  const std::string request_line = "GET /h?x=1 HTTP/1.1\r\n";
  ASSERT_TRUE(received[0].starts_with(request_line)) << received[0];
  // What WinHTTP adds of its own (user agent, host, connection), the same for every request.
  const std::string platform_part = received[0].substr(request_line.size());
  EXPECT_NE(platform_part.find("User-Agent: corvald-header-test\r\n"), std::string::npos)
      << platform_part;
  EXPECT_EQ(received[1], request_line + "X-One: a b\r\n" + platform_part);
  EXPECT_EQ(received[2],
            request_line + "X-One: a b\r\nCV-Request-Id: r-1\r\nX-Empty: \r\n" + platform_part);
}

// The colons of an IPv6 literal are the address's, the port follows the bracket, and the Host
// header names the server as the URL does.
TEST(WinHttpHeaderBlock, AnIpv6LiteralWithItsPortReachesItsServer) {
  const auto client = HttpClient::open("corvald-header-test");
  ASSERT_TRUE(client.ok()) << client.error().text();
  RawLoopbackServer server(true);
  ASSERT_NE(server.port(), 0) << "no IPv6 loopback on this machine";
  const std::string authority = "[::1]:" + std::to_string(server.port());
  const auto response = client->get("http://" + authority + "/six", {});
  ASSERT_TRUE(response.ok()) << response.error().text();
  EXPECT_EQ(response->status, 204u);
  const auto received = server.stop();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_TRUE(received[0].starts_with("GET /six HTTP/1.1\r\n")) << received[0];
  EXPECT_NE(received[0].find("Host: " + authority + "\r\n"), std::string::npos) << received[0];
}

}  // namespace
}  // namespace corvald::net
