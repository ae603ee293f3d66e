#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <variant>

#include "feed/feed_url.hpp"
#include "feed/parse_feed.hpp"
#include "verify/response_check.hpp"

namespace corvald::feed {
namespace {

namespace fs = std::filesystem;

// Feeds published by real projects, kept beside the checkout rather than in it: CI clones the
// repository next to the shared folder that holds them.
const fs::path feeds_folder = fs::path(CORVALD_SOURCE_ROOT) / ".." / "shared" / "real_feeds";

struct Installer {
  std::string version;
  std::string url;
  // The start of the digest and its length tell which entry it came from without repeating
  // the whole text.
  std::string digest_start;
  std::size_t digest_length = 0;
  std::uint64_t size = 0;
};

// An installer, or the text of the parse error.
using Outcome = std::variant<Installer, std::string>;

std::string relative(const std::string& name) { return checkupdate_base(std::nullopt) + name; }

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// What the stub makes of a feed body that came with status 200 and no Content-Type.
Outcome read_as_the_stub_does(const std::string& body) {
  if (auto checked = verify::check_response(std::nullopt, body, true); !checked) {
    return checked.error().text();
  }
  const Result<Feed> feed = parse_feed(body, checkupdate_base(std::nullopt));
  if (!feed) return feed.error().text();
  return Installer{feed->version, feed->url, feed->sha512.substr(0, 16), feed->sha512.size(),
                   feed->size};
}

std::string describe(const Outcome& outcome) {
  if (const auto* error = std::get_if<std::string>(&outcome)) return "error: " + *error;
  const auto& i = std::get<Installer>(outcome);
  return "version " + i.version + ", url " + i.url + ", digest " + i.digest_start + "... (" +
         std::to_string(i.digest_length) + " characters), size " + std::to_string(i.size);
}

// Byte-order marks with CRLF, quoted and folded values, several files entries, blanks,
// escapes and non-ASCII names in URLs, hex digests, pre-release versions, extra keys,
// placeholders and broken quoting: each feed gives the first entry's installer or names
// what is wrong with it, and every feed in the folder is held to an outcome here.
TEST(RealFeeds, EachPublishedFeedGivesItsInstallerOrNamesWhatIsWrong) {
  if (!fs::is_directory(feeds_folder)) {
    GTEST_SKIP() << "no published feeds at " << feeds_folder.string()
                 << " (the shared folder beside the checkout)";
  }
  const std::string expected_size =
      "expected an unsigned decimal integer, found text that is not a number";
  const std::map<std::string, Outcome> expected = {
      {"01", Installer{"1.0.2", relative("desktop-facebook-messenger-setup-1.0.2.exe"),
                       "JMVngpeulbBD7qYi", 88, 35992875}},
      {"02", Installer{"0.1.430", relative("IPFS版权链 Setup 0.1.430.exe"), "6JZRRrPi+3dxCKRK", 88,
                       171530519}},
      {"03",
       Installer{"23.10.15", relative("iSayor 23.10.15.exe"), "m7+RVkKfrUKjVa9V", 88, 93642919}},
      {"04",
       Installer{"1.0.1", relative("58COIN Setup 1.0.1.exe"), "AKo2MuoW5/hPJrqQ", 88, 40532017}},
      {"05",
       Installer{"0.1.0", relative("history-Setup-0.1.0.exe"), "JFhXqk92A2znLqMt", 88, 66691839}},
      {"06", Installer{"0.1.1", relative("evaluator-desktop-0.1.1.exe"), "nftSYX+Xruy2bfe4", 88,
                       50371468}},
      {"07", Installer{"1.0.3", relative("JAX_Setup_1.0.3.exe"), "YwWHCwKvYHu666eB", 88, 83775449}},
      {"08", Installer{"0.1.16-beta.1", relative("TwitchZ Setup 0.1.16-beta.1.exe"),
                       "0vVCjp5cL2PHTZ/t", 88, 75931984}},
      {"09",
       Installer{"1.1.4-beta.1", relative("Digital Manufacturing Viewer Setup 1.1.4-beta.1.exe"),
                 "eUxUxWWMGGxgWCzY", 88, 48195511}},
      {"10", Installer{"1.1.2", relative("Digital Manufacturing Viewer Setup 1.1.2.exe"),
                       "P+8Ph/Ymiarb3UCt", 88, 48737120}},
      {"11",
       Installer{
           "0.0.16",
           "https://github.com/Hourglass-Inc/hourglass-latest-build/releases/download/v0.0.16/"
           "HourglassSetup.exe",
           "h+e8NNHPrW+16m1S", 88, 171933184}},
      {"12", Installer{"0.1.0-beta.1",
                       "https://github.com/dusdk0098-tech/pedit-launcher-public-beta-releases/"
                       "releases/download/"
                       "v0.1.0-beta.1/Pedit-Launcher-0.1.0-beta.1-x64.exe",
                       "uBX59ndmx/kVyD4e", 88, 106266448}},
      {"13",
       Installer{
           "1.2.229",
           "https://github.com/casdevmonero/monerousd-ota-releases/releases/download/v1.2.229/"
           "Monero.USD.Wallet-1.2.229-mac.zip",
           "+VxTxICStLq8Tuh8", 88, 409737836}},
      {"14", Installer{"0.9.1", relative("EOSStudio-0.9.1.zip"), "iMRgRZxwnmiggQow", 88, 64698978}},
      {"15",
       Installer{"0.26.0", relative("myApp-arm64-0.26.0.zip"), "A2ibBDhKjFtcGBo+", 88, 109842570}},
      {"16",
       Installer{"1.0.1", relative("UA-Cyber-SHIELD-1.0.1.dmg"), "fFSXobOi3Rd1qs+w", 88, 95406046}},
      {"17", Installer{"1.0.6", relative("ccv-plus-1.0.6.dmg"), "XEaDFR6pETqH/9wz", 88, 174667515}},
      {"18", Installer{"7.12.2", relative("superProductivity-7.12.2.AppImage"), "S0IpTnE/kwdP/i2C",
                       88, 102654079}},
      {"19", Installer{"0.0.1",
                       "https://github.com/Miraiiiii/datacenter-updates/releases/download/v0.0.1/"
                       "青木BI数据中心导入助手 Setup 0.0.1.exe",
                       "hjxZ8GMsLYHJxXMW", 88, 77137513}},
      {"20",
       Installer{"1.0.1",
                 "https://github.com/Miraiiiii/datacenter-auto-upload/releases/download/v1.0.1/"
                 "datacenter-auto-upload_1.0.1.exe",
                 "34eb5a9e884825aa", 128, 77199874}},
      {"21", Installer{"0.0.0-rc", relative("aincrad-client-windows.zip"), "810d7bd6f8329995", 128,
                       245093890}},
      {"29", Installer{"0.4.1",
                       "https://tmpfiles.org/dl/1787952389.e0fe7690a18e0ac2/wBwIBubr8Cl5/"
                       "brokerhubplus-setup-0.4.1.exe",
                       "gqQ+d7gs2DuZHuMl", 88, 97209983}},
      {"30", Installer{"1.2.0", relative("Gilded Lens-Setup-1.2.0.exe"), "bYT3K0uzomnGPbMu", 88,
                       117630422}},
      {"31", Installer{"0.2.0-alpha.40", relative("夜港-Windows-0.2.0-alpha.40-安装程序.exe"),
                       "w6cotdWKNZGEW0bZ", 88, 102430152}},
      {"33", Installer{"1.0.46-nightly.20260831.8",
                       "https://github.com/harshsaver/october-desktop-releases/releases/download/"
                       "v1.0.46-nightly.20260831.8/October-x64.exe",
                       "Yo2E8B29n3HHM29m", 88, 343574931}},
      {"22", "feed: missing size"},
      {"23", "feed: missing size"},
      {"24", "yaml: invalid type for `files[0].size` at line 6 column 11: " + expected_size},
      {"25", "yaml: invalid type for `files[0].size` at line 8 column 11: " + expected_size},
      {"26",
       "yaml: while scanning a quoted scalar at line 9 column 14, found unexpected end of stream "
       "at line 10 column 1"},
      {"27",
       "yaml: while parsing a block mapping at line 1 column 1, did not find expected key at line "
       "10 column 8"},
      {"28", "yaml: missing field `version`"},
      {"32", "yaml: invalid type for `files[0].size` at line 5 column 11: " + expected_size},
  };
  std::map<std::string, fs::path> files;
  for (const auto& entry : fs::directory_iterator(feeds_folder)) {
    if (entry.path().extension() == ".yml") {
      files.emplace(entry.path().filename().string().substr(0, 2), entry.path());
    }
  }
  for (const auto& [number, outcome] : expected) {
    const auto file = files.find(number);
    if (file == files.end()) {
      ADD_FAILURE() << "feed " << number << " is missing from " << feeds_folder.string();
      continue;
    }
    EXPECT_EQ(describe(read_as_the_stub_does(read_bytes(file->second))), describe(outcome))
        << file->second.filename().string();
  }
  for (const auto& [number, file] : files) {
    EXPECT_TRUE(expected.contains(number)) << "no outcome written for " << file.string();
  }
}

}  // namespace
}  // namespace corvald::feed
