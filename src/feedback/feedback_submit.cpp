#include "feedback/feedback_submit.hpp"

#include "build_info.hpp"
#include "feedback/feedback_json.hpp"
#include "feedback/log_bundle.hpp"
#include "logfile/log.hpp"
#include "net/log_safe_text.hpp"
#include "net/request_identity.hpp"
#include "net/service.hpp"
#include "telemetry/environment_meta.hpp"
#include "telemetry/json_writer.hpp"
#include "text/utf.hpp"

namespace corvald::feedback {
namespace {

constexpr std::uint64_t upload_url_reply_limit = 65536;
constexpr std::size_t storage_body_kept = 1024;
constexpr std::size_t url_prefix_chars = 80;

bool is_success(std::uint32_t status) { return status >= 200 && status <= 299; }

// The first `count` characters of UTF-8 text; an invalid byte counts as one character so a
// damaged value still yields a bounded prefix.
std::string first_chars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
    if (!text::decode_utf8(text, pos)) ++pos;
  }
  return std::string(text.substr(0, pos));
}

// Where the first invalid sequence starts, for the parse error's text.
std::string utf8_problem(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size() && text::decode_utf8(bytes, pos)) {
  }
  return "invalid UTF-8 sequence at byte " + std::to_string(pos);
}

struct UploadGrant {
  std::string upload_url;
  std::string private_storage_url;
};

Result<UploadGrant> get_upload_url(const net::HttpClient& client, std::string_view base,
                                   std::string_view client_id, std::string_view user_agent) {
  const std::string url = std::string(base) + "/get-upload-url?file_type=log&client_id=" +
                          telemetry::percent_encode(client_id);
  const std::string request_id = net::new_request_id();
  const net::HeaderList headers = {
      {"User-Agent", std::string(user_agent)},  {"CV-AppId", build_info::app_id},
      {"CV-Client-Id", std::string(client_id)}, {"CV-Channel", "windows"},
      {"Accept", "application/json"},           {"CV-Request-Id", request_id},
  };
  auto response = client.get(net::with_request_id(url, request_id), headers);
  if (!response) return std::move(response).error();
  const std::uint32_t status = response->status;
  auto body = std::move(response).value().read_to_end(upload_url_reply_limit);
  if (!body) return std::move(body).error();
  if (!is_success(status)) {
    log_info("[feedback] get-upload-url FAILED status={} request_id={} body={}", status, request_id,
             net::log_safe_text(body.value()));
    // The request id is in the log line; the error names the endpoint as the caller knows it.
    return StubError::http(url, status);
  }
  if (!text::is_valid_utf8(body.value())) {
    return StubError::parse("get-upload-url: non-UTF8 body: " + utf8_problem(body.value()));
  }
  auto upload_url = json_string_field(body.value(), "upload_url");
  if (!upload_url) return StubError::parse("get-upload-url: missing 'upload_url' in response");
  auto storage_url = json_string_field(body.value(), "private_storage_url");
  if (!storage_url) {
    return StubError::parse("get-upload-url: missing 'private_storage_url' in response");
  }
  // Both values are logged and sent on; a line break in them would forge log lines.
  if (text::has_control_character(*upload_url)) {
    return StubError::parse("get-upload-url: control character in 'upload_url' in response");
  }
  if (text::has_control_character(*storage_url)) {
    return StubError::parse(
        "get-upload-url: control character in 'private_storage_url' in response");
  }
  log_info("[feedback] upload URL granted (path={}...)",
           first_chars(*storage_url, url_prefix_chars));
  return UploadGrant{std::move(*upload_url), std::move(*storage_url)};
}

// A malformed URL is named whole in the error of its parse; the signature is cut out of it.
StubError without_signature(StubError error, std::string_view url, std::string_view unsigned_url) {
  if (error.kind() != StubError::Kind::parse || url == unsigned_url) return error;
  std::string text = error.text();
  for (auto at = text.find(url); at != std::string::npos; at = text.find(url, at)) {
    text.replace(at, url.size(), unsigned_url);
    at += unsigned_url.size();
  }
  return StubError::parse(std::move(text));
}

