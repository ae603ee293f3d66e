#include "feed/feed_url.hpp"

#include "net/service.hpp"

namespace corvald::feed {

std::string checkupdate_base() {
  return net::service_url("/api/voice-realtime/checkupdate/win-x64/");
}

std::string feed_url() { return checkupdate_base() + "last.yml"; }

std::string resolve_installer_url(std::string_view url) {
  return resolve_installer_url(url, checkupdate_base());
}

std::string resolve_installer_url(std::string_view url, std::string_view base) {
  if (url.starts_with("http://") || url.starts_with("https://")) return std::string(url);
  std::string resolved(base);
  if (!resolved.ends_with('/')) resolved.push_back('/');
  resolved.append(url);
  return resolved;
}

}  // namespace corvald::feed
