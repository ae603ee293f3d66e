#include "main/silent_flow.hpp"

#include <memory>

#include "build_info.hpp"
#include "download/download.hpp"
#include "feed/feed_url.hpp"
#include "logfile/log.hpp"
#include "logfile/log_where.hpp"
#include "net/http_client.hpp"
#include "platform/registry.hpp"
#include "startup/client_id.hpp"
#include "startup/run_mode.hpp"
#include "worker/pipeline.hpp"

namespace corvald {
namespace {

Result<std::uint32_t> silent_install(const RunSettings& settings) {
  const std::string feed_url = feed::feed_url(settings.service_url);
  log_info("[silent] start version={} feed={}", build_info::stub_version, feed_url);
  auto client_id = load_or_create_client_id_under(settings.local_app_data);
  if (!client_id) return std::move(client_id).error();
  auto client = net::HttpClient::open(net::stub_user_agent());
  if (!client) return std::move(client).error();

  // Nobody sees or cancels a silent run, and it reports nothing: its log and exit code are
  // what the deployment tool gets.
  const CancelFlag never_set;
  const PipelineDeps deps{
      .client = client.value(),
      .registry = platform::system_registry(),
      .cache_root = settings.cache_root(),
      .feed_url = feed_url,
      .client_id = client_id.value(),
      .telemetry = nullptr,
      .clock = Clock::real(),
      .cancel = never_set,
      // Filled like the window's, and read by no one.
      .status = std::make_shared<UiStatus>(),
  };
  return run_pipeline(deps, RunKind::silent);
}

}  // namespace

int run_silent(const RunSettings& settings) {
  auto result = silent_install(settings);
  if (!result) {
    log_info("[main] silent flow failed: {}", result.error().display());
    log_where("[main] ", result.error());
    return static_cast<int>(ExitCode::failed);
  }
  log_info("[main] silent flow done, exit code {}", static_cast<std::int32_t>(result.value()));
  return silent_exit_code(result.value());
}

}  // namespace corvald
