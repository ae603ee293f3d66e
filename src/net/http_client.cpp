#include "net/http_client.hpp"

#include <algorithm>
#include <array>

#include "build_info.hpp"
#include "net/log_safe_text.hpp"
#include "text/format.hpp"
#include "text/utf.hpp"

namespace corvald::net {
namespace {

constexpr std::string_view kHttps = "https://";
constexpr std::string_view kHttp = "http://";

// Post replies only ever reach the log, and one log line's worth is all anyone reads.
constexpr std::size_t kPostKeep = 1024;
constexpr std::uint32_t kReadToEndBuffer = 8192;
constexpr std::size_t kUnknownLengthReserve = 4096;
// A Content-Length is the server's claim, not a fact; it never decides alone how much memory
// is taken up front. Bodies larger than this still arrive, the buffer just grows.
constexpr std::uint64_t kMaxReserve = 64ull * 1024 * 1024;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whole decimal text with an optional leading "+", no blanks, at most `max`.
std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t max) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!is_digit(c)) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

bool has_any_of(std::string_view text, std::string_view chars) {
  return text.find_first_of(chars) != std::string_view::npos;
}

// The header block is one CRLF-separated text, so a line break inside a name or value would
// smuggle in a header the caller never asked for (a client id file is user-editable, for one).
// NUL would cut the block short on the platform side.
std::optional<StubError> check_headers(const HeaderList& headers) {
  using namespace std::string_view_literals;
  for (const Header& h : headers) {
    if (has_any_of(h.name, "\r\n\0:"sv)) return StubError::parse("bad header name in request");
    if (has_any_of(h.value, "\r\n\0"sv)) {
      return StubError::parse("bad value of header " + h.name + " in request");
    }
  }
  return std::nullopt;
}

// A connection that closes early reads as a clean end on some stacks (Wine's WinHTTP among
// them), so the announced length is the only sign that a body read to its end is whole.
std::optional<StubError> cut_short(const std::optional<std::uint64_t>& announced,
                                   std::uint64_t received) {
  if (!announced || received >= *announced) return std::nullopt;
  return StubError::network(
      text::format("response ended after {} of {} bytes", received, *announced));
}

// A body is read once: the handles go with it.
StubError body_released() { return StubError::internal("response body already released"); }

}  // namespace

Result<UrlParts> split_url(std::string_view url) {
  UrlParts parts;
  std::string_view rest;
  if (url.starts_with(kHttps)) {
    parts.secure = true;
    parts.port = 443;
    rest = url.substr(kHttps.size());
  } else if (url.starts_with(kHttp)) {
    parts.port = 80;
    rest = url.substr(kHttp.size());
  } else {
    return StubError::parse("unsupported url scheme: " + std::string(url));
  }

  // A query or fragment may follow the host directly; the path then starts there with "/".
  const auto end = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, end);
  parts.path = end == std::string_view::npos ? "/"
               : rest[end] == '/'            ? std::string(rest.substr(end))
                                             : "/" + std::string(rest.substr(end));

  // An IPv6 literal stands in brackets, with the port after the closing one; the colons inside
  // belong to the address.
  std::string_view host = authority;
  std::string_view after_host;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    const std::string_view address =
        close == std::string_view::npos ? authority.substr(1) : authority.substr(1, close - 1);
    if (close == std::string_view::npos || address.empty() ||
        address.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) {
      return StubError::parse("bad host in url: " + std::string(url));
    }
    host = authority.substr(0, close + 1);
    after_host = authority.substr(close + 1);
    if (!after_host.empty() && !after_host.starts_with(':')) {
      return StubError::parse("bad port in url: " + std::string(url));
    }
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    after_host = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
    if (host.find_first_of("[]") != std::string_view::npos) {
      return StubError::parse("bad host in url: " + std::string(url));
    }
  }
  parts.host = std::string(host);
  if (!after_host.empty()) {
    const auto port = parse_unsigned(after_host.substr(1), 65535);
    if (!port) return StubError::parse("bad port in url: " + std::string(url));
    parts.port = static_cast<std::uint16_t>(*port);
  }
  // With no host the platform would take the first path segment for one, or the local machine.
  if (parts.host.empty()) return StubError::parse("missing host in url: " + std::string(url));
  return parts;
}

