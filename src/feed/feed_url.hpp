// Where the feed lives and how the installer URLs it names are made absolute.
#pragma once

#include <string>
#include <string_view>

namespace corvald::feed {

// The service origin followed by "/api/voice-realtime/checkupdate/win-x64/".
std::string checkupdate_base();

// checkupdate_base() + "last.yml".
std::string feed_url();

// "http://" and "https://" URLs (case-sensitive) are kept; anything else is appended to the
// base as it is, with a "/" between them only when the base lacks one.
std::string resolve_installer_url(std::string_view url);
std::string resolve_installer_url(std::string_view url, std::string_view base);

}  // namespace corvald::feed
