#include "chaos_answer.hpp"

#include <algorithm>
#include <memory>

#include "connection_reset.hpp"

namespace corvald::devserver {
namespace {

void answer_status(httplib::Response& res, int status) {
  res.status = status;
  res.set_content("fault: status " + std::to_string(status) + "\n", "text/plain");
}

// Bytes past the sound body are a recognisable pattern rather than the file's next bytes.
BodyFiller with_surplus(BodyFiller fill, std::uint64_t sound_length) {
  return
      [fill = std::move(fill), sound_length](std::uint64_t offset, char* out, std::size_t count) {
        const std::uint64_t sound =
            offset < sound_length ? std::min<std::uint64_t>(count, sound_length - offset) : 0;
        if (sound > 0 && !fill(offset, out, static_cast<std::size_t>(sound))) return false;
        for (std::size_t i = static_cast<std::size_t>(sound); i < count; ++i) out[i] = '#';
        return true;
      };
}

BodyFiller with_changed_byte(BodyFiller fill, std::uint64_t position) {
  return [fill = std::move(fill), position](std::uint64_t offset, char* out, std::size_t count) {
    if (!fill(offset, out, count)) return false;
    if (position >= offset && position - offset < count) out[position - offset] ^= 0x5A;
    return true;
  };
}

}  // namespace

bool answer_before_body(const Fault& fault, const httplib::Request& req, httplib::Response& res,
                        ShutdownSignal& shutdown) {
  switch (fault.kind) {
    case FaultKind::reset_before_headers:
      reset_connection(req.local_port, req.remote_port);
      // httplib still writes an answer, into a connection that is already gone.
      answer_status(res, 500);
      return true;
    case FaultKind::stall:
      if (!shutdown.sleep_for(std::chrono::milliseconds(fault.amount))) {
        answer_status(res, 503);
        return true;
      }
      return false;
    case FaultKind::status_500: answer_status(res, 500); return true;
    case FaultKind::status_502: answer_status(res, 502); return true;
    case FaultKind::status_503: answer_status(res, 503); return true;
    case FaultKind::status_429: answer_status(res, 429); return true;
    default: return false;
  }
}

void shape_body(const Fault& fault, const httplib::Request& req, StreamedBody& body) {
  const std::uint64_t length = body.length;
  switch (fault.kind) {
    case FaultKind::reset_after_bytes:
      body.drop_after = fault.amount;
      body.cut_here = [local = req.local_port, remote = req.remote_port] {
        reset_connection(local, remote);
        return true;
      };
      break;
    case FaultKind::short_body:
      body.drop_after = fault.amount;
      body.cut_here = nullptr;
      break;
    case FaultKind::long_body:
      body.declared_length = std::to_string(length);
      body.length = length + fault.amount;
      body.fill = with_surplus(std::move(body.fill), length);
      break;
    case FaultKind::trickle:
      // The whole body over about `amount` milliseconds.
      body.rate =
          std::max<std::uint64_t>(1, length * 1000 / std::max<std::uint64_t>(1, fault.amount));
      break;
    case FaultKind::corrupt_byte:
      body.fill = with_changed_byte(std::move(body.fill), fault.amount);
      break;
    case FaultKind::length_smaller:
      body.declared_length = std::to_string(length - std::min(length, fault.amount));
      break;
    case FaultKind::length_larger:
      body.declared_length = std::to_string(length + fault.amount);
      break;
    default: break;
  }
}

BodyFiller text_filler(std::string text) {
  auto held = std::make_shared<const std::string>(std::move(text));
  return [held](std::uint64_t offset, char* out, std::size_t count) {
    if (offset > held->size() || held->size() - offset < count) return false;
    std::copy_n(held->data() + offset, count, out);
    return true;
  };
}

}  // namespace corvald::devserver
