// The messages code under test wrote through the process-wide logger, read back from the log
// file. The logger is installed once per process, into a scratch folder, and stays for the
// rest of it; each capture sees what was logged between its construction and the call to
// messages().
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "logfile/log.hpp"
#include "logfile/logger.hpp"
#include "logfile/test/log_test_support.hpp"

namespace corvald::logfile::testing {

class LogCapture {
 public:
  LogCapture() : installed_(installed().ok), start_(mark()) {}

  bool installed_ok() const { return installed_; }

  // In the order the writer took them, without the time, level and logger name in front.
  // Waits (for a bounded time) until the writer has reached this call.
  std::vector<std::string> messages() const {
    const std::string end = mark();
    std::vector<std::string> all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      all = logged_messages();
      if (std::find(all.begin(), all.end(), end) != all.end()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);

    const auto from = std::find(all.begin(), all.end(), start_);
    if (from == all.end()) return {};
    return std::vector<std::string>(from + 1, std::find(from, all.end(), end));
  }

 private:
  static constexpr const char* kName = "corvald-capture";

  struct Installed {
    TempDir dir;
    bool ok = false;
    Installed() {
      LoggerConfig config;
      config.name = kName;
      config.folder = dir.path();
      ok = init_logging(config);
    }
    ~Installed() { shutdown_logging(); }
  };

  static Installed& installed() {
    static Installed logger;
    return logger;
  }

  // A line no code under test writes, so the capture can find its own start and end.
  static std::string mark() {
    static std::atomic<unsigned> counter{0};
    const std::string text = "~~ capture mark " + std::to_string(++counter) + " ~~";
    log_info("{}", text);
    return text;
  }

  static std::vector<std::string> logged_messages() {
    const std::string prefix_end = std::string("] ") + kName + " - ";
    std::vector<std::string> messages;
    for (auto& line : split_lines(log_folder_text(installed().dir.path()))) {
      const auto at = line.find(prefix_end);
      messages.push_back(at == std::string::npos ? std::move(line)
                                                 : line.substr(at + prefix_end.size()));
    }
    return messages;
  }

  bool installed_;
  std::string start_;
};

}  // namespace corvald::logfile::testing
