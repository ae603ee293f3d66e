// The answers a test can change while the server runs (POST /__control/set): each value
// replaces the command-line one until it is cleared again with an empty value.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "options.hpp"

namespace corvald::devserver {

struct Overrides {
  std::optional<int> feed_status;
  std::optional<std::string> feed_body;
  std::optional<std::string> feed_content_type;
  std::optional<int> telemetry_status;
  std::optional<int> telemetry_stall_ms;
  std::optional<int> upload_url_status;
  std::optional<int> storage_status;
  std::optional<int> submit_status;
  std::optional<int> storage_stall_ms;  // a slow storage: the PUT is answered this much later
  // Fault key to its checked value; a key that is absent leaves the command line's value.
  std::map<std::string, std::string, std::less<>> faults;
};

// What the handlers act on: the command line with the overrides laid over it.
struct EffectiveSettings {
  std::optional<int> feed_status;
  std::string feed_body;
  std::optional<std::string> feed_content_type;
  int telemetry_status = 200;
  int telemetry_stall_ms = 0;
  // Forced answers of the feedback endpoints; unset means they work normally.
  std::optional<int> upload_url_status;
  std::optional<int> storage_status;
  std::optional<int> submit_status;
  int storage_stall_ms = 0;
  DownloadFaults faults;
};

using ControlParams = std::vector<std::pair<std::string, std::string>>;

// Applies all pairs or, when one key is unknown or one value is out of range, none of them;
// the error names the offending pair.
Outcome<Overrides> apply_control_params(Overrides current, const ControlParams& params);

EffectiveSettings merge(const Options& options, const Overrides& overrides);

class LiveSettings {
 public:
  explicit LiveSettings(Options options) : options_(std::move(options)) {}

  // Empty on success, otherwise why nothing was changed.
  std::string apply(const ControlParams& params);
  EffectiveSettings current() const;

  // drop_mode once: true for the first answer that reaches drop_after, false after it until
  // drop_after or drop_mode is set again, which arms the cut anew.
  bool claim_single_drop();

 private:
  const Options options_;
  mutable std::mutex mutex_;  // guards overrides_ and single_drop_spent_; held only to copy
                              // or replace them
  Overrides overrides_;
  bool single_drop_spent_ = false;
};

}  // namespace corvald::devserver
