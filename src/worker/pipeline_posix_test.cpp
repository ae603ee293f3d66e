// The whole install pipeline on POSIX: the scripted session plays the service and the download
// host, the memory registry the uninstall entries, shell scripts the installer and the
// application, and a fake clock the waits.
#include "worker/pipeline.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "download/download_test_support.hpp"
#include "i18n/i18n.hpp"
#include "logfile/test/log_capture.hpp"
#include "net/test/scripted_session.hpp"
#include "platform/test/memory_registry.hpp"
#include "telemetry/test/telemetry_test_support.hpp"

namespace corvald {
namespace {

using namespace std::chrono_literals;
using download::testing::FakeClock;
using download::testing::parse_range;
using download::testing::ScratchDir;
using net::test::RecordedRequest;
using net::test::ScriptedReply;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr const char* kFeedUrl = "http://service.test/checkupdate/last.yml";
constexpr const char* kInstallerUrl = "http://cdn.test/release/corvald-setup-2.4.0.exe";

constexpr RunKind kWindowed = RunKind::windowed;
constexpr RunKind kSilent = RunKind::silent;

class DownloadInstallPipeline : public ::testing::Test {
 protected:
  ~DownloadInstallPipeline() override { EXPECT_EQ(session_->open_bodies(), 0u); }

