// WinHTTP under the stub's client, against the devserver of the net_devserver fixture (its
// telemetry endpoint answers 500). Each case runs in its own process, several at once.
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "devserver_port.hpp"
#include "logfile/log_where.hpp"
#include "logfile/test/log_capture.hpp"
#include "net/http_client.hpp"
#include "net/winhttp_api.hpp"
#include "net/winhttp_error.hpp"
// After windows.hpp, which keeps the old winsock.h out.
#include <winhttp.h>
#include <winsock2.h>

namespace corvald::net {
namespace {

class WinHttpSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = devserver_base_url();
    ASSERT_FALSE(base_.empty()) << "CORVALD_DEVSERVER_DIR names no running devserver";
    auto opened = HttpClient::open(stub_user_agent());
    ASSERT_TRUE(opened.ok()) << opened.error().text();
    client_.emplace(std::move(opened.value()));
  }

  HttpResponse get_ok(const std::string& path, const HeaderList& headers = {}) {
    auto response = client_->get(base_ + path, headers);
    EXPECT_TRUE(response.ok()) << path << ": " << response.error().text();
    return response.ok() ? std::move(response.value()) : HttpResponse(RawResponse{});
  }

  std::string body_of(const std::string& path, const HeaderList& headers = {}) {
    auto body = get_ok(path, headers).read_to_end(1 << 20);
    EXPECT_TRUE(body.ok()) << path << ": " << body.error().text();
    return body.ok() ? *body : std::string();
  }

  std::string base_;
  std::optional<HttpClient> client_;
};

// The devserver's test body: byte i is 'a' + i % 26.
std::string pattern(std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<char>('a' + i % 26));
  return out;
}

// A loopback port that was free a moment ago and has no listener now.
std::uint16_t closed_port() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  std::uint16_t port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  closesocket(s);
  WSACleanup();
  return port;
}

TEST_F(WinHttpSessionTest, StatusAndTheThreeHeadersOfRealResponses) {
  auto full = get_ok(
      "/test/body?size=300&status=203&content_type=text/x-test%3B%20q%3D1"
      "&accept_ranges=none,%20Bytes");
  EXPECT_EQ(full.status, 203u);
  EXPECT_EQ(full.content_length, 300u);
  EXPECT_EQ(full.content_type, "text/x-test; q=1");
  EXPECT_TRUE(full.accept_ranges);
  EXPECT_EQ(std::move(full).read_to_end(300).value(), pattern(300));

  EXPECT_FALSE(get_ok("/test/body?size=1&accept_ranges=none").accept_ranges);
  EXPECT_FALSE(get_ok("/test/body?size=1").accept_ranges);
  EXPECT_EQ(get_ok("/test/body?size=4&content_length=%2B4").content_length, 4u);

  auto chunked = get_ok("/test/body?size=70000&no_length=1");
  EXPECT_EQ(chunked.content_length, std::nullopt);
  EXPECT_EQ(std::move(chunked).read_to_end(70000).value(), pattern(70000));
}

TEST_F(WinHttpSessionTest, ReadToEndTakesExactlyTheLimitAndFailsOneByteOver) {
  for (const std::string length : {"", "&no_length=1"}) {
    const auto exact = get_ok("/test/body?size=1024" + length).read_to_end(1024);
    ASSERT_TRUE(exact.ok()) << exact.error().text();
    EXPECT_EQ(exact->size(), 1024u);

    const auto over = get_ok("/test/body?size=1025" + length).read_to_end(1024);
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.error().kind(), StubError::Kind::parse);
    EXPECT_EQ(over.error().text(), "response body exceeds 1024 bytes");
  }
}

TEST_F(WinHttpSessionTest, HeadersArriveAsGivenAndReplaceThePlatformOnes) {
  const std::string echo = body_of(
      "/test/echo?q=a%20b&r=/x:1",
      {{"CV-Client-Id", "id with blanks"}, {"X-Order", "first"}, {"User-Agent", "custom agent"}});
  EXPECT_TRUE(echo.starts_with("GET /test/echo?q=a%20b&r=/x:1\n")) << echo;
  EXPECT_NE(echo.find("\nCV-Client-Id: id with blanks\n"), std::string::npos) << echo;
  EXPECT_NE(echo.find("\nX-Order: first\n"), std::string::npos) << echo;
  EXPECT_NE(echo.find("\nUser-Agent: custom agent\n"), std::string::npos) << echo;
  EXPECT_EQ(echo.find(stub_user_agent()), std::string::npos) << echo;

  const std::string plain = body_of("/test/echo");
  EXPECT_NE(plain.find("\nUser-Agent: " + stub_user_agent() + "\n"), std::string::npos) << plain;
  EXPECT_TRUE(plain.ends_with("\n\n")) << "no body was sent: " << plain;
}

