// The parallel transfer: a 4 MiB probe, then the rest in 8 MiB ranges on 2, 4 or 6 workers,
// all written at their offsets into one pre-sized temporary file.
#pragma once

#include "base/result.hpp"
#include "download/transfer.hpp"

namespace corvald::download {

// Fails with kind cancelled whenever the caller's flag ended it, so the caller never falls
// back to a second transfer the user no longer wants.
Result<Transferred> parallel_transfer(const TransferJob& job);

}  // namespace corvald::download
