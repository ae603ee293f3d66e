// The feedback dialog opened from the main window, typed into and sent from this process, with
// what the devserver received: the grant, the archive and the submit record.
#include <regex>
#include <thread>

#include "file_bytes.hpp"
#include "windowed_fixture.hpp"

namespace corvald::e2e {
namespace {

constexpr char kSubmit[] = "/api/voice-realtime/feedback/submit";
constexpr char kGrant[] = "/api/voice-realtime/feedback/get-upload-url";
constexpr wchar_t kSending[] = L"Sending your feedback + install log…";

class FeedbackDialogE2eTest : public WindowedE2eTest {
 protected:
  void SetUp() override {
    WindowedE2eTest::SetUp();
    // A failed feed keeps the main window open for as long as a case needs it.
    ASSERT_TRUE(devserver_control("set?feed_status=500"));
    start();
    main_ = main_window();
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(status_becomes(main_, kHttp500, 30s)) << log();
  }

  void TearDown() override {
    (void)devserver_control("set?submit_status=&storage_stall_ms=");
    WindowedE2eTest::TearDown();
  }

  // Clicks Feedback and returns the dialog that was not there before.
  HWND open_dialog() {
    const auto before = windows_of(stub_->pid(), kDialog);
    click(controls_of(main_)[feedback].handle);
    HWND opened = nullptr;
    wait_until(
        [&] {
          for (HWND w : windows_of(stub_->pid(), kDialog)) {
            if (std::find(before.begin(), before.end(), w) == before.end()) opened = w;
          }
          return opened != nullptr;
        },
        10s);
    EXPECT_NE(opened, nullptr) << "no new feedback dialog";
    return opened;
  }

  static HWND control(HWND dialog, DialogIndex i) { return controls_of(dialog)[i].handle; }

  static bool status_starts_with(HWND dialog, const std::wstring& text,
                                 std::chrono::milliseconds timeout) {
    return wait_until([&] { return text_of(control(dialog, dialog_status)).starts_with(text); },
                      timeout);
  }

  static std::vector<ServerRecord> submits() { return devserver_requests(kSubmit); }

  HWND main_ = nullptr;
};

std::string unix_devserver_dir() {
  const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
  return dir ? dir : "";
}

TEST_F(FeedbackDialogE2eTest, SendUploadsTheDescriptionWithTheLogsAndTheDialogCloses) {
  for (const auto& blob : fs::directory_iterator(fs::path("Z:" + unix_devserver_dir()))) {
    if (blob.path().filename().string().starts_with("storage-")) fs::remove(blob.path());
  }
  ASSERT_TRUE(devserver_control("set?storage_stall_ms=1500"));  // time to see it sending
  HWND dialog = open_dialog();
  ASSERT_NE(dialog, nullptr);
  const SIZE client = client_size(dialog);
  EXPECT_EQ(client.cx, 460);
  EXPECT_EQ(client.cy, 300);
  expect_controls(dialog, kDialogLayout, {cancel, send});
  const auto controls = controls_of(dialog);
  ASSERT_EQ(controls.size(), std::size(kDialogLayout));
  EXPECT_EQ(controls[hint].text,
            L"Describe the issue you're seeing (optional). Your install log will be included "
            L"so support can diagnose.");
  EXPECT_EQ(controls[cancel].text, L"Cancel");
  EXPECT_EQ(controls[send].text, L"Send");
  shot("open");

  ASSERT_TRUE(set_text(controls[description].handle, L"  crash on start\r\n "));
  click(controls[send].handle);
  ASSERT_TRUE(status_starts_with(dialog, kSending, 5s));
  for (DialogIndex i : {description, cancel, send}) {
    EXPECT_FALSE(IsWindowEnabled(control(dialog, i))) << "control " << i << " while sending";
  }
  shot("sending");

  ASSERT_TRUE(status_starts_with(dialog, L"Thanks — feedback sent. (log path: …", 30s)) << log();
  shot("sent");
  const auto grants = devserver_requests(kGrant);
  ASSERT_EQ(grants.size(), 1u);
  const auto sent = submits();
  ASSERT_EQ(sent.size(), 1u);
  const std::string& body = sent[0].body;
  EXPECT_NE(body.find("\"feedback_type\":\"issue_report\""), std::string::npos) << body;
  EXPECT_NE(body.find("\"description\":\"crash on start\\n"), std::string::npos) << body;
  EXPECT_NE(body.find("\"file_format\":\"zip\""), std::string::npos) << body;
  // The prefix runs as Windows 10, the oldest system the stub is made for.
  EXPECT_TRUE(std::regex_search(body, std::regex("[\"&]os_version=10\\.0\\.\\d+&"))) << body;
  // The status line ends with the last 32 characters of the blob path the service granted.
  const std::smatch path = [&] {
    std::smatch m;
    std::regex_search(body, m, std::regex("\"blob_path\":\"([^\"]+)\""));
    return m;
  }();
  ASSERT_FALSE(path.empty()) << body;
  const std::string blob_path = path[1];
  const std::string tail = blob_path.substr(blob_path.size() > 32 ? blob_path.size() - 32 : 0);
  EXPECT_TRUE(text_of(control(dialog, dialog_status))
                  .ends_with(std::wstring(tail.begin(), tail.end()) + L")"));

  // unzip, not our own reader, judges the stored archive: sound, and app.log first.
  std::string stored;
  for (const auto& blob : fs::directory_iterator(fs::path("Z:" + unix_devserver_dir()))) {
    const std::string name = blob.path().filename().string();
    if (name.starts_with("storage-") && name.ends_with(".zip")) stored = name;
  }
  ASSERT_FALSE(stored.empty()) << "the devserver stored no archive";
  const auto listing = unzip_listing(unix_devserver_dir() + "/" + stored);
  ASSERT_TRUE(listing);
  EXPECT_TRUE(listing->starts_with("app.log\n")) << *listing;
  EXPECT_NE(listing->find("unzip-test=0"), std::string::npos) << *listing;

  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(dialog); }, 10s));
  EXPECT_TRUE(has_window(stub_->pid(), kCaption));
  EXPECT_NE(log().find("[feedback-ui] sent → blob_path=" + blob_path), std::string::npos);
}

