// The text of log lines and of the hour keys that name rotated files.
#pragma once

#include <string>
#include <string_view>

#include "logfile/local_time.hpp"
#include "logfile/log.hpp"

namespace corvald::logfile {

// "2026-12-08 04:06:20.123"
std::string format_timestamp(const LocalTime& time);

// "2026120804": ten digits that sort in time order as text.
std::string hour_key(const LocalTime& time);

// "[timestamp] [LEVEL] name - message" and a line feed.
std::string format_line(const LocalTime& time, Level level, std::string_view name,
                        std::string_view message);

}  // namespace corvald::logfile
