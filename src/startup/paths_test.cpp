#include "startup/paths.hpp"

#include <gtest/gtest.h>

namespace corvald {
namespace {

TEST(PathsTest, LogFolderIsRelativeWithoutLocalAppData) {
  EXPECT_EQ(logs_dir_under(std::nullopt),
            std::filesystem::path(".") / "corvald-installer" / "logs");
  EXPECT_EQ(logs_dir_under(std::filesystem::path("base")),
            std::filesystem::path("base") / "corvald-installer" / "logs");
}

}  // namespace
}  // namespace corvald
