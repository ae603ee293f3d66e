#include "wer_setup/fail_fast.hpp"

#include "platform/windows.hpp"

#include <exception>
#include <string>

#include "logfile/log.hpp"
#include "logfile/logger.hpp"

namespace corvald {
namespace {

// STATUS_FAIL_FAST_EXCEPTION, from ntstatus.h, which does not go with windows.h.
constexpr UINT kFailFastStatus = 0xC0000602;

std::string what_was_thrown() {
  const std::exception_ptr thrown = std::current_exception();
  if (!thrown) return "std::terminate without an exception";
  try {
    std::rethrow_exception(thrown);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception not derived from std::exception";
  }
}

}  // namespace

void end_with_fail_fast() noexcept {
  // Nothing here may throw again: a second escape would end in abort after all.
  try {
    log_error("[main] uncaught C++ exception: {}; ending with a fail-fast exception",
              what_was_thrown());
    logfile::shutdown_logging();
  } catch (...) {
  }
  RaiseFailFastException(nullptr, nullptr, FAIL_FAST_GENERATE_EXCEPTION_ADDRESS);
  // Not reached; should the system return anyway, the end is still not a clean one.
  TerminateProcess(GetCurrentProcess(), kFailFastStatus);
  for (;;) {
  }
}

}  // namespace corvald
