#include "platform/child_process.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/registry.hpp"

namespace corvald::platform {
namespace {

TEST(QuoteWindowsArg, QuotesOnlyWhatCommandLineToArgvWWouldSplitOrUnescape) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"/S", "/S"},
      {"", "\"\""},
      {"C:\\Program Files\\App", "\"C:\\Program Files\\App\""},
      {"C:\\my dir\\", "\"C:\\my dir\\\\\""},  // doubled before the closing quote
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},  // backslash before a quote: 2n+1
      {"v\vtab", "\"v\vtab\""},
  };
  for (const auto& c : cases) EXPECT_EQ(quote_windows_arg(c.in), c.out) << c.in;
}

std::string decode(std::vector<std::uint8_t> bytes) { return decode_registry_text(bytes); }

TEST(RegistryText, DecodesLikeTheProbeReadsUntrustedEntries) {
  EXPECT_EQ(decode({'1', 0, '.', 0, '2', 0, 0, 0}), "1.2");
  EXPECT_EQ(decode({'a', 0, 0, 0, 'b', 0}), "a");                   // stops at the first NUL unit
  EXPECT_EQ(decode({'a', 0, 'b'}), "a");                            // odd last byte dropped
  EXPECT_EQ(decode({0x00, 0xD8, 'x', 0}), "\xEF\xBF\xBDx");         // lone high surrogate
  EXPECT_EQ(decode({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");  // a surrogate pair
  EXPECT_EQ(decode({}), "");
}

}  // namespace
}  // namespace corvald::platform
