#include "connection_reset.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>

namespace corvald::devserver {
namespace {

int port_of(const sockaddr_in& address) { return ntohs(address.sin_port); }

bool has_ports(int fd, int local_port, int remote_port) {
  sockaddr_in local{};
  sockaddr_in remote{};
  socklen_t local_size = sizeof local;
  socklen_t remote_size = sizeof remote;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_size) != 0) return false;
  if (local.sin_family != AF_INET || port_of(local) != local_port) return false;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remote_size) != 0) return false;
  return port_of(remote) == remote_port;
}

}  // namespace

bool reset_connection(int local_port, int remote_port) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    const std::string name = entry.path().filename().string();
    int fd = -1;
    const auto [end, status] = std::from_chars(name.data(), name.data() + name.size(), fd);
    if (status != std::errc() || end != name.data() + name.size()) continue;
    if (!has_ports(fd, local_port, remote_port)) continue;
    // A zero linger makes httplib's own close() send RST; the shutdown ends the stream now, so
    // whatever the handler or httplib writes after this goes nowhere. The descriptor itself
    // stays httplib's to close.
    const linger abort_on_close{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
    ::shutdown(fd, SHUT_RDWR);
    return true;
  }
  return false;
}

}  // namespace corvald::devserver