// Storage gets no identity headers and no request id: the pre-signed URL is its own
// authorisation, and extra query parameters would break the signature.
Result<void> put_archive(const net::HttpClient& client, std::string_view upload_url,
                         std::string_view archive) {
  const net::HeaderList headers = {
      {"x-ms-blob-type", "BlockBlob"},
      {"Content-Type", "application/zip"},
  };
  // The query of a pre-signed URL is its signature; the errors reach the log and the window,
  // so they only ever name the part before "?".
  const std::string_view unsigned_url = upload_url.substr(0, upload_url.find('?'));
  auto response = client.send(upload_url, "PUT", headers, archive);
  if (!response) return without_signature(std::move(response).error(), upload_url, unsigned_url);
  const std::uint32_t status = response->status;
  auto kept = std::move(response).value().read_head(storage_body_kept);
  if (!kept) return std::move(kept).error();
  if (is_success(status)) {
    log_info("[feedback] blob PUT OK");
    return Ok{};
  }
  log_info("[feedback] blob PUT FAILED status={} body={}", status, net::log_safe_text(*kept));
  return StubError::http("PUT " + first_chars(unsigned_url, url_prefix_chars) + " (" +
                             std::to_string(archive.size()) + "B)",
                         status);
}

}  // namespace

std::string feedback_base(const std::optional<std::string>& service_override) {
  std::string base = net::service_url(service_override, "/api/voice-realtime/feedback");
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

std::uint64_t unix_seconds(std::chrono::system_clock::time_point now) {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  return seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds);
}

std::string submit_record_json(const FeedbackSubmission& submission, std::string_view blob_path,
                               std::uint64_t created_at) {
  using telemetry::write_json_number_field;
  using telemetry::write_json_string_field;
  std::string out = "{";
  write_json_string_field(out, "feedback_type", submission.feedback_type, true);
  write_json_string_field(out, "session_id", submission.session_id, false);
  write_json_string_field(out, "app_id", build_info::app_id, false);
  write_json_string_field(out, "client_id", submission.client_id, false);
  write_json_number_field(out, "created_at", created_at);
  if (submission.description) {
    write_json_string_field(out, "description", *submission.description, false);
  }
  write_json_string_field(out, "blob_path", blob_path, false);
  if (submission.file_format) {
    write_json_string_field(out, "file_format", *submission.file_format, false);
  }
  if (submission.version) write_json_string_field(out, "version", *submission.version, false);
  out.push_back('}');
  return out;
}

Result<FeedbackReceipt> send_feedback_archive(const net::HttpClient& client, std::string_view base,
                                              std::string_view client_id,
                                              std::string_view user_agent, std::string_view archive,
                                              const FeedbackSubmission& submission) {
  auto grant = get_upload_url(client, base, client_id, user_agent);
  if (!grant) return std::move(grant).error();
  auto put = put_archive(client, grant->upload_url, archive);
  if (!put) return put.error();

  const std::string request_id = net::new_request_id();
  const std::string url = net::with_request_id(std::string(base) + "/submit", request_id);
  const std::string record = submit_record_json(submission, grant->private_storage_url,
                                                unix_seconds(std::chrono::system_clock::now()));
  const net::HeaderList headers = {
      {"Content-Type", "application/json"},
      {"User-Agent", std::string(user_agent)},
      {"CV-AppId", build_info::app_id},
      {"CV-Client-Id", submission.client_id},
      {"CV-Channel", "windows"},
      {"CV-Request-Id", request_id},
  };
  auto reply = client.post(url, headers, record);
  if (!reply) return std::move(reply).error();
  if (!is_success(reply->status)) {
    log_info("[feedback] submit FAILED status={} request_id={} body={}", reply->status, request_id,
             reply->body_text);
  }
  log_info("[feedback] submit → HTTP {}", reply->status);
  return FeedbackReceipt{std::move(grant->private_storage_url), reply->status};
}

Result<FeedbackReceipt> send_feedback(const net::HttpClient& client,
                                      const std::optional<std::string>& service_override,
                                      std::string_view client_id, std::string_view user_agent,
                                      const std::vector<Path>& files,
                                      const FeedbackSubmission& submission) {
  auto bundle = build_log_bundle(files);
  if (!bundle) return std::move(bundle).error();
  return send_feedback_archive(client, feedback_base(service_override), client_id, user_agent,
                               bundle->archive, submission);
}

}  // namespace corvald::feedback
