// One TLS handshake on a socket of our own through Schannel, the stack WinHTTP itself uses, with
// certificate checks left to us so that a refused certificate still arrives; then the same
// chain and SSL policy check WinHTTP makes, to name what is wrong with it.
#include "net/tls_probe.hpp"

#include "platform/windows.hpp"
// After windows.hpp, which keeps the old winsock.h out.
#include <winsock2.h>
#include <ws2tcpip.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "net/winhttp_error.hpp"
#include "platform/system_library.hpp"
#include "platform/wide.hpp"
#include "text/format.hpp"

namespace corvald::net {
namespace {

constexpr DWORD kSocketTimeoutMs = 10000;
// A server certificate chain fits in a few KiB; a handshake that needs more is not one.
constexpr std::size_t kMaxHandshakeBytes = 256 * 1024;

struct Crypt32 {
  decltype(&CertGetCertificateChain) get_chain;
  decltype(&CertVerifyCertificateChainPolicy) verify_policy;
  decltype(&CertFreeCertificateChain) free_chain;
  decltype(&CertNameToStrW) name_to_str;
  decltype(&CertFreeCertificateContext) free_certificate;
};

const Result<Crypt32>& crypt32() {
  static const Result<Crypt32> table = [] {
    Crypt32 api{};
    platform::SystemLibraryBinder bind(L"crypt32.dll");
    bind(api.get_chain, "CertGetCertificateChain");
    bind(api.verify_policy, "CertVerifyCertificateChainPolicy");
    bind(api.free_chain, "CertFreeCertificateChain");
    bind(api.name_to_str, "CertNameToStrW");
    bind(api.free_certificate, "CertFreeCertificateContext");
    return bind.finish(api);
  }();
  return table;
}

const Result<PSecurityFunctionTableW>& sspi() {
  static const Result<PSecurityFunctionTableW> table = []() -> Result<PSecurityFunctionTableW> {
    decltype(&InitSecurityInterfaceW) init = nullptr;
    platform::SystemLibraryBinder bind(L"secur32.dll");
    bind(init, "InitSecurityInterfaceW");
    auto bound = bind.finish(init);
    if (!bound) return std::move(bound).error();
    PSecurityFunctionTableW functions = (*bound)();
    if (functions == nullptr) return StubError::internal("InitSecurityInterfaceW returned nothing");
    return functions;
  }();
  return table;
}

std::string utc_text(const FILETIME& time) {
  SYSTEMTIME t{};
  if (!FileTimeToSystemTime(&time, &t)) return "?";
  char out[32];
  std::snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u:%02u UTC", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return out;
}

std::string now_utc_text() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return utc_text(now);
}

std::string name_text(const Crypt32& api, CERT_NAME_BLOB* name) {
  const DWORD flags = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
  const DWORD size = api.name_to_str(X509_ASN_ENCODING, name, flags, nullptr, 0);
  if (size <= 1) return {};
  std::wstring wide(size, L'\0');
  api.name_to_str(X509_ASN_ENCODING, name, flags, wide.data(), size);
  wide.resize(size - 1);
  return platform::narrow(wide).value_or("?");
}

struct SocketCloser {
  void operator()(SOCKET* s) const {
    if (*s != INVALID_SOCKET) closesocket(*s);
    delete s;
  }
};
using OwnedSocket = std::unique_ptr<SOCKET, SocketCloser>;

Result<OwnedSocket> connect_to(const UrlParts& url) {
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* found = nullptr;
  const std::wstring host = platform::widen(url.host);
  const std::wstring port = platform::widen(std::to_string(url.port));
  if (const int failed = GetAddrInfoW(host.c_str(), port.c_str(), &hints, &found); failed != 0) {
    return StubError::network("resolve: " + platform_error_text(static_cast<DWORD>(failed)),
                              static_cast<DWORD>(failed));
  }
  DWORD last = 0;
  for (const ADDRINFOW* a = found; a != nullptr; a = a->ai_next) {
    OwnedSocket s(new SOCKET(socket(a->ai_family, a->ai_socktype, a->ai_protocol)));
    if (*s == INVALID_SOCKET) continue;
    const DWORD timeout = kSocketTimeoutMs;
    setsockopt(*s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    setsockopt(*s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    if (connect(*s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
      FreeAddrInfoW(found);
      return s;
    }
    last = static_cast<DWORD>(WSAGetLastError());
  }
  FreeAddrInfoW(found);
  return StubError::network("connect: " + platform_error_text(last), last);
}

bool send_all(SOCKET s, const char* data, std::size_t size) {
  while (size > 0) {
    const int sent = send(s, data, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

StubError handshake_failure(const char* step, SECURITY_STATUS status) {
  return StubError::network(
      text::format("{}: {}", step, platform_error_text(static_cast<std::uint32_t>(status))));
}

// The credentials and the context of one handshake, released on every path.
struct Handles {
  explicit Handles(SecurityFunctionTableW& f) : functions(f) {}
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() {
    if (have_context) functions.DeleteSecurityContext(&context);
    if (have_credentials) functions.FreeCredentialsHandle(&credentials);
  }
  SecurityFunctionTableW& functions;
  CredHandle credentials{};
  CtxtHandle context{};
  bool have_credentials = false;
  bool have_context = false;
};

// Runs the client side of the handshake to its end and returns the server's certificate.
Result<PCCERT_CONTEXT> handshake(SOCKET s, const std::wstring& host) {
  const auto& functions = sspi();
  if (!functions) return functions.error();
  SecurityFunctionTableW& f = **functions;

  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  Handles handles(f);
  CredHandle& credentials = handles.credentials;
  SECURITY_STATUS status =
      f.AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                  nullptr, &settings, nullptr, nullptr, &credentials, nullptr);
  if (status != SEC_E_OK) return handshake_failure("AcquireCredentialsHandle", status);
  handles.have_credentials = true;

  const DWORD wanted = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                       ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
  CtxtHandle& context = handles.context;
  bool& have_context = handles.have_context;
  std::vector<char> received;
  for (;;) {
    SecBuffer in[2] = {{static_cast<unsigned long>(received.size()), SECBUFFER_TOKEN,
                        received.empty() ? nullptr : received.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    status = f.InitializeSecurityContextW(
        &credentials, have_context ? &context : nullptr, const_cast<wchar_t*>(host.c_str()), wanted,
        0, 0, have_context ? &in_desc : nullptr, 0, &context, &out_desc, &attributes, nullptr);
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
        status == SEC_E_INCOMPLETE_MESSAGE) {
      have_context = true;
    }
    if (out.pvBuffer != nullptr) {
      const bool sent = send_all(s, static_cast<const char*>(out.pvBuffer), out.cbBuffer);
      f.FreeContextBuffer(out.pvBuffer);
      if (!sent) return StubError::network("send: connection closed during the handshake");
    }
    if (status == SEC_E_OK) break;
    if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_INCOMPLETE_MESSAGE) {
      return handshake_failure("InitializeSecurityContext", status);
    }
    if (status == SEC_I_CONTINUE_NEEDED) {
      // What the package did not consume belongs to the next message.
      if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
        received.erase(received.begin(), received.end() - in[1].cbBuffer);
      } else {
        received.clear();
      }
      if (!received.empty()) continue;
    }
    char buffer[16384];
    const int got = recv(s, buffer, sizeof buffer, 0);
    if (got <= 0) return StubError::network("recv: connection closed during the handshake");
    if (received.size() + static_cast<std::size_t>(got) > kMaxHandshakeBytes) {
      return StubError::network("handshake larger than any certificate chain");
    }
    received.insert(received.end(), buffer, buffer + got);
  }

  PCCERT_CONTEXT certificate = nullptr;
  status = f.QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
  if (status != SEC_E_OK || certificate == nullptr) {
    return handshake_failure("QueryContextAttributes(REMOTE_CERT_CONTEXT)", status);
  }
  return certificate;
}

// The flags WinHTTP would have reported, from the chain's status and the SSL policy's name
// check; revocation is not checked, as WinHTTP does not check it by default.
std::uint32_t check_flags(const Crypt32& api, PCCERT_CONTEXT certificate,
                          const std::wstring& host) {
  namespace sf = secure_failure;
  char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
  char* usages[] = {server_auth};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!api.get_chain(nullptr, certificate, nullptr, certificate->hCertStore, &para, 0, nullptr,
                     &chain)) {
    return sf::invalid_certificate;
  }
  std::uint32_t flags = 0;
  const DWORD status = chain->TrustStatus.dwErrorStatus;
  if (status & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID)) {
    flags |= sf::outside_validity;
  }
  if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
    flags |= sf::unknown_ca;
  if (status & CERT_TRUST_IS_REVOKED) flags |= sf::revoked;
  if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) flags |= sf::wrong_usage;
  if (status & (CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC)) {
    flags |= sf::invalid_certificate;
  }

  // The name alone: every other finding is ignored here, so the policy answers only it.
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  // The policy takes WinINet's ignore flags; revocation's (0x80) has no WinHTTP name.
  constexpr DWORD ignore_revocation = 0x80;
  ssl.fdwChecks = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                  SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE | ignore_revocation;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  if (api.verify_policy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict) &&
      static_cast<HRESULT>(verdict.dwError) == CERT_E_CN_NO_MATCH) {
    flags |= sf::name_mismatch;
  }
  api.free_chain(chain);
  return flags;
}

}  // namespace