TEST_F(WinHttpSessionTest, PostReportsAnyStatusAndSendsTheWholeBody) {
  const auto rejected = client_->post(base_ + "/api/v2/report", {}, R"({"event":"x"})");
  ASSERT_TRUE(rejected.ok()) << rejected.error().text();
  EXPECT_EQ(rejected->status, 500u);
  EXPECT_EQ(rejected->body_text, R"({"status":500})");

  const std::string body = std::string(5000, 'p');
  const auto echoed = client_->post(base_ + "/test/echo", {}, body);
  ASSERT_TRUE(echoed.ok()) << echoed.error().text();
  EXPECT_EQ(echoed->status, 200u);
  EXPECT_TRUE(echoed->body_text.starts_with("POST /test/echo ")) << echoed->body_text;

  auto put = client_->send(base_ + "/test/echo", "PUT", {}, body);
  ASSERT_TRUE(put.ok()) << put.error().text();
  const auto put_echo = std::move(put.value()).read_to_end(1 << 20);
  ASSERT_TRUE(put_echo.ok());
  EXPECT_TRUE(put_echo->ends_with("\n\n" + body)) << "the body must arrive whole";
}

TEST_F(WinHttpSessionTest, UrlErrorsSendNothing) {
  const std::string authority = base_.substr(std::string("http://").size());
  for (const std::string& url :
       {"HTTP://" + authority + "/never-sent-1", "ftp://" + authority + "/never-sent-2",
        base_ + "x/never-sent-3"}) {
    const auto sent = client_->get(url, {});
    ASSERT_FALSE(sent.ok()) << url;
    EXPECT_EQ(sent.error().kind(), StubError::Kind::parse);
  }
  body_of("/test/echo?sent-after-the-errors");
  const std::string record = body_of("/__control/requests");
  EXPECT_NE(record.find("sent-after-the-errors"), std::string::npos) << record;
  EXPECT_EQ(record.find("never-sent"), std::string::npos) << record;
}

TEST_F(WinHttpSessionTest, RefusedConnectionIsANetworkErrorAndTheSessionStaysUsable) {
  const std::uint16_t port = closed_port();
  ASSERT_NE(port, 0);
  const auto refused = client_->get("http://127.0.0.1:" + std::to_string(port) + "/", {});
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind(), StubError::Kind::network);
  // WinHTTP connects lazily: the refusal surfaces in the send, not in WinHttpConnect.
  EXPECT_EQ(refused.error().text(),
            "WinHttpSendRequest: " + platform_error_text(ERROR_WINHTTP_CANNOT_CONNECT));
  // The code travels with the error, so the line after the failure names it.
  EXPECT_EQ(refused.error().system_code(), std::uint32_t{ERROR_WINHTTP_CANNOT_CONNECT});
  EXPECT_EQ(where_line("[main] ", refused.error()), "[main] where: system error 12029");

  const auto zero = client_->get("http://127.0.0.1:0/", {});
  ASSERT_FALSE(zero.ok());
  EXPECT_EQ(zero.error().text(), "WinHttpConnect failed (win32 err 87)");
  EXPECT_EQ(zero.error().system_code(), 87u);

  EXPECT_EQ(get_ok("/test/body?size=1").status, 200u);
}

