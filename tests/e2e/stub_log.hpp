// What corvald-setup.exe logged under one LOCALAPPDATA: the rotated hours in order, then the
// current app.log, so a run that crosses an hour still reads as one text.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "file_bytes.hpp"

namespace corvald::e2e {

inline std::string stub_log(const std::filesystem::path& local_app_data) {
  const auto folder = local_app_data / "corvald-installer" / "logs";
  std::vector<std::filesystem::path> rotated;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().starts_with("app.log.")) rotated.push_back(it->path());
  }
  std::sort(rotated.begin(), rotated.end());
  std::string text;
  for (const auto& file : rotated) text += file_bytes(file);
  return text + file_bytes(folder / "app.log");
}

}  // namespace corvald::e2e
