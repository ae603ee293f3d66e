#include "startup/client_id.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace corvald {
namespace {

class ClientIdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            (std::string("corvald-cuid-") +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path file() const { return root_ / "corvald-installer" / "stub-cuid"; }
  void write(const std::string& content) {
    std::filesystem::create_directories(file().parent_path());
    std::ofstream(file(), std::ios::binary) << content;
  }
  std::string read() const {
    std::ifstream in(file(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::filesystem::path root_;
};

const std::regex uuid_v4("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");

TEST_F(ClientIdTest, CreatesAnIdOnceAndReadsItBack) {
  const auto first = load_or_create_client_id_under(root_);
  ASSERT_TRUE(first.ok()) << first.error().display();
  EXPECT_TRUE(std::regex_match(*first, uuid_v4)) << *first;
  EXPECT_EQ(read(), *first);  // the whole content, without a line end

  const auto second = load_or_create_client_id_under(root_);
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second, *first);
}

TEST_F(ClientIdTest, TrimsAStoredIdWithoutRewritingTheFile) {
  write("  my-client-id \r\n");
  const auto id = load_or_create_client_id_under(root_);
  ASSERT_TRUE(id.ok());
  EXPECT_EQ(*id, "my-client-id");
  EXPECT_EQ(read(), "  my-client-id \r\n");
}

TEST_F(ClientIdTest, ReplacesABlankOrBrokenFile) {
  for (const std::string& content :
       {std::string("   \n"), std::string(), std::string("\xff\xfe")}) {
    write(content);
    const auto id = load_or_create_client_id_under(root_);
    ASSERT_TRUE(id.ok());
    EXPECT_TRUE(std::regex_match(*id, uuid_v4)) << *id;
    EXPECT_EQ(read(), *id);
  }
}

TEST_F(ClientIdTest, FailsWithoutLocalAppData) {
  const auto id = load_or_create_client_id_under(std::nullopt);
  ASSERT_FALSE(id.ok());
  EXPECT_EQ(id.error().kind(), StubError::Kind::internal);
  EXPECT_EQ(id.error().display(), "LOCALAPPDATA env var not set");
}

TEST_F(ClientIdTest, AnUnwritableFolderIsAnIoError) {
  // A plain file where the stub folder should be: the folder cannot be created.
  std::ofstream(root_ / "corvald-installer") << "x";
  const auto id = load_or_create_client_id_under(root_);
  ASSERT_FALSE(id.ok());
  EXPECT_EQ(id.error().kind(), StubError::Kind::io);
}

TEST_F(ClientIdTest, AnUnwritableIdFileCarriesTheSystemsOwnReason) {
  // A folder where the id file should be: it can be neither read nor replaced.
  std::filesystem::create_directories(file());
  const auto id = load_or_create_client_id_under(root_);
  ASSERT_FALSE(id.ok());
  ASSERT_EQ(id.error().kind(), StubError::Kind::io);
  EXPECT_NE(id.error().io_error().code, 0u);
  EXPECT_NE(id.error().io_error().text, std::make_error_code(std::errc::io_error).message());
}

}  // namespace
}  // namespace corvald
