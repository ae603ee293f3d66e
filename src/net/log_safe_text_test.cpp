#include "net/log_safe_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace corvald::net {
namespace {

TEST(LogSafeText, MasksKeyValueSecretsInAnyCaseAndInsideLongerWords) {
  EXPECT_EQ(log_safe_text("sig=abcdefghij&x=1"), "sig=abc***hij&x=1");
  EXPECT_EQ(log_safe_text("SIG=abcdefghij"), "SIG=abc***hij");
  EXPECT_EQ(log_safe_text("a=1&mysig=abcdefghij"), "a=1&mysig=abc***hij");
  EXPECT_EQ(log_safe_text("Signature=0123456789&Token=9876543210"),
            "Signature=012***789&Token=987***210");
  EXPECT_EQ(log_safe_text("sig=aaaaaaaaaa&sig=bbbbbbbbbb"), "sig=aaa***aaa&sig=bbb***bbb");
}

TEST(LogSafeText, KeyValueEndsAtEachStopCharacter) {
  for (const std::string stop : {"\"", "&", ",", "}", " ", "\t", "\n", "\xE3\x80\x80"}) {
    const std::string after = stop == "\t" || stop == "\n" ? " " : stop;
    EXPECT_EQ(log_safe_text("sig=abcdefghij" + stop + "rest"), "sig=abc***hij" + after + "rest")
        << "stop character " << stop;
  }
}

TEST(LogSafeText, ShortAndEmptyKeyValuesAndTheDoublePassOfAccessToken) {
  EXPECT_EQ(log_safe_text("token=abcdef&x=1"), "token=abcdef&x=1");
  EXPECT_EQ(log_safe_text("sig=&x=1"), "sig=<empty>&x=1");
  EXPECT_EQ(log_safe_text("access_token=abcdefghij"), "access_token=abc***hij");
  EXPECT_EQ(log_safe_text("access_token=&x=1"), "access_token=<empty>&x=1");
}

TEST(LogSafeText, MasksJsonStringFields) {
  EXPECT_EQ(log_safe_text(R"({"access_token": "0123456789"})"), R"({"access_token": "012***789"})");
  EXPECT_EQ(log_safe_text(R"({"token":"abcdef"})"), R"({"token":"abcdef"})");
  EXPECT_EQ(log_safe_text(R"({"token":""})"), R"({"token":"<empty>"})");
  EXPECT_EQ(log_safe_text("{\"Signature\" :\n\t\"abcdefghij\"}"),
            R"({"Signature" :  "abc***hij"})");
  EXPECT_EQ(log_safe_text(R"({"token":"abcdefghij)"), R"({"token":"abc***hij)");
}

TEST(LogSafeText, JsonValueIsMaskedWholeThroughEscapesAndOverlappingKeys) {
  EXPECT_EQ(log_safe_text(R"({"token":"abc\"SECRETVALUE123"})"), R"({"token":"abc***123"})");
  EXPECT_EQ(log_safe_text(R"({"sig":"a\\\"SECRETVALUE123\\"})"), R"({"sig":"a*****3**"})");
  EXPECT_EQ(log_safe_text(R"("sig"sig":"SECRETVALUE123")"), R"("sig"sig":"SEC***123")");
  // A key=value inside a secret goes with it; its masking must not unescape the JSON quote.
  EXPECT_EQ(log_safe_text(R"({"token":"x sig=abcdefg\\\"SECRETVALUE123"})"),
            R"({"token":"x s***123"})");
  // Kept backslashes become stars, so the masked text reads back as the same field.
  const std::string once = log_safe_text(R"({"sig":"abcdefgh\\\\","x":"SECRETVALUE123"})");
  EXPECT_EQ(once, R"({"sig":"abc******","x":"SECRETVALUE123"})");
  EXPECT_EQ(log_safe_text(once), once);
  // A short JSON secret is shown as it is; masking a key=value in it would lengthen it into
  // one that the next reading masks.
  EXPECT_EQ(log_safe_text(R"({"sig":"sig="})"), R"({"sig":"sig="})");
}

TEST(LogSafeText, JsonFieldNeedsOnlyWhitespaceAroundTheColon) {
  EXPECT_EQ(log_safe_text(R"("token" x: "abcdefghij")"), R"("token" x: "abcdefghij")");
  EXPECT_EQ(log_safe_text(R"("token": x"abcdefghij")"), R"("token": x"abcdefghij")");
  // A rejected match does not end the search for that key.
  EXPECT_EQ(log_safe_text(R"("token" is "x", "token": "abcdefghij")"),
            R"("token" is "x", "token": "abc***hij")");
}

TEST(LogSafeText, ControlCharactersBecomeBlanksAndInvalidBytesReplacementCharacters) {
  EXPECT_EQ(log_safe_text("a\x01"
                          "b\x7F"
                          "c\xC2\x9F"
                          "d\r\ne"),
            "a b c d  e");
  EXPECT_EQ(log_safe_text("ok\xFF!\xE2\x82"), "ok\xEF\xBF\xBD!\xEF\xBF\xBD");
}

TEST(LogSafeText, BoundsLengthInCharactersThenTrims) {
  EXPECT_EQ(log_safe_text(std::string(600, 'a')), std::string(512, 'a') + "...[truncated]");
  EXPECT_EQ(log_safe_text(std::string(512, 'a')), std::string(512, 'a'));

  std::string euros;
  for (int i = 0; i < 600; ++i) euros += "\xE2\x82\xAC";
  EXPECT_EQ(log_safe_text(euros), euros.substr(0, 512 * 3) + "...[truncated]");

  EXPECT_EQ(log_safe_text("\r\n  \n\t "), "");
  EXPECT_EQ(log_safe_text("\n  body text \r\n"), "body text");
}

TEST(LogSafeText, MaskSecretCountsCharactersNotBytes) {
  EXPECT_EQ(mask_secret(""), "<empty>");
  EXPECT_EQ(mask_secret("abcdef"), "abcdef");
  EXPECT_EQ(mask_secret("abcdefg"), "abc***efg");
  EXPECT_EQ(mask_secret("äöüßéàç"), "äöü***éàç");
  EXPECT_EQ(mask_secret("<empty>"), "<empty>");
}

}  // namespace
}  // namespace corvald::net
