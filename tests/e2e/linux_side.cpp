#include "linux_side.hpp"

#include <chrono>
#include <filesystem>
#include <vector>

#include "child_run.hpp"
#include "file_bytes.hpp"
#include "ui_automation.hpp"

#ifndef CORVALD_SCREENSHOT_DIR
#error "CORVALD_SCREENSHOT_DIR and CORVALD_LINUX_SIDE_SCRIPT must be defined by the build"
#endif

namespace corvald::e2e {
namespace {

namespace fs = std::filesystem;

// Wine maps the Linux root to drive Z:.
fs::path seen_from_wine(const std::string& unix_path) { return fs::path("Z:" + unix_path); }

// Runs the script with `args` through Wine's start.exe, which starts a Linux program given by
// its Linux path but does not wait for it; the script's output file is waited for instead.
bool run_linux_side(const std::vector<std::string>& args, const std::string& output) {
  std::error_code ignored;
  fs::remove(seen_from_wine(output), ignored);
  ChildRun run;
  run.program = fs::path(L"C:\\windows\\system32\\start.exe");
  run.args = {L"/unix", L"/bin/sh", fs::path(CORVALD_LINUX_SIDE_SCRIPT).wstring()};
  for (const auto& a : args) run.args.push_back(fs::path(a).wstring());
  if (!run_child(run)) return false;
  return wait_until([&] { return fs::exists(seen_from_wine(output)); }, std::chrono::seconds(20));
}

}  // namespace

bool save_screen_png(const std::string& name) {
  const std::string dir = CORVALD_SCREENSHOT_DIR;
  std::error_code ignored;
  fs::create_directories(seen_from_wine(dir), ignored);
  const std::string png = dir + "/" + name + ".png";
  return run_linux_side({"screen", png}, png);
}

std::optional<std::string> unzip_listing(const std::string& unix_zip_path) {
  const std::string out = unix_zip_path + ".names";
  if (!run_linux_side({"zip-names", unix_zip_path, out}, out)) return std::nullopt;
  return file_bytes(seen_from_wine(out));
}

}  // namespace corvald::e2e
