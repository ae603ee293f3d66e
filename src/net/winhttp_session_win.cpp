// The product's HTTP session: WinHTTP in its synchronous mode. One session handle serves all
// copies of the client on all threads; every request gets its own connection and request
// handle, owned by the response body until it is released.
#include <atomic>
#include <limits>
#include <vector>

#include "logfile/log.hpp"
#include "net/http_client.hpp"
#include "net/proxy_line.hpp"
#include "net/tls_probe.hpp"
#include "net/winhttp_api.hpp"
#include "net/winhttp_error.hpp"
#include "platform/unique_handle.hpp"
#include "platform/wide.hpp"

namespace corvald::net {
namespace {

using platform::widen;

// Only reached once HttpClient::open has seen the table load.
const WinHttpApi& api() { return winhttp_api().value(); }

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { api().close_handle(h); }
};
using UniqueInternet = platform::UniqueHandle<InternetHandleTraits>;

constexpr DWORD kResolveTimeoutMs = 10000;
constexpr DWORD kConnectTimeoutMs = 10000;
constexpr DWORD kSendTimeoutMs = 10000;
constexpr DWORD kReceiveTimeoutMs = 120000;
constexpr DWORD kMaxConnsPerServer = 8;

StubError named_failure(const char* call, DWORD code) {
  return StubError::network(call + win32_code_text(code), code);
}

StubError platform_failure(const char* what, DWORD code) {
  return StubError::network(what + platform_error_text(code), code);
}

// The secure-failure flags of the last refused handshake on this thread. In the synchronous mode
// WinHTTP calls back on the thread that is inside the call, so a thread's value is its own
// request's.
thread_local DWORD reported_secure_flags = 0;

void CALLBACK on_status(HINTERNET, DWORD_PTR, DWORD status, LPVOID info, DWORD length) {
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && info != nullptr &&
      length >= sizeof(DWORD)) {
    reported_secure_flags = *static_cast<const DWORD*>(info);
  }
}

// A refused certificate gets the line that says why; other failures pass unchanged.
StubError with_tls_reason(StubError error, const UrlParts& url, DWORD code) {
  if (!url.secure || !is_secure_failure(code)) return error;
  return std::move(error).with_detail(
      tls_refusal_text(describe_tls_refusal(url, code, reported_secure_flags)));
}

