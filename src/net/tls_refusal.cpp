#include "net/tls_refusal.hpp"

#include <array>
#include <utility>

#include "text/format.hpp"

namespace corvald::net {

std::string secure_failure_names(std::uint32_t flags) {
  namespace f = secure_failure;
  static constexpr std::array<std::pair<std::uint32_t, const char*>, 8> names{{
      {f::name_mismatch, "name mismatch"},
      {f::outside_validity, "expired or not yet valid"},
      {f::unknown_ca, "unknown CA"},
      {f::revoked, "revoked"},
      {f::revocation_unknown, "revocation unknown"},
      {f::wrong_usage, "not for server use"},
      {f::invalid_certificate, "invalid certificate"},
      {f::channel_error, "secure channel error"},
  }};
  std::string out;
  for (const auto& [bit, name] : names) {
    if ((flags & bit) == 0) continue;
    if (!out.empty()) out += ", ";
    out += name;
  }
  return out.empty() ? "none" : out;
}

std::string tls_refusal_text(const TlsRefusal& refusal) {
  std::string line = text::format("WinHTTP error {}", refusal.code);
  line += refusal.code_text.empty() ? " (winhttp.dll has no text for it)"
                                    : text::format(" ({})", refusal.code_text);
  line += text::format("; {}: {}",
                       refusal.flags_from_winhttp ? "WinHTTP reported"
                                                  : "a second handshake, no request sent, found",
                       secure_failure_names(refusal.flags));
  if (refusal.certificate) {
    const CertificateFacts& c = *refusal.certificate;
    line += text::format("; certificate subject \"{}\", issuer \"{}\", valid {} to {}", c.subject,
                         c.issuer, c.not_before, c.not_after);
  } else {
    line += text::format("; no certificate read: {}", refusal.unread_reason);
  }
  line += text::format("; machine time {}", refusal.now_utc);
  return line;
}

}  // namespace corvald::net
