// The whole server: the release and feed it offers, the record, the run-time settings and the
// httplib server that carries them, bound to 127.0.0.1 only.
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <optional>

#include "live_settings.hpp"
#include "options.hpp"
#include "outcome.hpp"
#include "recorder.hpp"
#include "release.hpp"
#include "routes.hpp"
#include "shutdown_signal.hpp"

namespace corvald::devserver {

class DevServer {
 public:
  // Measures the release and opens the record file; everything that can be wrong with the
  // command line's folders and files is reported here, before anything listens.
  static Outcome<std::unique_ptr<DevServer>> create(const Options& options);
  // Stops the server; a thread inside run() must have returned before the object goes.
  ~DevServer();
  DevServer(const DevServer&) = delete;
  DevServer& operator=(const DevServer&) = delete;

  // Returns the port. From here on connections are accepted by the system and wait for run().
  Outcome<int> bind(int port);

  // Serves until stop(); false when the accept loop failed.
  bool run();

  // Callable from any thread and more than once; ends every stall and the accept loop. run()
  // returns once the open connections are done: at once for answers in progress, but only
  // after httplib's 5 s time-outs for an idle kept-alive connection or a client that does not
  // read, since httplib offers no way to end those.
  void stop();

  // Ends the record file after any line being written; later requests go to memory only.
  void close_record();

 private:
  DevServer(const Options& options, std::optional<Release> release,
            std::unique_ptr<Recorder> recorder);
  void configure();

  const std::optional<std::filesystem::path> feed_file_;
  const std::optional<Release> release_;
  const std::unique_ptr<WrongDigest> wrong_digest_;
  std::unique_ptr<Recorder> recorder_;
  LiveSettings settings_;
  ShutdownSignal shutdown_;
  BlobStore blobs_;
  ChaosSwitch chaos_;
  ServiceContext context_;
  httplib::Server server_;
  std::atomic<bool> run_started_{false};
  std::atomic<bool> run_finished_{false};
  std::atomic<bool> stop_requested_{false};
};

}  // namespace corvald::devserver