  // A shell script that records its arguments in `marker` and exits with `code`, padded with a
  // comment to `size` bytes so that a download of it needs more than one request.
  std::string installer(const std::string& marker, int code, std::size_t size = 0) const {
    std::string text = "#!/bin/sh\necho \"$@\" > '" + (dir_.path() / marker).string() + "'\nexit " +
                       std::to_string(code) + "\n";
    if (text.size() + 3 < size) text += "# " + std::string(size - text.size() - 3, 'x') + "\n";
    return text;
  }
  std::filesystem::path executable(const std::string& name, const std::string& text) const {
    const auto path = dir_.path() / name;
    download::testing::write_file(path, text);
    ::chmod(path.c_str(), 0755);
    return path;
  }
  std::filesystem::path version_folder() const { return cache_root_ / "2.4.0"; }
  std::filesystem::path cached_installer() const {
    return version_folder() / "corvald-setup-2.4.0.exe";
  }
  void cache(const std::string& text) {
    std::filesystem::create_directories(version_folder());
    executable("staged", text);
    std::filesystem::rename(dir_.path() / "staged", cached_installer());
  }
  void installed(const std::string& version, const std::filesystem::path& exe) {
    auto& values = registry_.keys[{platform::RegistryRoot::current_user,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\x"}];
    values["DisplayName"] = std::string("Corvald Tavrin");
    values["DisplayVersion"] = version;
    values["DisplayIcon"] = exe.string();
  }
  std::string feed_yaml(const std::string& installer_text) const {
    return std::string("version: 2.4.0\npath: ") + kInstallerUrl +
           "\nsha512: " + download::testing::sha512_of(dir_.path(), installer_text) +
           "\nsize: " + std::to_string(installer_text.size()) + "\n";
  }
  void serve_feed(const std::string& installer_text) {
    session_->push(ScriptedReply::with_body(feed_yaml(installer_text)));
  }
  std::string read(const std::string& marker) const {
    return download::testing::read_file(dir_.path() / marker);
  }

  Result<std::uint32_t> run(RunKind kind) {
    const PipelineDeps deps{
        .client = net::HttpClient(session_),
        .registry = registry_,
        .cache_root = cache_root_result_,
        .feed_url = kFeedUrl,
        .client_id = "8d7c6b5a-4e3f-4a1b-8c2d-1e0f9a8b7c6d",
        .telemetry = &telemetry_,
        .clock = clock_.clock(),
        .cancel = cancel_,
        .status = status_,
        .skip_install = skip_install_,
    };
    return run_pipeline(deps, kind);
  }

  // The events the run reported, in order, once the telemetry thread has sent them all.
  std::vector<std::string> events() {
    (void)telemetry::telemetry_shutdown(telemetry_);
    std::vector<std::string> names;
    for (const RecordedRequest& r : telemetry_session_->requests()) {
      const auto start = r.body.find("\"event_name\":\"") + 14;
      names.push_back(r.body.substr(start, r.body.find('"', start) - start));
    }
    return names;
  }
  std::string event_body(const std::string& name) const {
    for (const RecordedRequest& r : telemetry_session_->requests()) {
      if (r.body.find("\"event_name\":\"" + name + "\"") != std::string::npos) return r.body;
    }
    return {};
  }
  std::vector<std::string> verbs_and_ranges() const {
    std::vector<std::string> seen;
    for (const RecordedRequest& r : session_->requests()) {
      seen.push_back(r.verb + " " + r.url_text() + " " + r.header("Range").value_or("-"));
    }
    return seen;
  }

  ScratchDir dir_;
  std::filesystem::path cache_root_ = dir_.path() / "tavrin" / "Cache";
  Result<Path> cache_root_result_ = Path(cache_root_);
  std::shared_ptr<net::test::ScriptedSession> session_ =
      std::make_shared<net::test::ScriptedSession>();
  platform::testing::MemoryRegistry registry_;
  // Every reading of the clock is 250 ms after the one before.
  FakeClock clock_{250ms};
  CancelFlag cancel_;
  SharedUiStatus status_ = std::make_shared<UiStatus>();
  bool skip_install_ = false;
  std::shared_ptr<net::test::ScriptedSession> telemetry_session_ = [] {
    auto session = std::make_shared<net::test::ScriptedSession>();
    session->set_handler([](const RecordedRequest&) { return ScriptedReply::with_body("", 204); });
    return session;
  }();
  telemetry::TelemetryHandle telemetry_ = telemetry::telemetry_start(
      net::HttpClient(telemetry_session_), telemetry::testing::sample_config(),
      telemetry::testing::recording_hooks(std::make_shared<telemetry::testing::LogRecorder>()));
};

// A hit is judged once, and what runs is held from that verdict on: one hold, so one digest.
TEST_F(DownloadInstallPipeline, CachedInstallerRunsWithoutAnyDownload) {
  logfile::testing::LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  const std::string setup = installer("ran", 0);
  cache(setup);
  download::testing::write_file(version_folder() / "corvald-setup-2.4.0.exe.download", "part");
  serve_feed(setup);

  auto ran = run(kWindowed);

  ASSERT_TRUE(ran) << ran.error().display();
  EXPECT_EQ(read("ran"), "/S\n");
  const auto messages = log.messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(),
                       "  installer held and verified: " + cached_installer().string()),
            1);
  EXPECT_FALSE(std::filesystem::exists(version_folder() / "corvald-setup-2.4.0.exe.download"));
  EXPECT_THAT(verbs_and_ranges(),
              ElementsAre(::testing::StartsWith("GET http://service.test:80/")));
  EXPECT_TRUE(status_->snapshot().finished);
  EXPECT_EQ(status_->snapshot().text, i18n::tr("ui.status.install_complete"));
  EXPECT_THAT(events(), ElementsAre("checkupdate_success", "cache_hit", "install_completed",
                                    "app_launch_failed"));
  // Timed by the injected clock: one reading at the start and one at the exit.
  EXPECT_THAT(event_body("install_completed"), ::testing::HasSubstr("\"duration_ms\":250"));
}

// The window fails on an installer's error and leaves a current install alone; a deployment
// installs the feed's build whatever is installed and hands the installer's code back.
TEST_F(DownloadInstallPipeline, FailingInstallerFailsTheWindowAndIsTheDeploymentsExitCode) {
  const std::string setup = installer("ran", 3);
  cache(setup);
  serve_feed(setup);
  auto windowed = run(kWindowed);
  ASSERT_FALSE(windowed);
  EXPECT_EQ(windowed.error().text(), "installer exited with code 3");
  EXPECT_EQ(read("ran"), "/S\n");

  std::filesystem::remove(dir_.path() / "ran");
  installed("9.0", executable("app.exe",
                              "#!/bin/sh\ntouch '" + (dir_.path() / "app-ran").string() + "'\n"));
  serve_feed(setup);
  auto deployed = run(kSilent);
  ASSERT_TRUE(deployed) << deployed.error().display();
  EXPECT_EQ(deployed.value(), 3u);
  EXPECT_EQ(read("ran"), "/S\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "app-ran"));
  EXPECT_THAT(events(), ElementsAre("checkupdate_success", "cache_hit", "install_failed",
                                    "checkupdate_success", "cache_hit", "install_failed"));
}

// A silent run handed a skip, a telemetry handle or a cancel heeds each, in its own wording.
TEST_F(DownloadInstallPipeline, SilentRunHeedsSkipTelemetryAndCancel) {
  logfile::testing::LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  const std::string setup = installer("ran", 0);
  cache(setup);

  skip_install_ = true;
  serve_feed(setup);
  auto skipped = run(kSilent);
  ASSERT_TRUE(skipped) << skipped.error().display();
  EXPECT_EQ(skipped.value(), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "ran"));

  skip_install_ = false;
  serve_feed(setup);
  auto deployed = run(kSilent);
  ASSERT_TRUE(deployed) << deployed.error().display();
  EXPECT_EQ(read("ran"), "/S\n");
  std::filesystem::remove(dir_.path() / "ran");

  // Cancelled once the feed has answered: the cached installer must not start.
  const std::string yaml = feed_yaml(setup);
  session_->set_handler([this, yaml](const RecordedRequest&) -> std::optional<ScriptedReply> {
    cancel_.cancel();
    return ScriptedReply::with_body(yaml);
  });
  auto cancelled = run(kSilent);
  ASSERT_FALSE(cancelled);
  EXPECT_EQ(cancelled.error().kind(), StubError::Kind::cancelled);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "ran"));

