#include "logfile/log_where.hpp"

namespace corvald {

std::string where_line(std::string_view prefix, const StubError& error) {
  const std::string context = error.context_text();
  if (context.empty()) return {};
  return text::format("{}where: {}", prefix, context);
}

void log_where(std::string_view prefix, const StubError& error, logfile::Level level) {
  if (!logfile::log_enabled(level)) return;
  const std::string line = where_line(prefix, error);
  if (!line.empty()) logfile::log_record(level, line);
}

}  // namespace corvald
