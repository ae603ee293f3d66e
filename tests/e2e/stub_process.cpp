#include "stub_process.hpp"

#include "child_run.hpp"
#include "platform/process.hpp"

namespace corvald::e2e {

std::filesystem::path stub_exe() {
  // The build puts every program in one folder.
  return std::filesystem::path(platform::current_exe_path().value().parent_path() /
                               "corvald-setup.exe");
}

std::optional<unsigned long> run_stub(const StubRun& run) {
  ChildRun child;
  child.program = run.program.empty() ? stub_exe() : run.program;
  child.args = run.args;
  child.env = run.env;
  child.timeout = run.timeout;
  return run_child(child);
}

std::filesystem::path fresh_folder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("corvald-e2e-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace corvald::e2e
