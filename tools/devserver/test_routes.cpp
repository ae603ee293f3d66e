#include <algorithm>

#include "body_stream.hpp"
#include "routes.hpp"

namespace corvald::devserver {
namespace {

// "METHOD TARGET", one "Name: value" line per header, an empty line, then the body.
std::string format_echo(const RecordedRequest& request) {
  const auto [path, query] = split_target(request.target);
  std::string out = request.method + " " + std::string(path);
  if (!query.empty()) out += "?" + std::string(query);
  out += "\n";
  for (const auto& [name, value] : request.headers) out += name + ": " + value + "\n";
  out += "\n";
  out += request.body;
  return out;
}

void answer_bad_request(httplib::Response& res, const std::string& why) {
  res.status = 400;
  res.set_content(why + "\n", "text/plain");
}

bool is_header_safe(const std::string& value) {
  return std::none_of(value.begin(), value.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

void answer_body(const ServiceContext& context, const httplib::Request& req,
                 httplib::Response& res) {
  const auto size = parse_bounded(req.get_param_value("size"), 0, std::int64_t{1} << 40);
  if (!size) return answer_bad_request(res, "size: a byte count up to 2^40 is expected");
  res.status = 200;
  if (req.has_param("status")) {
    const auto status = parse_bounded(req.get_param_value("status"), 0, 999);
    if (!status || !is_answerable_status(*status)) {
      return answer_bad_request(res, "status: 200 to 599 is expected");
    }
    res.status = static_cast<int>(*status);
  }
  StreamedBody body;
  body.length = status_carries_body(res.status) ? static_cast<std::uint64_t>(*size) : 0;
  body.fill = pattern_filler();
  body.content_type = req.has_param("content_type") ? req.get_param_value("content_type")
                                                    : "application/octet-stream";
  body.chunked = req.get_param_value("no_length") == "1";
  if (req.has_param("content_length")) {
    body.declared_length = req.get_param_value("content_length");
    if (body.chunked)
      return answer_bad_request(res, "no_length and content_length exclude each other");
  }
  const std::string accept_ranges = req.get_param_value("accept_ranges");
  // httplib drops a header whose value holds a line break without a word; refuse it openly.
  if (!is_header_safe(body.content_type) || !is_header_safe(accept_ranges) ||
      (body.declared_length && !is_header_safe(*body.declared_length))) {
    return answer_bad_request(res, "header values must be one line");
  }
  if (req.has_param("accept_ranges")) res.set_header("Accept-Ranges", accept_ranges);
  send_streamed(res, std::move(body), context.shutdown);
}

void answer_stall(const ServiceContext& context, const httplib::Request& req,
                  httplib::Response& res) {
  const auto ms = parse_bounded(req.get_param_value("ms"), 0, max_stall_ms);
  if (!ms) return answer_bad_request(res, "ms: milliseconds up to 3600000 are expected");
  if (!context.shutdown.sleep_for(std::chrono::milliseconds(*ms))) {
    res.status = 503;
    res.set_content("the server is stopping\n", "text/plain");
    return;
  }
  res.set_content("late", "text/plain");
}

}  // namespace

void add_test_routes(Router& router, ServiceContext& context) {
  router.add_any_method("/test/echo", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(format_echo(to_recorded(req)), "text/plain");
  });
  router.add(Method::get, "/test/body",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_body(context, req, res);
             });
  router.add(Method::get, "/test/stall",
             [&context](const httplib::Request& req, httplib::Response& res) {
               answer_stall(context, req, res);
             });
}

}  // namespace corvald::devserver