// Only the first occurrence of the header; nothing when it is absent or not valid UTF-16.
std::optional<std::string> query_custom_header(HINTERNET request, const wchar_t* name) {
  DWORD size = 0;
  api().query_headers(request, WINHTTP_QUERY_CUSTOM, name, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (size == 0) return std::nullopt;
  // An odd byte count still gets room for its last partial unit.
  std::vector<wchar_t> buffer((size + 1) / 2, L'\0');
  DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!api().query_headers(request, WINHTTP_QUERY_CUSTOM, name, buffer.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  std::size_t units = buffer.size();
  while (units > 0 && buffer[units - 1] == L'\0') --units;
  return platform::narrow(std::wstring_view(buffer.data(), units));
}

class WinHttpBody final : public ResponseBody {
 public:
  WinHttpBody(UniqueInternet connection, UniqueInternet request)
      : connection_(std::move(connection)), request_(std::move(request)) {}

  Result<std::uint32_t> read(char* buffer, std::uint32_t capacity) override {
    DWORD count = 0;
    if (!api().read_data(request_.get(), buffer, capacity, &count)) {
      return platform_failure("WinHttpReadData: ", GetLastError());
    }
    return static_cast<std::uint32_t>(count);
  }

 private:
  // Declared in this order so the request handle closes before its connection.
  UniqueInternet connection_;
  UniqueInternet request_;
};

class WinHttpSession final : public HttpSession {
 public:
  explicit WinHttpSession(UniqueInternet session) : session_(std::move(session)) {}

  Result<RawResponse> send(const UrlParts& url, std::string_view verb, const HeaderList& headers,
                           std::string_view body) override {
    // WinHTTP reads port 0 as "the scheme's default" and would quietly connect to 80 or 443;
    // nothing can listen on port 0, so this is the connect failure it would be.
    if (url.port == 0) return named_failure("WinHttpConnect", ERROR_INVALID_PARAMETER);

    UniqueInternet connection(api().connect(session_.get(), widen(url.host).c_str(), url.port, 0));
    if (!connection) return named_failure("WinHttpConnect", GetLastError());

    UniqueInternet request(api().open_request(
        connection.get(), widen(verb).c_str(), widen(url.path).c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, url.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return named_failure("WinHttpOpenRequest", GetLastError());

    if (!headers.empty()) {
      const std::wstring block = widen(header_block(headers));
      if (!api().add_request_headers(request.get(), block.c_str(), static_cast<DWORD>(block.size()),
                                     WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
        return platform_failure("WinHttpAddRequestHeaders: ", GetLastError());
      }
    }

    // The platform takes 32-bit lengths; a larger body must not go out cut short.
    if (body.size() > std::numeric_limits<DWORD>::max()) {
      return platform_failure("WinHttpSendRequest: ", ERROR_INVALID_PARAMETER);
    }
    const auto length = static_cast<DWORD>(body.size());
    void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    reported_secure_flags = 0;
    if (!api().send_request(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length,
                            0)) {
      const DWORD code = GetLastError();
      return with_tls_reason(platform_failure("WinHttpSendRequest: ", code), url, code);
    }
    if (!api().receive_response(request.get(), nullptr)) {
      const DWORD code = GetLastError();
      return with_tls_reason(platform_failure("WinHttpReceiveResponse: ", code), url, code);
    }

    DWORD status = 0;
    DWORD status_size = sizeof(status);
    if (!api().query_headers(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return platform_failure("query status: ", GetLastError());
    }

    RawResponse raw;
    raw.status = status;
    raw.content_length = query_custom_header(request.get(), L"Content-Length");
    raw.accept_ranges = query_custom_header(request.get(), L"Accept-Ranges");
    raw.content_type = query_custom_header(request.get(), L"Content-Type");
    raw.body = std::make_unique<WinHttpBody>(std::move(connection), std::move(request));
    return raw;
  }

 private:
  UniqueInternet session_;
};

UniqueInternet open_session(const std::wstring& agent) {
  UniqueInternet session(api().open(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (session || GetLastError() != ERROR_INVALID_PARAMETER) return session;

  // Windows before 8.1 has no automatic proxy mode; the configured default is the next best.
  static std::atomic<bool> fallback_logged{false};
  if (!fallback_logged.exchange(true)) {
    log_info("WinHttpOpen: automatic proxy mode not supported, using the default proxy mode");
  }
  session.reset(api().open(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0));
  return session;
}

// Takes the text WinHTTP allocated for the caller, and frees it.
std::optional<std::string> take_text(LPWSTR text) {
  if (text == nullptr) return std::nullopt;
  auto narrow = platform::narrow(std::wstring_view(text));
  GlobalFree(text);
  return narrow;
}

// Once per process, at the first session: the run's HTTP all goes the way these settings say.
void log_proxy_settings() {
  static std::atomic<bool> logged{false};
  if (logged.exchange(true)) return;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!api().get_user_proxy_config(&config)) {
    log_info("proxy settings: not readable: {}", platform_error_text(GetLastError()));
    return;
  }
  ProxySettings settings;
  settings.auto_detect = config.fAutoDetect != FALSE;
  settings.script_url = take_text(config.lpszAutoConfigUrl);
  settings.proxy = take_text(config.lpszProxy);
  settings.bypass = take_text(config.lpszProxyBypass);
  log_info("{}", proxy_settings_line(settings));
}

}  // namespace

Result<HttpClient> HttpClient::open(std::string_view user_agent) {
  if (!winhttp_api()) return winhttp_api().error();
  UniqueInternet session = open_session(widen(user_agent));
  if (!session) return named_failure("WinHttpOpen", GetLastError());
  log_proxy_settings();

  if (!api().set_timeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                          kReceiveTimeoutMs)) {
    return platform_failure("WinHttpSetTimeouts: ", GetLastError());
  }
  // Only a diagnostic rides on it: a session that cannot take it works the same.
  (void)api().set_status_callback(session.get(), on_status, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE,
                                  0);
  DWORD max_conns = kMaxConnsPerServer;
  if (!api().set_option(session.get(), WINHTTP_OPTION_MAX_CONNS_PER_SERVER, &max_conns,
                        sizeof(max_conns))) {
    return platform_failure("WinHttpSetOption(MAX_CONNS_PER_SERVER): ", GetLastError());
  }
  return HttpClient(std::make_shared<WinHttpSession>(std::move(session)));
}

}  // namespace corvald::net
