#include "live_settings.hpp"

#include <algorithm>

namespace corvald::devserver {
namespace {

Outcome<bool> set_status(std::optional<int>& field, const std::string& key,
                         const std::string& value) {
  if (value.empty()) {
    field.reset();
    return Outcome<bool>::ok(true);
  }
  const auto status = parse_bounded(value, 0, 999);
  if (!status || !is_answerable_status(*status)) {
    return Outcome<bool>::fail(key + "=" + value + ": a status from 200 to 599 is expected");
  }
  field = static_cast<int>(*status);
  return Outcome<bool>::ok(true);
}

Outcome<bool> set_stall(std::optional<int>& field, const std::string& key,
                        const std::string& value) {
  if (value.empty()) {
    field.reset();
    return Outcome<bool>::ok(true);
  }
  const auto ms = parse_bounded(value, 0, max_stall_ms);
  if (!ms) {
    return Outcome<bool>::fail(key + "=" + value + ": milliseconds from 0 to " +
                               std::to_string(max_stall_ms) + " are expected");
  }
  field = static_cast<int>(*ms);
  return Outcome<bool>::ok(true);
}

void set_text(std::optional<std::string>& field, const std::string& value) {
  if (value.empty()) {
    field.reset();
  } else {
    field = value;
  }
}

Outcome<bool> set_fault(std::map<std::string, std::string, std::less<>>& faults,
                        const std::string& key, const std::string& value) {
  if (value.empty()) {
    faults.erase(key);
    return Outcome<bool>::ok(true);
  }
  DownloadFaults scratch;
  auto checked = apply_fault(scratch, key, value);
  if (checked) faults[key] = value;
  return checked;
}

bool rearms_single_drop(const ControlParams& params) {
  return std::any_of(params.begin(), params.end(), [](const auto& param) {
    return param.first == "drop_after" || param.first == "drop_mode";
  });
}

}  // namespace

Outcome<Overrides> apply_control_params(Overrides current, const ControlParams& params) {
  for (const auto& [key, value] : params) {
    Outcome<bool> applied = Outcome<bool>::ok(true);
    if (key == "feed_status") {
      applied = set_status(current.feed_status, key, value);
    } else if (key == "telemetry_status") {
      applied = set_status(current.telemetry_status, key, value);
    } else if (key == "upload_url_status") {
      applied = set_status(current.upload_url_status, key, value);
    } else if (key == "storage_status") {
      applied = set_status(current.storage_status, key, value);
    } else if (key == "submit_status") {
      applied = set_status(current.submit_status, key, value);
    } else if (key == "feed_body") {
      set_text(current.feed_body, value);
    } else if (key == "feed_content_type") {
      set_text(current.feed_content_type, value);
    } else if (key == "telemetry_stall_ms") {
      applied = set_stall(current.telemetry_stall_ms, key, value);
    } else if (key == "storage_stall_ms") {
      applied = set_stall(current.storage_stall_ms, key, value);
    } else if (is_fault_key(key)) {
      applied = set_fault(current.faults, key, value);
    } else {
      applied = Outcome<bool>::fail("unknown setting '" + key + "'");
    }
    if (!applied) return Outcome<Overrides>::fail(applied.error());
  }
  return Outcome<Overrides>::ok(std::move(current));
}

EffectiveSettings merge(const Options& options, const Overrides& overrides) {
  EffectiveSettings s;
  s.feed_status = overrides.feed_status ? overrides.feed_status : options.feed_status;
  s.feed_body = overrides.feed_body.value_or(options.feed_body);
  s.feed_content_type =
      overrides.feed_content_type ? overrides.feed_content_type : options.feed_content_type;
  s.telemetry_status = overrides.telemetry_status.value_or(options.telemetry_status);
  s.telemetry_stall_ms = overrides.telemetry_stall_ms.value_or(options.telemetry_stall_ms);
  s.upload_url_status = overrides.upload_url_status;
  s.storage_status = overrides.storage_status;
  s.submit_status = overrides.submit_status;
  s.storage_stall_ms = overrides.storage_stall_ms.value_or(0);
  s.faults = options.faults;
  // Checked when they were stored, so applying them again cannot fail.
  for (const auto& [key, value] : overrides.faults) (void)apply_fault(s.faults, key, value);
  return s;
}

std::string LiveSettings::apply(const ControlParams& params) {
  std::lock_guard lock(mutex_);
  auto updated = apply_control_params(overrides_, params);
  if (!updated) return updated.error();
  overrides_ = std::move(updated.value());
  if (rearms_single_drop(params)) single_drop_spent_ = false;
  return {};
}

bool LiveSettings::claim_single_drop() {
  std::lock_guard lock(mutex_);
  return !std::exchange(single_drop_spent_, true);
}

EffectiveSettings LiveSettings::current() const {
  std::lock_guard lock(mutex_);
  return merge(options_, overrides_);
}

}  // namespace corvald::devserver
