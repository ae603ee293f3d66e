#include "net/winhttp_api.hpp"

#include "platform/system_library.hpp"

namespace corvald::net {
namespace {

Result<WinHttpApi> load_winhttp() {
  WinHttpApi api{};
  platform::SystemLibraryBinder bind(L"winhttp.dll");
  bind(api.open, "WinHttpOpen");
  bind(api.set_timeouts, "WinHttpSetTimeouts");
  bind(api.set_option, "WinHttpSetOption");
  bind(api.connect, "WinHttpConnect");
  bind(api.open_request, "WinHttpOpenRequest");
  bind(api.add_request_headers, "WinHttpAddRequestHeaders");
  bind(api.send_request, "WinHttpSendRequest");
  bind(api.receive_response, "WinHttpReceiveResponse");
  bind(api.query_headers, "WinHttpQueryHeaders");
  bind(api.read_data, "WinHttpReadData");
  bind(api.close_handle, "WinHttpCloseHandle");
  bind(api.set_status_callback, "WinHttpSetStatusCallback");
  bind(api.get_user_proxy_config, "WinHttpGetIEProxyConfigForCurrentUser");
  return bind.finish(api);
}

}  // namespace

const Result<WinHttpApi>& winhttp_api() {
  static const Result<WinHttpApi> api = load_winhttp();
  return api;
}

}  // namespace corvald::net
