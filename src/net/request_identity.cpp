#include "net/request_identity.hpp"

#include <mutex>
#include <optional>

#include "net/random.hpp"

namespace corvald::net {
namespace {

constexpr std::string_view id_alphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string random_id_chars(std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(id_alphabet[uniform_below(id_alphabet.size())]);
  }
  return out;
}

std::string process_prefix() {
  // Guards `prefix`; held only to create or copy it, never while doing anything else.
  static std::mutex lock;
  static std::optional<std::string> prefix;
  const std::lock_guard guard(lock);
  if (!prefix) prefix = random_id_chars(12);
  return *prefix;
}

// Clocks set before 1970 count as 1970 rather than producing a negative stamp.
template <class Unit>
std::string unix_time_text(std::chrono::system_clock::time_point now) {
  const auto count = std::chrono::duration_cast<Unit>(now.time_since_epoch()).count();
  return std::to_string(count < 0 ? 0 : count);
}

}  // namespace

std::string new_request_id() { return new_request_id(std::chrono::system_clock::now()); }

std::string new_request_id(std::chrono::system_clock::time_point now) {
  return process_prefix() + unix_time_text<std::chrono::milliseconds>(now) + random_id_chars(5);
}

HeaderList identity_headers(std::string_view client_id, std::string_view request_id) {
  return identity_headers(client_id, request_id, std::chrono::system_clock::now());
}

HeaderList identity_headers(std::string_view client_id, std::string_view request_id,
                            std::chrono::system_clock::time_point now) {
  return {
      {"CV-AppId", "tavrin"},
      {"CV-Client-Id", std::string(client_id)},
      {"CV-Request-Id", std::string(request_id)},
      {"CV-Timestamp", unix_time_text<std::chrono::seconds>(now)},
      {"CV-Distribution", "stub-tavrin-stable"},
  };
}

std::string with_request_id(std::string_view url, std::string_view request_id) {
  // A parameter written after a fragment would never reach the server, so it goes in front
  // of the fragment; a "?" inside the fragment does not start a query either.
  const auto fragment = url.find('#');
  const std::string_view base = url.substr(0, fragment);
  std::string out(base);
  out.push_back(base.find('?') == std::string_view::npos ? '?' : '&');
  out.append("cv-request-id=");
  out.append(request_id);
  if (fragment != std::string_view::npos) out.append(url.substr(fragment));
  return out;
}

}  // namespace corvald::net
