#include "net/service.hpp"

#include "build_info.hpp"
#include "platform/env.hpp"
#include "platform/env_names.hpp"

namespace corvald::net {

std::string service_origin_from(const std::optional<std::string>& override_value) {
  std::string origin = override_value && !override_value->empty() ? *override_value
                                                                   : build_info::service_origin;
  while (!origin.empty() && origin.back() == '/') origin.pop_back();
  return origin;
}

std::string service_origin() {
  return service_origin_from(platform::env_var(env_name::service_url));
}

std::string service_url(std::string_view path) { return service_origin() + std::string(path); }

}  // namespace corvald::net
