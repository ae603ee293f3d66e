// The command line of corvald-devserver and the value rules it shares with the run-time
// control endpoint.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "faults.hpp"
#include "outcome.hpp"

namespace corvald::devserver {

struct Options {
  int port = 0;  // 0: the system picks a free port
  std::optional<std::filesystem::path> port_file;
  std::optional<std::filesystem::path> record_file;
  std::optional<std::filesystem::path> release_dir;
  std::optional<std::string> release_version;
  std::optional<std::string> release_date;
  std::optional<std::filesystem::path> feed_file;
  std::optional<int> feed_status;
  std::string feed_body;
  std::optional<std::string> feed_content_type;
  int telemetry_status = 200;
  int telemetry_stall_ms = 0;
  DownloadFaults faults;  // --rate, --drop-after, --drop-mode, ... (see faults.hpp)
  bool help = false;
};

// Every option takes a value, as "--name value" or "--name=value"; a repeated option keeps its
// last value, so a wrapper script's defaults can be overridden by arguments appended later.
Outcome<Options> parse_options(const std::vector<std::string>& args);

std::string usage_text();

// Statuses the server may be told to answer with. 1xx would be read as an interim answer and
// leave the client waiting for the real one, so they are refused.
bool is_answerable_status(std::int64_t status);

// Plain decimal digits within [low, high]; no sign, no spaces, no suffix.
std::optional<std::int64_t> parse_bounded(std::string_view text, std::int64_t low,
                                          std::int64_t high);

constexpr std::int64_t max_stall_ms = 3'600'000;

}  // namespace corvald::devserver
