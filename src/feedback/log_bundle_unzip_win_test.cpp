// The archive the Windows build writes, judged by the host's unzip rather than by our own
// reading of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "feedback/log_bundle.hpp"
#include "linux_side.hpp"

namespace corvald::feedback {
namespace {

namespace fs = std::filesystem;

TEST(LogBundleUnzip, WindowsArchiveIsSoundInTheHostsUnzip) {
  // Wine shows the Linux root as drive Z:, so a folder there has a path unzip can open.
  std::random_device seed;
  const std::string unix_dir = "/tmp/corvald-bundle-unzip-" + std::to_string(seed());
  const fs::path dir = "Z:" + unix_dir;
  fs::create_directories(dir);
  const auto write = [&](const std::string& name, const std::string& content) {
    std::ofstream(dir / name, std::ios::binary) << content;
    return dir / name;
  };
  std::string dump(300000, '\0');
  for (std::size_t i = 0; i < dump.size(); ++i) dump[i] = static_cast<char>(i * 131 % 251);
  const std::vector<Path> files = {write("app.log", "[INFO] first line\r\n"),
                                   write("app.log.2026120813", ""), write("crash.dmp", dump)};
  const auto bundle = build_log_bundle(files);
  ASSERT_TRUE(bundle.ok()) << bundle.error().display();
  ASSERT_EQ(bundle->entry_count, 3u);
  std::ofstream(dir / "bundle.zip", std::ios::binary) << bundle->archive;

  const auto listing = e2e::unzip_listing(unix_dir + "/bundle.zip");
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  ASSERT_TRUE(listing.has_value()) << "unzip could not be run";
  EXPECT_EQ(*listing, "app.log\napp.log.2026120813\ncrash.dmp\nunzip-test=0\n");
}

}  // namespace
}  // namespace corvald::feedback
