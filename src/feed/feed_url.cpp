#include "feed/feed_url.hpp"

#include "net/service.hpp"

namespace corvald::feed {

std::string checkupdate_base(const std::optional<std::string>& service_override) {
  return net::service_url(service_override, "/api/voice-realtime/checkupdate/win-x64/");
}

std::string feed_url(const std::optional<std::string>& service_override) {
  return checkupdate_base(service_override) + "last.yml";
}

std::string_view feed_folder(std::string_view feed_url) {
  return feed_url.substr(0, feed_url.rfind('/') + 1);
}

std::string resolve_installer_url(std::string_view url, std::string_view base) {
  if (url.starts_with("http://") || url.starts_with("https://")) return std::string(url);
  std::string resolved(base);
  if (!resolved.ends_with('/')) resolved.push_back('/');
  resolved.append(url);
  return resolved;
}

}  // namespace corvald::feed
