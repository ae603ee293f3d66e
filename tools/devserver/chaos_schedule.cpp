#include "chaos_schedule.hpp"

#include <algorithm>
#include <array>

namespace corvald::devserver {
namespace {

// A small generator of its own rather than std::mt19937 and the distributions, whose output the
// standard leaves to each library: a seed must replay the same faults wherever it runs.
class SplitMix {
 public:
  explicit SplitMix(std::uint64_t state) : state_(state) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // Uniform enough in [low, high] for fault amounts; high >= low.
  std::uint64_t between(std::uint64_t low, std::uint64_t high) {
    return low + next() % (high - low + 1);
  }

 private:
  std::uint64_t state_;
};

std::uint64_t fnv1a(std::string_view text, std::uint64_t hash = 0xCBF29CE484222325u) {
  for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001B3u;
  return hash;
}

constexpr std::array<std::string_view, 17> kNames{"none",
                                                  "reset_before_headers",
                                                  "reset_after_bytes",
                                                  "stall",
                                                  "status_500",
                                                  "status_502",
                                                  "status_503",
                                                  "status_429",
                                                  "ignore_range",
                                                  "wrong_content_range",
                                                  "shifted_content_range",
                                                  "short_body",
                                                  "long_body",
                                                  "trickle",
                                                  "corrupt_byte",
                                                  "length_smaller",
                                                  "length_larger"};

bool applies_to(FaultKind kind, RequestKind request) {
  switch (kind) {
    case FaultKind::none: return false;
    case FaultKind::ignore_range:
    case FaultKind::wrong_content_range:
    case FaultKind::shifted_content_range: return request == RequestKind::range;
    default: return true;
  }
}

std::uint64_t amount_for(FaultKind kind, SplitMix& random, std::uint64_t body_length) {
  const std::uint64_t last = body_length == 0 ? 0 : body_length - 1;
  switch (kind) {
    case FaultKind::reset_after_bytes:
    case FaultKind::short_body:
    case FaultKind::corrupt_byte: return random.between(0, last);
    // Well under the client's time-outs (seconds to connect and send, minutes to receive).
    case FaultKind::stall: return random.between(200, 2500);
    case FaultKind::trickle: return random.between(500, 3000);
    case FaultKind::shifted_content_range: return random.between(1, 65536);
    case FaultKind::long_body: return random.between(1, 4096);
    case FaultKind::length_smaller:
    case FaultKind::length_larger:
      return random.between(1, std::max<std::uint64_t>(1, std::min<std::uint64_t>(last, 4096)));
    default: return 0;
  }
}

}  // namespace

std::string replay_key(std::string_view what) {
  const auto start = what.find("bytes=");
  if (start == std::string_view::npos) return std::string(what);
  const auto dash = what.find('-', start);
  if (dash == std::string_view::npos) return std::string(what);
  return std::string(what.substr(0, start + 6)) + std::string(what.substr(dash));
}

std::string_view fault_name(FaultKind kind) { return kNames.at(static_cast<std::size_t>(kind)); }

std::string_view cache_fault_name(CacheFault kind) {
  switch (kind) {
    case CacheFault::stale_download: return "stale_download";
    case CacheFault::cached_cut_short: return "cached_cut_short";
    case CacheFault::cached_byte_changed: return "cached_byte_changed";
    default: return "none";
  }
}

std::vector<FaultKind> all_fault_kinds() {
  std::vector<FaultKind> kinds;
  for (std::size_t i = 1; i < kNames.size(); ++i) kinds.push_back(static_cast<FaultKind>(i));
  return kinds;
}

std::string describe(const Fault& fault) {
  std::string text(fault_name(fault.kind));
  switch (fault.kind) {
    case FaultKind::none:
    case FaultKind::status_500:
    case FaultKind::status_502:
    case FaultKind::status_503:
    case FaultKind::status_429:
    case FaultKind::ignore_range:
    case FaultKind::wrong_content_range:
    case FaultKind::reset_before_headers: return text;
    default: return text + " " + std::to_string(fault.amount);
  }
}

std::string describe(const CachePlan& plan) {
  std::string text(cache_fault_name(plan.kind));
  if (plan.kind == CacheFault::none) return text;
  return text + " " + std::to_string(plan.amount);
}

std::uint64_t fault_delay_ms(const Fault& fault) {
  return fault.kind == FaultKind::stall || fault.kind == FaultKind::trickle ? fault.amount : 0;
}

Fault draw_fault(std::uint64_t seed, RequestKind kind, std::string_view what, std::uint64_t attempt,
                 std::uint64_t body_length, std::uint64_t odds) {
  if (odds == 0) return {};
  SplitMix random(fnv1a(what, seed * 0x100000001B3u + attempt) ^
                  (kind == RequestKind::feed ? 0x5EEDu : 0));
  const std::uint64_t hit_odds =
      kind == RequestKind::feed ? std::max<std::uint64_t>(1, odds * 5 / 2) : odds;
  if (random.next() % hit_odds != 0) return {};
  std::vector<FaultKind> candidates;
  for (const FaultKind candidate : all_fault_kinds()) {
    if (applies_to(candidate, kind)) candidates.push_back(candidate);
  }
  const FaultKind chosen = candidates[random.next() % candidates.size()];
  return {chosen, amount_for(chosen, random, body_length)};
}

CachePlan draw_cache_plan(std::uint64_t seed, std::uint64_t installer_size) {
  SplitMix random(fnv1a("before the run", seed));
  const std::uint64_t last = installer_size == 0 ? 0 : installer_size - 1;
  switch (random.next() % 4) {
    case 1:
      return {CacheFault::stale_download, random.between(1, std::max<std::uint64_t>(1, last))};
    case 2: return {CacheFault::cached_cut_short, random.between(0, last)};
    case 3: return {CacheFault::cached_byte_changed, random.between(0, last)};
    default: return {};
  }
}

ChaosSchedule::ChaosSchedule(std::uint64_t seed, std::uint64_t installer_size, std::uint64_t odds)
    : seed_(seed), odds_(odds), before_run_(draw_cache_plan(seed, installer_size)) {}

Fault ChaosSchedule::draw(RequestKind kind, std::string_view what, std::uint64_t body_length) {
  const std::string key = replay_key(what);
  std::lock_guard lock(mutex_);
  auto tried = tries_.find(key);
  if (tried == tries_.end()) tried = tries_.emplace(key, 0).first;
  const std::uint64_t attempt = ++tried->second;
  const Fault fault = draw_fault(seed_, kind, key, attempt, body_length, odds_);
  lines_.push_back(std::to_string(lines_.size() + 1) + " " + std::string(what) + " try " +
                   std::to_string(attempt) + ": " + describe(fault));
  return fault;
}

std::string ChaosSchedule::record() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}

}  // namespace corvald::devserver
