#include "base/stub_error.hpp"

#include "text/format.hpp"

namespace corvald {

StubError StubError::network(std::string message, std::uint32_t code) {
  StubError e(Kind::network);
  e.text_ = std::move(message);
  e.code_ = code;
  return e;
}

StubError StubError::http(std::string url, std::uint32_t status) {
  StubError e(Kind::http);
  e.text_ = std::move(url);
  e.status_ = status;
  return e;
}

StubError StubError::parse(std::string message) {
  StubError e(Kind::parse);
  e.text_ = std::move(message);
  return e;
}

StubError StubError::verify(std::string expected_sha512, std::string actual_sha512,
                            std::uint64_t expected_size, std::uint64_t actual_size) {
  StubError e(Kind::verify);
  e.expected_sha512_ = std::move(expected_sha512);
  e.actual_sha512_ = std::move(actual_sha512);
  e.expected_size_ = expected_size;
  e.actual_size_ = actual_size;
  return e;
}

StubError StubError::io(IoError error) {
  StubError e(Kind::io);
  e.io_ = std::move(error);
  return e;
}

StubError StubError::cancelled() { return StubError(Kind::cancelled); }

StubError StubError::timeout(std::string message) {
  StubError e(Kind::timeout);
  e.text_ = std::move(message);
  return e;
}

StubError StubError::feed_no_build(std::string url) {
  StubError e(Kind::feed_no_build);
  e.text_ = std::move(url);
  return e;
}

StubError StubError::internal(std::string message) {
  StubError e(Kind::internal);
  e.text_ = std::move(message);
  return e;
}

StubError StubError::not_found(std::string_view what, const Path& path) {
  return internal(text::format("{} not found: {}", what, path));
}

StubError StubError::system_failure(std::string message, std::uint32_t code) {
  StubError e = internal(std::move(message));
  e.code_ = code;
  return e;
}

StubError StubError::wrapping(std::string_view prefix, StubError cause) {
  return internal(std::string(prefix)).with_cause(std::move(cause), true);
}

StubError StubError::gave_up(std::string message, StubError cause) {
  return internal(std::move(message)).with_cause(std::move(cause), false);
}

StubError StubError::with_cause(StubError cause, bool cause_on_display) && {
  cause_ = std::make_shared<const StubError>(std::move(cause));
  cause_on_display_ = cause_on_display;
  return std::move(*this);
}

std::uint32_t StubError::system_code() const {
  if (kind_ == Kind::io) return io_.code;
  if (code_ != 0 || !cause_) return code_;
  return cause_->system_code();
}

StubError StubError::with_context(std::string operation, Path path) && {
  steps_.push_back({std::move(operation), std::move(path)});
  return std::move(*this);
}

StubError StubError::with_context(std::string operation, Path path) const& {
  return StubError(*this).with_context(std::move(operation), std::move(path));
}

StubError StubError::with_detail(std::string detail) && {
  detail_ = std::move(detail);
  return std::move(*this);
}

const std::string& StubError::detail() const {
  if (detail_.empty() && cause_) return cause_->detail();
  return detail_;
}

std::string StubError::steps_text() const {
  std::string line = cause_ ? cause_->steps_text() : std::string();
  for (const auto& step : steps_) {
    if (!line.empty()) line += " <- ";
    line += step.operation;
    if (!step.path.empty()) line += text::format(" {}", step.path);
  }
  return line;
}

std::string StubError::context_text() const {
  const std::string line = steps_text();
  const std::uint32_t code = system_code();
  if (code == 0) return line;
  if (line.empty()) return text::format("system error {}", code);
  return text::format("{} (system error {})", line, code);
}

std::string StubError::display() const {
  switch (kind_) {
    case Kind::network: return text::format("network error: {}", text_);
    case Kind::http: return text::format("HTTP {} for {}", status_, text_);
    case Kind::parse: return text::format("parse error: {}", text_);
    case Kind::verify:
      if (!actual_sha512_.empty()) {
        return text::format("verify failed: size={}, expected sha512={}, got={}", expected_size_,
                            expected_sha512_, actual_sha512_);
      }
      return text::format("verify failed: size expected={}, got={}", expected_size_, actual_size_);
    case Kind::io: return text::format("io error: {}", io_.text);
    case Kind::cancelled: return "operation cancelled";
    case Kind::timeout: return text::format("timeout: {}", text_);
    case Kind::feed_no_build:
      return text::format("no build for this machine (HTTP 204): {}", text_);
    case Kind::internal:
      if (cause_ && cause_on_display_) return text::format("{}: {}", text_, cause_->display());
      return text_;
  }
  return text_;
}

MessageKey error_message_key(const StubError& error) {
  using Kind = StubError::Kind;
  switch (error.kind()) {
    case Kind::network: return {"ui.error.network", {}};
    case Kind::http: return {"ui.error.http", {{"status", std::to_string(error.status())}}};
    case Kind::parse: return {"ui.error.parse", {}};
    case Kind::verify: return {"ui.error.verify", {}};
    case Kind::io: return {"ui.error.io", {}};
    case Kind::cancelled: return {"ui.status.cancelled", {}};
    case Kind::timeout: return {"ui.error.timeout", {}};
    case Kind::feed_no_build: return {"ui.error.feed_no_build", {{"url", error.text()}}};
    case Kind::internal: return {"ui.error.internal", {}};
  }
  return {"ui.error.internal", {}};
}

}  // namespace corvald
