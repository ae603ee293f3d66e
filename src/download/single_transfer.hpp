// The fallback: one plain GET of the whole installer, appended to a freshly truncated
// temporary file and hashed piece by piece as it is written.
#pragma once

#include "base/result.hpp"
#include "download/transfer.hpp"

namespace corvald::download {

// Deliberately tests no cancel flag: the attempt loop looks at the caller's flag once this
// returns, before verification.
Result<Transferred> single_connection_transfer(const TransferJob& job);

}  // namespace corvald::download
