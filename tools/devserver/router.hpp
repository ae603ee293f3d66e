// Puts handlers on the httplib server so that each request is recorded before its handler
// runs: a test that reads /__control/requests right after an answer must find the request.
#pragma once

#include <httplib.h>

#include <string>

#include "recorder.hpp"

namespace corvald::devserver {

enum class Method { get, post, put, patch, del, options };  // GET handlers also answer HEAD

// Set on every answer whose request the router recorded. Requests that httplib turns away
// before routing (a method it does not know, a Range it cannot read) lack it, which is how
// the server's logger knows to record them after the fact.
inline constexpr char recorded_seq_header[] = "X-Devserver-Seq";

// Called before httplib reads the body, on httplib's own (non-const) request object.
// - Ranges are cleared: left in place, httplib would cut every body to the request's Range
//   itself, and a ranged request could never be answered with a 200.
// - A POST, PUT, PATCH or DELETE with neither Content-Length nor Transfer-Encoding has no body,
//   but httplib would wait for one until its read timeout and then answer 400; such a request
//   is given "Content-Length: 0", marked so that the record still shows what was sent.
void prepare_for_routing(httplib::Request& req);

// Headers as the client sent them, minus the peer and local addresses httplib adds as if they
// were headers. httplib keeps headers sorted by name (ignoring case), with repeats of one name
// in the order received; the order across names is lost before we see the request.
HeaderList received_headers(const httplib::Request& req);
RecordedRequest to_recorded(const httplib::Request& req);

class Router {
 public:
  Router(httplib::Server& server, Recorder& recorder) : server_(server), recorder_(recorder) {}

  void add(Method method, const std::string& pattern, httplib::Server::Handler handler);
  void add_any_method(const std::string& pattern, const httplib::Server::Handler& handler);

 private:
  httplib::Server& server_;
  Recorder& recorder_;
};

}  // namespace corvald::devserver
