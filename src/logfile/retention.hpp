// Deleting rotated log files once they are older than the retention period.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "logfile/log_clock.hpp"
#include "text/path.hpp"

namespace corvald::logfile {

// True for "app.log." followed by exactly ten decimal digits: the only names the logger
// ever deletes.
bool is_rotated_log_name(const Path& file_name);

// The hour key of local time `retention_hours` before `now`; rotated files keyed lower are
// out of retention.
std::string retention_cutoff(const LogClock& clock, std::chrono::system_clock::time_point now,
                             std::uint32_t retention_hours);

// Deletes every regular rotated log file of `folder` whose key is lower than `cutoff`.
// Failures are ignored: a file that cannot be deleted now is tried again at the next run.
void delete_rotated_before(const Path& folder, std::string_view cutoff);

}  // namespace corvald::logfile
