#include "startup/client_id.hpp"

#include <system_error>

#include "net/uuid.hpp"
#include "platform/file.hpp"
#include "platform/file_error.hpp"
#include "platform/file_tree.hpp"
#include "startup/paths.hpp"
#include "text/utf.hpp"

namespace corvald {
namespace {

// Nothing when the file is missing or cannot be read whole; a folder in its place is one
// such case, and must not end the process as a stream's read error would.
std::optional<std::string> read_existing(const Path& file) {
  auto in = platform::File::open_for_read(file);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  for (;;) {
    auto got = in->read(buffer, sizeof buffer);
    if (!got) return std::nullopt;
    if (*got == 0) break;
    bytes.append(buffer, *got);
  }
  if (!text::is_valid_utf8(bytes)) return std::nullopt;
  std::string trimmed = text::trim_unicode_space(bytes);
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

}  // namespace

Result<std::string> load_or_create_client_id_under(const std::optional<Path>& local_app_data) {
  if (!local_app_data) return StubError::internal("LOCALAPPDATA env var not set");
  const auto dir = stub_dir_under(*local_app_data);
  const auto file = dir / "stub-cuid";
  if (auto existing = read_existing(file)) return *existing;

  if (auto made = platform::create_own_folders(*local_app_data, dir); !made) {
    return made.error().with_context("store the client id");
  }
  std::string id = net::new_uuid_v4();
  // The operating system's own reason reaches the log when the id cannot be stored.
  auto out = platform::File::create_truncate(file);
  if (!out) return std::move(out).error().with_context("store the client id");
  if (auto written = out->append(id.data(), id.size()); !written) {
    return written.error().with_context("store the client id");
  }
  return id;
}

}  // namespace corvald
