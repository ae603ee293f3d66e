#include "platform/child_process.hpp"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/format.hpp"

extern char** environ;

namespace corvald::platform {

// Native builds only run tests, so a child that is never waited for stays a zombie until the
// test process ends; nothing to release here.
void ChildProcess::close() { native_ = kNone; }

Result<std::uint32_t> ChildProcess::wait() {
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(static_cast<pid_t>(native_), &status, 0);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) {
    return StubError::system_failure(text::format("child.wait: {}", std::strerror(errno)),
                                     static_cast<std::uint32_t>(errno));
  }
  if (WIFSIGNALED(status)) return static_cast<std::uint32_t>(128 + WTERMSIG(status));
  return static_cast<std::uint32_t>(WEXITSTATUS(status));
}

Result<ChildProcess> start_process(const Path& program, const std::vector<std::string>& args,
                                   const std::optional<Path>& working_dir,
                                   bool /*inherit_handles*/) {
  std::vector<std::string> owned{program.native()};
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (working_dir) posix_spawn_file_actions_addchdir_np(&actions, working_dir->c_str());
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    return StubError::system_failure(std::strerror(rc), static_cast<std::uint32_t>(rc))
        .with_context("start", program);
  }
  return ChildProcess(static_cast<std::intptr_t>(pid));
}

}  // namespace corvald::platform
