// One HTTP exchange over a plain socket, for what httplib's client cannot send or will not
// show: a request without Content-Length, an answer cut before or inside its body.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace corvald::devserver {

// Everything the server sent until it closed the connection; "" when nothing came.
inline std::string exchange_raw(int port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      ::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t got; (got = ::recv(fd, buffer, sizeof(buffer), 0)) > 0;)
      answer.append(buffer, got);
  }
  ::close(fd);
  return answer;
}

}  // namespace corvald::devserver
