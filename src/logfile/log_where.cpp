#include "logfile/log_where.hpp"

namespace corvald {

std::string where_line(std::string_view prefix, const StubError& error) {
  const std::string context = error.context_text();
  if (context.empty()) return {};
  return text::format("{}where: {}", prefix, context);
}

std::string why_line(std::string_view prefix, const StubError& error) {
  if (error.detail().empty()) return {};
  return text::format("{}why: {}", prefix, error.detail());
}

void log_where(std::string_view prefix, const StubError& error, logfile::Level level) {
  if (!logfile::log_enabled(level)) return;
  for (const std::string& line : {where_line(prefix, error), why_line(prefix, error)}) {
    if (!line.empty()) logfile::log_record(level, line);
  }
}

}  // namespace corvald
