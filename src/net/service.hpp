// Where the update service lives: the build's origin, or APP_INSTALLER_SERVICE_URL when set
// (the demo, the tests and staging point the stub at another server that way).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::net {

// Scheme, host and port without a trailing "/", e.g. "https://updates.corvald.example".
// The override is taken when it is https:// to any host, or http:// to a loopback host
// (127.0.0.0/8, [::1], localhost): the feed carries the installer's digest, and plain text
// to any other host would let the network rewrite it. Anything else gives the build origin.
std::string service_origin_from(const std::optional<std::string>& override_value);
bool service_override_is_safe(std::string_view url);

// The origin chosen with `override_value` followed by an absolute path ("/api/v2/report").
std::string service_url(const std::optional<std::string>& override_value, std::string_view path);

}  // namespace corvald::net
