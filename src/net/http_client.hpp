// The stub's synchronous HTTP client. Every network exchange goes through it; it knows nothing
// of the service, never retries and adds no header of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.hpp"
#include "net/headers.hpp"
#include "net/http_session.hpp"

namespace corvald::net {

// "https://host[:port]/path" or "http://…"; the URL errors are of the parse kind, an empty
// host among them.
Result<UrlParts> split_url(std::string_view url);

// CorvaldVoice/0.0.1 TavrinStub/0.1.117 CorvaldInstaller/0.1.117 Windows/10.0
std::string stub_user_agent();

class HttpResponse {
 public:
  HttpResponse(RawResponse raw);

  std::uint32_t status = 0;
  std::optional<std::uint64_t> content_length;
  std::optional<std::string> content_type;
  bool accept_ranges = false;

  // One platform read into the caller's buffer; 0 means the body has ended.
  Result<std::uint32_t> read_chunk(char* buffer, std::uint32_t capacity);
  // Reads the rest of the body, failing when it would exceed `limit` or ends before its
  // Content-Length; releases the response.
  Result<std::string> read_to_end(std::uint64_t limit) &&;
  // Reads the body to its end keeping only its first `keep` bytes, so the platform can reuse
  // the connection; releases the response. A body that ends before its Content-Length is a
  // network error. A body that runs past kMaxDrainedBody is dropped
  // there with its connection: a server that never stops sending must not hold the caller.
  Result<std::string> read_head(std::size_t keep) &&;

  static constexpr std::uint64_t kMaxDrainedBody = 1024 * 1024;

 private:
  std::unique_ptr<ResponseBody> body_;
};

struct PostReply {
  std::uint32_t status = 0;
  std::string body_text;  // the first 1024 bytes of the body, made log-safe
};

// A cheap copyable handle around one shared session; copies may be used from any thread.
class HttpClient {
 public:
  // Opens the platform session (WinHTTP; Windows builds only) with the given user agent.
  static Result<HttpClient> open(std::string_view user_agent);

  explicit HttpClient(std::shared_ptr<HttpSession> session) : session_(std::move(session)) {}

  Result<HttpResponse> send(std::string_view url, std::string_view verb, const HeaderList& headers,
                            std::optional<std::string_view> body = std::nullopt) const;
  Result<HttpResponse> get(std::string_view url, const HeaderList& headers) const;
  // Any status is a success here; the caller judges it.
  Result<PostReply> post(std::string_view url, const HeaderList& headers,
                         std::string_view body) const;

 private:
  std::shared_ptr<HttpSession> session_;
};

}  // namespace corvald::net
