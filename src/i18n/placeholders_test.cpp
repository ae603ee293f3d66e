#include "i18n/placeholders.hpp"

#include <gtest/gtest.h>

namespace corvald::i18n {
namespace {

TEST(TrWithPlaceholders, FillsEveryNamedPlaceholder) {
  EXPECT_EQ(fill_placeholders(
                "Downloading v{version} \xC2\xB7 {mb} / {mb_total} MB ({percent} %)",
                {{"percent", "40"}, {"mb_total", "50.0"}, {"mb", "20.0"}, {"version", "1.2.3"}}),
            "Downloading v1.2.3 \xC2\xB7 20.0 / 50.0 MB (40 %)");
  EXPECT_EQ(fill_placeholders("{a}{a}{b}", {{"a", "x"}, {"b", ""}}), "xx");
}

TEST(TrWithPlaceholders, MissingArgumentLeavesPlaceholder) {
  EXPECT_EQ(fill_placeholders("Send failed: {reason}", {}), "Send failed: {reason}");
  EXPECT_EQ(fill_placeholders("Send failed: {reason}", {{"Reason", "x"}, {"reason ", "y"}}),
            "Send failed: {reason}");
  EXPECT_EQ(fill_placeholders("{a} and {b}", {{"b", "2"}}), "{a} and 2");
}

TEST(TrWithPlaceholders, BraceWithoutCloseIsCopied) {
  EXPECT_EQ(fill_placeholders("50 { 60", {{" 60", "x"}}), "50 { 60");
  EXPECT_EQ(fill_placeholders("{a} then {", {{"a", "1"}}), "1 then {");
  EXPECT_EQ(fill_placeholders("{", {}), "{");
  EXPECT_EQ(fill_placeholders("} {a}", {{"a", "1"}}), "} 1");
}

TEST(TrWithPlaceholders, FirstPairOfANameWins) {
  EXPECT_EQ(fill_placeholders("{a}", {{"a", "first"}, {"a", "second"}}), "first");
}

TEST(TrWithPlaceholders, InsertedValuesAreNotExpandedAgain) {
  EXPECT_EQ(fill_placeholders("Send failed: {reason}", {{"reason", "{x}"}, {"x", "boom"}}),
            "Send failed: {x}");
  EXPECT_EQ(fill_placeholders("{reason}", {{"reason", "{reason}{reason"}}), "{reason}{reason");
}

}  // namespace
}  // namespace corvald::i18n
