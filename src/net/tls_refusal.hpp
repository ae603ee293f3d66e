// Why a secure connection was refused, as one log line support can act on: a wrong clock, a
// product that intercepts TLS with its own CA and a captive portal each leave a different
// certificate behind, while WinHTTP names them all with one generic code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvald::net {

// WinHTTP's secure-failure flags (WINHTTP_CALLBACK_STATUS_FLAG_*), spelled out here so the
// portable line can name them.
namespace secure_failure {
inline constexpr std::uint32_t revocation_unknown = 0x00000001;
inline constexpr std::uint32_t invalid_certificate = 0x00000002;
inline constexpr std::uint32_t revoked = 0x00000004;
inline constexpr std::uint32_t unknown_ca = 0x00000008;
inline constexpr std::uint32_t name_mismatch = 0x00000010;
inline constexpr std::uint32_t outside_validity = 0x00000020;
inline constexpr std::uint32_t wrong_usage = 0x00000040;
inline constexpr std::uint32_t channel_error = 0x80000000;
}  // namespace secure_failure

// Times are UTC, written "2026-12-09 21:09:48 UTC".
struct CertificateFacts {
  std::string subject;
  std::string issuer;
  std::string not_before;
  std::string not_after;
};

struct TlsRefusal {
  std::uint32_t code = 0;  // the WinHTTP error of the failed call
  std::string code_text;   // winhttp.dll's own text for it; empty when it has none
  std::uint32_t flags = 0;
  // True when WinHTTP reported the flags itself; false when they come from checking the
  // certificate again on a connection of our own.
  bool flags_from_winhttp = false;
  std::optional<CertificateFacts> certificate;
  std::string unread_reason;  // why no certificate could be read, when none was
  std::string now_utc;
};

// "name mismatch, unknown CA"; "none" for no flag.
std::string secure_failure_names(std::uint32_t flags);

// The whole line after "why: ". It holds no part of the request: no path, no query, no header.
std::string tls_refusal_text(const TlsRefusal& refusal);

}  // namespace corvald::net
