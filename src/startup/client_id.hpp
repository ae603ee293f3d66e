// The stub's persistent client id: a random UUID created once per user, kept in
// %LOCALAPPDATA%\corvald-installer\stub-cuid and sent with every request to the service.
#pragma once

#include <optional>
#include <string>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald {

Result<std::string> load_or_create_client_id_under(const std::optional<Path>& local_app_data);

}  // namespace corvald
