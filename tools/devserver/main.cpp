// corvald-devserver: the update service on 127.0.0.1 for the demo and the tests under Wine.
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "devserver.hpp"

namespace {

using corvald::devserver::DevServer;

// Readers poll for the file: they must never see it half written.
bool write_port_file(const std::filesystem::path& file, int port) {
  std::filesystem::path temporary = file;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << port << '\n';
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, file, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  const auto options =
      corvald::devserver::parse_options(std::vector<std::string>(argv + 1, argv + argc));
  if (!options) {
    std::cerr << "corvald-devserver: " << options.error() << "\n"
              << corvald::devserver::usage_text();
    return 2;
  }
  if (options.value().help) {
    std::cout << corvald::devserver::usage_text();
    return 0;
  }

  // Blocked before any thread exists, so every thread inherits the mask and the two signals
  // reach only the sigwait below, never a worker in the middle of a request.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a client that hangs up mid-body must not end the server

  auto server = DevServer::create(options.value());
  if (!server) {
    std::cerr << "corvald-devserver: " << server.error() << "\n";
    return 1;
  }
  const auto port = server.value()->bind(options.value().port);
  if (!port) {
    std::cerr << "corvald-devserver: " << port.error() << "\n";
    return 1;
  }
  if (options.value().port_file && !write_port_file(*options.value().port_file, port.value())) {
    std::cerr << "corvald-devserver: cannot write " << options.value().port_file->string() << "\n";
    return 1;
  }
  std::cout << "listening on http://127.0.0.1:" << port.value() << std::endl;

  // After a stop signal, open connections get a short grace to finish; an idle kept-alive one
  // would otherwise hold the exit for httplib's 5 s time-out. The record is complete either
  // way: each line is flushed as it is written.
  std::promise<void> served;
  std::future<void> served_result = served.get_future();
  std::thread signal_waiter([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.value()->stop();
    if (served_result.wait_for(std::chrono::seconds(1)) == std::future_status::timeout) {
      server.value()->close_record();
      std::_Exit(0);
    }
  });
  const bool ok = server.value()->run();
  served.set_value();
  // When the accept loop ended on its own, the waiter is still in sigwait.
  pthread_kill(signal_waiter.native_handle(), SIGTERM);
  signal_waiter.join();
  server.value().reset();  // closes the record file
  return ok ? 0 : 1;
}
