#include "net/http_client.hpp"

namespace corvald::net {

// The native build has no platform HTTP stack: its tests hand HttpClient a scripted session.
// This keeps portable callers of open() linkable there and makes a stray call fail loudly.
Result<HttpClient> HttpClient::open(std::string_view /*user_agent*/) {
  return StubError::internal("HttpClient::open: no platform HTTP stack in this build");
}

}  // namespace corvald::net
