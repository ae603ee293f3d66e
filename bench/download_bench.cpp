// download_bench: the Windows side of bench/download.sh. Each mode times one thing inside the
// process with steady_clock, so Wine's start-up is not counted, and prints one line of
// "key=value" figures the script reads.
//   engine URL SIZE SHA512 DIR   download_and_verify into DIR, as the stub runs it, and how long
//                                after the last byte it was verified and promoted
//   plain URL OUT                one GET through the same client and WinHTTP, read to a file
//   digest PATH                  the SHA-512 the cache checks installers with
//   idle                         starts, sleeps 1 s: the memory floor of such a process
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cache/cache.hpp"
#include "download/download.hpp"
#include "logfile/logger.hpp"
#include "net/http_client.hpp"
#include "verify/file_digest.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void print_rate(const char* mode, std::uint64_t bytes, double seconds) {
  std::printf("%s bytes=%llu seconds=%.3f mibps=%.1f\n", mode,
              static_cast<unsigned long long>(bytes), seconds,
              seconds > 0 ? static_cast<double>(bytes) / seconds / 1048576.0 : 0.0);
}

std::optional<corvald::net::HttpClient> open_client() {
  auto opened = corvald::net::HttpClient::open(corvald::net::stub_user_agent());
  if (!opened) {
    std::fprintf(stderr, "cannot open the HTTP client: %s\n", opened.error().display().c_str());
    return std::nullopt;
  }
  return std::move(opened.value());
}

// The engine's own summary line ("parallel done: probe … N=… chunks=…") from its log file.
void print_engine_summary(const fs::path& log_folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(log_folder, ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find("parallel done:");
      if (at != std::string::npos) std::printf("summary %s\n", line.substr(at).c_str());
    }
  }
}

int run_engine(const std::string& url, const std::string& size, const std::string& sha512,
               const fs::path& dir) {
  auto client = open_client();
  if (!client) return 1;
  corvald::logfile::LoggerConfig log;
  log.name = "download-bench";
  log.folder = dir / "logs";
  corvald::logfile::init_logging(log);

  corvald::feed::Feed feed;
  feed.version = "1.5.0";
  feed.url = url;
  feed.sha512 = sha512;
  feed.size = std::stoull(size);
  fs::create_directories(dir / "cache");
  corvald::CancelFlag cancel;
  const auto start = Clock::now();
  // The moment the last byte was reported in the file, before verification and promotion,
  // and the report before it: the engine's monitor looks every 100 ms, so the last byte was
  // written somewhere between the two.
  std::optional<double> transfer_seconds;
  double short_of_last = 0;
  const auto progress = [&](std::uint64_t done, std::uint64_t total) {
    if (done < total) short_of_last = seconds_since(start);
    if (done == total && !transfer_seconds) transfer_seconds = seconds_since(start);
  };
  const auto result = corvald::download::download_and_verify(
      *client, feed, dir / "cache" / "installer.exe", cancel, progress, "worker", nullptr);
  const double seconds = seconds_since(start);
  corvald::logfile::shutdown_logging();
  if (!result) {
    std::fprintf(stderr, "download failed: %s\n", result.error().display().c_str());
    return 1;
  }
  print_rate("engine", feed.size, seconds);
  const double last_byte = transfer_seconds.value_or(seconds);
  std::printf(
      "transfer transfer_seconds=%.3f verified_after_seconds=%.3f "
      "verified_after_at_most=%.3f\n",
      last_byte, seconds - last_byte, seconds - short_of_last);
  print_engine_summary(dir / "logs");
  return 0;
}

int run_plain(const std::string& url, const fs::path& out_path) {
  auto client = open_client();
  if (!client) return 1;
  const auto start = Clock::now();
  auto response = client->get(url, {});
  if (!response || response->status != 200) {
    std::fprintf(stderr, "GET failed\n");
    return 1;
  }
  std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
  std::vector<char> buffer(64 * 1024);
  std::uint64_t total = 0;
  while (true) {
    auto got = response->read_chunk(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (!got) {
      std::fprintf(stderr, "read failed: %s\n", got.error().display().c_str());
      return 1;
    }
    if (*got == 0) break;
    out.write(buffer.data(), *got);
    total += *got;
  }
  out.close();
  if (!out) return 1;
  print_rate("plain", total, seconds_since(start));
  return 0;
}

int run_digest(const fs::path& file) {
  const auto start = Clock::now();
  const auto digest = corvald::verify::sha512_base64_of_file(file);
  const double seconds = seconds_since(start);
  if (!digest) {
    std::fprintf(stderr, "digest failed: %s\n", digest.error().display().c_str());
    return 1;
  }
  std::error_code ec;
  print_rate("digest", fs::file_size(file, ec), seconds);
  std::printf("sha512 %s\n", digest.value().c_str());
  return 0;
}

// The check the installer step adds before it starts the installer: the file opened held
// and verified again through that handle.
int run_held(const fs::path& file, const std::string& size, const std::string& sha512) {
  corvald::feed::Feed feed;
  feed.sha512 = sha512;
  feed.size = std::stoull(size);
  const auto start = Clock::now();
  const auto held = corvald::cache::hold_verified(file, feed);
  const double seconds = seconds_since(start);
  if (!held) {
    std::fprintf(stderr, "held verification failed: %s\n", held.error().display().c_str());
    return 1;
  }
  print_rate("held", feed.size, seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string mode = args.empty() ? "" : args[0];
  if (mode == "engine" && args.size() == 5) return run_engine(args[1], args[2], args[3], args[4]);
  if (mode == "plain" && args.size() == 3) return run_plain(args[1], args[2]);
  if (mode == "digest" && args.size() == 2) return run_digest(args[1]);
  if (mode == "held" && args.size() == 4) return run_held(args[1], args[2], args[3]);
  if (mode == "idle" && args.size() == 1) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return 0;
  }
  std::fprintf(stderr,
               "usage: download_bench engine URL SIZE SHA512 DIR | plain URL OUT | digest PATH "
               "| held PATH SIZE SHA512 | idle\n");
  return 2;
}
