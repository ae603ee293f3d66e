// Shared pieces of the download tests: a clock whose waits cost nothing, an installer server
// on the scripted session, a scratch folder and a recorder for log lines and events.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "download/download.hpp"
#include "download/download_internal.hpp"
#include "download/transfer.hpp"
#include "net/test/scripted_session.hpp"
#include "verify/file_digest.hpp"

namespace corvald::download::testing {

using namespace std::chrono_literals;

// now() moves on by `step` at every reading, so a test chooses how long the probe seems to
// take. Retry waits return at once and are recorded; the watcher and monitor polls take a
// real millisecond so those loops do not starve the workers of CPU.
class FakeClock {
 public:
  explicit FakeClock(std::chrono::milliseconds step = 0ms) : step_(step) {}

  Clock clock() {
    return Clock{[this] {
                   const auto at = ticks_.fetch_add(step_.count());
                   return std::chrono::steady_clock::time_point(std::chrono::milliseconds(at));
                 },
                 [this](std::chrono::milliseconds wait) {
                   if (wait == kWatcherPoll || wait == kMonitorPoll) {
                     std::this_thread::sleep_for(1ms);
                   } else if (wait != 0ms) {
                     std::lock_guard lock(mutex_);
                     waits_.push_back(wait);
                   }
                 }};
  }

  std::vector<std::chrono::milliseconds> waits() const {
    std::lock_guard lock(mutex_);
    return waits_;
  }

 private:
  std::chrono::milliseconds step_;
  std::atomic<std::int64_t> ticks_{1'000'000};
  // Guards waits_; nothing else is done while it is held.
  mutable std::mutex mutex_;
  std::vector<std::chrono::milliseconds> waits_;
};

// Bytes that look like an executable, not like a web page, and differ at every offset.
inline std::string installer_bytes(std::size_t size) {
  std::string body(size, '\0');
  std::uint32_t x = 2463534242u;
  for (std::size_t i = 0; i < size; i += sizeof x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    std::memcpy(body.data() + i, &x, std::min(sizeof x, size - i));
  }
  if (size > 0) body[0] = 'M';
  if (size > 1) body[1] = 'Z';
  return body;
}

// "bytes=a-b" → (a, b); anything else means "no range".
inline std::optional<ByteRange> parse_range(const std::optional<std::string>& header) {
  if (!header || !header->starts_with("bytes=")) return std::nullopt;
  const std::string bounds = header->substr(6);
  const auto dash = bounds.find('-');
  ByteRange range;
  std::from_chars(bounds.data(), bounds.data() + dash, range.first);
  std::from_chars(bounds.data() + dash + 1, bounds.data() + bounds.size(), range.last);
  return range;
}

// Answers ranged GETs with 206 and the asked-for bytes, plain GETs with 200 and the whole
// body; or 200 and the whole body to everything when it ignores ranges.
inline void serve_installer(net::test::ScriptedSession& session, std::string body,
                            bool ignore_range = false) {
  // Shared, because the session copies its handler for every request.
  auto shared = std::make_shared<const std::string>(std::move(body));
  session.set_handler([shared, ignore_range](const net::test::RecordedRequest& r)
                          -> std::optional<net::test::ScriptedReply> {
    const std::string& body = *shared;
    const auto range = parse_range(r.header("Range"));
    if (!range || ignore_range) return net::test::ScriptedReply::with_body(body, 200);
    const std::uint64_t last = std::min<std::uint64_t>(range->last, body.size() - 1);
    return net::test::ScriptedReply::with_body(body.substr(range->first, last - range->first + 1),
                                               206);
  });
}

// 20 MiB in the probe and two 8 MiB ranges, on two workers with a fast probe, such that the
// ranges complete out of order and one of them twice over: the first request for the range at
// 4 MiB waits at `gate` after 64 KiB (kOutOfOrderHeldAt bytes are then in the file once the
// range at 12 MiB is done), then its connection drops at 1 MiB + 17 and the retry resumes
// there. The range at 12 MiB is answered with 1000 bytes more than it asked for.
inline constexpr std::uint64_t kOutOfOrderSize = 20ull << 20;
inline constexpr std::uint64_t kOutOfOrderHeldAt = (4ull << 20) + (64 << 10) + (8ull << 20);

inline void serve_out_of_order(net::test::ScriptedSession& session, const std::string& body,
                               std::shared_ptr<net::test::Gate> gate) {
  auto shared = std::make_shared<const std::string>(body);
  auto held_once = std::make_shared<std::atomic<bool>>(false);
  session.set_handler(
      [shared, gate,
       held_once](const net::test::RecordedRequest& r) -> std::optional<net::test::ScriptedReply> {
        const auto range = parse_range(r.header("Range"));
        if (!range) return std::nullopt;
        auto reply = net::test::ScriptedReply::with_body(
            shared->substr(range->first, range->last - range->first + 1), 206);
        if (range->first == 12ull << 20) reply.body += std::string(1000, 'x');
        if (range->first == 4ull << 20 && !held_once->exchange(true)) {
          reply.stall = gate;
          reply.stall_at_byte = 64 << 10;
          reply.fail_at_byte = (1 << 20) + 17;
        }
        return reply;
      });
}

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("corvald-download-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One sized read: character-wise stream iteration is far too slow for 20 MiB under the
// sanitizers.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string content(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  return content;
}

inline void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string sha512_of(const std::filesystem::path& scratch, const std::string& content) {
  const auto path = scratch / "digest-input";
  write_file(path, content);
  auto digest = verify::sha512_base64_of_file(path);
  std::filesystem::remove(path);
  return digest ? *digest : std::string("digest failed");
}

// Log lines and events arrive only on the calling thread, so no lock is needed.
struct Recorded {
  std::vector<std::string> lines;
  std::vector<telemetry::TelemetryEvent> events;

