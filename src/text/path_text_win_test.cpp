#include "text/path_text.hpp"

#include <gtest/gtest.h>

#include "text/format.hpp"

namespace corvald::text {
namespace {

// std::filesystem's own conversions throw on an unpaired surrogate; a log line about such a
// file must not end the process.
TEST(PathText, UnpairedSurrogatesAreRefusedOrReplacedWithoutThrowing) {
  const std::filesystem::path broken(std::wstring(L"logs\\a") + wchar_t(0xD800) + L"b.log");
  EXPECT_EQ(path_to_utf8_strict(broken), std::nullopt);
  EXPECT_EQ(path_to_utf8(broken),
            "logs\\a\xEF\xBF\xBD"
            "b.log");
  EXPECT_EQ(format("[{}]", broken),
            "[logs\\a\xEF\xBF\xBD"
            "b.log]");

  const std::filesystem::path pair(std::wstring(L"caf\u00E9 ") + wchar_t(0xD83D) + wchar_t(0xDE00));
  EXPECT_EQ(path_to_utf8_strict(pair), "caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(path_to_utf8(pair), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace corvald::text
