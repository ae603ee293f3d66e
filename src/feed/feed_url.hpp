// Where the feed lives and how the installer URLs it names are made absolute.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::feed {

// The service origin chosen with `service_override` (see net::service_origin_from) followed
// by "/api/voice-realtime/checkupdate/win-x64/".
std::string checkupdate_base(const std::optional<std::string>& service_override);

// checkupdate_base(service_override) + "last.yml".
std::string feed_url(const std::optional<std::string>& service_override);

// The feed URL up to its last "/": the base its relative installer URLs are resolved against,
// which for feed_url() is checkupdate_base().
std::string_view feed_folder(std::string_view feed_url);

// "http://" and "https://" URLs (case-sensitive) are kept; anything else is appended to the
// base as it is, with a "/" between them only when the base lacks one.
std::string resolve_installer_url(std::string_view url, std::string_view base);

}  // namespace corvald::feed
