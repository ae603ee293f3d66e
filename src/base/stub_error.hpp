// The one error value of the stub. Every fallible operation returns its result or a
// StubError; logs and telemetry use display(), the window the message key. Beside its fixed
// text an error keeps the platform's code and the steps it failed in, for a log line of its
// own: support learns which file and which step without any fixed text changing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/path.hpp"

namespace corvald {

// A platform error: its numeric code and the platform's own text for it.
struct IoError {
  std::uint32_t code = 0;
  std::string text;
};

// One step an error passed on its way out: what was being done, and to which file if any.
struct ErrorStep {
  std::string operation;
  Path path;
};

class StubError {
 public:
  enum class Kind : std::uint8_t {
    network,
    http,
    parse,
    verify,
    io,
    cancelled,
    timeout,
    feed_no_build,
    internal,
  };

  // `code` is the platform's (a WinHTTP code for a failed exchange), for the where line.
  static StubError network(std::string message, std::uint32_t code = 0);
  static StubError http(std::string url, std::uint32_t status);
  static StubError parse(std::string message);
  static StubError verify(std::string expected_sha512, std::string actual_sha512,
                          std::uint64_t expected_size, std::uint64_t actual_size);
  static StubError io(IoError error);
  static StubError cancelled();
  static StubError timeout(std::string message);
  static StubError feed_no_build(std::string url);
  static StubError internal(std::string message);
  // Nothing at `path`: kind internal, "{what} not found: {path}".
  static StubError not_found(std::string_view what, const Path& path);
  // A platform call that failed with `code`: kind internal, the message alone on display.
  static StubError system_failure(std::string message, std::uint32_t code);
  // `cause` under a fixed message: kind internal, displayed as "{prefix}: {cause's display}".
  // The cause stays whole inside: its kind, texts, code and steps.
  static StubError wrapping(std::string_view prefix, StubError cause);
  // Several tries failed and `cause` is the one worth naming: kind internal, the message
  // alone on display, the cause whole inside for its code and steps.
  static StubError gave_up(std::string message, StubError cause);

  Kind kind() const { return kind_; }
  // The message of network, parse, timeout and internal; the URL of http and feed_no_build.
  const std::string& text() const { return text_; }
  std::uint32_t status() const { return status_; }
  const IoError& io_error() const { return io_; }
  const std::string& expected_sha512() const { return expected_sha512_; }
  const std::string& actual_sha512() const { return actual_sha512_; }
  std::uint64_t expected_size() const { return expected_size_; }
  std::uint64_t actual_size() const { return actual_size_; }

  // The error this one wraps, or null.
  const StubError* cause() const { return cause_.get(); }

  std::string display() const;

  // The platform's error code: an io error's own, a network or platform failure's, else the
  // cause's; 0 when none.
  std::uint32_t system_code() const;
  // The steps of this error alone, innermost first: the platform call, then each caller that
  // added the step it was taking. A cause's steps stay with the cause.
  const std::vector<ErrorStep>& steps() const { return steps_; }
  StubError with_context(std::string operation, Path path = {}) &&;
  StubError with_context(std::string operation, Path path = {}) const&;
  // The steps, the cause's first, and the code on one line, e.g. "open for reading C:\x.exe
  // <- verify the cached installer (system error 5)"; empty when there is neither.
  std::string context_text() const;
  // What support needs beyond the steps, for a line of its own after them (why a server's
  // certificate was refused, for one), or the cause's; empty when there is nothing more to say.
  const std::string& detail() const;
  StubError with_detail(std::string detail) &&;

 private:
  explicit StubError(Kind kind) : kind_(kind) {}
  StubError with_cause(StubError cause, bool cause_on_display) &&;
  std::string steps_text() const;

  Kind kind_;
  std::string text_;
  std::uint32_t status_ = 0;
  IoError io_;
  std::string expected_sha512_;
  std::string actual_sha512_;
  std::uint64_t expected_size_ = 0;
  std::uint64_t actual_size_ = 0;
  std::uint32_t code_ = 0;
  std::vector<ErrorStep> steps_;
  // Shared, not copied: an error is copied on its way out more often than it is wrapped.
  std::shared_ptr<const StubError> cause_;
  bool cause_on_display_ = false;
  std::string detail_;
};

using MessageArgs = std::vector<std::pair<std::string, std::string>>;

struct MessageKey {
  std::string_view key;
  MessageArgs args;
};

// The localisation key that shows this error to the user, with its placeholders.
MessageKey error_message_key(const StubError& error);

}  // namespace corvald
