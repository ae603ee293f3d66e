#include "faults.hpp"

#include <algorithm>
#include <array>

#include "options.hpp"
#include "release.hpp"

namespace corvald::devserver {
namespace {

// Below 1 KiB/s a slice would be a handful of bytes; the cap is still kept, only coarser.
constexpr std::uint64_t slices_per_second = 50;
constexpr std::uint64_t max_slice = 64 * 1024;

// Up to 1 TiB/s; a larger number is a typo, not a cap.
constexpr std::int64_t max_rate = std::int64_t{1} << 40;
constexpr std::int64_t max_drop_after = std::int64_t{1} << 40;

Outcome<bool> fail(std::string_view key, const std::string& value, const char* expected) {
  return Outcome<bool>::fail(std::string(key) + "=" + value + ": " + expected);
}

Outcome<bool> set_switch(bool& field, std::string_view key, const std::string& value) {
  if (value != "0" && value != "1") return fail(key, value, "0 or 1 is expected");
  field = value == "1";
  return Outcome<bool>::ok(true);
}

}  // namespace

bool is_fault_key(std::string_view key) {
  static constexpr std::array<std::string_view, 8> keys{
      "rate", "drop_after",   "drop_mode", "ignore_range",
      "html", "wrong_digest", "stall_ms",  "feed_drop_after"};
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

Outcome<bool> apply_fault(DownloadFaults& faults, std::string_view key, const std::string& value) {
  if (key == "rate") {
    const auto rate = parse_bounded(value, 0, max_rate);
    if (!rate) return fail(key, value, "bytes per second up to 2^40 are expected (0: no cap)");
    faults.rate = static_cast<std::uint64_t>(*rate);
  } else if (key == "drop_after" || key == "feed_drop_after") {
    const auto bytes = parse_bounded(value, 0, max_drop_after);
    if (!bytes) return fail(key, value, "a byte count up to 2^40 is expected");
    (key == "drop_after" ? faults.drop_after : faults.feed_drop_after) =
        static_cast<std::uint64_t>(*bytes);
  } else if (key == "drop_mode") {
    if (value != "once" && value != "always") return fail(key, value, "once or always is expected");
    faults.drop_mode = value == "once" ? DropMode::once : DropMode::always;
  } else if (key == "ignore_range") {
    return set_switch(faults.ignore_range, key, value);
  } else if (key == "html") {
    return set_switch(faults.html, key, value);
  } else if (key == "wrong_digest") {
    return set_switch(faults.wrong_digest, key, value);
  } else if (key == "stall_ms") {
    const auto ms = parse_bounded(value, 0, max_stall_ms);
    if (!ms) return fail(key, value, "milliseconds up to 3600000 are expected");
    faults.stall_ms = static_cast<int>(*ms);
  } else {
    return Outcome<bool>::fail("unknown setting '" + std::string(key) + "'");
  }
  return Outcome<bool>::ok(true);
}

std::size_t pacing_slice(std::uint64_t rate) {
  return static_cast<std::size_t>(
      std::clamp<std::uint64_t>(rate / slices_per_second, 1, max_slice));
}

std::chrono::nanoseconds pacing_wait(std::uint64_t sent, std::uint64_t rate,
                                     std::chrono::nanoseconds elapsed) {
  if (rate == 0) return std::chrono::nanoseconds(0);
  // Whole seconds apart from the rest: 2^40 bytes times 10^9 would not fit in 64 bits.
  const std::uint64_t rest_ns = static_cast<std::uint64_t>(static_cast<long double>(sent % rate) *
                                                           1e9L / static_cast<long double>(rate));
  const std::uint64_t due_ns = sent / rate * 1'000'000'000u + rest_ns;
  const auto spent = static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed.count(), 0));
  if (due_ns <= spent) return std::chrono::nanoseconds(0);
  return std::chrono::nanoseconds(static_cast<std::int64_t>(due_ns - spent));
}

const std::string& captive_portal_page() {
  static const std::string page =
      "<!DOCTYPE html>\n<html><head><title>Sign in to the network</title></head>\n"
      "<body><h1>Welcome</h1><p>Please accept the terms of use to continue browsing.</p>\n"
      "<form method=\"post\" action=\"/login\"><button>Accept</button></form></body></html>\n";
  return page;
}

Outcome<std::string> WrongDigest::get() {
  std::lock_guard lock(mutex_);
  if (!digest_) {
    auto computed = sha512_base64_of_file(file_, /*flip_first_byte=*/true);
    if (!computed) return computed;
    digest_ = std::move(computed.value());
  }
  return Outcome<std::string>::ok(*digest_);
}

}  // namespace corvald::devserver
