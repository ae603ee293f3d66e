#include "verify/file_digest.hpp"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <string>

#include "logfile/test/log_test_support.hpp"

namespace corvald::verify {
namespace {

using logfile::testing::TempDir;
using logfile::testing::write_file;

std::string digest_of_text(const std::string& content) {
  TempDir dir;
  write_file(dir.path() / "f", content);
  auto digest = sha512_base64_of_file(dir.path() / "f");
  EXPECT_TRUE(digest.ok());
  return digest.ok() ? *digest : std::string();
}

TEST(FileDigest, MatchesTheNistVectorsInTheFeedsBase64Form) {
  EXPECT_EQ(
      digest_of_text("abc"),
      "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw==");
  EXPECT_EQ(
      digest_of_text(""),
      "z4PhNX7vuL3xVChQ1m2AB9Yg5AULVxXcg/SpIdNs6c5H0NE8XYXysP+DGNKHfuwvY7kxvUdBeoGlODJ6+SfaPg==");
}

// Several buffer refills and a short last block: a dropped or repeated block would show.
TEST(FileDigest, FileLargerThanTheReadBufferHashesLikeTheSameBytesInMemory) {
  std::string content(2 * 1024 * 1024 + 4321, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 251);
  unsigned char expected[SHA512_DIGEST_LENGTH];
  SHA512(reinterpret_cast<const unsigned char*>(content.data()), content.size(), expected);
  EXPECT_EQ(digest_of_text(content),
            base64_encode(std::string_view(reinterpret_cast<const char*>(expected), 64)));
}

TEST(FileDigest, MissingFileIsAnIoError) {
  TempDir dir;
  auto digest = sha512_base64_of_file(dir.path() / "absent.exe");
  ASSERT_FALSE(digest.ok());
  EXPECT_EQ(digest.error().kind(), StubError::Kind::io);
}

TEST(FileDigestBase64, EncodesTheRfc4648VectorsAndTheWholeAlphabet) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foob"), "Zm9vYg==");
  EXPECT_EQ(base64_encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  // High bytes must not sign-extend, and 62 and 63 are "+" and "/".
  EXPECT_EQ(base64_encode("\xFB\xFF\xBF"), "+/+/");
  EXPECT_EQ(base64_encode(std::string("\x00\x10\x83", 3)), "ABCD");
}

}  // namespace
}  // namespace corvald::verify
