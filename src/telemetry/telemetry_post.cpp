#include "telemetry/telemetry_post.hpp"

#include "net/request_identity.hpp"
#include "telemetry/event_document.hpp"
#include "text/format.hpp"

namespace corvald::telemetry {

net::HeaderList telemetry_headers(const TelemetryConfig& config, std::string_view request_id) {
  return {
      {"Content-Type", "application/json"},
      {"User-Agent", config.user_agent},
      {"Cookie", "session_id=" + config.session_id},
      {"CV-AppId", config.app_id},
      {"CV-Client-Id", config.client_id},
      {"CV-Version", config.stub_version},
      {"CV-Channel", config.channel},
      {"CV-Request-Id", std::string(request_id)},
  };
}

void post_event(const net::HttpClient& client, const TelemetryConfig& config,
                const TelemetryEvent& event, const TelemetryHooks& hooks) {
  const std::string body = event_json(event, config);
  const std::string request_id = net::new_request_id();
  const std::string url = net::with_request_id(config.endpoint, request_id);

  if (hooks.trace_enabled()) {
    hooks.log(text::format("[telemetry-trace] {} POST {} appid={} request_id={} body={}",
                           event.name(), url, config.app_id, request_id, body));
  }

  const auto reply = client.post(url, telemetry_headers(config, request_id), body);
  if (!reply) {
    hooks.log(text::format("[telemetry] {} → {} request_id={}", event.name(),
                           reply.error().display(), request_id));
    return;
  }
  if (reply->status < 200 || reply->status > 299) {
    hooks.log(text::format("[telemetry] {} → HTTP {} request_id={} body={}", event.name(),
                           reply->status, request_id, reply->body_text));
  }
}

}  // namespace corvald::telemetry
