// Names the calling thread for debuggers and crash dumps; best effort.
#pragma once

#include <string>

namespace corvald::logfile {

void set_current_thread_name(const std::string& name);

}  // namespace corvald::logfile
