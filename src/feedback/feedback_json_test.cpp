#include "feedback/feedback_json.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace corvald::feedback {
namespace {

struct JsonStringCase {
  const char* name;
  std::string json;
  std::string key;
  std::optional<std::string> expected;
};

TEST(JsonStringField, ReadsTheValuesTheServiceSends) {
  const JsonStringCase cases[] = {
      {"plain", R"({"upload_url":"https://s/x.zip"})", "upload_url", "https://s/x.zip"},
      {"escaped slashes", R"({"private_storage_url":"a\/b.zip"})", "private_storage_url",
       "a/b.zip"},
      {"escaped quote", R"({"k":"say \"hi\" now"})", "k", "say \"hi\" now"},
      {"escaped backslash before the closing quote", R"({"k":"dir\\"})", "k", "dir\\"},
      {"control escapes", R"({"k":"a\nb\rc\td"})", "k", "a\nb\rc\td"},
      {"other escapes stay as written", R"({"k":"\u00e9\b\f"})", "k", R"(\u00e9\b\f)"},
      {"number value", R"({"upload_url":5})", "upload_url", std::nullopt},
      {"number first, string later", R"({"k":5,"inner":{"k":"deep"}})", "k", "deep"},
      {"nested key", R"({"data":{"upload_url" :	"n"}})", "upload_url", "n"},
      {"white space around the colon", "{\"k\"\r\n:\n \"v\"}", "k", "v"},
      {"key text as a value is skipped", R"({"a":"k","k":"v"})", "k", "v"},
      {"key is case-sensitive", R"({"K":"v"})", "k", std::nullopt},
      {"key text after an escaped quote in a key", R"({"x\"id":"evil","id":"real"})", "id", "real"},
      {"escaped key matches unescaped", R"({"x\"id":"v"})", "x\"id", "v"},
      {"only the end of a longer key", R"({"x\"id":"evil"})", "id", std::nullopt},
      {"missing", R"({"other":"v"})", "k", std::nullopt},
      {"unterminated", R"({"k":"abc)", "k", std::nullopt},
      {"escaped final quote leaves it open", R"({"k":"abc\")", "k", std::nullopt},
      {"empty value", R"({"k":""})", "k", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(json_string_field(c.json, c.key), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace corvald::feedback
