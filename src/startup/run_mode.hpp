// Choosing the run mode from the environment and the command line.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvald {

enum class ExitCode : int {
  ok = 0,
  failed = 1,
  already_running = 2,
};

// A switch variable (APP_INSTALLER_REPORT_LOG, APP_INSTALLER_SKIP_INSTALL) is on only when it
// is exactly "1": "true", " 1" or an empty value leave it off.
bool switch_on(const std::optional<std::string>& value);

// Compared after ASCII lower-casing, so /S and --Silent count too.
inline constexpr std::array<std::string_view, 5> silent_switches = {"/s", "--silent", "-s",
                                                                    "/silent", "/quiet"};

bool is_silent_switch(std::string_view arg);
// Looks at the arguments after the program path only.
bool has_silent_switch(std::span<const std::string> argv);

// The argument list as a bracketed, comma-separated list of quoted, escaped strings.
std::string format_arg_list(std::span<const std::string> argv);

}  // namespace corvald
