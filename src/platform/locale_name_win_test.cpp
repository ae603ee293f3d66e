#include "platform/locale_name.hpp"

#include <gtest/gtest.h>

namespace corvald::platform {
namespace {

TEST(PlatformLocaleName, ReportsTheUserLocaleWithoutTerminator) {
  const auto name = user_default_locale_name();
  ASSERT_TRUE(name.has_value());
  ASSERT_FALSE(name->empty());
  // The API's count includes the terminating zero, which must not reach the name.
  EXPECT_EQ(name->find('\0'), std::string::npos);
}

}  // namespace
}  // namespace corvald::platform
