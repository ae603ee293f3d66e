#include "telemetry/environment_meta.hpp"

#include <array>
#include <utility>

#include "build_info.hpp"
#include "text/format.hpp"

namespace corvald::telemetry {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

bool is_unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string mebibytes(std::optional<std::uint64_t> bytes) {
  return bytes ? std::to_string(*bytes / kMiB) : std::string();
}

}  // namespace

std::string_view native_arch_name(std::optional<std::uint16_t> machine) {
  if (!machine) return "unknown";
  switch (*machine) {
    case platform::kMachineArm64: return "arm64";
    case platform::kMachineArmNt: return "arm";
    case platform::kMachineAmd64: return "x64";
    case platform::kMachineI386: return "x86";
    default: return "unknown";
  }
}

std::string percent_encode(std::string_view text) {
  constexpr std::string_view hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (is_unreserved(c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0xF]);
    }
  }
  return out;
}

EnvironmentFacts gather_environment_facts(const std::optional<Path>& local_app_data) {
  EnvironmentFacts facts;
  facts.native_machine = platform::native_machine();
  facts.os_version = platform::os_version();
  if (local_app_data) {
    facts.disk_free_bytes = platform::disk_free_bytes(*local_app_data);
  }
  facts.memory = platform::memory_status();
  return facts;
}

std::string format_environment_meta(const EnvironmentFacts& facts) {
  const std::string os_version =
      facts.os_version ? text::format("{}.{}.{}", facts.os_version->major, facts.os_version->minor,
                                      facts.os_version->build)
                       : std::string("unknown");
  const std::optional<std::uint64_t> total =
      facts.memory ? std::optional(facts.memory->total_physical) : std::nullopt;
  const std::optional<std::uint64_t> available =
      facts.memory ? std::optional(facts.memory->available_physical) : std::nullopt;

  const std::array<std::pair<std::string_view, std::string>, 12> pairs{{
      {"source", "installer"},
      {"product", "tavrin"},
      {"os", "win"},
      {"arch", "x64"},
      {"native_arch", std::string(native_arch_name(facts.native_machine))},
      {"os_version", os_version},
      {"stub_version", build_info::stub_version},
      {"commit", build_info::commit},
      {"build_time", build_info::build_unix_seconds},
      {"disk_free_mb", mebibytes(facts.disk_free_bytes)},
      {"mem_total_mb", mebibytes(total)},
      {"mem_avail_mb", mebibytes(available)},
  }};

  std::string out = "<meta ";
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (i > 0) out.push_back('&');
    out.append(pairs[i].first);
    out.push_back('=');
    out.append(percent_encode(pairs[i].second));
  }
  out.push_back('>');
  return out;
}

std::string environment_meta_line(const std::optional<Path>& local_app_data) {
  return format_environment_meta(gather_environment_facts(local_app_data));
}

}  // namespace corvald::telemetry
