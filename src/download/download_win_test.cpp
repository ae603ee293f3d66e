#include <gtest/gtest.h>

#include <filesystem>

#include "download/download_test_support.hpp"
#include "platform/file.hpp"

namespace corvald::download {
namespace {

using namespace testing;

class DownloadHeld : public DownloadFixture {};

// A write into the temporary file from anywhere but the transfer itself could change bytes
// already hashed, so none can start while the file is being filled: neither in the parallel
// transfer nor in the single-connection fallback.
TEST_F(DownloadHeld, NoOtherHandleCanWriteTheTemporaryFileWhileItIsFilled) {
  for (const bool one_connection : {false, true}) {
    SCOPED_TRACE(one_connection ? "fallback" : "parallel");
    session_ = std::make_shared<net::test::ScriptedSession>();
    client_ = net::HttpClient(session_);
    std::filesystem::remove(final_);
    offer(12ull << 20, one_connection);
    int tried = 0;
    int opened = 0;
    progress_fn_ = [&](std::uint64_t done, std::uint64_t total) {
      if (done == 0 || done == total) return;
      ++tried;
      if (platform::File::open_for_write(temp_)) ++opened;
    };
    FakeClock clock(300ms);

    auto result = run(clock);

    ASSERT_TRUE(result) << result.error().display();
    EXPECT_EQ(read_file(final_), body_);
    EXPECT_GT(tried, 0);
    EXPECT_EQ(opened, 0);
  }
}

}  // namespace
}  // namespace corvald::download
