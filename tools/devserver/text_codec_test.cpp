#include "text_codec.hpp"

#include <gtest/gtest.h>

namespace corvald::devserver {
namespace {

TEST(Base64Test, MatchesTheRfc4648VectorsForEveryPaddingCase) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foob"), "Zm9vYg==");
  EXPECT_EQ(base64_encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  // High bytes catch a sign-extended char; these use the last two letters of the alphabet.
  EXPECT_EQ(base64_encode("\xfb\xff\xbf"), "+/+/");
  EXPECT_EQ(base64_encode(std::string("\0\0", 2)), "AAA=");
}

TEST(Utf8Test, AcceptsEveryWellFormedLength) {
  EXPECT_TRUE(is_valid_utf8(""));
  EXPECT_TRUE(is_valid_utf8("plain ascii"));
  EXPECT_TRUE(is_valid_utf8("\xC3\xA9"));          // U+00E9
  EXPECT_TRUE(is_valid_utf8("\xE2\x82\xAC"));      // U+20AC
  EXPECT_TRUE(is_valid_utf8("\xF0\x9F\x98\x80"));  // U+1F600
  EXPECT_TRUE(is_valid_utf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last code point
  EXPECT_TRUE(is_valid_utf8(std::string("a\0b", 3)));
}

TEST(Utf8Test, RejectsMalformedSequences) {
  EXPECT_FALSE(is_valid_utf8("\x80"));              // continuation without a lead
  EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(is_valid_utf8("\xE0\x80\xAF"));      // overlong, three bytes
  EXPECT_FALSE(is_valid_utf8("\xF0\x80\x80\xAF"));  // overlong, four bytes
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // surrogate U+D800
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(is_valid_utf8("\xE2\x82"));          // cut short at the end
  EXPECT_FALSE(is_valid_utf8("\xE2\x82x"));         // cut short by ASCII
  EXPECT_FALSE(is_valid_utf8("\xFF"));
}

TEST(JsonStringTest, EscapesWhatJsonRequiresAndKeepsUtf8) {
  EXPECT_EQ(json_string(""), "\"\"");
  EXPECT_EQ(json_string("say \"hi\" \\ bye"), R"("say \"hi\" \\ bye")");
  EXPECT_EQ(json_string("a\nb\r\tc\b\f"), R"("a\nb\r\tc\b\f")");
  EXPECT_EQ(json_string(std::string("\0\x01\x1f\x7f", 4)), R"("\u0000\u0001\u001f\u007f")");
  EXPECT_EQ(json_string("caf\xC3\xA9 \xE2\x82\xAC"), "\"caf\xC3\xA9 \xE2\x82\xAC\"");
  EXPECT_EQ(json_string("/path?x=1"), "\"/path?x=1\"");
}

TEST(JsonStringTest, ReplacesInvalidBytesSoTheLineStaysUtf8) {
  EXPECT_EQ(json_string("a\xFF"
                        "b"),
            R"("a\ufffdb")");
  EXPECT_EQ(json_string("\xE2\x82"), R"("\ufffd\ufffd")");
  EXPECT_TRUE(is_valid_utf8(json_string("\xC0\xAF\xED\xA0\x80")));
}

}  // namespace
}  // namespace corvald::devserver
