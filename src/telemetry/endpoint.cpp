#include "telemetry/endpoint.hpp"

#include "net/service.hpp"
#include "platform/env.hpp"
#include "platform/env_names.hpp"

namespace corvald::telemetry {

std::string telemetry_endpoint_from(bool override_set,
                                    const std::optional<std::string>& override_value) {
  if (!override_set) return net::service_url("/api/v2/report");
  // A value that is set but cannot be read as text still means "not the real service":
  // posting there would fail and be logged, which beats quietly reporting to production.
  return override_value.value_or(std::string());
}

std::string telemetry_endpoint() {
  return telemetry_endpoint_from(platform::env_path(env_name::telemetry_url).has_value(),
                                 platform::env_var(env_name::telemetry_url));
}

}  // namespace corvald::telemetry