std::string stub_user_agent() {
  const std::string_view name = build_info::product_name;
  const std::string_view blanks = " \t\r\n\f\v";
  std::string_view word;
  std::size_t pos = 0;
  while (pos < name.size()) {
    const auto start = name.find_first_not_of(blanks, pos);
    if (start == std::string_view::npos) break;
    const auto end = std::min(name.find_first_of(blanks, start), name.size());
    word = name.substr(start, end - start);
    pos = end;
  }
  if (word.empty()) word = "App";
  const std::string_view version = build_info::stub_version;
  return text::format("CorvaldVoice/0.0.1 {}Stub/{} CorvaldInstaller/{} Windows/10.0", word,
                      version, version);
}

HttpResponse::HttpResponse(RawResponse raw) : status(raw.status), body_(std::move(raw.body)) {
  if (raw.content_length) {
    content_length = parse_unsigned(*raw.content_length, UINT64_MAX);
  }
  content_type = std::move(raw.content_type);
  accept_ranges =
      raw.accept_ranges && text::ascii_lower(*raw.accept_ranges).find("bytes") != std::string::npos;
}

Result<std::uint32_t> HttpResponse::read_chunk(char* buffer, std::uint32_t capacity) {
  if (!body_) return body_released();
  return body_->read(buffer, capacity);
}

Result<std::string> HttpResponse::read_to_end(std::uint64_t limit) && {
  // Taken out first so the handles close on every return below.
  const std::unique_ptr<ResponseBody> body = std::move(body_);
  if (!body) return body_released();

  std::string out;
  const std::uint64_t reserve =
      content_length ? std::min({limit, *content_length, kMaxReserve}) : kUnknownLengthReserve;
  out.reserve(static_cast<std::size_t>(reserve));

  std::array<char, kReadToEndBuffer> buffer;
  for (;;) {
    auto count = body->read(buffer.data(), kReadToEndBuffer);
    if (!count) return std::move(count).error();
    if (*count == 0) {
      if (auto cut = cut_short(content_length, out.size())) return std::move(*cut);
      return out;
    }
    if (out.size() + *count > limit) {
      return StubError::parse(text::format("response body exceeds {} bytes", limit));
    }
    out.append(buffer.data(), *count);
  }
}

Result<std::string> HttpResponse::read_head(std::size_t keep) && {
  const std::unique_ptr<ResponseBody> body = std::move(body_);
  if (!body) return body_released();

  std::string kept;
  std::array<char, kReadToEndBuffer> buffer;
  for (std::uint64_t drained = 0; drained < kMaxDrainedBody;) {
    auto count = body->read(buffer.data(), kReadToEndBuffer);
    if (!count) return std::move(count).error();
    if (*count == 0) {
      if (auto cut = cut_short(content_length, drained)) return std::move(*cut);
      break;
    }
    drained += *count;
    const std::size_t room = keep - std::min(kept.size(), keep);
    kept.append(buffer.data(), std::min<std::size_t>(room, *count));
  }
  return kept;
}

Result<HttpResponse> HttpClient::send(std::string_view url, std::string_view verb,
                                      const HeaderList& headers,
                                      std::optional<std::string_view> body) const {
  auto parts = split_url(url);
  if (!parts) return std::move(parts).error();
  if (auto bad = check_headers(headers)) return std::move(*bad);
  auto raw = session_->send(*parts, verb, headers, body.value_or(std::string_view()));
  if (!raw) return std::move(raw).error();
  return HttpResponse(std::move(raw).value());
}

Result<HttpResponse> HttpClient::get(std::string_view url, const HeaderList& headers) const {
  return send(url, "GET", headers);
}

Result<PostReply> HttpClient::post(std::string_view url, const HeaderList& headers,
                                   std::string_view body) const {
  auto response = send(url, "POST", headers, body);
  if (!response) return std::move(response).error();

  const std::uint32_t status = response->status;
  auto kept = std::move(response).value().read_head(kPostKeep);
  if (!kept) return std::move(kept).error();
  return PostReply{status, log_safe_text(*kept)};
}

}  // namespace corvald::net
