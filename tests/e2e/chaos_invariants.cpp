#include "chaos_invariants.hpp"

#include <sstream>

namespace corvald::e2e {
namespace {

// A silent run with no fault: start-up under Wine, feed, a 13 MiB download over loopback, the
// digest and the NSIS install, with room for a machine busy with other builds.
constexpr double kOwnWorkSeconds = 45;
// What three whole attempts may wait by design: in each, the probe and then a range each
// waiting 0.5 s and 2 s before their second and third tries, then 2 s after each of the first
// two attempts; and each attempt's transfers again, parallel and fallback, at loopback speed.
constexpr double kRetryWaitsSeconds = 3 * (2 * 2.5) + 2 * 2.0;
constexpr double kRepeatedTransfersSeconds = 3 * 2 * 5.0;

bool is_feed(const RecordedFault& fault) {
  return fault.request.find("/last.yml") != std::string::npos;
}

// The fault leaves the feed as the service wrote it, only later.
bool feed_arrives_whole(const std::string& kind) {
  return kind == "none" || kind == "stall" || kind == "trickle" || kind == "long_body";
}

}  // namespace

std::vector<RecordedFault> parse_fault_record(const std::string& record) {
  std::vector<RecordedFault> faults;
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) {
    const auto space = line.find(' ');
    const auto colon = line.rfind(": ");
    const auto tried = line.rfind(" try ");
    if (space == std::string::npos || colon == std::string::npos || tried == std::string::npos ||
        tried < space) {
      continue;
    }
    RecordedFault fault;
    fault.request = line.substr(space + 1, tried - space - 1);
    std::istringstream what(line.substr(colon + 2));
    what >> fault.kind >> fault.amount;
    faults.push_back(std::move(fault));
  }
  return faults;
}

double time_bound_seconds(const std::vector<RecordedFault>& faults) {
  double delays = 0;
  for (const RecordedFault& fault : faults) {
    if (fault.kind == "stall" || fault.kind == "trickle") delays += fault.amount / 1000.0;
  }
  return kOwnWorkSeconds + kRetryWaitsSeconds + kRepeatedTransfersSeconds + delays;
}

std::vector<std::string> broken_invariants(const RunSeen& run, const std::string& version) {
  std::vector<std::string> broken;
  const auto fail = [&broken](const std::string& name, const std::string& seen) {
    broken.push_back(name + " (" + seen + ")");
  };
  const std::string code = run.exit_code ? std::to_string(*run.exit_code) : "none";

  if (!run.exit_code || (*run.exit_code != 0 && *run.exit_code != 1)) {
    fail("no crash", "exit code " + code);
  }
  if (run.exit_code == 0u) {
    if (run.installed_version != version) {
      fail("exit 0 only when installed", "installed " + run.installed_version.value_or("nothing"));
    }
    bool verified_installer = false;
    for (const CachedFile& file : run.cache) verified_installer |= file.has_release_digest;
    if (!verified_installer) {
      fail("exit 0 only with the feed's installer", "no cached file has the feed's SHA-512");
    }
  } else {
    if (run.installed_version)
      fail("a failure installs nothing", "installed " + *run.installed_version);
    if (run.log.find("[main] silent flow failed: ") == std::string::npos) {
      fail("a failure is logged", "no failure line");
    }
  }

  // A run that never got a sound feed never looked at the cache: what was planted there is
  // not the run's doing.
  bool feed_whole = true;
  for (const RecordedFault& fault : run.faults) {
    if (is_feed(fault)) feed_whole = feed_whole && feed_arrives_whole(fault.kind);
  }
  if (feed_whole || run.exit_code == 0u) {
    for (const CachedFile& file : run.cache) {
      if (file.name.find(".download") != std::string::npos) {
        fail("no .download left", file.name);
      } else if (!file.has_release_digest) {
        fail("no unverified installer left", file.name);
      }
    }
  }
  // Only a run that lost its feed or all three attempts may fail.
  if (run.exit_code == 1u && feed_whole && run.log.find("no attempts left") == std::string::npos) {
    fail("a survivable run installs", "failed with attempts left");
  }
  const double bound = time_bound_seconds(run.faults);
  if (run.seconds > bound) {
    std::ostringstream seen;
    seen << run.seconds << " s against " << bound << " s";
    fail("ends within its bound", seen.str());
  }
  return broken;
}

}  // namespace corvald::e2e
