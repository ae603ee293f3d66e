// A minimal "{}" formatter for log lines and display texts (the toolchains in use have no
// <format>). Each "{}" takes the next argument; surplus "{}" stay as they are.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/path.hpp"
#include "text/path_text.hpp"

namespace corvald::text {

inline void append_arg(std::string& out, std::string_view v) { out.append(v); }
inline void append_arg(std::string& out, const std::string& v) { out.append(v); }
inline void append_arg(std::string& out, const char* v) { out.append(v); }
inline void append_arg(std::string& out, char v) { out.push_back(v); }
inline void append_arg(std::string& out, bool v) { out.append(v ? "true" : "false"); }
inline void append_arg(std::string& out, const Path& v) { out.append(path_to_utf8(v)); }
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char>) void append_arg(std::string& out, T v) {
  out.append(std::to_string(v));
}

namespace detail {
inline void format_rest(std::string& out, std::string_view pattern) { out.append(pattern); }

template <class First, class... Rest>
void format_rest(std::string& out, std::string_view pattern, const First& first,
                 const Rest&... rest) {
  const auto at = pattern.find("{}");
  if (at == std::string_view::npos) {
    out.append(pattern);
    return;
  }
  out.append(pattern.substr(0, at));
  append_arg(out, first);
  format_rest(out, pattern.substr(at + 2), rest...);
}
}  // namespace detail

template <class... Args>
std::string format(std::string_view pattern, const Args&... args) {
  std::string out;
  out.reserve(pattern.size() + 16 * sizeof...(Args));
  detail::format_rest(out, pattern, args...);
  return out;
}

}  // namespace corvald::text
