#include "main/client_id.hpp"

#include <fstream>
#include <iterator>
#include <system_error>

#include "main/paths.hpp"
#include "net/uuid.hpp"
#include "platform/env.hpp"
#include "text/utf.hpp"

namespace corvald {
namespace {

std::optional<std::string> read_existing(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || !text::is_valid_utf8(bytes)) return std::nullopt;
  std::string trimmed = text::trim_unicode_space(bytes);
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

StubError io_error(const std::error_code& ec) {
  return StubError::io({static_cast<std::uint32_t>(ec.value()), ec.message()});
}

}  // namespace

Result<std::string> load_or_create_client_id_under(
    const std::optional<std::filesystem::path>& local_app_data) {
  if (!local_app_data) return StubError::internal("LOCALAPPDATA env var not set");
  const auto dir = stub_dir_under(*local_app_data);
  const auto file = dir / "stub-cuid";
  if (auto existing = read_existing(file)) return *existing;

  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return io_error(ec);
  std::string id = net::new_uuid_v4();
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << id;
  out.close();
  if (!out) {
    return io_error(std::make_error_code(std::errc::io_error));
  }
  return id;
}

Result<std::string> load_or_create_client_id() {
  return load_or_create_client_id_under(platform::env_path("LOCALAPPDATA"));
}

}  // namespace corvald
