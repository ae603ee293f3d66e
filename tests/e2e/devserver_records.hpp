// What the devserver of a ctest fixture received, read back through its control endpoint,
// and the switches of that endpoint.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvald::e2e {

struct ServerRecord {
  std::string method;
  std::string path;
  std::string query;
  std::vector<std::pair<std::string, std::string>> headers;  // as received, in order
  std::string body;

  // The first header of that name, compared without regard to ASCII case.
  std::optional<std::string> header(std::string_view name) const;
};

// One record per well-formed line; a line that cannot be read is an empty record, so a
// damaged record shows up in the count instead of vanishing.
std::vector<ServerRecord> parse_record_lines(std::string_view text);

// POST /__control/<what>, for example "reset" or "set?telemetry_status=500"; false when the
// server did not answer 200.
bool devserver_control(std::string_view what);

// The requests for exactly this path received since the last reset, in arrival order.
std::vector<ServerRecord> devserver_requests(std::string_view path);

// The telemetry posts received since the last reset, in arrival order.
std::vector<ServerRecord> devserver_reports();

}  // namespace corvald::e2e
