#include "download/fetch_range.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "platform/file.hpp"
#include "text/format.hpp"
#include "verify/response_check.hpp"

namespace corvald::download {
namespace {

constexpr int kTriesPerRange = 3;
// Before the second and the third try.
constexpr std::array<std::chrono::milliseconds, 2> kRetryWaits = {std::chrono::milliseconds(500),
                                                                  std::chrono::milliseconds(2000)};

// Writes all of a piece at its offset; a disk that accepts nothing would otherwise spin here.
Result<void> write_piece(platform::File& file, std::uint64_t offset, const char* data,
                         std::uint32_t size, AttemptState& state, std::uint64_t& written) {
  while (size > 0) {
    auto count = file.write_at(offset, data, size);
    if (!count) return count.error();
    if (*count == 0) return StubError::internal("seek_write returned 0 (disk full?)");
    const std::uint32_t done = std::min(*count, size);
    state.downloaded.fetch_add(done, std::memory_order_relaxed);
    written += done;
    offset += done;
    data += done;
    size -= done;
  }
  return Ok{};
}

// One request for [first, last]; `written` tells the caller how far this try got even when
// it fails, so the next try can resume after those bytes.
Result<void> fetch_once(const net::HttpClient& client, std::string_view url,
                        const net::HeaderList& extra_headers, platform::File& file,
                        std::uint64_t first, std::uint64_t last, AttemptState& state,
                        std::uint64_t& written) {
  net::HeaderList headers = extra_headers;
  headers.push_back({"Range", text::format("bytes={}-{}", first, last)});
  auto response = client.send(url, "GET", headers);
  if (!response) return response.error();
  if (response->status == 200) {
    return StubError::internal("server returned 200 for Range request (Range ignored)");
  }
  if (response->status != 206) return StubError::http(std::string(url), response->status);

  const std::uint64_t expected = last - first + 1;
  auto buffer = std::make_unique<char[]>(kReadBuffer);
  bool first_piece = true;
  while (written < expected) {
    if (state.is_cancelled()) return StubError::cancelled();
    auto count = response->read_chunk(buffer.get(), kReadBuffer);
    if (!count) return count.error();
    if (*count == 0) break;
    if (first_piece && first == 0) {
      auto page = verify::check_response(response->content_type,
                                         std::string_view(buffer.get(), *count), false);
      if (!page) return page.error();
    }
    first_piece = false;
    // A server that sends more than the range asked for must not spill into the next range.
    const auto take =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(*count, expected - written));
    auto stored = write_piece(file, first + written, buffer.get(), take, state, written);
    if (!stored) return stored.error();
  }

  auto flushed = file.flush();
  if (!flushed) return flushed.error();
  if (written < expected) {
    return StubError::network(text::format("range {}-{} ended early: got {} of {} bytes", first,
                                           last, written, expected));
  }
  return Ok{};
}

}  // namespace

Result<void> fetch_range(const net::HttpClient& client, std::string_view url,
                         const net::HeaderList& extra_headers, platform::File& file,
                         std::uint64_t first, std::uint64_t last, AttemptState& state,
                         const Clock& clock) {
  static_assert(kTriesPerRange >= 1, "a range is tried at least once");
  std::optional<StubError> last_error;  // set by every try that does not return
  for (int attempt = 1; attempt <= kTriesPerRange; ++attempt) {
    if (attempt > 1) {
      state.retries.fetch_add(1, std::memory_order_relaxed);
      clock.sleep(kRetryWaits[static_cast<std::size_t>(attempt - 2)]);
    }
    if (last < first) return Ok{};
    // A cancellation during the retry wait needs no further request.
    if (state.is_cancelled()) return StubError::cancelled();

    std::uint64_t written = 0;
    auto result = fetch_once(client, url, extra_headers, file, first, last, state, written);
    if (result) return Ok{};
    if (result.error().kind() == StubError::Kind::cancelled) return result;
    first += written;
    if (first > last) return Ok{};
    last_error = result.error();
  }
  return std::move(*last_error);
}

}  // namespace corvald::download
