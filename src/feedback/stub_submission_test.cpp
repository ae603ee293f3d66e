#include "feedback/stub_submission.hpp"

#include <gtest/gtest.h>

namespace corvald {
namespace {

TEST(StubSubmission, SubmitOutside2xxIsTheHttpErrorForFeedbackSubmit) {
  const Result<void> refused = judge_submit({"b/r.zip", 500});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind(), StubError::Kind::http);
  EXPECT_EQ(refused.error().status(), 500u);
  EXPECT_EQ(refused.error().text(), "feedback/submit");
  EXPECT_FALSE(judge_submit({"p", 199}));
  EXPECT_FALSE(judge_submit({"p", 300}));
  EXPECT_TRUE(judge_submit({"p", 200}));
  EXPECT_TRUE(judge_submit({"p", 299}));
}

}  // namespace
}  // namespace corvald
