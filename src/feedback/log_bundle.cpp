#include "feedback/log_bundle.hpp"

#include <algorithm>
#include <limits>
#include <system_error>

#include "feedback/zip_writer.hpp"
#include "logfile/log.hpp"
#include "platform/file.hpp"
#include "text/format.hpp"
#include "text/utf.hpp"

namespace corvald::feedback {
namespace {

constexpr std::uint64_t kUnknownSize = std::numeric_limits<std::uint64_t>::max();

std::uint64_t add_saturating(std::uint64_t a, std::uint64_t b) {
  return b > kUnknownSize - a ? kUnknownSize : a + b;
}

// path::u8string() throws on Windows when a name holds an unpaired surrogate; such names
// must still reach the archive, with U+FFFD in place of the broken unit.
std::string path_text(const std::filesystem::path& path) {
#ifdef _WIN32
  {
    const auto& wide = path.native();
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
      const char32_t unit = static_cast<char16_t>(wide[i]);
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
        const char32_t low = static_cast<char16_t>(wide[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          text::append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          ++i;
          continue;
        }
      }
      text::append_utf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? char32_t{0xFFFD} : unit);
    }
    return out;
  }
#else
  // POSIX names are bytes already; they are passed through unchanged.
  return path.native();
#endif
}

std::string entry_name(const std::filesystem::path& path) {
  const auto last = path.filename();
  if (last.empty()) return "file.bin";
  return path_text(last);
}

std::string reason_text(const StubError& error) {
  if (error.kind() == StubError::Kind::io) {
    return text::format("{} (os error {})", error.io_error().text, error.io_error().code);
  }
  return error.display();
}

// Reads at most `limit` bytes: the caps were checked against the measured size, and a log
// file still being appended to must not carry the bundle past them.
}  // namespace

namespace detail {

Result<std::string> read_bundle_file(const std::filesystem::path& path, std::uint64_t limit) {
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

Result<LogBundle> build_log_bundle_with(const std::vector<std::filesystem::path>& files,
                                        const BundleClock& now, const BundleReader& read) {
  LogBundle bundle;
  std::vector<BundleEntry> entries;
  std::uint64_t total = 0;
  for (const auto& path : files) {
    std::string name = entry_name(path);
    std::error_code ec;
    std::uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) size = kUnknownSize;
    if (size > kMaxBundleFileSize) {
      log_info(log_target::feedback, "[feedback] skip oversized entry name={} size={}", name,
               size);
      ++bundle.skipped_oversized;
      continue;
    }
    if (add_saturating(total, size) > kMaxBundleTotalSize) {
      log_info(log_target::feedback, "[feedback] skip past total cap name={} accum={} cap={}",
               name, total, kMaxBundleTotalSize);
      ++bundle.skipped_cap;
      continue;
    }
    auto data = read(path, size);
    if (!data) {
      entries.push_back({path_text(path) + ".missing.txt",
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
  log_info(log_target::feedback,
           "[feedback] zip built: {} bytes ({} entries, {} skipped_oversized, {} skipped_cap)",
           bundle.archive.size(), bundle.entry_count, bundle.skipped_oversized,
           bundle.skipped_cap);
  return bundle;
}

}  // namespace detail

Result<LogBundle> build_log_bundle(const std::vector<std::filesystem::path>& files,
                                   const BundleClock& now) {
  return detail::build_log_bundle_with(files, now, &detail::read_bundle_file);
}

}  // namespace corvald::feedback