  const auto messages = log.messages();
  EXPECT_THAT(messages, Contains("[silent] skipping install (APP_INSTALLER_SKIP_INSTALL=1)"));
  EXPECT_THAT(messages, Contains("[silent] spawning NSIS with silent=true"));
  EXPECT_THAT(messages, Contains("[silent] NSIS exit code 0"));
  EXPECT_THAT(events(),
              ElementsAre("checkupdate_success", "cache_hit", "checkupdate_success", "cache_hit",
                          "install_completed", "checkupdate_success", "cache_hit"));
}

// A user whose cache was emptied: the installer comes down again, one dropped range resumed
// after the injected clock's retry wait, and the current install is launched instead of
// installing over it.
TEST_F(DownloadInstallPipeline, MissDownloadsResumingADroppedRangeThenLaunchesTheCurrentInstall) {
  const std::string setup = installer("ran", 0, 6 << 20);
  serve_feed(setup);
  installed("2.4.0", executable("app.exe", "#!/bin/sh\nexit 0\n"));
  auto body = std::make_shared<const std::string>(setup);
  auto dropped = std::make_shared<std::atomic<bool>>(false);
  session_->set_handler([body, dropped](const RecordedRequest& r) -> std::optional<ScriptedReply> {
    const auto range = parse_range(r.header("Range"));
    if (!range) return ScriptedReply::with_body(r.verb == "HEAD" ? "" : *body);
    auto reply =
        ScriptedReply::with_body(body->substr(range->first, range->last - range->first + 1), 206);
    if (range->first == 4 << 20 && !dropped->exchange(true)) reply.fail_at_byte = 1000;
    return reply;
  });

  auto ran = run(kWindowed);

  ASSERT_TRUE(ran) << ran.error().display();
  EXPECT_EQ(download::testing::read_file(cached_installer()), setup);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "ran"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(version_folder()), {}), 1)
      << "no temporary file may stay behind";
  const std::string installer_at = "http://cdn.test:80/release/corvald-setup-2.4.0.exe ";
  EXPECT_THAT(verbs_and_ranges(),
              ElementsAre(::testing::StartsWith("GET http://service.test:80/"),
                          "HEAD " + installer_at + "-", "GET " + installer_at + "bytes=0-4194303",
                          "GET " + installer_at + "bytes=4194304-6291455",
                          "GET " + installer_at + "bytes=4195304-6291455"));
  EXPECT_EQ(clock_.waits(), (std::vector{500ms}));
  EXPECT_EQ(status_->snapshot().text,
            i18n::tr_with("ui.status.launching", {{"app", "Corvald Tavrin"}}));
  EXPECT_THAT(events(), ElementsAre("checkupdate_success", "download_completed",
                                    "install_skipped_up_to_date", "app_launched"));
}

