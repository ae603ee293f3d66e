#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>

#include "body_stream.hpp"
#include "byte_range.hpp"
#include "chaos_answer.hpp"
#include "feed_text.hpp"
#include "routes.hpp"

namespace corvald::devserver {
namespace {

std::optional<std::string> read_whole_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(bytes).str();
}

void answer_text(httplib::Response& res, int status, const std::string& text) {
  res.status = status;
  res.set_content(text, "text/plain");
}

// A forced status wins, then a given document, then the feed of the release.
void answer_feed(const ServiceContext& context, const httplib::Request& req,
                 httplib::Response& res) {
  const EffectiveSettings settings = context.settings.current();
  if (settings.feed_status) {
    res.status = *settings.feed_status;
    if (status_carries_body(res.status)) {
      res.set_content(settings.feed_body, settings.feed_content_type.value_or("text/plain"));
    }
    return;
  }
  const std::string yaml_type = settings.feed_content_type.value_or("text/yaml");
  if (context.feed_file) {
    const auto document = read_whole_file(*context.feed_file);
    if (!document) return answer_text(res, 500, "cannot read the feed file\n");
    res.status = 200;
    res.set_content(*document, yaml_type);
    return;
  }
  if (context.release) {
    Release announced = *context.release;
    if (settings.faults.wrong_digest) {
      auto wrong = context.wrong_digest->get();
      if (!wrong) return answer_text(res, 500, wrong.error() + "\n");
      announced.sha512_base64 = std::move(wrong.value());
    }
    std::string document = feed_yaml(announced);
    const auto schedule = context.chaos.current();
    if (!schedule && !settings.faults.feed_drop_after) {
      res.status = 200;
      res.set_content(document, yaml_type);
      return;
    }
    Fault fault;
    if (schedule) {
      fault =
          schedule->draw(RequestKind::feed, req.method + " " + req.path + " -", document.size());
      if (answer_before_body(fault, req, res, context.shutdown)) return;
    }
    res.status = 200;
    StreamedBody body;
    body.length = document.size();
    body.fill = text_filler(std::move(document));
    body.content_type = yaml_type;
    body.drop_after = settings.faults.feed_drop_after;
    shape_body(fault, req, body);
    send_streamed(res, std::move(body), context.shutdown);
    return;
  }
  answer_text(res, 404, "no feed is configured\n");
}

// The ranged-request faults: the whole file as if Range were not there, the right bytes under
// a header naming others, or other bytes under a header that says so.
void shift_range(const Fault& fault, std::uint64_t size, RangeAnswer& answer,
                 std::optional<std::string>& range_header, std::string& content_range_text) {
  if (fault.kind == FaultKind::ignore_range) {
    range_header.reset();
    answer = answer_range(range_header, size);
    return;
  }
  if (answer.kind != RangeAnswer::Kind::part) return;
  ByteRange& range = answer.range;
  if (fault.kind == FaultKind::wrong_content_range) {
    const ByteRange named = range.first == 0 ? ByteRange{1, std::min(range.last + 1, size - 1)}
                                             : ByteRange{0, range.last - range.first};
    content_range_text = content_range(named, size);
  } else if (fault.kind == FaultKind::shifted_content_range) {
    range.first = std::min(range.first + fault.amount, size - 1);
    range.last = std::max(range.first, std::min(range.last + fault.amount, size - 1));
    content_range_text = content_range(range, size);
  }
}

void answer_download(const ServiceContext& context, const httplib::Request& req,
                     httplib::Response& res) {
  if (!context.release || req.matches[1].str() != context.release->file_name) {
    return answer_text(res, 404, "no such release file\n");
  }
  const Release& release = *context.release;
  const DownloadFaults faults = context.settings.current().faults;
  // Before the first byte, status line included: a server slow to answer at all.
  if (faults.stall_ms > 0 &&
      !context.shutdown.sleep_for(std::chrono::milliseconds(faults.stall_ms))) {
    return answer_text(res, 503, "the server is stopping\n");
  }
  if (faults.html) {
    res.status = 200;
    res.set_content(captive_portal_page(), "text/html");
    return;
  }
  std::optional<std::string> range_header;
  if (req.has_header("Range") && !faults.ignore_range) {
    range_header = req.get_header_value("Range");
  }
  RangeAnswer answer = answer_range(range_header, release.size);
  Fault fault;
  if (const auto schedule = context.chaos.current()) {
    const bool part = answer.kind == RangeAnswer::Kind::part;
    fault = schedule->draw(part ? RequestKind::range : RequestKind::whole_file,
                           req.method + " " + req.path + " " + range_header.value_or("-"),
                           part ? answer.range.length() : release.size);
    if (answer_before_body(fault, req, res, context.shutdown)) return;
  }
  std::string content_range_text;
  shift_range(fault, release.size, answer, range_header, content_range_text);
  if (!faults.ignore_range) res.set_header("Accept-Ranges", "bytes");
  if (answer.kind == RangeAnswer::Kind::unsatisfiable) {
    res.status = 416;
    res.set_header("Content-Range", content_range_unsatisfied(release.size));
    return;
  }
  const bool part = answer.kind == RangeAnswer::Kind::part;
  auto filler = file_filler(release.file, part ? answer.range.first : 0);
  if (!filler) return answer_text(res, 500, "cannot open the release file\n");
  res.status = part ? 206 : 200;
  if (part) {
    if (content_range_text.empty()) content_range_text = content_range(answer.range, release.size);
    res.set_header("Content-Range", content_range_text);
  }
  StreamedBody body;
  body.length = part ? answer.range.length() : release.size;
  body.fill = std::move(*filler);
  body.content_type = "application/octet-stream";
  body.rate = faults.rate;
  body.drop_after = faults.drop_after;
  if (faults.drop_mode == DropMode::once) {
    body.cut_here = [&settings = context.settings] { return settings.claim_single_drop(); };
  }
  shape_body(fault, req, body);
  send_streamed(res, std::move(body), context.shutdown);
}

void answer_telemetry(const ServiceContext& context, httplib::Response& res) {
  const EffectiveSettings settings = context.settings.current();
  if (settings.telemetry_stall_ms > 0 &&
      !context.shutdown.sleep_for(std::chrono::milliseconds(settings.telemetry_stall_ms))) {
    return answer_text(res, 503, "the server is stopping\n");
  }
  res.status = settings.telemetry_status;
  if (status_carries_body(res.status)) {
    res.set_content("{\"status\":" + std::to_string(res.status) + "}", "application/json");
  }
}

// The statuses a test forced on a feedback endpoint answer with a small JSON error body.
bool answer_forced(std::optional<int> forced, httplib::Response& res) {
  if (!forced) return false;
  res.status = *forced;
  if (status_carries_body(res.status)) {
    res.set_content("{\"error\":\"forced status " + std::to_string(*forced) +
                        "\",\"detail\":\"sig=forcedsecretvalue\"}",
                    "application/json");
  }
  return true;
}

void answer_upload_url(const ServiceContext& context, const httplib::Request& req,
                       httplib::Response& res) {
  if (answer_forced(context.settings.current().upload_url_status, res)) return;
  static std::atomic<std::uint64_t> next_blob{1};
  const std::string name = "fb-" + std::to_string(next_blob++) + ".zip";
  // The storage lives on this very server; the port is the one the request came in on.
  const std::string origin = "http://127.0.0.1:" + std::to_string(req.local_port);
  res.status = 200;
  res.set_content("{\"upload_url\":\"" + origin + "/storage/" + name +
                      "?sig=devserversignature\",\"private_storage_url\":\"" + origin +
                      "/storage/" + name + "\"}",
                  "application/json");
}

void answer_storage_put(const ServiceContext& context, const httplib::Request& req,
                        httplib::Response& res) {
  const EffectiveSettings settings = context.settings.current();
  if (settings.storage_stall_ms > 0 &&
      !context.shutdown.sleep_for(std::chrono::milliseconds(settings.storage_stall_ms))) {
    return answer_text(res, 503, "the server is stopping\n");
  }
  if (answer_forced(settings.storage_status, res)) return;
  if (req.get_header_value("x-ms-blob-type") != "BlockBlob" ||
      req.get_header_value("Content-Type") != "application/zip") {
    return answer_text(res, 400,
                       "x-ms-blob-type: BlockBlob and Content-Type: application/zip "
                       "are required\n");
  }
  context.blobs.store(req.body);
  res.status = 201;
}

void answer_submit(const ServiceContext& context, httplib::Response& res) {
  if (answer_forced(context.settings.current().submit_status, res)) return;
  res.status = 200;
  res.set_content("{\"status\":\"ok\"}", "application/json");
}

}  // namespace

void add_service_routes(Router& router, ServiceContext& context) {
  const std::string checkupdate = "/api/voice-realtime/checkupdate/win-x64/";
  // last.yml first: the release-file pattern below would match it too.
  router.add(Method::get, checkupdate + "last\\.yml",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_feed(context, req, res);
             });
  router.add(Method::get, checkupdate + "([^/]+)",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_download(context, req, res);
             });
  router.add(Method::post, "/api/v2/report",
             [&context](const httplib::Request&, httplib::Response& res) {
               answer_telemetry(context, res);
             });
  const std::string feedback = "/api/voice-realtime/feedback";
  router.add(Method::get, feedback + "/get-upload-url",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_upload_url(context, req, res);
             });
  router.add(Method::put, "/storage/([^/]+)",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_storage_put(context, req, res);
             });
  router.add(
      Method::post, feedback + "/submit",
      [&context](const httplib::Request&, httplib::Response& res) { answer_submit(context, res); });
}

}  // namespace corvald::devserver
