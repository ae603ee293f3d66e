#include "ui/tick.hpp"

#include <algorithm>

#include "i18n/i18n.hpp"

namespace corvald::ui {

int progress_position(std::uint32_t percent) {
  return static_cast<int>(std::min<std::uint32_t>(percent, 100)) * (progress_range / 100);
}

std::string release_day(const std::optional<std::string>& release_date) {
  if (!release_date) return "-";
  return release_date->substr(0, release_date->find('T'));
}

TickView decide_tick(const UiStatusFields& status, std::chrono::steady_clock::time_point now) {
  TickView view;
  if (!status.text.empty()) view.status_text = status.text;
  view.progress_position = progress_position(status.percent);
  if (status.target_version) {
    view.version_line = i18n::tr_with(
        "ui.version_subtitle_update",
        {{"version", *status.target_version}, {"date", release_day(status.release_date)}});
  }
  if (!status.finished) return view;

  if (status.phase == Phase::failed) {
    if (status.error_text) view.status_text = *status.error_text;
    view.after = AfterTick::stop_and_stay;
  } else if (status.phase == Phase::done && status.finished_at) {
    // Whole seconds, so the window stays up for at least two full seconds after success.
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(now - *status.finished_at);
    if (elapsed.count() > 1) view.after = AfterTick::stop_and_quit;
  }
  return view;
}

}  // namespace corvald::ui
