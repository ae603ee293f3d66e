// URL splitting and the request-id parameter. The URLs come from the feed and the service's
// replies; whatever they hold, a split URL must name a host and a path of its own text, and
// adding the request id must change nothing but the query.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/http_client.hpp"
#include "net/request_identity.hpp"
#include "require.hpp"

namespace {

using corvald::fuzz::require;
constexpr std::string_view id_alphabet = "0123456789abcdefghijklmnopqrstuvwxyz";

void check_split(std::string_view url) {
  const auto parts = corvald::net::split_url(url);
  if (!parts) {
    require(parts.error().kind() == corvald::StubError::Kind::parse, "parse kind");
    require(parts.error().text().ends_with(url), "error names the url");
    return;
  }
  const std::string_view scheme = parts->secure ? "https://" : "http://";
  require(url.starts_with(scheme), "scheme as written");
  const std::string_view host = parts->host;
  const bool bracketed =
      host.size() > 2 && host.front() == '[' && host.back() == ']' &&
      host.substr(1, host.size() - 2).find_first_not_of("0123456789abcdefABCDEF:.") ==
          std::string_view::npos;
  require(bracketed || (!host.empty() && host.find_first_of("/?#:[]") == std::string::npos),
          "host is one name, or an IPv6 literal in brackets");
  require(url.substr(scheme.size()).starts_with(parts->host), "host as written");
  require(parts->path.starts_with('/'), "path is absolute");
  const std::string_view path = parts->path;
  require(url.ends_with(path) || url.ends_with(path.substr(1)), "path as written");
}

void check_request_id(std::string_view url, std::string_view id) {
  const std::string with_id = corvald::net::with_request_id(url, id);
  const auto fragment = url.find('#');
  const std::string_view base = url.substr(0, fragment);
  const std::string_view tail = fragment == std::string_view::npos ? "" : url.substr(fragment);
  const std::string param = "cv-request-id=" + std::string(id);
  require(with_id.starts_with(base) && with_id.ends_with(tail), "url kept around the id");
  const std::string_view added(with_id.data() + base.size(),
                               with_id.size() - base.size() - tail.size());
  require(added == (base.find('?') == std::string_view::npos ? "?" : "&") + param,
          "one parameter added to the query");
  const auto before = corvald::net::split_url(url);
  const auto after = corvald::net::split_url(with_id);
  require(before.ok() == after.ok(), "the id changes no verdict");
  if (before) {
    require(before->secure == after->secure && before->host == after->host &&
                before->port == after->port,
            "the id changes no host");
  }
}

void check_new_request_id(std::int64_t unix_ms) {
  const std::chrono::system_clock::time_point now{std::chrono::milliseconds(unix_ms)};
  const std::string id = corvald::net::new_request_id(now);
  require(id.size() >= 12 + 1 + 5 && id.find_first_not_of(id_alphabet) == std::string::npos,
          "request id is a URL-safe word");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return -1;
  FuzzedDataProvider fuzz(data, size);
  std::string id;
  for (const char c : fuzz.ConsumeRandomLengthString(32)) {
    id.push_back(id_alphabet[static_cast<unsigned char>(c) % id_alphabet.size()]);
  }
  // Within what the system clock can hold in nanoseconds, before 1970 included.
  check_new_request_id(
      fuzz.ConsumeIntegralInRange<std::int64_t>(-9'000'000'000'000, 9'000'000'000'000));
  const std::string url = fuzz.ConsumeRemainingBytesAsString();
  check_split(url);
  check_request_id(url, id);
  return 0;
}
