#include <gtest/gtest.h>

#include <string>

#include "feed/feed_url.hpp"
#include "feed/parse_feed.hpp"
#include "net/service.hpp"

namespace corvald::feed {
namespace {

// The error text of a failed parse, or "ok".
std::string outcome(std::string_view body) {
  const Result<Feed> feed = parse_feed(body, checkupdate_base(std::nullopt));
  if (feed) return "ok";
  EXPECT_EQ(feed.error().kind(), StubError::Kind::parse);
  return feed.error().text();
}

Feed parsed(std::string_view body) {
  Result<Feed> feed = parse_feed(body, checkupdate_base(std::nullopt));
  if (!feed) {
    ADD_FAILURE() << feed.error().text() << "\n" << body;
    return {};
  }
  return std::move(feed).value();
}

TEST(FeedUrl, FeedLocationAndOnlyLowerCaseHttpSchemesAreAbsolute) {
  EXPECT_EQ(feed_url(std::nullopt), net::service_origin_from(std::nullopt) +
                                        "/api/voice-realtime/checkupdate/win-x64/last.yml");
  const std::string base = "https://u.example/api/voice-realtime/checkupdate/win-x64/";
  EXPECT_EQ(resolve_installer_url("https://cdn.example/a.exe", base), "https://cdn.example/a.exe");
  EXPECT_EQ(resolve_installer_url("http://cdn.example/a.exe", base), "http://cdn.example/a.exe");
  EXPECT_EQ(resolve_installer_url("HTTPS://cdn.example/a.exe", base),
            base + "HTTPS://cdn.example/a.exe");
  // Appended as written: no trimming, no encoding, a leading "/" gives two.
  EXPECT_EQ(resolve_installer_url(" a b%20.exe?x=1", base), base + " a b%20.exe?x=1");
  EXPECT_EQ(resolve_installer_url("/a.exe", base), base + "/a.exe");
  EXPECT_EQ(resolve_installer_url("a.exe", "http://127.0.0.1:18080/x"),
            "http://127.0.0.1:18080/x/a.exe");
}

TEST(ParseFeedSource, FirstFilesEntryWinsOverPathAndFallsBackToTopLevelDigestAndSize) {
  const Feed own = parsed(R"(version: 1.4.0
path: Old.exe
sha512: TOP
size: 1
files:
  - {url: "https://cdn.example/New.exe", sha512: OWN, size: 2}
  - {url: Second.exe, sha512: SECOND, size: 3}
)");
  EXPECT_EQ(own.url, "https://cdn.example/New.exe");
  EXPECT_EQ(own.sha512, "OWN");
  EXPECT_EQ(own.size, 2u);

  const Feed inherited =
      parsed("version: 1.4.0\npath: Old.exe\nsha512: TOP\nsize: 1\nfiles: [{url: New.exe}]\n");
  EXPECT_EQ(inherited.url, checkupdate_base(std::nullopt) + "New.exe");
  EXPECT_EQ(inherited.sha512, "TOP");
  EXPECT_EQ(inherited.size, 1u);

  const Feed mixed =
      parsed("version: 1\nsha512: TOP\nsize: 1\nfiles: [{url: N.exe, size: 7, sha512: ~}]\n");
  EXPECT_EQ(mixed.sha512, "TOP");
  EXPECT_EQ(mixed.size, 7u);
}

TEST(ParseFeedSource, EmptyOrNullFilesFallsBackToPath) {
  for (const char* files : {"files: []\n", "files: ~\n", "files:\n", ""}) {
    const Feed feed =
        parsed(std::string("version: 2\npath: Setup-1.4.0.exe\nsha512: H\nsize: 9\n") + files);
    EXPECT_EQ(feed.url, checkupdate_base(std::nullopt) + "Setup-1.4.0.exe") << files;
    EXPECT_EQ(feed.version, "2");
    EXPECT_EQ(feed.release_date, std::nullopt);
  }
}

TEST(ParseFeedSource, FirstMissingItemIsReportedInTheOrderUrlDigestSize) {
  EXPECT_EQ(outcome("version: 1\nsha512: H\nsize: 1\n"), "feed: missing path and files[]");
  EXPECT_EQ(outcome("version: 1\nfiles: []\n"), "feed: missing path and files[]");
  EXPECT_EQ(outcome("version: 1\npath: a.exe\n"), "feed: missing sha512");
  EXPECT_EQ(outcome("version: 1\nfiles: [{url: a.exe, size: 3}]\n"), "feed: missing sha512");
  EXPECT_EQ(outcome("version: 1\npath: a.exe\nsha512: H\n"), "feed: missing size");
  EXPECT_EQ(outcome("version: 1\npath: a.exe\nsha512: H\nsize: ~\n"), "feed: missing size");
  // A second entry's digest is never borrowed.
  EXPECT_EQ(outcome("version: 1\nfiles: [{url: a}, {url: b, sha512: H, size: 1}]\n"),
            "feed: missing sha512");
}

TEST(ParseFeedShape, MissingAndDuplicatedFields) {
  EXPECT_EQ(outcome("path: a.exe\nsha512: H\nsize: 1\n"), "yaml: missing field `version`");
  EXPECT_EQ(outcome("Version: 1\npath: a.exe\nsha512: H\nsize: 1\n"),
            "yaml: missing field `version`");
  EXPECT_EQ(outcome("version: 1\nfiles: [{URL: a.exe, sha512: H, size: 1}]\n"),
            "yaml: missing field `url`");
  EXPECT_EQ(outcome("version: 1\nsha512: H\nsize: 1\nfiles: [{url: a}, {sha512: H}]\n"),
            "yaml: missing field `url`");
  EXPECT_EQ(outcome("version: 1\npath: a\nsha512: H\nsize: 1\nversion: 2\n"),
            "yaml: duplicate field `version`");
  EXPECT_EQ(outcome("version: 1\n\"version\": 2\npath: a\nsha512: H\nsize: 1\n"),
            "yaml: duplicate field `version`");
  EXPECT_EQ(outcome("version: 1\nsha512: H\nsize: 1\nfiles: [{url: a, url: b}]\n"),
            "yaml: duplicate field `url`");
  EXPECT_EQ(outcome("version: 1\nsize: 1\nsize: 1\npath: a\nsha512: H\n"),
            "yaml: duplicate field `size`");
  // Unknown keys may repeat, and listed keys may reappear in other mappings.
  EXPECT_EQ(outcome("version: 1\nx: 1\nx: 2\npath: a\nsha512: H\nsize: 1\nmeta: {version: 3}\n"),
            "ok");
}

TEST(ParseFeedShape, CollectionsAndNullWhereTextIsExpected) {
  const std::string tail = "path: a\nsha512: H\nsize: 1\n";
  EXPECT_EQ(outcome("version: {major: 1}\n" + tail),
            "yaml: invalid type for `version` at line 1 column 10: expected a string, "
            "found a mapping");
  EXPECT_EQ(outcome("version: ~\n" + tail),
            "yaml: invalid type for `version` at line 1 column 10: expected a string, found null");
  EXPECT_EQ(outcome("version: 1\nfiles: {url: a}\nsha512: H\nsize: 1\n"),
            "yaml: invalid type for `files` at line 2 column 8: expected a sequence, "
            "found a mapping");
  EXPECT_EQ(outcome("version: 1\nfiles: [a.exe]\nsha512: H\nsize: 1\n"),
            "yaml: invalid type for `files[0]` at line 2 column 9: expected a mapping, "
            "found a string");
  EXPECT_EQ(outcome("- version: 1\n"),
            "yaml: expected a mapping at the top level, found a sequence at line 1 column 1");
  EXPECT_EQ(outcome("---\n"),
            "yaml: expected a mapping at the top level, found null at line 2 column 1");
  for (const std::string& body : std::initializer_list<std::string>{
           "version: 1\npath: a\nsha512: {}\nsize: 1\n", "version: 1\nreleaseDate: []\n" + tail,
           "version: 1\nfiles: [{url: [a]}]\n" + tail, "version: 1\nfiles: [~]\n" + tail}) {
    EXPECT_TRUE(outcome(body).starts_with("yaml: invalid type for `")) << body;
  }
}

TEST(ParseFeedShape, AnyScalarIsTextAndKeepsItsSpelling) {
  const Feed feed = parsed(
      "version: 1.10\npath: 2026\nsha512: true\nsize: 1\nreleaseDate: 2026-11-30T10:15:00Z\n");
  EXPECT_EQ(feed.version, "1.10");
  EXPECT_EQ(feed.url, checkupdate_base(std::nullopt) + "2026");
  EXPECT_EQ(feed.sha512, "true");
  EXPECT_EQ(feed.release_date, "2026-11-30T10:15:00Z");
  EXPECT_EQ(parsed("version: !!str 010\npath: a\nsha512: H\nsize: 1\n").version, "010");
  EXPECT_EQ(parsed("version: ''\npath: a\nsha512: H\nsize: 1\n").version, "");
}

TEST(ParseFeedShape, ControlCharactersInKeptTextAreRefused) {
  EXPECT_EQ(outcome("version: 1\nfiles: [{url: \"a\\0.exe\", sha512: H, size: 1}]\n"),
            "yaml: invalid value for `files[0].url` at line 2 column 15: control characters "
            "are not allowed");
  EXPECT_NE(outcome("version: \"1\\n[INFO] forged\"\npath: a\nsha512: H\nsize: 1\n"), "ok");
  EXPECT_NE(outcome("version: |\n  1.0\npath: a\nsha512: H\nsize: 1\n"), "ok");
}

TEST(ParseFeedShape, SizeMustBeAPlainUnsignedDecimal) {
  const auto size_outcome = [](const std::string& size) {
    return outcome("version: 1\npath: a\nsha512: H\nsize: " + size + "\n");
  };
  EXPECT_EQ(parsed("version: 1\npath: a\nsha512: H\nsize: 0\n").size, 0u);
  EXPECT_EQ(parsed("version: 1\npath: a\nsha512: H\nsize: 18446744073709551615\n").size,
            18446744073709551615u);
  EXPECT_EQ(size_outcome("-1"),
            "yaml: invalid type for `size` at line 4 column 7: expected an unsigned decimal "
            "integer, found a negative number");
  const std::pair<const char*, const char*> refused[] = {
      {"18446744073709551616", "a number above 18446744073709551615"},
      {"1.5", "a floating-point number"},
      {"0x10", "a hexadecimal, octal or binary number"},
      {"017", "a number with a leading zero"},
      {"+5", "a number with a sign"},
      {"'123'", "a quoted string"},
      {"|\n  123", "a block scalar"},
      {"1_000", "text that is not a number"},
      {"{a: 1}", "a mapping"},
  };
  for (const auto& [size, found] : refused) {
    const std::string error = size_outcome(size);
    EXPECT_TRUE(error.starts_with("yaml: invalid type for `size` at line 4"))
        << size << " -> " << error;
    EXPECT_TRUE(error.ends_with(found)) << size << " -> " << error;
  }
  EXPECT_TRUE(outcome("version: 1\nsha512: H\nfiles: [{url: a, size: -3}]\n")
                  .starts_with("yaml: invalid type for `files[0].size`"));
}

TEST(ParseFeedYaml, DocumentLevelFailures) {
  EXPECT_EQ(outcome(""), "yaml: the body holds no YAML document");
  EXPECT_EQ(outcome("# nothing but a comment\n\n"), "yaml: the body holds no YAML document");
  EXPECT_EQ(outcome("version: 1\npath: a\nsha512: H\nsize: 1\n---\nversion: 2\n"),
            "yaml: expected a single document, found another at line 5 column 1");
  EXPECT_EQ(outcome("version: 1\n---\n- [\n"),
            "yaml: while parsing a flow node at line 4 column 1, did not find expected node "
            "content at line 4 column 1");
  EXPECT_EQ(outcome("version: *v\n"), "yaml: found undefined alias at line 1 column 10");
  EXPECT_EQ(outcome("version: 1\n\tpath: a\n").substr(0, 6), "yaml: ");
  EXPECT_EQ(outcome("version: 1\npath: \xFF\n"), "yaml: invalid leading UTF-8 octet at byte 17");
  EXPECT_EQ(outcome(std::string("version: 1\0\n", 12)),
            "yaml: control characters are not allowed at byte 10");
  // UTF-16, even with its byte-order mark, is not a feed.
  EXPECT_EQ(outcome(std::string("\xFF\xFEv\0:\0 \0"
                                "1\0",
                                10)),
            "yaml: UTF-16 byte-order mark found, the feed must be UTF-8");
  EXPECT_EQ(outcome("\xFE\xFF"), "yaml: UTF-16 byte-order mark found, the feed must be UTF-8");
  EXPECT_EQ(parsed("\xEF\xBB\xBFversion: 1\npath: a\nsha512: H\nsize: 1\n").url,
            checkupdate_base(std::nullopt) + "a");
}

}  // namespace
}  // namespace corvald::feed
