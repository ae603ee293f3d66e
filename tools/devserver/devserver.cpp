#include "devserver.hpp"

#include <sys/socket.h>

#include <fstream>
#include <thread>

namespace corvald::devserver {
namespace {

// Long enough for a parallel download, telemetry and several stalled requests at once:
// httplib gives each connection a worker for as long as it is kept alive.
constexpr std::size_t worker_count = 64;

}  // namespace

Outcome<std::unique_ptr<DevServer>> DevServer::create(const Options& options) {
  using Result = Outcome<std::unique_ptr<DevServer>>;
  std::optional<Release> release;
  if (options.release_dir) {
    auto loaded =
        load_release(*options.release_dir, *options.release_version, options.release_date);
    if (!loaded) return Result::fail(loaded.error());
    release = std::move(loaded.value());
  }
  if (options.feed_file && !std::ifstream(*options.feed_file, std::ios::binary)) {
    return Result::fail("cannot read the feed file " + options.feed_file->string());
  }
  auto recorder = Recorder::open(options.record_file);
  if (!recorder) return Result::fail(recorder.error());
  return Result::ok(std::unique_ptr<DevServer>(
      new DevServer(options, std::move(release), std::move(recorder.value()))));
}

DevServer::DevServer(const Options& options, std::optional<Release> release,
                     std::unique_ptr<Recorder> recorder)
    : feed_file_(options.feed_file),
      release_(std::move(release)),
      wrong_digest_(release_ ? std::make_unique<WrongDigest>(release_->file) : nullptr),
      recorder_(std::move(recorder)),
      settings_(options),
      blobs_(options.record_file ? std::optional(options.record_file->parent_path())
                                 : std::nullopt),
      context_{release_,  feed_file_,          settings_, *recorder_,
               shutdown_, wrong_digest_.get(), blobs_,    chaos_} {
  configure();
}

DevServer::~DevServer() { stop(); }

void DevServer::configure() {
  server_.new_task_queue = [] { return new httplib::ThreadPool(worker_count); };
  // A ranged download asks for many parts over few connections; httplib's default of 5
  // requests per connection would make it reconnect all the time.
  server_.set_keep_alive_max_count(100);
  // httplib's default sets SO_REUSEPORT, which would let a second server share a fixed port
  // and take half of the connections; SO_REUSEADDR alone still allows a quick restart.
  server_.set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  });
  // httplib hands its own non-const request object to this hook as const; changing it here,
  // before the body is read, is sound and is the only way to adjust what httplib does next.
  server_.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
    prepare_for_routing(const_cast<httplib::Request&>(req));
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server_.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    if (!res.has_header(recorded_seq_header)) recorder_->record(to_recorded(req));
  });
  server_.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content("the handler failed\n", "text/plain");
      });

  Router router(server_, *recorder_);
  add_service_routes(router, context_);
  add_control_routes(router, context_);
  add_test_routes(router, context_);
  router.add_any_method(".*", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("not found\n", "text/plain");
  });
}

Outcome<int> DevServer::bind(int port) {
  constexpr char loopback[] = "127.0.0.1";
  if (port == 0) {
    const int bound = server_.bind_to_any_port(loopback);
    if (bound > 0) return Outcome<int>::ok(bound);
  } else if (server_.bind_to_port(loopback, port)) {
    return Outcome<int>::ok(port);
  }
  return Outcome<int>::fail("cannot listen on 127.0.0.1:" + std::to_string(port));
}

bool DevServer::run() {
  run_started_ = true;
  // A stop() that came before run_started_ was set did not reach httplib; it is seen here.
  const bool ok = shutdown_.triggered() || server_.listen_after_bind();
  run_finished_ = true;
  return ok;
}

void DevServer::stop() {
  if (stop_requested_.exchange(true)) return;
  shutdown_.trigger();
  if (!run_started_) return;
  // httplib ignores stop() until its accept loop has begun.
  while (!server_.is_running() && !run_finished_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.stop();
}

void DevServer::close_record() { recorder_->close_file(); }

}  // namespace corvald::devserver
