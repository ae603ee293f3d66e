// A scripted stand-in for the platform HTTP session, so code above HttpClient (downloads,
// feed, telemetry, feedback) is tested natively: each request gets a scripted reply (status,
// headers, a body delivered in chosen pieces), a failure at send or at a chosen byte, or a
// stall that holds the calling thread until the test opens a gate. Every request is recorded.
// Usable from several threads at once, like the real session.
//
//   auto session = std::make_shared<test::ScriptedSession>();
//   session->push(test::ScriptedReply::with_body("hello"));
//   HttpClient client(session);
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/http_client.hpp"
#include "net/http_session.hpp"
#include "text/utf.hpp"

namespace corvald::net::test {

// A door that stalled exchanges wait at until the test opens it. Once open it stays open.
class Gate {
 public:
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }

  // Called by the stalled exchange; returns once the gate is open.
  void wait() {
    std::unique_lock lock(mutex_);
    ++arrivals_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
  }

  // Lets the test know, without sleeping, that `count` exchanges have reached the gate.
  void wait_for_arrivals(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return arrivals_ >= count; });
  }

  std::size_t arrivals() const {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }

 private:
  // Guards open_ and arrivals_; nothing else is done while it is held.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  std::size_t arrivals_ = 0;
};

struct ScriptedReply {
  std::uint32_t status = 200;
  // Header values exactly as a server would send them (unparsed); absent when not sent.
  std::optional<std::string> content_length;
  std::optional<std::string> accept_ranges;
  std::optional<std::string> content_type;
  std::string body;
  // Sizes of the successive reads the body arrives in; whatever is left after them comes in
  // one piece. A read never returns more than its buffer holds, so a piece may take several.
  std::vector<std::size_t> pieces;

  // The exchange fails in send with this error (after the stall, when one is set at send).
  std::optional<StubError> send_error;
  // The body is delivered up to this byte offset, then every read fails with read_error.
  // An offset at or past the end makes the end itself fail instead of reporting 0.
  std::optional<std::uint64_t> fail_at_byte;
  StubError read_error = StubError::network("WinHttpReadData: scripted connection reset");

  // When set, the exchange waits at this gate: in send when stall_at_byte is absent, else
  // in the read that would deliver the byte at that offset (once).
  std::shared_ptr<Gate> stall;
  std::optional<std::uint64_t> stall_at_byte;

  // A reply carrying the body and its exact Content-Length.
  static ScriptedReply with_body(std::string body, std::uint32_t status = 200) {
    ScriptedReply reply;
    reply.status = status;
    reply.content_length = std::to_string(body.size());
    reply.body = std::move(body);
    return reply;
  }

  static ScriptedReply failing(StubError error) {
    ScriptedReply reply;
    reply.send_error = std::move(error);
    return reply;
  }
};

// "scheme://host:port/path" with the port always written, so http://h/ and http://h:80/
// name the same place.
inline std::string url_text(const UrlParts& url) {
  return (url.secure ? "https://" : "http://") + url.host + ":" + std::to_string(url.port) +
         url.path;
}

struct RecordedRequest {
  UrlParts url;
  std::string verb;
  HeaderList headers;
  std::string body;

  std::string url_text() const { return test::url_text(url); }

  // The first header of that name, compared without regard to ASCII case.
  std::optional<std::string> header(std::string_view name) const {
    const std::string wanted = text::ascii_lower(name);
    for (const Header& h : headers) {
      if (text::ascii_lower(h.name) == wanted) return h.value;
    }
    return std::nullopt;
  }
};

namespace detail {

class ScriptedBody final : public ResponseBody {
 public:
  ScriptedBody(ScriptedReply reply, std::shared_ptr<std::atomic<std::size_t>> open_bodies)
      : reply_(std::move(reply)), open_bodies_(std::move(open_bodies)) {
    ++*open_bodies_;
  }
  ~ScriptedBody() override { --*open_bodies_; }
  ScriptedBody(const ScriptedBody&) = delete;
  ScriptedBody& operator=(const ScriptedBody&) = delete;

