// corvald-setup.exe /S under Wine against a devserver whose answers follow a seeded fault
// schedule: resets, stalls, error statuses, ignored or misnamed ranges, bodies cut short,
// longer or changed, lying lengths, and a cache that an earlier run left stale or damaged.
// After every run the invariants of chaos_invariants.hpp are checked, then a clean run on the
// same cache must install. $CORVALD_CHAOS_SEEDS replaces the fixed seeds (./dev chaos), and
// each run then prints a row of the table.
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "chaos_invariants.hpp"
#include "demo_install.hpp"
#include "devserver_port.hpp"
#include "file_bytes.hpp"
#include "net/http_client.hpp"
#include "stub_log.hpp"
#include "stub_process.hpp"
#include "verify/file_digest.hpp"

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kVersion[] = "1.5.0";
constexpr char kInstaller[] = "Corvald-Tavrin-Setup-1.5.0.exe";

// Together they meet every fault kind and every state of the cache; one request in two is hit.
// A draw is keyed on the request it hits, byte range included, so a stub that makes other
// requests, or an installer of another size, meets other faults: when the check below names a
// kind no seed met, choose the seeds again (CORVALD_CHAOS_ODDS=2 ./dev chaos 30 --seed 1 shows
// what each meets). The installer is packed without file times so that every build has the
// size the seeds were chosen for.
constexpr std::uint64_t kFixedSeeds[] = {3, 9, 10, 14, 16};
constexpr int kFixedOdds = 2;
constexpr std::uintmax_t kSeedsChosenForSize = 13987933;

struct SeedRun {
  std::uint64_t seed = 0;
  std::string cache_plan;
  RunSeen seen;
  std::vector<std::string> broken;
};

std::string narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

class ChaosE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = devserver_base_url();
    ASSERT_FALSE(base_.empty()) << "CORVALD_DEVSERVER_DIR has no running devserver";
    auto opened = net::HttpClient::open("corvald-chaos-e2e");
    ASSERT_TRUE(opened.ok()) << opened.error().display();
    client_.emplace(std::move(opened.value()));
    const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
    release_ = fs::path("Z:" + std::string(dir)) / "release" / kInstaller;
    auto digest = verify::sha512_base64_of_file(release_);
    ASSERT_TRUE(digest.ok()) << release_ << ": " << digest.error().display();
    release_digest_ = digest.value();
  }

  void TearDown() override {
    if (client_) control("POST", "chaos?seed=");
    forget_installation();
  }

  // The body of a control request; "" (and a failure) when it did not answer 200.
  std::string control(const char* verb, const std::string& what) {
    const std::string url = base_ + "/__control/" + what;
    const bool post = std::string_view(verb) == "POST";
    auto reply =
        client_->send(url, verb, {}, post ? std::optional<std::string_view>("") : std::nullopt);
    if (!reply.ok()) {
      ADD_FAILURE() << url << ": " << reply.error().display();
      return "";
    }
    const auto status = reply->status;
    auto body = std::move(reply.value()).read_to_end(1 << 20);
    if (status != 200 || !body.ok()) {
      ADD_FAILURE() << url << ": status " << status;
      return "";
    }
    return body.value();
  }

  fs::path cache_folder(const fs::path& local_app_data) const {
    return local_app_data / "tavrin" / "Cache" / kVersion;
  }

  // What an earlier run left: "stale_download N", "cached_cut_short N",
  // "cached_byte_changed N" or "none".
  void plant(const std::string& plan, const fs::path& local_app_data) {
    std::istringstream words(plan);
    std::string kind;
    std::uint64_t amount = 0;
    words >> kind >> amount;
    if (kind == "none" || kind.empty()) return;
    const fs::path folder = cache_folder(local_app_data);
    fs::create_directories(folder);
    const fs::path final_path = folder / kInstaller;
    if (kind == "stale_download") {
      std::ofstream(fs::path(final_path.wstring() + L".download"), std::ios::binary)
          << std::string(amount, 'x');
      return;
    }
    std::string bytes = file_bytes(release_);
    if (kind == "cached_cut_short") bytes.resize(std::min<std::size_t>(amount, bytes.size()));
    if (kind == "cached_byte_changed" && amount < bytes.size()) bytes[amount] ^= 0x01;
    std::ofstream(final_path, std::ios::binary) << bytes;
  }

  RunSeen run_once(const fs::path& local_app_data) {
    StubRun run;
    run.args = {L"/S"};
    run.env[L"APP_INSTALLER_SERVICE_URL"] = std::wstring(base_.begin(), base_.end());
    run.env[L"APP_INSTALLER_TELEMETRY_URL"] = L"";
    run.env[L"LOCALAPPDATA"] = local_app_data.wstring();
    run.timeout = std::chrono::minutes(4);
    const auto start = std::chrono::steady_clock::now();
    RunSeen seen;
    seen.exit_code = run_stub(run);
    seen.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (const auto version = uninstall_value(L"DisplayVersion")) {
      seen.installed_version = narrow(*version);
    }
    seen.cache = scan_cache(local_app_data);
    seen.log = stub_log(local_app_data);
    return seen;
  }

  std::vector<CachedFile> scan_cache(const fs::path& local_app_data) const {
    std::vector<CachedFile> files;
    std::error_code error;
    const fs::path cache = local_app_data / "tavrin" / "Cache";
    for (const auto& entry : fs::recursive_directory_iterator(cache, error)) {
      if (!entry.is_regular_file()) continue;
      const auto digest = verify::sha512_base64_of_file(entry.path());
      files.push_back({narrow(entry.path().filename().wstring()),
                       digest.ok() && digest.value() == release_digest_});
    }
    return files;
  }

  // One seed: plant what the schedule says an earlier run left, run, judge; then a clean run on
  // the same cache, with nothing installed, must install.
  SeedRun run_seed(std::uint64_t seed, int odds) {
    SeedRun result;
    result.seed = seed;
    forget_installation();
    const fs::path local_app_data = fresh_folder("chaos-" + std::to_string(seed));
    result.cache_plan =
        control("POST", "chaos?seed=" + std::to_string(seed) + "&odds=" + std::to_string(odds));
    while (!result.cache_plan.empty() && result.cache_plan.back() == '\n') {
      result.cache_plan.pop_back();
    }
    plant(result.cache_plan, local_app_data);
    result.seen = run_once(local_app_data);
    result.seen.faults = parse_fault_record(control("GET", "chaos"));
    result.broken = broken_invariants(result.seen, kVersion);

    control("POST", "chaos?seed=");
    forget_installation();
    const RunSeen clean = run_once(local_app_data);
    for (const std::string& broken : broken_invariants(clean, kVersion)) {
      result.broken.push_back("clean run after: " + broken);
    }
    if (clean.exit_code != 0u) {
      result.broken.push_back("a clean run after installs (exit code " +
                              (clean.exit_code ? std::to_string(*clean.exit_code) : "none") + ")");
    }
    if (HasFailure()) result.broken.push_back("the devserver's control answered wrongly");
    std::error_code ignored;
    if (result.broken.empty()) fs::remove_all(local_app_data, ignored);
    return result;
  }

  std::string base_;
  std::optional<net::HttpClient> client_;
  fs::path release_;
  std::string release_digest_;
};

