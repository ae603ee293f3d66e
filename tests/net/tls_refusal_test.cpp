// A refused server certificate under Wine: each fault served by tls_refusal_test.sh gets its own
// reason after the failure, naming the certificate; the good certificate, from the same test CA,
// is the control that the CA was trusted for this run at all.
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "logfile/log_where.hpp"
#include "net/http_client.hpp"
#include "user_trusted_root.hpp"

namespace corvald::net {
namespace {

std::map<std::string, std::string> server_ports() {
  std::map<std::string, std::string> ports;
  const char* list = std::getenv("CORVALD_TLS_PORTS");
  std::istringstream in(list == nullptr ? "" : list);
  for (std::string item; in >> item;) {
    const auto eq = item.find('=');
    if (eq != std::string::npos) ports[item.substr(0, eq)] = item.substr(eq + 1);
  }
  return ports;
}

std::vector<BYTE> der_of(const char* pem_file) {
  std::ifstream in(pem_file == nullptr ? "" : pem_file, std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr,
                                           &size, nullptr, nullptr)) {
    return {};
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                       nullptr);
  return der;
}

std::string today_utc() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  char out[16];
  std::snprintf(out, sizeof out, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return out;
}

class TlsRefusalTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new test_support::UserTrustedRoot(der_of(std::getenv("CORVALD_TLS_CA")));
  }

  static void TearDownTestSuite() {
    root_->remove();
    EXPECT_FALSE(root_->present()) << "the test CA was left trusted";
    delete root_;
  }

  void SetUp() override {
    ASSERT_TRUE(root_->trusted()) << "the test CA from CORVALD_TLS_CA could not be trusted";
    ports_ = server_ports();
    ASSERT_EQ(ports_.size(), 4u) << "CORVALD_TLS_PORTS names no four servers";
    auto opened = HttpClient::open(stub_user_agent());
    ASSERT_TRUE(opened.ok()) << opened.error().display();
    client_.emplace(std::move(opened.value()));
  }

  // A request carrying what must never reach the reason line: a query and a cookie.
  Result<HttpResponse> get(const std::string& server) {
    return client_->get("https://localhost:" + ports_[server] + "/last.yml?sig=querysecret",
                        {{"Cookie", "session=cookiesecret"}});
  }

  static test_support::UserTrustedRoot* root_;
  std::map<std::string, std::string> ports_;
  std::optional<HttpClient> client_;
};

test_support::UserTrustedRoot* TlsRefusalTest::root_ = nullptr;

TEST_F(TlsRefusalTest, EachRefusedCertificateGetsItsOwnReasonAfterTheFailure) {
  // The control: the same CA's certificate for the right name is accepted, so the CA was trusted
  // and every refusal below is the certificate's own fault.
  auto good = get("good");
  ASSERT_TRUE(good.ok()) << good.error().display() << "\n" << good.error().detail();
  EXPECT_EQ(good->status, 200u);

  struct Fault {
    std::string server;
    std::string reason;
    std::string issuer;
    std::string validity;  // empty: the certificate's own, made today
  };
  const std::vector<Fault> faults = {
      {"wrongname", "name mismatch", "CN=Corvald Test Root", ""},
      {"expired", "expired or not yet valid", "CN=Corvald Test Root",
       "valid 2024-01-01 00:00:00 UTC to 2024-02-01 00:00:00 UTC"},
      {"unknownca", "unknown CA", "CN=Intercepting Proxy CA", ""},
  };
  const std::vector<std::string> reasons = {"name mismatch", "expired or not yet valid",
                                            "unknown CA"};
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.server);
    auto refused = get(fault.server);
    ASSERT_FALSE(refused.ok());
    const StubError& error = refused.error();
    EXPECT_EQ(error.kind(), StubError::Kind::network);
    // The failure line itself keeps its fixed form; the code travels for the where line.
    EXPECT_EQ(error.text().rfind("WinHttpSendRequest: ", 0), 0u) << error.text();
    EXPECT_NE(error.system_code(), 0u);

    const std::string line = why_line("[main] ", error);
    std::printf("%s\n", line.c_str());
    EXPECT_EQ(line.rfind("[main] why: WinHTTP error " + std::to_string(error.system_code()), 0), 0u)
        << line;
    // Wine delivers no secure-failure callback: the flags come from the second handshake.
    EXPECT_NE(line.find("a second handshake, no request sent, found: " + fault.reason + ";"),
              std::string::npos)
        << line;
    for (const std::string& other : reasons) {
      if (other != fault.reason) {
        EXPECT_EQ(line.find(other), std::string::npos) << line;
      }
    }
    EXPECT_NE(
        line.find("subject \"CN=" + fault.server + ".test\", issuer \"" + fault.issuer + "\""),
        std::string::npos)
        << line;
    if (!fault.validity.empty()) {
      EXPECT_NE(line.find(fault.validity), std::string::npos) << line;
    }
    EXPECT_NE(line.find("; machine time " + today_utc() + " "), std::string::npos) << line;
    for (const char* secret : {"querysecret", "cookiesecret", "last.yml"}) {
      EXPECT_EQ(line.find(secret), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace corvald::net
