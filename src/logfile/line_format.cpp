#include "logfile/line_format.hpp"

namespace corvald::logfile {
namespace {

void append_padded(std::string& out, int value, int width) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out.append(digits);
}

}  // namespace

std::string_view level_name(Level level) {
  switch (level) {
    case Level::off: return "OFF";
    case Level::error: return "ERROR";
    case Level::warn: return "WARN";
    case Level::info: return "INFO";
    case Level::debug: return "DEBUG";
    case Level::trace: return "TRACE";
  }
  return "OFF";
}

std::string format_timestamp(const LocalTime& time) {
  std::string out;
  out.reserve(23);
  append_padded(out, time.year, 4);
  out.push_back('-');
  append_padded(out, time.month, 2);
  out.push_back('-');
  append_padded(out, time.day, 2);
  out.push_back(' ');
  append_padded(out, time.hour, 2);
  out.push_back(':');
  append_padded(out, time.minute, 2);
  out.push_back(':');
  append_padded(out, time.second, 2);
  out.push_back('.');
  append_padded(out, time.millisecond, 3);
  return out;
}

std::string hour_key(const LocalTime& time) {
  std::string out;
  out.reserve(10);
  append_padded(out, time.year, 4);
  append_padded(out, time.month, 2);
  append_padded(out, time.day, 2);
  append_padded(out, time.hour, 2);
  return out;
}

std::string format_line(const LocalTime& time, Level level, std::string_view name,
                        std::string_view message) {
  const std::string_view label = level_name(level);
  std::string line;
  line.reserve(32 + label.size() + name.size() + message.size());
  line.push_back('[');
  line.append(format_timestamp(time));
  line.append("] [");
  line.append(label);
  line.append("] ");
  line.append(name);
  line.append(" - ");
  line.append(message);
  line.push_back('\n');
  return line;
}

}  // namespace corvald::logfile
