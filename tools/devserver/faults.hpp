// Faults the release-file endpoint can be told to show, so the stub's download engine can be
// driven through slow lines, cut connections, proxies that ignore Range, captive portals, a
// feed that lies about the digest or is cut short, and a server that is slow to answer.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "outcome.hpp"

namespace corvald::devserver {

enum class DropMode { once, always };

struct DownloadFaults {
  std::uint64_t rate = 0;  // bytes per second on each connection; 0: as fast as it goes
  std::optional<std::uint64_t> drop_after;  // body bytes of one answer before the cut
  DropMode drop_mode = DropMode::once;
  bool ignore_range = false;
  bool html = false;
  bool wrong_digest = false;
  int stall_ms = 0;
  // The release's feed goes out with its full Content-Length and the connection is cut after
  // this many bytes of it, every time.
  std::optional<std::uint64_t> feed_drop_after;

  bool operator==(const DownloadFaults&) const = default;
};

// The keys as /__control/set spells them; the command line uses them with "--" and "-".
bool is_fault_key(std::string_view key);

// Validates and stores one value; the error names the key and what it expects.
Outcome<bool> apply_fault(DownloadFaults& faults, std::string_view key, const std::string& value);

// Pacing: a capped body goes out in slices of about 20 ms of its rate, each one sent once the
// bytes before it would have taken that long at the rate. Waits are measured from the start of
// the answer, not from the last slice, so rounding them to the clock's grain never adds up.
std::size_t pacing_slice(std::uint64_t rate);
std::chrono::nanoseconds pacing_wait(std::uint64_t sent, std::uint64_t rate,
                                     std::chrono::nanoseconds elapsed);

// What a hotel or airport network answers in place of any download until one signs in.
const std::string& captive_portal_page();

// The digest the feed announces with wrong_digest: the SHA-512 of the release with its first
// byte flipped, so it has the right form and length and matches no download of the real file.
// Reading a large release takes seconds, so it is computed on first use only.
class WrongDigest {
 public:
  explicit WrongDigest(std::filesystem::path file) : file_(std::move(file)) {}
  Outcome<std::string> get();

 private:
  const std::filesystem::path file_;
  std::mutex mutex_;  // guards digest_; held while the file is read, so readers wait for one run
  std::optional<std::string> digest_;
};

}  // namespace corvald::devserver
