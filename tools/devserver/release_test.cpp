#include "release.hpp"

#include <gtest/gtest.h>

#include "feed_text.hpp"
#include "temp_folder.hpp"

namespace corvald::devserver {
namespace {

TEST(Sha512Test, MatchesPublishedVectorsInBase64) {
  // NIST FIPS 180-2 examples; the hex digests are ddaf35a1...a54ca49f and 204a8fc6...38ca3445.
  EXPECT_EQ(
      sha512_base64("abc"),
      "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw==");
  EXPECT_EQ(
      sha512_base64("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
      "IEqPxt2oLwoM7XvrjgikFlfBbvRosiioJ5vjMacDwzWW/RXBOxsH+aodO+pXeJygMa2Fx6cd1wNU7GMSOMo0RQ==");
  EXPECT_EQ(
      sha512_base64(""),
      "z4PhNX7vuL3xVChQ1m2AB9Yg5AULVxXcg/SpIdNs6c5H0NE8XYXysP+DGNKHfuwvY7kxvUdBeoGlODJ6+SfaPg==");
}

TEST(Sha512Test, FileDigestCoversEveryReadBuffer) {
  TempFolder folder;
  std::string bytes(5 * (1 << 20) / 2 + 7, '\0');  // two and a half read buffers
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 251);
  const auto file = folder.write("big.bin", bytes);
  const auto digest = sha512_base64_of_file(file);
  ASSERT_TRUE(digest) << digest.error();
  EXPECT_EQ(digest.value(), sha512_base64(bytes));
  EXPECT_FALSE(sha512_base64_of_file(folder.path() / "missing.bin"));
}

TEST(ReleaseFileTest, PicksTheOnlyFileOrTheOnlyInstaller) {
  EXPECT_EQ(pick_release_file({"notes.txt"}).value(), "notes.txt");
  EXPECT_EQ(pick_release_file({"a.txt", "Setup-1.4.0.exe", "b.blockmap"}).value(),
            "Setup-1.4.0.exe");
  EXPECT_EQ(pick_release_file({"README", "SETUP.EXE"}).value(), "SETUP.EXE");
  EXPECT_FALSE(pick_release_file({}));
  EXPECT_FALSE(pick_release_file({"a.exe", "b.exe"}));
  EXPECT_FALSE(pick_release_file({"a.txt", "b.txt"}));
  EXPECT_FALSE(pick_release_file({".exe", "b.txt"}));  // a name that is only the extension
}

TEST(ReleaseFileTest, LoadsSizeAndDigestFromTheFolder) {
  TempFolder folder;
  folder.write("Setup-1.4.0.exe", "abc");
  folder.write("latest.txt", "ignored");
  std::filesystem::create_directory(folder.path() / "sub.exe");  // folders do not count
  const auto release = load_release(folder.path(), "1.4.0", std::nullopt);
  ASSERT_TRUE(release) << release.error();
  EXPECT_EQ(release.value().file_name, "Setup-1.4.0.exe");
  EXPECT_EQ(release.value().size, 3u);
  EXPECT_EQ(release.value().sha512_base64, sha512_base64("abc"));

  folder.write("Other.exe", "x");
  EXPECT_FALSE(load_release(folder.path(), "1.4.0", std::nullopt));
  EXPECT_FALSE(load_release(folder.path() / "missing", "1.4.0", std::nullopt));
}

TEST(ReleaseFileTest, RefusesValuesThatWouldBreakTheFeedLines) {
  TempFolder folder;
  folder.write("Setup.exe", "abc");
  EXPECT_FALSE(load_release(folder.path(), "1.0\nsize: 1", std::nullopt));
  EXPECT_FALSE(load_release(folder.path(), "1.0", std::string("2024\r\n")));
}

TEST(FeedTextTest, WritesTheFeedLinesInOrder) {
  Release release;
  release.file_name = "Setup-1.4.0.exe";
  release.size = 123456789012;
  release.sha512_base64 = "3a81oZNh+/==";
  release.version = "1.4.0";
  EXPECT_EQ(feed_yaml(release),
            "version: 1.4.0\npath: Setup-1.4.0.exe\nsha512: 3a81oZNh+/==\nsize: 123456789012\n");
  release.date = "2024-05-01T10:00:00.000Z";
  EXPECT_EQ(feed_yaml(release),
            "version: 1.4.0\npath: Setup-1.4.0.exe\nsha512: 3a81oZNh+/==\nsize: 123456789012\n"
            "releaseDate: '2024-05-01T10:00:00.000Z'\n");
}

TEST(FeedTextTest, QuotesValuesAYamlReaderWouldNotReadBackAsTheSameString) {
  EXPECT_EQ(yaml_scalar("1.4.0"), "1.4.0");
  EXPECT_EQ(yaml_scalar("2.0.0-beta.1+build5"), "2.0.0-beta.1+build5");
  EXPECT_EQ(yaml_scalar("2"), "'2'");
  EXPECT_EQ(yaml_scalar("1.10"), "'1.10'");
  EXPECT_EQ(yaml_scalar("1e5"), "'1e5'");
  EXPECT_EQ(yaml_scalar("0x1F"), "'0x1F'");
  EXPECT_EQ(yaml_scalar("Yes"), "'Yes'");
  EXPECT_EQ(yaml_scalar("null"), "'null'");
  EXPECT_EQ(yaml_scalar("My Setup: #1.exe"), "'My Setup: #1.exe'");
  EXPECT_EQ(yaml_scalar("it's"), "'it''s'");
  EXPECT_EQ(yaml_scalar("-1.0"), "'-1.0'");
  EXPECT_EQ(yaml_scalar(""), "''");
}

}  // namespace
}  // namespace corvald::devserver
