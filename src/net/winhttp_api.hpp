// WinHTTP as a table of functions loaded from System32 on first use: winhttp.dll is not a
// KnownDLL, and as an import it would be taken from the stub's own folder first.
#pragma once

#include "platform/windows.hpp"
// winhttp.h needs the types of windows.h.
#include <winhttp.h>

#include "base/result.hpp"

namespace corvald::net {

struct WinHttpApi {
  decltype(&WinHttpOpen) open;
  decltype(&WinHttpSetTimeouts) set_timeouts;
  decltype(&WinHttpSetOption) set_option;
  decltype(&WinHttpConnect) connect;
  decltype(&WinHttpOpenRequest) open_request;
  decltype(&WinHttpAddRequestHeaders) add_request_headers;
  decltype(&WinHttpSendRequest) send_request;
  decltype(&WinHttpReceiveResponse) receive_response;
  decltype(&WinHttpQueryHeaders) query_headers;
  decltype(&WinHttpReadData) read_data;
  decltype(&WinHttpCloseHandle) close_handle;
  decltype(&WinHttpSetStatusCallback) set_status_callback;
  decltype(&WinHttpGetIEProxyConfigForCurrentUser) get_user_proxy_config;
};

// Loaded once for the process, on whichever thread asks first.
const Result<WinHttpApi>& winhttp_api();

}  // namespace corvald::net
