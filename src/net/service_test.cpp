#include "net/service.hpp"

#include <gtest/gtest.h>

#include "build_info.hpp"

namespace corvald::net {
namespace {

TEST(ServiceOriginTest, OverrideReplacesTheBuildOriginAndLosesTrailingSlashes) {
  EXPECT_EQ(service_origin_from(std::nullopt), build_info::service_origin);
  EXPECT_EQ(service_origin_from(std::string("")), build_info::service_origin);
  EXPECT_EQ(service_origin_from(std::string("http://127.0.0.1:18080/")), "http://127.0.0.1:18080");
  EXPECT_EQ(service_origin_from(std::string("https://staging.example:8443")),
            "https://staging.example:8443");
  // An override refused falls back to the build origin, not to nothing.
  EXPECT_EQ(service_origin_from(std::string("http://updates.example")), build_info::service_origin);
}

TEST(ServiceOriginTest, PlainHttpOnlyToLoopbackHosts) {
  for (const char* safe : {"https://updates.example", "HTTPS://Updates.Example/",
                           "http://127.0.0.1", "http://127.255.0.9:8080/", "http://localhost:18080",
                           "HTTP://LocalHost", "http://[::1]:18080", "http://[::1]"}) {
    EXPECT_TRUE(service_override_is_safe(safe)) << safe;
  }
  for (const char* unsafe :
       {"http://updates.example", "http://128.0.0.1", "http://127.0.0.1.example.com",
        "http://127.1", "http://127.0.0.256", "http://127.0.0.1@evil.example",
        "http://localhost.example", "http://[::2]", "http://[::1", "http://0.0.0.0",
        "ftp://127.0.0.1", "127.0.0.1:18080", "https://user@host.example"}) {
    EXPECT_FALSE(service_override_is_safe(unsafe)) << unsafe;
  }
}

}  // namespace
}  // namespace corvald::net
