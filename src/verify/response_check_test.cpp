#include "verify/response_check.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace corvald::verify {
namespace {

constexpr bool kYaml = true;
constexpr bool kBinary = false;
const std::string kYamlMarkup = "expected YAML feed but response starts with `<` (HTML?)";
const std::string kBinaryMarkup = "expected binary body but response starts with HTML markup";

// The error text, or "ok" when the check passes.
std::string outcome(std::optional<std::string> content_type, std::string_view body,
                    bool expect_yaml) {
  const Result<void> result = check_response(content_type, body, expect_yaml);
  if (result) return "ok";
  EXPECT_EQ(result.error().kind(), StubError::Kind::parse);
  return result.error().text();
}

TEST(ResponseCheck, ContentTypeTable) {
  struct Case {
    const char* header;
    bool yaml_passes;
    bool binary_passes;
  };
  const Case cases[] = {
      {"text/html", false, false},
      {"  TEXT/html  ;q=1", false, false},
      {"application/xhtml+xml", false, false},
      {"text/plain; charset=utf-8", true, false},
      {"text/yaml", true, false},
      {"text/html-ish", true, false},
      {"Application/JSON;charset=utf-8", true, false},
      {"application/octet-stream", true, true},
      {"application/yaml", true, true},
      {"application/jsonp", true, true},
      {"texts/html", true, true},
      {"", true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(outcome(std::string(c.header), "version: 1", kYaml) == "ok", c.yaml_passes)
        << c.header;
    EXPECT_EQ(outcome(std::string(c.header), "MZ", kBinary) == "ok", c.binary_passes) << c.header;
  }
}

TEST(ResponseCheck, ContentTypeIsJudgedFirstAndQuotedAsLogSafeText) {
  EXPECT_EQ(outcome(std::string("Text/HTML; charset=UTF-8"), "<html>", kYaml),
            "expected YAML feed but got Content-Type=Text/HTML; charset=UTF-8 (captive portal?)");
  EXPECT_EQ(outcome(std::string(" text/plain; charset=utf-8 "), "<html>", kBinary),
            "expected binary body but got Content-Type=text/plain; charset=utf-8 "
            "(captive portal?)");
  // Control bytes and invalid UTF-8 from the network never reach the log line.
  EXPECT_EQ(outcome(std::string("text/html;\r\nX-Evil: 1\x1B[2J\xFF\xC3"), "", kYaml),
            "expected YAML feed but got Content-Type=text/html;  X-Evil: 1 [2J"
            "\xEF\xBF\xBD\xEF\xBF\xBD (captive portal?)");
}

TEST(ResponseCheck, YamlBodyTable) {
  for (const char* markup : {"<!DOCTYPE html>", "\xEF\xBB\xBF<html>", "<"}) {
    EXPECT_EQ(outcome(std::nullopt, markup, kYaml), kYamlMarkup) << markup;
  }
  EXPECT_EQ(outcome(std::string("text/yaml"), "<html>", kYaml), kYamlMarkup);
  // Whitespace before the markup, a second byte-order mark, a cut-off one: all pass.
  for (const char* body : {"version: 1.4.0\n", "\xEF\xBB\xBFversion: 1", " <html>", "\n<html>",
                           "\xEF\xBB\xBF", "\xEF\xBB", "", "\xEF\xBB\xBF\xEF\xBB\xBF<"}) {
    EXPECT_EQ(outcome(std::nullopt, body, kYaml), "ok") << body;
  }
}

TEST(ResponseCheck, BinaryBodyTable) {
  for (const char* markup : {"<!DOCTYPE html>", "<?xml version=\"1.0\"?>", "<h", "<H", "<D", "<d",
                             "<HTML>", "<Html>", "\xEF\xBB\xBF<!--"}) {
    EXPECT_EQ(outcome(std::nullopt, markup, kBinary), kBinaryMarkup) << markup;
  }
  EXPECT_EQ(outcome(std::string("application/octet-stream"), "<d", kBinary), kBinaryMarkup);
  for (const char* body : {"MZ\x90", "<b>bold</b>", "<", "<x", " <html>", "", "\xEF\xBB\xBF<"}) {
    EXPECT_EQ(outcome(std::nullopt, body, kBinary), "ok") << body;
  }
  EXPECT_EQ(outcome(std::nullopt, std::string("\0<html>", 7), kBinary), "ok");
}

}  // namespace
}  // namespace corvald::verify