  Reporter reporter() {
    return Reporter{
        [this](const std::string& line) { lines.push_back(line); },
        [this](telemetry::TelemetryEvent event) { events.push_back(std::move(event)); }};
  }

  std::vector<std::string> event_names() const {
    std::vector<std::string> names;
    for (const auto& event : events) names.push_back(event.name());
    return names;
  }
};

// A download of an installer the scripted session offers, into a scratch folder, with its
// progress, log lines and events recorded.
class DownloadFixture : public ::testing::Test {
 protected:
  // The installer on offer and a feed that describes it truthfully.
  void offer(std::size_t size, bool ignore_range = false) {
    body_ = installer_bytes(size);
    feed_.size = size;
    feed_.sha512 = sha512_of(dir_.path(), body_);
    serve_installer(*session_, body_, ignore_range);
  }

  Result<Path> run(FakeClock& clock) {
    return download_with_reporter(client_, feed_, final_, cancel_, progress_fn_, "worker",
                                  reporter_, clock.clock());
  }

  std::vector<net::test::RecordedRequest> requests() const { return session_->requests(); }

  std::shared_ptr<net::test::ScriptedSession> session_ =
      std::make_shared<net::test::ScriptedSession>();
  net::HttpClient client_{session_};
  ScratchDir dir_;
  std::filesystem::path final_ = dir_.path() / "corvald-setup-2.4.0.exe";
  std::filesystem::path temp_ = dir_.path() / "corvald-setup-2.4.0.exe.download";
  feed::Feed feed_{"2.4.0", "http://127.0.0.1:18080/release/corvald-setup-2.4.0.exe", "", {}, 0};
  std::string body_;
  CancelFlag cancel_;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress_;
  ProgressFn progress_fn_ = [this](std::uint64_t done, std::uint64_t total) {
    progress_.emplace_back(done, total);
  };
  Recorded recorded_;
  Reporter reporter_ = recorded_.reporter();
};

}  // namespace corvald::download::testing