TEST(WinHttpErrorText, SystemMessageThenTheHresult) {
  const std::regex with_message(R"(\S.* \(0x80070002\))");
  EXPECT_TRUE(std::regex_match(platform_error_text(ERROR_FILE_NOT_FOUND), with_message))
      << platform_error_text(ERROR_FILE_NOT_FOUND);
  // WinHTTP's own codes have their texts in winhttp.dll, which the system table may lack.
  const std::regex winhttp_form(R"(\S.* \(0x80072EFD\)|0x80072EFD)");
  const std::string cannot_connect = platform_error_text(ERROR_WINHTTP_CANNOT_CONNECT);
  EXPECT_TRUE(std::regex_match(cannot_connect, winhttp_form)) << cannot_connect;
  EXPECT_EQ(cannot_connect.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(win32_code_text(12029), " failed (win32 err 12029)");
}

// The per-user proxy settings WinHTTP reads, replaced for one test and put back as they were
// (or taken out again when there were none).
class UserProxySettings {
 public:
  static constexpr wchar_t kKey[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
  static constexpr wchar_t kValue[] = L"DefaultConnectionSettings";

  UserProxySettings() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    saved_ = read();
  }
  ~UserProxySettings() {
    if (saved_) {
      RegSetValueExW(key_, kValue, 0, REG_BINARY, saved_->data(),
                     static_cast<DWORD>(saved_->size()));
    } else {
      RegDeleteValueW(key_, kValue);
    }
    RegCloseKey(key_);
  }

  // The layout Internet Options writes: version, change counter, flags (1 direct, 2 proxy,
  // 4 script, 8 auto-detect), then the proxy list, the bypass list and the script URL, each
  // with its length in front.
  bool write(DWORD flags, const std::string& proxy, const std::string& bypass,
             const std::string& script) {
    std::vector<BYTE> blob;
    const auto put = [&](DWORD v) {
      blob.insert(blob.end(), reinterpret_cast<BYTE*>(&v), reinterpret_cast<BYTE*>(&v) + 4);
    };
    put(0x46);
    put(1);
    put(flags);
    for (const std::string* text : {&proxy, &bypass, &script}) {
      put(static_cast<DWORD>(text->size()));
      blob.insert(blob.end(), text->begin(), text->end());
    }
    blob.resize(blob.size() + 32, 0);
    return RegSetValueExW(key_, kValue, 0, REG_BINARY, blob.data(),
                          static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
  }

  std::optional<std::vector<BYTE>> read() const {
    DWORD size = 0;
    if (RegQueryValueExW(key_, kValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::vector<BYTE> data(size);
    RegQueryValueExW(key_, kValue, nullptr, nullptr, data.data(), &size);
    return data;
  }
  const std::optional<std::vector<BYTE>>& saved() const { return saved_; }

 private:
  HKEY key_ = nullptr;
  std::optional<std::vector<BYTE>> saved_;
};

// Wine goes direct whatever these settings say, so only the line can be checked here: it is
// what support has to go on on Windows. Written as the process opens its first session, once.
TEST(WinHttpProxySettings, TheUsersSettingsAreLoggedOnceWithTheirCredentialsMasked) {
  std::optional<std::vector<BYTE>> before;
  {
    UserProxySettings settings;
    before = settings.saved();
    // A password may hold "@" and a path may too; only the user part goes.
    ASSERT_TRUE(settings.write(1 | 2 | 4 | 8, "http=alice:pw1@proxy.example:8080;https=p2:443",
                               "<local>", "http://bob:p@w2@pac.example/a@b/wpad.dat"));
    logfile::testing::LogCapture capture;
    ASSERT_TRUE(capture.installed_ok());
    ASSERT_TRUE(HttpClient::open(stub_user_agent()).ok());
    ASSERT_TRUE(HttpClient::open(stub_user_agent()).ok());
    std::vector<std::string> lines = capture.messages();
    std::erase_if(lines, [](const std::string& m) { return m.rfind("proxy settings:", 0) != 0; });
    EXPECT_EQ(lines,
              std::vector<std::string>{
                  "proxy settings: auto-detect=on script=http://***@pac.example/a@b/wpad.dat "
                  "proxy=http=***@proxy.example:8080;https=p2:443 bypass=<local>"});
    // The control: WinHTTP hands the credentials over as written; only the masking keeps them
    // out of the line.
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw{};
    ASSERT_TRUE(winhttp_api().value().get_user_proxy_config(&raw));
    const std::wstring raw_proxy = raw.lpszProxy != nullptr ? raw.lpszProxy : L"";
    for (LPWSTR text : {raw.lpszAutoConfigUrl, raw.lpszProxy, raw.lpszProxyBypass}) {
      if (text != nullptr) GlobalFree(text);
    }
    EXPECT_NE(raw_proxy.find(L"alice:pw1@"), std::wstring::npos);
  }
  EXPECT_EQ(UserProxySettings().saved(), before) << "the user's settings were not put back";
}

}  // namespace
}  // namespace corvald::net
