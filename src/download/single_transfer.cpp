#include "download/single_transfer.hpp"

#include <memory>
#include <string>

#include "platform/file.hpp"
#include "text/format.hpp"
#include "verify/file_digest.hpp"
#include "verify/response_check.hpp"

namespace corvald::download {
namespace {

StubError overrun(std::uint64_t total, std::uint64_t size) {
  return StubError::network(text::format(
      "single-conn download exceeded the expected size: got {} of {} bytes", total, size));
}

}  // namespace

Result<Transferred> single_connection_transfer(const TransferJob& job) {
  const std::uint64_t size = job.feed.size;
  const auto started = job.clock.now();
  auto response = job.client.send(job.feed.url, "GET", {});
  if (!response) return response.error();
  if (response->status != 200) return StubError::http(job.feed.url, response->status);

  // Held like the parallel transfer's writer, so the bytes hashed here are the file's bytes.
  auto file = platform::File::create_truncate_held(job.temp);
  if (!file) return file.error();
  verify::Sha512Stream sha;

  auto buffer = std::make_unique<char[]>(kReadBuffer);
  std::uint64_t total = 0;
  bool first_piece = true;
  auto last_report = job.clock.now();
  for (;;) {
    auto count = response->read_chunk(buffer.get(), kReadBuffer);
    if (!count) return count.error();
    if (*count == 0) break;
    if (first_piece) {
      auto page = verify::check_response(response->content_type,
                                         std::string_view(buffer.get(), *count), false);
      if (!page) return page.error();
      first_piece = false;
    }
    // A body longer than the feed says can only fail verification; stop before it fills
    // the disk. A feed size of 0 is no exception: only an empty body can pass then.
    if (total + *count > size) return overrun(total + *count, size);
    auto appended = file->append(buffer.get(), *count);
    if (!appended) return appended.error();
    sha.update(buffer.get(), *count);
    total += *count;
    const auto now = job.clock.now();
    if (now - last_report >= kFallbackProgressInterval) {
      job.progress(total, size);
      last_report = now;
    }
  }
  file->close();

  job.progress(total, size);
  if (size != 0 && total != size) {
    return StubError::network(
        text::format("single-conn download ended early: got {} of {} bytes", total, size));
  }
  DownloadStats stats;
  stats.size = size;
  stats.duration_ms = elapsed_ms(started, job.clock.now());
  stats.avg_bps = average_bps(total, stats.duration_ms);
  return Transferred{stats, sha.finish_base64()};
}

}  // namespace corvald::download
