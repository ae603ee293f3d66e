#include "i18n/locale_table.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace corvald::i18n {
namespace {

using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

// The value of "v" in a one-pair table whose value is written as `json_value`.
std::optional<std::string> single_value(const std::string& json_value) {
  const LocaleTable table = parse_locale_table("{\"v\": \"" + json_value + "\"}");
  const auto it = table.find("v");
  if (it == table.end()) return std::nullopt;
  return it->second;
}

TEST(LocaleTableReader, DecodesEscapesAndUtf8) {
  EXPECT_EQ(single_value(R"(a\/b\\c\nd\re\tf)"), "a/b\\c\nd\re\tf");
  // Any other escaped ASCII character stands for itself.
  EXPECT_EQ(single_value(R"(say \"hi\" \b\q)"), "say \"hi\" bq");
  EXPECT_EQ(single_value(R"(caf\u00e9 \u00C9\u0041 \u+0e9)"),
            "caf\xC3\xA9 \xC3\x89"
            "A \xC3\xA9");
  EXPECT_EQ(single_value("\xE6\x97\xA5 \xF0\x9F\x98\x80"), "\xE6\x97\xA5 \xF0\x9F\x98\x80");
}

TEST(LocaleTableReader, RefusedStringEndsTheTableThere) {
  const std::string broken_values[] = {
      R"(\ud83d\ude00)",  // a surrogate pair
      R"(\udc00)",       R"(\u12G4)", R"(\u-123)", R"(\u 123)",
      "\xC3(",         // a lead byte without its continuation
      "\xC0\xAF",      // overlong encoding
      "\xED\xA0\x80",  // an encoded surrogate
  };
  for (const std::string& broken : broken_values) {
    const LocaleTable table =
        parse_locale_table("{\"a\": \"1\", \"b\": \"" + broken + "\", \"c\": \"3\"}");
    EXPECT_THAT(table, UnorderedElementsAre(Pair("a", "1"))) << broken;
  }
}

TEST(LocaleTableReader, CommasAreOptionalAndLaterKeysReplace) {
  EXPECT_THAT(parse_locale_table("\r\n\t {\r\n  \"a\": \"old\" \"b\": \"2\",\r\n  \"a\":\"new\"}"),
              UnorderedElementsAre(Pair("a", "new"), Pair("b", "2")));
}

TEST(LocaleTableReader, UnexpectedStructureKeepsPairsReadSoFar) {
  const char* cases[] = {
      R"({"a": "1", "b": 2, "c": "3"})",   // a value that is not a string
      R"({"a": "1", "b" "x", "c": "3"})",  // no colon
      R"({"a": "1", c: "3"})",             // an unquoted key
      R"({"a": "1",, "c": "3"})",
      R"({"a": "1"} "c": "3"})",  // nothing after the brace is read
  };
  for (const char* text : cases) {
    EXPECT_THAT(parse_locale_table(text), UnorderedElementsAre(Pair("a", "1"))) << text;
  }
}

// Every prefix, including those ending inside an escape or a UTF-8 sequence.
TEST(LocaleTableReader, EveryTruncationKeepsOnlyIntactPairs) {
  const std::string full =
      "{\r\n  \"k1\": \"caf\\u00e9\",\r\n  \"k2\": \"\xE2\x96\xAA x\\n\",\r\n"
      "  \"k3\": \"\\\"q\\\"\"\r\n}\r\n";
  const LocaleTable whole = parse_locale_table(full);
  ASSERT_EQ(whole.size(), 3u);
  std::size_t previous_size = 0;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    const LocaleTable part = parse_locale_table(std::string_view(full).substr(0, cut));
    for (const auto& [key, value] : part) {
      ASSERT_TRUE(whole.contains(key)) << "cut at " << cut;
      EXPECT_EQ(value, whole.at(key)) << "cut at " << cut;
    }
    EXPECT_GE(part.size(), previous_size) << "cut at " << cut;
    previous_size = part.size();
  }
}

TEST(LocaleTableReader, NonObjectTextGivesEmptyTable) {
  for (const char* text : {"", "   ", "garbage", "[\"a\", \"b\"]", "\"a\": \"b\"", "{", "{}"}) {
    EXPECT_THAT(parse_locale_table(text), IsEmpty()) << text;
  }
}

}  // namespace
}  // namespace corvald::i18n
