#include "logfile/line_format.hpp"

#include <gtest/gtest.h>

namespace corvald::logfile {
namespace {

TEST(LogLineFormat, PadsEveryFieldAndWritesNameAndMessageOnly) {
  const LocalTime early{2026, 1, 2, 3, 4, 5, 7};
  EXPECT_EQ(hour_key(early), "2026010203");
  EXPECT_EQ(format_line(early, Level::warn, "corvald-installer", "  step"),
            "[2026-01-02 03:04:05.007] [WARN] corvald-installer -   step\n");

  const LocalTime late{2026, 12, 31, 23, 59, 59, 999};
  EXPECT_EQ(hour_key(late), "2026123123");
  EXPECT_EQ(format_line(late, Level::error, "n", "[worker] failed"),
            "[2026-12-31 23:59:59.999] [ERROR] n - [worker] failed\n");
  EXPECT_EQ(format_line(late, Level::trace, "n", ""), "[2026-12-31 23:59:59.999] [TRACE] n - \n");
}

}  // namespace
}  // namespace corvald::logfile
