#include "wer_setup/crash_dumps.hpp"

#include "platform/process.hpp"
#include "text/format.hpp"

namespace corvald {

void register_crash_dumps(const std::optional<Path>& local_app_data) {
  std::optional<std::string> exe_name;
  if (auto exe = platform::current_exe_path(); exe && exe->has_filename()) {
    exe_name = text::path_to_utf8(exe->filename());
  }
  register_crash_dumps(platform::system_registry(), exe_name, local_app_data);
}

}  // namespace corvald
