// The stub's own folders under LOCALAPPDATA (corvald-installer and its logs) are made as the
// cache's are: a link, junction or file in their place is refused, never written through.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "logfile/test/log_test_support.hpp"
#include "startup/client_id.hpp"
#include "startup/paths.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;
using logfile::testing::TempDir;
using ::testing::HasSubstr;

struct Planted {
  TempDir dir;
  fs::path app_data = dir.path() / "AppData";
  fs::path elsewhere = dir.path() / "elsewhere";

  // A link at `relative` under LOCALAPPDATA that leads to `elsewhere`.
  explicit Planted(const fs::path& relative) {
    fs::create_directories(elsewhere);
    fs::create_directories((app_data / relative).parent_path());
    fs::create_directory_symlink(elsewhere, app_data / relative);
  }
};

TEST(StubFolderLinks, TheLogAndClientIdFoldersRefuseALinkAndLeaveItsTargetEmpty) {
  for (const fs::path relative : {"corvald-installer", "corvald-installer/logs"}) {
    // Without the refusal the link takes the writes: the folders made the ordinary way land in
    // the folder it points at.
    {
      Planted control(relative);
      const fs::path logs = control.app_data / "corvald-installer" / "logs";
      fs::create_directories(logs);
      std::ofstream(logs / "app.log") << "a line\n";
      EXPECT_FALSE(fs::is_empty(control.elsewhere)) << relative;
    }
    Planted planted(relative);
    auto logs = create_logs_dir(planted.app_data);
    auto client_id = load_or_create_client_id_under(planted.app_data);

    ASSERT_FALSE(logs.ok()) << relative;
    EXPECT_EQ(logs.error().kind(), StubError::Kind::io);
    EXPECT_THAT(logs.error().display(),
                HasSubstr(fs::path(planted.app_data / relative).string() + " is a link"));
    if (relative == "corvald-installer") {
      ASSERT_FALSE(client_id.ok());
      EXPECT_THAT(client_id.error().display(), HasSubstr("is a link or junction"));
    }
    EXPECT_TRUE(fs::is_empty(planted.elsewhere)) << relative;
  }
}

TEST(StubFolderLinks, AFileInTheWayIsRefusedAndAFreshLocalAppDataGetsPlainFolders) {
  TempDir dir;
  const fs::path app_data = dir.path() / "AppData";
  fs::create_directories(app_data);
  std::ofstream(app_data / "corvald-installer") << "not a folder";
  auto refused = create_logs_dir(app_data);
  fs::remove(app_data / "corvald-installer");
  fs::remove(app_data);
  auto made = create_logs_dir(app_data);
  auto client_id = load_or_create_client_id_under(app_data);

  ASSERT_FALSE(refused.ok());
  EXPECT_THAT(refused.error().display(), HasSubstr("is a file, not a folder"));
  ASSERT_TRUE(made.ok()) << made.error().display();
  EXPECT_EQ(fs::path(*made), app_data / "corvald-installer" / "logs");
  EXPECT_TRUE(fs::is_directory(app_data / "corvald-installer" / "logs"));
  ASSERT_TRUE(client_id.ok()) << client_id.error().display();
  EXPECT_TRUE(fs::is_regular_file(app_data / "corvald-installer" / "stub-cuid"));
}

}  // namespace
}  // namespace corvald
