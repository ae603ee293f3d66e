#include "net/service.hpp"

#include <atomic>
#include <charconv>

#include "build_info.hpp"
#include "logfile/log.hpp"
#include "platform/env_names.hpp"
#include "text/utf.hpp"

namespace corvald::net {
namespace {

// Four dotted decimal octets, the first 127; "127.1" and "127.0.0.1.example" are not loopback.
bool is_loopback_ipv4(std::string_view host) {
  int octets = 0;
  while (true) {
    const auto dot = host.find('.');
    const std::string_view part = host.substr(0, dot);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || part.size() > 3 || ec != std::errc() || end != part.data() + part.size() ||
        value > 255) {
      return false;
    }
    if (octets == 0 && value != 127) return false;
    ++octets;
    if (dot == std::string_view::npos) return octets == 4;
    host.remove_prefix(dot + 1);
  }
}

// The host of "scheme://authority/..."; nothing when the authority carries user information,
// which would make "http://127.0.0.1@elsewhere" look local.
std::optional<std::string_view> host_of(std::string_view rest) {
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return authority.substr(0, close + 1);
  }
  return authority.substr(0, authority.find(':'));
}

void warn_ignored_once() {
  static std::atomic<bool> warned{false};
  if (warned.exchange(true)) return;
  log_warn(
      "{} ignored: only https://, or http:// to a loopback host, may replace the service "
      "origin; using {}",
      env_name::service_url, build_info::service_origin);
}

}  // namespace

bool service_override_is_safe(std::string_view url) {
  const std::string lowered = text::ascii_lower(url);
  const std::string_view view = lowered;
  if (view.starts_with("https://")) return host_of(view.substr(8)).has_value();
  if (!view.starts_with("http://")) return false;
  const auto host = host_of(view.substr(7));
  return host && (*host == "localhost" || *host == "[::1]" || is_loopback_ipv4(*host));
}

std::string service_origin_from(const std::optional<std::string>& override_value) {
  std::string origin = build_info::service_origin;
  if (override_value && !override_value->empty()) {
    if (service_override_is_safe(*override_value)) {
      origin = *override_value;
    } else {
      warn_ignored_once();
    }
  }
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  return origin;
}

std::string service_url(const std::optional<std::string>& override_value, std::string_view path) {
  return service_origin_from(override_value) + std::string(path);
}

}  // namespace corvald::net
