#include "byte_range.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace corvald::devserver {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Digits only; a value too large for 64 bits saturates, which still compares correctly with
// any real size ("starts past the end", "runs past the end").
std::optional<std::uint64_t> parse_position(std::string_view s) {
  if (s.empty()) return std::nullopt;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc::result_out_of_range) return std::numeric_limits<std::uint64_t>::max();
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

RangeAnswer part(std::uint64_t first, std::uint64_t last) {
  return {RangeAnswer::Kind::part, {first, last}};
}

constexpr RangeAnswer whole{RangeAnswer::Kind::whole, {}};
constexpr RangeAnswer unsatisfiable{RangeAnswer::Kind::unsatisfiable, {}};

}  // namespace

RangeAnswer answer_range(std::optional<std::string_view> header, std::uint64_t size) {
  if (!header) return whole;
  std::string_view value = trim(*header);
  constexpr std::string_view unit = "bytes=";
  if (value.substr(0, unit.size()) != unit) return whole;
  value = trim(value.substr(unit.size()));
  if (value.find(',') != std::string_view::npos) return whole;
  const auto dash = value.find('-');
  if (dash == std::string_view::npos) return whole;
  const std::string_view first_text = trim(value.substr(0, dash));
  const std::string_view last_text = trim(value.substr(dash + 1));

  if (first_text.empty()) {  // "-N": the last N bytes
    const auto suffix = parse_position(last_text);
    if (!suffix) return whole;
    if (*suffix == 0 || size == 0) return unsatisfiable;
    return part(size - std::min(*suffix, size), size - 1);
  }
  const auto first = parse_position(first_text);
  if (!first) return whole;
  std::optional<std::uint64_t> last;
  if (!last_text.empty()) {
    last = parse_position(last_text);
    if (!last || *last < *first) return whole;
  }
  if (*first >= size) return unsatisfiable;
  return part(*first, last ? std::min(*last, size - 1) : size - 1);
}

std::string content_range(const ByteRange& range, std::uint64_t size) {
  return "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
         std::to_string(size);
}

std::string content_range_unsatisfied(std::uint64_t size) {
  return "bytes */" + std::to_string(size);
}

}  // namespace corvald::devserver
