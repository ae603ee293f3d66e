// The record of every request the server received: one JSON line per request, appended to
// the record file as it arrives and kept in memory for /__control/requests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "outcome.hpp"

namespace corvald::devserver {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct RecordedRequest {
  std::string method;
  std::string target;  // the request target exactly as received: raw path, "?", raw query
  HeaderList headers;
  std::string body;
};

// The raw path and the raw query (empty when there is none) of a request target.
std::pair<std::string_view, std::string_view> split_target(std::string_view target);

bool is_control_path(std::string_view path);

// {"seq":N,"method":..,"path":..,"query":..,"headers":[[name,value],..],"body":..,
//  "body_base64":bool}: the body as text when it is valid UTF-8, otherwise base64.
std::string format_record_line(std::uint64_t seq, const RecordedRequest& request);

class Recorder {
 public:
  // Appends to the file when one is given; lines from an earlier run stay in front.
  static Outcome<std::unique_ptr<Recorder>> open(const std::optional<std::filesystem::path>& file);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Returns the sequence number given to the request (1 for the first).
  std::uint64_t record(const RecordedRequest& request);

  // Waits for a line being written, then closes the file; the memory record goes on.
  void close_file();

  // JSON lines of the requests since start or the last reset, control requests left out.
  std::string lines() const;
  void reset();

 private:
  explicit Recorder(std::FILE* file) : file_(file) {}

  // Guards everything below. The record file is written under it so that its lines are in
  // sequence order; nothing but that append may block while it is held.
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::uint64_t next_seq_ = 1;
  std::vector<std::string> lines_;
};

}  // namespace corvald::devserver
