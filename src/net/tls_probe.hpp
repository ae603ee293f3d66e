// The reason behind a refused secure connection, gathered after the fact (Windows only).
#pragma once

#include <cstdint>

#include "net/http_session.hpp"
#include "net/tls_refusal.hpp"

namespace corvald::net {

// WinHTTP codes that mean the server's certificate or the secure channel was refused.
bool is_secure_failure(std::uint32_t code);

// `reported_flags` are WinHTTP's own secure-failure flags, 0 when it delivered none (Wine never
// does). The certificate is read on a connection of its own that ends after the TLS handshake,
// so no part of any request reaches the server; when WinHTTP gave no flags, they come from
// checking that certificate for the URL's host as WinHTTP would.
TlsRefusal describe_tls_refusal(const UrlParts& url, std::uint32_t code,
                                std::uint32_t reported_flags);

}  // namespace corvald::net
