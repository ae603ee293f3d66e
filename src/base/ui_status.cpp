#include "base/ui_status.hpp"

namespace corvald {

UiStatusFields UiStatus::snapshot() const {
  std::lock_guard lock(mutex_);
  return fields_;
}

void set_status(UiStatus& status, Phase phase, std::uint32_t percent, std::string text) {
  std::lock_guard lock(status.mutex_);
  if (status.fields_.finished) return;
  status.fields_.phase = phase;
  status.fields_.percent = percent;
  status.fields_.text = std::move(text);
}

void finish_ok(UiStatus& status, std::string text) {
  const auto now = status.clock_.now();
  std::lock_guard lock(status.mutex_);
  auto& f = status.fields_;
  if (f.finished) return;
  f.phase = Phase::done;
  f.percent = 100;
  f.text = std::move(text);
  f.finished = true;
  f.finished_at = now;
}

void finish_failed(UiStatus& status, std::string text) {
  const auto now = status.clock_.now();
  std::lock_guard lock(status.mutex_);
  auto& f = status.fields_;
  f.phase = Phase::failed;
  f.error_text = text;
  f.text = std::move(text);
  f.finished = true;
  f.finished_at = now;
}

void set_target(UiStatus& status, std::string version, std::optional<std::string> release_date) {
  std::lock_guard lock(status.mutex_);
  status.fields_.target_version = std::move(version);
  status.fields_.release_date = std::move(release_date);
}

}  // namespace corvald
