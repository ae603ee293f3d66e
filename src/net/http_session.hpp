// The seam under HttpClient: one platform exchange up to the response headers. WinHTTP fills
// it in the product; native tests use a scripted session.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.hpp"
#include "net/headers.hpp"

namespace corvald::net {

struct UrlParts {
  bool secure = false;
  std::string host;
  std::uint16_t port = 0;
  // From the first "/" on, query included; "/" when the URL has none, and in front of a query
  // or fragment that follows the host.
  std::string path;

  friend bool operator==(const UrlParts&, const UrlParts&) = default;
};

// The open body of one response; closing it (destruction) releases the platform handles.
class ResponseBody {
 public:
  virtual ~ResponseBody() = default;
  // One platform read into the buffer; 0 means the body has ended.
  virtual Result<std::uint32_t> read(char* buffer, std::uint32_t capacity) = 0;
};

struct RawResponse {
  std::uint32_t status = 0;
  // The first occurrence of each header, as received; nothing when absent or undecodable.
  std::optional<std::string> content_length;
  std::optional<std::string> accept_ranges;
  std::optional<std::string> content_type;
  std::unique_ptr<ResponseBody> body;
};

class HttpSession {
 public:
  virtual ~HttpSession() = default;
  // Must be safe to call from several threads at once.
  virtual Result<RawResponse> send(const UrlParts& url, std::string_view verb,
                                   const HeaderList& headers, std::string_view body) = 0;
};

}  // namespace corvald::net
