#include "telemetry/endpoint.hpp"

#include <atomic>

#include "logfile/log.hpp"
#include "net/service.hpp"
#include "platform/env_names.hpp"

namespace corvald::telemetry {
namespace {

void warn_refused_once(const std::string& fallback) {
  static std::atomic<bool> warned{false};
  if (warned.exchange(true)) return;
  log_warn(
      "[telemetry] {} ignored: only https://, or http:// to a loopback host, may replace the "
      "telemetry "
      "endpoint; using {}",
      env_name::telemetry_url, fallback);
}

}  // namespace

std::string telemetry_endpoint_from(bool override_set,
                                    const std::optional<std::string>& override_value,
                                    const std::optional<std::string>& service_override) {
  std::string fallback = net::service_url(service_override, "/api/v2/report");
  if (!override_set) return fallback;
  // A value that is set but empty, or cannot be read as text, still means "not the real
  // service": posting there fails and is logged, which beats quietly reporting to production.
  if (!override_value || override_value->empty()) return std::string();
  // The events carry the client id and the machine's summary: plain text may only stay on
  // this machine, as for the service origin itself.
  if (!net::service_override_is_safe(*override_value)) {
    warn_refused_once(fallback);
    return fallback;
  }
  return *override_value;
}

std::string telemetry_endpoint(const RunSettings& settings) {
  return telemetry_endpoint_from(settings.telemetry_url_set, settings.telemetry_url,
                                 settings.service_url);
}

}  // namespace corvald::telemetry
