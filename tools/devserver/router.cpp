#include "router.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

namespace corvald::devserver {

namespace {

constexpr char implied_length_marker[] = "X-Devserver-Implied-Length";

// Entries added after parsing come last among entries of the same name (the header map keeps
// equal names in insertion order), so a client that really sent one keeps it.
void erase_last(HeaderList& headers, const char* name) {
  const auto last = std::find_if(headers.rbegin(), headers.rend(),
                                 [&](const auto& header) { return header.first == name; });
  if (last != headers.rend()) headers.erase(std::next(last).base());
}

}  // namespace

void prepare_for_routing(httplib::Request& req) {
  req.ranges.clear();
  const bool may_carry_body = req.method == "POST" || req.method == "PUT" ||
                              req.method == "PATCH" || req.method == "DELETE";
  if (may_carry_body && !req.has_header("Content-Length") && !req.has_header("Transfer-Encoding")) {
    req.headers.emplace("Content-Length", "0");
    req.headers.emplace(implied_length_marker, "1");
  }
}

HeaderList received_headers(const httplib::Request& req) {
  HeaderList headers(req.headers.begin(), req.headers.end());
  for (const char* added : {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"}) {
    erase_last(headers, added);
  }
  if (req.has_header(implied_length_marker)) {
    erase_last(headers, implied_length_marker);
    erase_last(headers, "Content-Length");
  }
  return headers;
}

RecordedRequest to_recorded(const httplib::Request& req) {
  return {req.method, req.target, received_headers(req), req.body};
}

void Router::add(Method method, const std::string& pattern, httplib::Server::Handler handler) {
  // The router is only a helper for setting up; the handler must not refer back to it.
  auto recorded = [&recorder = recorder_, handler = std::move(handler)](const httplib::Request& req,
                                                                        httplib::Response& res) {
    const auto seq = recorder.record(to_recorded(req));
    res.set_header(recorded_seq_header, std::to_string(seq));
    handler(req, res);
  };
  switch (method) {
    case Method::get: server_.Get(pattern, std::move(recorded)); break;
    case Method::post: server_.Post(pattern, std::move(recorded)); break;
    case Method::put: server_.Put(pattern, std::move(recorded)); break;
    case Method::patch: server_.Patch(pattern, std::move(recorded)); break;
    case Method::del: server_.Delete(pattern, std::move(recorded)); break;
    case Method::options: server_.Options(pattern, std::move(recorded)); break;
  }
}

void Router::add_any_method(const std::string& pattern, const httplib::Server::Handler& handler) {
  for (Method method :
       {Method::get, Method::post, Method::put, Method::patch, Method::del, Method::options}) {
    add(method, pattern, handler);
  }
}

}  // namespace corvald::devserver