bool is_secure_failure(std::uint32_t code) {
  switch (code) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return true;
    default: return false;
  }
}

TlsRefusal describe_tls_refusal(const UrlParts& url, std::uint32_t code,
                                std::uint32_t reported_flags) {
  TlsRefusal refusal;
  refusal.code = code;
  refusal.code_text = winhttp_message(code);
  refusal.flags = reported_flags;
  refusal.flags_from_winhttp = reported_flags != 0;

  const auto& api = crypt32();
  WSADATA wsa;
  const bool started = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
  auto socket = started ? connect_to(url) : Result<OwnedSocket>(StubError::network("WSAStartup"));
  const std::wstring host = platform::widen(url.host);
  auto certificate = !api     ? Result<PCCERT_CONTEXT>(api.error())
                     : socket ? handshake(**socket, host)
                              : Result<PCCERT_CONTEXT>(socket.error());
  if (socket) socket->reset();
  if (certificate) {
    PCCERT_CONTEXT c = *certificate;
    refusal.certificate = CertificateFacts{
        name_text(*api, &c->pCertInfo->Subject), name_text(*api, &c->pCertInfo->Issuer),
        utc_text(c->pCertInfo->NotBefore), utc_text(c->pCertInfo->NotAfter)};
    if (!refusal.flags_from_winhttp) refusal.flags = check_flags(*api, c, host);
    api->free_certificate(c);
  } else {
    refusal.unread_reason = certificate.error().display();
  }
  if (started) WSACleanup();
  refusal.now_utc = now_utc_text();
  return refusal;
}

}  // namespace corvald::net