  Result<std::uint32_t> read(char* buffer, std::uint32_t capacity) override {
    const std::uint64_t size = reply_.body.size();
    if (reply_.stall && reply_.stall_at_byte && !stalled_ &&
        offset_ >= std::min(*reply_.stall_at_byte, size)) {
      stalled_ = true;
      reply_.stall->wait();
    }
    if (reply_.fail_at_byte && offset_ >= std::min(*reply_.fail_at_byte, size)) {
      return reply_.read_error;
    }

    std::uint64_t count = std::min<std::uint64_t>(capacity, size - offset_);
    while (next_piece_ < reply_.pieces.size() && piece_left_ == 0) {
      piece_left_ = reply_.pieces[next_piece_++];
    }
    if (piece_left_ > 0) count = std::min<std::uint64_t>(count, piece_left_);
    if (reply_.fail_at_byte) count = std::min(count, *reply_.fail_at_byte - offset_);
    if (reply_.stall && reply_.stall_at_byte && !stalled_) {
      count = std::min(count, *reply_.stall_at_byte - offset_);
    }

    std::memcpy(buffer, reply_.body.data() + offset_, static_cast<std::size_t>(count));
    offset_ += count;
    if (piece_left_ > 0) piece_left_ -= static_cast<std::size_t>(count);
    return static_cast<std::uint32_t>(count);
  }

 private:
  ScriptedReply reply_;
  std::shared_ptr<std::atomic<std::size_t>> open_bodies_;
  std::uint64_t offset_ = 0;
  std::size_t next_piece_ = 0;
  std::size_t piece_left_ = 0;
  bool stalled_ = false;
};

}  // namespace detail

class ScriptedSession final : public HttpSession {
 public:
  // Computes a reply for a request nothing else was scripted for; nothing means "no reply".
  // Called from the sending threads, possibly several at once, without the session's lock.
  using Handler = std::function<std::optional<ScriptedReply>(const RecordedRequest&)>;

  // The reply to the next request for which no reply waits under its URL, in order.
  void push(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(reply));
  }

  // The reply to the next request for this URL (split as HttpClient splits it).
  void push_for(std::string_view url, ScriptedReply reply) {
    auto parts = split_url(url);
    if (!parts) throw std::invalid_argument("push_for: " + parts.error().text());
    std::lock_guard lock(mutex_);
    by_url_[url_text(*parts)].push_back(std::move(reply));
  }

  void set_handler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
  }

  std::vector<RecordedRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  std::size_t request_count() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
  }

  // Bodies handed out and not yet released: a response that is never dropped shows here.
  std::size_t open_bodies() const { return *open_bodies_; }

  Result<RawResponse> send(const UrlParts& url, std::string_view verb, const HeaderList& headers,
                           std::string_view body) override {
    RecordedRequest request{url, std::string(verb), headers, std::string(body)};
    std::optional<ScriptedReply> reply;
    Handler handler;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      reply = take_scripted(request);
      if (!reply) handler = handler_;
    }
    if (!reply && handler) reply = handler(request);
    if (!reply) {
      return StubError::internal("scripted session: no reply for " + request.verb + " " +
                                 request.url_text());
    }

    if (reply->stall && !reply->stall_at_byte) reply->stall->wait();
    if (reply->send_error) return *reply->send_error;

    RawResponse raw;
    raw.status = reply->status;
    raw.content_length = reply->content_length;
    raw.accept_ranges = reply->accept_ranges;
    raw.content_type = reply->content_type;
    raw.body = std::make_unique<detail::ScriptedBody>(std::move(*reply), open_bodies_);
    return raw;
  }

 private:
  // Needs mutex_ held.
  std::optional<ScriptedReply> take_scripted(const RecordedRequest& request) {
    const auto found = by_url_.find(request.url_text());
    if (found != by_url_.end() && !found->second.empty()) {
      ScriptedReply reply = std::move(found->second.front());
      found->second.pop_front();
      return reply;
    }
    if (!queue_.empty()) {
      ScriptedReply reply = std::move(queue_.front());
      queue_.pop_front();
      return reply;
    }
    return std::nullopt;
  }

  // Guards the scripts, the handler slot and the record. Never held while a handler runs or
  // while an exchange waits at a gate, so stalled threads do not block the others.
  mutable std::mutex mutex_;
  std::deque<ScriptedReply> queue_;
  std::map<std::string, std::deque<ScriptedReply>, std::less<>> by_url_;
  Handler handler_;
  std::vector<RecordedRequest> requests_;

  std::shared_ptr<std::atomic<std::size_t>> open_bodies_ =
      std::make_shared<std::atomic<std::size_t>>(0);
};

}  // namespace corvald::net::test