std::string faults_text(const SeedRun& run) {
  std::string text = run.cache_plan == "none" ? "" : run.cache_plan;
  for (const RecordedFault& fault : run.seen.faults) {
    if (fault.kind == "none") continue;
    if (!text.empty()) text += ", ";
    text += fault.kind;
  }
  return text.empty() ? "-" : text;
}

void print_row(const SeedRun& run) {
  std::printf("| %6llu | %-60s | %4s | %6.1f / %6.1f s | %s |\n",
              static_cast<unsigned long long>(run.seed), faults_text(run).c_str(),
              run.seen.exit_code ? std::to_string(*run.seen.exit_code).c_str() : "none",
              run.seen.seconds, time_bound_seconds(run.seen.faults),
              run.broken.empty() ? "all held" : "BROKEN");
  std::fflush(stdout);
}

std::vector<std::uint64_t> seeds_from_environment() {
  std::vector<std::uint64_t> seeds;
  const char* text = std::getenv("CORVALD_CHAOS_SEEDS");
  if (text == nullptr) return seeds;
  std::istringstream words(text);
  for (std::uint64_t seed; words >> seed;) seeds.push_back(seed);
  return seeds;
}

TEST_F(ChaosE2eTest, EveryInvariantHoldsUnderSeededFaultsAndEveryFaultIsMet) {
  std::vector<std::uint64_t> seeds = seeds_from_environment();
  const bool fixed = seeds.empty();
  if (fixed) seeds.assign(std::begin(kFixedSeeds), std::end(kFixedSeeds));
  const char* odds_text = std::getenv("CORVALD_CHAOS_ODDS");
  const int odds = odds_text != nullptr ? std::atoi(odds_text) : (fixed ? kFixedOdds : 4);

  std::set<std::string> met;
  std::printf("| %6s | %-60s | %4s | %17s | %s |\n", "seed", "faults", "exit", "time / bound",
              "invariants");
  for (const std::uint64_t seed : seeds) {
    const SeedRun run = run_seed(seed, odds);
    print_row(run);
    for (const std::string& broken : run.broken) {
      ADD_FAILURE() << "seed " << seed << ": invariant broken: " << broken << "\nfaults:\n"
                    << faults_text(run) << "\nlog:\n"
                    << run.seen.log;
    }
    for (const RecordedFault& fault : run.seen.faults) met.insert(fault.kind);
    std::istringstream plan(run.cache_plan);
    std::string planted;
    plan >> planted;
    met.insert(planted);
  }
  if (!fixed) return;
  // The fixed seeds are only worth their minute if together they meet every fault.
  for (const char* kind :
       {"reset_before_headers", "reset_after_bytes", "stall", "status_500", "status_502",
        "status_503", "status_429", "ignore_range", "wrong_content_range", "shifted_content_range",
        "short_body", "long_body", "trickle", "corrupt_byte", "length_smaller", "length_larger",
        "stale_download", "cached_cut_short", "cached_byte_changed"}) {
    EXPECT_TRUE(met.contains(kind))
        << "no fixed seed met " << kind << " (the seeds were chosen for an installer of "
        << kSeedsChosenForSize << " bytes; this one has " << fs::file_size(release_) << ")";
  }
  std::string all;
  for (const std::string& kind : met) all += " " + kind;
  std::printf("faults met by the fixed seeds:%s\n", all.c_str());
}