// 204 means "nothing for this machine": fine with a healthy install, which only the window
// launches, and a failure without one. The cache is never needed, so a missing cache folder
// must not turn the answer into a different error.
TEST_F(DownloadInstallPipeline, NoBuildIsOnlyFineWithAHealthyInstall) {
  cache_root_result_ = StubError::internal("LOCALAPPDATA not set");
  installed("2.3.0", executable("app.exe",
                                "#!/bin/sh\ntouch '" + (dir_.path() / "app-ran").string() + "'\n"));
  session_->push(ScriptedReply::with_body("", 204));
  auto silent = run(kSilent);
  ASSERT_TRUE(silent) << silent.error().display();
  EXPECT_EQ(silent.value(), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "app-ran"));

  session_->push(ScriptedReply::with_body("", 204));
  auto windowed = run(kWindowed);
  ASSERT_TRUE(windowed) << windowed.error().display();
  for (int i = 0; i < 500 && !std::filesystem::exists(dir_.path() / "app-ran"); ++i) {
    std::this_thread::sleep_for(10ms);  // the application is started, not waited for
  }
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "app-ran"));

  std::filesystem::remove(dir_.path() / "app.exe");
  session_->push(ScriptedReply::with_body("", 204));
  auto unhealthy = run(kWindowed);
  ASSERT_FALSE(unhealthy);
  EXPECT_EQ(unhealthy.error().kind(), StubError::feed_no_build(kFeedUrl).kind());
  EXPECT_THAT(events(), ElementsAre("feed_no_build_already_installed",
                                    "feed_no_build_already_installed", "app_launched"));
}

// Support reads each mode's log by its wording, so both keep theirs.
TEST_F(DownloadInstallPipeline, RefusedFeedFailsWithItsStatusInEachModesWording) {
  logfile::testing::LogCapture log;
  ASSERT_TRUE(log.installed_ok());
  for (const RunKind kind : {kWindowed, kSilent}) {
    session_->push(ScriptedReply::with_body("upstream down", 500));
    auto ran = run(kind);
    ASSERT_FALSE(ran);
    EXPECT_EQ(ran.error().kind(), StubError::http(kFeedUrl, 500).kind());
    EXPECT_EQ(ran.error().text(), StubError::http(kFeedUrl, 500).text());
  }
  std::vector<std::string> shapes;
  for (std::string line : log.messages()) {
    const auto id = line.find("request_id=");
    if (id != std::string::npos) line.replace(id + 11, line.find(' ', id) - id - 11, "ID");
    shapes.push_back(line);
  }
  const std::string failed =
      "feed FAILED status=500 request_id=ID url=" + std::string(kFeedUrl) + " body=upstream down";
  EXPECT_THAT(shapes, ElementsAre("  request_id=ID", "  " + failed, "[silent] request_id=ID",
                                  "[silent] " + failed));
  EXPECT_FALSE(std::filesystem::exists(cache_root_));
  EXPECT_THAT(events(), Not(Contains("checkupdate_success")));
}

TEST_F(DownloadInstallPipeline, CancelStopsBeforeTheFeedAndDuringTheDownload) {
  cancel_.cancel();
  auto before = run(kWindowed);
  ASSERT_FALSE(before);
  EXPECT_EQ(before.error().kind(), StubError::Kind::cancelled);
  EXPECT_EQ(session_->request_count(), 0u);

  CancelFlag during;
  const std::string setup = installer("ran", 0, 6 << 20);
  serve_feed(setup);
  auto body = std::make_shared<const std::string>(setup);
  // The user cancels once the first bytes of the installer are on their way.
  session_->set_handler([body, &during](const RecordedRequest& r) -> std::optional<ScriptedReply> {
    const auto range = parse_range(r.header("Range"));
    if (!range) return ScriptedReply::with_body("");
    during.cancel();
    return ScriptedReply::with_body(body->substr(range->first, range->last - range->first + 1),
                                    206);
  });
  const PipelineDeps deps{net::HttpClient(session_),
                          registry_,
                          Path(cache_root_),
                          kFeedUrl,
                          "id",
                          &telemetry_,
                          clock_.clock(),
                          during,
                          status_};
  auto cancelled = run_pipeline(deps, kWindowed);

  ASSERT_FALSE(cancelled);
  EXPECT_EQ(cancelled.error().kind(), StubError::Kind::cancelled);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "ran"));
  EXPECT_TRUE(std::filesystem::is_empty(version_folder())) << "neither installer nor temp file";
}

}  // namespace
}  // namespace corvald
