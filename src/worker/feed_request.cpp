#include "worker/feed_request.hpp"

#include "feed/feed_url.hpp"
#include "feed/parse_feed.hpp"
#include "net/log_safe_text.hpp"
#include "net/request_identity.hpp"
#include "verify/response_check.hpp"

namespace corvald {

Result<net::HttpResponse> request_feed(const net::HttpClient& client, const std::string& feed_url,
                                       const std::string& client_id,
                                       const std::string& request_id) {
  return client.get(net::with_request_id(feed_url, request_id),
                    net::identity_headers(client_id, request_id));
}

Result<feed::Feed> read_feed(net::HttpResponse response, std::string_view feed_url) {
  const auto content_type = response.content_type;
  auto body = std::move(response).read_to_end(feed_body_limit);
  if (!body) return std::move(body).error();
  if (auto checked = verify::check_response(content_type, body.value(), true); !checked) {
    return checked.error();
  }
  return feed::parse_feed(body.value(), feed::feed_folder(feed_url));
}

std::string failure_body(net::HttpResponse& response) {
  // Read chunk by chunk rather than with a size limit: a longer error page must still show
  // its beginning in the log instead of nothing at all.
  std::string bytes(failure_body_limit, '\0');
  std::uint32_t filled = 0;
  while (filled < failure_body_limit) {
    auto got = response.read_chunk(bytes.data() + filled, failure_body_limit - filled);
    if (!got) return {};
    if (got.value() == 0) break;
    filled += got.value();
  }
  bytes.resize(filled);
  return net::log_safe_text(bytes);
}

}  // namespace corvald
