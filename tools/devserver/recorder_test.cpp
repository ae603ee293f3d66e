#include "recorder.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "temp_folder.hpp"

namespace corvald::devserver {
namespace {

TEST(RecordLineTest, HoldsEveryPartOfTheRequest) {
  const RecordedRequest request{"POST",
                                "/api/v2/report?cv-request-id=r%201&x=",
                                {{"Content-Type", "application/json"}, {"CV-Client-Id", "c\"1"}},
                                "{\"event_name\":\"caf\xC3\xA9\"}\n"};
  EXPECT_EQ(format_record_line(7, request),
            R"({"seq":7,"method":"POST","path":"/api/v2/report","query":"cv-request-id=r%201&x=",)"
            R"("headers":[["Content-Type","application/json"],["CV-Client-Id","c\"1"]],)"
            "\"body\":\"{\\\"event_name\\\":\\\"caf\xC3\xA9\\\"}\\n\",\"body_base64\":false}");
}

TEST(RecordLineTest, BinaryBodiesGoInBase64AndEmptyPartsStayPresent) {
  const RecordedRequest binary{"PUT", "/upload", {}, std::string("PK\x03\x04\xff", 5)};
  EXPECT_EQ(format_record_line(1, binary),
            R"({"seq":1,"method":"PUT","path":"/upload","query":"","headers":[],)"
            R"("body":"UEsDBP8=","body_base64":true})");
}

TEST(RecordLineTest, SplitsTheTargetAtTheFirstQuestionMark) {
  EXPECT_EQ(split_target("/a/b"), std::make_pair(std::string_view("/a/b"), std::string_view()));
  EXPECT_EQ(split_target("/a?"), std::make_pair(std::string_view("/a"), std::string_view()));
  EXPECT_EQ(split_target("/a?x=1?2"),
            std::make_pair(std::string_view("/a"), std::string_view("x=1?2")));
}

TEST(RecorderTest, FileKeepsEveryRequestMemoryLeavesOutControlAndResets) {
  TempFolder folder;
  const auto file = folder.path() / "requests.jsonl";
  folder.write("requests.jsonl", "earlier run\n");
  auto opened = Recorder::open(file);
  ASSERT_TRUE(opened) << opened.error();
  Recorder& recorder = *opened.value();

  EXPECT_EQ(recorder.record({"GET", "/api/voice-realtime/checkupdate/win-x64/last.yml", {}, ""}),
            1u);
  EXPECT_EQ(recorder.record({"POST", "/__control/set?feed_status=204", {}, ""}), 2u);
  EXPECT_EQ(recorder.record({"POST", "/api/v2/report", {}, "{}"}), 3u);

  const std::string kept = recorder.lines();
  EXPECT_NE(kept.find("\"seq\":1,"), std::string::npos);
  EXPECT_EQ(kept.find("__control"), std::string::npos);
  EXPECT_NE(kept.find("\"seq\":3,"), std::string::npos);
  EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 2);

  // Written through at once: the file is complete while the recorder is still open.
  const std::string written = read_file(file);
  EXPECT_EQ(written.rfind("earlier run\n", 0), 0u);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 4);
  EXPECT_NE(written.find("\"path\":\"/__control/set\",\"query\":\"feed_status=204\""),
            std::string::npos);

  recorder.reset();
  EXPECT_EQ(recorder.lines(), "");
  EXPECT_EQ(recorder.record({"GET", "/after", {}, ""}), 4u);  // numbering goes on
  const std::string after_reset = read_file(file);
  EXPECT_EQ(std::count(after_reset.begin(), after_reset.end(), '\n'), 5);
}

TEST(RecorderTest, FailsWhenTheFileCannotBeOpened) {
  TempFolder folder;
  EXPECT_FALSE(Recorder::open(folder.path() / "missing-folder" / "requests.jsonl"));
}

}  // namespace
}  // namespace corvald::devserver
