// The one error value of the stub. Every fallible operation returns its result or a
// StubError; logs and telemetry use display(), the window the message key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvald {

// A platform error: its numeric code and the platform's own text for it.
struct IoError {
  std::uint32_t code = 0;
  std::string text;
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

  static StubError network(std::string message);
  static StubError http(std::string url, std::uint32_t status);
  static StubError parse(std::string message);
  static StubError verify(std::string expected_sha512, std::string actual_sha512,
                          std::uint64_t expected_size, std::uint64_t actual_size);
  static StubError io(IoError error);
  static StubError cancelled();
  static StubError timeout(std::string message);
  static StubError feed_no_build(std::string url);
  static StubError internal(std::string message);

  Kind kind() const { return kind_; }
  // The message of network, parse, timeout and internal; the URL of http and feed_no_build.
  const std::string& text() const { return text_; }
  std::uint32_t status() const { return status_; }
  const IoError& io_error() const { return io_; }
  const std::string& expected_sha512() const { return expected_sha512_; }
  const std::string& actual_sha512() const { return actual_sha512_; }
  std::uint64_t expected_size() const { return expected_size_; }
  std::uint64_t actual_size() const { return actual_size_; }

  std::string display() const;

 private:
  explicit StubError(Kind kind) : kind_(kind) {}

  Kind kind_;
  std::string text_;
  std::uint32_t status_ = 0;
  IoError io_;
  std::string expected_sha512_;
  std::string actual_sha512_;
  std::uint64_t expected_size_ = 0;
  std::uint64_t actual_size_ = 0;
};

using MessageArgs = std::vector<std::pair<std::string, std::string>>;

struct MessageKey {
  std::string_view key;
  MessageArgs args;
};

// The localisation key that shows this error to the user, with its placeholders.
MessageKey error_message_key(const StubError& error);

}  // namespace corvald
