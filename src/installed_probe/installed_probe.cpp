#include "installed_probe/installed_probe.hpp"

#include <array>

#include "build_info.hpp"
#include "cache/cache_names.hpp"
#include "platform/file_system.hpp"
#include "text/utf.hpp"

namespace corvald {
namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;

struct Location {
  RegistryRoot root;
  std::string_view key;
};

// The stub is a 64-bit process, so the WOW6432Node path is read literally, not via a view.
constexpr std::array<Location, 3> kLocations{{
    {RegistryRoot::current_user, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {RegistryRoot::local_machine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {RegistryRoot::local_machine,
     "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
}};

std::string trim_spaces(std::string_view s) {
  std::u32string wide = text::utf8_to_u32_lossy(s);
  std::size_t begin = 0;
  std::size_t end = wide.size();
  while (begin < end && text::is_unicode_space(wide[begin])) ++begin;
  while (end > begin && text::is_unicode_space(wide[end - 1])) --end;
  return text::u32_to_utf8(std::u32string_view(wide).substr(begin, end - begin));
}

std::string strip_quotes(std::string s) {
  const auto first = s.find_first_not_of('"');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of('"') - first + 1);
}

bool ends_with_exe(std::string_view s) {
  if (s.size() < 4) return false;
  std::string tail(s.substr(s.size() - 4));
  for (char& c : tail) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return tail == ".exe";
}

std::optional<InstalledApp> probe_location(platform::Registry& registry, const Location& where) {
  auto location = registry.open_key(where.root, where.key, RegistryAccess::enumerate_and_query);
  if (!location.key) return std::nullopt;
  for (std::uint32_t index = 0;; ++index) {
    auto name = location.key->subkey_name(index);
    if (!name) return std::nullopt;
    auto entry = location.key->open_subkey(*name, RegistryAccess::read);
    if (!entry.key) continue;
    auto display_name = entry.key->read_text("DisplayName");
    if (!display_name || !display_name_matches(*display_name)) continue;
    auto version = entry.key->read_text("DisplayVersion");
    if (!version) continue;
    return InstalledApp{*version, exe_from_entry(entry.key->read_text("DisplayIcon"),
                                                 entry.key->read_text("InstallLocation"))};
  }
}

}  // namespace

bool display_name_matches(std::string_view name) {
  const std::string_view product = build_info::product_name;
  if (name == product) return true;
  const auto at = name.find(product);
  if (at == std::string_view::npos) return false;
  const std::string_view after = name.substr(at + product.size());
  return after.size() >= 2 && after[0] == ' ' && after[1] >= '0' && after[1] <= '9';
}

std::optional<Path> exe_from_entry(const std::optional<std::string>& display_icon,
                                   const std::optional<std::string>& install_location) {
  if (display_icon) {
    std::string_view icon = *display_icon;
    // Only a plain icon index is dropped; ",-1" and the like stay part of the text, which
    // then fails the ".exe" test below.
    const auto comma = icon.find(',');
    if (comma != std::string_view::npos && comma + 1 < icon.size() &&
        icon.find_first_not_of("0123456789", comma + 1) == std::string_view::npos) {
      icon = icon.substr(0, comma);
    }
    std::string path = strip_quotes(trim_spaces(icon));
    if (ends_with_exe(path)) return cache::path_from_utf8(path);
  }
  if (install_location) {
    std::string folder = strip_quotes(trim_spaces(*install_location));
    if (!folder.empty()) {
      return cache::path_from_utf8(folder) /
             cache::path_from_utf8(std::string(build_info::product_name) + ".exe");
    }
  }
  return std::nullopt;
}

std::optional<InstalledApp> probe_installed(platform::Registry& registry) {
  for (const auto& where : kLocations) {
    if (auto found = probe_location(registry, where)) return found;
  }
  return std::nullopt;
}

std::optional<InstalledApp> probe_installed() {
  return probe_installed(platform::system_registry());
}

std::optional<InstalledApp> probe_installed_healthy(platform::Registry& registry) {
  auto found = probe_installed(registry);
  if (!found || !found->exe || !platform::is_file(*found->exe)) {
    return std::nullopt;
  }
  return found;
}

std::optional<InstalledApp> probe_installed_healthy() {
  return probe_installed_healthy(platform::system_registry());
}

}  // namespace corvald
