// What must hold after any run of the stub against a seeded fault schedule, judged from what
// the run left behind; kept apart from the running so a control can hand it a doctored run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvald::e2e {

// One request line of the devserver's fault record: "<n> <method> <path> <range> try <t>:
// <fault> [amount]".
struct RecordedFault {
  std::string request;  // "<method> <path> <range>"
  std::string kind;     // "none", "stall", ...
  std::uint64_t amount = 0;
};

std::vector<RecordedFault> parse_fault_record(const std::string& record);

struct CachedFile {
  std::string name;
  bool has_release_digest = false;
};

struct RunSeen {
  std::optional<unsigned long> exit_code;  // nothing: it did not end within its time-out
  std::optional<std::string> installed_version;
  std::vector<CachedFile> cache;  // every file under the cache folder after the run
  std::string log;
  double seconds = 0;
  std::vector<RecordedFault> faults;
};

// The time a run may take: its own work, the waits the stub's retries are built with for three
// whole attempts, and the delays of the faults it met.
double time_bound_seconds(const std::vector<RecordedFault>& faults);

// The names of the invariants the run broke, each with what was seen; empty when all held.
std::vector<std::string> broken_invariants(const RunSeen& run, const std::string& version);

}  // namespace corvald::e2e
