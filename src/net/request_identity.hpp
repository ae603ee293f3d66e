// Who is asking and which request this is: request ids, the identity headers of the feed
// request and the query parameter that repeats the request id, so the service's records of
// one request can be found again from our log.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "net/headers.hpp"

namespace corvald::net {

// A 12-character prefix fixed for the process, the Unix time in milliseconds, and 5 fresh
// characters; letters and digits only. Safe to call from any thread.
std::string new_request_id();
std::string new_request_id(std::chrono::system_clock::time_point now);

// CV-AppId, CV-Client-Id, CV-Request-Id, CV-Timestamp (Unix seconds), CV-Distribution.
HeaderList identity_headers(std::string_view client_id, std::string_view request_id);
HeaderList identity_headers(std::string_view client_id, std::string_view request_id,
                            std::chrono::system_clock::time_point now);

// The URL with cv-request-id=<id> added to its query.
std::string with_request_id(std::string_view url, std::string_view request_id);

}  // namespace corvald::net
