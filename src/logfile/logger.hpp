// Installing the process-wide logger behind log_record, once at start-up.
#pragma once

#include "logfile/logger_config.hpp"

namespace corvald::logfile {

// Creates the log folder, starts the writer thread ("tidelog/<name>"), installs the logger
// as the sink of log_record and sets the process's maximum level. Works once per process.
// False when the folder cannot be created, the thread cannot be started or a logger is
// already installed; without a logger every log call does nothing and the run goes on.
bool init_logging(const LoggerConfig& config);

// For an orderly exit: writes the lines still queued, ends the writer and turns logging off
// for the rest of the process. The logger itself stays installed so late callers are safe.
void shutdown_logging();

}  // namespace corvald::logfile
