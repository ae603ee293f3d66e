#include "net/service.hpp"

#include <gtest/gtest.h>

#include "build_info.hpp"

namespace corvald::net {
namespace {

TEST(ServiceOriginTest, OverrideReplacesTheBuildOriginAndLosesTrailingSlashes) {
  EXPECT_EQ(service_origin_from(std::nullopt), build_info::service_origin);
  EXPECT_EQ(service_origin_from(std::string("")), build_info::service_origin);
  EXPECT_EQ(service_origin_from(std::string("http://127.0.0.1:18080/")), "http://127.0.0.1:18080");
  EXPECT_EQ(service_origin_from(std::string("http://127.0.0.1:18080")), "http://127.0.0.1:18080");
}

}  // namespace
}  // namespace corvald::net
