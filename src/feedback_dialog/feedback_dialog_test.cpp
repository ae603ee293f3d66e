#include <gtest/gtest.h>

#include "feedback_dialog/dialog_layout.hpp"
#include "feedback_dialog/feedback_message.hpp"
#include "feedback_dialog/feedback_shared.hpp"

namespace corvald::feedback_dialog {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(FeedbackPoll, NothingUntilTheThreadIsDoneAndNothingForAnEmptyResult) {
  FeedbackShared shared;
  shared.sending = true;
  EXPECT_EQ(poll(shared, Clock::now()).kind, PollView::Kind::nothing);
  shared.done = true;  // done without a result: the tick stops after copying
  EXPECT_EQ(poll(shared, Clock::now()).kind, PollView::Kind::nothing);
  EXPECT_TRUE(shared.sending);
}

TEST(FeedbackPoll, FailureIsTakenBackAndTheDialogIsIdleAgain) {
  FeedbackShared shared;
  shared.sending = true;
  store_outcome(shared, {false, "HTTP 500 for feedback/submit"}, Clock::now());
  const PollView v = poll(shared, Clock::now());
  EXPECT_EQ(v.kind, PollView::Kind::failed);
  EXPECT_EQ(v.status_text, "Send failed: HTTP 500 for feedback/submit");
  EXPECT_FALSE(shared.sending);
  EXPECT_FALSE(shared.done);
  EXPECT_FALSE(shared.result);
  EXPECT_FALSE(shared.completed_at);
  EXPECT_EQ(poll(shared, Clock::now()).kind, PollView::Kind::nothing);
}

TEST(FeedbackPoll, SuccessRepeatsUntilTwoWholeSecondsHavePassed) {
  FeedbackShared shared;
  shared.sending = true;
  const auto t0 = Clock::now();
  store_outcome(shared, {true, "feedback/2026/12/09/abc.zip"}, t0);
  for (const auto at : {t0, t0 + 1999ms}) {
    const PollView v = poll(shared, at);
    EXPECT_EQ(v.kind, PollView::Kind::sent);
    EXPECT_EQ(v.status_text, "Thanks — feedback sent. (log path: …feedback/2026/12/09/abc.zip)");
    EXPECT_FALSE(v.close);
  }
  EXPECT_TRUE(poll(shared, t0 + 2s).close);
  EXPECT_TRUE(shared.sending);  // nothing is reset: the controls stay disabled
}

TEST(FeedbackPoll, TailCountsScalarValuesNotUtf16Units) {
  EXPECT_EQ(blob_path_tail("0123456789"), "0123456789");
  const std::string forty = "abcdefgh" + std::string("0123456789012345678901234567890Z");
  EXPECT_EQ(blob_path_tail(forty), "0123456789012345678901234567890Z");
  // 34 scalar values, four of them outside the Basic Multilingual Plane.
  const std::string wide = "ab" + std::string("😀😀😀😀") + std::string(28, 'x');
  EXPECT_EQ(blob_path_tail(wide), "😀😀😀😀" + std::string(28, 'x'));
}

TEST(FeedbackMessageText, BlankSendsTheContextAloneAndTextIsTrimmed) {
  EXPECT_EQ(feedback_message("", "ctx").feedback_type, "debug_log");
  EXPECT_EQ(feedback_message(" \t\n\u3000", "ctx").description, "ctx");
  const FeedbackMessage m = feedback_message("  crash on start ", "os=10 arch=x64");
  EXPECT_EQ(m.feedback_type, "issue_report");
  EXPECT_EQ(m.description, "crash on start\nos=10 arch=x64");
}

TEST(FeedbackDialogScale, DesignedTableAt96DpiAndEveryFigureScaledAt120And144) {
  using ui::Rect;
  const DialogLayout d = dialog_layout(ui::Scale(96));
  EXPECT_EQ(d.client_width, 460);
  EXPECT_EQ(d.client_height, 300);
  EXPECT_EQ(d.hint, (Rect{16, 12, 430, 40}));
  EXPECT_EQ(d.description, (Rect{16, 58, 430, 150}));
  EXPECT_EQ(d.status, (Rect{16, 216, 430, 20}));
  EXPECT_EQ(d.cancel, (Rect{300, 250, 70, 28}));
  EXPECT_EQ(d.send, (Rect{378, 250, 70, 28}));
  EXPECT_EQ(d.button_row_right, 448);
  EXPECT_EQ(d.button_gap, 8);
  EXPECT_EQ(d.body_font, 14);
  EXPECT_EQ(d.small_font, 13);

  const DialogLayout at150 = dialog_layout(ui::Scale(144));
  EXPECT_EQ(at150.client_width, 690);
  EXPECT_EQ(at150.client_height, 450);
  EXPECT_EQ(at150.description, (Rect{24, 87, 645, 225}));
  EXPECT_EQ(at150.send, (Rect{567, 375, 105, 42}));
  EXPECT_EQ(at150.small_font, 20);

  // At 125 % Send's scaled left and width end one pixel past 448 scaled alone: the row keeps
  // both buttons where the scaled table puts them.
  const DialogLayout at125 = dialog_layout(ui::Scale(120));
  EXPECT_EQ(at125.cancel, (Rect{375, 313, 88, 35}));
  EXPECT_EQ(at125.send, (Rect{473, 313, 88, 35}));
  EXPECT_EQ(at125.button_row_right, 561);
  EXPECT_EQ(at125.button_gap, 10);
}

}  // namespace
}  // namespace corvald::feedback_dialog
