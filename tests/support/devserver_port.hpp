// Where the devserver of a ctest fixture listens (tests/support/devserver_fixture.cmake).
// Header-only and free of Windows headers: the Windows tests include it, and so do native ones.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// "http://127.0.0.1:PORT" from $CORVALD_DEVSERVER_DIR/port, or "" when the variable is unset or
// the file does not hold a port.
inline std::string devserver_base_url() {
  const char* dir = std::getenv("CORVALD_DEVSERVER_DIR");
  if (dir == nullptr || *dir == '\0') return {};
  const std::string file = std::string(dir) + "/port";
  std::ifstream in(file);
#ifdef _WIN32
  // Wine maps the Linux root to drive Z:, but a bare "/..." path resolves on the current drive,
  // which is not Z: when the test was started from a Windows folder.
  if (!in && file.front() == '/') in.open("Z:" + file);
#endif
  std::string port;
  if (!std::getline(in, port)) return {};
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return {};
  }
  const long number = std::strtol(port.c_str(), nullptr, 10);
  if (number < 1 || number > 65535) return {};
  return "http://127.0.0.1:" + port;
}