// The control: a schedule that draws no fault installs with every invariant held; the same
// checks report the installer in the cache once one byte of it is changed on disk, and each
// other invariant when a run is made to break it.
TEST_F(ChaosE2eTest, ControlNoFaultsInstallsAndEachBrokenInvariantIsReported) {
  forget_installation();
  const fs::path local_app_data = fresh_folder("chaos-control");
  control("POST", "chaos?seed=99&odds=0");
  RunSeen seen = run_once(local_app_data);
  seen.faults = parse_fault_record(control("GET", "chaos"));
  control("POST", "chaos?seed=");
  for (const RecordedFault& fault : seen.faults) EXPECT_EQ(fault.kind, "none");
  EXPECT_FALSE(seen.faults.empty()) << "the schedule saw no request";
  EXPECT_EQ(seen.exit_code, 0u) << seen.log;
  EXPECT_TRUE(broken_invariants(seen, kVersion).empty())
      << ::testing::PrintToString(broken_invariants(seen, kVersion));
  const auto names = [](const RunSeen& run) {
    std::string text;
    for (const std::string& broken : broken_invariants(run, kVersion)) {
      text += broken.substr(0, broken.find(" (")) + ";";
    }
    return text;
  };
  const fs::path cached = cache_folder(local_app_data) / kInstaller;
  std::string bytes = file_bytes(cached);
  ASSERT_FALSE(bytes.empty()) << cached;
  bytes[bytes.size() / 2] ^= 0x01;
  std::ofstream(cached, std::ios::binary | std::ios::trunc) << bytes;
  RunSeen damaged = seen;
  damaged.cache = scan_cache(local_app_data);
  // The one installer there no longer backs the exit code either.
  EXPECT_EQ(names(damaged), "exit 0 only with the feed's installer;no unverified installer left;");
  RunSeen leftover = seen;
  leftover.cache.push_back({std::string(kInstaller) + ".download", false});
  EXPECT_EQ(names(leftover), "no .download left;");
  RunSeen crashed = seen;
  crashed.exit_code = 0xC0000005u;
  crashed.installed_version.reset();
  EXPECT_EQ(names(crashed), "no crash;a failure is logged;");
  RunSeen lying = seen;
  lying.installed_version.reset();
  EXPECT_EQ(names(lying), "exit 0 only when installed;");
  RunSeen gave_up = seen;
  gave_up.exit_code = 1;
  gave_up.installed_version.reset();
  gave_up.log += "[main] silent flow failed: network error\n";
  EXPECT_EQ(names(gave_up), "a survivable run installs;");
  gave_up.installed_version = kVersion;
  gave_up.log += "[silent] attempt 3 failed: x; no attempts left\n";
  EXPECT_EQ(names(gave_up), "a failure installs nothing;");
  RunSeen slow = seen;
  slow.seconds = time_bound_seconds(slow.faults) + 1;
  EXPECT_EQ(names(slow), "ends within its bound;");
  std::error_code ignored;
  fs::remove_all(local_app_data, ignored);
}

}  // namespace
}  // namespace corvald::e2e
