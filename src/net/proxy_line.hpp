// The user's proxy settings as one log line, once per run: support cannot otherwise tell from a
// log whether a proxy stood between the stub and the service.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvald::net {

// What WinHttpGetIEProxyConfigForCurrentUser reports; absent texts are not set.
struct ProxySettings {
  bool auto_detect = false;
  std::optional<std::string> script_url;
  std::optional<std::string> proxy;
  std::optional<std::string> bypass;
};

// Replaces every "user:password@" (or "user@") in front of a host with "***@", in URLs and in
// WinHTTP's proxy lists ("http=user:pw@host:8080;https=host:8443", entries apart by ";" or
// blanks), so no credential reaches the log.
std::string mask_proxy_credentials(std::string_view text);

// "proxy settings: auto-detect=on script=none proxy=***@proxy.example:8080 bypass=<local>"
std::string proxy_settings_line(const ProxySettings& settings);

}  // namespace corvald::net
