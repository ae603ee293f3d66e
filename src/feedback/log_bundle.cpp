#include "feedback/log_bundle.hpp"

#include <algorithm>
#include <limits>
#include <system_error>

#include "feedback/zip_writer.hpp"
#include "logfile/log.hpp"
#include "platform/file.hpp"
#include "platform/file_system.hpp"
#include "text/format.hpp"
#include "text/path_text.hpp"

namespace corvald::feedback {
namespace {

constexpr std::uint64_t kUnknownSize = std::numeric_limits<std::uint64_t>::max();

std::uint64_t add_saturating(std::uint64_t a, std::uint64_t b) {
  return b > kUnknownSize - a ? kUnknownSize : a + b;
}

std::string entry_name(const Path& path) {
  const auto last = path.filename();
  if (last.empty()) return "file.bin";
  return text::path_to_utf8(last);
}

std::string reason_text(const StubError& error) {
  if (error.kind() == StubError::Kind::io) {
    return text::format("{} (os error {})", error.io_error().text, error.io_error().code);
  }
  return error.display();
}

}  // namespace

namespace detail {

// Reads at most `limit` bytes: the caps were checked against the measured size, and a log
// file still being appended to must not carry the bundle past them.
Result<std::string> read_bundle_file(const Path& path, std::uint64_t limit) {
  auto file = platform::File::open_for_read(path);
  if (!file) return std::move(file).error();
  std::string data;
  data.resize(static_cast<std::size_t>(limit));
  std::size_t filled = 0;
  while (filled < data.size()) {
    const auto want = static_cast<std::uint32_t>(
        std::min<std::size_t>(data.size() - filled, std::size_t{1} << 20));
    auto got = file->read(data.data() + filled, want);
    if (!got) return std::move(got).error();
    if (*got == 0) break;
    filled += *got;
  }
  data.resize(filled);
  return data;
}

Result<LogBundle> build_log_bundle_with(const std::vector<Path>& files, const BundleClock& now,
                                        const BundleReader& read) {
  LogBundle bundle;
  std::vector<BundleEntry> entries;
  std::uint64_t total = 0;
  for (const auto& path : files) {
    std::string name = entry_name(path);
    const auto measured = platform::file_size(path);
    const std::uint64_t size = measured ? *measured : kUnknownSize;
    if (size > kMaxBundleFileSize) {
      log_info("[feedback] skip oversized entry name={} size={}", name, size);
      ++bundle.skipped_oversized;
      continue;
    }
    if (add_saturating(total, size) > kMaxBundleTotalSize) {
      log_info("[feedback] skip past total cap name={} accum={} cap={}", name, total,
               kMaxBundleTotalSize);
      ++bundle.skipped_cap;
      continue;
    }
    auto data = read(path, size);
    if (!data) {
      entries.push_back({text::path_to_utf8(path) + ".missing.txt",
                         "(could not read: " + reason_text(data.error()) + ")"});
      continue;
    }
    total = add_saturating(total, data->size());
    entries.push_back({std::move(name), std::move(*data)});
  }

  auto archive = write_zip(entries, dos_stamp(now()));
  if (!archive) return std::move(archive).error();
  bundle.archive = std::move(*archive);
  bundle.entry_count = static_cast<std::uint32_t>(entries.size());
  log_info("[feedback] zip built: {} bytes ({} entries, {} skipped_oversized, {} skipped_cap)",
           bundle.archive.size(), bundle.entry_count, bundle.skipped_oversized, bundle.skipped_cap);
  return bundle;
}

}  // namespace detail

Result<LogBundle> build_log_bundle(const std::vector<Path>& files, const BundleClock& now) {
  return detail::build_log_bundle_with(files, now, &detail::read_bundle_file);
}

}  // namespace corvald::feedback
