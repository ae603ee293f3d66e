#include "worker/worker.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "base/test/sleep_recorder.hpp"
#include "i18n/i18n.hpp"

namespace corvald {
namespace {

// The native build has no HTTP stack, so set-up always fails here: the record must end
// failed with the localised internal-error text, not stay unfinished or claim success.
TEST(WorkerTest, SetUpFailureFinishesFailedWithTheLocalisedMessage) {
  testing::SleepRecorder pauses;
  auto status = std::make_shared<UiStatus>();

  const RunSettings without_local_app_data;
  run_worker(status, std::make_shared<CancelFlag>(), without_local_app_data, pauses.clock());

  const auto s = status->snapshot();
  EXPECT_EQ(pauses.waits, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(120)}));
  EXPECT_TRUE(s.finished);
  EXPECT_EQ(s.phase, Phase::failed);
  EXPECT_EQ(s.text, i18n::tr("ui.error.internal"));
  EXPECT_EQ(s.error_text, s.text);
}

}  // namespace
}  // namespace corvald
