#include "download/range_plan.hpp"

#include <gtest/gtest.h>

namespace corvald::download {
namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t MiB = 1024 * 1024;

TEST(DownloadPlanTest, RangesCoverTheRestWithoutGapsOrOverlap) {
  EXPECT_EQ(probe_range(3 * MiB), (ByteRange{0, 3 * MiB - 1}));
  EXPECT_EQ(probe_range(20 * MiB), (ByteRange{0, 4 * MiB - 1}));
  EXPECT_EQ(plan_ranges(4 * MiB, 20 * MiB),
            (std::deque<ByteRange>{{4 * MiB, 12 * MiB - 1}, {12 * MiB, 20 * MiB - 1}}));
  EXPECT_EQ(plan_ranges(4 * MiB, 12 * MiB + 1),
            (std::deque<ByteRange>{{4 * MiB, 12 * MiB - 1}, {12 * MiB, 12 * MiB}}));
  EXPECT_TRUE(plan_ranges(4 * MiB, 4 * MiB).empty());
  // The last range of a size near the top of the type: the sum must not wrap around.
  EXPECT_EQ(plan_ranges(UINT64_MAX - 10, UINT64_MAX),
            (std::deque<ByteRange>{{UINT64_MAX - 10, UINT64_MAX - 1}}));
}

TEST(DownloadPlanTest, SlowerLinesGetMoreConnections) {
  EXPECT_EQ(workers_for(0.0), 6u);
  EXPECT_EQ(workers_for(9.99), 6u);
  EXPECT_EQ(workers_for(10.0), 4u);
  EXPECT_EQ(workers_for(49.99), 4u);
  EXPECT_EQ(workers_for(50.0), 2u);

  EXPECT_EQ(probe_throughput(4 * MiB, 1ms), 0.0);
  EXPECT_DOUBLE_EQ(probe_throughput(4 * MiB, 500ms), 8.0);
  EXPECT_EQ(two_decimals(8.0), "8.00");
  EXPECT_EQ(two_decimals(3.14159), "3.14");
}

}  // namespace
}  // namespace corvald::download
