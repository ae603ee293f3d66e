// The answers a test can change while the server runs (POST /__control/set): each value
// replaces the command-line one until it is cleared again with an empty value.
#pragma once

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
};

// What the handlers act on: the command line with the overrides laid over it.
struct EffectiveSettings {
  std::optional<int> feed_status;
  std::string feed_body;
  std::optional<std::string> feed_content_type;
  int telemetry_status = 200;
  int telemetry_stall_ms = 0;
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

 private:
  const Options options_;
  mutable std::mutex mutex_;  // guards overrides_; held only to copy or replace it
  Overrides overrides_;
};

}  // namespace corvald::devserver
