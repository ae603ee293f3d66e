// What corvald-setup.exe logged under one LOCALAPPDATA: the rotated hours in order, then the
// current app.log, so a run that crosses an hour still reads as one text.
#pragma once

#include <filesystem>
#include <string>

#include "logfile/test/log_test_support.hpp"

namespace corvald::e2e {

inline std::string stub_log(const std::filesystem::path& local_app_data) {
  return logfile::testing::log_folder_text(local_app_data / "corvald-installer" / "logs");
}

}  // namespace corvald::e2e
