// How the stub ends when a C++ exception escapes: with a fail-fast exception, which Windows
// Error Reporting collects and writes the dump register_crash_dumps asked for. The C runtime's
// abort() would end it with code 3, and no dump, exactly when one would help.
#pragma once

namespace corvald {

// The terminate handler: logs what was thrown, writes out the log, then raises the fail-fast
// exception. Never returns.
[[noreturn]] void end_with_fail_fast() noexcept;

}  // namespace corvald
