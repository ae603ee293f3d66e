// A drawn fault laid onto one answer of the update service.
#pragma once

#include <httplib.h>

#include "body_stream.hpp"
#include "chaos_schedule.hpp"
#include "shutdown_signal.hpp"

namespace corvald::devserver {

// The faults that strike before any body: a reset, a stall (after which the answer goes on as
// usual) or an error status. True when the request has been answered or dropped here.
bool answer_before_body(const Fault& fault, const httplib::Request& req, httplib::Response& res,
                        ShutdownSignal& shutdown);

// The faults that change the body or what the headers say of it, applied to a body about to
// be streamed (the Range faults are the caller's, who knows the range).
void shape_body(const Fault& fault, const httplib::Request& req, StreamedBody& body);

// A body filler over text held in memory, such as the feed.
BodyFiller text_filler(std::string text);

}  // namespace corvald::devserver
