// One byte range of the installer into its place in the pre-sized temporary file, with up to
// three tries that each resume after the bytes already written.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/clock.hpp"
#include "base/result.hpp"
#include "download/transfer.hpp"
#include "net/http_client.hpp"
#include "platform/file.hpp"

namespace corvald::download {

// Writes through `file`, the attempt's one handle on the temporary file, which the other
// ranges write through at the same time. Adds every written byte to state.downloaded, counts
// each retry in state.retries and gives up with kind cancelled at the next body piece once
// state.cancelled is set. Writes nothing outside [first, last].
Result<void> fetch_range(const net::HttpClient& client, std::string_view url,
                         const net::HeaderList& extra_headers, platform::File& file,
                         std::uint64_t first, std::uint64_t last, AttemptState& state,
                         const Clock& clock);

}  // namespace corvald::download
