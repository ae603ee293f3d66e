#pragma once

#include <string>
#include <vector>

namespace corvald {

// The process command line split by the Windows rules, program path first, as UTF-8.
std::vector<std::string> process_arguments();

}  // namespace corvald
