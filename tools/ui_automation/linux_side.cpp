#include "linux_side.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "child_run.hpp"
#include "ui_automation.hpp"

#ifndef CORVALD_LINUX_SIDE_SCRIPT
#error "CORVALD_LINUX_SIDE_SCRIPT must name linux_side.sh"
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

std::string read_text(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

bool save_screen_png(const std::string& unix_dir, const std::string& name) {
  std::error_code ignored;
  fs::create_directories(seen_from_wine(unix_dir), ignored);
  const std::string png = unix_dir + "/" + name + ".png";
  return run_linux_side({"screen", png}, png);
}

std::optional<COLORREF> screen_png_pixel(const std::string& unix_dir, const std::string& name,
                                         int x, int y) {
  const std::string png = unix_dir + "/" + name + ".png";
  const std::string out = png + ".pixel";
  if (!run_linux_side({"pixel", png, std::to_string(x), std::to_string(y), out}, out)) {
    return std::nullopt;
  }
  std::istringstream rgb(read_text(seen_from_wine(out)));
  std::error_code ignored;
  fs::remove(seen_from_wine(out), ignored);  // the folder is for pictures
  int r = -1, g = -1, b = -1;
  if (!(rgb >> r >> g >> b) || r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) {
    return std::nullopt;
  }
  return RGB(r, g, b);
}

std::optional<std::string> unzip_listing(const std::string& unix_zip_path) {
  const std::string out = unix_zip_path + ".names";
  if (!run_linux_side({"zip-names", unix_zip_path, out}, out)) return std::nullopt;
  return read_text(seen_from_wine(out));
}

}  // namespace corvald::e2e
