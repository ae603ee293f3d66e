// The localised texts of the main window that are more than a plain table look-up.
#pragma once

#include <string>
#include <string_view>

namespace corvald::ui {

// Every LF not already preceded by CR becomes CR LF, as a multi-line edit control needs.
std::string with_crlf_line_ends(std::string_view text);

std::string window_title();
std::string version_subtitle();
std::string about_title();
std::string about_body();

}  // namespace corvald::ui
