// A seeded mixture of faults: for every request the server draws either no fault or one of the
// ways real servers and networks misbehave, and before the run one way an earlier run may have
// left the cache. The draw depends only on the seed, what was asked for and how many times the
// same thing was asked for before, not on the order in which parallel connections arrive, so a
// seed replays the same faults. Every fault applied is recorded with the request it hit.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvald::devserver {

enum class FaultKind {
  none,
  reset_before_headers,  // the connection is reset before the status line
  reset_after_bytes,     // reset after `amount` body bytes
  stall,                 // `amount` ms before the status line, shorter than any client time-out
  status_500,
  status_502,
  status_503,
  status_429,
  ignore_range,           // 200 with the whole file to a ranged request
  wrong_content_range,    // 206 with the right bytes under a Content-Range naming others
  shifted_content_range,  // 206 with the bytes `amount` further on, and a header saying so
  short_body,             // `amount` body bytes, then an orderly close
  long_body,              // `amount` bytes more than Content-Length announces
  trickle,                // the body spread over `amount` ms
  corrupt_byte,           // body byte `amount` changed
  length_smaller,         // Content-Length `amount` below the body's length
  length_larger,          // Content-Length `amount` above the body's length, then close
};

// What an earlier run left in the cache folder of the release, planted before the run.
enum class CacheFault {
  none,
  stale_download,       // a `.download` file of `amount` bytes of rubbish
  cached_cut_short,     // the installer at its final path, cut to `amount` bytes
  cached_byte_changed,  // the installer at its final path with byte `amount` changed
};

struct Fault {
  FaultKind kind = FaultKind::none;
  std::uint64_t amount = 0;
};

struct CachePlan {
  CacheFault kind = CacheFault::none;
  std::uint64_t amount = 0;
};

// The feed, a plain GET or HEAD of the installer, a ranged GET of it. The faults about Range
// are drawn for ranged requests only.
enum class RequestKind { feed, whole_file, range };

std::string_view fault_name(FaultKind kind);
std::string_view cache_fault_name(CacheFault kind);
// Every kind a schedule can draw, in declaration order (none left out).
std::vector<FaultKind> all_fault_kinds();

// "stall 1200", "status_503", "none".
std::string describe(const Fault& fault);
std::string describe(const CachePlan& plan);

// Milliseconds the fault itself adds to the answer (a stall or a trickle); 0 for the others.
std::uint64_t fault_delay_ms(const Fault& fault);

// A retried range resumes after the bytes that arrived, which a reset can make vary from run
// to run; its draws are keyed on where the range ends ("GET /f bytes=-99" for
// "GET /f bytes=40-99"), so a seed meets the same kinds of fault again.
std::string replay_key(std::string_view what);

// One request in four is hit: enough for mixtures within one run, few enough that most runs
// can still be survived with the retries the stub has.
inline constexpr std::uint64_t kDefaultOdds = 4;

class ChaosSchedule {
 public:
  // installer_size: the release file's size, which the cache faults are cut to fit. One
  // installer request in `odds` is hit (none with 0), the feed less often (see draw_fault).
  ChaosSchedule(std::uint64_t seed, std::uint64_t installer_size,
                std::uint64_t odds = kDefaultOdds);

  std::uint64_t seed() const { return seed_; }
  CachePlan before_run() const { return before_run_; }

  // The fault for one request. `what` names the resource and the part asked for (path and
  // Range); `body_length` is the length of the body a sound answer would have. The try counted
  // is the how-manieth request for the same replay_key. Safe to call from several connections
  // at once; each call is recorded with the whole `what`.
  Fault draw(RequestKind kind, std::string_view what, std::uint64_t body_length);

  // One line per request drawn for, in the order the draws happened:
  // "<n> <what> try <t>: <fault>".
  std::string record() const;

 private:
  const std::uint64_t seed_;
  const std::uint64_t odds_;
  const CachePlan before_run_;
  mutable std::mutex mutex_;  // guards tries_ and lines_
  std::map<std::string, std::uint64_t, std::less<>> tries_;
  std::vector<std::string> lines_;
};

// Pure: the fault for the `attempt`-th (from 1) request for `what` under `seed`. The feed is
// asked for once and never retried, so it is hit at 2.5 times lower odds, or most runs would
// end there.
Fault draw_fault(std::uint64_t seed, RequestKind kind, std::string_view what, std::uint64_t attempt,
                 std::uint64_t body_length, std::uint64_t odds = kDefaultOdds);
CachePlan draw_cache_plan(std::uint64_t seed, std::uint64_t installer_size);

}  // namespace corvald::devserver
