#pragma once

namespace corvald {

// Start-up and run-mode dispatch; returns the process exit code.
int stub_main();

}  // namespace corvald