TEST_F(FeedbackDialogE2eTest, EmptySendIsADebugLogAndAFailedSubmitCanBeSentAgain) {
  ASSERT_TRUE(devserver_control("set?submit_status=500"));
  HWND dialog = open_dialog();
  ASSERT_NE(dialog, nullptr);
  click(control(dialog, send));
  ASSERT_TRUE(status_starts_with(dialog, L"Send failed: HTTP 500 for feedback/submit", 30s))
      << log();
  shot("failed");
  EXPECT_TRUE(IsWindowEnabled(control(dialog, send)));
  EXPECT_TRUE(IsWindowEnabled(control(dialog, description)));
  ASSERT_EQ(submits().size(), 1u);
  EXPECT_NE(submits()[0].body.find("\"feedback_type\":\"debug_log\""), std::string::npos);

  ASSERT_TRUE(devserver_control("set?submit_status="));
  click(control(dialog, send));
  EXPECT_TRUE(status_starts_with(dialog, L"Thanks — feedback sent.", 30s)) << log();
  EXPECT_EQ(submits().size(), 2u);
}

TEST_F(FeedbackDialogE2eTest, ClosingWhileSendingHidesAtOnceAndTheUploadStillEnds) {
  ASSERT_TRUE(devserver_control("set?storage_stall_ms=3000"));
  HWND dialog = open_dialog();
  ASSERT_NE(dialog, nullptr);
  click(control(dialog, send));
  ASSERT_TRUE(status_starts_with(dialog, kSending, 5s));
  close_window(dialog);
  EXPECT_TRUE(wait_until([&] { return !has_window(stub_->pid(), kDialog); }, 2s));
  EXPECT_TRUE(submits().empty());  // the storage is still holding the upload
  EXPECT_TRUE(wait_until([&] { return submits().size() == 1; }, 30s));
  EXPECT_TRUE(has_window(stub_->pid(), kCaption));
}

TEST_F(FeedbackDialogE2eTest, TwoClicksGiveTwoDialogsEachWithItsOwnResult) {
  HWND first = open_dialog();
  HWND second = open_dialog();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(first, second);
  shot("two");

  ASSERT_TRUE(devserver_control("set?submit_status=500"));
  click(control(first, send));
  ASSERT_TRUE(status_starts_with(first, L"Send failed: ", 30s)) << log();
  ASSERT_TRUE(devserver_control("set?submit_status="));
  click(control(second, send));
  ASSERT_TRUE(status_starts_with(second, L"Thanks — feedback sent.", 30s)) << log();
  EXPECT_TRUE(text_of(control(first, dialog_status)).starts_with(L"Send failed: "));
  EXPECT_TRUE(IsWindowEnabled(control(first, send)));
}

}  // namespace
}  // namespace corvald::e2e
