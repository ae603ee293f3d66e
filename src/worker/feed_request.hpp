// The feed request shared by the windowed worker and the silent flow, so the two can never
// ask the service differently or read its answer differently.
#pragma once

#include <string>

#include "base/result.hpp"
#include "feed/feed.hpp"
#include "net/http_client.hpp"

namespace corvald {

inline constexpr std::uint64_t feed_body_limit = 65536;
inline constexpr std::uint32_t failure_body_limit = 1024;

// GET of the feed URL carrying the request id, with the identity headers.
Result<net::HttpResponse> request_feed(const net::HttpClient& client, const std::string& feed_url,
                                       const std::string& client_id, const std::string& request_id);

// The body of a 200 answer, checked for a captive portal and read as the feed, its relative
// installer URL resolved against the folder of `feed_url`.
Result<feed::Feed> read_feed(net::HttpResponse response, std::string_view feed_url);

// Up to the first 1024 bytes of a refused answer, made log-safe; empty when reading fails.
std::string failure_body(net::HttpResponse& response);

}  // namespace corvald
