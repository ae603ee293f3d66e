// The error of a failed Win32 call of the user interface, with the system's own reason.
#pragma once

#include <string_view>

#include "base/stub_error.hpp"

namespace corvald::ui {

// "<what> failed: <system text> (code N)" from GetLastError, or "<what> failed" without one.
StubError win32_failure(std::string_view what);
// The same for a call that reports an HRESULT.
StubError hresult_failure(std::string_view what, long hresult);

}  // namespace corvald::ui
